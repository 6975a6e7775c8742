// Features of a histogram over a range of bins, its entropy and its moments.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "foundation/frame.h"
#include "histogram/histogram_moments.h"
#include "histogram/legacy_histogram.h"
#include "vnimg/histogram.h"

namespace vnimg::histogram {
namespace {

constexpr unsigned kBW8Bins = 256;

// Bins lo..hi of a table of `size` counts; bins outside the table count as empty.
struct BinRange {
  const unsigned int* counts;
  int size;
  int lo;
  int hi;
  int First() const { return std::max(lo, 0); }
  int Last() const { return std::min(hi, size - 1); }
};

// The legacy forms do not check their range: "none" past either end of the int range is held
// there, so that it still lies beyond the range it answers for.
std::int32_t Saturated(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// Features 0 to 6 as signed 32-bit values (a count of 2^32 - 1 reads -1).
std::int32_t IntegerFeature(const BinRange& r, int feature) {
  switch (feature) {
    case IMG_HIST_MODE_VALUE:
    case IMG_HIST_MODE_COUNT: {
      unsigned int best = 0;
      int value = 0;
      for (int i = r.First(); i <= r.Last(); ++i)
        if (r.counts[i] > best) best = r.counts[i], value = i;
      return static_cast<std::int32_t>(feature == IMG_HIST_MODE_VALUE ? static_cast<unsigned int>(value) : best);
    }
    case IMG_HIST_RAREST_VALUE:
    case IMG_HIST_RAREST_COUNT: {
      bool found = false;
      unsigned int best = 0;
      int value = 0;
      for (int i = r.First(); i <= r.Last(); ++i)
        if (r.counts[i] != 0 && (!found || r.counts[i] < best)) found = true, best = r.counts[i], value = i;
      if (feature == IMG_HIST_RAREST_VALUE) return value;
      return found ? static_cast<std::int32_t>(best) : -1;
    }
    case IMG_HIST_FIRST_USED_VALUE:
      for (int i = r.First(); i <= r.Last(); ++i)
        if (r.counts[i] != 0) return i;
      return Saturated(std::int64_t{r.hi} + 1);
    case IMG_HIST_LAST_USED_VALUE:
      for (int i = r.Last(); i >= r.First(); --i)
        if (r.counts[i] != 0) return i;
      return Saturated(std::int64_t{r.lo} - 1);
    case IMG_HIST_TOTAL_COUNT: {
      std::uint64_t total = 0;
      for (int i = r.First(); i <= r.Last(); ++i) total += r.counts[i];
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(total));
    }
    default: return 0;
  }
}

// Features 7 and 8: the sums are exact in 64 bits (the square sum in double), the division
// and root in double. Rounding cannot make the variance negative here: it is clamped at 0.
double MomentFeature(const BinRange& r, int feature) {
  std::uint64_t n = 0, s1 = 0;
  double s2 = 0.0;
  for (int i = r.First(); i <= r.Last(); ++i) {
    const std::uint64_t c = r.counts[i];
    n += c;
    s1 += c * static_cast<std::uint64_t>(i);
    s2 += static_cast<double>(c) * static_cast<double>(i) * static_cast<double>(i);
  }
  if (n == 0) return 0.0;
  const double count = static_cast<double>(n), sum = static_cast<double>(s1);
  if (feature == IMG_HIST_MEAN) return sum / count;
  return std::sqrt(std::max(0.0, (s2 - sum * sum / count) / count));
}

float Feature(const BinRange& r, int feature) {
  if (feature < IMG_HIST_MODE_VALUE || feature > IMG_HIST_STD_DEV) return 0.0f;
  if (feature >= IMG_HIST_MEAN) return static_cast<float>(MomentFeature(r, feature));
  return static_cast<float>(IntegerFeature(r, feature));
}

float Analyse(VnBWHistogramVector* hist, IMG_HISTOGRAM_FEATURE feature, int lo, int hi, bool bw8, const char* trace) {
  VnOk();
  if (!frame::CheckNotNull(trace, {hist})) return 0.0f;
  const unsigned int size = hist->GetNumElements();
  if (bw8 && size != kBW8Bins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), 0.0f;
  if (lo < 0) return frame::Fail(VN_ERR_PARAM_3, trace), 0.0f;
  if (hi < 0 || static_cast<unsigned int>(hi) >= size) return frame::Fail(VN_ERR_PARAM_4, trace), 0.0f;
  if (hi < lo) return frame::Fail(VN_ERR_BAD_ARGUMENT_COMBINATION, trace), 0.0f;
  return Feature({hist->GetDataPtr(), static_cast<int>(size), lo, hi}, feature);
}

// The counts of a legacy histogram, or null with the code traced.
const std::uint32_t* LegacyCounts(VnVector* hist, const char* trace) {
  VnOk();
  VnSetError(VN_ERR_NULL_ROI);
  if (!hist) return VnTraceError(trace), nullptr;
  VnSetError(VN_ERR_LEGACY_VECTOR);
  if (hist->GetVectType() != legacy::kHistogramType) return VnTraceError(trace), nullptr;
  VnSetError(VN_ERR_LEGACY_NO_DATA);
  const std::uint32_t* counts = legacy::StoredCounts(*hist);
  if (!counts) return VnTraceError(trace), nullptr;
  VnOk();
  return counts;
}

// n, S1 and the class sums of the moment routines over bins lo..hi.
struct MomentSums {
  std::uint64_t n = 0;
  std::uint64_t s1 = 0;
  double halfSquares = 0.0;  // sum of count(i) * i(i + 1) / 2
};

bool SumMoments(const VnBWHistogramVector& hist, int lo, int hi, const char* trace, MomentSums& sums) {
  if (hist.GetNumElements() != kBW8Bins) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), false;
  const BinRange r{hist.GetDataPtr(), static_cast<int>(kBW8Bins), lo, hi};
  for (int i = r.First(); i <= r.Last(); ++i) {
    const std::uint64_t c = r.counts[i];
    sums.n += c;
    sums.s1 += c * static_cast<std::uint64_t>(i);
    sums.halfSquares += static_cast<double>(c) * static_cast<double>(i * (i + 1) / 2);
  }
  if (sums.n == 0) return frame::Fail(VN_ERR_EMPTY_HISTOGRAM_RANGE, trace), false;
  return true;
}

}  // namespace

