// Two- and three-class threshold selection from a histogram. Every search works over bins
// only, so its cost does not depend on the image size.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "foundation/frame.h"
#include "histogram/legacy_histogram.h"
#include "vnimg/histogram.h"

namespace vnimg::histogram {
namespace {

// An unsigned 128-bit sum of 64-bit terms. A 16-bit squared error term reaches
// (2^32 - 1) x 65535^2, just under 2^64, so the error sums of a 65536-bin histogram would wrap
// 64 bits and a wrapped sum could win the search. Wider sums give the 64-bit result wherever
// that one does not wrap, and the true minimum where it would.
struct WideSum {
  std::uint64_t hi = 0, lo = 0;
  WideSum(std::uint64_t v = 0) : lo(v) {}
  WideSum& operator+=(std::uint64_t v) {
    lo += v;
    hi += lo < v;
    return *this;
  }
  WideSum& operator-=(std::uint64_t v) {
    hi -= lo < v;
    lo -= v;
    return *this;
  }
  friend WideSum operator+(WideSum a, WideSum b) {
    a += b.lo;
    a.hi += b.hi;
    return a;
  }
  friend bool operator<(WideSum a, WideSum b) { return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo; }
  explicit operator double() const { return std::ldexp(static_cast<double>(hi), 64) + static_cast<double>(lo); }
};

// The arithmetic of each histogram width: the 8-bit searches keep their criteria (and the
// entropy sums) in float, the 16-bit ones in double.
struct BW8Search {
  static constexpr unsigned kBins = 256;
  static constexpr std::uint64_t kTop = 255;
  using Criterion = float;
  static constexpr Criterion kWorst = FLT_MAX;
  static constexpr std::uint64_t kWorstError = 0xFFFFFFFFu;
  using ErrorSum = std::uint64_t;  // at most 256 x (2^32 - 1) x 255^2: no wrap
};
struct BW16Search {
  static constexpr unsigned kBins = 65536;
  static constexpr std::uint64_t kTop = 65535;
  using Criterion = double;
  static constexpr Criterion kWorst = DBL_MAX;
  static constexpr std::uint64_t kWorstError = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  using ErrorSum = WideSum;
};

double HLogH(std::uint32_t h) { return h == 0 ? 0.0 : static_cast<double>(h) * std::log(static_cast<double>(h)); }

// h ln h remembered for the small counts that fill most bins of a dense histogram: each term
// is needed twice (the starting sum and the move), and a 65536-bin search would otherwise
// spend half its time in these logarithms. The values are the ones HLogH gives.
class HLogHCache {
 public:
  double operator()(std::uint32_t h) {
    if (h >= kSize) return HLogH(h);
    if (!m_known[h]) m_terms[h] = HLogH(h), m_known[h] = true;
    return m_terms[h];
  }

