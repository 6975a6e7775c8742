// Histograms, cumulative histograms, equalisation tables and histogram features.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>

#include "histogram/histogram_moments.h"
#include "histogram/histograms.h"

namespace vnimg::test {
namespace {

std::uint64_t Total(const Counts& c) { return std::accumulate(c.begin(), c.end(), std::uint64_t{0}); }

struct WideCase {
  unsigned msb, bits;
  int saturate;
};

// Random ROIs at odd places: the histogram is the pixel-by-pixel count (a bin past the last one
// not counted), and its total is the pixel count when no pixel can pass the last bin.
template <class T>
void ExpectHistogramsOfRandomRois(const std::vector<WideCase>& cases, unsigned seed) {
  Rng rng(seed);
  for (const WideCase& c : cases)
    for (const Placement& p : RandomPlacements(rng, c.bits > 16 ? 4 : 30)) {
      SCOPED_TRACE(::testing::Message() << "msb " << c.msb << " bits " << c.bits << " saturate " << c.saturate << " "
                                        << p.width << "x" << p.height);
      GuardedRoi<T> src(p, rng);
      VnBWHistogramVector hist = MakeHistogram(Counts(3, 9));
      if constexpr (sizeof(T) == 1) ImgHistogram(src.roi(), &hist);
      else ImgHistogram(src.roi(), &hist, c.msb, c.bits, c.saturate);
      ASSERT_EQ(VnGetError(), 0);
      const std::uint64_t bins = std::uint64_t{1} << c.bits;
      const bool clamp = c.saturate || c.msb == sizeof(T) * 8 - 1;
      Counts expected(bins, 0);
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
          const std::uint64_t bin = std::uint64_t{src.roi()->GetPixel(x, y)} >> (c.msb + 1 - c.bits);
          if (bin < bins || clamp) ++expected[std::min(bin, bins - 1)];
        }
      ASSERT_EQ(CountsOf(hist), expected);
      const std::uint64_t total = Total(CountsOf(hist)), pixels = std::uint64_t(p.width) * p.height;
      ASSERT_TRUE(clamp ? total == pixels : total <= pixels);
      ASSERT_TRUE(src.Unchanged());
    }
}

TEST(Histogram, EveryFormCountsRandomRoisAtOddPlaces) {
  ExpectHistogramsOfRandomRois<VnBW8>({{7, 8, 1}}, 3);
  ExpectHistogramsOfRandomRois<VnBW16>({{15, 8, 1}, {15, 16, 0}, {11, 8, 1}, {11, 8, 0}, {9, 10, 1}, {3, 2, 0}, {15, 0, 1}, {0, 1, 1}}, 5);
  ExpectHistogramsOfRandomRois<VnBW32>({{31, 8, 1}, {31, 16, 0}, {19, 12, 1}, {19, 12, 0}, {7, 8, 0}, {31, 0, 0}, {31, 18, 0}}, 6);
}

// Runs count only their pixels; offsets are from pixel (0, 0), a run past the ROI's last pixel
// is cut there and an empty or reversed run counts nothing. The legacy form ignores the runs.
TEST(Histogram, MaskRunsCountOnlyTheirPixels) {
  Rng rng(4);
  VnImage<VnBW8> parent(300, 40);
  FillRandomBytes(parent, rng);
  VnROI<VnBW8> roi(&parent, 13, 5, 250, 30);
  const std::uint32_t pitch = static_cast<std::uint32_t>(roi.GetRowPitch());
  std::vector<VnRun> runs = {{5, 5, 5, 0}, {9, 3, 9, 0}, {29 * pitch + 240, 0xFFFFFFF0u, 240, 29}};
  Counts expected(256, 0), all(256, 0);
  for (int i = 240; i < 250; ++i) ++expected[roi.GetPixel(i, 29)];
  for (int y = 0; y < 29; y += 2) {
    const int a = int(rng() % 125), b = a + int(rng() % 125);
    runs.push_back({y * pitch + unsigned(a), y * pitch + unsigned(b), std::int16_t(a), std::int16_t(y)});
    for (int i = a; i < b; ++i) ++expected[roi.GetPixel(i, y)];
  }
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 250; ++x) ++all[roi.GetPixel(x, y)];
  roi.SetMaskRuns(runs.data(), static_cast<unsigned>(runs.size()));
  VnBWHistogramVector hist;
  ImgHistogram(&roi, &hist);
  EXPECT_EQ(CountsOf(hist), expected);
  VnVector legacy;
  ASSERT_EQ(ImgHistogram(&roi, &legacy), 0);
  EXPECT_EQ(legacy.GetVectType(), 2);
  EXPECT_EQ(Counts(static_cast<std::uint32_t*>(legacy.GetDataPtr()), static_cast<std::uint32_t*>(legacy.GetDataPtr()) + 256), all);
}

