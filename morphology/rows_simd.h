// The vector form of every morphology row kernel, written once over an ISA's registers.
// Included only by the ISA files (rows_sse2.cpp ...): each defines its traits type V in an
// anonymous namespace and includes this header, so every function here is instantiated with
// internal linkage inside that file, compiled with that ISA's flags.
//
// V provides: R (register), kBytes, Load, Store (unaligned), Min8, Max8, Min16, Max16
// (unsigned lanes), and kLaneShifts: whether it has Before<T>(a, b) (lanes a[last], b[0], ...,
// b[last - 1]) and After<T>(a, b) (lanes a[1], ..., a[last], b[0]) for elements of type T. Each kernel runs whole registers while they fit and finishes the row with
// the per-pixel rule.
#pragma once

#include <cstdint>
#include <type_traits>

#include "morphology/morphology_kernels.h"
#include "morphology/rows.h"

namespace vnimg::morphology {
namespace {

template <class V, class T, class Op>
struct VecOp {
  using R = typename V::R;
  static constexpr int kLanes = static_cast<int>(V::kBytes / sizeof(T));
  static R Of(R a, R b) {
    if constexpr (std::is_same_v<T, std::uint8_t>) {
      if constexpr (std::is_same_v<Op, MinOp>) return V::Min8(a, b);
      else return V::Max8(a, b);
    } else {
      if constexpr (std::is_same_v<Op, MinOp>) return V::Min16(a, b);
      else return V::Max16(a, b);
    }
  }
  static R Of3(R a, R b, R c) { return Of(Of(a, b), c); }
  static R At(const T* p, int i) { return V::Load(p + i); }
};

template <class V, class T, class Op>
void SquareRow(const T* up, const T* mid, const T* down, T* out, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) {
    const auto column = [&](int j) { return E::Of3(E::At(up, j), E::At(mid, j), E::At(down, j)); };
    V::Store(out + i, E::Of3(column(i - 1), column(i), column(i + 1)));
  }
  for (; i < n; ++i) out[i] = SquarePixel<Op>(up, mid, down, i);
}

template <class V, class T, class Op>
void RowRow(const T*, const T* mid, const T*, T* out, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) V::Store(out + i, E::Of3(E::At(mid, i - 1), E::At(mid, i), E::At(mid, i + 1)));
  for (; i < n; ++i) out[i] = RowPixel<Op>(mid, i);
}

template <class V, class T, class Op>
void ColumnRow(const T* up, const T* mid, const T* down, T* out, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) V::Store(out + i, E::Of3(E::At(up, i), E::At(mid, i), E::At(down, i)));
  for (; i < n; ++i) out[i] = ColumnPixel<Op>(up, mid, down, i);
}

template <class V, class T, class Op>
void CrossRow(const T* up, const T* mid, const T* down, T* out, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) {
    const auto row = E::Of3(E::At(mid, i - 1), E::At(mid, i), E::At(mid, i + 1));
    V::Store(out + i, E::Of(row, E::Of(E::At(up, i), E::At(down, i))));
  }
  for (; i < n; ++i) out[i] = CrossPixel<Op>(up, mid, down, i);
}

template <class V, class T, class Op>
void PairRow(const T* a, const T* b, T* out, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) V::Store(out + i, E::Of(E::At(a, i), E::At(b, i)));
  for (; i < n; ++i) out[i] = Op::Of(a[i], b[i]);
}

// Increasing i: each register is loaded before its own store, and the elements i + k shift it
// reads lie at or after i, so they still hold the previous values.
template <class V, class T, class Op>
void ShiftRow(T* buffer, int shift, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) {
    const auto near = E::Of(E::At(buffer, i), E::At(buffer, i + shift));
    V::Store(buffer + i, E::Of3(near, E::At(buffer, i + 2 * shift), E::At(buffer, i + 3 * shift)));
  }
  for (; i < n; ++i) buffer[i] = Of4<Op>(buffer, i, shift);
}

// The running extrema of kCount registers side by side stay in registers up the block.
template <class V, class T, class Op, int kCount>
void SuffixColumnsAt(const T* const* rows, int window, T* suffix, std::size_t stride, int i) {
  using E = VecOp<V, T, Op>;
  typename V::R v[kCount];
  const auto at = [i](int k) { return i + k * E::kLanes; };
  for (int k = 0; k < kCount; ++k) V::Store(suffix + (window - 1) * stride + at(k), v[k] = E::At(rows[window - 1], at(k)));
  for (int t = window - 2; t >= 0; --t)
    for (int k = 0; k < kCount; ++k) V::Store(suffix + t * stride + at(k), v[k] = E::Of(v[k], E::At(rows[t], at(k))));
}

template <class V, class T, class Op>
void SuffixColumns(const T* const* rows, int window, T* suffix, std::size_t stride, int n) {
  constexpr int kWide = 4, kLanes = VecOp<V, T, Op>::kLanes;
  int i = 0;
  for (; i + kWide * kLanes <= n; i += kWide * kLanes) SuffixColumnsAt<V, T, Op, kWide>(rows, window, suffix, stride, i);
  for (; i + kLanes <= n; i += kLanes) SuffixColumnsAt<V, T, Op, 1>(rows, window, suffix, stride, i);
  for (; i < n; ++i) SuffixColumn<Op>(rows, window, suffix, stride, i);
}

