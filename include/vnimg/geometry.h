// Geometric transforms: affine resampling, scale-and-rotate, registration by pivot points,
// block-average shrinking, halving and in-place mirrors.
//
// Coordinates are continuous: pixel (i, j) covers [i, i+1) x [j, j+1), its centre is
// (i + 0.5, j + 0.5) and the origin is the ROI's top-left corner. Resampling inverts the map
// and walks the source in 16.16 fixed point (a real v becomes trunc(v * 65536)).
// Interpolation bits: 0 nearest pixel, 4 or 8 bilinear with 4- or 8-bit weights.
// Angles are in the core library's angle unit (VnSetAngleUnit).
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

// dst(X, Y) = src sampled at the inverse image of (X + 0.5, Y + 0.5) under
// X = a x + b y + c, Y = d x + e y + f; points outside the source give 0.
// Errors: null or bufferless operand 1400 (invalid ROI its validity code); a e - b d = 0 1411;
// interpolationBits not 0, 4 or 8 1007 (tested after the map is inverted).
// An empty source (no columns or rows) gives a destination of zeros.
void ImgLinearTransform(const VnROI<VnBW8>* src, float a, float b, float c, float d, float e, float f,
                        VnROI<VnBW8>* dst, int interpolationBits = 0);
void ImgLinearTransform(const VnROI<VnBW16>* src, float a, float b, float c, float d, float e, float f,
                        VnROI<VnBW16>* dst, int interpolationBits = 0);
// One component at a time through the 8-bit operation.
void ImgLinearTransform(const VnROI<VnC24>* src, float a, float b, float c, float d, float e, float f,
                        VnROI<VnC24>* dst, int interpolationBits = 0);

// The affine map that scales along the source axes, rotates (a positive angle turns the content
// counter-clockwise on screen) and sends the source pivot onto the destination pivot:
// a = sx cos t, b = sy sin t, d = -sx sin t, e = sy cos t. Errors those of ImgLinearTransform.
// Returns the error code (0 on success).
short ImgScaleRotate(const VnROI<VnBW8>* src, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                     float scaleX, float scaleY, float rotation, VnROI<VnBW8>* dst, int interpolationBits = 0);
void ImgScaleRotate(const VnROI<VnBW16>* src, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                    float scaleX, float scaleY, float rotation, VnROI<VnBW16>* dst, int interpolationBits = 0);
void ImgScaleRotate(const VnROI<VnC24>* src, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                    float scaleX, float scaleY, float rotation, VnROI<VnC24>* dst, int interpolationBits = 0);
// In place: the ROI is copied to a temporary image and transformed back into itself.
short ImgScaleRotate(VnROI<VnBW8>* srcDst, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                     float scaleX, float scaleY, float rotation, int interpolationBits);
void ImgScaleRotate(VnROI<VnBW16>* srcDst, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                    float scaleX, float scaleY, float rotation, int interpolationBits);

// One pivot: the translation that sends (srcX, srcY) onto (dstX, dstY).
void ImgRegister(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float srcX, float srcY, float dstX, float dstY,
                 int interpolationBits = 0);
void ImgRegister(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float srcX, float srcY, float dstX, float dstY,
                 int interpolationBits = 0);
void ImgRegister(const VnROI<VnC24>* src, VnROI<VnC24>* dst, float srcX, float srcY, float dstX, float dstY,
                 int interpolationBits = 0);

// Two pivots: the rotation about S0 that turns S1 - S0 in the direction of D1 - D0, S0 sent onto
// D0, scaled by |D1 - D0| / |S1 - S0| when `resize` is non-zero. Coincident source pivots carry
// no scale, so they keep the scale at 1.
void ImgRegister(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float dstX0, float dstY0, float dstX1, float dstY1, int interpolationBits = 0, int resize = 0);
void ImgRegister(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float dstX0, float dstY0, float dstX1, float dstY1, int interpolationBits = 0, int resize = 0);
void ImgRegister(const VnROI<VnC24>* src, VnROI<VnC24>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float dstX0, float dstY0, float dstX1, float dstY1, int interpolationBits = 0, int resize = 0);

// Three pivots: the affine map sending each Si onto Di. Collinear or coincident source pivots
// 1050; otherwise the errors of ImgLinearTransform.
void ImgRegister(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float srcX2, float srcY2, float dstX0, float dstY0, float dstX1, float dstY1, float dstX2,
                 float dstY2, int interpolationBits = 0);
void ImgRegister(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float srcX2, float srcY2, float dstX0, float dstY0, float dstX1, float dstY1, float dstX2,
                 float dstY2, int interpolationBits = 0);
void ImgRegister(const VnROI<VnC24>* src, VnROI<VnC24>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float srcX2, float srcY2, float dstX0, float dstY0, float dstX1, float dstY1, float dstX2,
                 float dstY2, int interpolationBits = 0);

// dst(i, j) = truncated mean of the source block of columns floor(i Ws / Wd) ..
// floor((i + 1) Ws / Wd) - 1 and the rows likewise. Where the destination is larger than the
// source in a direction the block would be empty; it is then the one source column (row)
// floor(i Ws / Wd), so that direction is enlarged by pixel replication.
// Errors: null or bufferless operand 1400. The 8-bit form returns the code.
short ImgShrink(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgShrink(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgShrink(const VnROI<VnC24>* src, VnROI<VnC24>* dst);

// dst is resized to floor(W / 2) x floor(H / 2) (one more in a direction whose size is odd when
// dropOdd is 0) and dst(i, j) = (sum of the 2 x 2 block) >> 2; an odd last column gives
// (top + bottom) >> 1, an odd last row (left + right) >> 1, their corner the source's last pixel.
// The destination may share pixels with the source. A halved size of 0 leaves an empty
// destination and succeeds. Errors: null operand or bufferless source 1400, the source's
// validity code, the resize's code, the resized destination's validity code.
void ImgHalve(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int dropOdd);

// Row r swaps with row H-1-r. Errors: null or bufferless ROI 1400.
void ImgVerticalMirror(VnROI<VnBW8>* roi);
void ImgVerticalMirror(VnROI<VnBW16>* roi);
void ImgVerticalMirror(VnROI<VnC24>* roi);
// In each row pixel k swaps with pixel W-1-k (a colour pixel keeps its component order).
void ImgHorizontalMirror(VnROI<VnBW8>* roi);
void ImgHorizontalMirror(VnROI<VnBW16>* roi);
void ImgHorizontalMirror(VnROI<VnC24>* roi);
