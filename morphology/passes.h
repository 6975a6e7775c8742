// The elementary passes of gray-level morphology over whole ROIs, and the sequences the box
// and disk operations are made of. Shared by every morphology family: a pass is a row kernel
// (rows.h) run over the ROI with the rows around each one at hand.
//
// Outside the ROI a pass sees either nothing (a missing neighbour is simply absent, which is
// the same as repeating the edge pixel) or a constant border value. Sources and destinations
// are either the same pixels (the pass works in place: every source row is copied before its
// pixels are overwritten) or do not overlap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "foundation/frame.h"
#include "morphology/rows.h"
#include "vnimg/platform/core.h"

namespace vnimg::morphology {

// Working storage of `count` elements, released on every path; empty when it cannot be had.
template <class T>
class Scratch {
 public:
  explicit Scratch(std::size_t count) : m_data(static_cast<T*>(Quandor_Malloc(count * sizeof(T)))) {}
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() { Quandor_Free(m_data); }
  T* get() const { return m_data; }
  explicit operator bool() const { return m_data != nullptr; }

 private:
  T* m_data;
};

// What a pass sees beyond the ROI.
template <class T>
struct Border {
  bool constant = false;  // false: nothing (the edge pixel repeated)
  T value{};
};

// A read hint for each line of the row after the next one to be loaded, so that rows from
// memory arrive while earlier ones are worked on. Farther ahead, the hinted rows crowd a
// 32 KiB first-level cache: at 4096x4096 hints three rows past the next load made the 3x3
// median 20 % slower than none there, while one row past it is within 5 % of none (and three
// rows past it were 15 % faster than none with a 48 KiB cache).
template <class T>
void HintRow(const T* row, int width) {
#if defined(__GNUC__)
  const auto* bytes = reinterpret_cast<const char*>(row);
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * sizeof(T); i += 64) __builtin_prefetch(bytes + i, 0, 3);
#else
  (void)row, (void)width;
#endif
}

// Runs row(up, mid, down, out, width) for every row y of src into row y of dst, where up, mid
// and down are rows y - 1, y, y + 1 of src copied into padded buffers (index -1 and width
// readable, holding the pixel beyond each end); rows beyond the top and bottom are the
// border row, or the edge row repeated. With `vertical` false only mid is meaningful.
// False when the buffers cannot be had (1303 set, `trace` traced).
template <class T, class RowFn>
bool RunRows(const VnROI<T>& src, VnROI<T>& dst, bool vertical, Border<T> border, const char* trace, RowFn&& row) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const std::size_t stride = static_cast<std::size_t>(width) + 2;
  Scratch<T> storage(4 * stride);
  if (!storage) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
    return false;
  }
  T* ring[3] = {storage.get() + 1, storage.get() + stride + 1, storage.get() + 2 * stride + 1};
  T* borderRow = storage.get() + 3 * stride + 1;
  std::fill_n(borderRow - 1, stride, border.value);
  const frame::Rows<T> from(src), to(dst);
  const auto load = [&](int y, T* buffer) {
    std::memcpy(buffer, from.Row(y), static_cast<std::size_t>(width) * sizeof(T));
    buffer[-1] = border.constant ? border.value : buffer[0];
    buffer[width] = border.constant ? border.value : buffer[width - 1];
  };
  T *prev = ring[0], *cur = ring[1], *next = ring[2];
  load(0, cur);
  if (vertical && height > 1) load(1, next);
  const T* outside = border.constant ? borderRow : nullptr;
  for (int y = 0; y < height; ++y) {
    const T* up = !vertical ? cur : y > 0 ? prev : outside ? outside : cur;
    const T* down = !vertical ? cur : y + 1 < height ? next : outside ? outside : cur;
    row(up, static_cast<const T*>(cur), down, to.Row(y), width);
    if (!vertical) {
      if (y + 1 < height) load(y + 1, cur);
      continue;
    }
    std::swap(prev, cur);  // prev = row y, cur = the old prev
    std::swap(cur, next);  // cur = row y + 1, next = the old prev, free
    if (y + 2 < height) load(y + 2, next);
    if (y + 3 < height) HintRow(from.Row(y + 3), width);
  }
  return true;
}