// Each column of the window sorted in registers (lo <= md <= hi, lane by lane).
template <class V>
struct SortedColumns {
  typename V::R lo, md, hi;
};

template <class V, class T>
SortedColumns<V> SortColumnsAt(const T* up, const T* mid, const T* down, int i) {
  using Lo = VecOp<V, T, MinOp>;
  using Hi = VecOp<V, T, MaxOp>;
  const auto a = Lo::At(up, i), b = Lo::At(mid, i), c = Lo::At(down, i);
  const auto a1 = Lo::Of(a, b), b1 = Hi::Of(a, b);
  const auto b2 = Lo::Of(b1, c);
  return {Lo::Of(a1, b2), Hi::Of(a1, b2), Hi::Of(b1, c)};
}

// The columns one to the left and one to the right of each lane of `cur`, taken from the
// registers beside it rather than sorted again.
template <class V, class T>
SortedColumns<V> ColumnsBefore(const SortedColumns<V>& prev, const SortedColumns<V>& cur) {
  return {V::template Before<T>(prev.lo, cur.lo), V::template Before<T>(prev.md, cur.md), V::template Before<T>(prev.hi, cur.hi)};
}
template <class V, class T>
SortedColumns<V> ColumnsAfter(const SortedColumns<V>& cur, const SortedColumns<V>& next) {
  return {V::template After<T>(cur.lo, next.lo), V::template After<T>(cur.md, next.md), V::template After<T>(cur.hi, next.hi)};
}

// The median of the largest low, the median middle and the smallest high.
template <class V, class T>
typename V::R MedianOfSorted(const SortedColumns<V>& left, const SortedColumns<V>& centre, const SortedColumns<V>& right) {
  using Lo = VecOp<V, T, MinOp>;
  using Hi = VecOp<V, T, MaxOp>;
  const auto median3 = [](auto a, auto b, auto c) { return Hi::Of(Lo::Of(a, b), Lo::Of(Hi::Of(a, b), c)); };
  const auto lows = Hi::Of3(left.lo, centre.lo, right.lo);
  const auto highs = Lo::Of3(left.hi, centre.hi, right.hi);
  return median3(lows, median3(left.md, centre.md, right.md), highs);
}

// The median of the windows around columns i to i + lanes - 1, their columns sorted here.
template <class V, class T>
typename V::R MedianAt(const T* up, const T* mid, const T* down, int i) {
  return MedianOfSorted<V, T>(SortColumnsAt<V>(up, mid, down, i - 1), SortColumnsAt<V>(up, mid, down, i),
                              SortColumnsAt<V>(up, mid, down, i + 1));
}

// Where V moves lanes across registers cheaply (kLaneShifts), every column is sorted once and
// the registers of the columns before and after are assembled from the sorted registers beside
// them; the row's first and last registers sort their outer neighbours from the rows. Else
// (SSE2: three operations per move) each register sorts its neighbours' columns again. A row
// that ends inside a register recomputes the last whole register ending at the row's end.
template <class V, class T>
void MedianRow(const T* up, const T* mid, const T* down, T* out, int n) {
  constexpr int kLanes = VecOp<V, T, MinOp>::kLanes;
  if (n < kLanes) {
    for (int i = 0; i < n; ++i) out[i] = WindowMedian(up, mid, down, i);
    return;
  }
  int i = 0;
  if constexpr (V::kLaneShifts) {
    SortedColumns<V> before = SortColumnsAt<V>(up, mid, down, -1), cur = SortColumnsAt<V>(up, mid, down, 0);
    for (; i + 2 * kLanes <= n; i += kLanes) {
      const SortedColumns<V> next = SortColumnsAt<V>(up, mid, down, i + kLanes);
      V::Store(out + i, MedianOfSorted<V, T>(before, cur, ColumnsAfter<V, T>(cur, next)));
      before = ColumnsBefore<V, T>(cur, next);
      cur = next;
    }
    V::Store(out + i, MedianOfSorted<V, T>(before, cur, SortColumnsAt<V>(up, mid, down, i + 1)));
    i += kLanes;
  } else {
    for (; i + kLanes <= n; i += kLanes) V::Store(out + i, MedianAt<V>(up, mid, down, i));
  }
  if (i < n) V::Store(out + n - kLanes, MedianAt<V>(up, mid, down, n - kLanes));
}

template <class V, class T, class Op>
void SetExtremum(RowKernels<T>& k, int e) {
  k.neighbour[e][0] = &SquareRow<V, T, Op>;
  k.neighbour[e][1] = &RowRow<V, T, Op>;
  k.neighbour[e][2] = &ColumnRow<V, T, Op>;
  k.neighbour[e][3] = &CrossRow<V, T, Op>;
  k.pair[e] = &PairRow<V, T, Op>;
  k.shift[e] = &ShiftRow<V, T, Op>;
  k.suffixColumns[e] = &SuffixColumns<V, T, Op>;
}

template <class V, class T>
RowKernels<T> KernelsOf() {
  RowKernels<T> k;
  SetExtremum<V, T, MinOp>(k, 0);
  SetExtremum<V, T, MaxOp>(k, 1);
  k.median = &MedianRow<V, T>;
  return k;
}

}  // namespace
}  // namespace vnimg::morphology
