// The vector form of every morphology row kernel, written once over an ISA's registers.
// Included only by the ISA files (rows_sse2.cpp ...): each defines its traits type V in an
// anonymous namespace and includes this header, so every function here is instantiated with
// internal linkage inside that file, compiled with that ISA's flags.
//
// V provides: R (register), kBytes, Load, Store (unaligned), Min8, Max8, Min16, Max16
// (unsigned lanes). Each kernel runs whole registers while they fit and finishes the row with
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

template <class V, class T, class Op>
void PrefixRow(const T* suffix, const T* row, T* prefix, T* out, int n) {
  using E = VecOp<V, T, Op>;
  int i = 0;
  for (; i + E::kLanes <= n; i += E::kLanes) {
    const auto p = E::Of(E::At(prefix, i), E::At(row, i));
    V::Store(prefix + i, p);
    V::Store(out + i, E::Of(E::At(suffix, i), p));
  }
  for (; i < n; ++i) {
    prefix[i] = Op::Of(prefix[i], row[i]);
    out[i] = Op::Of(suffix[i], prefix[i]);
  }
}

template <class V, class T>
void SortColumns(const T* up, const T* mid, const T* down, T* lo, T* md, T* hi, int n) {
  using Lo = VecOp<V, T, MinOp>;
  using Hi = VecOp<V, T, MaxOp>;
  int i = 0;
  for (; i + Lo::kLanes <= n; i += Lo::kLanes) {
    const auto a = Lo::At(up, i), b = Lo::At(mid, i), c = Lo::At(down, i);
    const auto a1 = Lo::Of(a, b), b1 = Hi::Of(a, b);
    const auto b2 = Lo::Of(b1, c);
    V::Store(hi + i, Hi::Of(b1, c));
    V::Store(lo + i, Lo::Of(a1, b2));
    V::Store(md + i, Hi::Of(a1, b2));
  }
  for (; i < n; ++i) SortColumn(up[i], mid[i], down[i], lo[i], md[i], hi[i]);
}

template <class V, class T>
void MedianRow(const T* lo, const T* md, const T* hi, T* out, int n) {
  using Lo = VecOp<V, T, MinOp>;
  using Hi = VecOp<V, T, MaxOp>;
  const auto median3 = [](auto a, auto b, auto c) { return Hi::Of(Lo::Of(a, b), Lo::Of(Hi::Of(a, b), c)); };
  int i = 0;
  for (; i + Lo::kLanes <= n; i += Lo::kLanes) {
    const auto lows = Hi::Of3(Lo::At(lo, i - 1), Lo::At(lo, i), Lo::At(lo, i + 1));
    const auto highs = Lo::Of3(Lo::At(hi, i - 1), Lo::At(hi, i), Lo::At(hi, i + 1));
    const auto mids = median3(Lo::At(md, i - 1), Lo::At(md, i), Lo::At(md, i + 1));
    V::Store(out + i, median3(lows, mids, highs));
  }
  for (; i < n; ++i) out[i] = MedianOfColumns(lo, md, hi, i);
}

template <class V, class T, class Op>
void SetExtremum(RowKernels<T>& k, int e) {
  k.neighbour[e][0] = &SquareRow<V, T, Op>;
  k.neighbour[e][1] = &RowRow<V, T, Op>;
  k.neighbour[e][2] = &ColumnRow<V, T, Op>;
  k.neighbour[e][3] = &CrossRow<V, T, Op>;
  k.pair[e] = &PairRow<V, T, Op>;
  k.shift[e] = &ShiftRow<V, T, Op>;
  k.prefix[e] = &PrefixRow<V, T, Op>;
}

template <class V, class T>
RowKernels<T> KernelsOf() {
  RowKernels<T> k;
  SetExtremum<V, T, MinOp>(k, 0);
  SetExtremum<V, T, MaxOp>(k, 1);
  k.sort = &SortColumns<V, T>;
  k.median = &MedianRow<V, T>;
  return k;
}

}  // namespace
}  // namespace vnimg::morphology
