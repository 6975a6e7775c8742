// Histograms, cumulative histograms, equalisation tables and histogram features.
#include <gtest/gtest.h>

#include <climits>

#include <cmath>
#include <numeric>

#include "histogram/histogram_count.h"
#include "histogram/histogram_moments.h"
#include "histogram/histograms.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

std::uint64_t Total(const Counts& c) { return std::accumulate(c.begin(), c.end(), std::uint64_t{0}); }

struct WideCase { unsigned msb, bits; int saturate; };

// Random ROIs at odd places: the histogram is the pixel-by-pixel count (a bin past the last one
// not counted), and its total is the pixel count when no pixel can pass the last bin. The
// vector's storage past a shrunk histogram stays as it was.
template <class T>
void ExpectHistogramsOfRandomRois(const std::vector<WideCase>& cases, unsigned seed) {
  Rng rng(seed);
  for (const WideCase& c : cases)
    for (const Placement& p : RandomPlacements(rng, c.bits > 16 ? 4 : 30)) {
      SCOPED_TRACE(::testing::Message() << "msb " << c.msb << " bits " << c.bits << " saturate " << c.saturate << " " << p.width);
      GuardedRoi<T> src(p, rng);
      VnBWHistogramVector hist = MakeHistogram(Counts(3, 9));
      if constexpr (sizeof(T) == 1) ImgHistogram(src.roi(), &hist);
      else ImgHistogram(src.roi(), &hist, c.msb, c.bits, c.saturate);
      ASSERT_EQ(VnGetError(), 0);
      const std::uint64_t bins = std::uint64_t{1} << c.bits;
      const bool clamp = c.saturate || c.msb == sizeof(T) * 8 - 1;
      Counts expected(bins, 0);
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          if (const std::uint64_t bin = std::uint64_t{src.roi()->GetPixel(x, y)} >> (c.msb + 1 - c.bits); bin < bins || clamp) ++expected[std::min(bin, bins - 1)];
      const std::uint64_t total = Total(CountsOf(hist)), pixels = std::uint64_t(p.width) * p.height;
      ASSERT_TRUE(CountsOf(hist) == expected && (clamp ? total == pixels : total <= pixels) && src.Unchanged());
      ASSERT_TRUE(bins >= 3 || hist.GetDataPtr()[bins] == 9);
    }
}

TEST(Histogram, EveryFormCountsRandomRoisAtOddPlaces) {
  ExpectHistogramsOfRandomRois<VnBW8>({{7, 8, 1}}, 3);
  ExpectHistogramsOfRandomRois<VnBW16>({{15, 8, 1}, {15, 16, 0}, {14, 8, 0}, {11, 8, 1}, {11, 8, 0}, {9, 10, 1}, {3, 2, 0}, {15, 0, 1}, {0, 1, 1}}, 5);
  ExpectHistogramsOfRandomRois<VnBW32>({{31, 8, 1}, {31, 16, 0}, {30, 8, 0}, {19, 12, 1}, {19, 12, 0}, {7, 8, 0}, {31, 0, 0}, {31, 18, 0}}, 6);
}

