#include "morphology/rows.h"

#include <algorithm>

#include "morphology/morphology_kernels.h"

namespace vnimg::morphology {
namespace {

template <class T, class Op>
void SquareRowPlain(const T* up, const T* mid, const T* down, T* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = SquarePixel<Op>(up, mid, down, i);
}
template <class T, class Op>
void RowRowPlain(const T*, const T* mid, const T*, T* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = RowPixel<Op>(mid, i);
}
template <class T, class Op>
void ColumnRowPlain(const T* up, const T* mid, const T* down, T* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = ColumnPixel<Op>(up, mid, down, i);
}
template <class T, class Op>
void CrossRowPlain(const T* up, const T* mid, const T* down, T* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = CrossPixel<Op>(up, mid, down, i);
}
template <class T, class Op>
void PairRowPlain(const T* a, const T* b, T* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = Op::Of(a[i], b[i]);
}
template <class T, class Op>
void ShiftRowPlain(T* buffer, int shift, int n) {
  for (int i = 0; i < n; ++i) buffer[i] = Of4<Op>(buffer, i, shift);
}
template <class T, class Op>
void WindowRowPlain(const T* row, int half, T* out, int n, const PrefixStep<T>* step) {
  for (int i = 0; i < n; ++i) {
    T v = row[i];
    for (int k = std::max(i - half, 0); k <= std::min(i + half, n - 1); ++k) v = Op::Of(v, row[k]);
    if (step) {
      step->out[i] = Op::Of(step->suffix[i], step->prefix[i]);
      step->prefix[i] = Op::Of(step->prefix[i], v);
    }
    out[i] = v;
  }
}
template <class T, class Op>
void SpanRowPlain(const T* row, int half, T* out, int count, int n) {
  for (int k = 0; k < count; ++k) {
    T v = Op::template Neutral<T>();
    for (int i = std::max(k - half, 0); i < std::min(k - half + kSpanLanes<T>, n); ++i) v = Op::Of(v, row[i]);
    out[k] = v;
  }
}
template <class T, class Op>
void SuffixColumnsPlain(const T* const* rows, int window, T* suffix, std::size_t stride, int n) {
  for (int i = 0; i < n; ++i) SuffixColumn<Op>(rows, window, suffix, stride, i);
}
template <class T>
void MedianRowPlain(const T* up, const T* mid, const T* down, T* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = WindowMedian(up, mid, down, i);
}

template <class T>
struct Tables {
  simd::Variants<NeighbourRowFn<T>> neighbour[2][4];
  simd::Variants<PairRowFn<T>> pair[2];
  simd::Variants<ShiftRowFn<T>> shift[2];
  simd::Variants<WindowRowFn<T>> window[2];
  simd::Variants<SpanRowFn<T>> span[2];
  simd::Variants<SuffixColumnsFn<T>> suffixColumns[2];
  simd::Variants<NeighbourRowFn<T>> median;
};

template <class T, class Op>
void SetPlain(Tables<T>& t, int e) {
  t.neighbour[e][0].plain = &SquareRowPlain<T, Op>;
  t.neighbour[e][1].plain = &RowRowPlain<T, Op>;
  t.neighbour[e][2].plain = &ColumnRowPlain<T, Op>;
  t.neighbour[e][3].plain = &CrossRowPlain<T, Op>;
  t.pair[e].plain = &PairRowPlain<T, Op>;
  t.shift[e].plain = &ShiftRowPlain<T, Op>;
  t.window[e].plain = &WindowRowPlain<T, Op>;
  t.span[e].plain = &SpanRowPlain<T, Op>;
  t.suffixColumns[e].plain = &SuffixColumnsPlain<T, Op>;
}

// Puts one ISA file's kernels at `level` of every table.
template <class T>
void SetLevel(Tables<T>& t, simd::Level level, const RowKernels<T>& k) {
  const auto slot = [level](auto& variants) -> auto& {
    return level == simd::Level::Sse2 ? variants.sse2 : level == simd::Level::Avx2 ? variants.avx2 : variants.avx512;
  };
  for (int e = 0; e < 2; ++e) {
    for (int s = 0; s < 4; ++s) slot(t.neighbour[e][s]) = k.neighbour[e][s];
    slot(t.pair[e]) = k.pair[e];
    slot(t.shift[e]) = k.shift[e];
    slot(t.window[e]) = k.window[e];
    slot(t.span[e]) = k.span[e];
    slot(t.suffixColumns[e]) = k.suffixColumns[e];
  }
  slot(t.median) = k.median;
}

template <class T>
Tables<T> MakeTables() {
  Tables<T> t;
  SetPlain<T, MinOp>(t, 0);
  SetPlain<T, MaxOp>(t, 1);
  t.median.plain = &MedianRowPlain<T>;
#if VNIMG_X86
  SetLevel(t, simd::Level::Sse2, RowKernelsSse2(T{}));
  SetLevel(t, simd::Level::Avx2, RowKernelsAvx2(T{}));
  SetLevel(t, simd::Level::Avx512, RowKernelsAvx512(T{}));
#endif
  return t;
}

template <class T>
const Tables<T>& TablesFor() {
  static const Tables<T> kTables = MakeTables<T>();
  return kTables;
}

}  // namespace

template <class T>
const simd::Variants<NeighbourRowFn<T>>& NeighbourRowVariants(Extremum e, Shape shape) {
  return TablesFor<T>().neighbour[static_cast<int>(e)][static_cast<int>(shape)];
}
template <class T>
const simd::Variants<PairRowFn<T>>& PairRowVariants(Extremum e) {
  return TablesFor<T>().pair[static_cast<int>(e)];
}
template <class T>
const simd::Variants<ShiftRowFn<T>>& ShiftRowVariants(Extremum e) {
  return TablesFor<T>().shift[static_cast<int>(e)];
}
template <class T>
const simd::Variants<SuffixColumnsFn<T>>& SuffixColumnsVariants(Extremum e) {
  return TablesFor<T>().suffixColumns[static_cast<int>(e)];
}
template <class T>
const simd::Variants<WindowRowFn<T>>& WindowRowVariants(Extremum e) {
  return TablesFor<T>().window[static_cast<int>(e)];
}
template <class T>
const simd::Variants<SpanRowFn<T>>& SpanRowVariants(Extremum e) {
  return TablesFor<T>().span[static_cast<int>(e)];
}
template <class T>
const simd::Variants<NeighbourRowFn<T>>& MedianRowVariants() {
  return TablesFor<T>().median;
}

#define VNIMG_MORPHOLOGY_ROWS(T)                                                                  \
  template const simd::Variants<NeighbourRowFn<T>>& NeighbourRowVariants<T>(Extremum, Shape); \
  template const simd::Variants<PairRowFn<T>>& PairRowVariants<T>(Extremum);                  \
  template const simd::Variants<ShiftRowFn<T>>& ShiftRowVariants<T>(Extremum);                \
  template const simd::Variants<WindowRowFn<T>>& WindowRowVariants<T>(Extremum);              \
  template const simd::Variants<SpanRowFn<T>>& SpanRowVariants<T>(Extremum);                  \
  template const simd::Variants<SuffixColumnsFn<T>>& SuffixColumnsVariants<T>(Extremum);      \
  template const simd::Variants<NeighbourRowFn<T>>& MedianRowVariants<T>();
VNIMG_MORPHOLOGY_ROWS(std::uint8_t)
VNIMG_MORPHOLOGY_ROWS(std::uint16_t)
#undef VNIMG_MORPHOLOGY_ROWS

}  // namespace vnimg::morphology
