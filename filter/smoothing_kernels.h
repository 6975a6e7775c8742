// The 5x5 and 7x7 smoothing filters: their taps and how the weighted sum becomes a pixel, shared
// by the plain rows and the vector rows (which sum the columns first, then along the row).
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::filter::separable {

// Each filter's 2D weight at (i, j) is taps[i] x taps[j]; Finish turns the weighted sum into a
// pixel, multiplying by `factor` (1 for the binomials) then shifting right by `shift`.
struct Uniform5 {
  static constexpr int size = 5, factor = 335544, shift = 23;
  static constexpr int taps[7] = {1, 1, 1, 1, 1};
};
struct Uniform7 {
  static constexpr int size = 7, factor = 171196, shift = 23;
  static constexpr int taps[7] = {1, 1, 1, 1, 1, 1, 1};
};
struct Gaussian5 {
  static constexpr int size = 5, factor = 1, shift = 8;
  static constexpr int taps[7] = {1, 4, 6, 4, 1};
};
struct Gaussian7 {
  static constexpr int size = 7, factor = 1, shift = 12;
  static constexpr int taps[7] = {1, 6, 15, 20, 15, 6, 1};
};

// lines[j][x + i] is the source pixel under cell (i, j) for output x; `columns` is scratch for
// width + size - 1 column sums (and vector slack).
using RowFn = void (*)(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width);

template <class K>
void RowPlain(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width);
#if VNIMG_X86
template <class K>
void RowSse2(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width);
template <class K>
void RowAvx2(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width);
template <class K>
void RowAvx512(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width);
#endif
template <class K>
const simd::Variants<RowFn>& Variants();

}  // namespace vnimg::filter::separable

namespace vnimg::filter {

// One output row of the box: output x is (sums[x] + .. + sums[x + span - 1]) x factor >> 24,
// sums holding the column sums with the edge columns extended.
template <class T, class Sum>
static inline void BoxWindows(const Sum* sums, int span, std::uint64_t factor, T* dst, int width) {
  std::uint64_t window = 0;
  for (int i = 0; i < span; ++i) window += sums[i];
  for (int x = 0;; ++x) {
    dst[x] = static_cast<T>((window * factor) >> 24);
    if (x == width - 1) break;
    window = window + sums[x + span] - sums[x];
  }
}

// The 8-bit form with 32-bit column sums. The vector rows work modulo 2^32, which is exact: the
// product stays below 255 x 2^24, and a window sum that wraps has a factor of 0.
using BoxRowFn = void (*)(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width);
void BoxRowPlain(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width);
#if VNIMG_X86
void BoxRowSse2(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width);
void BoxRowAvx2(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width);
void BoxRowAvx512(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width);
#endif
const simd::Variants<BoxRowFn>& BoxRowVariants();

// The column sums moved down a row: column[x] += add[x] - remove[x].
using BoxColumnsFn = void (*)(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width);
void BoxColumnsPlain(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width);
#if VNIMG_X86
void BoxColumnsAvx2(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width);
void BoxColumnsAvx512(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width);
#endif
const simd::Variants<BoxColumnsFn>& BoxColumnsVariants();

}  // namespace vnimg::filter

#define VNIMG_SEPARABLE_INSTANTIATE(row)                                                                         \
  template void row<Uniform5>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);                                 \
  template void row<Uniform7>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);                                 \
  template void row<Gaussian5>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);                                \
  template void row<Gaussian7>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);
