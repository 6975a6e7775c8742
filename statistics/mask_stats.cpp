// The mask-aware statistics: over the ROI's mask runs when it has any, else its rectangle.
#include "histogram/histogram_moments.h"
#include "statistics/stat_frame.h"
#include "statistics/stat_kernels.h"
#include "vnimg/histogram.h"
#include "vnimg/statistics.h"

namespace vnimg::statistics {
namespace {

bool CheckMasked(const char* trace, const VnROI<VnBW8>* roi) {
  VnOk();
  return frame::CheckEachRoi(trace, {roi});
}

std::uint64_t VisitedPixels(const VnROI<VnBW8>& roi) {
  std::uint64_t n = 0;
  ForEachMaskedSpan(roi, [&](const VnBW8*, std::size_t count) { n += count; });
  return n;
}

Extremes MaskedExtremes(const VnROI<VnBW8>& roi) {
  const auto run = MinMaxSum8Variants().Pick();
  Extremes e{255, 0};
  ForEachMaskedSpan(roi, [&](const VnBW8* p, std::size_t n) { run(p, n, e); });
  return e;
}

}  // namespace
}  // namespace vnimg::statistics

using namespace vnimg;
using namespace vnimg::statistics;

unsigned int ImgArea(VnROI<VnBW8>* roi) {
  if (!CheckMasked("ImgArea ( all pixels)", roi)) return 0;
  return static_cast<unsigned int>(VisitedPixels(*roi));
}

unsigned int ImgArea(VnROI<VnBW8>* roi, unsigned int threshold) {
  if (!CheckMasked("ImgArea ( binarized)", roi)) return 0;
  // p > threshold is p >= threshold + 1; no pixel passes a threshold of 255 or more.
  const unsigned atLeast = threshold < 255 ? threshold + 1 : 256;
  const auto run = CountBelow8Variants().Pick();
  std::uint64_t above = 0;
  ForEachMaskedSpan(*roi, [&](const VnBW8* p, std::size_t n) { above += n - run(p, n, atLeast, atLeast).low; });
  return static_cast<unsigned int>(above);
}

float ImgAverage(VnROI<VnBW8>* roi, unsigned int* count) {
  if (!CheckMasked("ImgAverage", roi)) return 0.0f;
  const auto run = Sum8Variants().Pick();
  std::uint64_t sum = 0, n = 0;
  ForEachMaskedSpan(*roi, [&](const VnBW8* p, std::size_t pixels) {
    sum += run(p, pixels);
    n += pixels;
  });
  if (count) *count = static_cast<unsigned int>(n);
  return n ? static_cast<float>(static_cast<double>(sum) / static_cast<double>(n)) : 0.0f;
}

unsigned int ImgMinimum(VnROI<VnBW8>* roi) {
  if (!CheckMasked("ImgMinimum", roi)) return 255;
  return MaskedExtremes(*roi).min;
}

unsigned int ImgMaximum(VnROI<VnBW8>* roi) {
  if (!CheckMasked("ImgMaximum", roi)) return 0;
  return MaskedExtremes(*roi).max;
}

float ImgVariance(VnROI<VnBW8>* roi, float* average, unsigned int* integerAverage) {
  VnBWHistogramVector hist;
  ImgHistogram(roi, &hist);
  if (VnGetError() != VN_OK) return 0.0f;
  float first = 0, mean = 0, variance = 0;
  if (integerAverage && !histogram::HistogramFirstMoment(hist, 0, 255, first)) return 0.0f;
  if (!histogram::HistogramCenteredMoments(hist, 0, 255, mean, variance)) return 0.0f;
  if (integerAverage) *integerAverage = static_cast<unsigned int>(first);
  if (average) *average = mean;
  return variance;
}