// One row per rule: 16-bit pixels, msb, bits, saturate, and the non-zero (bin, count) pairs.
TEST(Histogram, BinRulesByHand) {
  const struct {
    std::vector<VnBW16> pixels;
    unsigned msb, bits;
    int saturate;
    std::vector<std::pair<unsigned, unsigned>> bins;
  } rows[] = {
      {{4095, 65535, 256}, 11, 8, 1, {{255, 2}, {16, 1}}},          // saturation into the last bin
      {{4095, 65535, 256}, 11, 8, 0, {{255, 1}, {16, 1}}},          // past the range: not counted
      {{4095, 65535, 256}, 15, 8, 0, {{15, 1}, {255, 1}, {1, 1}}},  // msb 15: bin = v >> 8, never past
      {{1, 2, 3}, 0, 1, 0, {{1, 1}}},                               // bits above msb are not masked
      {{1, 2, 3}, 0, 1, 1, {{1, 3}}},
  };
  for (const auto& r : rows) {
    VnImage<VnBW16> image(static_cast<int>(r.pixels.size()), 1);
    for (std::size_t x = 0; x < r.pixels.size(); ++x) image.SetPixel(r.pixels[x], int(x), 0);
    VnBWHistogramVector hist;
    ImgHistogram(&image, &hist, r.msb, r.bits, r.saturate);
    Counts expected(std::size_t{1} << r.bits, 0);
    for (auto [bin, count] : r.bins) expected[bin] = count;
    EXPECT_EQ(CountsOf(hist), expected) << r.msb << " " << r.bits << " " << r.saturate;
  }
}

TEST(CumulateHistogram, RunningSumsAlsoInPlaceAndModulo32Bits) {
  Rng rng(7);
  const Counts counts = RandomCounts(rng, 300, 100, 0xFFFFFFFFu);
  VnBWHistogramVector src = MakeHistogram(counts), dst = MakeHistogram({5}), small = MakeHistogram({1, 0, 2});
  ImgCumulateHistogram(&src, &dst);
  ASSERT_EQ(dst.GetNumElements(), 300u);
  for (unsigned i = 0; i < 300; ++i) ASSERT_EQ(dst[i] - (i ? dst[i - 1] : 0u), counts[i]);
  ImgCumulateHistogram(&src, &src);
  EXPECT_EQ(CountsOf(src), CountsOf(dst));
  ImgCumulateHistogram(&small, &dst);
  EXPECT_EQ(CountsOf(dst), (Counts{1, 1, 3}));
}

// lut[i] = floor(scale C(i) / N), C the exclusive running sum: 255 for the typed form, 256 kept
// in 8 bits for the legacy one; an empty histogram gives the identity in both.
TEST(SetupEqualize, ExclusiveRunningSumScaled) {
  Rng rng(10);
  for (const Counts& counts : {RandomCounts(rng, 256, 120, 100000), RandomCounts(rng, 256, 9, 0xFFFFFFF),
                               Bins(256, {{100, 1234}}), Counts(256, 0)}) {
    VnBWHistogramVector hist = MakeHistogram(counts);
    VnBW8Vector lut;
    ImgSetupEqualize(&hist, &lut);
    VnVector legacyHist, legacyLut;
    legacyHist.SetType(2, 0, 0);
    std::copy(counts.begin(), counts.end(), static_cast<std::uint32_t*>(legacyHist.GetDataPtr()));
    ASSERT_EQ(ImgSetupEqualize(&legacyHist, &legacyLut), 0);
    ASSERT_EQ(lut.GetNumElements(), 256u);
    EXPECT_EQ(legacyLut.GetVectType(), 3);
    const auto* table = static_cast<const unsigned char*>(legacyLut.GetDataPtr());
    const std::uint64_t total = Total(counts);
    for (std::uint64_t i = 0, below = 0; i < 256; below += counts[i++]) {
      ASSERT_EQ(lut[unsigned(i)], total ? 255 * below / total : i) << i;
      ASSERT_EQ(table[i], static_cast<unsigned char>(total ? 256 * below / total : i)) << i;
    }
  }
}