// The byte counter on both of its paths (byte tables, and byte pairs for announced large
// counts) against a literal count: spans of every length to 40 and long odd ones at odd
// offsets; a guard past bin 255. In the longest span, two bytes alternating and broken every
// 97th byte, then one byte broken every 61st, repeat one pair thousands of times (its count
// wraps, in whole blocks of one pair and in single steps), in blocks of one pair and blocks
// that miss by one byte at each of their 64 places; then blocks of one 8-byte word repeated,
// which are not one pair. The last span, of one pair, ends where the buffer does: the block
// test reads nothing past it (a fault only the address sanitizer sees).
TEST(Histogram, ByteCounterCountsEveryByteOnce) {
  Rng rng(7);
  std::vector<std::uint8_t> bytes(1 << 16);
  for (auto& b : bytes) b = std::uint8_t(rng());
  for (std::size_t i = 8000; i < 15000; ++i) bytes[i] = std::uint8_t(i % 97 == 0 ? 9 : 200 + i % 2);
  for (std::size_t i = 15000; i < 19000; ++i) bytes[i] = i % 61 == 0 ? 9 : 7;
  for (std::size_t i = 19000; i < 20000; ++i) bytes[i] = std::uint8_t(40 + i % 8);
  const std::size_t lastSpan = 640;
  for (std::size_t i = bytes.size() - lastSpan; i < bytes.size(); ++i) bytes[i] = std::uint8_t(200 + i % 2);
  for (std::uint64_t announced : {std::uint64_t{0}, histogram::BW8Counter::kPairMinPixels}) {
    histogram::BW8Counter counter(announced);
    Counts expected(256, 0), counted(257, 0xC0FFEE);
    std::size_t at = 1;
    for (std::size_t n : {0u, 1u, 2u, 3u, 5u, 8u, 15u, 16u, 17u, 31u, 32u, 33u, 40u, 999u, 1601u, 4097u, 30001u}) {
      counter.Add(bytes.data() + at, n);
      for (std::size_t i = at; i < at + n; ++i) ++expected[bytes[i]];
      at += n + 3;
    }
    counter.Add(bytes.data() + bytes.size() - lastSpan, lastSpan);
    for (std::size_t i = bytes.size() - lastSpan; i < bytes.size(); ++i) ++expected[bytes[i]];
    counter.SumInto(counted.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), counted.begin()) && counted[256] == 0xC0FFEE) << announced;
  }
  // A wrap in a span's last single steps: one pair 253 times (whole blocks, words, a step),
  // then a 6-byte span of it after other bytes, the third of its steps wrapping.
  std::vector<std::uint8_t> pair(518, 0x77);
  std::fill(pair.begin() + 506, pair.begin() + 512, std::uint8_t{1});
  histogram::BW8Counter counter(histogram::BW8Counter::kPairMinPixels);
  counter.Add(pair.data(), 506);
  counter.Add(pair.data() + 512, 6);
  Counts counted(256);
  counter.SumInto(counted.data());
  EXPECT_EQ(counted, Bins(256, {{0x77, 512}}));
}

// The fold's variants against the plain fold, onto counts already there: random entries, with
// a full row and a full column of 255, whose sums (65280) fill their 16 bits.
TEST(Histogram, PairFoldVariantsMatchThePlainFold) {
  Rng rng(13);
  std::vector<std::uint8_t> pairs(65536);
  for (auto& p : pairs) p = std::uint8_t(rng());
  for (std::size_t i = 0; i < 256; ++i) pairs[i * 256 + 7] = pairs[9 * 256 + i] = 255;
  Counts start(256);
  for (auto& c : start) c = rng() % 1000;
  const auto& variants = histogram::FoldPairsVariants();
  Counts expected = start;
  variants.plain(pairs.data(), expected.data());
  EXPECT_EQ(std::accumulate(expected.begin(), expected.end(), 0ull), Total(start) + 2 * std::accumulate(pairs.begin(), pairs.end(), 0ull));
  for (const auto& [level, fold] : VectorVariants(variants)) {
    Counts actual = start;
    fold(pairs.data(), actual.data());
    EXPECT_EQ(actual, expected) << simd::LevelName(level);
  }
}

// Runs count only their pixels; offsets are from pixel (0, 0), a run past the ROI's last pixel
// is cut there and an empty or reversed run counts nothing. The legacy form ignores the runs.
TEST(Histogram, MaskRunsCountOnlyTheirPixels) {
  VnImage<VnBW8> parent(40, 6);
  for (int y = 0; y < 6; ++y) for (int x = 0; x < 40; ++x) parent.SetPixel(VnBW8(10 * y + x % 10), x, y);
  VnROI<VnBW8> roi(&parent, 3, 1, 20, 4);  // pixel (x, y) = 10 (y + 1) + (x + 3) % 10
  const unsigned pitch = unsigned(roi.GetRowPitch());
  const VnRun runs[] = {{2, 5, 2, 0}, {9, 3, 9, 0}, {7, 7, 7, 0}, {pitch + 19, pitch + 19, 19, 1}, {3 * pitch + 18, 0xFFFFFFF0u, 18, 3}};
  roi.SetMaskRuns(runs, 5);
  VnBWHistogramVector hist;
  ImgHistogram(&roi, &hist);
  EXPECT_EQ(CountsOf(hist), Bins(256, {{15, 1}, {16, 1}, {17, 1}, {41, 1}, {42, 1}}));  // the last run cut at the last pixel
  VnVector legacy;
  roi.SetMaskRuns(nullptr, 0);
  ImgHistogram(&roi, &hist);
  roi.SetMaskRuns(runs, 5);
  EXPECT_TRUE(ImgHistogram(&roi, &legacy) == 0 && legacy.GetVectType() == 2 && LegacyCounts(legacy) == CountsOf(hist));
}

