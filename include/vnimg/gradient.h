// Gradients by table lookup and local statistics over a rectangular window.
//
// Gradients are central differences with the edge pixels replicated:
//   gx = p(x - 1, y) - p(x + 1, y),  gy = p(x, y - 1) - p(x, y + 1).
// A gradient vector image (VnBW32) holds gx in its low 16 bits and gy in its high 16 bits, both
// signed. A gradient lookup table is a 512 x 512 image: pixel (256 + gx, 256 + gy) holds the
// value for the gradient (gx, gy), column for gx, row for gy.
//
// 16-bit tables. A VnBW16 gradient spans -65535..65535, and a table with a cell per gradient
// would need 131071 x 131071 pixels. The VnBW16 forms therefore share the same 512 x 512 layout
// (a VnImage<VnBW16>) with each component quantised to a cell of 256 gradient levels:
//   cell(g) = clamp(floor((g + 128) / 256), -256, 255),
// i.e. g rounded to the nearest multiple of 256 (halves upward), so a flat image falls in the
// centre cell and the cells are symmetric about 0 except the highest, which also takes
// 65408..65535. Table pixel (256 + cx, 256 + cy) holds the value for the gradient
// (256 cx, 256 cy), and their values use the whole 16-bit range (65536 direction codes).
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

// dst = (gx, gy) of src, gx in the low and gy in the high signed 16 bits.
// Errors: null or bufferless operand 1400, the core's validity and size codes.
// Trace "ImgGradientVector".
void ImgGradientVector(const VnROI<VnBW8>* src, VnROI<VnBW32>* dst);

// lookup becomes 512 x 512 with table(dx, dy) = min(255, floor(sqrt(dx^2 + dy^2) x gain + 0.5)),
// dx and dy in -256..255; a negative or not-a-number value gives 0.
// Errors: null lookup 1400, the resize's own code. Trace "ImgModulusImage".
void ImgModulusImage(VnImage<VnBW8>* lookup, float gain);
// The 16-bit table: min(65535, floor(256 sqrt(cx^2 + cy^2) x gain + 0.5)) in cell (cx, cy).
// Trace "ImgModulusImage (BW16)".
void ImgModulusImage(VnImage<VnBW16>* lookup, float gain);

// lookup becomes 512 x 512 with table(dx, dy) = floor(atan2(dy, dx) x 256 / period + offset +
// 256.5) mod 256, the period in the caller's angle unit (0 meaning a full turn), angles from +x
// towards +y (downwards); table(0, 0) = 0. A value that is not finite (a not-a-number period)
// gives 0. Errors: null lookup 1400, the resize's own code. Trace "ImgArgumentImage".
void ImgArgumentImage(VnImage<VnBW8>* lookup, VnBW8 offset, float period);
// The 16-bit table: floor(atan2(cy, cx) x 65536 / period + offset + 65536.5) mod 65536.
// Trace "ImgArgumentImage (BW16)".
void ImgArgumentImage(VnImage<VnBW16>* lookup, VnBW16 offset, float period);

// dst = lookup(256 + gx, 256 + gy) with the gradient of src. dst may be src.
// Errors: null or bufferless operand 1400, the core's validity and size codes (src against dst),
// a lookup that is not 512 x 512 1013. Trace "ImgGradientScalar".
void ImgGradientScalar(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, const VnROI<VnBW8>* lookup);
// The same from a gradient vector image; components outside -256..255 (which no VnBW8 image
// gives) take the table's edge cell.
void ImgGradientScalar(const VnROI<VnBW32>* src, VnROI<VnBW8>* dst, const VnROI<VnBW8>* lookup);
// dst = lookup(256 + cell(gx), 256 + cell(gy)) with the 16-bit cells above. dst may be src.
// Trace "ImgGradientScalar (BW16)".
void ImgGradientScalar(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, const VnROI<VnBW16>* lookup);

// dst = the (2 halfX + 1) x (2 halfY + 1) box mean: exactly ImgConvolUniform with the same
// half-sizes, its in-place rule and codes included; on failure its trace is followed by
// "ImgLocalAverage" / "ImgLocalAverage (BW16)".
void ImgLocalAverage(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY);
void ImgLocalAverage(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY);

// dst = min(pixel maximum, floor(sqrt(n Q - S^2) / n)): the population standard deviation over
// the (2 halfX + 1) x (2 halfY + 1) window centred on each pixel, n its pixel count, S and Q the
// sums of its pixels and of their squares, rows and columns beyond the ROI replaced by the
// nearest ROI row or column (so a window larger than the ROI counts the edges several times).
// Computed exactly, at a constant cost per pixel whatever the window.
// dst may be src (the source rows still needed are kept aside); a dst overlapping src elsewhere
// works from a copy of the source.
// Errors: halfX above 32767 1013, halfY above 32767 1014 (windows of at most 65535 pixels a
// side keep every sum exact in 64 bits); null or bufferless operand 1400; the core's validity
// and size codes; 1303 when the working sums cannot be had.
// Traces "ImgLocalDeviation" / "ImgLocalDeviation (BW16)".
void ImgLocalDeviation(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY);
void ImgLocalDeviation(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY);
