#include <gtest/gtest.h>

#include <vnimg.h>

namespace {

TEST(VectorContainer, GrowsByDoubling) {
  VnPathVector v;
  std::vector<unsigned int> maxima;
  for (short i = 0; i < 9; ++i) {
    v.AddElement(VnPath{i, static_cast<short>(-i)});
    maxima.push_back(v.GetMaxElements());
  }
  EXPECT_EQ(maxima, (std::vector<unsigned int>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
  EXPECT_EQ(v[8].m_n16Y, -8);
}

}  // namespace