bool HistogramFirstMoment(const VnBWHistogramVector& hist, int lo, int hi, float& mean) {
  MomentSums sums;
  if (!SumMoments(hist, lo, hi, "ImgHistogramMoments ( 1)", sums)) return false;
  mean = static_cast<float>(static_cast<double>(sums.s1) / static_cast<double>(sums.n));
  return true;
}

bool HistogramCenteredMoments(const VnBWHistogramVector& hist, int lo, int hi, float& mean, float& variance) {
  MomentSums sums;
  if (!SumMoments(hist, lo, hi, "ImgHistogramCenteredMoments ( 2)", sums)) return false;
  const double n = static_cast<double>(sums.n);
  const double s1 = static_cast<double>(sums.s1);
  const double s2 = 2.0 * sums.halfSquares - s1;
  const double m = s1 / n;
  mean = static_cast<float>(m);
  variance = static_cast<float>(s2 / n - m * m);
  return true;
}

}  // namespace vnimg::histogram

using namespace vnimg;
using namespace vnimg::histogram;

float ImgAnalyseHistogram(VnBWHistogramVector* hist, IMG_HISTOGRAM_FEATURE feature, int lo, int hi) {
  return Analyse(hist, feature, lo, hi, true, "ImgAnalyseHistogram");
}

float ImgAnalyseHistogramBW16(VnBWHistogramVector* hist, IMG_HISTOGRAM_FEATURE feature, int lo, int hi) {
  return Analyse(hist, feature, lo, hi, false, "ImgAnalyseHistogram (BW16)");
}

short ImgAnalyseHistogram(VnVector* hist, int lo, int hi, int feature, int& result) {
  const std::uint32_t* counts = LegacyCounts(hist, "ImgAnalyseHistogram");
  if (!counts) return static_cast<short>(VnGetError());
  if (feature >= IMG_HIST_MODE_VALUE && feature <= IMG_HIST_TOTAL_COUNT)
    result = IntegerFeature({counts, static_cast<int>(legacy::kBins), lo, hi}, feature);
  return 0;
}

short ImgAnalyseHistogram(VnVector* hist, int lo, int hi, int feature, float& result) {
  const std::uint32_t* counts = LegacyCounts(hist, "ImgAnalyseHistogram");
  if (!counts) return static_cast<short>(VnGetError());
  if (feature == IMG_HIST_MEAN || feature == IMG_HIST_STD_DEV)
    result = static_cast<float>(MomentFeature({counts, static_cast<int>(legacy::kBins), lo, hi}, feature));
  return 0;
}

float VnBWHistogramVector::Entropy(unsigned int first, unsigned int last) {
  constexpr const char* kTrace = "VnBWHistogramVector::Entropy";
  VnOk();
  const unsigned int n = GetNumElements();
  if (first >= n) return frame::Fail(VN_ERR_PARAM_1, kTrace), 0.0f;
  if (last != 0xFFFFFFFFu && last >= n) return frame::Fail(VN_ERR_PARAM_2, kTrace), 0.0f;
  if (last == 0xFFFFFFFFu) last = n - 1;
  const unsigned int* counts = GetDataPtr();
  long double total = 0.0L;
  for (std::uint64_t i = first; i <= last; ++i) total += counts[i];
  if (total == 0.0L) return 0.0f;
  // ln T - (sum c ln c) / T, summed as (c / T) ln(T / c): the same value, but exactly 0 for a
  // single occupied bin, where the difference of two rounded terms could leave -1e-19.
  long double nats = 0.0L;
  for (std::uint64_t i = first; i <= last; ++i)
    if (counts[i] != 0) nats += counts[i] / total * std::log(total / counts[i]);
  return static_cast<float>(nats / std::log(2.0L));
}
