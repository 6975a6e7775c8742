// Averages, variances, standard deviations and colour covariances of whole rectangles.
#include <cmath>
#include <type_traits>

#include "statistics/stat_frame.h"
#include "statistics/stat_kernels.h"
#include "vnimg/statistics.h"

namespace vnimg::statistics {
namespace {

// The averages' checks: a negative origin (when `origin`) or an empty rectangle gives 1400 as
// a missing buffer does (which CheckBuffer then finds).
bool CheckAverage(const char* trace, const VnGenericROI* roi, bool origin) {
  if (!roi || (origin && (roi->GetOrgX() < 0 || roi->GetOrgY() < 0)) || roi->GetWidth() < 1 || roi->GetHeight() < 1) {
    frame::Fail(VN_ERR_NULL_ROI, trace);
    return false;
  }
  return CheckBuffer(trace, roi);
}

template <class T>
std::uint64_t SumOf(const VnROI<T>& roi) {
  const auto run = [] {
    if constexpr (sizeof(T) == 1) return Sum8Variants().Pick();
    else return Sum16Variants().Pick();
  }();
  std::uint64_t sum = 0;
  ForEachRowSpan(roi, [&](const T* p, std::size_t n) { sum += run(p, n); });
  return sum;
}

// S / N, formed in double.
float Mean(double sum, std::uint64_t n) { return n ? static_cast<float>(sum / static_cast<double>(n)) : 0.0f; }

// Row sums of squares are exact; across rows 8-bit squares are added in double, 16-bit ones
// in 64-bit integers.
template <class T>
void GrayVariance(const VnROI<T>& roi, float& variance, float& average) {
  using Squares = std::conditional_t<sizeof(T) == 1, double, std::uint64_t>;
  const auto run = [] {
    if constexpr (sizeof(T) == 1) return SumSquares8Variants().Pick();
    else return SumSquares16Variants().Pick();
  }();
  std::uint64_t sum = 0;
  Squares squares = 0;
  ForEachRowSpan(roi, [&](const T* p, std::size_t n) {
    const SumSquares row = run(p, n);
    sum += row.sum;
    squares += static_cast<Squares>(row.squares);
  });
  const std::uint64_t pixels = PixelCount(roi);
  const double n = static_cast<double>(pixels), s = static_cast<double>(sum);
  const double v = pixels ? (n * static_cast<double>(squares) - s * s) / (n * n) : 0.0;
  average = Mean(s, pixels);
  variance = static_cast<float>(v < 0 ? 0.0 : v);
}

template <class T>
void Variance(VnROI<T>* roi, float& variance, float& average, const char* trace) {
  VnOk();
  if (CheckBuffer(trace, roi)) GrayVariance(*roi, variance, average);
}

template <class T>
void StdDev(VnROI<T>* roi, float& deviation, float& average) {
  float variance = 0, mean = 0;
  ImgPixelVariance(roi, variance, mean);
  if (VnGetError() != VN_OK) return;
  deviation = std::sqrt(variance);
  average = mean;
}

// Exact sums of one colour row: components, squares and squared differences of components.
struct ColourSums {
  std::uint64_t s[3] = {}, q[3] = {}, d21 = 0, d10 = 0, d20 = 0;
};

void AddColourRow(const VnC24* p, std::size_t n, ColourSums& sums) {
  const auto square = [](int v) { return static_cast<std::uint64_t>(v * v); };
  for (std::size_t i = 0; i < n; ++i) {
    const int c[3] = {p[i].c0, p[i].c1, p[i].c2};
    for (int k = 0; k < 3; ++k) sums.s[k] += c[k], sums.q[k] += square(c[k]);
    sums.d21 += square(c[2] - c[1]);
    sums.d10 += square(c[1] - c[0]);
    sums.d20 += square(c[0] - c[2]);
  }
}

// Component statistics, component 2 first in every array.
struct ColourStatistics {
  double average[3], variance[3], c21, c10, c20;
};

// Row sums exact, carried across rows in float; the formulas in double.
ColourStatistics ColourOf(const VnROI<VnC24>& roi) {
  float s[3] = {}, q[3] = {}, d21 = 0, d10 = 0, d20 = 0;
  ForEachRowSpan(roi, [&](const VnC24* p, std::size_t n) {
    ColourSums row;
    AddColourRow(p, n, row);
    for (int k = 0; k < 3; ++k) s[k] += static_cast<float>(row.s[k]), q[k] += static_cast<float>(row.q[k]);
    d21 += static_cast<float>(row.d21);
    d10 += static_cast<float>(row.d10);
    d20 += static_cast<float>(row.d20);
  });
  ColourStatistics r{};
  const double n = static_cast<double>(PixelCount(roi));
  if (n == 0) return r;
  double a[3];
  for (int k = 0; k < 3; ++k) {
    a[k] = s[k] / n;
    const double v = q[k] / n - a[k] * a[k];
    r.average[2 - k] = a[k];
    r.variance[2 - k] = v < 0 ? 0.0 : v;
  }
  r.c21 = 0.5 * (static_cast<double>(q[1]) + q[2] - d21) / n - a[2] * a[1];
  r.c10 = 0.5 * (static_cast<double>(q[0]) + q[1] - d10) / n - a[1] * a[0];
  r.c20 = 0.5 * (static_cast<double>(q[0]) + q[2] - d20) / n - a[2] * a[0];
  return r;
}

bool ColourStatisticsOf(VnROI<VnC24>* roi, ColourStatistics& r) {
  VnOk();
  if (!CheckBuffer("ImgPixelVariance ( C24)", roi)) return false;
  r = ColourOf(*roi);
  return true;
}

float Correlation(double c, double sk, double sl) { return sk * sl <= 0 ? 0.0f : static_cast<float>(c / (sk * sl)); }

}  // namespace
}  // namespace vnimg::statistics