// Each feature from its definition over bins lo..hi.
double FeatureOf(const Counts& h, int f, int lo, int hi) {
  const Sums s = SumOf(h, Occupied(h), unsigned(lo), hi + 1ull);
  int mode = lo, rare = -1, first = hi + 1, last = lo - 1;
  for (int i = lo; i <= hi; ++i) {
    const std::uint32_t c = h[std::size_t(i)];
    if (c > h[std::size_t(mode)]) mode = i;
    if (c && (rare < 0 || c < h[std::size_t(rare)])) rare = i;
    if (c) first = std::min(first, i), last = i;
  }
  const double n = double(s.n), sum = double(s.s);
  const double values[] = {s.n ? double(mode) : 0.0, double(std::int32_t(s.n ? h[std::size_t(mode)] : 0)), rare < 0 ? 0.0 : rare,
                           rare < 0 ? -1.0 : std::int32_t(h[std::size_t(rare)]), double(first), double(last),
                           double(std::int32_t(std::uint32_t(s.n))), s.n ? sum / n : 0.0,
                           s.n ? std::sqrt(std::max(0.0, (s.q - sum * sum / n) / n)) : 0.0};
  return values[f];
}

TEST(AnalyseHistogram, EveryFeatureOverRandomRangesInEveryForm) {
  Rng rng(11);
  for (int round = 0; round < 120; ++round) {
    const bool wide = round % 4 == 3;
    const std::size_t bins = wide ? 1000 : 256;
    const Counts h = RandomCounts(rng, bins, std::size_t(round % 30), round % 5 ? 50 : 0xFFFFFFFFu);
    int lo = int(rng() % bins), hi = int(rng() % bins);
    if (lo > hi) std::swap(lo, hi);
    if (round % 3 == 0) lo = 0, hi = int(bins) - 1;
    VnBWHistogramVector hist = MakeHistogram(h);
    VnVector legacy;
    legacy.SetType(2, 0, 0);
    std::copy(h.begin(), h.begin() + 256, static_cast<std::uint32_t*>(legacy.GetDataPtr()));
    for (int f = 0; f <= 9; ++f) {
      const auto feature = static_cast<IMG_HISTOGRAM_FEATURE>(f);
      const double want = f == 9 ? 0.0 : FeatureOf(h, f, lo, hi);  // no feature 9: 0 without error
      ASSERT_FLOAT_EQ(wide ? ImgAnalyseHistogramBW16(&hist, feature, lo, hi) : ImgAnalyseHistogram(&hist, feature, lo, hi), float(want))
          << "feature " << f << " bins " << lo << ".." << hi;
      ASSERT_EQ(VnGetError(), 0);
      if (wide) continue;
      // The legacy forms: integer features into an int, the moments into a float, others untouched.
      int asInt = -77;
      float asFloat = -77.0f;
      ASSERT_EQ(ImgAnalyseHistogram(&legacy, lo, hi, f, asInt) + ImgAnalyseHistogram(&legacy, lo, hi, f, asFloat), 0);
      ASSERT_EQ(asInt, f <= 6 ? std::int32_t(want) : -77);
      ASSERT_FLOAT_EQ(asFloat, f == 7 || f == 8 ? float(want) : -77.0f);
    }
  }
  // The legacy range is not checked: bins outside the table count as empty.
  VnVector legacy;
  legacy.SetType(2, 0, 0);
  static_cast<std::uint32_t*>(legacy.GetDataPtr())[30] = 2;
  int last = 0, first = 0;
  EXPECT_EQ(ImgAnalyseHistogram(&legacy, -20, 400, IMG_HIST_LAST_USED_VALUE, last) + ImgAnalyseHistogram(&legacy, 300, 400, IMG_HIST_FIRST_USED_VALUE, first), 0);
  EXPECT_EQ(last, 30);
  EXPECT_EQ(first, 401);
}

