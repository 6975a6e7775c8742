// Extremes, the min / max / mean-of-row-means statistic, counts by predicate and by gray-level
// classes, and the areas built on those classes.
#include <limits>

#include "statistics/stat_frame.h"
#include "statistics/stat_kernels.h"
#include "vnimg/statistics.h"

namespace vnimg::statistics {
namespace {

template <class T>
constexpr unsigned kTop = std::numeric_limits<T>::max();

template <class T, class Run>
Extremes ExtremesOf(const VnROI<T>& roi, Run run) {
  Extremes e{kTop<T>, 0};
  ForEachRowSpan(roi, [&](const T* p, std::size_t n) { run(p, n, e); });
  return e;
}

template <class T>
Extremes ExtremesOf(const VnROI<T>& roi) {
  if constexpr (sizeof(T) == 1) return ExtremesOf(roi, MinMaxSum8Variants().Pick());
  else return ExtremesOf(roi, MinMaxSum16Variants().Pick());
}

// The extremes and the mean of the row means (row sum / width, added in double in row order,
// divided by the height); the average of a ROI without pixels is 0.
template <class T>
float StatOf(const VnROI<T>& roi, T& min, T& max) {
  const auto run = [] {
    if constexpr (sizeof(T) == 1) return MinMaxSum8Variants().Pick();
    else return MinMaxSum16Variants().Pick();
  }();
  Extremes e{kTop<T>, 0};
  double rowMeans = 0;
  const double width = roi.GetWidth();
  ForEachRowSpan(roi, [&](const T* p, std::size_t n) { rowMeans += static_cast<double>(run(p, n, e)) / width; });
  min = static_cast<T>(e.min);
  max = static_cast<T>(e.max);
  return PixelCount(roi) == 0 ? 0.0f : static_cast<float>(rowMeans / roi.GetHeight());
}

struct Classes {
  std::uint64_t below, between, above;
};

// below: p < low; between: low <= p < high; above: the rest.
template <class T>
Classes ClassesOf(const VnROI<T>& roi, unsigned low, unsigned high) {
  const auto run = [] {
    if constexpr (sizeof(T) == 1) return CountBelow8Variants().Pick();
    else return CountBelow16Variants().Pick();
  }();
  const unsigned upper = high > low ? high : low;
  BelowCounts c;
  ForEachRowSpan(roi, [&](const T* p, std::size_t n) {
    const BelowCounts row = run(p, n, low, upper);
    c.low += row.low;
    c.high += row.high;
  });
  return {c.low, c.high - c.low, PixelCount(roi) - c.high};
}

template <class T>
bool Classify(VnROI<T>* roi, unsigned low, unsigned high, const char* trace, Classes& classes) {
  VnOk();
  if (!CheckBuffer(trace, roi)) return false;
  classes = ClassesOf(*roi, low, high);
  return true;
}

template <class T>
void Minimum(VnROI<T>* roi, T& min, const char* trace) {
  VnOk();
  if (frame::CheckEachRoi(trace, {roi})) min = static_cast<T>(ExtremesOf(*roi).min);
}

template <class T>
void Maximum(VnROI<T>* roi, T& max, const char* trace) {
  VnOk();
  if (frame::CheckEachRoi(trace, {roi})) max = static_cast<T>(ExtremesOf(*roi).max);
}

template <class T>
void Stat(VnROI<T>* roi, T& min, T& max, float& average, const char* trace) {
  VnOk();
  if (CheckBuffer(trace, roi)) average = StatOf(*roi, min, max);
}

template <class T>
void PixelCountInto(VnROI<T>* roi, unsigned low, unsigned high, int& below, int& between, int& above,
                    const char* trace) {
  Classes c;
  if (!Classify(roi, low, high, trace, c)) return;
  below = static_cast<int>(c.below);
  between = static_cast<int>(c.between);
  above = static_cast<int>(c.above);
}

template <class T>
void AreaInto(VnROI<T>* roi, unsigned threshold, int& area, const char* trace) {
  Classes c;
  if (Classify(roi, 0, threshold, trace, c)) area = static_cast<int>(c.above);
}

template <class T>
void BetweenInto(VnROI<T>* roi, unsigned low, unsigned high, int& area, const char* trace) {
  Classes c;
  if (Classify(roi, low, high, trace, c)) area = static_cast<int>(c.between);
}

template <class T>
unsigned int CountWhere(VnROI<T>* roi, int (*predicate)(T&), const char* trace) {
  VnOk();
  if (!predicate) {
    frame::Fail(VN_ERR_NULL_ROI, trace);
    return 0;
  }
  if (!CheckBuffer(trace, roi)) return 0;
  unsigned int count = 0;
  frame::ForEachRow(*roi, [&](T* row, int width) {
    for (int x = 0; x < width; ++x) count += predicate(row[x]) != 0;
  });
  return count;
}

short Code() { return static_cast<short>(VnGetError()); }

}  // namespace
}  // namespace vnimg::statistics

