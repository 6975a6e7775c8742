// Partition of a histogram into any number of classes of least within-class residue, by
// dynamic programming over the occupied range of bins (quadratic in bins per class).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "foundation/frame.h"
#include "vnimg/histogram.h"

namespace vnimg::histogram {
namespace {

using Korvane::Quandor::Utils::Vector;

constexpr int kBins = 256;

// A kBins x kBins table from the core allocator, released with the object.
template <class T>
class WorkTable {
 public:
  WorkTable() : m_cells(static_cast<T*>(Quandor_Malloc(sizeof(T) * kBins * kBins))) {}
  WorkTable(const WorkTable&) = delete;
  WorkTable& operator=(const WorkTable&) = delete;
  ~WorkTable() { Quandor_Free(m_cells); }
  bool Ok() const { return m_cells != nullptr; }
  T& operator()(int row, int column) { return m_cells[row * kBins + column]; }

 private:
  T* m_cells;
};

// Running sums from bin 0 in extended precision (exact for any 32-bit counts): count, first
// and second moments of bins i..j are differences of two entries.
struct PrefixSums {
  long double count[kBins + 1] = {};
  long double first[kBins + 1] = {};
  long double second[kBins + 1] = {};

  explicit PrefixSums(const unsigned int* h) {
    for (int k = 0; k < kBins; ++k) {
      const long double c = h[k];
      count[k + 1] = count[k] + c;
      first[k + 1] = first[k] + c * k;
      second[k + 1] = second[k] + c * k * k;
    }
  }
  long double Count(int i, int j) const { return count[j + 1] - count[i]; }
  long double First(int i, int j) const { return first[j + 1] - first[i]; }
  long double Second(int i, int j) const { return second[j + 1] - second[i]; }
};

// The search over bins a..b (the first and last occupied ones) for up to m thresholds.
class Partitioner {
 public:
  Partitioner(const unsigned int* h, int a, int b) : m_h(h), m_sums(h), m_a(a), m_b(b) {}

  bool Allocate() { return m_value.Ok() && m_best.Ok() && m_split.Ok(); }

  // Fills the tables for m thresholds; F(r, k) is filled for rows firstRow(k) .. b - k, where
  // firstRow(k) = a + m - k for one partition and a for every partition. False when no
  // partition into m + 1 non-empty classes exists.
  bool Solve(int m, bool everyCount) {
    for (int i = m_a; i <= m_b; ++i)
      for (int j = i; j <= m_b; ++j) {
        const long double p = m_sums.Count(i, j), s = m_sums.First(i, j);
        m_value(i, j) = p == 0 ? -1.0f : static_cast<float>(s * s / p);
      }
    for (int r = m_a; r <= m_b; ++r) m_best(r, 0) = m_value(r, m_b);
    for (int k = 1; k < m; ++k)
      for (int r = everyCount ? m_a : m_a + m - k; r <= m_b - k; ++r) FillCell(r, k);
    if (m == 0) return true;
    FillCell(m_a, m);
    return m_best(m_a, m) > 0.0f;
  }

  // The classes of the best partition with j thresholds, in bin order; false when the path
  // meets a cell without a partition.
  bool Backtrack(int j, Vector<VnRegionDescriptor>& regions) {
    regions.Clear();
    int r = m_a;
    for (int k = j; k >= 0; --k) {
      if (m_best(r, k) < 0.0f) return false;
      const int end = k == 0 ? m_b + 1 : m_split(r, k);
      regions.Append(Region(r, end - 1));
      r = end;
    }
    return true;
  }

  // sqrt((Q - F(a, j)) / N): Q the float sum of k^2 h over a..b, N the count of a..b.
  float Residual(int j) {
    float q = 0.0f;
    for (int k = m_a; k <= m_b; ++k) q += static_cast<float>(k * k) * static_cast<float>(m_h[k]);
    const float n = static_cast<float>(m_sums.Count(m_a, m_b));
    return static_cast<float>(std::sqrt(std::max(0.0, (double{q} - m_best(m_a, j)) / n)));
  }

 private:
  // F(r, k) = the largest H(r, s - 1) + F(s, k - 1) over r < s <= b - k + 1 with both terms
  // non-negative; strictly larger sums replace, so ties keep the lowest s; -1 when none.
  void FillCell(int r, int k) {
    float best = 0.0f;
    int split = 0;
    for (int s = r + 1; s <= m_b - k + 1; ++s) {
      const float head = m_value(r, s - 1), tail = m_best(s, k - 1);
      if (head < 0.0f || tail < 0.0f) continue;
      const float sum = head + tail;
      if (sum > best) best = sum, split = s;
    }
    m_best(r, k) = best == 0.0f ? -1.0f : best;
    m_split(r, k) = static_cast<std::uint8_t>(split);
  }