// Shannon entropy in bits of the normalised range, and the histogram moments; rows by hand.
TEST(HistogramEntropyAndMoments, RulesByHand) {
  VnBWHistogramVector hist = MakeHistogram({0, 5, 5, 0, 7, 0, 1, 3});
  const float quarter = float(-0.25 * std::log2(0.25) - 0.75 * std::log2(0.75));
  const struct {
    unsigned first, last;
    float bits;
  } rows[] = {{1, 2, 1.0f}, {4, 4, 0.0f}, {3, 3, 0.0f}, {2, 1, 0.0f}, {6, 0xFFFFFFFFu, quarter}, {5, 0xFFFFFFFFu, quarter}};
  for (const auto& r : rows) EXPECT_FLOAT_EQ(hist.Entropy(r.first, r.last), r.bits) << r.first << ".." << r.last;
  VnBWHistogramVector moments = MakeHistogram(Bins(256, {{2, 1}, {4, 3}, {200, 2}, {255, 4}}));
  float mean = 0, variance = 0;
  ASSERT_TRUE(histogram::HistogramFirstMoment(moments, -5, 10, mean));
  EXPECT_FLOAT_EQ(mean, 3.5f);
  ASSERT_TRUE(histogram::HistogramCenteredMoments(moments, 0, 254, mean, variance));
  EXPECT_FLOAT_EQ(mean, 69.0f);  // (2 + 12 + 400) / 6
  EXPECT_FLOAT_EQ(variance, float((4 + 48 + 80000) / 6.0 - 69.0 * 69.0));
  ASSERT_TRUE(histogram::HistogramCenteredMoments(moments, 200, 300, mean, variance));
  EXPECT_FLOAT_EQ(mean, float(1420 / 6.0));
  EXPECT_FLOAT_EQ(variance, float((4 * 65025 + 80000) / 6.0 - std::pow(1420 / 6.0, 2)));
  EXPECT_EQ(VnGetError(), 0);
}

// Failed checks, one row each: the code, the trace, and the outputs left as they were.
TEST(HistogramFailures, CodesTracesAndUntouchedOutputs) {
  VnImage<VnBW8> image8(4, 4), void8;
  VnImage<VnBW16> image16(2, 2);
  VnImage<VnBW32> image32(2, 2);
  VnROI<VnBW8> outside(&image8, 2, 2, 4, 4);
  VnBWHistogramVector h256 = MakeHistogram(Counts(256, 1)), h255 = MakeHistogram(Counts(255, 1)), out;
  VnBW8Vector lut;
  VnVector legacyTable, legacyOut, legacyShort;
  legacyTable.SetType(3, 1, 256);
  legacyShort.SetType(2, 1, 10);  // a histogram vector too short to read 256 counts from
  const std::string h16 = "ImgHistogram ( VnBW16)", h32 = "ImgHistogram ( VnBW32)", an = "ImgAnalyseHistogram";
  const std::string an16 = "ImgAnalyseHistogram (BW16)", eq = "ImgSetupEqualize ( VnVector)", en = "VnBWHistogramVector::Entropy";
  const struct {
    std::function<void()> call;
    int code;
    std::string trace;
  } rows[] = {
      {[&] { ImgHistogram(nullptr, &out); }, VN_ERR_NULL_ROI, "ImgHistogram"},
      {[&] { ImgHistogram(&image8, static_cast<VnBWHistogramVector*>(nullptr)); }, VN_ERR_NULL_ROI, "ImgHistogram"},
      {[&] { ImgHistogram(&outside, &out); }, VN_ERR_ROI_OUTSIDE_PARENT, "ImgHistogram"},
      {[&] { ImgHistogram(&image16, &out, 16, 8, 1); }, VN_ERR_PARAM_3, h16},
      {[&] { ImgHistogram(&image16, &out, 6, 8, 1); }, VN_ERR_PARAM_4, h16},
      {[&] { ImgHistogram(static_cast<VnROI<VnBW16>*>(nullptr), &out, 15, 8, 1); }, VN_ERR_NULL_ROI, h16},
      {[&] { ImgHistogram(&image32, &out, 32, 8, 1); }, VN_ERR_PARAM_3, h32},
      {[&] { ImgHistogram(&image32, &out, 30, 32, 1); }, VN_ERR_PARAM_4, h32},
      {[&] { ImgHistogram(&image32, &out, 31, 32, 1); }, VN_ERR_PARAM_4, h32},  // 2^32 bins
      {[&] { ImgHistogram(&void8, &legacyOut); }, VN_ERR_NULL_ROI, "ImgHistogram ( VnVector)"},
      {[&] { ImgHistogram(&image8, static_cast<VnVector*>(nullptr)); }, VN_ERR_NULL_ROI, "ImgHistogram ( VnVector)"},
      {[&] { ImgCumulateHistogram(nullptr, &out); }, VN_ERR_NULL_ROI, "ImgCumulateHistogram"},
      {[&] { ImgSetupEqualize(&h255, &lut); }, VN_ERR_VECTOR_SIZE, "ImgSetupEqualize ( VnBWHistogramVector)"},
      {[&] { ImgSetupEqualize(&legacyTable, &legacyOut); }, VN_ERR_LEGACY_NOT_HISTOGRAM, eq},
      {[&] { ImgSetupEqualize(&legacyShort, &legacyOut); }, VN_ERR_LEGACY_NO_DATA, eq},
      {[&] { ImgAnalyseHistogram(&h255, IMG_HIST_MEAN, -1, 300); }, VN_ERR_VECTOR_SIZE, an},
      {[&] { ImgAnalyseHistogram(&h256, IMG_HIST_MEAN, -1, 300); }, VN_ERR_PARAM_3, an},
      {[&] { ImgAnalyseHistogram(&h256, IMG_HIST_MEAN, 0, 256); }, VN_ERR_PARAM_4, an},
      {[&] { ImgAnalyseHistogram(&h256, IMG_HIST_MEAN, 10, 5); }, VN_ERR_BAD_ARGUMENT_COMBINATION, an},
      {[&] { ImgAnalyseHistogram(static_cast<VnBWHistogramVector*>(nullptr), IMG_HIST_MEAN, 0, 5); }, VN_ERR_NULL_ROI, an},
      {[&] { ImgAnalyseHistogramBW16(&h255, IMG_HIST_MEAN, 0, 255); }, VN_ERR_PARAM_4, an16},
      {[&] { ImgAnalyseHistogramBW16(&h255, IMG_HIST_MEAN, -1, 2); }, VN_ERR_PARAM_3, an16},
      {[&] { ImgAnalyseHistogramBW16(&h255, IMG_HIST_MEAN, 2, 1); }, VN_ERR_BAD_ARGUMENT_COMBINATION, an16},
      {[&] { int r; ImgAnalyseHistogram(&legacyTable, 0, 255, 0, r); }, VN_ERR_LEGACY_VECTOR, an},
      {[&] { float r; ImgAnalyseHistogram(&legacyShort, 0, 255, 7, r); }, VN_ERR_LEGACY_NO_DATA, an},
      {[&] { h256.Entropy(256, 3); }, VN_ERR_PARAM_1, en},
      {[&] { h256.Entropy(0, 256); }, VN_ERR_PARAM_2, en},
      {[&] { float m; histogram::HistogramFirstMoment(h256, 300, 400, m); }, VN_ERR_EMPTY_HISTOGRAM_RANGE, "ImgHistogramMoments ( 1)"},
      {[&] { float m, v; histogram::HistogramCenteredMoments(h255, 0, 5, m, v); }, VN_ERR_VECTOR_SIZE, "ImgHistogramCenteredMoments ( 2)"},
  };
  for (const auto& r : rows) {
    out = MakeHistogram({7, 8});
    lut.Empty();
    lut.AddElement(7);
    VnOk();
    VnSetError(5);  // a stale code, which every operation clears first
    r.call();
    EXPECT_TRUE(Failed(r.code, {r.trace})) << r.trace;
    EXPECT_EQ(CountsOf(out), (Counts{7, 8})) << r.trace;
    EXPECT_EQ(lut.GetNumElements(), 1u);
  }
  // A histogram too large for the container fails with its allocation code, traced after it.
  ImgHistogram(&image32, &out, 31, 31, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace().back(), h32);
}

