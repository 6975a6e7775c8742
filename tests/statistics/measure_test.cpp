// Focus, correlogram, regression and noise against their formulas on random ROIs at every
// level; the rules by hand; and every failed check of the folder. Their sums are integers
// below 2^53, exact in double in any order, so the results are compared exactly; only the RMS
// noise carries D in float, row after row, as the reference here does.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "support/levels.h"
#include "support/pixels.h"

namespace vnimg::test {
namespace {

unsigned Part(unsigned v, int) { return v; }
unsigned Part(VnC24 v, int c) { return c == 0 ? v.c0 : c == 1 ? v.c1 : v.c2; }
template <class T> constexpr int kParts = std::is_same_v<T, VnC24> ? 3 : 1;

template <class T>
double FocusOf(const VnROI<T>& r) {
  double sum = 0;
  for (int y = 0; y + 1 < r.GetHeight(); ++y)
    for (int x = 0; x + 1 < r.GetWidth(); ++x)
      for (int c = 0; c < kParts<T>; ++c) {
        const double p = Part(r.GetPixel(x, y), c), right = Part(r.GetPixel(x + 1, y), c), below = Part(r.GetPixel(x, y + 1), c);
        sum += (p - right) * (p - right) + (p - below) * (p - below);
      }
  const double pixels = double(kParts<T>) * r.GetWidth() * r.GetHeight();
  return pixels ? std::sqrt(sum / pixels) : 0;
}

template <class T>
void ExpectFocusOfRandomRois(unsigned seed) {
  Rng rng(seed);
  for (const Placement& p : RandomPlacements(rng, 40)) {
    GuardedRoi<T> src(p, rng);
    const double want = FocusOf(*src.roi());
    for (simd::Level level : Levels()) {
      LevelSetting setting(level);
      ASSERT_EQ(ImgFocusing(src.roi()), float(want)) << simd::LevelName(level) << " " << p.width << "x" << p.height;
      ASSERT_TRUE(VnGetError() == 0 && src.Unchanged());
    }
  }
}

TEST(Focusing, EveryFormMatchesItsFormulaAtEveryLevel) {
  ExpectFocusOfRandomRois<VnBW8>(1);
  ExpectFocusOfRandomRois<VnBW16>(2);
  ExpectFocusOfRandomRois<VnC24>(3);
}

TEST(Correlogram, CountsEveryPairAndSaturates) {
  Rng rng(5);
  for (const Placement& p : RandomPlacements(rng, 20)) {
    GuardedRoi<VnBW8> a(p, rng), b(p, rng);
    std::vector<unsigned> counts(65536);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) ++counts[a.roi()->GetPixel(x, y) + 256 * (255 - b.roi()->GetPixel(x, y))];
    VnImage<VnBW8> d8(3, 3);
    VnImage<VnBW16> d16;
    ImgCorrelogram(a.roi(), b.roi(), &d8), ImgCorrelogram(a.roi(), b.roi(), &d16);
    ASSERT_TRUE(d8.GetWidth() == 256 && d8.GetHeight() == 256 && d16.GetWidth() == 256 && VnGetError() == 0);
    for (int i = 0; i < 65536; ++i)
      ASSERT_TRUE(d8.GetPixel(i % 256, i / 256) == std::min(counts[i], 255u) && d16.GetPixel(i % 256, i / 256) == counts[i]) << i;
  }
  // 400 pairs (7, 7); every level once against itself
  VnImage<VnBW8> flat = Make<VnBW8>(400, 1, [](int, int) { return 7; }), self = Make<VnBW8>(256, 1, [](int x, int) { return x; }), d8;
  VnImage<VnBW16> d16;
  ImgCorrelogram(&flat, &flat, &d8), ImgCorrelogram(&flat, &flat, &d16);
  EXPECT_TRUE(d8.GetPixel(7, 248) == 255 && d16.GetPixel(7, 248) == 400);
  ImgCorrelogram(&self, &self, &d8);
  for (int i = 0; i < 65536; ++i) ASSERT_EQ(d8.GetPixel(i % 256, i / 256), i % 256 == 255 - i / 256 ? 1 : 0) << i;
}

TEST(LinearRegression, LeastSquaresOverTheCountedPairs) {
  Rng rng(6);
  for (const Placement& p : RandomPlacements(rng, 30)) {
    GuardedRoi<VnBW8> a(p, rng), b(p, rng);
    for (int skip : {0, 1}) {
      double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
          const double u = a.roi()->GetPixel(x, y), v = b.roi()->GetPixel(x, y);
          if (skip && (u == 0 || u == 255 || v == 0 || v == 255)) continue;
          n += 1, sx += u, sy += v, sxx += u * u, sxy += u * v, syy += v * v;
        }
      const double mx = sx / n, my = sy / n, vx = sxx / n - mx * mx, cxy = sxy / n - mx * my, vy = syy / n - my * my;
      if (n < 2 || vx * vy < 1e-6) continue;  // the rules of no spread are in the hand table
      float slope = 0, offset = 0, r = 0;
      ImgLinearRegression(a.roi(), b.roi(), slope, offset, r, skip);
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_EQ(slope, float(cxy / vx));
      ASSERT_EQ(offset, float(my - cxy / vx * mx));
      ASSERT_EQ(r, float(cxy / std::sqrt(vx * vy)));
    }
  }
}

