#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "support/images.h"

namespace vnimg::test {
namespace {

TEST(ErrorState, SetTraceAndClear) {
  EXPECT_EQ(VnOk(), 0);
  EXPECT_EQ(VnSetError(1403), 1403);
  EXPECT_EQ(VnTraceError("Worker"), 1403);
  EXPECT_EQ(VnTraceError("ImgOp (BW8)"), 1403);
  EXPECT_EQ(VnGetError(), 1403);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Worker", "ImgOp (BW8)"}));
  EXPECT_EQ(VnGetErrorTraceName(2), nullptr);
  VnSetError(1400);  // a new code keeps the names already traced
  EXPECT_EQ(VnGetErrorTraceCount(), 2u);
  EXPECT_EQ(VnOk(), 0);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(VnGetErrorTraceCount(), 0u);
}

TEST(ErrorState, TraceKeepsTheInnermostNamesWhenFull) {
  VnOk();
  VnSetError(1);
  for (unsigned i = 0; i < VN_MAX_TRACE + 5; ++i) VnTraceError(i == 0 ? "first" : "later");
  EXPECT_EQ(VnGetErrorTraceCount(), VN_MAX_TRACE);
  EXPECT_STREQ(VnGetErrorTraceName(0), "first");
  VnOk();
}

TEST(ErrorState, IsPerThread) {
  VnOk();
  VnSetError(1050);
  VnTraceError("main");
  int otherCode = -1;
  unsigned otherCount = 99;
  std::thread other([&] {
    otherCode = VnGetError();
    otherCount = VnGetErrorTraceCount();
    VnSetError(1303);
  });
  other.join();
  EXPECT_EQ(otherCode, 0);
  EXPECT_EQ(otherCount, 0u);
  EXPECT_EQ(VnGetError(), 1050);
  VnOk();
}

TEST(ErrorText, EveryCodeHasItsOwnText) {
  const int codes[] = {106,  1003, 1007, 1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016, 1024, 1050, 1051,
                       1102, 1103, 1104, 1105, 1106, 1301, 1303, 1400, 1402, 1403, 1405, 1411, 1413, 1414,
                       1419, 1420, 1421, 1423, 1500, 1601, 1602, 1603, 1604, 1605, 1606, 1607, 1608, 1609,
                       1611, 1613, 1700, 1701, 1702, 1703, 1704, 2200, 2600, 32767};
  const std::string unknown = VnGetErrorText(-12345);
  std::set<std::string> seen;
  for (int code : codes) {
    SCOPED_TRACE(code);
    const std::string text = VnGetErrorText(code);
    EXPECT_NE(text, unknown);
    EXPECT_FALSE(text.empty());
    seen.insert(text);
  }
  // The contour codes share one text; every other code reads differently.
  EXPECT_GE(seen.size(), std::size(codes) - 3);
}

}  // namespace
}  // namespace vnimg::test
