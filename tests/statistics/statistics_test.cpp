// Pixel statistics and projections against sums written out pixel by pixel, at every vector
// level, over random ROIs at odd places; mask runs against the pixels they select; the rules
// by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "support/levels.h"
#include "support/pixels.h"
#include "support/uint128.h"

namespace vnimg::test {
namespace {

using u128 = Uint128;  // exact also on 32-bit targets

// The sums every statistic is defined from, pixel by pixel.
struct Sums {
  std::uint64_t n = 0, sum = 0;
  u128 squares = 0;
  unsigned min = 0xFFFF, max = 0;
  double rowMeans = 0;  // the sum of row sum / width, in row order
  std::vector<std::uint64_t> columns, rows;
  float Average() const { return float(double(sum) / double(n)); }
  float Variance() const { return float(double(n * squares - u128(sum) * sum) / (double(n) * double(n))); }
};

template <class T>
Sums SumsOf(const VnROI<T>& roi) {
  Sums s;
  s.columns.assign(std::size_t(roi.GetWidth()), 0);
  for (int y = 0; y < roi.GetHeight(); ++y) {
    s.rows.push_back(0);
    for (int x = 0; x < roi.GetWidth(); ++x) {
      const unsigned p = roi.GetPixel(x, y);
      s.n += 1, s.sum += p, s.squares += p * std::uint64_t(p), s.rows[std::size_t(y)] += p, s.columns[std::size_t(x)] += p;
      s.min = std::min(s.min, p), s.max = std::max(s.max, p);
    }
    s.rowMeans += double(s.rows.back()) / roi.GetWidth();
  }
  return s;
}

template <class V>
std::vector<std::uint64_t> Elements(const V& v) { return {v.GetDataPtr(), v.GetDataPtr() + v.GetNumElements()}; }
std::vector<std::uint64_t> Divided(std::vector<std::uint64_t> sums, std::uint64_t by) {
  for (auto& s : sums) s /= by;
  return sums;
}
// ckl / (sk sl), 0 when sk sl is 0.
double Correlation(double c, double vk, double vl) { return vk * vl > 0 ? c / std::sqrt(vk * vl) : 0.0; }

template <class T>
void ExpectStatisticsOfRandomRois(unsigned seed) {
  Rng rng(seed);
  const unsigned top = sizeof(T) == 1 ? 255 : 65535;
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Placement& p : RandomPlacements(rng, 48)) {
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " " << p.width << " x " << p.height << " at " << p.orgX << "," << p.orgY);
      GuardedRoi<T> src(p, rng), other(p, rng);
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) other.roi()->SetPixel(rng() % 5 ? src.roi()->GetPixel(x, y) : T(rng()), x, y);
      other.Remember();
      const Sums s = SumsOf(*src.roi());
      std::uint64_t differ = 0;
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) differ += src.roi()->GetPixel(x, y) != other.roi()->GetPixel(x, y);
      EXPECT_EQ(ImgPixelCompare(src.roi(), other.roi()), differ);
      T min = 1, max = 1, statMin = 1, statMax = 1;
      float average = -1, variance = -1, deviation = -1, statAverage = -1, varianceAverage = -1;
      ImgPixelMin(src.roi(), min), ImgPixelMax(src.roi(), max), ImgPixelStat(src.roi(), statMin, statMax, statAverage);
      ImgPixelAverage(src.roi(), average), ImgPixelVariance(src.roi(), variance, varianceAverage), ImgPixelStdDev(src.roi(), deviation, varianceAverage);
      EXPECT_TRUE(min == s.min && max == s.max && statMin == s.min && statMax == s.max);
      EXPECT_EQ(statAverage, float(s.rowMeans / p.height));  // the same passes: bit for bit
      EXPECT_FLOAT_EQ(average, s.Average());
      EXPECT_FLOAT_EQ(varianceAverage, s.Average());
      EXPECT_FLOAT_EQ(variance, s.Variance());
      EXPECT_FLOAT_EQ(deviation, std::sqrt(s.Variance()));
      const T low = T(rng() % (top + 1)), high = T(rng() % 3 ? rng() % (top + 1) : low);
      int below = -1, between = -1, above = -1, area = -1, band = -1, want[3] = {};
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
          const T v = src.roi()->GetPixel(x, y);
          ++want[v < low ? 0 : v < high ? 1 : 2];
        }
      ImgPixelCount(src.roi(), low, high, below, between, above), ImgArea(src.roi(), high, area), ImgAreaDoubleThreshold(src.roi(), low, high, band);
      EXPECT_TRUE(below == want[0] && between == want[1] && above == want[2] && band == want[1]) << low << " " << high;
      int atLeast = 0;
      for (int y = 0; y < p.height; ++y) for (int x = 0; x < p.width; ++x) atLeast += src.roi()->GetPixel(x, y) >= high;
      EXPECT_EQ(area, atLeast);
      VnBW32Vector rowSums, columnSums;
      VnVectorTemplate<T> rowAverages, columnAverages;
      VnVector legacyRow, legacyColumn;
      ImgProjectOnARow(src.roi(), &rowSums), ImgProjectOnARow(src.roi(), &rowAverages);
      ImgProjectOnAColumn(src.roi(), &columnSums), ImgProjectOnAColumn(src.roi(), &columnAverages);
      EXPECT_TRUE(Elements(rowSums) == s.columns && Elements(rowAverages) == Divided(s.columns, std::uint64_t(p.height)));
      EXPECT_TRUE(Elements(columnSums) == s.rows && Elements(columnAverages) == Divided(s.rows, std::uint64_t(p.width)));
      if constexpr (sizeof(T) == 1) {
        ASSERT_TRUE(ImgProjectOnARow(src.roi(), &legacyRow) == 0 && ImgProjectOnAColumn(src.roi(), &legacyColumn) == 0);
        const auto* r = static_cast<const std::uint32_t*>(legacyRow.GetDataPtr());
        const auto* c = static_cast<const std::uint32_t*>(legacyColumn.GetDataPtr());
        EXPECT_TRUE(legacyRow.GetVectType() == 2 && std::vector<std::uint64_t>(r, r + p.width) == s.columns && std::vector<std::uint64_t>(c, c + p.height) == s.rows);
      }
      ASSERT_TRUE(src.Unchanged() && other.Unchanged());
    }
  }
}