template <class S, class R>
void ExpectNoiseOfRandomRois(unsigned seed, unsigned n) {
  Rng rng(seed);
  for (const Placement& p : RandomPlacements(rng, 16)) {
    GuardedRoi<S> src(p, rng);
    GuardedRoi<R> ref(p, rng);
    double d = 0, s = 0;
    float dRows = 0;  // D carried row after row in float
    for (int y = 0; y < p.height; ++y) {
      unsigned long long rowD = 0;
      for (int x = 0; x < p.width; ++x)
        for (int c = 0; c < kParts<S>; ++c) {
          const long long a = Part(src.roi()->GetPixel(x, y), c), b = Part(ref.roi()->GetPixel(x, y), c) >> unsigned(std::log2(n));
          rowD += (a - b) * (a - b), d += double((a - b) * (a - b)), s += double(a * a);
        }
      dRows += float(rowD);
    }
    for (int mode = 0; mode < 4; ++mode) {
      const auto m = static_cast<IMG_REFERENCE_NOISE>(mode);
      const double factor = mode == 1 ? 1 + 1.0 / n : mode == 2 ? 1 - 1.0 / n : 1;
      if (factor == 0) continue;
      float rms, snr;
      if constexpr (std::is_same_v<S, R>) rms = ImgRmsNoise(src.roi(), ref.roi(), m), snr = ImgSignalNoiseRatio(src.roi(), ref.roi(), m);
      else rms = ImgRmsNoise(src.roi(), ref.roi(), n, m), snr = ImgSignalNoiseRatio(src.roi(), ref.roi(), n, m);
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_EQ(rms, float(std::sqrt(double(dRows) / factor / (p.width * p.height)))) << mode;
      ASSERT_EQ(snr, float(10 * std::log10(s / d) + 10 * std::log10(factor))) << mode;
    }
  }
}

TEST(Noise, EveryFormAndModeMatchesItsFormula) {
  ExpectNoiseOfRandomRois<VnBW8, VnBW8>(7, 1);
  ExpectNoiseOfRandomRois<VnBW16, VnBW16>(8, 1);
  ExpectNoiseOfRandomRois<VnC24, VnC24>(9, 1);
  for (unsigned n : {1u, 2u, 64u, 256u}) ExpectNoiseOfRandomRois<VnBW8, VnBW16>(10 + n, n);
}

// The rules by hand: focus of flat and checkered images, a regression and a noise of an image
// with itself, no spread.
TEST(Measures, HandRules) {
  VnImage<VnBW8> flat = Make<VnBW8>(16, 3, [](int, int) { return 90; }), ramp = Make<VnBW8>(16, 3, [](int x, int y) { return 5 * (x + 16 * y); });
  VnImage<VnBW8> checker = Make<VnBW8>(2, 2, [](int x, int y) { return x == y ? 255 : 0; });
  VnImage<VnC24> colour = Make<VnC24>(2, 2, [](int x, int y) { return VnC24{VnBW8(x == y ? 255 : 0), 0, 0}; });
  VnROI<VnBW8> empty(&flat, 3, 1, 0, 2);
  EXPECT_TRUE(ImgFocusing(&flat) == 0 && ImgFocusing(&empty) == 0);
  EXPECT_EQ(ImgFocusing(&checker), float(std::sqrt(2 * 255.0 * 255 / 4)));  // only (0, 0) has both neighbours
  EXPECT_EQ(ImgFocusing(&colour), float(std::sqrt(2 * 255.0 * 255 / 12)));
  float slope = 5, offset = 5, r = 5;
  ImgLinearRegression(&ramp, &ramp, slope, offset, r, 0);
  EXPECT_TRUE(slope == 1 && offset == 0 && r == 1 && VnGetError() == 0);
  ImgLinearRegression(&flat, &ramp, slope, offset, r, 0);  // no spread in x: slope 0 and the mean of y, with 1051
  EXPECT_TRUE(slope == 0 && offset == 117.5f && r == 0 && VnGetError() == VN_ERR_EMPTY_HISTOGRAM_RANGE);
  ImgLinearRegression(&ramp, &flat, slope, offset, r, 0);  // no spread in y: correlation 0
  EXPECT_TRUE(slope == 0 && offset == 90 && r == 0 && VnGetError() == 0);
  EXPECT_TRUE(ImgRmsNoise(&ramp, &ramp, IMG_REFERENCE_NOISE_FREE) == 0 && ImgSignalNoiseRatio(&ramp, &ramp, IMG_REFERENCE_INDEPENDENT) == 0);
  EXPECT_TRUE(ImgRmsNoise(&empty, &empty, IMG_REFERENCE_INDEPENDENT) == 0 && VnGetError() == 0);
}