 private:
  static constexpr std::uint32_t kSize = 2048;
  double m_terms[kSize];
  bool m_known[kSize] = {};
};

// Count and first-moment sums of one class.
struct ClassSums {
  std::uint64_t n = 0;
  std::uint64_t s = 0;
  void Add(std::uint32_t h, std::uint64_t k) {
    n += h;
    s += h * k;
  }
  void Remove(std::uint32_t h, std::uint64_t k) {
    n -= h;
    s -= h * k;
  }
  double Mean() const { return static_cast<double>(s) / static_cast<double>(n); }
};

ClassSums SumBins(const std::uint32_t* h, std::uint64_t first, std::uint64_t end) {
  ClassSums sums;
  for (std::uint64_t k = first; k < end; ++k) sums.Add(h[k], k);
  return sums;
}

// The result of a search: the threshold, and the first bin past the lower class.
struct Split {
  unsigned threshold;
  std::uint64_t lowerEnd;
};

// Largest t with at least N - trunc(N * fraction) pixels in t..hi; hi + 1 when that is none.
unsigned RelativeThreshold(const std::uint32_t* h, unsigned lo, unsigned hi, float fraction) {
  const std::uint64_t total = SumBins(h, lo, std::uint64_t{hi} + 1).n;
  const auto below = static_cast<std::uint64_t>(static_cast<long double>(total) * static_cast<long double>(fraction));
  const std::uint64_t target = total - below;
  std::uint64_t upper = 0;
  unsigned t = hi + 1;
  while (upper < target) upper += h[--t];
  return t;
}

enum class UpwardCriterion { MinResidue, Isodata, MaxEntropy };

// t = lo .. hi with lower = lo..t-1 and upper = t..hi, while both hold pixels; the strictly
// smallest criterion wins, so ties keep the lowest t. The minimum-residue and entropy criteria
// depend only on the classes, so they are recomputed only when a non-empty bin moved; the
// isodata mid-point likewise, its distance to t at every t.
template <class Search>
std::optional<unsigned> ScanUpward(const std::uint32_t* h, unsigned lo, unsigned hi, UpwardCriterion kind) {
  using Criterion = typename Search::Criterion;
  ClassSums lower, upper = SumBins(h, lo, std::uint64_t{hi} + 1);
  Criterion entropyUpper = 0, entropyLower = 0;
  HLogHCache hLogH;
  if (kind == UpwardCriterion::MaxEntropy)
    for (unsigned k = lo; k <= hi; ++k) entropyUpper = static_cast<Criterion>(entropyUpper + hLogH(h[k]));
  Criterion best = Search::kWorst;
  std::optional<unsigned> found;
  double value = 0.0;  // the class-only part of the criterion
  for (unsigned t = lo; t <= hi; ++t) {
    if (lower.n != 0 && upper.n != 0) {
      const bool changed = t == lo || h[t - 1] != 0;
      const double n0 = static_cast<double>(lower.n), n1 = static_cast<double>(upper.n);
      const double s0 = static_cast<double>(lower.s), s1 = static_cast<double>(upper.s);
      if (changed) {
        switch (kind) {
          case UpwardCriterion::MinResidue: value = -(s0 * s0 / n0 + s1 * s1 / n1); break;
          case UpwardCriterion::Isodata: value = s0 / (2 * n0) + s1 / (2 * n1); break;
          case UpwardCriterion::MaxEntropy:
            value = (entropyUpper / n1 - std::log(n1)) + (entropyLower / n0 - std::log(n0));
            break;
        }
      }
      if (changed || kind == UpwardCriterion::Isodata) {
        const Criterion c =
            static_cast<Criterion>(kind == UpwardCriterion::Isodata ? std::fabs(value - static_cast<double>(t)) : value);
        if (c < best) best = c, found = t;
      }
    }
    lower.Add(h[t], t);
    upper.Remove(h[t], t);
    if (kind == UpwardCriterion::MaxEntropy && h[t] != 0) {
      const double term = hLogH(h[t]);
      entropyLower = static_cast<Criterion>(entropyLower + term);
      entropyUpper = static_cast<Criterion>(entropyUpper - term);
    }
  }
  return found;
}

std::uint64_t Power(std::uint64_t v, int power) { return power == 1 ? v : v * v; }

// t = hi .. lo with lower = lo..t and upper = t+1..hi, empty classes allowed; the strictly
// smallest total error wins, so ties keep the highest t. The error of the lower class is
// against 0 (sum h k^p), of the upper one against the top level (sum h (top - k)^p), both in
// 64-bit integers.
template <class Search>
std::optional<unsigned> ScanDownward(const std::uint32_t* h, unsigned lo, unsigned hi, int power) {
  typename Search::ErrorSum r0 = 0, r1 = 0;
  for (unsigned k = lo; k <= hi; ++k) r0 += h[k] * Power(k, power);
  typename Search::ErrorSum best = Search::kWorstError;
  std::optional<unsigned> found;
  for (unsigned t = hi + 1; t-- > lo;) {
    const typename Search::ErrorSum c = r0 + r1;
    if (c < best) best = c, found = t;
    r0 -= h[t] * Power(t, power);
    r1 += h[t] * Power(Search::kTop - t, power);
  }
  return found;
}

template <class Sum>
void SetAverages(std::uint64_t n0, Sum q0, std::uint64_t n1, Sum q1, unsigned lo, unsigned hi, float& belowAverage,
                 float& aboveAverage) {
  belowAverage = n0 ? static_cast<float>(static_cast<double>(q0) / static_cast<double>(n0)) : static_cast<float>(lo);
  aboveAverage = n1 ? static_cast<float>(static_cast<double>(q1) / static_cast<double>(n1))
                    : static_cast<float>(std::uint64_t{hi} + 1);
}

// The class means (or, for the error modes, the mean errors) of the split.
template <class Search>
void ClassAverages(const std::uint32_t* h, unsigned lo, unsigned hi, std::uint64_t lowerEnd, int errorPower,
                   float& belowAverage, float& aboveAverage) {
  const std::uint64_t end = std::uint64_t{hi} + 1;
  if (errorPower == 0) {
    const ClassSums lower = SumBins(h, lo, lowerEnd), upper = SumBins(h, lowerEnd, end);
    return SetAverages(lower.n, lower.s, upper.n, upper.s, lo, hi, belowAverage, aboveAverage);
  }
  std::uint64_t n0 = 0, n1 = 0;
  typename Search::ErrorSum r0 = 0, r1 = 0;
  for (std::uint64_t k = lo; k < lowerEnd; ++k) n0 += h[k], r0 += h[k] * Power(k, errorPower);
  for (std::uint64_t k = lowerEnd; k < end; ++k) n1 += h[k], r1 += h[k] * Power(Search::kTop - k, errorPower);
  SetAverages(n0, r0, n1, r1, lo, hi, belowAverage, aboveAverage);
}

bool IsMode(unsigned int threshold) { return threshold >= IMG_THRESHOLD_MIN_SQ_ERROR && threshold <= IMG_THRESHOLD_RELATIVE; }

template <class Search>
void HistogramThreshold(VnBWHistogramVector* hist, unsigned int& threshold, float& belowAverage, float& aboveAverage,
                        float fraction, unsigned int lo, unsigned int hi, const char* trace) {
  VnOk();
  if (!frame::CheckNotNull(trace, {hist})) return;
  if (hist->GetNumElements() != Search::kBins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace);
  if (lo >= Search::kBins) return frame::Fail(VN_ERR_PARAM_5, trace);
  if (hi >= Search::kBins) return frame::Fail(VN_ERR_PARAM_6, trace);
  if (lo >= hi) return frame::Fail(VN_ERR_BAD_ARGUMENT_COMBINATION, trace);
  const unsigned int mode = threshold;
  if (mode == IMG_THRESHOLD_RELATIVE && !(fraction >= 0.0f && fraction <= 1.0f))
    return frame::Fail(VN_ERR_PARAM_5, trace);
  if (!IsMode(mode) && (mode < lo || mode > hi)) return frame::Fail(VN_ERR_PARAM_2, trace);

  const std::uint32_t* h = hist->GetDataPtr();
  std::optional<unsigned> t;
  int errorPower = 0;
  switch (mode) {
    case IMG_THRESHOLD_RELATIVE: t = RelativeThreshold(h, lo, hi, fraction); break;
    case IMG_THRESHOLD_MIN_RESIDUE: t = ScanUpward<Search>(h, lo, hi, UpwardCriterion::MinResidue); break;
    case IMG_THRESHOLD_ISODATA: t = ScanUpward<Search>(h, lo, hi, UpwardCriterion::Isodata); break;
    case IMG_THRESHOLD_MAX_ENTROPY: t = ScanUpward<Search>(h, lo, hi, UpwardCriterion::MaxEntropy); break;
    case IMG_THRESHOLD_MIN_ABS_ERROR: t = ScanDownward<Search>(h, lo, hi, errorPower = 1); break;
    case IMG_THRESHOLD_MIN_SQ_ERROR: t = ScanDownward<Search>(h, lo, hi, errorPower = 2); break;
    default: t = mode; break;
  }
  if (!t) {
    // No split was acceptable: both classes count as empty.
    threshold = 0;
    SetAverages(0, 0, 0, 0, lo, hi, belowAverage, aboveAverage);
    return;
  }
  threshold = *t;
  // The error modes keep the threshold's bin in the lower class.
  const std::uint64_t lowerEnd = errorPower ? std::uint64_t{*t} + 1 : *t;
  ClassAverages<Search>(h, lo, hi, lowerEnd, errorPower, belowAverage, aboveAverage);
}

// Iterated mid-point of the class means, lower class lo..t inclusive, in integer arithmetic.
// The running sums follow t as it moves instead of being summed again.
unsigned Isodata(const std::uint32_t* h, unsigned lo, unsigned hi) {
  const ClassSums all = SumBins(h, lo, std::uint64_t{hi} + 1);
  unsigned t = (lo + hi + 1) >> 1;
  ClassSums lower = SumBins(h, lo, std::uint64_t{t} + 1);
  for (int round = 0; round < 16; ++round) {
    const std::uint64_t m0 = lower.n ? lower.s / lower.n : (t + lo) >> 1;
    const std::uint64_t n1 = all.n - lower.n;
    const std::uint64_t m1 = n1 ? (all.s - lower.s) / n1 : (std::uint64_t{t} + hi + 1) >> 1;
    const unsigned next = static_cast<unsigned>((m0 + m1) >> 1);
    if (next == t) break;
    for (; t < next; ++t) lower.Add(h[t + 1], t + 1);
    for (; t > next; --t) lower.Remove(h[t], t);
  }
  return t;
}

template <class Search>
bool CheckIsodata(VnBWHistogramVector* hist, unsigned int lo, unsigned int hi, const char* trace) {
  VnOk();
  if (!frame::CheckNotNull(trace, {hist})) return false;
  if (hist->GetNumElements() != Search::kBins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), false;
  if (lo >= Search::kBins) return frame::Fail(VN_ERR_PARAM_2, trace), false;
  if (hi >= Search::kBins) return frame::Fail(VN_ERR_PARAM_3, trace), false;
  if (lo >= hi) return frame::Fail(VN_ERR_BAD_ARGUMENT_COMBINATION, trace), false;
  return true;
}

// Sums over all 256 bins of an 8-bit histogram.
struct WholeSums {
  std::uint64_t n = 0;
  std::uint64_t s = 0;
  double q = 0.0;  // sum h k^2, exactly, as 2 * sum(h k(k - 1) / 2) + S
};

WholeSums SumWhole(const std::uint32_t* h) {
  WholeSums w;
  double halfPairs = 0.0;
  for (std::uint64_t k = 0; k < BW8Search::kBins; ++k) {
    w.n += h[k];
    w.s += h[k] * k;
    halfPairs += static_cast<double>(h[k]) * static_cast<double>(k * (k - 1) / 2);
  }
  w.q = 2.0 * halfPairs + static_cast<double>(w.s);
  return w;
}

// S^2 / N of the whole histogram as a float: the value a split must beat.
float SingleClassValue(const WholeSums& w) {
  if (w.n == 0) return 0.0f;
  const double s = static_cast<double>(w.s);
  return static_cast<float>(s * s / static_cast<double>(w.n));
}

double SquareOverCount(const ClassSums& c) {
  const double s = static_cast<double>(c.s);
  return s * s / static_cast<double>(c.n);
}

// The two-class split of largest S0^2/N0 + S1^2/N1 that strictly beats the single class.
struct TwoClassResult {
  bool found = false;
  unsigned threshold = 0;
  float best = 0.0f;
  float below = 0.0f;
  float above = 0.0f;
};

TwoClassResult MinResidueSplit(const std::uint32_t* h, const WholeSums& w) {
  TwoClassResult r;
  r.best = SingleClassValue(w);
  ClassSums lower, upper{w.n, w.s};
  for (unsigned t = 0; t < BW8Search::kBins; ++t) {
    if (lower.n != 0 && upper.n != 0) {
      const double v = SquareOverCount(lower) + SquareOverCount(upper);
      if (v > r.best) {
        r = {true, t, static_cast<float>(v), static_cast<float>(lower.Mean()), static_cast<float>(upper.Mean())};
      }
    }
    lower.Add(h[t], t);
    upper.Remove(h[t], t);
  }
  return r;
}

// sqrt((Q - best) / N); float rounding of best may pass Q by a few units, which reads as 0.
float Residual(double q, float best, std::uint64_t n) {
  if (n == 0) return 0.0f;
  return static_cast<float>(std::sqrt(std::max(0.0, (q - best) / static_cast<double>(n))));
}

bool Check256(VnBWHistogramVector* hist, const char* trace) {
  VnOk();
  if (!frame::CheckNotNull(trace, {hist})) return false;
  if (hist->GetNumElements() != BW8Search::kBins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), false;
  return true;
}

}  // namespace
}  // namespace vnimg::histogram

