// Row kernels of the kernel convolutions, shared by the plain loops and the tails of their
// vector variants. A row kernel reads one padded line per kernel row (lines[j][x + i] is the
// source pixel under cell (i, j) for output x) and writes `width` destination pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::filter {

// A square kernel in fixed point: value = ((sum + preOffset) >> shift) + postOffset, its
// absolute value when `absolute`, clamped to 0..max.
struct FixedKernel {
  int size = 0;  // 3, 5 or 7
  std::int32_t q[49] = {};
  int shift = 0;
  std::int64_t preOffset = 0;
  std::int64_t postOffset = 0;
  bool absolute = false;
  int max = 0;
  // The vector variants' form, valid when `narrow`: every sum fits 32 bits. Each row's
  // coefficients in pairs (q[2p], q[2p + 1]) of 16-bit halves, q[size] taken as 0; when `split`
  // a coefficient is high * 256 + low with low in 0..255.
  bool narrow = false;
  bool split = false;
  std::int32_t pairHigh[7][4] = {};
  std::int32_t pairLow[7][4] = {};
  // preOffset plus, for 16-bit pixels read as p - 32768, 32768 times the sum of the q (mod 2^32).
  std::int32_t base = 0;
};

// A kernel of any size in double precision with the rectifier of VnKernel (codes other than 1
// to 3 leave the value unchanged), the offset and the clamp to 0..max.
struct GeneralKernel {
  int sizeX = 0;
  int sizeY = 0;
  const double* c = nullptr;  // row by row
  int rectifier = 0;
  double offset = 0;
  int max = 0;
};

// A general kernel whose effective coefficients are all m / 2^shift, the integers m so small
// that every double sum of the general path is exact: that sum is M / 2^shift for the integer
// sum M, and the pixel is GeneralPixel's of trunc(M / 2^shift). The bound also holds with the
// offset added, so the vector forms stay in 32 bits.
struct DyadicKernel {
  int sizeX = 0;
  int sizeY = 0;
  const std::int32_t* m = nullptr;  // row by row
  int shift = 0;
  int rectifier = 0;
  std::int32_t offset = 0;
  int max = 0;
};

// Sums beyond this are clamped first: every result stays the same, and the arithmetic after it
// is exact in doubles and in 64-bit integers alike.
inline constexpr double kGeneralSumLimit = 1099511627776.0;  // 2^40

// The fixed-point forms of effective coefficients c (row by row): 8 fractional bits for the 3x3
// rectifier-2 path, 15 for the others. PrepareVectorForm fills the vector variants' fields for
// pixels read less `bias` (32768 for 16-bit pixels).
FixedKernel EightBitKernel(const double* c, unsigned offset, int max);
FixedKernel FifteenBitKernel(const double* c, int size, short rectifier, unsigned offset, int max);
void PrepareVectorForm(FixedKernel& k, std::int64_t bias);

template <class T>
using FixedRowFn = void (*)(const T* const* lines, const FixedKernel& k, T* dst, int width);
template <class T>
using GeneralRowFn = void (*)(const double* const* lines, const GeneralKernel& k, T* dst, int width);
template <class T>
using DyadicRowFn = void (*)(const std::int32_t* const* lines, const DyadicKernel& k, T* dst, int width);

template <class T>
static inline std::int64_t FixedSum(const T* const* lines, const FixedKernel& k, int x) {
  std::int64_t sum = 0;
  for (int j = 0; j < k.size; ++j)
    for (int i = 0; i < k.size; ++i) sum += std::int64_t{k.q[j * k.size + i]} * lines[j][x + i];
  return sum;
}

template <class T>
static inline T FixedPixel(std::int64_t sum, const FixedKernel& k) {
  std::int64_t v = ((sum + k.preOffset) >> k.shift) + k.postOffset;
  if (k.absolute && v < 0) v = -v;
  return static_cast<T>(std::clamp<std::int64_t>(v, 0, k.max));
}

// Cell by cell, row by row: the order every variant keeps.
static inline double GeneralSum(const double* const* lines, const GeneralKernel& k, int x) {
  double sum = 0.0;
  for (int j = 0; j < k.sizeY; ++j)
    for (int i = 0; i < k.sizeX; ++i) sum += k.c[j * k.sizeX + i] * lines[j][x + i];
  return sum;
}

