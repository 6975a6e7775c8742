#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "histogram/brute_force.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

constexpr unsigned kModes[] = {IMG_THRESHOLD_RELATIVE, IMG_THRESHOLD_MIN_RESIDUE, IMG_THRESHOLD_MAX_ENTROPY,
                               IMG_THRESHOLD_ISODATA, IMG_THRESHOLD_MIN_ABS_ERROR, IMG_THRESHOLD_MIN_SQ_ERROR};

struct Answer {
  unsigned threshold;
  float below;
  float above;
};

Answer Select(VnBWHistogramVector& hist, unsigned mode, float fraction, unsigned lo, unsigned hi, bool wide) {
  Answer a{mode, -1.0f, -1.0f};
  if (wide)
    ImgHistogramThresholdBW16(&hist, a.threshold, a.below, a.above, fraction, lo, hi);
  else
    ImgHistogramThreshold(&hist, a.threshold, a.below, a.above, fraction, lo, hi);
  return a;
}

// The operation's choice must be the brute force's. The entropy criterion keeps its running
// sums in float across bins, so there a choice whose recomputed criterion is within float
// noise of the best is accepted.
void ExpectBruteForceChoice(const Counts& h, unsigned mode, float fraction, unsigned lo, unsigned hi, bool wide) {
  SCOPED_TRACE(::testing::Message() << "mode " << std::hex << mode << std::dec << " lo " << lo << " hi " << hi
                                    << " fraction " << fraction);
  VnBWHistogramVector hist = MakeHistogram(h);
  const Answer got = Select(hist, mode, fraction, lo, hi, wide);
  ASSERT_EQ(VnGetError(), 0);
  const BruteChoice brute = BruteForceThreshold(h, mode, lo, hi, fraction, wide);
  std::optional<unsigned> chosen = got.threshold;
  if (mode == IMG_THRESHOLD_MAX_ENTROPY && brute.threshold && got.threshold != *brute.threshold) {
    double best = 0, mine = DBL_MAX;
    for (const Candidate& c : brute.candidates) {
      if (c.t == *brute.threshold) best = c.criterion;
      if (c.t == got.threshold) mine = c.criterion;
    }
    ASSERT_NEAR(mine, best, 1e-5 * (1 + std::fabs(best)));
  } else if (!brute.threshold) {
    EXPECT_EQ(got.threshold, 0u);
    chosen.reset();
  } else {
    ASSERT_EQ(got.threshold, *brute.threshold);
  }
  float below = 0, above = 0;
  BruteAverages(h, mode, lo, hi, chosen, wide, below, above);
  EXPECT_FLOAT_EQ(got.below, below);
  EXPECT_FLOAT_EQ(got.above, above);
}

TEST(HistogramThreshold, EveryModeMatchesBruteForce) {
  Rng rng(21);
  std::uniform_int_distribution<unsigned> bound(0, 255);
  std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
  for (int round = 0; round < 80; ++round) {
    // Small counts let the error modes find totals below their 32-bit starting value.
    const std::uint32_t maxCount = round % 3 == 0 ? 4 : round % 3 == 1 ? 500 : 3000000;
    const Counts h = RandomCounts(rng, 256, 5 + static_cast<std::size_t>(round * 3), maxCount);
    unsigned lo = 0, hi = 255;
    if (round % 2) {
      lo = bound(rng), hi = bound(rng);
      if (lo > hi) std::swap(lo, hi);
      if (lo == hi) continue;
    }
    for (unsigned mode : kModes) ExpectBruteForceChoice(h, mode, fraction(rng), lo, hi, false);
  }
}

TEST(HistogramThreshold, ErrorModesAcceptOnlyTotalsBelowTheirStart) {
  // 300000 pixels at 128 cost at least 300000 x 127^2 > 2^32 - 1 in the squared mode, whatever
  // the split: the 8-bit form accepts none.
  Counts h(256, 0);
  h[128] = 300000;
  VnBWHistogramVector hist = MakeHistogram(h);
  const Answer a = Select(hist, IMG_THRESHOLD_MIN_SQ_ERROR, 0.5f, 0, 255, false);
  EXPECT_EQ(a.threshold, 0u);
  EXPECT_EQ(a.below, 0.0f);
  EXPECT_EQ(a.above, 256.0f);
  // The 16-bit form starts from the largest signed 64-bit value and finds it.
  Counts wide(65536, 0);
  wide[128] = 300000;
  VnBWHistogramVector wideHist = MakeHistogram(wide);
  const Answer b = Select(wideHist, IMG_THRESHOLD_MIN_SQ_ERROR, 0.5f, 0, 65535, true);
  EXPECT_EQ(b.threshold, 65535u);  // every pixel lower: the least error, ties keep the highest
  EXPECT_EQ(b.below, 128.0f * 128.0f);
}