using namespace vnimg;
using namespace vnimg::histogram;

void ImgHistogramThreshold(VnBWHistogramVector* hist, unsigned int& threshold, float& belowAverage,
                           float& aboveAverage, float relativeThreshold, unsigned int lo, unsigned int hi) {
  HistogramThreshold<BW8Search>(hist, threshold, belowAverage, aboveAverage, relativeThreshold, lo, hi,
                                "ImgHistogramThreshold");
}

void ImgHistogramThresholdBW16(VnBWHistogramVector* hist, unsigned int& threshold, float& belowAverage,
                               float& aboveAverage, float relativeThreshold, unsigned int lo, unsigned int hi) {
  HistogramThreshold<BW16Search>(hist, threshold, belowAverage, aboveAverage, relativeThreshold, lo, hi,
                                 "ImgHistogramThreshold (BW16)");
}

VnBW8 ImgIsodataThreshold(VnBWHistogramVector* hist, unsigned int lo, unsigned int hi) {
  if (!CheckIsodata<BW8Search>(hist, lo, hi, "ImgIsodataThreshold ( VnBWHistogramVector)")) return 0;
  return static_cast<VnBW8>(Isodata(hist->GetDataPtr(), lo, hi));
}

VnBW16 ImgIsodataThresholdBW16(VnBWHistogramVector* hist, unsigned int lo, unsigned int hi) {
  if (!CheckIsodata<BW16Search>(hist, lo, hi, "ImgIsodataThreshold ( VnBWHistogramVector)")) return 0;
  return static_cast<VnBW16>(Isodata(hist->GetDataPtr(), lo, hi));
}

