// The automatic thresholds of the thresholding operations: an argument above the last
// absolute level is a mode code, replaced by the selection on the source's histogram.
#pragma once

#include "vnimg/platform/roi.h"

namespace vnimg::threshold {

// threshold itself when it is at most lastAbsolute; otherwise what ImgHistogramThreshold
// selects for it on src's 256-bin histogram. A failed selection leaves its code set and the
// argument unchanged. src must have passed its checks.
unsigned SelectThreshold(VnROI<VnBW8>* src, unsigned threshold, unsigned lastAbsolute, float fraction);
// The same above 65535, on the 65536-bin histogram with ImgHistogramThresholdBW16.
unsigned SelectThreshold(VnROI<VnBW16>* src, unsigned threshold, float fraction);

}  // namespace vnimg::threshold