using namespace vnimg;
using namespace vnimg::statistics;

short ImgPixelMin(VnROI<VnBW8>* roi, unsigned char& min) { return Minimum(roi, min, "ImgPixelMin"), Code(); }
short ImgPixelMax(VnROI<VnBW8>* roi, unsigned char& max) { return Maximum(roi, max, "ImgPixelMax"), Code(); }
void ImgPixelMin(VnROI<VnBW16>* roi, VnBW16& min) { Minimum(roi, min, "ImgPixelMin (BW16)"); }
void ImgPixelMax(VnROI<VnBW16>* roi, VnBW16& max) { Maximum(roi, max, "ImgPixelMax (BW16)"); }

short ImgPixelStat(VnROI<VnBW8>* roi, unsigned char& min, unsigned char& max, float& average) {
  return Stat(roi, min, max, average, "ImgPixelStat"), Code();
}
void ImgPixelStat(VnROI<VnBW16>* roi, VnBW16& min, VnBW16& max, float& average) {
  Stat(roi, min, max, average, "ImgPixelStat (BW16)");
}

unsigned int ImgCount(VnROI<VnBW8>* roi, int (*predicate)(VnBW8&)) { return CountWhere(roi, predicate, "ImgCount ( BW8)"); }
unsigned int ImgCount(VnROI<VnBW16>* roi, int (*predicate)(VnBW16&)) { return CountWhere(roi, predicate, "ImgCount ( BW16)"); }
unsigned int ImgCount(VnROI<VnC24>* roi, int (*predicate)(VnC24&)) { return CountWhere(roi, predicate, "ImgCount ( C24)"); }

short ImgPixelCount(VnROI<VnBW8>* roi, unsigned char low, unsigned char high, int& below, int& between, int& above) {
  return PixelCountInto(roi, low, high, below, between, above, "ImgPixelCount"), Code();
}
void ImgPixelCount(VnROI<VnBW16>* roi, VnBW16 low, VnBW16 high, int& below, int& between, int& above) {
  PixelCountInto(roi, low, high, below, between, above, "ImgPixelCount (BW16)");
}

short ImgArea(VnROI<VnBW8>* roi, unsigned char threshold, int& area) { return AreaInto(roi, threshold, area, "ImgArea"), Code(); }
void ImgArea(VnROI<VnBW16>* roi, VnBW16 threshold, int& area) { AreaInto(roi, threshold, area, "ImgArea (BW16)"); }

short ImgAreaDoubleThreshold(VnROI<VnBW8>* roi, unsigned char low, unsigned char high, int& area) {
  return BetweenInto(roi, low, high, area, "ImgAreaDoubleThreshold"), Code();
}
void ImgAreaDoubleThreshold(VnROI<VnBW16>* roi, VnBW16 low, VnBW16 high, int& area) {
  BetweenInto(roi, low, high, area, "ImgAreaDoubleThreshold (BW16)");
}