TEST(HistogramThresholdBW16, EveryModeMatchesBruteForceOver65536Bins) {
  Rng rng(22);
  std::uniform_int_distribution<unsigned> bound(0, 65535);
  std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
  for (int round = 0; round < 6; ++round) {
    Counts h = RandomCounts(rng, 65536, 30 + static_cast<std::size_t>(round * 15), round % 2 ? 3 : 100000);
    h[0] += 2;
    h[65535] += 1;
    unsigned lo = 0, hi = 65535;
    if (round % 3 == 2) {
      lo = bound(rng), hi = bound(rng);
      if (lo > hi) std::swap(lo, hi);
    }
    for (unsigned mode : kModes) ExpectBruteForceChoice(h, mode, fraction(rng), lo, hi, true);
  }
}

TEST(HistogramThreshold, TwoEqualPeaks) {
  Counts h(256, 0);
  h[50] = h[200] = 1000;
  VnBWHistogramVector hist = MakeHistogram(h);
  for (unsigned mode : {IMG_THRESHOLD_MIN_RESIDUE, IMG_THRESHOLD_MAX_ENTROPY, IMG_THRESHOLD_ISODATA}) {
    const Answer a = Select(hist, mode, 0.5f, 0, 255, false);
    EXPECT_EQ(a.threshold, mode == IMG_THRESHOLD_ISODATA ? 125u : 51u) << std::hex << mode;
    EXPECT_EQ(a.below, 50.0f);
    EXPECT_EQ(a.above, 200.0f);
  }
  // Every split between the peaks costs the same; scanning down from hi, ties keep the
  // highest threshold, 199, with bin 50 below and bin 200 above.
  const Answer abs = Select(hist, IMG_THRESHOLD_MIN_ABS_ERROR, 0.5f, 0, 255, false);
  EXPECT_EQ(abs.threshold, 199u);
  EXPECT_EQ(abs.below, 50.0f);
  EXPECT_EQ(abs.above, 55.0f);
}

TEST(HistogramThreshold, RelativeEnds) {
  Counts h(256, 0);
  h[30] = 5;
  h[90] = 5;
  VnBWHistogramVector hist = MakeHistogram(h);
  Answer a = Select(hist, IMG_THRESHOLD_RELATIVE, 1.0f, 10, 200, false);
  EXPECT_EQ(a.threshold, 201u);
  EXPECT_EQ(a.above, 201.0f);
  EXPECT_EQ(a.below, 60.0f);
  a = Select(hist, IMG_THRESHOLD_RELATIVE, 0.0f, 10, 200, false);
  EXPECT_EQ(a.threshold, 30u);
  EXPECT_EQ(a.below, 10.0f);
  a = Select(hist, IMG_THRESHOLD_RELATIVE, 0.5f, 10, 200, false);
  EXPECT_EQ(a.threshold, 90u);
}

TEST(HistogramThreshold, OneOccupiedBin) {
  Counts h(256, 0);
  h[77] = 10;
  VnBWHistogramVector hist = MakeHistogram(h);
  const Answer a = Select(hist, IMG_THRESHOLD_MIN_RESIDUE, 0.5f, 5, 250, false);
  EXPECT_EQ(a.threshold, 0u);
  EXPECT_EQ(a.below, 5.0f);
  EXPECT_EQ(a.above, 251.0f);
  float below = -1, above = -2;
  EXPECT_EQ(ImgMinResidueThreshold(&hist, below, above), 0);
  EXPECT_EQ(below, -1.0f);
  EXPECT_EQ(above, -2.0f);
}

TEST(HistogramThreshold, AbsoluteThresholdGivesItsClassMeans) {
  Counts h(256, 0);
  h[10] = 1, h[20] = 3, h[100] = 2;
  VnBWHistogramVector hist = MakeHistogram(h);
  const Answer a = Select(hist, 20, 0.5f, 0, 255, false);
  EXPECT_EQ(a.threshold, 20u);
  EXPECT_EQ(a.below, 10.0f);
  EXPECT_EQ(a.above, 260.0f / 5);
}

