#include <gtest/gtest.h>

#include <cmath>

#include "histogram/brute_force.h"
#include "histogram/histogram_moments.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

// Each feature written out plainly over bins lo..hi.
double PlainFeature(const Counts& h, int feature, int lo, int hi) {
  std::vector<int> used;
  for (int i = lo; i <= hi; ++i)
    if (h[static_cast<std::size_t>(i)]) used.push_back(i);
  auto count = [&](int i) { return h[static_cast<std::size_t>(i)]; };
  switch (feature) {
    case IMG_HIST_MODE_VALUE:
    case IMG_HIST_MODE_COUNT: {
      int best = lo;
      for (int i = lo; i <= hi; ++i)
        if (count(i) > count(best)) best = i;
      if (count(best) == 0) return 0;
      return feature == IMG_HIST_MODE_VALUE ? best : static_cast<std::int32_t>(count(best));
    }
    case IMG_HIST_RAREST_VALUE:
    case IMG_HIST_RAREST_COUNT: {
      if (used.empty()) return feature == IMG_HIST_RAREST_VALUE ? 0 : -1;
      int best = used[0];
      for (int i : used)
        if (count(i) < count(best)) best = i;
      return feature == IMG_HIST_RAREST_VALUE ? best : static_cast<std::int32_t>(count(best));
    }
    case IMG_HIST_FIRST_USED_VALUE: return used.empty() ? hi + 1 : used.front();
    case IMG_HIST_LAST_USED_VALUE: return used.empty() ? lo - 1 : used.back();
    default: break;
  }
  double n = 0, s1 = 0, s2 = 0;
  for (int i = lo; i <= hi; ++i) n += count(i), s1 += double(count(i)) * i, s2 += double(count(i)) * i * i;
  if (feature == IMG_HIST_TOTAL_COUNT) return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
  if (n == 0) return 0;
  if (feature == IMG_HIST_MEAN) return s1 / n;
  return std::sqrt((s2 - s1 * s1 / n) / n);
}

TEST(AnalyseHistogram, EveryFeatureOverRandomRanges) {
  Rng rng(11);
  std::uniform_int_distribution<int> bound(0, 255);
  for (int round = 0; round < 60; ++round) {
    const Counts h = RandomCounts(rng, 256, static_cast<std::size_t>(round * 4), 50);
    VnBWHistogramVector hist = MakeHistogram(h);
    int lo = bound(rng), hi = bound(rng);
    if (lo > hi) std::swap(lo, hi);
    for (int f = IMG_HIST_MODE_VALUE; f <= IMG_HIST_STD_DEV; ++f) {
      const float got = ImgAnalyseHistogram(&hist, static_cast<IMG_HISTOGRAM_FEATURE>(f), lo, hi);
      ASSERT_EQ(VnGetError(), 0);
      EXPECT_NEAR(got, PlainFeature(h, f, lo, hi), 1e-4 * (1 + std::fabs(got))) << "feature " << f;
    }
  }
}

TEST(AnalyseHistogram, EmptyRangeValues) {
  VnBWHistogramVector hist = MakeHistogram(Counts(256, 0));
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_RAREST_COUNT, 10, 20), -1.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_FIRST_USED_VALUE, 10, 20), 21.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_LAST_USED_VALUE, 10, 20), 9.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_MODE_VALUE, 10, 20), 0.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_MEAN, 10, 20), 0.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_STD_DEV, 10, 20), 0.0f);
}

TEST(AnalyseHistogram, CountsReadAsSigned32Bit) {
  Counts h(256, 0);
  h[3] = 0xFFFFFFFFu;
  VnBWHistogramVector hist = MakeHistogram(h);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_MODE_COUNT), -1.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_TOTAL_COUNT), -1.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, IMG_HIST_MEAN), 3.0f);  // the moments do not overflow
}

TEST(AnalyseHistogram, ChecksInOrder) {
  VnBWHistogramVector hist = MakeHistogram(Counts(256, 1));
  VnBWHistogramVector wrong = MakeHistogram(Counts(255, 1));
  struct Case {
    VnBWHistogramVector* h;
    int lo, hi, code;
  } cases[] = {{&wrong, -1, 300, VN_ERR_VECTOR_SIZE}, {&hist, -1, 300, VN_ERR_PARAM_3},
               {&hist, 0, 256, VN_ERR_PARAM_4},       {&hist, 10, 5, VN_ERR_BAD_ARGUMENT_COMBINATION},
               {nullptr, 0, 255, VN_ERR_NULL_ROI}};
  for (const Case& c : cases) {
    EXPECT_EQ(ImgAnalyseHistogram(c.h, IMG_HIST_TOTAL_COUNT, c.lo, c.hi), 0.0f);
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(Trace(), std::vector<std::string>{"ImgAnalyseHistogram"});
  }
  EXPECT_EQ(ImgAnalyseHistogram(&hist, static_cast<IMG_HISTOGRAM_FEATURE>(9)), 0.0f);
  EXPECT_EQ(VnGetError(), 0);
}