unsigned int ImgIsodataThreshold(VnVector* hist, unsigned int lo, unsigned int hi) {
  constexpr const char* kTrace = "ImgIsodataThreshold ( VnVector)";
  VnOk();
  if (lo >= legacy::kBins) return frame::Fail(VN_ERR_PARAM_2, kTrace), 0;
  if (hi >= legacy::kBins) return frame::Fail(VN_ERR_PARAM_3, kTrace), 0;
  if (lo >= hi) return frame::Fail(VN_ERR_BAD_ARGUMENT_COMBINATION, kTrace), 0;
  const unsigned int middle = (lo + hi + 1) >> 1;
  if (!hist) return frame::Fail(VN_ERR_NULL_ROI, kTrace), middle;
  if (hist->GetVectType() != legacy::kHistogramType) return frame::Fail(VN_ERR_LEGACY_VECTOR_TYPE, kTrace), middle;
  const std::uint32_t* counts = legacy::StoredCounts(*hist);
  if (!counts) return frame::Fail(VN_ERR_LEGACY_NO_DATA, kTrace), middle;
  return Isodata(counts, lo, hi);
}

VnBW8 ImgMinResidueThreshold(VnBWHistogramVector* hist, float& belowAverage, float& aboveAverage) {
  if (!Check256(hist, "ImgMinResidueThreshold")) return 0;
  const std::uint32_t* h = hist->GetDataPtr();
  const TwoClassResult r = MinResidueSplit(h, SumWhole(h));
  if (!r.found) return 0;
  belowAverage = r.below;
  aboveAverage = r.above;
  return static_cast<VnBW8>(r.threshold);
}