TEST(HistogramThreshold, ChecksInOrderLeaveOutputsUnchanged) {
  VnBWHistogramVector hist = MakeHistogram(Counts(256, 1));
  VnBWHistogramVector wrong = MakeHistogram(Counts(300, 1));
  struct Case {
    VnBWHistogramVector* h;
    unsigned threshold, lo, hi;
    float fraction;
    int code;
  } cases[] = {
      {nullptr, 0, 0, 255, 0.5f, VN_ERR_NULL_ROI},
      {&wrong, 300, 300, 300, 2.0f, VN_ERR_VECTOR_SIZE},
      {&hist, 300, 256, 300, 2.0f, VN_ERR_PARAM_5},
      {&hist, 300, 0, 256, 2.0f, VN_ERR_PARAM_6},
      {&hist, 300, 9, 9, 2.0f, VN_ERR_BAD_ARGUMENT_COMBINATION},
      {&hist, IMG_THRESHOLD_RELATIVE, 0, 255, 1.5f, VN_ERR_PARAM_5},
      {&hist, IMG_THRESHOLD_RELATIVE, 0, 255, -0.1f, VN_ERR_PARAM_5},
      {&hist, IMG_THRESHOLD_RELATIVE, 0, 255, NAN, VN_ERR_PARAM_5},
      {&hist, 300, 0, 255, 2.0f, VN_ERR_PARAM_2},
      {&hist, 5, 6, 255, 0.5f, VN_ERR_PARAM_2},
      {&hist, 0xFFFFFFFEu, 0, 255, 0.5f, VN_ERR_PARAM_2},
      {&hist, 0xFFFFFFFFu, 0, 255, 0.5f, VN_ERR_PARAM_2},
  };
  for (const Case& c : cases) {
    unsigned threshold = c.threshold;
    float below = -7, above = -8;
    ImgHistogramThreshold(c.h, threshold, below, above, c.fraction, c.lo, c.hi);
    EXPECT_EQ(VnGetError(), c.code) << c.threshold << " " << c.lo << " " << c.hi;
    EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHistogramThreshold"});
    EXPECT_EQ(threshold, c.threshold);
    EXPECT_EQ(below, -7.0f);
    EXPECT_EQ(above, -8.0f);
  }
  VnBWHistogramVector wide = MakeHistogram(Counts(65536, 1));
  unsigned threshold = 70000;
  float below = 0, above = 0;
  ImgHistogramThresholdBW16(&wide, threshold, below, above, 0.5f, 0, 65536);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_6);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHistogramThreshold (BW16)"});
  ImgHistogramThresholdBW16(&wide, threshold, below, above, 0.5f, 0, 65535);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
  ImgHistogramThresholdBW16(&hist, threshold, below, above, 0.5f, 0, 255);
  EXPECT_EQ(VnGetError(), VN_ERR_VECTOR_SIZE);
}

// The isodata iteration written plainly: class sums recomputed from scratch each round.
unsigned PlainIsodata(const Counts& h, unsigned lo, unsigned hi) {
  const std::vector<unsigned> occ = OccupiedBins(h);
  unsigned t = (lo + hi + 1) >> 1;
  for (int round = 0; round < 16; ++round) {
    const Sums lower = SumRange(h, occ, lo, t + 1), upper = SumRange(h, occ, t + 1, hi + 1);
    const std::uint64_t m0 = lower.n ? lower.s / lower.n : (t + lo) >> 1;
    const std::uint64_t m1 = upper.n ? upper.s / upper.n : (t + hi + 1) >> 1;
    const unsigned next = static_cast<unsigned>((m0 + m1) >> 1);
    if (next == t) break;
    t = next;
  }
  return t;
}