// Random runs over a large ROI at an odd place, enough pixels for the byte-pair count: runs of
// every parity at odd offsets, crossing row ends, empty and reversed ones, the last one past
// the ROI's last pixel. The histogram is the literal count of the bytes they cover.
TEST(Histogram, ManyMaskRunsCountLikeTheirBytes) {
  Rng rng(11);
  GuardedRoi<VnBW8> src({1001, 500, 3, 5, 1010, 507}, rng);
  VnROI<VnBW8>& roi = *src.roi();
  const std::uint64_t extent = std::uint64_t(roi.GetRowPitch()) * 499 + 1001;
  const VnBW8* base = roi.GetImagePtr(0, 0);
  std::vector<VnRun> runs;
  Counts expected(256, 0);
  std::uint64_t counted = 0;
  for (std::uint64_t start = 1 + rng() % 7; start < extent; start += 1 + rng() % 100) {
    const std::uint64_t end = rng() % 8 == 0 ? start - rng() % 2 : std::min(start + rng() % 1500, extent + 9);
    runs.push_back({std::uint32_t(start), std::uint32_t(end), 0, 0});
    for (; start < std::min(end, extent); ++start, ++counted) ++expected[base[start]];
  }
  ASSERT_TRUE(counted >= histogram::BW8Counter::kPairMinPixels && runs.back().m_un32End > extent);
  roi.SetMaskRuns(runs.data(), unsigned(runs.size()));
  VnBWHistogramVector hist;
  ImgHistogram(&roi, &hist);
  EXPECT_TRUE(CountsOf(hist) == expected && src.Unchanged());
}

// Differences of neighbours give the counts back (modulo 2^32); in place gives the same; (1, 0, 2) gives (1, 1, 3).
TEST(CumulateHistogram, RunningSumsAlsoInPlace) {
  Rng rng(7);
  const Counts counts = RandomCounts(rng, 300, 100, 0xFFFFFFFFu);
  VnBWHistogramVector src = MakeHistogram(counts), dst = MakeHistogram({5}), small = MakeHistogram({1, 0, 2});
  ImgCumulateHistogram(&src, &dst), ImgCumulateHistogram(&src, &src), ImgCumulateHistogram(&small, &small);
  ASSERT_TRUE(dst.GetNumElements() == 300 && CountsOf(src) == CountsOf(dst) && CountsOf(small) == Counts({1, 1, 3}));
  for (unsigned i = 0; i < 300; ++i) ASSERT_EQ(dst[i] - (i ? dst[i - 1] : 0u), counts[i]);
}

// lut[i] = floor(scale C(i) / N), C the exclusive running sum: 255 for the typed form, 256 kept
// in 8 bits for the legacy one; an empty histogram gives the identity in both.
TEST(SetupEqualize, ExclusiveRunningSumScaled) {
  Rng rng(10);
  for (const Counts& counts : {RandomCounts(rng, 256, 120, 100000), RandomCounts(rng, 256, 9, 0xFFFFFFF),
                               Bins(256, {{100, 1234}}), Counts(256, 0)}) {
    VnBWHistogramVector hist = MakeHistogram(counts);
    VnBW8Vector lut;
    VnVector legacyHist, legacyLut;
    SetLegacy(legacyHist, counts);
    ImgSetupEqualize(&hist, &lut);
    ASSERT_TRUE(ImgSetupEqualize(&legacyHist, &legacyLut) == 0 && lut.GetNumElements() == 256 && legacyLut.GetVectType() == 3);
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
    int lo = int(rng() % bins), hi = std::max(lo, int(rng() % bins));
    if (round % 3 == 0) lo = 0, hi = int(bins) - 1;
    VnBWHistogramVector hist = MakeHistogram(h);
    VnVector legacy;
    SetLegacy(legacy, h);
    for (int f = 0; f <= 9; ++f) {
      const auto feature = static_cast<IMG_HISTOGRAM_FEATURE>(f);
      const double want = f == 9 ? 0.0 : FeatureOf(h, f, lo, hi);  // no feature 9: 0 without error
      ASSERT_FLOAT_EQ(wide ? ImgAnalyseHistogramBW16(&hist, feature, lo, hi) : ImgAnalyseHistogram(&hist, feature, lo, hi), float(want)) << f << " " << lo << ".." << hi;
      ASSERT_EQ(VnGetError(), 0);
      if (wide) continue;
      int asInt = -77;  // the legacy forms: integer features into an int, the moments into a float, others untouched
      float asFloat = -77.0f;
      ASSERT_EQ(ImgAnalyseHistogram(&legacy, lo, hi, f, asInt) + ImgAnalyseHistogram(&legacy, lo, hi, f, asFloat), 0);
      ASSERT_EQ(asInt, f <= 6 ? std::int32_t(want) : -77);
      ASSERT_FLOAT_EQ(asFloat, f == 7 || f == 8 ? float(want) : -77.0f);
    }
  }
}

