// Row kernels of the gray-level morphology: a plain loop per pass shape and extremum (the
// reference) and its vector variants, one Variants table each. Every kernel reads padded rows
// (index -1 and index n readable, see morphology_kernels.h) and writes n pixels of `out`,
// which must not overlap its inputs; the pair and shift kernels work element by element and
// may write over their first input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::morphology {

enum class Extremum { Min = 0, Max = 1 };  // erosion, dilation
enum class Shape { Square = 0, Row = 1, Column = 2, Cross = 3 };  // 3x3, X, Y, XY

// out[i] = the extremum over the shape's neighbourhood of column i.
template <class T>
using NeighbourRowFn = void (*)(const T* up, const T* mid, const T* down, T* out, int n);
// out[i] = extremum(a[i], b[i]).
template <class T>
using PairRowFn = void (*)(const T* a, const T* b, T* out, int n);
// buffer[i] = extremum of buffer[i + k shift], k = 0..3, for i < n, in increasing i.
template <class T>
using ShiftRowFn = void (*)(T* buffer, int shift, int n);

// The outputs of the rows before a block taken while the block's rows are filtered, row t of
// the block giving output t: out[i] = extremum(suffix[i], prefix[i]), then prefix[i] =
// extremum(prefix[i], filtered row t at i). The filtered row may be written over the suffix:
// suffix[i] is read before the filtered row's element i is written.
template <class T>
struct PrefixStep {
  const T* suffix;
  T* prefix;
  T* out;
};

// out[i] = the extremum of row[i - half .. i + half] clipped to [0, n); with a step, also the
// step with out as the filtered row. Reads the row in place (unpadded); only AVX-512 has a
// variant, for half <= kWindowRowMaxHalf<T>.
template <class T>
using WindowRowFn = void (*)(const T* row, int half, T* out, int n, const PrefixStep<T>* step);
template <class T>
inline constexpr int kSpanLanes = 64 / static_cast<int>(sizeof(T));
template <class T>
inline constexpr int kWindowRowMaxHalf = kSpanLanes<T> - 1;
// out[k] = the extremum of row[k - half .. k - half + kSpanLanes - 1] clipped to [0, n), for
// k < count: the windows of one register's width that wider windows double on from. Reads the
// row in place; only AVX-512 has a variant.
template <class T>
using SpanRowFn = void (*)(const T* row, int half, T* out, int count, int n);

// The suffixes of a block of `window` rows for the running column extrema: row t of suffix
// (rows `stride` apart) = the extremum of rows[t .. window - 1].
template <class T>
using SuffixColumnsFn = void (*)(const T* const* rows, int window, T* suffix, std::size_t stride, int n);

template <class T>
const simd::Variants<NeighbourRowFn<T>>& NeighbourRowVariants(Extremum e, Shape shape);
template <class T>
const simd::Variants<SuffixColumnsFn<T>>& SuffixColumnsVariants(Extremum e);
template <class T>
const simd::Variants<WindowRowFn<T>>& WindowRowVariants(Extremum e);
template <class T>
const simd::Variants<SpanRowFn<T>>& SpanRowVariants(Extremum e);
template <class T>
const simd::Variants<PairRowFn<T>>& PairRowVariants(Extremum e);
template <class T>
const simd::Variants<ShiftRowFn<T>>& ShiftRowVariants(Extremum e);
// out[i] = the median of the nine values of the 3x3 window around column i.
template <class T>
const simd::Variants<NeighbourRowFn<T>>& MedianRowVariants();

// What one ISA file offers for one pixel width.
template <class T>
struct RowKernels {
  NeighbourRowFn<T> neighbour[2][4] = {};  // [extremum][shape]
  PairRowFn<T> pair[2] = {};
  ShiftRowFn<T> shift[2] = {};
  WindowRowFn<T> window[2] = {};
  SpanRowFn<T> span[2] = {};
  SuffixColumnsFn<T> suffixColumns[2] = {};
  NeighbourRowFn<T> median = nullptr;
};

#if VNIMG_X86
RowKernels<std::uint8_t> RowKernelsSse2(std::uint8_t);
RowKernels<std::uint16_t> RowKernelsSse2(std::uint16_t);
RowKernels<std::uint8_t> RowKernelsAvx2(std::uint8_t);
RowKernels<std::uint16_t> RowKernelsAvx2(std::uint16_t);
RowKernels<std::uint8_t> RowKernelsAvx512(std::uint8_t);
RowKernels<std::uint16_t> RowKernelsAvx512(std::uint16_t);
#endif

}  // namespace vnimg::morphology