TEST(IsodataThreshold, MatchesThePlainIteration) {
  Rng rng(23);
  std::uniform_int_distribution<unsigned> bound(0, 255);
  for (int round = 0; round < 200; ++round) {
    const Counts h = RandomCounts(rng, 256, static_cast<std::size_t>(round % 40), 1000);
    unsigned lo = bound(rng), hi = bound(rng);
    if (lo > hi) std::swap(lo, hi);
    if (lo == hi) continue;
    VnBWHistogramVector hist = MakeHistogram(h);
    ASSERT_EQ(ImgIsodataThreshold(&hist, lo, hi), PlainIsodata(h, lo, hi));
    VnVector legacy;
    legacy.SetType(2, 0, 0);
    std::copy(h.begin(), h.end(), static_cast<std::uint32_t*>(legacy.GetDataPtr()));
    ASSERT_EQ(ImgIsodataThreshold(&legacy, lo, hi), PlainIsodata(h, lo, hi));
  }
  for (int round = 0; round < 10; ++round) {
    const Counts h = RandomCounts(rng, 65536, 50 + static_cast<std::size_t>(round * 30), 1000);
    VnBWHistogramVector hist = MakeHistogram(h);
    ASSERT_EQ(ImgIsodataThresholdBW16(&hist), PlainIsodata(h, 0, 65535));
  }
}

TEST(IsodataThreshold, TwoPeaksAndChecks) {
  Counts h(256, 0);
  h[40] = h[200] = 300;
  VnBWHistogramVector hist = MakeHistogram(h);
  EXPECT_EQ(ImgIsodataThreshold(&hist), 120);
  EXPECT_EQ(ImgIsodataThreshold(&hist, 7, 7), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_BAD_ARGUMENT_COMBINATION);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgIsodataThreshold ( VnBWHistogramVector)"});
  EXPECT_EQ(ImgIsodataThreshold(&hist, 256, 7), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
  EXPECT_EQ(ImgIsodataThreshold(&hist, 0, 256), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_3);
  EXPECT_EQ(ImgIsodataThresholdBW16(&hist), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_VECTOR_SIZE);

  VnVector legacy;
  EXPECT_EQ(ImgIsodataThreshold(&legacy, 0, 300), 0u);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_3);
  EXPECT_EQ(ImgIsodataThreshold(&legacy, 10, 20), 15u);  // not a histogram: the middle
  EXPECT_EQ(VnGetError(), VN_ERR_LEGACY_VECTOR_TYPE);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgIsodataThreshold ( VnVector)"});
  VnVector shortHist;
  shortHist.SetType(2, 1, 10);
  EXPECT_EQ(ImgIsodataThreshold(&shortHist, 10, 21), 16u);
  EXPECT_EQ(VnGetError(), VN_ERR_LEGACY_NO_DATA);
}

// The two- and three-class searches written plainly over every split.
struct PlainSplit {
  bool found = false;
  unsigned t1 = 0, t2 = 0;
  float best = 0;
  float means[3] = {};
};

double SquareOverCount(const Sums& s) { return double(s.s) * double(s.s) / double(s.n); }

PlainSplit PlainMinResidue(const Counts& h, int classes) {
  const std::vector<unsigned> occ = OccupiedBins(h);
  const Sums all = SumRange(h, occ, 0, 256);
  PlainSplit r;
  r.best = all.n ? static_cast<float>(SquareOverCount(all)) : 0.0f;
  for (unsigned t1 = 0; t1 < 256; ++t1)
    for (unsigned t2 = classes == 2 ? 256 : t1; t2 <= 256; ++t2) {
      if (classes == 3 && t2 == 256) continue;
      const Sums c[3] = {SumRange(h, occ, 0, t1), SumRange(h, occ, t1, t2), SumRange(h, occ, t2, 256)};
      double v = 0;
      bool ok = true;
      for (int k = 0; k < 3; ++k) {
        if (classes == 2 && k == 2) break;
        if (c[k].n == 0) ok = false;
        else v += SquareOverCount(c[k]);
      }
      if (!ok || v <= r.best) continue;
      r = {true, t1, t2, static_cast<float>(v), {}};
      for (int k = 0; k < classes; ++k) r.means[k] = static_cast<float>(double(c[k].s) / double(c[k].n));
    }
  return r;
}

double SquareSum(const Counts& h) {
  double q = 0;
  for (unsigned k = 0; k < 256; ++k) q += double(h[k]) * k * k;
  return q;
}

