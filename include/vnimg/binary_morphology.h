// Binary morphology: bi-level VnBW8 images (0 background, 255 foreground) and packed VnBW1
// images; hit-or-miss thinning and thickening; distance maps.
//
// Bi-level passes combine pixels bitwise: erosion dst = AND of the neighbourhood, dilation the
// OR (the minimum and maximum for 0/255 images, the bitwise result for other values). Box and
// disk decompose as the gray-level operations do (vnimg/morphology.h): a box as min(halfX,
// halfY) 3x3 passes then one-axis passes, a disk of radius r as r - (r + 1) / 2 squares then
// (r + 1) / 2 crosses; neighbours outside the ROI are absent. A null dst, or dst equal to src,
// works in place. Compositions: open = dilate(erode), close = erode(dilate), white top-hat =
// src - open, black top-hat = close - src, gradient = dilate - erode.
//
// Packed operations compute the same on bits (most significant bit leftmost). The `Aligned`
// forms need ROIs starting on a byte boundary and throw Korvane::Quandor::Exception; the
// others accept any ROI, work on aligned copies and report through the error state.
#pragma once

#include "vnimg/filter.h"
#include "vnimg/morphology.h"
#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

// ---- Bi-level VnBW8 ----
#define VNIMG_DECLARE_BILEVEL(Name)                                                                         \
  void Name##Box(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int halfX, unsigned int halfY = kVnSameHalfSize); \
  void Name##Disk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int halfSize);
VNIMG_DECLARE_BILEVEL(ImgBiLevelErode)
VNIMG_DECLARE_BILEVEL(ImgBiLevelDilate)
VNIMG_DECLARE_BILEVEL(ImgBiLevelOpen)
VNIMG_DECLARE_BILEVEL(ImgBiLevelClose)
VNIMG_DECLARE_BILEVEL(ImgBiLevelWhiteTopHat)
VNIMG_DECLARE_BILEVEL(ImgBiLevelBlackTopHat)
VNIMG_DECLARE_BILEVEL(ImgBiLevelMorphoGradient)
#undef VNIMG_DECLARE_BILEVEL
// dst = 255 where at least 5 of the 3x3 window are non-zero, else 0; rows and columns beyond
// the ROI repeat the edge ones (as ImgMedian does). dst equal to src works in place.
void ImgBiLevelMedian(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);

// ---- Packed VnBW1 ----
#define VNIMG_DECLARE_PACKED(Name)                                                                          \
  void Name##Box(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned int halfX, unsigned int halfY = kVnSameHalfSize); \
  void Name##Disk(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned int halfSize);                            \
  void Name##BoxAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned int halfX,                            \
                        unsigned int halfY = kVnSameHalfSize);                                              \
  void Name##DiskAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned int halfSize);
VNIMG_DECLARE_PACKED(ImgErode)
VNIMG_DECLARE_PACKED(ImgDilate)
VNIMG_DECLARE_PACKED(ImgOpen)
VNIMG_DECLARE_PACKED(ImgClose)
VNIMG_DECLARE_PACKED(ImgWhiteTopHat)
VNIMG_DECLARE_PACKED(ImgBlackTopHat)
VNIMG_DECLARE_PACKED(ImgMorphoGradient)
#undef VNIMG_DECLARE_PACKED
// The majority of the 3x3 window, edges repeated (ImgBiLevelMedian on bits).
void ImgMedian(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);
void ImgMedianAligned(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);

// ---- Thinning and thickening ----
// Hit-or-miss with a 3x3 kernel of cells 1 (set), 0 (clear), -1 (either): a pixel matches when
// its neighbourhood, read before the pass, agrees with every cell that is not -1. Matching
// pixels become 0 (thin) or the maximum (thick); the first pass reads src, writes dst and
// binarises the other pixels (maximum where src is non-zero). `iterations` in: the most passes
// (0: the ROI's width; times 8 with rotation); out: the passes made (whole turns with rotation).
// Stops after a pass that changed nothing (with rotation: a whole turn without change).
// Neighbours outside the ROI are clear when the kernel's outside value is 0, else they agree
// with the pattern. Codes, checked in this order: sizes of src and dst, null pointers 1400,
// kernel not 3x3 1703, no coefficients 1700, a cell other than 0, 1, -1 1701, rotation above 2
// 1014 (negative rotates as 2), iterations 1024 or more 1015, row buffer 1301.
short ImgThin(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
short ImgThick(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
short ImgBiLevelThin(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation,
                     int& iterations);
short ImgBiLevelThick(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation,
                      int& iterations);
void ImgThin(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
void ImgThick(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
// Each component in turn; iterations returns the largest count of the three.
void ImgThin(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
void ImgThick(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
short ImgThin(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
short ImgThick(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations);
short ImgThinAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation,
                     int& iterations);
short ImgThickAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation,
                      int& iterations);

// ---- Distance ----
// dst (resized by the size check) = the 3x3 chamfer distance of the DSP library, steps 1 and
// sqrt(2), converted to 16 bits with mode 1. The int is not used. A failing primitive: 32767.
short ImgDistance(VnROI<VnBW8>* src, VnImage<VnBW16>* dst, int unused);
// dst = k where the k-th unit cross erosion (inside) or dilation (outside) first changes a
// pixel: the city-block distance to the boundary for a 0/255 source, 255 - ring x (255 - k) /
// 255 for gray ones; 255 where no ring reached within `maximum` (above 255 acts as 255).
// dst equal to src: 1402.
void ImgComputeDistanceMap(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int maximum);
