// Every failed check of the statistics operations, one row each: the result, the code, the
// trace (innermost first; none for the throwing bit worker), and every output left as it was.
#include <gtest/gtest.h>

#include <functional>

#include "support/images.h"

namespace vnimg::test {
namespace {

int Seven(VnBW8&) { return 7; }
int SevenWide(VnBW16&) { return 7; }
int SevenColour(VnC24&) { return 7; }

TEST(StatisticsFailures, CodesTracesAndUntouchedOutputs) {
  Rng rng(21);
  const Placement at{37, 5, 3, 1, 45, 8};
  GuardedRoi<VnBW8> g8(at, rng);
  GuardedRoi<VnBW16> g16(at, rng);
  GuardedRoi<VnC24> gC(at, rng);
  GuardedRoi<VnBW1> g1(at, rng);
  VnROI<VnBW8> narrow8(&g8.parent(), 3, 1, 36, 5), outside8(&g8.parent(), 40, 0, 10, 5), left8(&g8.parent(), -1, 0, 4, 4),
      empty8(&g8.parent(), 3, 1, 0, 5);
  VnROI<VnBW16> outside16(&g16.parent(), 40, 0, 10, 5), flat16(&g16.parent(), 3, 1, 5, 0);
  VnROI<VnC24> outsideC(&gC.parent(), 40, 0, 10, 5);
  VnROI<VnBW1> narrow1(&g1.parent(), 3, 1, 36, 5), odd1(&g1.parent(), 5, 1, 37, 5);
  VnImage<VnBW8> void8;
  VnImage<VnBW16> void16;
  VnImage<VnC24> voidC;
  VnROI<VnBW8>* const null8 = nullptr;
  VnROI<VnBW1>* const null1 = nullptr;
  VnROI<VnBW8> unmasked = *g8.roi(), masked = *g8.roi();
  const VnRun nothing{4, 4, 4, 0};
  masked.SetMaskRuns(&nothing, 1);
  // Outputs, each checked untouched after every row.
  unsigned char b8 = 7, c8 = 7;
  VnBW16 w16 = 7, x16 = 7;
  float f[9] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
  int n[3] = {7, 7, 7};
  unsigned u = 7;
  VnBW32Vector sums(3);
  VnBW8Vector averages8(3);
  VnBW16Vector averages16(3);
  VnC24Vector averagesC(3);
  VnVector legacy;
  legacy.SetType(3, 1, 3);
  const auto untouched = [&] {
    return b8 == 7 && c8 == 7 && w16 == 7 && x16 == 7 && std::all_of(f, f + 9, [](float v) { return v == 7; }) && n[0] == 7 && n[1] == 7 &&
           n[2] == 7 && u == 7 && sums.GetNumElements() == 3 && sums[0] == 0 && averages8.GetNumElements() == 3 && averages16.GetNumElements() == 3 &&
           averagesC.GetNumElements() == 3 && legacy.GetVectType() == 3;
  };
  const auto thrown = [](auto&& call) {
    try { call(); } catch (const Korvane::Quandor::Exception& e) { return double(e.code); }
    return 0.0;
  };
  const struct { std::function<double()> call; double result; int code; std::vector<std::string> trace; } rows[] = {
      {[&] { return double(ImgPixelCompare(null8, g8.roi())); }, 0, VN_ERR_NULL_ROI, {"ImgPixelCompare ( BW8)"}},
      {[&] { return double(ImgPixelCompare(g8.roi(), &narrow8)); }, 0, VN_ERR_SIZE_MISMATCH, {"ImgPixelCompare ( BW8)"}},
      {[&] { return double(ImgPixelCompare(&outside16, g16.roi())); }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelCompare ( BW16)"}},
      {[&] { return double(ImgPixelCompare(&voidC, &voidC)); }, 0, VN_ERR_NULL_ROI, {"ImgPixelCompare ( C24)"}},
      {[&] { return double(ImgPixelCompare(g1.roi(), null1)); }, 0, VN_ERR_NULL_ROI, {"ImgPixelCompare (BW1)"}},
      {[&] { return double(ImgPixelCompare(g1.roi(), &narrow1)); }, 0, VN_ERR_SIZE_MISMATCH, {"ImgPixelCompare (BW1)"}},
      {[&] { return thrown([&] { ImgPixelCompareAligned(&odd1, &odd1); }); }, VN_ERR_BW1_NOT_ALIGNED, 0, {}},
      {[&] { return thrown([&] { ImgPixelCompareAligned(g1.roi(), &narrow1); }); }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH, {}},
      {[&] { return double(ImgPixelMin(&outside8, b8)); }, VN_ERR_ROI_OUTSIDE_PARENT, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelMin"}},
      {[&] { return double(ImgPixelMax(null8, b8)); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelMax"}},
      {[&] { return ImgPixelMin(&void16, w16), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgPixelMin (BW16)"}},
      {[&] { return ImgPixelMax(&outside16, w16), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelMax (BW16)"}},
      {[&] { return double(ImgPixelStat(&void8, b8, c8, f[0])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelStat"}},
      {[&] { return ImgPixelStat(&outside16, w16, x16, f[0]), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelStat (BW16)"}},
      {[&] { return double(ImgCount(g8.roi(), nullptr)); }, 0, VN_ERR_NULL_ROI, {"ImgCount ( BW8)"}},
      {[&] { return double(ImgCount(&void16, SevenWide)); }, 0, VN_ERR_NULL_ROI, {"ImgCount ( BW16)"}},
      {[&] { return double(ImgCount(&outsideC, SevenColour)); }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgCount ( C24)"}},
      {[&] { return double(ImgCount(null8, Seven)); }, 0, VN_ERR_NULL_ROI, {"ImgCount ( BW8)"}},
      {[&] { return double(ImgPixelAverage(null8, f[0])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelAverage ( BW8)"}},
      {[&] { return double(ImgPixelAverage(&left8, f[0])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelAverage ( BW8)"}},
      {[&] { return double(ImgPixelAverage(&empty8, f[0])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelAverage ( BW8)"}},
      {[&] { return double(ImgPixelAverage(&outside8, f[0])); }, VN_ERR_ROI_OUTSIDE_PARENT, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelAverage ( BW8)"}},
      {[&] { return ImgPixelAverage(&flat16, f[0]), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgPixelAverage ( BW16)"}},
      {[&] { return ImgPixelAverage(&voidC, f[0], f[1], f[2]), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgPixelAverage ( C24)"}},
      {[&] { return ImgPixelVariance(&outside8, f[0], f[1]), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelVariance ( BW8)"}},
      {[&] { return ImgPixelVariance(&void16, f[0], f[1]), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgPixelVariance ( BW16)"}},
      {[&] { return ImgPixelVariance(&outsideC, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelVariance ( C24)"}},
      {[&] { return double(ImgPixelStdDev(&void8, f[0], f[1])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelVariance ( BW8)", "ImgPixelStdDev"}},
      {[&] { return ImgPixelStdDev(&outside16, f[0], f[1]), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelVariance ( BW16)", "ImgPixelStdDev"}},
      {[&] { return ImgPixelStdDev(&voidC, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgPixelVariance ( C24)", "ImgPixelStdDev"}},
      {[&] { return double(ImgPixelCount(&void8, 1, 2, n[0], n[1], n[2])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgPixelCount"}},
      {[&] { return ImgPixelCount(&outside16, 1, 2, n[0], n[1], n[2]), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgPixelCount (BW16)"}},
      {[&] { return double(ImgArea(&outside8, 1, n[0])); }, VN_ERR_ROI_OUTSIDE_PARENT, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgArea"}},
      {[&] { return ImgArea(&void16, 1, n[0]), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgArea (BW16)"}},
      {[&] { return double(ImgAreaDoubleThreshold(null8, 1, 2, n[0])); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgAreaDoubleThreshold"}},
      {[&] { return ImgAreaDoubleThreshold(&outside16, 1, 2, n[0]), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgAreaDoubleThreshold (BW16)"}},
      {[&] { return double(ImgArea(null8)); }, 0, VN_ERR_NULL_ROI, {"ImgArea ( all pixels)"}},
      {[&] { return double(ImgArea(&outside8, 3u)); }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgArea ( binarized)"}},
      {[&] { return double(ImgAverage(&void8, &u)); }, 0, VN_ERR_NULL_ROI, {"ImgAverage"}},
      {[&] { return double(ImgMinimum(&outside8)); }, 255, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgMinimum"}},
      {[&] { return double(ImgMaximum(null8)); }, 0, VN_ERR_NULL_ROI, {"ImgMaximum"}},
      {[&] { return double(ImgVariance(&outside8, &f[0], &u)); }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgHistogram"}},
      {[&] { return double(ImgVariance(&masked, &f[0], &u)); }, 0, VN_ERR_EMPTY_HISTOGRAM_RANGE, {"ImgHistogramMoments ( 1)"}},
      {[&] { return double(ImgVariance(&masked, &f[0], nullptr)); }, 0, VN_ERR_EMPTY_HISTOGRAM_RANGE, {"ImgHistogramCenteredMoments ( 2)"}},
      {[&] { return ImgProjectOnARow(&unmasked, static_cast<VnBW32Vector*>(nullptr)), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgProjectOnARow ( BW8 Image Sum)"}},
      {[&] { return ImgProjectOnARow(&void8, &averages8), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgProjectOnARow ( BW8 Image Average)"}},
      {[&] { return ImgProjectOnARow(&outside16, &sums), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgProjectOnARow ( BW16 Image Sum)"}},
      {[&] { return ImgProjectOnARow(&void16, &averages16), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgProjectOnARow ( BW16 Image Average)"}},
      {[&] { return ImgProjectOnARow(&outsideC, &averagesC), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgProjectOnARow ( C24 Image Average)"}},
      {[&] { return ImgProjectOnAColumn(&outside8, &sums), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgProjectOnAColumn ( BW8 Image Sum)"}},
      {[&] { return ImgProjectOnAColumn(null8, &averages8), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgProjectOnAColumn ( BW8 Image Average)"}},
      {[&] { return ImgProjectOnAColumn(&void16, &sums), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgProjectOnAColumn ( BW16 Image Sum)"}},
      {[&] { return ImgProjectOnAColumn(&outside16, &averages16), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgProjectOnAColumn ( BW16 Image Average)"}},
      {[&] { return ImgProjectOnAColumn(&voidC, &averagesC), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgProjectOnAColumn ( C24 Image Average)"}},
      {[&] { return double(ImgProjectOnARow(&void8, &legacy)); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgProjectOnARow ( VnVector)"}},
      {[&] { return double(ImgProjectOnAColumn(&outside8, &legacy)); }, VN_ERR_ROI_OUTSIDE_PARENT, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgProjectOnAColumn"}},
      {[&] { return double(ImgProjectOnAColumn(g8.roi(), static_cast<VnVector*>(nullptr))); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgProjectOnAColumn"}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    VnSetError(999);  // a stale code must not survive
    const double result = rows[i].call();
    EXPECT_EQ(result, rows[i].result) << "row " << i;
    EXPECT_EQ(VnGetError(), rows[i].code) << "row " << i;
    EXPECT_EQ(Trace(), rows[i].trace) << "row " << i;
    EXPECT_TRUE(untouched()) << "row " << i;
    EXPECT_TRUE(g8.Unchanged() && g16.Unchanged() && gC.Unchanged() && g1.Unchanged()) << "row " << i;
  }
  EXPECT_TRUE(ImgPixelMin(g8.roi(), b8) == 0 && VnGetError() == 0);  // success after failures clears the code
}

}  // namespace
}  // namespace vnimg::test
