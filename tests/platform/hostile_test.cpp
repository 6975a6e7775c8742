// Absurd shapes handed to the platform layer: sizes whose products pass INT_MAX are computed
// wide, and a result that cannot be held saturates.
#include <gtest/gtest.h>

#include <climits>

#include <vnimg.h>

namespace vnimg::test {
namespace {

TEST(PlatformHostile, ProductsPastIntMax) {
  VnVector v;
  ASSERT_EQ(v.SetStructure(VN_DATA_SIZE_32, 0, INT_MAX, VN_DATA_SIGNED), 0);  // no group, so no storage
  v.SetNbGroup(3);
  EXPECT_TRUE(v.GetNbMaxGroup() == 0 && v.GetNbGroup() == 0);
  VnImage<VnC24> image(4, 4);
  VnROI<VnC24> wide(&image, 0, 0, INT_MAX, 1);
  EXPECT_EQ(wide.GetSkip(), INT_MIN);
}

}  // namespace
}  // namespace vnimg::test
