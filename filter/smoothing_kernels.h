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
#endif
template <class K>
const simd::Variants<RowFn>& Variants();

}  // namespace vnimg::filter::separable

#define VNIMG_SEPARABLE_INSTANTIATE(row)                                                                         \
  template void row<Uniform5>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);                                 \
  template void row<Uniform7>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);                                 \
  template void row<Gaussian5>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);                                \
  template void row<Gaussian7>(const VnBW8* const*, std::uint16_t*, VnBW8*, int);
