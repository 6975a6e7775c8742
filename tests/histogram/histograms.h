// Shared pieces of the histogram and threshold tests: histograms from counts, random counts,
// class sums recomputed from scratch, and the failed-check expectation.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/images.h"

namespace vnimg::test {

using Counts = std::vector<std::uint32_t>;

inline VnBWHistogramVector MakeHistogram(const Counts& c) {
  VnBWHistogramVector hist;
  return hist.SetNumElements(unsigned(c.size())), std::copy(c.begin(), c.end(), hist.GetDataPtr()), hist;
}
inline Counts CountsOf(const VnBWHistogramVector& h) { return Counts(h.GetDataPtr(), h.GetDataPtr() + h.GetNumElements()); }
// A legacy histogram vector (type 2) holding the first 256 counts, and the counts of one.
inline void SetLegacy(VnVector& v, const Counts& h) { v.SetType(2, 0, 0), std::copy(h.begin(), h.begin() + 256, static_cast<std::uint32_t*>(v.GetDataPtr())); }
inline Counts LegacyCounts(const VnVector& v) { return Counts(static_cast<std::uint32_t*>(v.GetDataPtr()), static_cast<std::uint32_t*>(v.GetDataPtr()) + 256); }
inline Counts Bins(std::size_t size, std::initializer_list<std::pair<unsigned, std::uint32_t>> bins) {
  Counts h(size, 0);
  return std::for_each(bins.begin(), bins.end(), [&](auto bin) { h[bin.first] = bin.second; }), h;
}

// About `occupied` random bins set to 1..maxCount; one in four repeats the last count, so that
// criteria tie.
inline Counts RandomCounts(Rng& rng, std::size_t bins, std::size_t occupied, std::uint32_t maxCount) {
  Counts h(bins, 0);
  std::uint32_t last = 1;
  for (std::size_t i = 0; i < occupied; ++i) h[rng() % bins] = last = rng() % 4 ? 1 + rng() % maxCount : last;
  return h;
}

// n, sum h k and sum h k^2 over the occupied bins of [first, end).
struct Sums { std::uint64_t n = 0, s = 0; double q = 0; double Mean() const { return double(s) / double(n); } };
inline std::vector<unsigned> Occupied(const Counts& h) {
  std::vector<unsigned> bins;
  for (unsigned k = 0; k < h.size(); ++k) if (h[k]) bins.push_back(k);
  return bins;
}
inline Sums SumOf(const Counts& h, const std::vector<unsigned>& occupied, std::uint64_t first, std::uint64_t end) {
  Sums r;
  for (unsigned k : occupied) if (k >= first && k < end) r.n += h[k], r.s += std::uint64_t{h[k]} * k, r.q += double(h[k]) * k * k;
  return r;
}

// The thread's code is `code` and its trace `trace`, innermost first.
inline ::testing::AssertionResult Failed(int code, const std::vector<std::string>& trace) {
  if (VnGetError() == code && Trace() == trace) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "code " << VnGetError() << ", trace starting " << (Trace().empty() ? "" : Trace()[0]);
}

}  // namespace vnimg::test
