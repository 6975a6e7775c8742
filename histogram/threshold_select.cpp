#include "histogram/threshold_select.h"

#include "vnimg/histogram.h"
#include "vnimg/platform/error.h"
#include "vnimg/threshold.h"

namespace vnimg::threshold {

unsigned SelectThreshold(VnROI<VnBW8>* src, unsigned threshold, unsigned lastAbsolute, float fraction) {
  if (threshold <= lastAbsolute) return threshold;
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist);
  if (VnGetError()) return threshold;
  float belowAverage = 0.0f, aboveAverage = 0.0f;
  ImgHistogramThreshold(&hist, threshold, belowAverage, aboveAverage, fraction, 0, 255);
  return threshold;
}

unsigned SelectThreshold(VnROI<VnBW16>* src, unsigned threshold, float fraction) {
  if (threshold <= 65535) return threshold;
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist, 15, 16, 1);
  if (VnGetError()) return threshold;
  float belowAverage = 0.0f, aboveAverage = 0.0f;
  ImgHistogramThresholdBW16(&hist, threshold, belowAverage, aboveAverage, fraction, 0, 65535);
  return threshold;
}

}  // namespace vnimg::threshold

// The relative mode can select one past the top level (nothing above); the returned pixel
// value cannot hold it, so it saturates to the top level rather than wrapping to 0.
VnBW8 ImgAutoThreshold(VnROI<VnBW8>* src, IMG_THRESHOLD_MODES mode, float fraction) {
  const unsigned threshold = static_cast<unsigned>(mode);
  if (threshold <= 255) return static_cast<VnBW8>(threshold);
  const unsigned selected = vnimg::threshold::SelectThreshold(src, threshold, 255, fraction);
  if (VnGetError()) return 0;
  return static_cast<VnBW8>(selected > 255 ? 255 : selected);
}

VnBW16 ImgAutoThreshold(VnROI<VnBW16>* src, IMG_THRESHOLD_MODES mode, float fraction) {
  const unsigned threshold = static_cast<unsigned>(mode);
  if (threshold <= 65535) return static_cast<VnBW16>(threshold);
  const unsigned selected = vnimg::threshold::SelectThreshold(src, threshold, fraction);
  if (VnGetError()) return 0;
  return static_cast<VnBW16>(selected > 65535 ? 65535 : selected);
}
