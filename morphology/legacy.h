// Shared pieces of the older family (int half-size and border values, short results).
#pragma once

#include "vnimg/platform/roi.h"

namespace vnimg::morphology {

// A border value as a pixel: values beyond 0..255 saturate.
VnBW8 SaturatedBorder(int value);
// The older VnBW8 median; `trace` names the failure.
short LegacyMedian(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int border, const char* trace);

}  // namespace vnimg::morphology