// Every failed check, one row each: result, code, trace, and the outputs as the operation
// leaves them (zeroed moments, untouched inertia and correlogram).
TEST(MeasureFailures, CodesTracesAndOutputs) {
  VnImage<VnBW8> a(6, 4), b(6, 4), narrow(5, 4), flat(6, 4), extremes(6, 4), dst(3, 3), unused;
  VnImage<VnBW16> w16(6, 4), r16(6, 4), void16, d16(2, 2);
  VnImage<VnC24> c24(6, 4), narrowC(5, 4);
  VnROI<VnBW8> outside(&a, 3, 0, 4, 4), void8(&unused, 0, 0, 0, 0);
  std::fill_n(extremes.GetImagePtr(0, 0), extremes.GetRowPitch() * 4, 255);
  a.SetPixel(200, 1, 1);
  VnBW8Vector shortLut;
  shortLut.AddElement(1);
  float f[15];
  unsigned count = 9;
  // zeroed: how many of f the call zeroes; the others, the count and the correlograms stay.
  const struct { std::function<float()> call; int code; const char* trace; int zeroed = 0; } rows[] = {
      {[&] { return ImgBinaryMoments(&outside, 1, f[0], f[1], f[2]), 0.0f; }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgBinaryMoments ( first order)", 3},
      {[&] { return ImgBinaryMoments(static_cast<VnROI<VnBW8>*>(nullptr), 1, f[0], f[1], f[2], f[3], f[4], f[5]), 0.0f; }, VN_ERR_NULL_ROI, "ImgBinaryMoments ( second order)", 6},
      {[&] { return ImgBinaryMoments(&void16, 1, f[0], f[1], f[2]), 0.0f; }, VN_ERR_NULL_ROI, "ImgBinaryMoments (first order)(BW16)", 3},
      {[&] { return ImgBinaryMoments(&void16, 1, f[0], f[1], f[2], f[3], f[4], f[5]), 0.0f; }, VN_ERR_NULL_ROI, "ImgBinaryMoments (second order)(BW16)", 6},
      {[&] { return ImgWeighedMoments(&void8, f[0], f[1], f[2]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments ( first order)", 3},
      {[&] { return ImgWeightedMoments(&void8, f[0], f[1], f[2], f[3], f[4], f[5]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments ( second order)", 6},
      {[&] { return ImgWeightedMoments(&void8, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments ( third order)", 10},
      {[&] { return ImgWeighedMoments(&outside, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12], f[13], f[14]), 0.0f; }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgWeightedMoments ( fourth order)", 15},
      {[&] { return ImgWeightedMoments(&void16, f[0], f[1], f[2]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments (first order)(BW16)", 3},
      {[&] { return ImgWeighedMoments(&void16, f[0], f[1], f[2], f[3], f[4], f[5]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments (second order)(BW16)", 6},
      {[&] { return ImgWeightedMoments(&void16, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments (third order)(BW16)", 10},
      {[&] { return ImgWeightedMoments(&void16, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12], f[13], f[14]), 0.0f; }, VN_ERR_NULL_ROI, "ImgWeightedMoments (fourth order)(BW16)", 15},
      {[&] { return ImgGravityCenter(&outside, 0, f[0], f[1]), 0.0f; }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgGravityCenter", 2},
      {[&] { return ImgGravityCenter(&void16, 0, f[0], f[1]), 0.0f; }, VN_ERR_NULL_ROI, "ImgGravityCenter (BW16)", 2},
      {[&] { return ImgCentroid(&a, f[0], f[1], &shortLut), 0.0f; }, VN_ERR_VECTOR_SIZE, "ImgCentroid", 2},
      {[&] { return ImgCentroid(&void8, f[0], f[1]), 0.0f; }, VN_ERR_NULL_ROI, "ImgCentroid", 2},
      {[&] { return ImgInertia(&outside, 0, f[0], f[1], f[2], &f[3], &f[4], &count), 0.0f; }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgInertia ( binary)"},
      {[&] { return ImgInertia(&a, f[0], f[1], f[2], &f[3], &f[4], &count, &shortLut), 0.0f; }, VN_ERR_VECTOR_SIZE, "ImgInertia ( weighted)"},
      {[&] { return ImgInertia(&a, 201, f[0], f[1], f[2], &f[3], &f[4], &count), 0.0f; }, 0, nullptr},  // nothing counts
      {[&] { return ImgFocusing(&outside); }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgFocusing ( BW8)"},
      {[&] { return ImgFocusing(&void16); }, VN_ERR_NULL_ROI, "ImgFocusing ( BW16)"},
      {[&] { return ImgFocusing(static_cast<VnROI<VnC24>*>(nullptr)); }, VN_ERR_NULL_ROI, "ImgFocusing ( C24)"},
      {[&] { return ImgCorrelogram(&a, &narrow, &dst), 0.0f; }, VN_ERR_SIZE_MISMATCH, "ImgCorrelogram ( BW8)"},
      {[&] { return ImgCorrelogram(&a, &b, static_cast<VnImage<VnBW16>*>(nullptr)), 0.0f; }, VN_ERR_NULL_ROI, "ImgCorrelogram ( BW16)"},
      {[&] { return ImgCorrelogram(&outside, &b, &d16), 0.0f; }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgCorrelogram ( BW16)"},
      {[&] { return ImgLinearRegression(&a, &narrow, f[0], f[1], f[2], 0), 0.0f; }, VN_ERR_SIZE_MISMATCH, "ImgLinearRegression", 3},
      {[&] { return ImgLinearRegression(&extremes, &a, f[0], f[1], f[2], 1), 0.0f; }, VN_ERR_EMPTY_HISTOGRAM_RANGE, "ImgLinearRegression", 3},
      {[&] { return ImgRmsNoise(&a, &b, IMG_REFERENCE_INCLUDES_SOURCE); }, VN_ERR_PARAM_3, "ImgRmsNoise ( BW8 source and BW8 reference)"},
      {[&] { return ImgRmsNoise(&w16, &r16, IMG_REFERENCE_INCLUDES_SOURCE); }, VN_ERR_PARAM_3, "ImgRmsNoise ( BW16 source and BW16 reference)"},
      {[&] { return ImgRmsNoise(&c24, &narrowC, IMG_REFERENCE_INDEPENDENT); }, VN_ERR_SIZE_MISMATCH, "ImgRmsNoise ( C24 source and C24 reference)"},
      {[&] { return ImgRmsNoise(&a, &r16, 3, IMG_REFERENCE_NOISE_FREE); }, VN_ERR_PARAM_3, "ImgRmsNoise ( BW8 source and BW16 reference)"},
      {[&] { return ImgRmsNoise(&a, &r16, 1, IMG_REFERENCE_INCLUDES_SOURCE); }, VN_ERR_PARAM_3, "ImgRmsNoise ( BW8 source and BW16 reference)"},
      {[&] { return ImgSignalNoiseRatio(&outside, &b, IMG_REFERENCE_NOISE_FREE); }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgSignalNoiseRatio ( BW8 source and BW8 reference)"},
      {[&] { return ImgSignalNoiseRatio(&a, &r16, 512, IMG_REFERENCE_NOISE_FREE); }, VN_ERR_PARAM_3, "ImgSignalNoiseRatio ( BW8 source and BW16 reference)"},
      {[&] { return ImgSignalNoiseRatio(&w16, &void16, IMG_REFERENCE_NOISE_FREE); }, VN_ERR_NULL_ROI, "ImgSignalNoiseRatio ( BW16 source and BW16 reference)"},
      {[&] { return ImgSignalNoiseRatio(&c24, &c24, IMG_REFERENCE_INCLUDES_SOURCE); }, VN_ERR_PARAM_3, "ImgSignalNoiseRatio ( C24 source and C24 reference)"},
  };
  for (const auto& row : rows) {
    std::fill_n(f, 15, 7.0f);
    ImgHistogram(&flat, static_cast<VnBWHistogramVector*>(nullptr));  // a stale error the call must clear
    EXPECT_EQ(row.call(), 0.0f) << row.trace;
    EXPECT_EQ(VnGetError(), row.code) << row.trace;
    EXPECT_EQ(Trace(), row.trace ? std::vector<std::string>{row.trace} : std::vector<std::string>{}) << row.trace;
    EXPECT_TRUE(std::all_of(f, f + 15, [&](const float& v) { return v == (&v - f < row.zeroed ? 0 : 7); }) && count == 9 &&
                dst.GetWidth() == 3 && d16.GetWidth() == 2) << row.trace;
  }
}

}  // namespace
}  // namespace vnimg::test
