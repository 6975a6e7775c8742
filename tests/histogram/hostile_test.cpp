// Absurd sizes and ranges handed to the histogram and threshold operations.
#include <climits>

#include "histogram/histograms.h"
#include "support/pixels.h"

namespace vnimg::test {
namespace {

// A tile larger than the image is one tile: every window is cut to the whole image, so a tile
// of INT_MAX gives what a tile just twice the image does.
TEST(HistogramHostile, AdaptiveTilesOfIntMax) {
  const VnImage<VnBW8> src = Make<VnBW8>(29, 17, [](int x, int y) { return (x * 37 + y * y * 11) % 256; });
  VnImage<VnBW8> huge(29, 17), twice(29, 17);
  const VnBW8 global = ImgAutoThreshold(const_cast<VnImage<VnBW8>*>(&src), IMG_THRESHOLD_ISODATA);
  ImgAutoAdaptiveThreshold(const_cast<VnImage<VnBW8>*>(&src), &huge, IMG_THRESHOLD_ISODATA, INT_MAX, 0);
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_TRUE(SamePixels(huge, Make<VnBW8>(29, 17, [&](int, int) { return global; })));
  ImgAutoAdaptiveThreshold(const_cast<VnImage<VnBW8>*>(&src), &huge, IMG_THRESHOLD_ISODATA, 5, INT_MAX);
  ImgAutoAdaptiveThreshold(const_cast<VnImage<VnBW8>*>(&src), &twice, IMG_THRESHOLD_ISODATA, 5, 34);
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_TRUE(SamePixels(huge, twice));
}

// The legacy analysis does not check its range: "none" past INT_MAX (below INT_MIN) saturates.
TEST(HistogramHostile, LegacyRangeEnds) {
  VnVector legacy;
  SetLegacy(legacy, Counts(256, 0));
  int first = 0, last = 0;
  EXPECT_EQ(ImgAnalyseHistogram(&legacy, 0, INT_MAX, IMG_HIST_FIRST_USED_VALUE, first), 0);
  EXPECT_EQ(ImgAnalyseHistogram(&legacy, INT_MIN, 255, IMG_HIST_LAST_USED_VALUE, last), 0);
  EXPECT_TRUE(first == INT_MAX && last == INT_MIN);
}

}  // namespace
}  // namespace vnimg::test
