#include <gtest/gtest.h>

#include <cmath>

#include "histogram/brute_force.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

using Korvane::Quandor::Utils::Vector;

// Random counts on a few bins of a short stretch at a random place.
Counts SmallRangeCounts(Rng& rng, unsigned span) {
  std::uniform_int_distribution<unsigned> start(0, 255 - span);
  std::uniform_int_distribution<int> occupied(0, 2);
  std::uniform_int_distribution<std::uint32_t> count(1, 60);
  Counts h(256, 0);
  const unsigned a = start(rng);
  for (unsigned k = a; k <= a + span; ++k)
    if (occupied(rng)) h[k] = count(rng);
  h[a] = count(rng);
  h[a + span] = count(rng);
  return h;
}

unsigned OccupiedCount(const Counts& h) { return static_cast<unsigned>(OccupiedBins(h).size()); }

// The classes hold the occupied spans of the best partition; each class after the first
// starts just past the previous one's last pixel (ties in a gap keep the lowest cut).
void ExpectBestPartition(const Counts& h, unsigned classes, const Vector<VnRegionDescriptor>& regions, float residual) {
  const Partition best = ExhaustivePartition(h, classes);
  ASSERT_EQ(regions.GetSize(), static_cast<int>(classes));
  const std::vector<unsigned> occ = OccupiedBins(h);
  double value = 0, q = 0, n = 0;
  std::vector<std::pair<unsigned, unsigned>> spans;
  for (int i = 0; i < regions.GetSize(); ++i) {
    const VnRegionDescriptor& r = regions[i];
    const Sums s = SumRange(h, occ, r.m_un32First, r.m_un32Last + 1);
    ASSERT_GT(s.n, 0u);
    value += double(s.s) * double(s.s) / double(s.n);
    unsigned low = 256, high = 0;
    double sq = 0;
    for (unsigned k = r.m_un32First; k <= r.m_un32Last; ++k)
      if (h[k]) low = std::min(low, k), high = std::max(high, k), sq += double(h[k]) * k * k;
    spans.emplace_back(low, high);
    if (i > 0) {
      EXPECT_EQ(r.m_un32First, regions[i - 1].m_un32Last + 1);
    }
    if (i > 0) {
      EXPECT_EQ(r.m_un32First, spans[static_cast<std::size_t>(i) - 1].second + 1);
    }
    const double mean = double(s.s) / double(s.n);
    EXPECT_FLOAT_EQ(r.m_f32Mean, static_cast<float>(mean));
    EXPECT_NEAR(r.m_f32Variance, sq / double(s.n) - mean * mean, 1e-3 * (1 + mean * mean));
    EXPECT_EQ(r.m_n32Count, static_cast<std::int32_t>(s.n));
    q += sq;
    n += double(s.n);
  }
  EXPECT_EQ(regions[0].m_un32First, occ.front());
  EXPECT_EQ(regions[regions.GetSize() - 1].m_un32Last, occ.back());
  EXPECT_NEAR(value, best.value, 1e-5 * best.value);
  if (best.value - best.secondValue > 1e-4 * best.value) {
    EXPECT_EQ(spans, best.occupiedSpans);
  }
  EXPECT_NEAR(residual, std::sqrt(std::max(0.0, (q - best.value) / n)), 1e-2);
}

TEST(MultiLevelThreshold, MatchesExhaustiveSearchOnSmallRanges) {
  Rng rng(31);
  for (int round = 0; round < 150; ++round) {
    const Counts h = SmallRangeCounts(rng, 3 + static_cast<unsigned>(round % 9));
    for (unsigned classes = 1; classes <= std::min(5u, OccupiedCount(h)); ++classes) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " classes " << classes);
      VnBWHistogramVector hist = MakeHistogram(h);
      Vector<VnRegionDescriptor> regions;
      const float residual = ImgMultiLevelsMinResidueThreshold(&hist, classes, regions);
      ASSERT_EQ(VnGetError(), 0);
      ExpectBestPartition(h, classes, regions, residual);

      Vector<VnBW8> values;
      EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, classes - 1, values), residual);
      ASSERT_EQ(values.GetSize(), static_cast<int>(classes) - 1);
      for (int i = 0; i < values.GetSize(); ++i) EXPECT_EQ(values[i], regions[i + 1].m_un32First);
    }
  }
}

TEST(MultiLevelThreshold, AllLevelsGivesEveryBestPartition) {
  Rng rng(32);
  for (int round = 0; round < 60; ++round) {
    const Counts h = SmallRangeCounts(rng, 4 + static_cast<unsigned>(round % 8));
    const unsigned classes = std::min(5u, OccupiedCount(h));
    VnBWHistogramVector hist = MakeHistogram(h);
    Vector<VnLabelisationDescriptor> partitions;
    partitions.Append({});  // cleared by the call
    const float last = ImgAllMultiLevelsMinResidueThreshold(&hist, classes, partitions);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_EQ(partitions.GetSize(), static_cast<int>(classes) - 1);
    for (int j = 0; j < partitions.GetSize(); ++j) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " partition " << j);
      ExpectBestPartition(h, static_cast<unsigned>(j) + 2, partitions[j].m_regions, partitions[j].m_f32Residual);
      Vector<VnRegionDescriptor> regions;
      EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, static_cast<unsigned>(j) + 2, regions),
                partitions[j].m_f32Residual);
    }
    if (classes > 1) {
      EXPECT_EQ(last, partitions[partitions.GetSize() - 1].m_f32Residual);
    }
  }
}