float ImgTwoLevelsMinResidueThreshold(VnBWHistogramVector* hist, VnBW8& threshold, float& belowAverage,
                                      float& aboveAverage) {
  if (!Check256(hist, "ImgTwoLevelsMinResidueThreshold")) return 0.0f;
  const std::uint32_t* h = hist->GetDataPtr();
  const WholeSums w = SumWhole(h);
  const TwoClassResult r = MinResidueSplit(h, w);
  threshold = static_cast<VnBW8>(r.threshold);
  if (r.found) {
    belowAverage = r.below;
    aboveAverage = r.above;
  }
  return Residual(w.q, r.best, w.n);
}

float ImgThreeLevelsMinResidueThreshold(VnBWHistogramVector* hist, VnBW8& lowThreshold, VnBW8& highThreshold,
                                        float& average0, float& average1, float& average2) {
  if (!Check256(hist, "ImgThreeLevelsMinResidueThreshold")) return 0.0f;
  const std::uint32_t* h = hist->GetDataPtr();
  const WholeSums w = SumWhole(h);
  float best = SingleClassValue(w);
  lowThreshold = highThreshold = 0;
  // Classes [0, t1), [t1, t2), [t2, 255].
  ClassSums first;
  for (unsigned t1 = 0; t1 < BW8Search::kBins; ++t1) {
    if (first.n != 0) {
      ClassSums second, third{w.n - first.n, w.s - first.s};
      for (unsigned t2 = t1; t2 < BW8Search::kBins; ++t2) {
        if (second.n != 0 && third.n != 0) {
          const double v = SquareOverCount(first) + SquareOverCount(second) + SquareOverCount(third);
          if (v > best) {
            best = static_cast<float>(v);
            lowThreshold = static_cast<VnBW8>(t1);
            highThreshold = static_cast<VnBW8>(t2);
            average0 = static_cast<float>(first.Mean());
            average1 = static_cast<float>(second.Mean());
            average2 = static_cast<float>(third.Mean());
          }
        }
        second.Add(h[t2], t2);
        third.Remove(h[t2], t2);
      }
    }
    first.Add(h[t1], t1);
  }
  return Residual(w.q, best, w.n);
}

