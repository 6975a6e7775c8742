#include "histogram/brute_force.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace vnimg::test {

VnBWHistogramVector MakeHistogram(const Counts& counts) {
  VnBWHistogramVector hist;
  hist.SetNumElements(static_cast<unsigned int>(counts.size()));
  std::copy(counts.begin(), counts.end(), hist.GetDataPtr());
  return hist;
}

Counts CountsOf(const VnBWHistogramVector& hist) {
  return Counts(hist.GetDataPtr(), hist.GetDataPtr() + hist.GetNumElements());
}

Counts RandomCounts(std::mt19937& rng, std::size_t bins, std::size_t occupied, std::uint32_t maxCount) {
  Counts h(bins, 0);
  std::uniform_int_distribution<std::size_t> bin(0, bins - 1);
  std::uniform_int_distribution<std::uint32_t> count(1, maxCount);
  std::uniform_int_distribution<int> repeat(0, 3);
  std::uint32_t previous = 1;
  for (std::size_t i = 0; i < occupied; ++i) {
    const std::uint32_t c = repeat(rng) == 0 ? previous : count(rng);
    h[bin(rng)] = c;
    previous = c;
  }
  return h;
}

std::vector<unsigned> OccupiedBins(const Counts& h) {
  std::vector<unsigned> bins;
  for (unsigned k = 0; k < h.size(); ++k)
    if (h[k] != 0) bins.push_back(k);
  return bins;
}

Sums SumRange(const Counts& h, const std::vector<unsigned>& occupied, std::uint64_t first, std::uint64_t end) {
  Sums sums;
  for (unsigned k : occupied)
    if (k >= first && k < end) {
      sums.n += h[k];
      sums.s += std::uint64_t{h[k]} * k;
    }
  return sums;
}

namespace {

double EntropySum(const Counts& h, const std::vector<unsigned>& occupied, std::uint64_t first, std::uint64_t end) {
  double sum = 0.0;
  for (unsigned k : occupied)
    if (k >= first && k < end) sum += h[k] * std::log(static_cast<double>(h[k]));
  return sum;
}

std::uint64_t ErrorSum(const Counts& h, const std::vector<unsigned>& occupied, std::uint64_t first, std::uint64_t end,
                       std::uint64_t level, int power) {
  std::uint64_t sum = 0;
  for (unsigned k : occupied)
    if (k >= first && k < end) {
      const std::uint64_t d = k > level ? k - level : level - k;
      sum += std::uint64_t{h[k]} * (power == 1 ? d : d * d);
    }
  return sum;
}

double Criterion(unsigned mode, const Counts& h, const std::vector<unsigned>& occ, unsigned lo, unsigned hi, unsigned t) {
  const Sums lower = SumRange(h, occ, lo, t), upper = SumRange(h, occ, t, std::uint64_t{hi} + 1);
  const double n0 = static_cast<double>(lower.n), n1 = static_cast<double>(upper.n);
  const double s0 = static_cast<double>(lower.s), s1 = static_cast<double>(upper.s);
  switch (mode) {
    case IMG_THRESHOLD_MIN_RESIDUE: return -(s0 * s0 / n0 + s1 * s1 / n1);
    case IMG_THRESHOLD_ISODATA: return std::fabs(s0 / (2 * n0) + s1 / (2 * n1) - t);
    default: {
      const double a1 = EntropySum(h, occ, t, std::uint64_t{hi} + 1), b0 = EntropySum(h, occ, lo, t);
      return (a1 / n1 - std::log(n1)) + (b0 / n0 - std::log(n0));
    }
  }
}

}  // namespace