// Shannon entropy in bits of the normalised range, and the histogram moments; rows by hand.
TEST(HistogramEntropyAndMoments, RulesByHand) {
  VnBWHistogramVector hist = MakeHistogram({0, 5, 5, 0, 7, 0, 1, 3});
  const float quarter = float(-0.25 * std::log2(0.25) - 0.75 * std::log2(0.75));
  const struct { unsigned first, last; float bits; } rows[] = {{1, 2, 1.0f}, {4, 4, 0.0f}, {3, 3, 0.0f}, {2, 1, 0.0f}, {6, 0xFFFFFFFFu, quarter}, {5, 0xFFFFFFFFu, quarter}};
  for (const auto& r : rows) EXPECT_FLOAT_EQ(hist.Entropy(r.first, r.last), r.bits) << r.first << ".." << r.last;
  VnBWHistogramVector moments = MakeHistogram(Bins(256, {{2, 1}, {4, 3}, {200, 2}, {255, 4}}));
  float mean = 0, variance = 0, first = 0;
  ASSERT_TRUE(histogram::HistogramFirstMoment(moments, -5, 4, first) && histogram::HistogramCenteredMoments(moments, 0, 200, mean, variance));
  EXPECT_TRUE(first == 3.5f && mean == 69.0f);  // (2 + 12) / 4 and (2 + 12 + 400) / 6, both ends inclusive
  EXPECT_FLOAT_EQ(variance, float((4 + 48 + 80000) / 6.0 - 69.0 * 69.0));
  EXPECT_EQ(VnGetError(), 0);
}

// The legacy form also refuses a ROI that its validity check refuses (its pixels cannot be
// read safely), before it touches the vector: that code, its trace, and the vector as it was.
TEST(LegacyHistogram, InvalidRoiLeavesTheVectorUntouched) {
  VnImage<VnBW8> image(8, 8);
  VnROI<VnBW8> outside(&image, 5, 5, 4, 4), flat(&image, 0, 0, 8, 0);
  VnVector table, hist;
  table.SetType(3, 1, 256), SetLegacy(hist, Counts(256, 7));
  EXPECT_EQ(ImgHistogram(&outside, &table), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_TRUE(Failed(VN_ERR_ROI_OUTSIDE_PARENT, {"ImgHistogram ( VnVector)"}) && table.GetVectType() == 3);  // not re-typed
  EXPECT_EQ(ImgHistogram(&outside, &hist), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(LegacyCounts(hist), Counts(256, 7));
  EXPECT_EQ(ImgHistogram(&flat, &hist), 0);  // no rows: the zeroed histogram
  EXPECT_EQ(LegacyCounts(hist), Counts(256, 0));
  int first = 0, last = 0;  // unchecked ranges: "none" past the ends of the int range stays there
  ImgAnalyseHistogram(&hist, 0, INT_MAX, IMG_HIST_FIRST_USED_VALUE, first), ImgAnalyseHistogram(&hist, INT_MIN, 255, IMG_HIST_LAST_USED_VALUE, last);
  EXPECT_TRUE(first == INT_MAX && last == INT_MIN);
}

}  // namespace
}  // namespace vnimg::test
