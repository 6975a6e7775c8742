// Thresholding: gray images against one threshold (fixed or chosen from the image's
// histogram) or two, colour images against a colour box, gray images into packed bit images,
// gray images against their local mean, and a map of local automatic thresholds.
//
// A threshold argument is an absolute level or an IMG_THRESHOLD_MODES code. It is automatic
// when it lies above the source's pixel range for the gray-to-gray forms (above 255 for VnBW8,
// above 65535 for VnBW16) and above 65535 for the bit-image forms whatever the source. An
// automatic argument is replaced by what ImgHistogramThreshold (ImgHistogramThresholdBW16 for
// VnBW16) selects on the histogram of the whole source over every level; when the selection
// fails (an argument that is no mode, such as 300 for VnBW8), its code stays set and the
// unchanged argument is used, which puts every pixel below it. A pixel at or above the
// threshold is "above".
#pragma once

#include "vnimg/histogram.h"
#include "vnimg/platform/color.h"
#include "vnimg/platform/roi.h"

// dst = src >= threshold ? high : low. src may be dst. Checks: null, validity of src and dst,
// same size, buffers. Returns the code of a failed check (dst untouched), else 0, also when an
// automatic selection then left its code set. Trace "ImgThreshold".
short ImgThreshold(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int threshold = IMG_THRESHOLD_MIN_RESIDUE,
                   unsigned char low = 0, unsigned char high = 255, float fraction = 0.5f);

// The threshold ImgThreshold would use: mode itself when it is 255 or less (cut to 8 bits is
// then exact), else the selection on src's histogram, or 0 when that fails (code left set).
// No checks of its own and no trace.
VnBW8 ImgAutoThreshold(VnROI<VnBW8>* src, IMG_THRESHOLD_MODES mode = IMG_THRESHOLD_MIN_RESIDUE, float fraction = 0.5f);

// dst = src >= threshold ? high : low, automatic above 65535. Trace "ImgThreshold (BW16)".
void ImgThreshold(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned int threshold = IMG_THRESHOLD_MIN_RESIDUE,
                  VnBW16 low = 0, VnBW16 high = 65535, float fraction = 0.5f);

// The 16-bit ImgAutoThreshold: mode itself when it is 65535 or less, else the selection on the
// 65536-bin histogram of src, or 0 when that fails.
VnBW16 ImgAutoThreshold(VnROI<VnBW16>* src, IMG_THRESHOLD_MODES mode = IMG_THRESHOLD_MIN_RESIDUE,
                        float fraction = 0.5f);

// dst = src > highThreshold ? high : src >= lowThreshold ? middle : low. The thresholds are
// absolute and not compared with each other (lowThreshold > highThreshold leaves no middle
// band). Returns the code of a failed check, else 0. Trace "ImgDoubleThreshold ( BW8 to BW8)".
short ImgDoubleThreshold(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int lowThreshold, unsigned int highThreshold,
                         unsigned char low = 0, unsigned char middle = 127, unsigned char high = 255);

// The 16-bit form. Trace "ImgDoubleThreshold ( BW16 to BW16)".
void ImgDoubleThreshold(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned int lowThreshold, unsigned int highThreshold,
                        VnBW16 low = 0, VnBW16 middle = 32767, VnBW16 high = 65535);

// dst = inside when every component c of lookup(src) (src without a lookup) has
// min.c <= c <= max.c, else outside. Trace "ImgThreshold ( C24 to BW8)".
void ImgThreshold(VnROI<VnC24>* src, VnROI<VnBW8>* dst, VnC24 min, VnC24 max, VnColorLookup* lookup,
                  VnBW8 outside = 0, VnBW8 inside = 255);

// The colour box with 255 inside and 0 outside. Trace "ImgThreshold ( C24 to BW8)".
void ImgThreshold(VnROI<VnC24>* src, VnROI<VnBW8>* dst, VnC24 min, VnC24 max);

// Bit (x, y) of dst = src(x, y) >= threshold, the first pixel of each byte in its bit 7;
// automatic above 65535 only (so 300 is an absolute threshold no 8-bit pixel reaches). dst may
// start at any bit offset; bits outside the ROI are never changed. Trace
// "ImgThreshold (BW8 -> BW1)".
void ImgThreshold(VnROI<VnBW8>* src, VnROI<VnBW1>* dst, unsigned int threshold = IMG_THRESHOLD_MIN_RESIDUE,
                  float fraction = 0.5f);
void ImgThreshold(VnROI<VnBW16>* src, VnROI<VnBW1>* dst, unsigned int threshold = IMG_THRESHOLD_MIN_RESIDUE,
                  float fraction = 0.5f);

// The workers of the two forms above for a byte-aligned dst. They throw
// Korvane::Quandor::Exception on a failed check: a null operand 1400, the validity codes, the
// same-size code, and 1423 when dst does not start on a byte boundary. The bits of a row's last
// byte beyond the ROI's width keep their value.
void ImgThresholdAligned(VnROI<VnBW8>* src, VnROI<VnBW1>* dst, unsigned int threshold = IMG_THRESHOLD_MIN_RESIDUE,
                         float fraction = 0.5f);
void ImgThresholdAligned(VnROI<VnBW16>* src, VnROI<VnBW1>* dst, unsigned int threshold = IMG_THRESHOLD_MIN_RESIDUE,
                         float fraction = 0.5f);

// dst receives a surface of local thresholds (not a two-level image): src is cut into
// ceil(W / tileWidth) x ceil(H / tileHeight) tiles (tileHeight 0 means tileWidth), the mode is
// selected on the histogram of a tile-sized window around each tile corner, and that map is
// enlarged over dst bilinearly. tileWidth <= 0 is refused with 1014, a negative tileHeight with
// 1015 (dst untouched). A tile larger than the image (up to INT_MAX) is one tile whose windows
// are the whole image. Trace "ImgAutoAdaptiveThreshold".
void ImgAutoAdaptiveThreshold(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, IMG_THRESHOLD_MODES mode, int tileWidth,
                              int tileHeight);

namespace Korvane::Quandor::Segmentation {

// dst = 255 when src is at least the mean of its (2 halfSize + 1)² window plus offset, else 0.
// Near the borders the window is shifted to lie inside the image, never cut; halfSize is
// clamped to (min(W, H) - 1) / 2. Codes are set without tracing: a null or bufferless operand
// 1400, a negative halfSize 1013, the validity and same-size codes, a column table that cannot
// be had 1303; dst is untouched on every failure.
void ImgLocalMeanThreshold(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int offset);

}  // namespace Korvane::Quandor::Segmentation