TEST(PixelStatistics, GrayFormsMatchSumsWrittenOut) {
  ExpectStatisticsOfRandomRois<VnBW8>(11);
  ExpectStatisticsOfRandomRois<VnBW16>(12);
}

// The colour forms against their formulas over exact sums. Row sums reach the results through
// float totals, each row's addition rounding by up to half an ulp: after h rows a total is
// within h ulps (2^-23 relative) of the exact one, so means of squares (at most 255^2) carry an
// error below h * 255^2 * 2^-23, and so do the variances and covariances built from them.
TEST(PixelStatistics, ColourFormsMatchTheirFormulas) {
  Rng rng(13);
  for (const Placement& p : RandomPlacements(rng, 40)) {
    GuardedRoi<VnC24> src(p, rng), other(p, rng);
    std::uint64_t s[3] = {}, q[3] = {}, d21 = 0, d10 = 0, d20 = 0, differ = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const VnC24 v = src.roi()->GetPixel(x, y);
        const std::int64_t c[3] = {v.c0, v.c1, v.c2};
        for (int k = 0; k < 3; ++k) s[k] += std::uint64_t(c[k]), q[k] += std::uint64_t(c[k] * c[k]);
        d21 += std::uint64_t((c[2] - c[1]) * (c[2] - c[1])), d10 += std::uint64_t((c[1] - c[0]) * (c[1] - c[0])), d20 += std::uint64_t((c[0] - c[2]) * (c[0] - c[2]));
        differ += !(v == other.roi()->GetPixel(x, y));
      }
    const double n = double(p.width) * p.height, tolerance = p.height * 65025.0 / (1 << 23) + 1e-9;
    const double a[3] = {s[0] / n, s[1] / n, s[2] / n};
    double var[3];
    for (int k = 0; k < 3; ++k) var[k] = std::max(0.0, q[k] / n - a[k] * a[k]);
    const double c21 = 0.5 * double(q[1] + q[2] - d21) / n - a[2] * a[1], c10 = 0.5 * double(q[0] + q[1] - d10) / n - a[1] * a[0],
                 c20 = 0.5 * double(q[0] + q[2] - d20) / n - a[2] * a[0];
    float v[9], d[9], m[3];
    ImgPixelVariance(src.roi(), v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    ImgPixelStdDev(src.roi(), d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8]);
    ImgPixelAverage(src.roi(), m[0], m[1], m[2]);
    const double wantV[9] = {var[2], var[1], var[0], c21, c10, c20, a[2], a[1], a[0]};
    const double wantD[9] = {std::sqrt(var[2]), std::sqrt(var[1]), std::sqrt(var[0]), Correlation(c21, var[2], var[1]),
                             Correlation(c10, var[1], var[0]), Correlation(c20, var[2], var[0]), a[2], a[1], a[0]};
    for (int i = 0; i < 9; ++i) {
      EXPECT_NEAR(v[i], wantV[i], tolerance * (i < 6 ? 1 : 1e-3) + std::abs(wantV[i]) * 1e-6) << i;
      EXPECT_NEAR(d[i], wantD[i], i < 3 ? 1e-3 * std::sqrt(tolerance) + 1e-5 * wantD[i] : 1e-4) << i;
    }
    EXPECT_TRUE(m[0] == float(s[2] / n) && m[1] == float(s[1] / n) && m[2] == float(s[0] / n));
    EXPECT_EQ(ImgPixelCompare(src.roi(), other.roi()), differ);
    VnC24Vector rowAverages, columnAverages;
    ImgProjectOnARow(src.roi(), &rowAverages), ImgProjectOnAColumn(src.roi(), &columnAverages);
    ASSERT_TRUE(rowAverages.GetNumElements() == unsigned(p.width) && columnAverages.GetNumElements() == unsigned(p.height));
    for (int y = 0; y < p.height; ++y)  // component 0 of each row and component 2 of each column
      EXPECT_EQ(columnAverages[unsigned(y)].c0, SumsOf(Make<VnBW8>(p.width, 1, [&](int x, int) { return src.roi()->GetPixel(x, y).c0; })).sum / unsigned(p.width));
    for (int x = 0; x < p.width; ++x)
      EXPECT_EQ(rowAverages[unsigned(x)].c2, SumsOf(Make<VnBW8>(1, p.height, [&](int, int y) { return src.roi()->GetPixel(x, y).c2; })).sum / unsigned(p.height));
    ASSERT_TRUE(src.Unchanged() && other.Unchanged());
  }
}

