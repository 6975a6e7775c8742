// Threshold selection from a histogram: every mode against a search that recomputes each
// candidate's classes from scratch, the rules by hand, and the failed checks.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

#include "histogram/histograms.h"

namespace vnimg::test {
namespace {

using Korvane::Quandor::Utils::Vector;

constexpr unsigned kModes[] = {IMG_THRESHOLD_RELATIVE, IMG_THRESHOLD_MIN_RESIDUE, IMG_THRESHOLD_MAX_ENTROPY,
                               IMG_THRESHOLD_ISODATA, IMG_THRESHOLD_MIN_ABS_ERROR, IMG_THRESHOLD_MIN_SQ_ERROR};

struct Answer { unsigned t; float below, above; };

Answer Select(const Counts& h, unsigned mode, float fraction, unsigned lo, unsigned hi) {
  VnBWHistogramVector hist = MakeHistogram(h);
  Answer a{mode, -1.0f, -1.0f};
  (h.size() == 65536 ? ImgHistogramThresholdBW16 : ImgHistogramThreshold)(&hist, a.t, a.below, a.above, fraction, lo, hi);
  return a;
}

// The error power of a mode: 1 (absolute), 2 (squared) or 0 (not an error mode).
int Power(unsigned mode) { return mode == IMG_THRESHOLD_MIN_ABS_ERROR ? 1 : mode == IMG_THRESHOLD_MIN_SQ_ERROR ? 2 : 0; }

// Sum of h(k) x |level - k|^power over [first, end).
std::uint64_t Error(const Counts& h, const std::vector<unsigned>& occ, std::uint64_t first, std::uint64_t end, std::uint64_t level, int power) {
  std::uint64_t e = 0;
  for (unsigned k : occ) e += k >= first && k < end ? h[k] * (power == 1 ? (level > k ? level - k : k - level) : (level - k) * (level - k)) : 0;
  return e;
}

// The criterion of the upward modes at t (lower lo..t-1, upper t..hi), both classes non-empty.
double Upward(unsigned mode, const Counts& h, const std::vector<unsigned>& occ, unsigned lo, unsigned hi, unsigned t) {
  const Sums l = SumOf(h, occ, lo, t), u = SumOf(h, occ, t, hi + 1ull);
  const double n0 = double(l.n), n1 = double(u.n), s0 = double(l.s), s1 = double(u.s);
  if (mode == IMG_THRESHOLD_MIN_RESIDUE) return -(s0 * s0 / n0 + s1 * s1 / n1);
  if (mode == IMG_THRESHOLD_ISODATA) return std::fabs(s0 / (2 * n0) + s1 / (2 * n1) - t);
  double a1 = 0, b0 = 0;
  for (unsigned k : occ) (k < t ? b0 : a1) += k >= lo && k <= hi ? h[k] * std::log(double(h[k])) : 0.0;
  return (a1 / n1 - std::log(n1)) + (b0 / n0 - std::log(n0));
}

// What the selection must answer (with t given: the averages of that choice); best receives the
// best criterion of the upward modes.
Answer Expected(const Counts& h, unsigned mode, float fraction, unsigned lo, unsigned hi, double& best,
                std::optional<unsigned> t = {}) {
  const bool wide = h.size() == 65536;
  const std::uint64_t top = wide ? 65535 : 255, end = hi + 1ull;
  const std::vector<unsigned> occ = Occupied(h);
  const int power = Power(mode);
  if (t) {
  } else if (mode == IMG_THRESHOLD_RELATIVE) {
    const std::uint64_t n = SumOf(h, occ, lo, end).n, target = n - std::uint64_t(static_cast<long double>(n) * static_cast<long double>(fraction));
    for (t = hi + 1; SumOf(h, occ, *t, end).n < target;) --*t;
  } else if (power) {
    std::uint64_t least = wide ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) : 0xFFFFFFFFu;
    for (unsigned c = hi + 1; c-- > lo;)
      if (const std::uint64_t e = Error(h, occ, lo, c + 1ull, 0, power) + Error(h, occ, c + 1ull, end, top, power); e < least) least = e, t = c;
  } else {
    best = wide ? DBL_MAX : FLT_MAX;
    for (unsigned c = lo; c <= hi; ++c) {
      if (SumOf(h, occ, lo, c).n == 0 || SumOf(h, occ, c, end).n == 0) continue;
      const double v = wide ? Upward(mode, h, occ, lo, hi, c) : float(Upward(mode, h, occ, lo, hi, c));
      if (v < best) best = v, t = c;
    }
  }
  if (!t) return {0, float(lo), float(hi + 1.0)};
  const std::uint64_t lowerEnd = *t + (power ? 1ull : 0ull);
  const Sums l = SumOf(h, occ, lo, lowerEnd), u = SumOf(h, occ, lowerEnd, end);
  const double q0 = power ? double(Error(h, occ, lo, lowerEnd, 0, power)) : double(l.s);
  const double q1 = power ? double(Error(h, occ, lowerEnd, end, top, power)) : double(u.s);
  return {*t, l.n ? float(q0 / double(l.n)) : float(lo), u.n ? float(q1 / double(u.n)) : float(hi + 1.0)};
}

void ExpectLikeBruteForce(const Counts& h, unsigned mode, float fraction, unsigned lo, unsigned hi) {
  SCOPED_TRACE(::testing::Message() << "mode " << std::hex << mode << std::dec << " bins " << lo << ".." << hi << " fraction " << fraction);
  const Answer got = Select(h, mode, fraction, lo, hi);
  ASSERT_EQ(VnGetError(), 0);
  double best = 0;
  Answer want = Expected(h, mode, fraction, lo, hi, best);
  // The entropy sums of the operation run in float: near ties may go either way.
  if (mode == IMG_THRESHOLD_MAX_ENTROPY && got.t != want.t) {
    ASSERT_NEAR(Upward(mode, h, Occupied(h), lo, hi, got.t), best, 1e-5 * (1 + std::fabs(best)));
    want = Expected(h, mode, fraction, lo, hi, best, got.t);
  }
  ASSERT_EQ(got.t, want.t);
  EXPECT_FLOAT_EQ(got.below, want.below);
  EXPECT_FLOAT_EQ(got.above, want.above);
}

// The isodata iteration written plainly: the classes recomputed every round.
unsigned PlainIsodata(const Counts& h, unsigned lo, unsigned hi) {
  const std::vector<unsigned> occ = Occupied(h);
  unsigned t = (lo + hi + 1) >> 1;
  for (int round = 0; round < 16; ++round) {
    const Sums l = SumOf(h, occ, lo, t + 1ull), u = SumOf(h, occ, t + 1ull, hi + 1ull);
    const unsigned next = unsigned(((l.n ? l.s / l.n : (t + lo) >> 1) + (u.n ? u.s / u.n : (t + hi + 1ull) >> 1)) >> 1);
    if (next == t) break;
    t = next;
  }
  return t;
}

TEST(HistogramThreshold, EveryModeMatchesTheBruteForce) {
  Rng rng(21);
  for (int round = 0; round < 80; ++round) {
    // Small counts let the 8-bit error modes find totals below their 32-bit starting value.
    // The isodata entry points iterate on the same histograms.
    const Counts h = RandomCounts(rng, 256, 5 + std::size_t(round * 3), round % 3 == 0 ? 4 : round % 3 == 1 ? 500 : 3000000);
    unsigned lo = rng() % 256, hi = std::max(lo, unsigned(rng() % 256));
    if (round % 2 || lo == hi) lo = 0, hi = 255;
    for (unsigned mode : kModes) ExpectLikeBruteForce(h, mode, float(rng() % 1001) / 1000, lo, hi);
    VnBWHistogramVector hist = MakeHistogram(h);
    VnVector legacy;
    SetLegacy(legacy, h);
    ASSERT_TRUE(ImgIsodataThreshold(&hist, lo, hi) == PlainIsodata(h, lo, hi) && ImgIsodataThreshold(&legacy, lo, hi) == PlainIsodata(h, lo, hi));
  }
  for (int round = 0; round < 6; ++round) {
    Counts h = RandomCounts(rng, 65536, 30 + std::size_t(round * 15), round % 2 ? 3 : 100000);
    h[0] += 2, h[65535] += 1;
    const unsigned lo = round % 3 == 2 ? rng() % 30000 : 0, hi = round % 3 == 2 ? 30000 + rng() % 35000 : 65535;
    for (unsigned mode : kModes) ExpectLikeBruteForce(h, mode, float(rng() % 1001) / 1000, lo, hi);
    VnBWHistogramVector hist = MakeHistogram(h);
    ASSERT_EQ(ImgIsodataThresholdBW16(&hist, lo, hi), PlainIsodata(h, lo, hi));
  }
}

// One row per rule, computed by hand.
TEST(HistogramThreshold, RulesByHand) {
  const Counts peaks = Bins(256, {{50, 1000}, {200, 1000}}), spread = Bins(256, {{10, 1}, {100, 1}, {250, 1}});
  const Counts two = Bins(256, {{30, 5}, {90, 5}});
  const struct { Counts h; unsigned mode, lo, hi; float fraction; Answer want; } rows[] = {
      // Every split between two equal peaks ties: the upward scans keep the lowest.
      {peaks, IMG_THRESHOLD_MIN_RESIDUE, 0, 255, 0.5f, {51, 50, 200}},
      {peaks, IMG_THRESHOLD_MAX_ENTROPY, 0, 255, 0.5f, {51, 50, 200}},
      {peaks, IMG_THRESHOLD_ISODATA, 0, 255, 0.5f, {125, 50, 200}},
      // The error modes scan down and keep the highest; their averages are mean errors
      // against 0 below and the top level above, to the first or second power.
      {peaks, IMG_THRESHOLD_MIN_ABS_ERROR, 0, 255, 0.5f, {199, 50, 55}},
      {peaks, IMG_THRESHOLD_MIN_SQ_ERROR, 0, 255, 0.5f, {199, 2500, 3025}},
      {spread, IMG_THRESHOLD_MIN_ABS_ERROR, 0, 255, 0.5f, {249, 55, 5}},
      {spread, IMG_THRESHOLD_MIN_SQ_ERROR, 0, 255, 0.5f, {249, 5050, 25}},
      // 266000 x 127^2 is below 2^32 - 1 and is taken; 300000 x 127^2 is not: no split.
      {Bins(256, {{128, 266000}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 255, 0.5f, {127, 0, 16129}},
      {Bins(256, {{128, 300000}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 255, 0.5f, {0, 0, 256}},
      {Bins(65536, {{128, 300000}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 65535, 0.5f, {65535, 16384, 65536}},
      {Bins(65536, {{100, 1}, {65000, 1}}), IMG_THRESHOLD_MIN_ABS_ERROR, 0, 65535, 0.5f, {64999, 100, 535}},
      // Two equal bins of 2048 pixels: every split ties and the lowest wins (a count of 2048 is
      // the first whose h ln h is not remembered).
      {Bins(65536, {{100, 2048}, {200, 2048}}), IMG_THRESHOLD_MAX_ENTROPY, 0, 65535, 0.5f, {101, 100, 200}},
      // Split at 65535 the squared error is (2^32 - 1) 65535^2 + 562949954 x 1000^2 = 2^64 + 709759;
      // wrapped to 64 bits it would win. Below it the error is 562949954 x 10^6, the least.
      {Bins(65536, {{1000, 562949954}, {65535, 0xFFFFFFFFu}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 65535, 0.5f, {65534, 1e6f, 0}},
      // Relative: at least N - trunc(N x fraction) pixels from t up; fraction 1 gives hi + 1.
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 1.0f, {201, 60, 201}},
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 0.0f, {30, 10, 60}},
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 0.5f, {90, 30, 90}},
      // No split with pixels on both sides: threshold 0, both classes empty.
      {Bins(256, {{77, 10}}), IMG_THRESHOLD_MIN_RESIDUE, 5, 250, 0.5f, {0, 5, 251}},
      // An absolute threshold gives its class means.
      {Bins(256, {{10, 1}, {20, 3}, {100, 2}}), 20, 0, 255, 0.5f, {20, 10, 52}},
  };
  for (const auto& r : rows) {
    const Answer a = Select(r.h, r.mode, r.fraction, r.lo, r.hi);
    EXPECT_EQ(VnGetError(), 0);
    EXPECT_EQ(a.t, r.want.t) << std::hex << r.mode;
    EXPECT_FLOAT_EQ(a.below, r.want.below) << std::hex << r.mode;
    EXPECT_FLOAT_EQ(a.above, r.want.above) << std::hex << r.mode;
  }
  VnBWHistogramVector peaks40 = MakeHistogram(Bins(256, {{40, 300}, {200, 300}}));
  EXPECT_EQ(ImgIsodataThreshold(&peaks40), 120);
}

// The whole-histogram entry points, by hand: a split must strictly beat the single class
// (S^2/N for the residue, the whole entropy for the entropy), the lowest such split wins, and
// the averages are written only then. The residual is sqrt((Q - best) / N).
TEST(WholeHistogramThresholds, RulesByHand) {
  const struct { Counts h; int form; std::vector<float> want; } rows[] = {
      {Bins(256, {{50, 1000}, {200, 1000}}), 0, {51, 50, 200}},
      {Bins(256, {{10, 1}, {12, 1}, {200, 2}}), 0, {13, 11, 200}},
      {Bins(256, {{77, 10}}), 0, {0, -1, -1}},
      {Bins(256, {{10, 1}, {12, 1}, {200, 2}}), 1, {13, 11, 200, std::sqrt(0.5f)}},  // Q - best = 2
      {Bins(256, {{10, 5}, {100, 5}, {200, 5}}), 2, {11, 101, 10, 100, 200, 0}},
      {Bins(256, {{10, 1}, {12, 1}, {200, 2}}), 2, {11, 13, 10, 12, 200, 0}},
      {Bins(256, {{10, 1}, {11, 1}, {12, 1}, {200, 1}, {201, 1}, {202, 1}}), 3, {13, 11, 201}},  // ln 3 + ln 3 > ln 6
      {Bins(256, {{50, 1000}, {200, 1000}}), 3, {0, -1, -1}},  // 0 + 0 does not beat ln 2
  };
  for (const auto& r : rows) {
    VnBWHistogramVector hist = MakeHistogram(r.h);
    std::vector<float> got(r.want.size(), -1.0f);
    VnBW8 t = 0, u = 0;
    if (r.form == 0) got[0] = ImgMinResidueThreshold(&hist, got[1], got[2]);
    if (r.form == 1) got[3] = ImgTwoLevelsMinResidueThreshold(&hist, t, got[1], got[2]), got[0] = t;
    if (r.form == 2) got[5] = ImgThreeLevelsMinResidueThreshold(&hist, t, u, got[2], got[3], got[4]), got[0] = t, got[1] = u;
    if (r.form == 3) got[0] = ImgMaxEntropyThreshold(&hist, got[1], got[2]);
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], r.want[i], 1e-6) << "form " << r.form << " output " << i;
    EXPECT_EQ(VnGetError(), 0);
  }
}

// The best value (sum of S^2/P per class) of a partition of the occupied bins from `first` on
// into `classes` non-empty classes, trying every placement of the cuts.
double BestPartition(const Counts& h, const std::vector<unsigned>& occ, unsigned first, unsigned classes) {
  const Sums whole = SumOf(h, occ, first, 256);
  double best = classes == 1 && whole.n ? double(whole.s) * whole.Mean() : -1;
  for (unsigned cut = first + 1; classes > 1 && cut <= occ.back(); ++cut) {
    const Sums s = SumOf(h, occ, first, cut);
    const double rest = s.n ? BestPartition(h, occ, cut, classes - 1) : -1;
    if (rest >= 0) best = std::max(best, double(s.s) * s.Mean() + rest);
  }
  return best;
}

// Regions contiguous from the first to the last occupied bin, each with its own statistics,
// whose value is the best one.
void ExpectBestRegions(const Counts& h, const Vector<VnRegionDescriptor>& regions, unsigned classes, float residual) {
  const std::vector<unsigned> occ = Occupied(h);
  ASSERT_EQ(regions.GetSize(), int(classes));
  EXPECT_EQ(regions[int(classes) - 1].m_un32Last, occ.back());
  double value = 0, q = 0, n = 0;
  for (int i = 0; i < regions.GetSize(); ++i) {
    const VnRegionDescriptor& r = regions[i];
    EXPECT_EQ(r.m_un32First, i ? regions[i - 1].m_un32Last + 1 : occ.front());
    const Sums s = SumOf(h, occ, r.m_un32First, r.m_un32Last + 1ull);
    ASSERT_GT(s.n, 0u);  // every class holds pixels
    value += double(s.s) * s.Mean(), q += s.q, n += double(s.n);
    EXPECT_FLOAT_EQ(r.m_f32Mean, float(s.Mean()));
    EXPECT_NEAR(r.m_f32Variance, s.q / double(s.n) - s.Mean() * s.Mean(), 1e-3 * (1 + s.Mean() * s.Mean()));
    EXPECT_EQ(r.m_n32Count, std::int32_t(s.n));
  }
  const double best = BestPartition(h, occ, occ.front(), classes);
  EXPECT_NEAR(value, best, 1e-5 * best);
  EXPECT_NEAR(residual, std::sqrt(std::max(0.0, (q - best) / n)), 1e-2);
}

TEST(MultiLevelThreshold, EveryFormFindsTheBestPartition) {
  Rng rng(31);
  for (int round = 0; round < 30; ++round) {
    Counts h(256, 0);
    const unsigned span = 3 + rng() % 12, a = round % 3 ? rng() % 240 : 255 - span;  // up to the last bin too
    for (unsigned k = a; k <= a + span; ++k) h[k] = k == a || k == a + span || rng() % 3 ? 1 + rng() % 60 : 0;
    const unsigned classes = 1 + rng() % std::min(unsigned(Occupied(h).size()), 4u);
    VnBWHistogramVector hist = MakeHistogram(h);
    Vector<VnRegionDescriptor> regions;
    Vector<VnBW8> values;  // the cuts: the first bins of the classes after the first
    Vector<VnLabelisationDescriptor> partitions;
    const float residual = ImgMultiLevelsMinResidueThreshold(&hist, classes, regions);
    ExpectBestRegions(h, regions, classes, residual);
    EXPECT_FLOAT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, classes - 1, values), residual);
    for (int i = 0; i + 1 < int(classes); ++i) EXPECT_EQ(values[i], regions[i + 1].m_un32First);
    ASSERT_TRUE(ImgAllMultiLevelsMinResidueThreshold(&hist, classes, partitions) == residual && partitions.GetSize() == int(classes) - 1);
    for (int j = 0; j < partitions.GetSize(); ++j) ExpectBestRegions(h, partitions[j].m_regions, j + 2u, partitions[j].m_f32Residual);
    ASSERT_EQ(VnGetError(), 0);
  }
  VnBWHistogramVector tie = MakeHistogram(Bins(256, {{10, 1}, {20, 1}, {30, 1}}));  // {10}{20,30} ties {10,20}{30}
  Vector<VnRegionDescriptor> regions;
  EXPECT_FLOAT_EQ(ImgMultiLevelsMinResidueThreshold(&tie, 2, regions), std::sqrt(50 / 3.0f));
  EXPECT_TRUE(regions.GetSize() == 2 && regions[0].m_un32Last == 10 && regions[1].m_f32Variance == 25.0f);  // the lowest cut
}

}  // namespace
}  // namespace vnimg::test