BruteChoice BruteForceThreshold(const Counts& h, unsigned mode, unsigned lo, unsigned hi, float fraction, bool wide) {
  const std::vector<unsigned> occ = OccupiedBins(h);
  BruteChoice choice;
  if (mode == IMG_THRESHOLD_RELATIVE) {
    const std::uint64_t total = SumRange(h, occ, lo, std::uint64_t{hi} + 1).n;
    const std::uint64_t target =
        total - static_cast<std::uint64_t>(static_cast<long double>(total) * static_cast<long double>(fraction));
    if (target == 0) {
      choice.threshold = hi + 1;
      return choice;
    }
    for (unsigned t = hi + 1; t-- > lo;)
      if (SumRange(h, occ, t, std::uint64_t{hi} + 1).n >= target) {
        choice.threshold = t;
        return choice;
      }
    return choice;
  }
  if (mode == IMG_THRESHOLD_MIN_ABS_ERROR || mode == IMG_THRESHOLD_MIN_SQ_ERROR) {
    const int power = mode == IMG_THRESHOLD_MIN_ABS_ERROR ? 1 : 2;
    const std::uint64_t top = wide ? 65535 : 255;
    std::uint64_t best = wide ? static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) : 0xFFFFFFFFu;
    for (unsigned t = hi + 1; t-- > lo;) {
      const std::uint64_t c = ErrorSum(h, occ, lo, std::uint64_t{t} + 1, 0, power) +
                              ErrorSum(h, occ, std::uint64_t{t} + 1, std::uint64_t{hi} + 1, top, power);
      choice.candidates.push_back({t, static_cast<double>(c)});
      if (c < best) best = c, choice.threshold = t;
    }
    return choice;
  }
  double best = wide ? DBL_MAX : FLT_MAX;
  for (unsigned t = lo; t <= hi; ++t) {
    if (SumRange(h, occ, lo, t).n == 0 || SumRange(h, occ, t, std::uint64_t{hi} + 1).n == 0) continue;
    double c = Criterion(mode, h, occ, lo, hi, t);
    if (!wide) c = static_cast<float>(c);
    choice.candidates.push_back({t, c});
    if (c < best) best = c, choice.threshold = t;
  }
  return choice;
}

void BruteAverages(const Counts& h, unsigned mode, unsigned lo, unsigned hi, std::optional<unsigned> threshold,
                   bool wide, float& below, float& above) {
  const std::vector<unsigned> occ = OccupiedBins(h);
  const bool error = mode == IMG_THRESHOLD_MIN_ABS_ERROR || mode == IMG_THRESHOLD_MIN_SQ_ERROR;
  std::uint64_t n0 = 0, q0 = 0, n1 = 0, q1 = 0;
  if (threshold) {
    const std::uint64_t lowerEnd = *threshold + (error ? 1 : 0), end = std::uint64_t{hi} + 1;
    n0 = SumRange(h, occ, lo, lowerEnd).n;
    n1 = SumRange(h, occ, lowerEnd, end).n;
    if (error) {
      const int power = mode == IMG_THRESHOLD_MIN_ABS_ERROR ? 1 : 2;
      q0 = ErrorSum(h, occ, lo, lowerEnd, 0, power);
      q1 = ErrorSum(h, occ, lowerEnd, end, wide ? 65535 : 255, power);
    } else {
      q0 = SumRange(h, occ, lo, lowerEnd).s;
      q1 = SumRange(h, occ, lowerEnd, end).s;
    }
  }
  below = n0 ? static_cast<float>(static_cast<double>(q0) / n0) : static_cast<float>(lo);
  above = n1 ? static_cast<float>(static_cast<double>(q1) / n1) : static_cast<float>(hi + 1);
}

namespace {

// Every way to place the remaining cuts after `start`; cuts[i] is the first bin of class i+1.
void Enumerate(const Counts& h, unsigned start, unsigned last, unsigned classesLeft, std::vector<unsigned>& cuts,
               Partition& best, const std::vector<unsigned>& occ) {
  if (classesLeft == 1) {
    std::vector<std::pair<unsigned, unsigned>> spans;
    double value = 0.0;
    unsigned first = occ.front();
    for (std::size_t c = 0; c <= cuts.size(); ++c) {
      const unsigned end = c < cuts.size() ? cuts[c] : last + 1;
      const Sums sums = SumRange(h, occ, first, end);
      if (sums.n == 0) return;
      value += static_cast<double>(sums.s) * static_cast<double>(sums.s) / static_cast<double>(sums.n);
      unsigned lowOcc = end, highOcc = first;
      for (unsigned k : occ)
        if (k >= first && k < end) lowOcc = std::min(lowOcc, k), highOcc = std::max(highOcc, k);
      spans.emplace_back(lowOcc, highOcc);
      first = end;
    }
    if (spans == best.occupiedSpans) return;  // the same contents with cuts elsewhere in a gap
    if (value > best.value) {
      best.secondValue = best.value;
      best.value = value;
      best.occupiedSpans = spans;
    } else if (value > best.secondValue) {
      best.secondValue = value;
    }
    return;
  }
  for (unsigned cut = start + 1; cut <= last; ++cut) {
    cuts.push_back(cut);
    Enumerate(h, cut, last, classesLeft - 1, cuts, best, occ);
    cuts.pop_back();
  }
}

}  // namespace

Partition ExhaustivePartition(const Counts& h, unsigned classes) {
  const std::vector<unsigned> occ = OccupiedBins(h);
  Partition best;
  std::vector<unsigned> cuts;
  Enumerate(h, occ.front(), occ.back(), classes, cuts, best, occ);
  return best;
}

}  // namespace vnimg::test
