// Plain reference computations for the histogram tests: counts taken pixel by pixel, and the
// threshold criteria evaluated for every candidate from scratch.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include <vnimg.h>

namespace vnimg::test {

using Counts = std::vector<std::uint32_t>;

// A histogram vector holding `counts`.
VnBWHistogramVector MakeHistogram(const Counts& counts);
Counts CountsOf(const VnBWHistogramVector& hist);

// Random counts over `bins` bins: about `occupied` of them non-zero, each up to maxCount, and
// some repeated values so that criteria tie.
Counts RandomCounts(std::mt19937& rng, std::size_t bins, std::size_t occupied, std::uint32_t maxCount);

// n, sum h k and sum h k^2 (mod 2^64) over bins [first, end), visiting only the listed bins.
struct Sums {
  std::uint64_t n = 0;
  std::uint64_t s = 0;
};
Sums SumRange(const Counts& h, const std::vector<unsigned>& occupied, std::uint64_t first, std::uint64_t end);
std::vector<unsigned> OccupiedBins(const Counts& h);

// What ImgHistogramThreshold should answer for `mode` over lo..hi, every split's criterion
// recomputed from the counts; `wide` selects the 65536-bin arithmetic (double criteria).
// Candidates are returned with their criteria so that callers can look at near ties.
struct Candidate {
  unsigned t;
  double criterion;
};
struct BruteChoice {
  std::optional<unsigned> threshold;    // none: no candidate accepted
  std::vector<Candidate> candidates;    // in scan order
};
BruteChoice BruteForceThreshold(const Counts& h, unsigned mode, unsigned lo, unsigned hi, float fraction, bool wide);

// Expected class averages for a threshold (lower = lo..lowerEnd-1), as the operation defines them.
void BruteAverages(const Counts& h, unsigned mode, unsigned lo, unsigned hi, std::optional<unsigned> threshold,
                   bool wide, float& below, float& above);

// The best partition of the occupied range into `classes` non-empty classes by trying them
// all: its value (sum of S^2 / P, double) and, per class, the first and last occupied bins.
struct Partition {
  double value = -1.0;
  std::vector<std::pair<unsigned, unsigned>> occupiedSpans;
  double secondValue = -1.0;  // the best value of a partition with other contents
};
Partition ExhaustivePartition(const Counts& h, unsigned classes);

}  // namespace vnimg::test