// Bit images at every bit offset pair: the differing pixels, counted one by one.
TEST(PixelStatistics, BitCompareCountsDifferingPixelsAtAnyOffset) {
  Rng rng(14);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Placement& p : RandomPlacements(rng, 40)) {
      Placement q = p;
      q.orgX = int(rng() % 8), q.parentWidth = q.orgX + p.width + 9;
      GuardedRoi<VnBW1> a(p, rng), b(q, rng);
      std::uint64_t differ = 0;
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) differ += a.roi()->GetPixel(x, y) != b.roi()->GetPixel(x, y);
      EXPECT_EQ(ImgPixelCompare(a.roi(), b.roi()), differ) << p.orgX << " " << q.orgX << " " << p.width;
      EXPECT_TRUE(a.Unchanged() && b.Unchanged());
    }
  }
}

// Runs select their pixels; a run past the last pixel is cut there, an empty or reversed one
// selects nothing; without runs the rectangle counts.
TEST(MaskStatistics, RunsSelectTheirPixelsOnly) {
  VnImage<VnBW8> parent = Make<VnBW8>(40, 6, [](int x, int y) { return (7 * x + 31 * y) % 256; });
  VnROI<VnBW8> roi(&parent, 3, 1, 20, 4);
  const unsigned pitch = unsigned(roi.GetRowPitch());
  struct Run { int x0, x1, y; };  // pixels [x0, x1) of row y
  const Run runs[] = {{2, 9, 0}, {5, 20, 1}, {0, 1, 3}, {17, 20, 3}};
  std::vector<VnRun> records;
  std::vector<unsigned> selected;
  for (const Run& r : runs) {
    records.push_back({r.y * pitch + unsigned(r.x0), r.y * pitch + unsigned(r.x1), std::int16_t(r.x0), std::int16_t(r.y)});
    for (int x = r.x0; x < r.x1; ++x) selected.push_back(roi.GetPixel(x, r.y));
  }
  records.back().m_un32End = 0xFFFFFFF0u;                 // cut at the last pixel
  records.push_back({7, 3, 7, 0}), records.push_back({9, 9, 9, 0});  // reversed, empty
  roi.SetMaskRuns(records.data(), unsigned(records.size()));
  std::uint64_t sum = 0, squares = 0, above100 = 0;
  for (unsigned v : selected) sum += v, squares += v * v, above100 += v > 100;
  const double n = double(selected.size()), mean = sum / n;
  unsigned count = 0, integerAverage = 0;
  float average = 0;
  EXPECT_EQ(ImgArea(&roi), selected.size());
  EXPECT_EQ(ImgArea(&roi, 100u), above100);
  EXPECT_FLOAT_EQ(ImgAverage(&roi, &count), float(mean));
  EXPECT_EQ(count, selected.size());
  EXPECT_EQ(ImgMinimum(&roi), *std::min_element(selected.begin(), selected.end()));
  EXPECT_EQ(ImgMaximum(&roi), *std::max_element(selected.begin(), selected.end()));
  EXPECT_FLOAT_EQ(ImgVariance(&roi, &average, &integerAverage), float(squares / n - mean * mean));
  EXPECT_TRUE(average == float(mean) && integerAverage == unsigned(mean) && VnGetError() == 0);
  roi.ClearMaskRuns();
  EXPECT_TRUE(ImgArea(&roi) == 80 && ImgMinimum(&roi) == SumsOf(roi).min && ImgMaximum(&roi) == SumsOf(roi).max);
  EXPECT_FLOAT_EQ(ImgAverage(&roi, nullptr), SumsOf(roi).Average());
}

