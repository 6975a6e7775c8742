// Point operations: pixel-wise arithmetic, logic and comparison (ImgOper), copy and fill
// (ImgCopy), colour overlays (ImgOverlay) and the per-thread overlay colour.
//
// In every formula a is the first operand (image or constant, in argument order), b the
// second, M the destination type's maximum (255 for 8-bit data and for each VnC24 channel,
// 65535 for VnBW16); "true" is M and "false" 0. Divisions round down.
//
// Every ImgOper form first rejects the values it does not accept with 1003 (before any ROI
// is read), then checks its ROIs (null pointer 1400, the validity check's code, different
// sizes 1403, no pixel buffer 1400) and raises 32767 for a value that passed the first check
// but has no loop in the form. A failed check leaves the destination untouched and traces the
// form's name. Sources and destination may be the same ROI.
#pragma once

#include "vnimg/exception.h"
#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

enum ARITH_LOGIC_OPERATIONS : int {
  Copy = 0,               // a (one-operand forms)
  Invert = 1,             // M - a (one-operand forms)
  Add = 2,                // min(a + b, M)
  Subtract = 3,           // max(a - b, 0)
  Multiply = 4,           // min(a * b, M)
  Divide = 5,             // a / b; b = 0 gives M
  Modulo = 6,             // a mod b; b = 0 gives 0
  ShiftLeft = 7,          // (a << (b mod 32)) truncated to the pixel width (image-constant form)
  ShiftRight = 8,         // a >> (b mod 32) (image-constant form)
  ScaledAdd = 9,          // (a + b) / 2
  ScaledSubtract = 10,    // (a + (M - b)) / 2
  ScaledMultiply = 11,    // (a * b) / (M + 1)
  ScaledDivide = 12,      // min(a * (M + 1) / b, M); b = 0 gives M
  BitwiseAND = 13,        // a AND b
  BitwiseOR = 14,         // a OR b
  BitwiseXOR = 15,        // a XOR b
  LogicalAND = 16,        // true when a and b are both non-zero
  LogicalOR = 17,         // true when a or b is non-zero
  LogicalXOR = 18,        // true when exactly one of a, b is zero
  Min = 19,               // min(a, b)
  Max = 20,               // max(a, b)
  SetZero = 21,           // where a = 0 the destination takes b, elsewhere it keeps its pixel
  SetNonZero = 22,        // where a != 0 the destination takes b, elsewhere it keeps its pixel
  Equal = 23,             // true when a = b
  NotEqual = 24,          // true when a != b
  GreaterOrEqual = 25,    // true when a >= b
  LesserOrEqual = 26,     // true when a <= b
  Greater = 27,           // true when a > b
  Lesser = 28,            // true when a < b
  WrappingAdd = 29,       // (a + b) mod 65536 (VnBW16 with VnBW8 form)
  WrappingSubtract = 30,  // (a - b) mod 65536 (VnBW16 with VnBW8 form)
  Compare = 33,           // |a - b|
  Overlay = 34,           // colour overlay (forms with a colour destination)
};

// ---- VnBW8 ----
// 0: every pixel = value.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnBW8 value, VnROI<VnBW8>* dst);
// 0: dst = src; 1: dst = 255 - src.
void ImgOper(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
// 0: dst = (g, g, g); 1: dst = (255 - g) in each channel; 34: dst = overlay colour where g != 0.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW8>* src, VnROI<VnC24>* dst);
// dst = f(value, src) for 2-6, 9-15, 19, 20, 23-28, 33.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnBW8 value, const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
// dst = f(src, value) for 2-15, 19-28, 33.
void ImgOper(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW8>* src, VnBW8 value, VnROI<VnBW8>* dst);
// dst = f(a, b) for 2-6, 9-28, 33. Value 34 (a colour overlay, meaningless on gray rows) passes
// the first check and raises 32767.
void ImgOper(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW8>* a, const VnROI<VnBW8>* b, VnROI<VnBW8>* dst);
// Widening: 2 a + b, 3 max(a - b, 0), 4 a * b, 5 a / b (b = 0 gives 65535).
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnROI<VnBW16>* dst);
// 34: dst = overlay colour where mask != 0, elsewhere (g, g, g).
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW8>* gray, VnROI<VnBW8>* mask, VnROI<VnC24>* dst);
// dst channel k = f(gray, colour channel k) for 2-6, 9-28, 33; 34: the overlay colour where
// gray != 0, elsewhere the colour pixel.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW8>* gray, VnROI<VnC24>* colour, VnROI<VnC24>* dst);

// ---- VnBW16 ----
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnBW16 value, VnROI<VnBW16>* dst);
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnBW16 value, VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW16>* src, VnBW16 value, VnROI<VnBW16>* dst);
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW16>* a, VnROI<VnBW16>* b, VnROI<VnBW16>* dst);
// 2 min(a + b, 65535), 3 max(a - b, 0), 4 min(a * b, 65535), 5 a / b (b = 0 gives 65535),
// 29 (a + b) mod 65536, 30 (a - b) mod 65536.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnBW16>* a, VnROI<VnBW8>* b, VnROI<VnBW16>* dst);

