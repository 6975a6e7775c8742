// Calls an attacker would make on the point operations: each row names the call, the code it
// must give (thrown by the aligned workers, set by the public forms) and the trace; no
// operand's parent may change.
#include <climits>
#include <functional>

#include "point/point_support.h"

namespace vnimg::test {
namespace {

TEST(PointHostile, AbsurdOperandsGiveTheirCodeAndWriteNothing) {
  Rng rng(24);
  GuardedRoi<VnBW1> aligned({37, 5, 8, 1, 64, 8}, rng), offByte({37, 5, 3, 1, 64, 8}, rng), dst({37, 5, 5, 2, 64, 8}, rng),
      alignedDst({37, 5, 16, 0, 64, 8}, rng);
  // Origins that add up past INT_MAX along the parent chain (the outer one already outside).
  VnROI<VnBW1> far(&aligned.parent(), INT_MAX, 0, 1, 1), farther(&far, INT_MAX, 0, 1, 1);
  const auto thrown = [](auto&& call) {
    try { call(); } catch (const Korvane::Quandor::Exception& e) { return e.code; }
    return 0;
  };
  const struct { std::function<int()> call; int code; std::vector<std::string> trace; } rows[] = {
      {[&] { return thrown([&] { ImgOperAligned(Copy, VnBW1(1), dst.roi()); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return thrown([&] { ImgOperAligned(Invert, offByte.roi(), alignedDst.roi()); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return thrown([&] { ImgOperAligned(Copy, aligned.roi(), dst.roi()); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return thrown([&] { ImgOperAligned(BitwiseOR, aligned.roi(), offByte.roi(), alignedDst.roi()); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return thrown([&] { ImgCopyAligned(offByte.roi(), alignedDst.roi()); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return thrown([&] { ImgCopyAligned(VnBW1(0), dst.roi()); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return ImgCopy(&farther, dst.roi()), VnGetError(); }, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgCopy(BW1)"}},
  };
  for (const auto& r : rows) {
    VnOk();
    EXPECT_EQ(r.call(), r.code) << "row " << &r - rows;
    EXPECT_EQ(Trace(), r.trace) << "row " << &r - rows;
    EXPECT_TRUE(aligned.Unchanged() && offByte.Unchanged() && dst.Unchanged() && alignedDst.Unchanged()) << "row " << &r - rows;
  }
}

}  // namespace
}  // namespace vnimg::test
