// Automatic thresholds: the selection on the source's histogram, and the adaptive surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/images.h"

namespace vnimg::test {
namespace {

constexpr IMG_THRESHOLD_MODES kModes[] = {IMG_THRESHOLD_RELATIVE,  IMG_THRESHOLD_MIN_RESIDUE,  IMG_THRESHOLD_MAX_ENTROPY,
                                          IMG_THRESHOLD_ISODATA,   IMG_THRESHOLD_MIN_ABS_ERROR, IMG_THRESHOLD_MIN_SQ_ERROR};

// Two populations of gray levels, so that every mode has a split to find.
template <class T>
void FillTwoPopulations(VnROI<T>& roi, Rng& rng, unsigned darkMean, unsigned brightMean, unsigned spread) {
  std::normal_distribution<double> dark(darkMean, spread), bright(brightMean, spread);
  const double top = static_cast<double>(std::numeric_limits<T>::max());
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) {
      const double v = (x + 2 * y) % 3 ? dark(rng) : bright(rng);
      roi.SetPixel(static_cast<T>(std::clamp(std::round(v), 0.0, top)), x, y);
    }
}

unsigned Selected8(VnROI<VnBW8>* src, unsigned mode, float fraction) {
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist);
  unsigned t = mode;
  float a = 0, b = 0;
  ImgHistogramThreshold(&hist, t, a, b, fraction, 0, 255);
  EXPECT_EQ(VnGetError(), 0);
  return t;
}

unsigned Selected16(VnROI<VnBW16>* src, unsigned mode, float fraction) {
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist, 15, 16, 1);
  unsigned t = mode;
  float a = 0, b = 0;
  ImgHistogramThresholdBW16(&hist, t, a, b, fraction, 0, 65535);
  EXPECT_EQ(VnGetError(), 0);
  return t;
}

template <class T>
void ExpectBinary(const VnROI<T>& src, const VnROI<T>& dst, unsigned t, T low, T high) {
  for (int y = 0; y < src.GetHeight(); ++y)
    for (int x = 0; x < src.GetWidth(); ++x) ASSERT_EQ(dst.GetPixel(x, y), src.GetPixel(x, y) >= t ? high : low);
}

void ExpectBits(const VnROI<VnBW8>& src, const VnROI<VnBW1>& dst, unsigned t) {
  for (int y = 0; y < src.GetHeight(); ++y)
    for (int x = 0; x < src.GetWidth(); ++x)
      ASSERT_EQ(unsigned(dst.GetPixel(x, y)), src.GetPixel(x, y) >= t ? 1u : 0u);
}

TEST(AutomaticThreshold, EightBitFormsUseTheSelectionOnTheSourceHistogram) {
  Rng rng(41);
  GuardedRoi<VnBW8> src(Placement{61, 23, 3, 2, 70, 27}, rng), dst(Placement{61, 23, 1, 0, 64, 25}, rng);
  FillTwoPopulations(*src.roi(), rng, 60, 170, 25);
  VnImage<VnBW1> bitsParent(70, 23);
  VnROI<VnBW1> bits(&bitsParent, 5, 0, 61, 23);
  for (float fraction : {0.3f, 0.5f}) {
    for (IMG_THRESHOLD_MODES mode : kModes) {
      SCOPED_TRACE(::testing::Message() << std::hex << mode << " fraction " << fraction);
      const unsigned t = Selected8(src.roi(), mode, fraction);
      ASSERT_GT(t, 0u);
      ASSERT_LT(t, 255u);
      EXPECT_EQ(ImgThreshold(src.roi(), dst.roi(), mode, 3, 250, fraction), 0);
      EXPECT_EQ(VnGetError(), 0);
      ExpectBinary<VnBW8>(*src.roi(), *dst.roi(), t, 3, 250);
      EXPECT_EQ(ImgAutoThreshold(src.roi(), mode, fraction), t);
      ImgThreshold(src.roi(), &bits, mode, fraction);
      EXPECT_EQ(VnGetError(), 0);
      ExpectBits(*src.roi(), bits, t);
      EXPECT_TRUE(dst.OutsideUnchanged());
    }
  }
}

TEST(AutomaticThreshold, SixteenBitFormsUseTheSixteenBitSelection) {
  Rng rng(42);
  VnImage<VnBW16> src(40, 30), dst(40, 30);
  FillTwoPopulations<VnBW16>(src, rng, 9000, 41000, 3000);
  VnImage<VnBW1> bits(40, 30);
  for (IMG_THRESHOLD_MODES mode : kModes) {
    SCOPED_TRACE(::testing::Message() << std::hex << mode);
    const unsigned t = Selected16(&src, mode, 0.5f);
    ASSERT_GT(t, 0u);
    ImgThreshold(&src, &dst, mode, VnBW16{1}, VnBW16{2}, 0.5f);
    EXPECT_EQ(VnGetError(), 0);
    ExpectBinary<VnBW16>(src, dst, t, 1, 2);
    EXPECT_EQ(ImgAutoThreshold(&src, mode, 0.5f), t);
    ImgThreshold(&src, &bits, mode, 0.5f);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_EQ(unsigned(bits.GetPixel(x, y)), src.GetPixel(x, y) >= t ? 1u : 0u);
  }
}

