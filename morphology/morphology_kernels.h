// Per-pixel rules of the gray-level passes and of the median, shared by the plain row loops
// and the tails of the vector variants. Rows handed to them are padded: index -1 and index n
// hold the pixel outside each end of the row (a copy of the end pixel, or a border value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace vnimg::morphology {
namespace {

// The extremum a pass takes: erosion keeps the minimum, dilation the maximum. Neutral() is
// the value that never wins (what an absent neighbour amounts to).
struct MinOp {
  template <class T>
  static constexpr T Of(T a, T b) { return b < a ? b : a; }
  template <class T>
  static constexpr T Neutral() { return std::numeric_limits<T>::max(); }
};
struct MaxOp {
  template <class T>
  static constexpr T Of(T a, T b) { return a < b ? b : a; }
  template <class T>
  static constexpr T Neutral() { return T{0}; }
};

template <class Op, class T>
inline T Of3(T a, T b, T c) { return Op::Of(Op::Of(a, b), c); }

// The extremum of p[i], p[i + s], p[i + 2 s], p[i + 3 s].
template <class Op, class T>
inline T Of4(const T* p, int i, int s) { return Op::Of(Of3<Op>(p[i], p[i + s], p[i + 2 * s]), p[i + 3 * s]); }

// 3x3: the nine pixels around column i of the three rows.
template <class Op, class T>
inline T SquarePixel(const T* up, const T* mid, const T* down, int i) {
  const T left = Of3<Op>(up[i - 1], mid[i - 1], down[i - 1]);
  const T centre = Of3<Op>(up[i], mid[i], down[i]);
  const T right = Of3<Op>(up[i + 1], mid[i + 1], down[i + 1]);
  return Of3<Op>(left, centre, right);
}
// X: left, centre and right on the row.
template <class Op, class T>
inline T RowPixel(const T* mid, int i) { return Of3<Op>(mid[i - 1], mid[i], mid[i + 1]); }
// Y: above, centre and below in the column.
template <class Op, class T>
inline T ColumnPixel(const T* up, const T* mid, const T* down, int i) { return Of3<Op>(up[i], mid[i], down[i]); }
// XY: the centre and its four direct neighbours.
template <class Op, class T>
inline T CrossPixel(const T* up, const T* mid, const T* down, int i) {
  return Op::Of(RowPixel<Op>(mid, i), Op::Of(up[i], down[i]));
}

template <class T>
inline T Median3(T a, T b, T c) {
  return MaxOp::Of(MinOp::Of(a, b), MinOp::Of(MaxOp::Of(a, b), c));
}
// Column i of the window sorted: lo <= md <= hi, by three compare-exchanges.
template <class T>
inline void SortColumn(T a, T b, T c, T& lo, T& md, T& hi) {
  const T a1 = MinOp::Of(a, b), b1 = MaxOp::Of(a, b);
  const T b2 = MinOp::Of(b1, c);
  hi = MaxOp::Of(b1, c);
  lo = MinOp::Of(a1, b2);
  md = MaxOp::Of(a1, b2);
}
// The median of nine values held as three sorted columns: the median of the largest low,
// the median middle and the smallest high.
template <class T>
inline T MedianOfColumns(const T* lo, const T* md, const T* hi, int i) {
  const T lows = Of3<MaxOp>(lo[i - 1], lo[i], lo[i + 1]);
  const T highs = Of3<MinOp>(hi[i - 1], hi[i], hi[i + 1]);
  return Median3(lows, Median3(md[i - 1], md[i], md[i + 1]), highs);
}

// Column i of the suffixes of a block of rows (rows.h, SuffixColumnsFn).
template <class Op, class T>
inline void SuffixColumn(const T* const* rows, int window, T* suffix, std::size_t stride, int i) {
  T v = rows[window - 1][i];
  suffix[(window - 1) * stride + i] = v;
  for (int t = window - 2; t >= 0; --t) suffix[t * stride + i] = v = Op::Of(v, rows[t][i]);
}

// The median of the 3x3 window around column i, its three columns sorted on the spot.
template <class T>
inline T WindowMedian(const T* up, const T* mid, const T* down, int i) {
  T lo[3], md[3], hi[3];
  for (int k = 0; k < 3; ++k) SortColumn(up[i - 1 + k], mid[i - 1 + k], down[i - 1 + k], lo[k], md[k], hi[k]);
  return MedianOfColumns(lo, md, hi, 1);
}

}  // namespace
}  // namespace vnimg::morphology