// The legacy form also refuses a ROI that its validity check refuses (its pixels cannot be
// read safely), before it touches the vector: that code, its trace, and the vector as it was.
TEST(LegacyHistogram, InvalidRoiLeavesTheVectorUntouched) {
  VnImage<VnBW8> image(8, 8);
  VnROI<VnBW8> outside(&image, 5, 5, 4, 4), flat(&image, 0, 0, 8, 0);
  VnVector table, hist;
  table.SetType(3, 1, 256);
  hist.SetType(2, 0, 0);
  auto* counts = static_cast<std::uint32_t*>(hist.GetDataPtr());
  std::fill(counts, counts + 256, 7u);
  EXPECT_EQ(ImgHistogram(&outside, &table), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_TRUE(Failed(VN_ERR_ROI_OUTSIDE_PARENT, {"ImgHistogram ( VnVector)"}));
  EXPECT_EQ(table.GetVectType(), 3);  // not re-typed
  EXPECT_EQ(ImgHistogram(&outside, &hist), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(Counts(counts, counts + 256), Counts(256, 7));
  EXPECT_EQ(ImgHistogram(&flat, &hist), 0);  // no rows: the zeroed histogram
  EXPECT_EQ(Counts(counts, counts + 256), Counts(256, 0));
}

}  // namespace
}  // namespace vnimg::test
