// What every filter of this folder shares: source rows read as padded lines (edges replicated
// or a constant outside value), each made once and kept while the kernel's band of rows needs
// it, so that a destination equal to the source is safe; a copy of the source when the
// destination overlaps it elsewhere; and the VnC24 component loop.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "foundation/frame.h"
#include "vnimg/platform/color.h"

namespace vnimg::filter {

// Elements after each line that vector loads may read (zero, never used in a result).
inline constexpr int kLineSlack = 64;

// The padded line of one source row: `left` copies of its first pixel, the row, `right` copies
// of its last pixel.
template <class T>
void ReplicatedLine(const T* row, int width, int left, int right, T* line) {
  std::fill_n(line, left, row[0]);
  std::memcpy(line + left, row, sizeof(T) * static_cast<std::size_t>(width));
  std::fill_n(line + left + width, right, row[width - 1]);
}

// The same with `outside` instead of copies, as elements L (restrict: the conversion vectorises).
template <class T, class L>
void ConstantBorderLine(const T* __restrict row, int width, int left, int right, L outside, L* __restrict line) {
  std::fill_n(line, left, outside);
  for (int x = 0; x < width; ++x) line[left + x] = row[x];
  std::fill_n(line + left + width, right, outside);
}

// A band of padded source lines: slot r mod rows holds source row r. Any `rows` consecutive
// rows (clamped into the ROI or not) fall in distinct slots, and a row is made before the
// destination row of the same index is written, which is what in-place filtering needs.
template <class L>
class LineRing {
 public:
  // Throws std::bad_alloc (or std::length_error) when the lines cannot be had.
  LineRing(int rows, std::size_t length)
      : m_lines(static_cast<std::size_t>(rows), std::vector<L>(length)), m_held(static_cast<std::size_t>(rows), INT_MIN) {}

  // The line of source row r, made by make(r, line) unless its slot already holds it.
  template <class Make>
  const L* Get(int r, Make&& make) {
    const std::size_t slot = static_cast<std::size_t>(r % static_cast<int>(m_lines.size()));
    if (m_held[slot] != r) {
      make(r, m_lines[slot].data());
      m_held[slot] = r;
    }
    return m_lines[slot].data();
  }

 private:
  std::vector<std::vector<L>> m_lines;
  std::vector<int> m_held;
};

// Runs filter(source) with src itself, or with a copy of it when dst overlaps it elsewhere.
// Throws std::bad_alloc when the copy cannot be had.
template <class T, class Filter>
void WithSourceApartFrom(const VnROI<T>& src, const VnROI<T>& dst, Filter&& filter) {
  if (!frame::OverlapsElsewhere(src, dst)) return filter(src);
  VnImage<T> copy(src.GetWidth(), src.GetHeight());
  if (copy.Void()) throw std::bad_alloc();
  const std::size_t rowBytes = sizeof(T) * static_cast<std::size_t>(src.GetWidth());
  frame::ForEachRow(src, copy, [&](const T* s, T* d, int) { std::memcpy(d, s, rowBytes); });
  filter(static_cast<const VnROI<T>&>(copy));
}

// The VnC24 form of an 8-bit filter: dst must be given and differ from src (1413); each
// component goes through op(const VnROI<VnBW8>*, VnROI<VnBW8>*) between two temporaries, in
// and out through the colour library. The first failure is traced under `trace` and stops.
template <class Op>
void ForEachComponent(const VnROI<VnC24>* src, VnROI<VnC24>* dst, const char* trace, Op&& op) {
  VnOk();
  if (!src) return frame::Fail(VN_ERR_NULL_ROI, trace);
  if (!dst || static_cast<const VnGenericROI*>(src) == dst) return frame::Fail(VN_ERR_NEED_DISTINCT_DESTINATION, trace);
  if (!frame::CheckRois(trace, {src, dst})) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  VnImage<VnBW8> in(src->GetWidth(), src->GetHeight()), out(src->GetWidth(), src->GetHeight());
  if (in.Void() || out.Void()) return frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  for (unsigned component = 0; component < 3; ++component) {
    ClrGetComponent(const_cast<VnROI<VnC24>*>(src), &in, component, nullptr);
    if (VnGetError()) return frame::Trace(trace);
    op(static_cast<const VnROI<VnBW8>*>(&in), static_cast<VnROI<VnBW8>*>(&out));
    if (VnGetError()) return frame::Trace(trace);
    ClrSetComponent(&out, dst, component);
    if (VnGetError()) return frame::Trace(trace);
  }
}

}  // namespace vnimg::filter