TEST(MultiLevelThreshold, TiesInAGapKeepTheLowestCut) {
  Counts h(256, 0);
  h[10] = h[20] = h[30] = 1;  // {10}{20,30} and {10,20}{30} both give 1350
  VnBWHistogramVector hist = MakeHistogram(h);
  Vector<VnRegionDescriptor> regions;
  ImgMultiLevelsMinResidueThreshold(&hist, 2, regions);
  ASSERT_EQ(regions.GetSize(), 2);
  EXPECT_EQ(regions[0].m_un32First, 10u);
  EXPECT_EQ(regions[0].m_un32Last, 10u);
  EXPECT_EQ(regions[1].m_un32First, 11u);
  EXPECT_EQ(regions[1].m_un32Last, 30u);
  EXPECT_EQ(regions[1].m_f32Mean, 25.0f);
  EXPECT_EQ(regions[1].m_f32Variance, 25.0f);
}

TEST(MultiLevelThreshold, NoPartitionAndChecks) {
  Counts h(256, 0);
  h[50] = h[200] = 7;
  VnBWHistogramVector hist = MakeHistogram(h);
  Vector<VnRegionDescriptor> regions;
  regions.Append({1, 2, 3, 4, 5});
  EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, 3, regions), -1.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgMultiLevelsMinResidueThreshold"});
  EXPECT_EQ(regions.GetSize(), 1);
  EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, 0, regions), -1.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, 1000, regions), -1.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_NOT_IMPLEMENTED);

  VnBWHistogramVector empty = MakeHistogram(Counts(256, 0));
  EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&empty, 2, regions), -1.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_VECTOR_SIZE);
  VnBWHistogramVector wrong = MakeHistogram(Counts(100, 1));
  Vector<VnLabelisationDescriptor> partitions;
  EXPECT_EQ(ImgAllMultiLevelsMinResidueThreshold(&wrong, 2, partitions), -1.0f);
  EXPECT_EQ(VnGetError(), VN_ERR_VECTOR_SIZE);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgAllMultiLevelsMinResidueThreshold"});

  // The thresholds form reads the regions it asked for: a failed partition throws.
  Vector<VnBW8> values;
  EXPECT_THROW(
      {
        try {
          ImgMultiLevelsMinResidueThreshold(&hist, 2, values);
        } catch (const Korvane::Quandor::Exception& e) {
          EXPECT_EQ(e.code, VN_ERR_PARAM_1);
          throw;
        }
      },
      Korvane::Quandor::Exception);
}

// Left open: one class is the whole occupied range.
TEST(MultiLevelThreshold, OneClassIsTheWholeRange) {
  Counts h(256, 0);
  h[0] = 3;  // only level 0: S = 0, still a valid single class
  VnBWHistogramVector hist = MakeHistogram(h);
  Vector<VnRegionDescriptor> regions;
  EXPECT_EQ(ImgMultiLevelsMinResidueThreshold(&hist, 1, regions), 0.0f);
  EXPECT_EQ(VnGetError(), 0);
  ASSERT_EQ(regions.GetSize(), 1);
  EXPECT_EQ(regions[0].m_n32Count, 3);
  h[4] = 1;
  VnBWHistogramVector two = MakeHistogram(h);
  Vector<VnLabelisationDescriptor> partitions;
  EXPECT_FLOAT_EQ(ImgAllMultiLevelsMinResidueThreshold(&two, 1, partitions), std::sqrt(3.0f));
  EXPECT_EQ(partitions.GetSize(), 0);
  Vector<VnBW8> values;
  EXPECT_FLOAT_EQ(ImgMultiLevelsMinResidueThreshold(&two, 0u, values), std::sqrt(3.0f));
  EXPECT_EQ(values.GetSize(), 0);
}

TEST(UtilsVector, GrowsBy32AndChecksIndices) {
  Vector<int> v;
  for (int i = 0; i < 33; ++i) v.Append(i);
  EXPECT_EQ(v.GetSize(), 33);
  EXPECT_EQ(v.GetCapacity(), 64);
  EXPECT_EQ(v[32], 32);
  v.Append(v[0]);  // from inside the vector
  EXPECT_EQ(v[33], 0);
  EXPECT_THROW(v[34], Korvane::Quandor::Exception);
  EXPECT_THROW(v[-1], Korvane::Quandor::Exception);
  Vector<int> copy = v;
  v.Clear();
  EXPECT_EQ(v.GetSize(), 0);
  EXPECT_EQ(v.GetCapacity(), 0);
  EXPECT_EQ(v.GetData(), nullptr);
  EXPECT_EQ(copy.GetSize(), 34);
  EXPECT_EQ(copy[33], 0);
}

}  // namespace
}  // namespace vnimg::test
