// Gray-level mappings: lookup tables, a user function, gain and offset, normalisation to a
// mean and standard deviation, histogram equalisation, and flat-field uniformisation against
// one reference (or a light and a dark one), given as images or as one value per column.
//
// M is 255 for 8-bit data and each VnC24 byte, 65535 for VnBW16. Source and destination have
// the same size and may be the same ROI. Unless a form says otherwise, checks run in this
// order: a null operand 1400, each ROI's validity code, different sizes 1403, no pixel buffer
// 1400; a failed check traces the form's name and leaves the destination untouched.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"
#include "vnimg/vector.h"

// ---- Lookup ----
// dst = lut[src]. Checks: null, sizes, lut not 256 elements 1613, then the worker's checks.
void ImgLut(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnBW8Vector* lut);
// The worker: dst = lut[src] with 256 entries read from lut. It sets the code of a failed
// check (null operand or table 1400, validity of src then dst, sizes, buffers) without tracing:
// the caller adds its own name.
void ImgLut(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, const VnBW8* lut);
// dst = lut[src]; lut not 65536 elements 1613.
void ImgLut(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnBW16Vector* lut);
// dst = lut[src] with 65536 entries read from lut (null 1400).
void ImgLut(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnBW16* lut);
// dst = lut[(src >> shift) AND (2^bits - 1)], 2^bits the table's size; shift 4294967295 means
// 16 - bits. Checks after the ROIs: an explicit shift with bits + shift above 16 1014, then a
// table whose size is not a power of 2 up to 65536 1613.
void ImgLut(VnROI<VnBW16>* src, VnROI<VnBW8>* dst, VnBW8Vector* lut, unsigned int shift);

// dst = f(src). useTable 0 calls f once per pixel in row order, otherwise once for each value
// 0 to 255 in increasing order to fill a table. A null f is 1400.
void ImgTransform(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnBW8 (*f)(VnBW8), int useTable);
// dst = f(src), f called once per pixel in row order. A null f is 1400.
void ImgTransform(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnBW16 (*f)(VnBW16));

// ---- Gain and offset ----
// G = trunc(gain * 32) (gains beyond the int range are held at its ends), O = trunc(offset):
// v = ((x * G mod 2^32) >> 5, logical) + O taken as signed, clamped to 0..255; so a negative
// gain gives 255 for every x above 0.
void ImgGainOffset(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float gain, float offset);
// Byte k of each pixel: clamp(trunc(x * gain + offset), 0, 255), gain and offset taken from
// the colour's components in reverse order (c0 acts on the pixel's third byte).
void ImgGainOffset(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnColor gain, VnColor offset);
// clamp(((x * G) >> 5, arithmetic) + O, 0, 65535) with G and O as for VnBW8.
void ImgGainOffset(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float gain, float offset);

// ---- Normalisation ----
// With s, m the source's standard deviation and mean (ImgPixelStdDev) and k = stdDev / s:
// dst = trunc(x * k + mean - k * m) in double precision rounded to float, clamped to 0..M;
// a result that is not a number gives 0 (a uniform source: k is infinite). Returns the code.
short ImgNormalize(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float mean, float stdDev);
void ImgNormalize(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float mean, float stdDev);

// ---- Equalisation ----
// The histogram, ImgSetupEqualize's table (an empty histogram gives the identity), the lookup.
// A failing step keeps its code and "ImgEqualize" is added to its trace.
void ImgEqualize(VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
// dst = min(65535, floor(cum(v) * 65535 / N)), cum the inclusive cumulative histogram and N
// the pixel count. Sizes are compared (1403) so that dst is never written past its end.
void ImgEqualize(VnROI<VnBW16>* src, VnROI<VnBW16>* dst);

// ---- Uniformisation ----
// Per byte for VnC24 (with the level's matching byte). Image forms check the validity of src,
// each reference and dst, then each size against src; vector forms need one element per
// column (1613).
//   single, additive:        clamp(src - ref + level, 0, M)
//   single, multiplicative:  min(src * level / ref, M); ref = 0 gives M
//   light/dark:              L = D gives M, else clamp((src - D) * (lightLevel - darkLevel) / (L - D)
//                            + darkLevel, 0, M), the division truncating toward zero
//   single vector, additive: clamp(src + (level - r[x]), 0, M)
//   single vector, multiplicative: f = level * 4096 / r[x] (r[x] = 0: f = 0, b = M, else b = 0);
//                            ((src * f) >> 12) + b taken from a signed 32-bit product, M when
//                            it falls outside 0..M (the product wraps for VnBW16 above about 8x)
//   light/dark vectors:      L = D gives M; slope = (lightLevel - darkLevel) * 4096 / (L - D),
//                            intercept = darkLevel - (lightLevel - darkLevel) * D / (L - D),
//                            clamp(((src * slope) >> 12) + intercept, 0, M) in 64-bit integers
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 level, VnROI<VnBW8>* ref, VnROI<VnBW8>* dst, int multiplicative);
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 level, VnROI<VnBW16>* ref, VnROI<VnBW16>* dst, int multiplicative);
void ImgUniformize(VnROI<VnC24>* src, VnC24 level, VnROI<VnC24>* ref, VnROI<VnC24>* dst, int multiplicative);
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 lightLevel, VnROI<VnBW8>* lightRef, VnBW8 darkLevel,
                   VnROI<VnBW8>* darkRef, VnROI<VnBW8>* dst);
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 lightLevel, VnROI<VnBW16>* lightRef, VnBW16 darkLevel,
                   VnROI<VnBW16>* darkRef, VnROI<VnBW16>* dst);
void ImgUniformize(VnROI<VnC24>* src, VnC24 lightLevel, VnROI<VnC24>* lightRef, VnC24 darkLevel,
                   VnROI<VnC24>* darkRef, VnROI<VnC24>* dst);
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 level, VnBW8Vector* ref, VnROI<VnBW8>* dst, int multiplicative);
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 level, VnBW16Vector* ref, VnROI<VnBW16>* dst, int multiplicative);
void ImgUniformize(VnROI<VnC24>* src, VnC24 level, VnC24Vector* ref, VnROI<VnC24>* dst, int multiplicative);
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 lightLevel, VnBW8Vector* lightRef, VnBW8 darkLevel,
                   VnBW8Vector* darkRef, VnROI<VnBW8>* dst);
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 lightLevel, VnBW16Vector* lightRef, VnBW16 darkLevel,
                   VnBW16Vector* darkRef, VnROI<VnBW16>* dst);
void ImgUniformize(VnROI<VnC24>* src, VnC24 lightLevel, VnC24Vector* lightRef, VnC24 darkLevel,
                   VnC24Vector* darkRef, VnROI<VnC24>* dst);
