// Gray-level morphology: erosion (local minimum), dilation (local maximum) and their
// compositions with box and disk structuring elements, and the 3x3 median.
//
// A half-size h stands for 2 h + 1 pixels. Box: the rectangle of 2 halfX + 1 by 2 halfY + 1
// pixels; a halfY with all bits set (the default) takes halfX. Disk of radius r: r - (r + 1) / 2
// passes of 3x3 followed by (r + 1) / 2 cross passes (centre and its four direct neighbours),
// an octagon; radius 1 is one cross, radius 2 the 5 x 5 square without its corners.
// Neighbours outside the ROI are absent: a box erosion is the minimum over the rectangle
// clipped to the ROI. Half-sizes larger than the ROI act as the ROI's size.
//
// A null dst, or dst equal to src, works in place (VnC24 too: each component is read before
// it is written back). Source and destination are otherwise expected not to overlap.
// Errors: a null src 1400, an invalid ROI its validity code, different sizes 1403, a ROI
// without pixels 1400, memory 1303; a failure inside an elementary pass or a subtraction is
// traced under the pass's name, then the operation's, and may leave an intermediate result.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

inline constexpr unsigned int kVnSameHalfSize = 0xFFFFFFFFu;

// ---- Box: dst = min (max) over the clipped rectangle; open = dilate(erode), close =
// erode(dilate); white top-hat = src - open; black top-hat = close - src; gradient =
// dilate - erode ----
#define VNIMG_DECLARE_BOX(Name)                                                                                  \
  void Name(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int halfX, unsigned int halfY = kVnSameHalfSize);    \
  void Name(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned int halfX, unsigned int halfY = kVnSameHalfSize);  \
  void Name(VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned int halfX, unsigned int halfY = kVnSameHalfSize);
VNIMG_DECLARE_BOX(ImgErodeBox)
VNIMG_DECLARE_BOX(ImgDilateBox)
VNIMG_DECLARE_BOX(ImgOpenBox)
VNIMG_DECLARE_BOX(ImgCloseBox)
VNIMG_DECLARE_BOX(ImgWhiteTopHatBox)
VNIMG_DECLARE_BOX(ImgBlackTopHatBox)
VNIMG_DECLARE_BOX(ImgMorphoGradientBox)
#undef VNIMG_DECLARE_BOX

// ---- Disk: the same compositions with the octagon of radius halfSize ----
#define VNIMG_DECLARE_DISK(Name)                                                 \
  void Name(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int halfSize);       \
  void Name(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned int halfSize);     \
  void Name(VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned int halfSize);
VNIMG_DECLARE_DISK(ImgErodeDisk)
VNIMG_DECLARE_DISK(ImgDilateDisk)
VNIMG_DECLARE_DISK(ImgOpenDisk)
VNIMG_DECLARE_DISK(ImgCloseDisk)
VNIMG_DECLARE_DISK(ImgWhiteTopHatDisk)
VNIMG_DECLARE_DISK(ImgBlackTopHatDisk)
VNIMG_DECLARE_DISK(ImgMorphoGradientDisk)
#undef VNIMG_DECLARE_DISK

// ---- Median: dst = the median of the 3x3 window, rows and columns beyond the ROI repeating
// the edge ones. dst equal to src works in place; a null dst is 1400. ----
void ImgMedian(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgMedian(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);

// ---- Older family: return the code (0 on success). A pass is a horizontal then a vertical
// 3-tap minimum (maximum) where a neighbour outside the ROI is the border value b. Half-size
// h > 0: one pass src -> dst, then h - 1 passes in place on dst; h <= 0 writes nothing.
// Open: erode with b1, dilate with b2; close: dilate with b1, erode with b2; white top-hat
// dst = src - open; black top-hat dst = close - src. Null pointers 1400; a top-hat whose src
// and dst lie in one image 1413. VnC24 runs each component with the border byte c2, c1, c0
// for components 0, 1, 2. dst equal to src works in place (not for the top-hats). ----
short ImgErode(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int border);
short ImgDilate(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int border);
short ImgOpen(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int firstBorder, int secondBorder);
short ImgClose(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int firstBorder, int secondBorder);
short ImgWhiteTopHat(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int firstBorder, int secondBorder);
short ImgBlackTopHat(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int firstBorder, int secondBorder);
// The median of the nine window values, the border value standing for every position
// outside the ROI.
short ImgMedian(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int border);

short ImgErode(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 border);
short ImgDilate(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 border);
short ImgOpen(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 firstBorder, VnC24 secondBorder);
short ImgClose(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 firstBorder, VnC24 secondBorder);
short ImgWhiteTopHat(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 firstBorder, VnC24 secondBorder);
short ImgBlackTopHat(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 firstBorder, VnC24 secondBorder);
short ImgMedian(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnC24 border);