VnBW8 ImgMaxEntropyThreshold(VnBWHistogramVector* hist, float& belowAverage, float& aboveAverage) {
  if (!Check256(hist, "ImgMaxEntropyThreshold")) return 0;
  const std::uint32_t* h = hist->GetDataPtr();
  const WholeSums w = SumWhole(h);
  if (w.n == 0) return 0;
  double a = 0.0, b = 0.0;  // sums of h ln h of the upper and lower class
  for (unsigned k = 0; k < BW8Search::kBins; ++k) a += HLogH(h[k]);
  const double n = static_cast<double>(w.n);
  float best = static_cast<float>(std::log(n) - a / n);
  unsigned threshold = 0;
  ClassSums lower, upper{w.n, w.s};
  for (unsigned t = 0; t < BW8Search::kBins; ++t) {
    if (lower.n != 0 && upper.n != 0) {
      const double n0 = static_cast<double>(lower.n), n1 = static_cast<double>(upper.n);
      const double v = (std::log(n1) - a / n1) + (std::log(n0) - b / n0);
      if (v > best) {
        best = static_cast<float>(v);
        threshold = t;
        belowAverage = static_cast<float>(lower.Mean());
        aboveAverage = static_cast<float>(upper.Mean());
      }
    }
    const double term = HLogH(h[t]);
    b += term;
    a -= term;
    lower.Add(h[t], t);
    upper.Remove(h[t], t);
  }
  return static_cast<VnBW8>(threshold);
}
