// Pixel type conversions: dst(x, y) = f(src(x, y)) between ROIs of one size.
//
// Every form checks null pointers (1400), the validity of each ROI (its code), the sizes of
// the source against each other operand (1403) and the pixel buffers (1400); a failed check
// traces the form's name and leaves every destination untouched. Shifts are taken mod 32 and
// nothing saturates except the float conversions.
#pragma once

#include "vnimg/exception.h"
#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

// ---- Shifts between gray depths ----
// (s >> (shift mod 32)) truncated to 8 bits.
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnBW8>* dst, unsigned int shift = 8);
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnBW8>* dst, unsigned int shift);
// (s >> (shift mod 32)) truncated to 16 bits.
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnBW16>* dst, unsigned int shift);
// (s << (shift mod 32)) truncated to 16 bits.
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnBW16>* dst, unsigned int shift = 8);
// s << (shift mod 32), truncated to 32 bits.
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnBW32>* dst, unsigned int shift);
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnBW32>* dst, unsigned int shift);

// ---- Gray and colour ----
// (g, g, g).
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnC24>* dst);
// The DSP library's gray value of each pixel (KorvaneIDsp_RGBToGray_BW8_C3C1R over the whole
// rectangle). When that call fails, Korvane::Quandor::Exception(32767) reaches the caller.
void ImgConvert(VnROI<VnC24>* src, VnROI<VnBW8>* dst);

// ---- 16-bit colour: VnC15 is c0 >> 3 | (c1 >> 3) << 5 | (c2 >> 3) << 10 (bit 15 apart),
// VnC16 is c0 >> 3 | (c1 >> 2) << 5 | (c2 >> 3) << 11 ----
// The 5-5-5 fields; bit 15 of each destination word keeps its value.
void ImgConvert(VnROI<VnC24>* src, VnROI<VnC15>* dst);
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnC15>* dst);
// c0 = (w & 31) << 3, c1 = ((w >> 5) & 31) << 3, c2 = ((w >> 10) & 31) << 3.
void ImgConvert(VnROI<VnC15>* src, VnROI<VnC24>* dst);
// ((f0 + f1 + f2) * 8) / 3 over the three 5-bit fields.
void ImgConvert(VnROI<VnC15>* src, VnROI<VnBW8>* dst);
void ImgConvert(VnROI<VnC24>* src, VnROI<VnC16>* dst);
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnC16>* dst);
// c0 = (w & 31) << 3, c1 = ((w >> 5) & 63) << 2, c2 = ((w >> 11) & 31) << 3.
void ImgConvert(VnROI<VnC16>* src, VnROI<VnC24>* dst);
// ((2 f0 + f1 + 2 f2) * 4) / 3, f1 being the 6-bit field.
void ImgConvert(VnROI<VnC16>* src, VnROI<VnBW8>* dst);

// ---- Colour with alpha ----
// The three colour bytes; the alpha byte keeps its value.
void ImgConvert(VnROI<VnC24>* src, VnROI<VnC24A>* dst);
void ImgConvert(VnROI<VnC24A>* src, VnROI<VnC24>* dst);
// Colour bytes from colour, alpha from alpha.
void ImgConvert(VnROI<VnC24>* colour, VnROI<VnBW8>* alpha, VnROI<VnC24A>* dst);
// Colour bytes to colour, alpha to alpha.
void ImgConvert(VnROI<VnC24A>* src, VnROI<VnC24>* colour, VnROI<VnBW8>* alpha);

// ---- Gray and bit images ----
// bit = 1 where s != 0. The aligned forms need a byte-aligned destination (1423 otherwise)
// and write whole bytes: the bits of a row's last byte beyond the width become 0. The
// unaligned forms work through an aligned temporary when the destination is not byte-aligned,
// and then change no bit outside the ROI. Aligned forms throw Korvane::Quandor::Exception.
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnBW1>* dst);
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnBW1>* dst);
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnBW1>* dst);
void ImgConvertAligned(VnROI<VnBW8>* src, VnROI<VnBW1>* dst);
void ImgConvertAligned(VnROI<VnBW16>* src, VnROI<VnBW1>* dst);
void ImgConvertAligned(VnROI<VnBW32>* src, VnROI<VnBW1>* dst);
// value where the bit is 1, 0 elsewhere. The aligned forms need a byte-aligned source (1423).
void ImgConvert(VnROI<VnBW1>* src, VnROI<VnBW8>* dst, unsigned char value = 255);
void ImgConvert(VnROI<VnBW1>* src, VnROI<VnBW16>* dst, unsigned short value = 65535);
void ImgConvert(VnROI<VnBW1>* src, VnROI<VnBW32>* dst, unsigned int value = 4294967295u);
void ImgConvertAligned(VnROI<VnBW1>* src, VnROI<VnBW8>* dst, unsigned char value = 255);
void ImgConvertAligned(VnROI<VnBW1>* src, VnROI<VnBW16>* dst, unsigned short value = 65535);
void ImgConvertAligned(VnROI<VnBW1>* src, VnROI<VnBW32>* dst, unsigned int value = 4294967295u);

// ---- Floating point ----
// 0 for NaN and negative values, the maximum (255, 65535, 4294967295) above it, else
// trunc(v + 0.5) evaluated exactly (no rounding of the sum itself).
void ImgConvert(VnROI<VnFLOAT32>* src, VnROI<VnBW8>* dst);
void ImgConvert(VnROI<VnFLOAT32>* src, VnROI<VnBW16>* dst);
void ImgConvert(VnROI<VnFLOAT32>* src, VnROI<VnBW32>* dst);
void ImgConvert(VnROI<VnFLOAT64>* src, VnROI<VnBW8>* dst);
void ImgConvert(VnROI<VnFLOAT64>* src, VnROI<VnBW16>* dst);
void ImgConvert(VnROI<VnFLOAT64>* src, VnROI<VnBW32>* dst);
// The value, rounded to the nearest float (VnBW32 above 2^24), exact in double.
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnFLOAT32>* dst);
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnFLOAT32>* dst);
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnFLOAT32>* dst);
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnFLOAT64>* dst);
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnFLOAT64>* dst);
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnFLOAT64>* dst);

// ---- 4:2:2 ----
// g | 128 << 8: luminance in the low byte, a neutral chrominance in the high byte.
void ImgConvertTo422(VnROI<VnBW8>* src, VnROI<VnBW16>* dst);