TEST(MinResidueThreshold, TwoAndThreeClassesMatchThePlainSearch) {
  Rng rng(24);
  for (int round = 0; round < 40; ++round) {
    const Counts h = RandomCounts(rng, 256, 2 + static_cast<std::size_t>(round * 2), round % 2 ? 20 : 100000);
    VnBWHistogramVector hist = MakeHistogram(h);
    std::uint64_t n = 0;
    for (auto c : h) n += c;
    const PlainSplit two = PlainMinResidue(h, 2);
    float below = -1, above = -1;
    const VnBW8 t = ImgMinResidueThreshold(&hist, below, above);
    ASSERT_EQ(t, two.found ? two.t1 : 0u);
    if (two.found) {
      EXPECT_FLOAT_EQ(below, two.means[0]);
      EXPECT_FLOAT_EQ(above, two.means[1]);
    }
    VnBW8 t2 = 99;
    const float residual = ImgTwoLevelsMinResidueThreshold(&hist, t2, below, above);
    EXPECT_EQ(t2, t);
    EXPECT_NEAR(residual, std::sqrt(std::max(0.0, (SquareSum(h) - two.best) / double(n))), 1e-3);

    const PlainSplit three = PlainMinResidue(h, 3);
    VnBW8 low = 99, high = 99;
    float m[3] = {-1, -1, -1};
    const float residual3 = ImgThreeLevelsMinResidueThreshold(&hist, low, high, m[0], m[1], m[2]);
    ASSERT_EQ(low, three.found ? three.t1 : 0u);
    ASSERT_EQ(high, three.found ? three.t2 : 0u);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(m[k], three.found ? three.means[k] : -1.0f);
    EXPECT_NEAR(residual3, std::sqrt(std::max(0.0, (SquareSum(h) - three.best) / double(n))), 1e-3);
  }
}

TEST(MinResidueThreshold, ChecksAndEmptyHistogram) {
  VnBWHistogramVector wrong = MakeHistogram(Counts(10, 1));
  float a = 0, b = 0, c = 0;
  VnBW8 t = 0, u = 0;
  EXPECT_EQ(ImgMinResidueThreshold(&wrong, a, b), 0);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgMinResidueThreshold"});
  EXPECT_EQ(ImgTwoLevelsMinResidueThreshold(&wrong, t, a, b), 0.0f);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgTwoLevelsMinResidueThreshold"});
  EXPECT_EQ(ImgThreeLevelsMinResidueThreshold(&wrong, t, u, a, b, c), 0.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_VECTOR_SIZE);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgThreeLevelsMinResidueThreshold"});
  EXPECT_EQ(ImgMaxEntropyThreshold(&wrong, a, b), 0);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgMaxEntropyThreshold"});
  VnBWHistogramVector empty = MakeHistogram(Counts(256, 0));
  EXPECT_EQ(ImgTwoLevelsMinResidueThreshold(&empty, t, a, b), 0.0f);
  EXPECT_EQ(ImgMaxEntropyThreshold(&empty, a, b), 0);
  EXPECT_EQ(VnGetError(), 0);
}

TEST(MaxEntropyThreshold, MatchesThePlainSearch) {
  Rng rng(25);
  for (int round = 0; round < 40; ++round) {
    const Counts h = RandomCounts(rng, 256, 2 + static_cast<std::size_t>(round * 3), 5000);
    const std::vector<unsigned> occ = OccupiedBins(h);
    auto entropy = [&](std::uint64_t first, std::uint64_t end) {
      const Sums s = SumRange(h, occ, first, end);
      double a = 0;
      for (unsigned k : occ)
        if (k >= first && k < end) a += h[k] * std::log(double(h[k]));
      return std::log(double(s.n)) - a / double(s.n);
    };
    float best = static_cast<float>(entropy(0, 256));
    unsigned expected = 0;
    double second = -DBL_MAX, top = best;
    for (unsigned t = 0; t < 256; ++t) {
      if (SumRange(h, occ, 0, t).n == 0 || SumRange(h, occ, t, 256).n == 0) continue;
      const double v = entropy(0, t) + entropy(t, 256);
      if (v > best) best = static_cast<float>(v), expected = t;
      if (v > top) second = top, top = v;
      else if (v < top && v > second) second = v;
    }
    VnBWHistogramVector hist = MakeHistogram(h);
    float below = -1, above = -1;
    const VnBW8 got = ImgMaxEntropyThreshold(&hist, below, above);
    if (top - second > 1e-5) {
      EXPECT_EQ(got, expected) << round;
    }
    if (got != 0) {
      EXPECT_FLOAT_EQ(below, float(double(SumRange(h, occ, 0, got).s) / double(SumRange(h, occ, 0, got).n)));
      EXPECT_FLOAT_EQ(above, float(double(SumRange(h, occ, got, 256).s) / double(SumRange(h, occ, got, 256).n)));
    }
  }
}

}  // namespace
}  // namespace vnimg::test
