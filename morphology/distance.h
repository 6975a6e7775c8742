// The two ways of computing ImgComputeDistanceMap, after its checks: the ring algorithm (the
// reference, for any source) and the two raster passes (for 0/255 sources only).
#pragma once

#include "vnimg/platform/roi.h"

namespace vnimg::morphology {

// Repeated unit erosions and dilations; false when a step failed (code set and traced).
bool DistanceMapByRings(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, unsigned maximum);
// The same result for a source of 0 and 255 only; false (nothing written) for any other source.
bool DistanceMapOfBinary(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, unsigned maximum);

}  // namespace vnimg::morphology