// One row per rule, values worked out by hand.
TEST(PixelStatistics, RulesByHand) {
  VnImage<VnBW8> zeros(10, 10), full = Make<VnBW8>(10, 10, [](int, int) { return 255; });
  EXPECT_TRUE(ImgPixelCompare(&zeros, &full) == 100 && ImgPixelCompare(&full, &full) == 0);
  VnImage<VnBW1> bits0(10, 3), bits1 = Make<VnBW1>(10, 3, [](int, int) { return 1; });
  for (int y = 0; y < 3; ++y) *(bits0.GetImagePtr(0, y) + 1) = 0x3F;  // pixels past the width differ too
  EXPECT_EQ(ImgPixelCompare(&bits0, &bits1), 30u);
  float variance = -1, average = -1, deviation = -1;
  VnImage<VnBW8> uniform = Make<VnBW8>(7, 5, [](int, int) { return 77; });
  ImgPixelVariance(&uniform, variance, average);
  EXPECT_TRUE(variance == 0 && average == 77);
  // Standard deviation traces its name whatever the outcome.
  EXPECT_TRUE(ImgPixelStdDev(&uniform, deviation, average) == 0 && deviation == 0 && Trace() == std::vector<std::string>{"ImgPixelStdDev"});
  VnImage<VnBW8> ramp = Make<VnBW8>(16, 16, [](int x, int y) { return 16 * y + x; });  // every value once
  int below = -1, between = -1, above = -1, area = -1;
  ImgPixelCount(&ramp, 128, 128, below, between, above);
  EXPECT_TRUE(below == 128 && between == 0 && above == 128);
  ImgPixelCount(&ramp, 200, 100, below, between, above);  // high below low: no band
  EXPECT_TRUE(below == 200 && between == 0 && above == 56);
  EXPECT_TRUE(ImgArea(&ramp, 100, area) == 0 && area == 156 && ImgArea(&ramp, 100u) == 155 && ImgArea(&ramp, 255u) == 0 && ImgArea(&ramp, 0xFFFFFFFFu) == 0);
  VnImage<VnBW16> thousand = Make<VnBW16>(5, 4, [](int, int) { return 1000; });
  VnBW16 min16 = 0;
  ImgPixelMin(&thousand, min16);
  EXPECT_EQ(min16, 1000);
  VnImage<VnBW8> column = Make<VnBW8>(1, 3, [](int, int y) { return y == 2 ? 2 : 1; });
  VnBW8Vector projection;
  ImgProjectOnARow(&column, &projection);
  EXPECT_TRUE(projection.GetNumElements() == 1 && projection[0] == 1);
  // Runs covering no pixel: the histogram moments find no pixel.
  VnRun nothing{5, 5, 5, 0};
  ramp.SetMaskRuns(&nothing, 1);
  EXPECT_TRUE(ImgVariance(&ramp, &average, nullptr) == 0 && VnGetError() == VN_ERR_EMPTY_HISTOGRAM_RANGE);
  EXPECT_TRUE(ImgArea(&ramp) == 0 && ImgMinimum(&ramp) == 255 && ImgMaximum(&ramp) == 0 && ImgAverage(&ramp, nullptr) == 0);
}

