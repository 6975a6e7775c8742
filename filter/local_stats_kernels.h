// Per-pixel kernels of the local deviation, shared by the plain loops and the tails of their
// vector variants: the column sums' update from the row entering the band and the row leaving
// it, the window slide's unclamped steps, and a pixel from its window sums S and Q.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::filter {

// Column sums of squares: 32 bits hold 65535 rows of 8-bit squares, 16-bit ones need 64.
template <class T>
using SquareSum = std::conditional_t<std::is_same_v<T, VnBW8>, std::uint32_t, std::uint64_t>;

template <class T>
inline constexpr double kPixelMax = std::is_same_v<T, VnBW8> ? 255.0 : 65535.0;

// Unsigned arithmetic wraps, and the sums it lands on are exact.
template <class T>
static inline void UpdateColumn(const T* entering, const T* leaving, std::uint32_t* s, SquareSum<T>* q, int x) {
  using Q = SquareSum<T>;
  s[x] += std::uint32_t{entering[x]} - std::uint32_t{leaving[x]};
  q[x] += Q{entering[x]} * entering[x] - Q{leaving[x]} * leaving[x];
}

// floor(sqrt(n q - s^2) / n) in doubles, exact while n^2 x max^2 < 2^52: every product and the
// difference are then integers below 2^52, the square root rounds correctly (so it never falls
// below an integer it reaches), and a quotient rounded up to the next integer is taken back.
template <class T>
static inline T DeviationPixel(std::uint64_t s, std::uint64_t q, double n) {
  const double sum = static_cast<double>(s), v = n * static_cast<double>(q) - sum * sum;
  double d = static_cast<double>(static_cast<std::int32_t>(std::sqrt(v) / n));
  if ((d * n) * (d * n) > v) d -= 1.0;
  return static_cast<T>(std::min(d, kPixelMax<T>));
}

// The window slide's steps x -> x + 1 for x in [from, to), where no column is clamped: the sums
// at x + 1 are those at x with column x + 1 + half in and column x - half out (modulo 2^64).
template <class Q>
static inline void SlideInteriorSteps(const std::uint32_t* s, const Q* q, int half, int from, int to, std::uint64_t* outS,
                                      std::uint64_t* outQ) {
  std::uint64_t sumS = outS[from], sumQ = outQ[from];
  for (int x = from; x < to; ++x) {
    sumS += std::uint64_t{s[x + 1 + half]} - s[x - half];
    sumQ += std::uint64_t{q[x + 1 + half]} - q[x - half];
    outS[x + 1] = sumS, outQ[x + 1] = sumQ;
  }
}

template <class Q>
using SlideInteriorFn = void (*)(const std::uint32_t* s, const Q* q, int half, int from, int to, std::uint64_t* outS,
                                 std::uint64_t* outQ);

template <class T>
using ColumnUpdateFn = void (*)(const T* entering, const T* leaving, std::uint32_t* s, SquareSum<T>* q, int width);
template <class T>
using DeviationRowFn = void (*)(const std::uint64_t* s, const std::uint64_t* q, double n, T* dst, int width);

void ColumnUpdatePlain(const VnBW8* entering, const VnBW8* leaving, std::uint32_t* s, std::uint32_t* q, int width);
void ColumnUpdatePlain(const VnBW16* entering, const VnBW16* leaving, std::uint32_t* s, std::uint64_t* q, int width);
void DeviationRowPlain(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW8* dst, int width);
void DeviationRowPlain(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW16* dst, int width);
void SlideInteriorPlain(const std::uint32_t* s, const std::uint32_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ);
void SlideInteriorPlain(const std::uint32_t* s, const std::uint64_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ);
#if VNIMG_X86
void SlideInteriorAvx512(const std::uint32_t* s, const std::uint32_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ);
void SlideInteriorAvx512(const std::uint32_t* s, const std::uint64_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ);
void ColumnUpdateSse2(const VnBW8* entering, const VnBW8* leaving, std::uint32_t* s, std::uint32_t* q, int width);
void ColumnUpdateSse2(const VnBW16* entering, const VnBW16* leaving, std::uint32_t* s, std::uint64_t* q, int width);
void DeviationRowSse2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW8* dst, int width);
void DeviationRowSse2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW16* dst, int width);
void ColumnUpdateAvx2(const VnBW8* entering, const VnBW8* leaving, std::uint32_t* s, std::uint32_t* q, int width);
void ColumnUpdateAvx2(const VnBW16* entering, const VnBW16* leaving, std::uint32_t* s, std::uint64_t* q, int width);
void DeviationRowAvx2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW8* dst, int width);
void DeviationRowAvx2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW16* dst, int width);
#endif
template <class Q>
const simd::Variants<SlideInteriorFn<Q>>& SlideInteriorVariants();
template <>
const simd::Variants<SlideInteriorFn<std::uint32_t>>& SlideInteriorVariants<std::uint32_t>();
template <>
const simd::Variants<SlideInteriorFn<std::uint64_t>>& SlideInteriorVariants<std::uint64_t>();
template <class T>
const simd::Variants<ColumnUpdateFn<T>>& ColumnUpdateVariants();
template <class T>
const simd::Variants<DeviationRowFn<T>>& DeviationRowVariants();
template <>
const simd::Variants<ColumnUpdateFn<VnBW8>>& ColumnUpdateVariants<VnBW8>();
template <>
const simd::Variants<ColumnUpdateFn<VnBW16>>& ColumnUpdateVariants<VnBW16>();
template <>
const simd::Variants<DeviationRowFn<VnBW8>>& DeviationRowVariants<VnBW8>();
template <>
const simd::Variants<DeviationRowFn<VnBW16>>& DeviationRowVariants<VnBW16>();

}  // namespace vnimg::filter