// An automatic argument that is no mode fails the selection; the image is still written with
// the argument itself, which every pixel lies below.
TEST(AutomaticThreshold, ArgumentsThatAreNoModeLeaveTheirCodeAndWriteLow) {
  Rng rng(43);
  VnImage<VnBW8> src(30, 4), dst(30, 4);
  FillRandomBytes(src, rng);
  for (unsigned t : {256u, 300u, 0xFFFFFFFEu}) {
    EXPECT_EQ(ImgThreshold(&src, &dst, t, 9, 200, 0.5f), 0);
    EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
    ExpectBinary<VnBW8>(src, dst, 256, 9, 200);
  }
  VnImage<VnBW16> src16(30, 4), dst16(30, 4);
  FillRandomBytes(src16, rng);
  ImgThreshold(&src16, &dst16, 65536, VnBW16{4}, VnBW16{5}, 0.5f);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
  ExpectBinary<VnBW16>(src16, dst16, 65536, 4, 5);
}

// The bit forms keep the selection's code also when they work through an aligned temporary.
TEST(AutomaticThreshold, BitFormsKeepTheSelectionCodeAtEveryOffset) {
  Rng rng(44);
  VnImage<VnBW8> src(21, 3);
  FillRandomBytes(src, rng);
  for (int offset = 0; offset < 8; ++offset) {
    GuardedRoi<VnBW1> dst(Placement{21, 3, offset, 0, 32, 3}, rng);
    ImgThreshold(&src, dst.roi(), 0xFFFFFFFEu, 0.5f);
    EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2) << offset;
    EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHistogramThreshold"});
    ExpectBits(src, *dst.roi(), 0xFFFFFFFEu);
    EXPECT_TRUE(dst.OutsideUnchanged());
  }
}

TEST(ImgAutoThreshold, AbsoluteArgumentsComeBackAndFailuresGiveZero) {
  Rng rng(45);
  VnImage<VnBW8> src(16, 16);
  FillRandomBytes(src, rng);
  EXPECT_EQ(ImgAutoThreshold(&src, static_cast<IMG_THRESHOLD_MODES>(77), 0.5f), 77);
  EXPECT_EQ(ImgAutoThreshold(&src, static_cast<IMG_THRESHOLD_MODES>(300), 0.5f), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
  VnImage<VnBW16> src16(16, 16);
  FillRandomBytes(src16, rng);
  EXPECT_EQ(ImgAutoThreshold(&src16, static_cast<IMG_THRESHOLD_MODES>(40000), 0.5f), 40000);
  EXPECT_EQ(ImgAutoThreshold(&src16, static_cast<IMG_THRESHOLD_MODES>(0xFFFFFFFF), 0.5f), 0);
  EXPECT_NE(VnGetError(), 0);
}

// The relative mode with every pixel below selects one past the top level: the images are all
// low, and the returned level saturates to the top rather than wrapping to 0.
TEST(ImgAutoThreshold, OnePastTheTopSaturates) {
  Rng rng(46);
  VnImage<VnBW8> src(16, 16), dst(16, 16);
  FillRandomBytes(src, rng);
  EXPECT_EQ(ImgAutoThreshold(&src, IMG_THRESHOLD_RELATIVE, 1.0f), 255);
  EXPECT_EQ(ImgThreshold(&src, &dst, IMG_THRESHOLD_RELATIVE, 0, 255, 1.0f), 0);
  ExpectBinary<VnBW8>(src, dst, 256, 0, 255);
  VnImage<VnBW16> src16(16, 16);
  FillRandomBytes(src16, rng);
  EXPECT_EQ(ImgAutoThreshold(&src16, IMG_THRESHOLD_RELATIVE, 1.0f), 65535);
}

// The surface built the documented way: one selection per tile corner window, then enlarged.
VnImage<VnBW8> ExpectedSurface(VnROI<VnBW8>& src, IMG_THRESHOLD_MODES mode, int tileWidth, int tileHeight) {
  const int w = src.GetWidth(), h = src.GetHeight();
  const int nx = static_cast<int>(std::ceil(float(w) / float(tileWidth)));
  const int ny = static_cast<int>(std::ceil(float(h) / float(tileHeight)));
  VnImage<VnBW8> map(nx + 1, ny + 1), surface(w, h);
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) {
      const int cx = i * w / nx, cy = j * h / ny;
      const int x0 = std::max(cx - tileWidth / 2, 0), x1 = std::min(cx + tileWidth / 2, w);
      const int y0 = std::max(cy - tileHeight / 2, 0), y1 = std::min(cy + tileHeight / 2, h);
      VnROI<VnBW8> window(&src, x0, y0, x1 - x0, y1 - y0);
      map.SetPixel(static_cast<VnBW8>(std::min(Selected8(&window, mode, 0.5f), 255u)), i, j);
    }
  ImgScaleRotate(&map, 0, 0, 0, 0, float(w) / float(nx), float(h) / float(ny), 0, &surface, 8);
  return surface;
}