// ---- VnC24: the 8-bit formulas channel by channel ----
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnC24 value, VnROI<VnC24>* dst);
// 0, 1; 34 passes the first check and raises 32767.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnC24>* src, VnROI<VnC24>* dst);
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnC24 value, VnROI<VnC24>* src, VnROI<VnC24>* dst);
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnC24>* src, VnC24 value, VnROI<VnC24>* dst);
// As the VnBW8 two-image form, and 34: dst = b where b is not (0, 0, 0), elsewhere a.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnC24>* a, VnROI<VnC24>* b, VnROI<VnC24>* dst);
// As the gray-first mixed form, the gray value being b.
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnROI<VnC24>* colour, VnROI<VnBW8>* gray, VnROI<VnC24>* dst);

// ---- VnBW1 ----
// 0: fill (whole bytes: the bits of a row's last byte beyond the ROI take the value too).
void ImgOper(ARITH_LOGIC_OPERATIONS op, VnBW1 value, VnROI<VnBW1>* dst);
// 0 copy, 1 invert.
void ImgOper(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);
// 13 AND, 14 OR, 15 XOR, 21 d = (d AND a) OR (NOT a AND b), 22 d = (d AND NOT a) OR (a AND b),
// 26 NOT a OR b. Bits of a row's last byte beyond the ROI keep their value.
void ImgOper(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW1>* a, const VnROI<VnBW1>* b, VnROI<VnBW1>* dst);
// The same on byte-aligned operands; failures throw Korvane::Quandor::Exception: a rejected
// value 1003, a null operand 1400, the validity and same-size codes, then 1423 when an operand
// does not start on a byte boundary (nothing is written then).
void ImgOperAligned(ARITH_LOGIC_OPERATIONS op, VnBW1 value, VnROI<VnBW1>* dst);
void ImgOperAligned(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);
void ImgOperAligned(ARITH_LOGIC_OPERATIONS op, const VnROI<VnBW1>* a, const VnROI<VnBW1>* b, VnROI<VnBW1>* dst);

// ---- Copy and fill: dst = src, or every pixel = value ----
void ImgCopy(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);
void ImgCopy(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgCopy(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgCopy(const VnROI<VnBW32>* src, VnROI<VnBW32>* dst);
void ImgCopy(const VnROI<VnC15>* src, VnROI<VnC15>* dst);
void ImgCopy(const VnROI<VnC16>* src, VnROI<VnC16>* dst);
void ImgCopy(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
void ImgCopy(VnBW1 value, VnROI<VnBW1>* dst);
void ImgCopy(VnBW8 value, VnROI<VnBW8>* dst);
void ImgCopy(VnBW16 value, VnROI<VnBW16>* dst);
void ImgCopy(VnBW32 value, VnROI<VnBW32>* dst);
void ImgCopy(VnC15 value, VnROI<VnC15>* dst);
void ImgCopy(VnC16 value, VnROI<VnC16>* dst);
void ImgCopy(VnC24 value, VnROI<VnC24>* dst);
// Byte-aligned bit images; failures throw Korvane::Quandor::Exception, as ImgOperAligned's do
// (1423 for an operand off a byte boundary, nothing written). The copy keeps the bits of a
// row's last byte beyond the ROI; the fill writes whole bytes.
void ImgCopyAligned(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);
void ImgCopyAligned(VnBW1 value, VnROI<VnBW1>* dst);

// ---- Overlay ----
// dst(x + i, y + j) = overlay(i, j) wherever the overlay pixel is not `transparent` and the
// position lies inside dst (converted to 5-6-5 or 5-5-5 for the 16-bit colour types). A dst
// smaller than the overlay gets nothing written and no code, only the trace name.
void ImgOverlay(VnROI<VnC24>* overlay, VnROI<VnC24>* dst, int x, int y, VnC24 transparent);
void ImgOverlay(VnROI<VnC24>* overlay, VnROI<VnC16>* dst, int x, int y, VnC24 transparent);
void ImgOverlay(VnROI<VnC24>* overlay, VnROI<VnC15>* dst, int x, int y, VnC24 transparent);
// dst takes gray's size; dst(i, j) = overlay(i - x, j - y) where that lies inside the overlay
// and is not `transparent`, elsewhere (g, g, g). An overlay smaller than gray gets nothing
// written and no code, only the trace name.
void ImgOverlay(VnROI<VnBW8>* gray, VnROI<VnC24>* overlay, VnROI<VnC24>* dst, int x, int y, VnC24 transparent);

// The calling thread's overlay colour (value 34 paints with it).
void ImgSetOverlayColor(VnC24 color);
VnC24 ImgGetOverlayColor();
