// Row loops of the aligned bit-image copy and fill, shared by ImgOper and ImgCopy.
#pragma once

#include "vnimg/platform/roi.h"

namespace vnimg::point {

// Whole bytes, 0x00 or 0xFF, so the bits of a row's last byte beyond the ROI take the value too.
void FillBW1Aligned(VnBW1 value, VnROI<VnBW1>& dst);
// Copy (or invert) keeping the bits of a row's last byte beyond the ROI.
void CopyBW1Aligned(const VnROI<VnBW1>& src, VnROI<VnBW1>& dst, bool invert);

}  // namespace vnimg::point