using namespace vnimg;
using namespace vnimg::statistics;

short ImgPixelAverage(VnROI<VnBW8>* roi, float& average) {
  VnOk();
  if (CheckAverage("ImgPixelAverage ( BW8)", roi, true)) average = Mean(static_cast<double>(SumOf(*roi)), PixelCount(*roi));
  return static_cast<short>(VnGetError());
}

void ImgPixelAverage(VnROI<VnBW16>* roi, float& average) {
  VnOk();
  if (CheckAverage("ImgPixelAverage ( BW16)", roi, false)) average = Mean(static_cast<double>(SumOf(*roi)), PixelCount(*roi));
}

void ImgPixelAverage(VnROI<VnC24>* roi, float& a2, float& a1, float& a0) {
  VnOk();
  if (!CheckAverage("ImgPixelAverage ( C24)", roi, false)) return;
  ColourSums sums;
  ForEachRowSpan(*roi, [&](const VnC24* p, std::size_t n) { AddColourRow(p, n, sums); });
  const std::uint64_t n = PixelCount(*roi);
  a2 = Mean(static_cast<double>(sums.s[2]), n);
  a1 = Mean(static_cast<double>(sums.s[1]), n);
  a0 = Mean(static_cast<double>(sums.s[0]), n);
}

void ImgPixelVariance(VnROI<VnBW8>* roi, float& variance, float& average) {
  Variance(roi, variance, average, "ImgPixelVariance ( BW8)");
}

void ImgPixelVariance(VnROI<VnBW16>* roi, float& variance, float& average) {
  Variance(roi, variance, average, "ImgPixelVariance ( BW16)");
}

void ImgPixelVariance(VnROI<VnC24>* roi, float& var2, float& var1, float& var0, float& c21, float& c10, float& c20,
                      float& a2, float& a1, float& a0) {
  ColourStatistics r;
  if (!ColourStatisticsOf(roi, r)) return;
  float* variances[] = {&var2, &var1, &var0};
  float* averages[] = {&a2, &a1, &a0};
  for (int k = 0; k < 3; ++k) *variances[k] = static_cast<float>(r.variance[k]), *averages[k] = static_cast<float>(r.average[k]);
  c21 = static_cast<float>(r.c21);
  c10 = static_cast<float>(r.c10);
  c20 = static_cast<float>(r.c20);
}

short ImgPixelStdDev(VnROI<VnBW8>* roi, float& deviation, float& average) {
  StdDev(roi, deviation, average);
  return static_cast<short>(VnTraceError("ImgPixelStdDev"));
}

void ImgPixelStdDev(VnROI<VnBW16>* roi, float& deviation, float& average) {
  StdDev(roi, deviation, average);
  if (VnGetError() != VN_OK) frame::Trace("ImgPixelStdDev");
}

void ImgPixelStdDev(VnROI<VnC24>* roi, float& s2, float& s1, float& s0, float& r21, float& r10, float& r20, float& a2,
                    float& a1, float& a0) {
  ColourStatistics r;
  if (!ColourStatisticsOf(roi, r)) return frame::Trace("ImgPixelStdDev");
  double s[3];
  float* deviations[] = {&s2, &s1, &s0};
  float* averages[] = {&a2, &a1, &a0};
  for (int k = 0; k < 3; ++k) {
    s[k] = std::sqrt(r.variance[k]);
    *deviations[k] = static_cast<float>(s[k]);
    *averages[k] = static_cast<float>(r.average[k]);
  }
  r21 = Correlation(r.c21, s[0], s[1]);
  r10 = Correlation(r.c10, s[1], s[2]);
  r20 = Correlation(r.c20, s[0], s[2]);
}