// `count` vertical passes of row(...) one after the other, each as RunRows runs it, taken row
// by row: pass k + 1 takes each row from pass k while the rows around it are still in cache, so
// the image is read and written once. Pass k's input rows wait in a ring of three padded rows;
// the last pass writes dst. Row y of pass k is made at step y + 1 + k, after pass k - 1 made
// row y + 1 in the same step. In place works: dst row y is written once every source row up to
// y + count has been copied, and no later one is.
template <class T, class RowFn>
bool RunFusedRows(const VnROI<T>& src, VnROI<T>& dst, Border<T> border, const char* trace, unsigned count, RowFn&& row) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const std::size_t stride = static_cast<std::size_t>(width) + 2;
  Scratch<T> storage((3 * std::size_t{count} + 1) * stride);
  if (!storage) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
    return false;
  }
  const auto ring = [&](unsigned pass, long long y) { return storage.get() + (3 * pass + static_cast<unsigned>(y % 3)) * stride + 1; };
  T* borderRow = storage.get() + 3 * std::size_t{count} * stride + 1;
  std::fill_n(borderRow - 1, stride, border.value);
  const auto pad = [&](T* buffer) {
    buffer[-1] = border.constant ? border.value : buffer[0];
    buffer[width] = border.constant ? border.value : buffer[width - 1];
  };
  const frame::Rows<T> from(src), to(dst);
  for (long long t = 0; t < height + static_cast<long long>(count); ++t) {
    if (t < height) {
      std::memcpy(ring(0, t), from.Row(static_cast<int>(t)), static_cast<std::size_t>(width) * sizeof(T));
      pad(ring(0, t));
      if (t + 2 < height) HintRow(from.Row(static_cast<int>(t + 2)), width);
    }
    for (unsigned k = 0; k < count; ++k) {
      const long long y = t - 1 - k;
      if (y < 0 || y >= height) continue;
      const T* cur = ring(k, y);
      const T* up = y > 0 ? ring(k, y - 1) : border.constant ? borderRow : cur;
      const T* down = y + 1 < height ? ring(k, y + 1) : border.constant ? borderRow : cur;
      T* out = k + 1 < count ? ring(k + 1, y) : to.Row(static_cast<int>(y));
      row(up, cur, down, out, width);
      if (k + 1 < count) pad(out);
    }
  }
  return true;
}

// Trace names of the passes of one pixel type and extremum.
struct PassNames {
  const char* square;
  const char* row;
  const char* column;
  const char* cross;
  const char* separable;  // the plain separable box routine
};

// Passes run one after the other: the first reads src and writes dst, every later one works
// in place on dst. Each step returns false on failure (code set, its trace name traced).
template <class T>
class PassSequence {
 public:
  PassSequence(const VnROI<T>& src, VnROI<T>& dst, Extremum extremum, const PassNames& names, Border<T> border = {})
      : m_from(&src), m_dst(dst), m_extremum(extremum), m_names(names), m_border(border) {}

  // `count` passes of one shape with the row kernel of the current vector level.
  bool Repeat(Shape shape, unsigned count);
  // `count` passes of any row kernel (vertical: it reads the rows above and below); at the
  // vector levels vertical passes run together over the rows, up to eight at a time.
  bool Repeat(NeighbourRowFn<T> kernel, bool vertical, unsigned count, const char* trace);
  // One step giving each pixel the extremum over the 2 half + 1 pixels of its row (column)
  // centred on it, clipped to the ROI: along a row by steps of four (their number grows as
  // the logarithm of half), or by doubling in registers where the level has it (AVX-512: up
  // to windows of one register, from which wider ones go on in steps), along the columns by
  // running extrema (about three operations per pixel whatever half is).
  bool RowExtremum(int half);
  bool ColumnExtremum(int half);
  // Both at once (halfY > 0): each source row is read once and filtered along its row into a
  // block of rows that stays in cache; the outputs come from that row and the block before.
  bool BoxExtremum(int halfX, int halfY);
  // dst = src when no step ran.
  void Finish();

 private:
  void Done() { m_from = &m_dst; }
  // The 3x3 pass from a source that is not dst, at the vector levels: the column extremum of
  // three source rows into a padded buffer, then the row extremum of that buffer.
  bool SquareFromSource();
  // Row y of the source filtered along the row into out (buffer: width + 2 halfX elements),
  // then the step with out as the filtered row, if any.
  void FilterRow(int y, int halfX, T* buffer, T* out, const PrefixStep<T>* step = nullptr) const;
  const VnROI<T>* m_from;
  VnROI<T>& m_dst;
  Extremum m_extremum;
  PassNames m_names;
  Border<T> m_border;
  // FilterRow's kernels at the current vector level, picked once rather than per row.
  ShiftRowFn<T> m_shift = ShiftRowVariants<T>(m_extremum).Pick();
  PairRowFn<T> m_pair = PairRowVariants<T>(m_extremum).Pick();
  // The in-register windows and spans of the current level, where it has them (else null).
  template <class Fn>
  static Fn VectorOnly(const simd::Variants<Fn>& variants) {
    const Fn picked = variants.Pick();
    return picked == variants.plain ? nullptr : picked;
  }
  WindowRowFn<T> m_window = VectorOnly(WindowRowVariants<T>(m_extremum));
  SpanRowFn<T> m_span = VectorOnly(SpanRowVariants<T>(m_extremum));
};

// Box erosion or dilation: the extremum over the (2 halfX + 1) x (2 halfY + 1) rectangle
// clipped to the ROI. Without the vector variants it runs halfX X passes then halfY Y passes
// (the plain separable routine); with them small half-sizes run min(halfX, halfY) 3x3 passes
// and the remaining one-axis passes, larger ones the running extrema. Half-sizes beyond the ROI's size act as
// the ROI's size minus one (further passes change nothing).
template <class T>
bool BoxPasses(const VnROI<T>& src, VnROI<T>& dst, Extremum extremum, unsigned halfX, unsigned halfY,
               const PassNames& names);
// Disk of radius r: r - (r + 1) / 2 passes of 3x3, then (r + 1) / 2 cross passes. With the
// vector variants the squares run as one box of that half-size.
template <class T>
bool DiskPasses(const VnROI<T>& src, VnROI<T>& dst, Extremum extremum, unsigned radius, const PassNames& names);

}  // namespace vnimg::morphology
