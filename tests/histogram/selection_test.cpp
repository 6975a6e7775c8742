// Threshold selection from a histogram: every mode against a search that recomputes each
// candidate's classes from scratch, the rules by hand, and the failed checks.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#include "histogram/histograms.h"

namespace vnimg::test {
namespace {

using Korvane::Quandor::Utils::Vector;

constexpr unsigned kModes[] = {IMG_THRESHOLD_RELATIVE, IMG_THRESHOLD_MIN_RESIDUE, IMG_THRESHOLD_MAX_ENTROPY,
                               IMG_THRESHOLD_ISODATA, IMG_THRESHOLD_MIN_ABS_ERROR, IMG_THRESHOLD_MIN_SQ_ERROR};

struct Answer {
  unsigned t;
  float below, above;
};

Answer Select(const Counts& h, unsigned mode, float fraction, unsigned lo, unsigned hi) {
  VnBWHistogramVector hist = MakeHistogram(h);
  Answer a{mode, -1.0f, -1.0f};
  if (h.size() == 65536) ImgHistogramThresholdBW16(&hist, a.t, a.below, a.above, fraction, lo, hi);
  else ImgHistogramThreshold(&hist, a.t, a.below, a.above, fraction, lo, hi);
  return a;
}

// The error power of a mode: 1 (absolute), 2 (squared) or 0 (not an error mode).
int Power(unsigned mode) { return mode == IMG_THRESHOLD_MIN_ABS_ERROR ? 1 : mode == IMG_THRESHOLD_MIN_SQ_ERROR ? 2 : 0; }

// Sum of h(k) x |level - k|^power over [first, end).
std::uint64_t Error(const Counts& h, const std::vector<unsigned>& occ, std::uint64_t first, std::uint64_t end,
                    std::uint64_t level, int power) {
  std::uint64_t e = 0;
  for (unsigned k : occ)
    if (k >= first && k < end) e += h[k] * (power == 1 ? (level > k ? level - k : k - level) : (level - k) * (level - k));
  return e;
}

// The criterion of the upward modes at t (lower lo..t-1, upper t..hi), both classes non-empty.
double Upward(unsigned mode, const Counts& h, const std::vector<unsigned>& occ, unsigned lo, unsigned hi, unsigned t) {
  const Sums l = SumOf(h, occ, lo, t), u = SumOf(h, occ, t, hi + 1ull);
  const double n0 = double(l.n), n1 = double(u.n), s0 = double(l.s), s1 = double(u.s);
  if (mode == IMG_THRESHOLD_MIN_RESIDUE) return -(s0 * s0 / n0 + s1 * s1 / n1);
  if (mode == IMG_THRESHOLD_ISODATA) return std::fabs(s0 / (2 * n0) + s1 / (2 * n1) - t);
  double a1 = 0, b0 = 0;
  for (unsigned k : occ)
    if (k >= lo && k <= hi) (k < t ? b0 : a1) += h[k] * std::log(double(h[k]));
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
    const std::uint64_t n = SumOf(h, occ, lo, end).n;
    const std::uint64_t target = n - std::uint64_t(static_cast<long double>(n) * static_cast<long double>(fraction));
    for (t = hi + 1; SumOf(h, occ, *t, end).n < target;) --*t;
  } else if (power) {
    std::uint64_t least = wide ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) : 0xFFFFFFFFu;
    for (unsigned c = hi + 1; c-- > lo;) {
      const std::uint64_t e = Error(h, occ, lo, c + 1ull, 0, power) + Error(h, occ, c + 1ull, end, top, power);
      if (e < least) least = e, t = c;
    }
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
  SCOPED_TRACE(::testing::Message() << "mode " << std::hex << mode << std::dec << " bins " << lo << ".." << hi
                                    << " fraction " << fraction);
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

TEST(HistogramThreshold, EveryModeMatchesTheBruteForce) {
  Rng rng(21);
  for (int round = 0; round < 80; ++round) {
    // Small counts let the 8-bit error modes find totals below their 32-bit starting value.
    const Counts h = RandomCounts(rng, 256, 5 + std::size_t(round * 3), round % 3 == 0 ? 4 : round % 3 == 1 ? 500 : 3000000);
    unsigned lo = rng() % 256, hi = rng() % 256;
    if (lo > hi) std::swap(lo, hi);
    if (round % 2 || lo == hi) lo = 0, hi = 255;
    for (unsigned mode : kModes) ExpectLikeBruteForce(h, mode, float(rng() % 1001) / 1000, lo, hi);
  }
  for (int round = 0; round < 6; ++round) {
    Counts h = RandomCounts(rng, 65536, 30 + std::size_t(round * 15), round % 2 ? 3 : 100000);
    h[0] += 2, h[65535] += 1;
    const unsigned lo = round % 3 == 2 ? rng() % 30000 : 0, hi = round % 3 == 2 ? 30000 + rng() % 35000 : 65535;
    for (unsigned mode : kModes) ExpectLikeBruteForce(h, mode, float(rng() % 1001) / 1000, lo, hi);
  }
}

// One row per rule, computed by hand.
TEST(HistogramThreshold, RulesByHand) {
  const Counts peaks = Bins(256, {{50, 1000}, {200, 1000}}), spread = Bins(256, {{10, 1}, {100, 1}, {250, 1}});
  const Counts two = Bins(256, {{30, 5}, {90, 5}});
  const struct {
    Counts h;
    unsigned mode, lo, hi;
    float fraction;
    Answer want;
  } rows[] = {
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
      {spread, IMG_THRESHOLD_MIN_SQ_ERROR, 0, 200, 0.5f, {200, 5050, 201}},  // bin 250 outside lo..hi
      // 266000 x 127^2 is below 2^32 - 1 and is taken; 300000 x 127^2 is not: no split.
      {Bins(256, {{128, 266000}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 255, 0.5f, {127, 0, 16129}},
      {Bins(256, {{128, 300000}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 255, 0.5f, {0, 0, 256}},
      {Bins(65536, {{128, 300000}}), IMG_THRESHOLD_MIN_SQ_ERROR, 0, 65535, 0.5f, {65535, 16384, 65536}},
      {Bins(65536, {{100, 1}, {65000, 1}}), IMG_THRESHOLD_MIN_ABS_ERROR, 0, 65535, 0.5f, {64999, 100, 535}},
      // Relative: at least N - trunc(N x fraction) pixels from t up; fraction 1 gives hi + 1.
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 1.0f, {201, 60, 201}},
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 0.0f, {30, 10, 60}},
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 0.5f, {90, 30, 90}},
      {two, IMG_THRESHOLD_RELATIVE, 10, 200, 0.45f, {30, 10, 60}},
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

TEST(IsodataThreshold, AllFormsMatchThePlainIteration) {
  Rng rng(23);
  for (int round = 0; round < 200; ++round) {
    const Counts h = RandomCounts(rng, 256, std::size_t(round % 40), 1000);
    unsigned lo = rng() % 256, hi = rng() % 256;
    if (lo > hi) std::swap(lo, hi);
    if (lo == hi) continue;
    VnBWHistogramVector hist = MakeHistogram(h);
    VnVector legacy;
    legacy.SetType(2, 0, 0);
    std::copy(h.begin(), h.end(), static_cast<std::uint32_t*>(legacy.GetDataPtr()));
    ASSERT_EQ(ImgIsodataThreshold(&hist, lo, hi), PlainIsodata(h, lo, hi));
    ASSERT_EQ(ImgIsodataThreshold(&legacy, lo, hi), PlainIsodata(h, lo, hi));
  }
  for (int round = 0; round < 10; ++round) {
    const Counts h = RandomCounts(rng, 65536, 50 + std::size_t(round * 30), 1000);
    VnBWHistogramVector hist = MakeHistogram(h);
    ASSERT_EQ(ImgIsodataThresholdBW16(&hist), PlainIsodata(h, 0, 65535));
  }
}

// The split (classes 2: one cut, 3: two cuts) of largest sum of S^2/N per class strictly above
// the single class; fills the cuts and means and returns the best value.
float PlainMinResidue(const Counts& h, const std::vector<unsigned>& occ, int classes, unsigned& t1, unsigned& t2, float* means) {
  const Sums all = SumOf(h, occ, 0, 256);
  float best = all.n ? float(double(all.s) * all.Mean()) : 0.0f;
  t1 = t2 = 0;
  for (unsigned a = 0; a < 256; ++a)
    for (unsigned b = classes == 2 ? 256 : a; b < (classes == 2 ? 257u : 256u); ++b) {
      const Sums c[3] = {SumOf(h, occ, 0, a), SumOf(h, occ, a, b), SumOf(h, occ, b, 256)};
      double v = 0;
      bool empty = false;
      for (int k = 0; k < classes; ++k) empty |= c[k].n == 0, v += double(c[k].s) * c[k].Mean();
      if (empty || !(v > best)) continue;
      best = float(v), t1 = a, t2 = b;
      for (int k = 0; k < classes; ++k) means[k] = float(c[k].Mean());
    }
  return best;
}

TEST(MinResidueAndEntropyThresholds, MatchThePlainSearches) {
  Rng rng(24);
  for (int round = 0; round < 40; ++round) {
    const Counts h = RandomCounts(rng, 256, 1 + std::size_t(round * 2), round % 2 ? 20 : 100000);
    const std::vector<unsigned> occ = Occupied(h);
    VnBWHistogramVector hist = MakeHistogram(h);
    const Sums all = SumOf(h, occ, 0, 256);
    const auto residual = [&](float best) { return all.n ? std::sqrt(std::max(0.0, (all.q - best) / double(all.n))) : 0.0; };
    unsigned t1, t2;
    float m[3] = {-1, -1, -1}, got[3] = {-1, -1, -1};
    const float best2 = PlainMinResidue(h, occ, 2, t1, t2, m);
    ASSERT_EQ(ImgMinResidueThreshold(&hist, got[0], got[1]), t1);
    EXPECT_FLOAT_EQ(got[0], m[0]);
    EXPECT_FLOAT_EQ(got[1], m[1]);
    VnBW8 two = 99, low = 99, high = 99;
    EXPECT_NEAR(ImgTwoLevelsMinResidueThreshold(&hist, two, got[0], got[1]), residual(best2), 1e-3);
    EXPECT_EQ(two, t1);
    m[0] = m[1] = m[2] = got[0] = got[1] = got[2] = -1;
    const float best3 = PlainMinResidue(h, occ, 3, t1, t2, m);
    EXPECT_NEAR(ImgThreeLevelsMinResidueThreshold(&hist, low, high, got[0], got[1], got[2]), residual(best3), 1e-3);
    ASSERT_EQ(low, t1);
    ASSERT_EQ(high, t2);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(got[k], m[k]);
    // Maximum entropy: the split whose class entropies sum highest, when that beats the whole.
    const auto entropy = [&](unsigned a, unsigned b) {
      double e = 0;
      for (unsigned k : occ) e += k >= a && k < b ? h[k] * std::log(double(h[k])) : 0.0;
      return std::log(double(SumOf(h, occ, a, b).n)) - e / double(SumOf(h, occ, a, b).n);
    };
    const auto value = [&](unsigned t) { return t ? entropy(0, t) + entropy(t, 256) : entropy(0, 256); };
    float best = all.n ? float(value(0)) : 0.0f, below = -1, above = -1;
    unsigned expected = 0;
    for (unsigned t = 1; t < 256 && all.n; ++t)
      if (SumOf(h, occ, 0, t).n && SumOf(h, occ, t, 256).n && value(t) > best) best = float(value(t)), expected = t;
    const unsigned chosen = ImgMaxEntropyThreshold(&hist, below, above);
    if (all.n) { EXPECT_NEAR(value(chosen), value(expected), 1e-6 * std::fabs(value(expected))); }  // rounding may break ties
    EXPECT_FLOAT_EQ(below, chosen ? float(SumOf(h, occ, 0, chosen).Mean()) : -1.0f);
    EXPECT_FLOAT_EQ(above, chosen ? float(SumOf(h, occ, chosen, 256).Mean()) : -1.0f);
  }
}

// The best value (sum of S^2/P per class) of a partition of bins first..last occupied into
// `classes` non-empty classes, trying every placement of the cuts.
double BestPartition(const Counts& h, const std::vector<unsigned>& occ, unsigned first, unsigned classes) {
  const Sums whole = SumOf(h, occ, first, 256);
  if (classes == 1) return whole.n ? double(whole.s) * whole.Mean() : -1;
  double best = -1;
  for (unsigned cut = first + 1; cut <= occ.back(); ++cut) {
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
    ASSERT_GT(s.n, 0u);
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
    const unsigned a = rng() % 240, span = 3 + rng() % 12;
    for (unsigned k = a; k <= a + span; ++k) h[k] = rng() % 3 ? 1 + rng() % 60 : 0;
    h[a] = h[a + span] = 1 + rng() % 60;
    const unsigned classes = 1 + rng() % std::min(unsigned(Occupied(h).size()), 4u);
    VnBWHistogramVector hist = MakeHistogram(h);
    Vector<VnRegionDescriptor> regions;
    Vector<VnBW8> values;
    Vector<VnLabelisationDescriptor> partitions;
    const float residual = ImgMultiLevelsMinResidueThreshold(&hist, classes, regions);
    ASSERT_EQ(VnGetError(), 0);
    ExpectBestRegions(h, regions, classes, residual);
    EXPECT_FLOAT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, classes - 1, values), residual);
    ASSERT_EQ(values.GetSize(), int(classes) - 1);
    for (int i = 0; i + 1 < int(classes); ++i) EXPECT_EQ(values[i], regions[i + 1].m_un32First);
    EXPECT_FLOAT_EQ(ImgAllMultiLevelsMinResidueThreshold(&hist, classes, partitions), residual);
    ASSERT_EQ(partitions.GetSize(), int(classes) - 1);
    for (int j = 0; j < partitions.GetSize(); ++j)
      ExpectBestRegions(h, partitions[j].m_regions, unsigned(j) + 2, partitions[j].m_f32Residual);
  }
  // {10}{20,30} and {10,20}{30} tie: the lowest cut wins.
  VnBWHistogramVector tie = MakeHistogram(Bins(256, {{10, 1}, {20, 1}, {30, 1}}));
  Vector<VnRegionDescriptor> regions;
  ImgMultiLevelsMinResidueThreshold(&tie, 2, regions);
  ASSERT_EQ(regions.GetSize(), 2);
  EXPECT_EQ(regions[0].m_un32Last, 10u);
  EXPECT_EQ(regions[1].m_f32Variance, 25.0f);
}

// Failed checks, one row each: code, trace, result and outputs left as they were.
TEST(SelectionFailures, CodesTracesAndUntouchedOutputs) {
  VnBWHistogramVector h256 = MakeHistogram(Counts(256, 1)), h300 = MakeHistogram(Counts(300, 1));
  VnBWHistogramVector h65536 = MakeHistogram(Counts(65536, 1)), empty = MakeHistogram(Counts(256, 0));
  VnBWHistogramVector two = MakeHistogram(Bins(256, {{50, 7}, {200, 7}}));
  VnVector legacy, shortLegacy;
  shortLegacy.SetType(2, 1, 10);
  unsigned t = 0;
  float below = -7, above = -8, f = -9;
  VnBW8 b8 = 3, c8 = 4;
  Vector<VnRegionDescriptor> regions;
  Vector<VnLabelisationDescriptor> partitions;
  const std::string ht = "ImgHistogramThreshold", ht16 = "ImgHistogramThreshold (BW16)";
  const std::string iso = "ImgIsodataThreshold ( VnBWHistogramVector)", isoLegacy = "ImgIsodataThreshold ( VnVector)";
  const std::string multi = "ImgMultiLevelsMinResidueThreshold", all = "ImgAllMultiLevelsMinResidueThreshold";
  // The threshold moved from `mode`, or 0 when it stayed.
  const auto select = [&](VnBWHistogramVector* h, unsigned mode, float fraction, unsigned lo, unsigned hi) {
    t = mode;
    if (h && h->GetNumElements() == 65536) ImgHistogramThresholdBW16(h, t, below, above, fraction, lo, hi);
    else ImgHistogramThreshold(h, t, below, above, fraction, lo, hi);
    return float(t - mode);
  };
  const struct {
    std::function<float()> call;
    float result;
    int code;
    std::string trace;
  } rows[] = {
      {[&] { return select(nullptr, 0, 0.5f, 0, 255); }, 0, VN_ERR_NULL_ROI, ht},
      {[&] { return select(&h300, 300, 2, 300, 300); }, 0, VN_ERR_VECTOR_SIZE, ht},
      {[&] { return select(&h256, 300, 2, 256, 300); }, 0, VN_ERR_PARAM_5, ht},
      {[&] { return select(&h256, 300, 2, 0, 256); }, 0, VN_ERR_PARAM_6, ht},
      {[&] { return select(&h256, 300, 2, 9, 9); }, 0, VN_ERR_BAD_ARGUMENT_COMBINATION, ht},
      {[&] { return select(&h256, IMG_THRESHOLD_RELATIVE, 1.01f, 0, 255); }, 0, VN_ERR_PARAM_5, ht},
      {[&] { return select(&h256, IMG_THRESHOLD_RELATIVE, -0.01f, 0, 255); }, 0, VN_ERR_PARAM_5, ht},
      {[&] { return select(&h256, IMG_THRESHOLD_RELATIVE, NAN, 0, 255); }, 0, VN_ERR_PARAM_5, ht},
      {[&] { return select(&h256, 300, 2, 0, 255); }, 0, VN_ERR_PARAM_2, ht},
      {[&] { return select(&h256, 5, 0.5f, 6, 255); }, 0, VN_ERR_PARAM_2, ht},
      {[&] { return select(&h256, 8, 0.5f, 0, 7); }, 0, VN_ERR_PARAM_2, ht},
      {[&] { return select(&h256, 0xFFFFFFFEu, 0.5f, 0, 255); }, 0, VN_ERR_PARAM_2, ht},
      {[&] { return select(&h256, 0xFFFFFFFFu, 0.5f, 0, 255); }, 0, VN_ERR_PARAM_2, ht},
      {[&] { return select(&h65536, 9, 0.5f, 0, 65536); }, 0, VN_ERR_PARAM_6, ht16},
      {[&] { return select(&h65536, 70000, 0.5f, 0, 65535); }, 0, VN_ERR_PARAM_2, ht16},
      {[&] { t = 9; ImgHistogramThresholdBW16(&h256, t, below, above, 0.5f, 0, 255); return float(t - 9); }, 0, VN_ERR_VECTOR_SIZE, ht16},
      {[&] { return float(ImgIsodataThreshold(&two, 7, 7)); }, 0, VN_ERR_BAD_ARGUMENT_COMBINATION, iso},
      {[&] { return float(ImgIsodataThreshold(&two, 256, 7)); }, 0, VN_ERR_PARAM_2, iso},
      {[&] { return float(ImgIsodataThreshold(&two, 0, 256)); }, 0, VN_ERR_PARAM_3, iso},
      {[&] { return float(ImgIsodataThreshold(&h300)); }, 0, VN_ERR_VECTOR_SIZE, iso},
      {[&] { return float(ImgIsodataThresholdBW16(&two)); }, 0, VN_ERR_VECTOR_SIZE, iso},
      {[&] { return float(ImgIsodataThreshold(&legacy, 0, 300)); }, 0, VN_ERR_PARAM_3, isoLegacy},
      {[&] { return float(ImgIsodataThreshold(&legacy, 10, 20)); }, 15, VN_ERR_LEGACY_VECTOR_TYPE, isoLegacy},
      {[&] { return float(ImgIsodataThreshold(&shortLegacy, 10, 21)); }, 16, VN_ERR_LEGACY_NO_DATA, isoLegacy},
      {[&] { return float(ImgIsodataThreshold(static_cast<VnVector*>(nullptr), 10, 21)); }, 16, VN_ERR_NULL_ROI, isoLegacy},
      {[&] { return float(ImgMinResidueThreshold(&h300, below, above)); }, 0, VN_ERR_VECTOR_SIZE, "ImgMinResidueThreshold"},
      {[&] { return ImgTwoLevelsMinResidueThreshold(&h300, b8, below, above); }, 0, VN_ERR_VECTOR_SIZE, "ImgTwoLevelsMinResidueThreshold"},
      {[&] { return ImgThreeLevelsMinResidueThreshold(&h300, b8, c8, below, above, f); }, 0, VN_ERR_VECTOR_SIZE, "ImgThreeLevelsMinResidueThreshold"},
      {[&] { return float(ImgMaxEntropyThreshold(&h300, below, above)); }, 0, VN_ERR_VECTOR_SIZE, "ImgMaxEntropyThreshold"},
      {[&] { return ImgMultiLevelsMinResidueThreshold(&two, 3, regions); }, -1, VN_ERR_NOT_IMPLEMENTED, multi},
      {[&] { return ImgMultiLevelsMinResidueThreshold(&two, 0, regions); }, -1, VN_ERR_NOT_IMPLEMENTED, multi},
      {[&] { return ImgMultiLevelsMinResidueThreshold(&empty, 2, regions); }, -1, VN_ERR_VECTOR_SIZE, multi},
      {[&] { return ImgMultiLevelsMinResidueThreshold(&h300, 2, regions); }, -1, VN_ERR_VECTOR_SIZE, multi},
      {[&] { return ImgAllMultiLevelsMinResidueThreshold(&h300, 2, partitions); }, -1, VN_ERR_VECTOR_SIZE, all},
      {[&] { return ImgAllMultiLevelsMinResidueThreshold(&two, 3, partitions); }, -1, VN_ERR_NOT_IMPLEMENTED, all},
  };
  for (const auto& r : rows) {
    regions.Clear();
    regions.Append({1, 2, 3, 4, 5});
    VnOk();
    VnSetError(5);
    EXPECT_EQ(r.call(), r.result) << r.trace;
    EXPECT_TRUE(Failed(r.code, {r.trace})) << r.trace;
    EXPECT_TRUE(below == -7.0f && above == -8.0f && f == -9.0f && b8 == 3 && c8 == 4 && regions.GetSize() == 1) << r.trace;
  }
  // The thresholds form reads the regions it asked for: a failed partition throws 1011.
  Vector<VnBW8> values;
  try {
    ImgMultiLevelsMinResidueThreshold(&two, 2, values);
    ADD_FAILURE() << "no exception";
  } catch (const Korvane::Quandor::Exception& e) {
    EXPECT_EQ(e.code, VN_ERR_PARAM_1);
  }
}

}  // namespace
}  // namespace vnimg::test