  VnRegionDescriptor Region(int first, int last) const {
    const float p = static_cast<float>(m_sums.Count(first, last));
    const float s = static_cast<float>(m_sums.First(first, last));
    const float mean = s / p;
    const double meanSquare = static_cast<double>(m_sums.Second(first, last)) / p;
    return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last), mean,
            static_cast<float>(meanSquare - double{mean} * mean), static_cast<std::int32_t>(p)};
  }

  const unsigned int* m_h;
  PrefixSums m_sums;
  int m_a;
  int m_b;
  WorkTable<float> m_value;        // H(i, j) = S^2 / P of bins i..j, -1 when empty
  WorkTable<float> m_best;         // F(r, k): best sum of H from bin r with k thresholds
  WorkTable<std::uint8_t> m_split;  // first bin of the next class at (r, k)
};

struct OccupiedRange {
  int first;
  int last;
};

// The first and last non-empty bins, after the size check; traces 1613 on failure.
bool Occupied(VnBWHistogramVector* hist, const char* trace, OccupiedRange& range) {
  VnOk();
  if (!frame::CheckNotNull(trace, {hist})) return false;
  if (hist->GetNumElements() != kBins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), false;
  const unsigned int* h = hist->GetDataPtr();
  range.first = 0;
  while (range.first < kBins && h[range.first] == 0) ++range.first;
  if (range.first == kBins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), false;
  range.last = kBins - 1;
  while (h[range.last] == 0) --range.last;
  return true;
}

// Runs body(partitioner, m) once the checks and the tables are in place; body returns false
// when a partition is missing (32767). Reports every failure and returns -1 then.
template <class Body>
float RunPartitioner(VnBWHistogramVector* hist, unsigned int classes, bool everyCount, const char* trace, Body body) {
  OccupiedRange range{};
  if (!Occupied(hist, trace, range)) return -1.0f;
  // No partition into no class, nor into more classes than there are bins to hold them.
  if (classes == 0 || classes - 1 > static_cast<unsigned int>(range.last - range.first))
    return frame::Fail(VN_ERR_NOT_IMPLEMENTED, trace), -1.0f;
  const int m = static_cast<int>(classes - 1);
  try {
    Partitioner partitioner(hist->GetDataPtr(), range.first, range.last);
    if (!partitioner.Allocate()) return frame::Fail(VN_ERR_OUT_OF_MEMORY, trace), -1.0f;
    float result = -1.0f;
    if (!partitioner.Solve(m, everyCount) || !body(partitioner, m, result))
      return frame::Fail(VN_ERR_NOT_IMPLEMENTED, trace), -1.0f;
    return result;
  } catch (const Korvane::Quandor::Exception& e) {
    // Output storage that could not be had.
    frame::Fail(e.code, trace);
    return -1.0f;
  }
}

}  // namespace
}  // namespace vnimg::histogram

using namespace vnimg;
using namespace vnimg::histogram;

float ImgMultiLevelsMinResidueThreshold(VnBWHistogramVector* hist, unsigned int classes,
                                        Korvane::Quandor::Utils::Vector<VnRegionDescriptor>& regions) {
  return RunPartitioner(hist, classes, false, "ImgMultiLevelsMinResidueThreshold",
                        [&](Partitioner& p, int m, float& result) {
                          if (!p.Backtrack(m, regions)) return false;
                          result = p.Residual(m);
                          return true;
                        });
}

float ImgMultiLevelsMinResidueThreshold(VnBWHistogramVector* hist, unsigned int thresholds,
                                        Korvane::Quandor::Utils::Vector<VnBW8>& values) {
  Korvane::Quandor::Utils::Vector<VnRegionDescriptor> regions;
  const float result = ImgMultiLevelsMinResidueThreshold(hist, thresholds + 1, regions);
  values.Clear();
  // A failed partition leaves fewer regions: reading one throws Korvane::Quandor::Exception(1011).
  for (unsigned int i = 1; i <= thresholds; ++i)
    values.Append(static_cast<VnBW8>(regions[static_cast<int>(i)].m_un32First));
  return result;
}

float ImgAllMultiLevelsMinResidueThreshold(VnBWHistogramVector* hist, unsigned int classes,
                                           Korvane::Quandor::Utils::Vector<VnLabelisationDescriptor>& partitions) {
  return RunPartitioner(hist, classes, true, "ImgAllMultiLevelsMinResidueThreshold",
                        [&](Partitioner& p, int m, float& result) {
                          partitions.Clear();
                          result = p.Residual(0);
                          for (int j = 1; j <= m; ++j) {
                            VnLabelisationDescriptor partition;
                            if (!p.Backtrack(j, partition.m_regions)) return false;
                            partition.m_f32Residual = result = p.Residual(j);
                            partitions.Append(partition);
                          }
                          return true;
                        });
}