TEST(AnalyseHistogramBW16, AnySizeAndItsOwnChecks) {
  Counts h(65536, 0);
  h[40000] = 3;
  h[1000] = 1;
  VnBWHistogramVector hist = MakeHistogram(h);
  EXPECT_EQ(ImgAnalyseHistogramBW16(&hist, IMG_HIST_MODE_VALUE), 40000.0f);
  EXPECT_EQ(ImgAnalyseHistogramBW16(&hist, IMG_HIST_MEAN), 30250.0f);
  EXPECT_EQ(ImgAnalyseHistogramBW16(&hist, IMG_HIST_LAST_USED_VALUE, 0, 39999), 1000.0f);
  VnBWHistogramVector small = MakeHistogram({4, 5, 6});
  EXPECT_EQ(ImgAnalyseHistogramBW16(&small, IMG_HIST_TOTAL_COUNT, 0, 2), 15.0f);
  EXPECT_EQ(ImgAnalyseHistogramBW16(&small, IMG_HIST_TOTAL_COUNT, 0, 3), 0.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_4);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgAnalyseHistogram (BW16)"});
  ImgAnalyseHistogramBW16(&small, IMG_HIST_TOTAL_COUNT, -1, 2);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_3);
  ImgAnalyseHistogramBW16(&small, IMG_HIST_TOTAL_COUNT, 2, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_BAD_ARGUMENT_COMBINATION);
}

TEST(AnalyseHistogramLegacy, IntAndFloatForms) {
  VnVector hist;
  hist.SetType(2, 0, 0);
  auto* counts = static_cast<std::uint32_t*>(hist.GetDataPtr());
  counts[10] = 2;
  counts[30] = 2;
  int value = -5;
  EXPECT_EQ(ImgAnalyseHistogram(&hist, 0, 255, IMG_HIST_FIRST_USED_VALUE, value), 0);
  EXPECT_EQ(value, 10);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, 0, 255, IMG_HIST_MEAN, value), 0);
  EXPECT_EQ(value, 10);  // the int form leaves non-integer features alone
  float result = -5.0f;
  EXPECT_EQ(ImgAnalyseHistogram(&hist, 0, 255, IMG_HIST_STD_DEV, result), 0);
  EXPECT_EQ(result, 10.0f);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, 0, 255, IMG_HIST_MODE_VALUE, result), 0);
  EXPECT_EQ(result, 10.0f);
  // Unchecked range: bins outside the table count as empty.
  EXPECT_EQ(ImgAnalyseHistogram(&hist, -20, 400, IMG_HIST_LAST_USED_VALUE, value), 0);
  EXPECT_EQ(value, 30);
  EXPECT_EQ(ImgAnalyseHistogram(&hist, 300, 400, IMG_HIST_FIRST_USED_VALUE, value), 0);
  EXPECT_EQ(value, 401);

  VnVector table;
  table.SetType(3, 1, 256);
  EXPECT_EQ(ImgAnalyseHistogram(&table, 0, 255, 0, value), VN_ERR_LEGACY_VECTOR);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgAnalyseHistogram"});
  VnVector unshaped;
  EXPECT_EQ(ImgAnalyseHistogram(&unshaped, 0, 255, 7, result), VN_ERR_LEGACY_VECTOR);
}

TEST(HistogramEntropy, BitsOfTheNormalisedRange) {
  VnBWHistogramVector hist = MakeHistogram({0, 5, 5, 0, 7, 0});
  EXPECT_FLOAT_EQ(hist.Entropy(1, 2), 1.0f);
  EXPECT_FLOAT_EQ(hist.Entropy(4, 0xFFFFFFFFu), 0.0f);
  EXPECT_FLOAT_EQ(hist.Entropy(3, 3), 0.0f);
  EXPECT_FLOAT_EQ(hist.Entropy(2, 1), 0.0f);
  const double p = 5.0 / 17, q = 7.0 / 17;
  EXPECT_FLOAT_EQ(hist.Entropy(0, 0xFFFFFFFFu), static_cast<float>(-(2 * p * std::log2(p) + q * std::log2(q))));
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(hist.Entropy(6, 6), 0.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_1);
  EXPECT_EQ(Trace(), std::vector<std::string>{"VnBWHistogramVector::Entropy"});
  EXPECT_EQ(hist.Entropy(0, 6), 0.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
}

TEST(HistogramMoments, MeanAndPopulationVariance) {
  Counts h(256, 0);
  h[2] = 1;
  h[4] = 3;
  h[200] = 2;
  VnBWHistogramVector hist = MakeHistogram(h);
  float mean = 0, variance = 0;
  VnOk();
  ASSERT_TRUE(histogram::HistogramFirstMoment(hist, 0, 10, mean));
  EXPECT_FLOAT_EQ(mean, 3.5f);
  ASSERT_TRUE(histogram::HistogramCenteredMoments(hist, 0, 255, mean, variance));
  const double m = (2 + 12 + 400) / 6.0;
  EXPECT_FLOAT_EQ(mean, static_cast<float>(m));
  EXPECT_FLOAT_EQ(variance, static_cast<float>((4 + 48 + 80000) / 6.0 - m * m));
  EXPECT_EQ(VnGetError(), 0);

  EXPECT_FALSE(histogram::HistogramFirstMoment(hist, 5, 199, mean));
  EXPECT_EQ(VnGetError(), VN_ERR_EMPTY_HISTOGRAM_RANGE);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHistogramMoments ( 1)"});
  VnOk();
  VnBWHistogramVector wrong = MakeHistogram(Counts(10, 1));
  EXPECT_FALSE(histogram::HistogramCenteredMoments(wrong, 0, 5, mean, variance));
  EXPECT_EQ(VnGetError(), VN_ERR_VECTOR_SIZE);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHistogramCenteredMoments ( 2)"});
}

}  // namespace
}  // namespace vnimg::test