// The truncated sum v rectified (codes other than 1 to 3 leave it), offset, clamped to 0..max.
template <class T>
static inline T RectifiedPixel(std::int64_t v, int rectifier, std::int64_t offset, int max) {
  switch (rectifier) {
    case 1: v = v <= 0 ? -v : 0; break;
    case 2: v = v < 0 ? 0 : v; break;
    case 3: v = v < 0 ? -v : v; break;
    default: break;
  }
  return static_cast<T>(std::clamp<std::int64_t>(v + offset, 0, max));
}

// A sum that is not a number counts as 0.
template <class T>
static inline T GeneralPixel(double sum, const GeneralKernel& k) {
  if (std::isnan(sum)) sum = 0.0;
  const auto v = static_cast<std::int64_t>(std::clamp(sum, -kGeneralSumLimit, kGeneralSumLimit));
  return RectifiedPixel<T>(v, k.rectifier, static_cast<std::int64_t>(k.offset), k.max);
}

static inline std::int32_t DyadicSum(const std::int32_t* const* lines, const DyadicKernel& k, int x) {
  std::int32_t sum = 0;
  for (int j = 0; j < k.sizeY; ++j)
    for (int i = 0; i < k.sizeX; ++i) sum += k.m[j * k.sizeX + i] * lines[j][x + i];
  return sum;
}

// trunc(sum / 2^shift), then as GeneralPixel.
template <class T>
static inline T DyadicPixel(std::int32_t sum, const DyadicKernel& k) {
  const std::int32_t magnitude = (sum < 0 ? -sum : sum) >> k.shift;
  return RectifiedPixel<T>(sum < 0 ? -magnitude : magnitude, k.rectifier, k.offset, k.max);
}

void FixedRowPlain(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width);
void FixedRowPlain(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width);
void GeneralRowPlain(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width);
void GeneralRowPlain(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width);
#if VNIMG_X86
void FixedRowSse2(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width);
void FixedRowSse2(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width);
void FixedRowAvx2(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width);
void FixedRowAvx2(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width);
void FixedRowAvx512(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width);
void FixedRowAvx512(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width);
void GeneralRowSse2(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width);
void GeneralRowSse2(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width);
void GeneralRowAvx2(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width);
void GeneralRowAvx2(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width);
void GeneralRowAvx512(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width);
void GeneralRowAvx512(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width);
void DyadicRowAvx2(const std::int32_t* const* lines, const DyadicKernel& k, VnBW8* dst, int width);
void DyadicRowAvx2(const std::int32_t* const* lines, const DyadicKernel& k, VnBW16* dst, int width);
void DyadicRowAvx512(const std::int32_t* const* lines, const DyadicKernel& k, VnBW8* dst, int width);
void DyadicRowAvx512(const std::int32_t* const* lines, const DyadicKernel& k, VnBW16* dst, int width);
#endif
// The vector variants of FixedRow need k.narrow; the plain loop takes any kernel.
template <class T>
const simd::Variants<FixedRowFn<T>>& FixedRowVariants();
template <class T>
const simd::Variants<GeneralRowFn<T>>& GeneralRowVariants();
template <>
const simd::Variants<FixedRowFn<VnBW8>>& FixedRowVariants<VnBW8>();
template <>
const simd::Variants<FixedRowFn<VnBW16>>& FixedRowVariants<VnBW16>();
template <>
const simd::Variants<GeneralRowFn<VnBW8>>& GeneralRowVariants<VnBW8>();
template <>
const simd::Variants<GeneralRowFn<VnBW16>>& GeneralRowVariants<VnBW16>();
// Vector rows only: the integer route is taken where one exists (the plain level runs the
// general path, which is its reference).
template <class T>
const simd::Variants<DyadicRowFn<T>>& DyadicRowVariants();
template <>
const simd::Variants<DyadicRowFn<VnBW8>>& DyadicRowVariants<VnBW8>();
template <>
const simd::Variants<DyadicRowFn<VnBW16>>& DyadicRowVariants<VnBW16>();

}  // namespace vnimg::filter