// ROIs without pixels give defined results; sums wider than 32 bits stay exact.
TEST(PixelStatistics, EmptyRoisAndLargeSums) {
  VnImage<VnBW8> image = Make<VnBW8>(8, 8, [](int x, int) { return 9 + x; });
  VnROI<VnBW8> none(&image, 2, 2, 0, 3), flat(&image, 2, 2, 4, 0);
  unsigned char min = 1, max = 1;
  float average = -1, variance = -1;
  int below = -1, between = -1, above = -1;
  VnBW32Vector sums;
  for (VnROI<VnBW8>* roi : {&none, &flat}) {
    EXPECT_TRUE(ImgPixelMin(roi, min) == 0 && ImgPixelMax(roi, max) == 0 && min == 255 && max == 0);
    EXPECT_TRUE(ImgPixelStat(roi, min, max, average) == 0 && min == 255 && max == 0 && average == 0);
    ImgPixelVariance(roi, variance, average);
    EXPECT_TRUE(variance == 0 && average == 0 && ImgPixelCount(roi, 10, 12, below, between, above) == 0 && below + between + above == 0);
    ImgProjectOnARow(roi, &sums);
    EXPECT_TRUE(sums.GetNumElements() == unsigned(roi->GetWidth()) && std::all_of(sums.GetDataPtr(), sums.GetDataPtr() + sums.GetNumElements(), [](auto v) { return v == 0; }));
  }
  // 4200 x 4100 pixels of 255 pass 2^32, and a row of 70000 squares of 255 too.
  VnImage<VnBW8> large = Make<VnBW8>(4200, 4100, [](int, int) { return 255; }), wide = Make<VnBW8>(70000, 2, [](int, int) { return 255; });
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    unsigned count = 0;
    EXPECT_TRUE(ImgPixelAverage(&large, average) == 0 && average == 255 && ImgAverage(&large, &count) == 255 && count == 4200u * 4100u);
    ImgPixelVariance(&wide, variance, average);
    EXPECT_TRUE(variance == 0 && average == 255) << variance;
  }
}

}  // namespace
}  // namespace vnimg::test