TEST(ImgAutoAdaptiveThreshold, SurfaceOfTheTileSelections) {
  Rng rng(47);
  const struct {
    int width, height, tileWidth, tileHeight;
  } cases[] = {{64, 32, 16, 0}, {61, 37, 10, 7}, {100, 20, 33, 33}, {20, 10, 64, 0}};
  for (const auto& c : cases) {
    for (IMG_THRESHOLD_MODES mode : {IMG_THRESHOLD_RELATIVE, IMG_THRESHOLD_ISODATA}) {
      SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " tiles " << c.tileWidth << "x" << c.tileHeight);
      GuardedRoi<VnBW8> src(Placement{c.width, c.height, 2, 1, c.width + 5, c.height + 3}, rng);
      GuardedRoi<VnBW8> dst(Placement{c.width, c.height, 4, 2, c.width + 6, c.height + 2}, rng);
      FillTwoPopulations(*src.roi(), rng, 40, 200, 30);
      ImgAutoAdaptiveThreshold(src.roi(), dst.roi(), mode, c.tileWidth, c.tileHeight);
      ASSERT_EQ(VnGetError(), 0);
      const VnImage<VnBW8> expected =
          ExpectedSurface(*src.roi(), mode, c.tileWidth, c.tileHeight ? c.tileHeight : c.tileWidth);
      for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) ASSERT_EQ(dst.roi()->GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
      ASSERT_TRUE(dst.OutsideUnchanged());
    }
  }
}

// Columns in three bands of 10, 50 and 90; with the relative mode each corner window selects
// its band's level, so the surface starts at 10 and climbs towards 90 from left to right.
TEST(ImgAutoAdaptiveThreshold, BandsGiveARisingSurface) {
  VnImage<VnBW8> src(64, 32), dst(64, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) src.SetPixel(x < 16 ? 10 : x < 48 ? 50 : 90, x, y);
  ImgAutoAdaptiveThreshold(&src, &dst, IMG_THRESHOLD_RELATIVE, 32, 32);
  ASSERT_EQ(VnGetError(), 0);
  for (int y = 0; y < 32; ++y) {
    EXPECT_EQ(dst.GetPixel(0, y), 10);
    for (int x = 1; x < 64; ++x) ASSERT_GE(dst.GetPixel(x, y), dst.GetPixel(x - 1, y));
    EXPECT_GT(dst.GetPixel(63, y), 50);
    EXPECT_LT(dst.GetPixel(63, y), 90);
  }
}

// A tile wider than the image gives a map two pixels wide whose windows cover the whole
// image: the surface is the image's own automatic threshold everywhere.
TEST(ImgAutoAdaptiveThreshold, TileWiderThanTheImage) {
  Rng rng(48);
  VnImage<VnBW8> src(20, 10), dst(20, 10);
  FillTwoPopulations<VnBW8>(src, rng, 50, 180, 20);
  ImgAutoAdaptiveThreshold(&src, &dst, IMG_THRESHOLD_MIN_RESIDUE, 64, 0);
  ASSERT_EQ(VnGetError(), 0);
  const VnBW8 t = ImgAutoThreshold(&src, IMG_THRESHOLD_MIN_RESIDUE, 0.5f);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(dst.GetPixel(x, y), t);
}

TEST(ImgAutoAdaptiveThreshold, RefusesTilesAndBadOperands) {
  Rng rng(49);
  GuardedRoi<VnBW8> src(Placement{30, 20, 0, 0, 30, 20}, rng), dst(Placement{30, 20, 1, 1, 33, 22}, rng);
  VnROI<VnBW8> smaller(&dst.parent(), 0, 0, 29, 20);
  const struct {
    VnROI<VnBW8>* src;
    VnROI<VnBW8>* dst;
    unsigned mode;
    int tileWidth, tileHeight, code;
  } cases[] = {
      {nullptr, dst.roi(), IMG_THRESHOLD_ISODATA, 8, 8, VN_ERR_NULL_ROI},
      {src.roi(), dst.roi(), IMG_THRESHOLD_ISODATA, 0, 8, VN_ERR_PARAM_4},
      {src.roi(), dst.roi(), IMG_THRESHOLD_ISODATA, -3, 8, VN_ERR_PARAM_4},
      {src.roi(), dst.roi(), IMG_THRESHOLD_ISODATA, 8, -1, VN_ERR_PARAM_5},
      {src.roi(), &smaller, IMG_THRESHOLD_ISODATA, 8, 8, VN_ERR_SIZE_MISMATCH},
      {src.roi(), dst.roi(), 0xFFFFFFFFu, 8, 8, VN_ERR_PARAM_2},
  };
  for (const auto& c : cases) {
    ImgAutoAdaptiveThreshold(c.src, c.dst, static_cast<IMG_THRESHOLD_MODES>(c.mode), c.tileWidth, c.tileHeight);
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(Trace().back(), "ImgAutoAdaptiveThreshold");
    EXPECT_TRUE(dst.Unchanged());
  }
}

}  // namespace
}  // namespace vnimg::test
