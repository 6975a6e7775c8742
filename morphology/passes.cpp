#include "morphology/passes.h"

#include <cstdint>
#include <vector>

#include "morphology/morphology_kernels.h"

namespace vnimg::morphology {
namespace {

template <class T>
T NeutralOf(Extremum e) {
  return e == Extremum::Min ? MinOp::Neutral<T>() : MaxOp::Neutral<T>();
}

// Largest half-size at or below which the passes are run one by one at the vector levels.
constexpr unsigned kLiteralHalfLimit = 1;

// Passes run together over the rows at the vector levels: their rings of rows stay in the
// first- and second-level caches.
constexpr unsigned kFusedPasses = 8;

// Largest block of rows of the fused box; taller windows run in column strips. Up to this the
// fused box was the faster (measured against a limit of half this: 1920x1080 `VnBW8`
// half-sizes 140 to 260 13 to 18 % faster fused, 4096x4096 70 and 100 35 %, `VnBW16` 15 to 23 %).
constexpr std::size_t kFusedBytes = std::size_t{1} << 20;

// Elements between the rows of a block buffer: whole lines, never a multiple of four of them,
// so that the rows fall in at least half the first-level cache's sets. Rows a multiple of
// 4 KiB apart share one set, and the suffix pass walking down a block misses on every row
// (measured at 4096x4096: the 61x61 box 2.67 to 2.01 ms, the 31x31 one 2.56 to 1.92 ms).
template <class T>
std::size_t RowStride(int width) {
  std::size_t lines = (static_cast<std::size_t>(width) * sizeof(T) + 63) / 64;
  if (lines % 4 == 0) ++lines;
  return lines * 64 / sizeof(T);
}

// Suffix buffers of the column extrema: up to 1 KiB per row, fewer columns when the window
// is tall, so that two blocks of 2 half + 1 rows stay near 2 MiB.
int StripColumns(int width, int window, std::size_t pixelBytes) {
  std::size_t bytes = (std::size_t{1} << 20) / static_cast<std::size_t>(window);
  bytes = std::clamp<std::size_t>(bytes / 64 * 64, 64, 1024);
  return static_cast<int>(std::min<std::size_t>(bytes / pixelBytes, static_cast<std::size_t>(width)));
}

}  // namespace

template <class T>
bool PassSequence<T>::Repeat(NeighbourRowFn<T> kernel, bool vertical, unsigned count, const char* trace) {
  if (vertical && count > 1 && simd::ActiveLevel() != simd::Level::Plain) {
    for (unsigned done = 0; done < count;) {
      const unsigned group = std::min(count - done, kFusedPasses);
      if (!RunFusedRows(*m_from, m_dst, m_border, trace, group, kernel)) return false;
      Done();
      done += group;
    }
    return true;
  }
  for (unsigned i = 0; i < count; ++i) {
    if (!RunRows(*m_from, m_dst, vertical, m_border, trace, kernel)) return false;
    Done();
  }
  return true;
}

template <class T>
bool PassSequence<T>::SquareFromSource() {
  const int width = m_dst.GetWidth(), height = m_dst.GetHeight();
  Scratch<T> buffer(static_cast<std::size_t>(width) + 2);
  if (!buffer) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, m_names.square);
    return false;
  }
  const NeighbourRowFn<T> column = NeighbourRowVariants<T>(m_extremum, Shape::Column).Pick();
  const NeighbourRowFn<T> row = NeighbourRowVariants<T>(m_extremum, Shape::Row).Pick();
  const frame::Rows<T> from(*m_from), to(m_dst);
  T* v = buffer.get() + 1;
  for (int y = 0; y < height; ++y) {
    // The next row's lines on their way: where the ROI is narrower than its image's rows, each
    // row starts a new stream for the hardware prefetcher (measured: a 960-wide ROI of a
    // 1920x1080 image 49 to 40 µs, the whole 4096x4096 image 1.17 to 1.06 ms).
    if (y + 2 < height) HintRow(from.Row(y + 2), width);
    column(from.Row(std::max(y - 1, 0)), from.Row(y), from.Row(std::min(y + 1, height - 1)), v, width);
    v[-1] = v[0], v[width] = v[width - 1];
    row(v, v, v, to.Row(y), width);
  }
  Done();
  return true;
}

template <class T>
bool PassSequence<T>::Repeat(Shape shape, unsigned count) {
  if (shape == Shape::Square && count > 0 && !m_border.constant && simd::ActiveLevel() != simd::Level::Plain &&
      m_from->GetImagePtr(0, 0) != m_dst.GetImagePtr(0, 0)) {
    if (!SquareFromSource()) return false;
    --count;
  }
  const NeighbourRowFn<T> kernel = NeighbourRowVariants<T>(m_extremum, shape).Pick();
  const char* trace = shape == Shape::Square ? m_names.square
                      : shape == Shape::Row  ? m_names.row
                      : shape == Shape::Column ? m_names.column
                                               : m_names.cross;
  return Repeat(kernel, shape != Shape::Row, count, trace);
}

// The level's in-register window where it has one and half fits; else steps of four (and one
// of two) leave in buffer[i] the extremum over [i, i + p) of the row between `half` neutral
// pixels on either side, for the largest power of two p <= 2 half + 1, and two such windows
// cover the 2 half + 1 pixels of each output. The steps start from the row copied there, or
// from the level's in-register spans of one register's width (a quarter less time for the box
// at half-size 100).
template <class T>
void PassSequence<T>::FilterRow(int y, int half, T* b, T* out, const PrefixStep<T>* step) const {
  const int width = m_dst.GetWidth(), window = 2 * half + 1, length = width + 2 * half;
  const T* row = frame::Rows<T>(*m_from).Row(y);
  if (m_window && half > 0 && half <= kWindowRowMaxHalf<T>) return m_window(row, half, out, width, step);
  if (step) m_pair(step->suffix, step->prefix, step->out, width);  // before out, which may be the suffix
  if (half == 0) {
    std::memcpy(out, row, static_cast<std::size_t>(width) * sizeof(T));
  } else {
    int span = 1;
    while (2 * span <= window) span *= 2;
    int q = 1;
    if (m_span && span >= kSpanLanes<T>) {
      m_span(row, half, b, length - kSpanLanes<T> + 1, width);
      q = kSpanLanes<T>;
    } else {
      std::fill_n(b, half, NeutralOf<T>(m_extremum));
      std::fill_n(b + half + width, half, NeutralOf<T>(m_extremum));
      std::memcpy(b + half, row, static_cast<std::size_t>(width) * sizeof(T));
    }
    for (; 4 * q <= span; q *= 4) m_shift(b, q, length - 4 * q + 1);
    if (q < span) m_pair(b, b + q, b, length - 2 * q + 1);
    m_pair(b, b + (window - span), out, width);
  }
  if (step) m_pair(step->prefix, out, step->prefix, width);
}

// Each row is copied between `half` neutral pixels on either side; doubling leaves in
// buffer[i] the extremum over [i, i + p) for the largest power of two p <= 2 half + 1, and
// two such windows cover the 2 half + 1 pixels of each output.
template <class T>
bool PassSequence<T>::RowExtremum(int half) {
  Scratch<T> buffer(static_cast<std::size_t>(m_dst.GetWidth()) + 2 * static_cast<std::size_t>(half));
  if (!buffer) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, m_names.row);
    return false;
  }
  const frame::Rows<T> to(m_dst);
  for (int y = 0; y < m_dst.GetHeight(); ++y) FilterRow(y, half, buffer.get(), to.Row(y));
  Done();
  return true;
}

// The column extremum below over whole rows, fed by FilterRow. Block b + 1's rows are filtered
// into the block buffer one by one, each giving output row b w + t from block b's suffix and
// the prefix so far (a PrefixStep: in the filter's own loop where the level has one) and then
// taking that suffix row's place; then the block's suffixes are taken over its rows. One block
// of rows stays in cache rather than two. Every source row read lies at least half + 1 rows
// below the last output written, so the step also works in place.
template <class T>
bool PassSequence<T>::BoxExtremum(int halfX, int halfY) {
  const int width = m_dst.GetWidth(), height = m_dst.GetHeight(), window = 2 * halfY + 1;
  const std::size_t stride = RowStride<T>(width), rows = static_cast<std::size_t>(window);
  if ((rows + 3) * stride * sizeof(T) > kFusedBytes) return (halfX == 0 || RowExtremum(halfX)) && ColumnExtremum(halfY);
  Scratch<T> storage((rows + 3) * stride + 2 * static_cast<std::size_t>(halfX));
  if (!storage) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, m_names.column);
    return false;
  }
  const SuffixColumnsFn<T> suffixes = SuffixColumnsVariants<T>(m_extremum).Pick();
  const T neutralValue = NeutralOf<T>(m_extremum);
  T* block = storage.get();
  T* suffix = block;
  T* neutral = block + rows * stride;
  T* prefix = neutral + stride;
  T* rowBuffer = prefix + stride;
  std::fill_n(neutral, stride, neutralValue);
  std::vector<const T*> blockRow(rows);
  const frame::Rows<T> from(*m_from), to(m_dst);
  // Block b; with count > 0, also the first count output rows of block b - 1. No read hints:
  // they crowd the block out (measured against hints four rows ahead: 1920x1080 7 to 12 %
  // faster without; 4096x4096 level or faster, but `VnBW8` half-size 7 up to 10 % slower).
  const auto fill = [&](long long b, int count) {
    std::fill_n(prefix, stride, neutralValue);
    for (int t = 0; t < window; ++t) {
      const long long y = b * window + t - halfY;
      const bool inside = y >= 0 && y < height;
      blockRow[t] = inside ? block + t * stride : neutral;
      const PrefixStep<T> step{suffix + t * stride, prefix, t < count ? to.Row(static_cast<int>((b - 1) * window + t)) : nullptr};
      if (inside) FilterRow(static_cast<int>(y), halfX, rowBuffer, block + t * stride, step.out ? &step : nullptr);
      else if (step.out) m_pair(step.suffix, step.prefix, step.out, width);  // a neutral row leaves the prefix
    }
  };
  fill(0, 0);
  suffixes(blockRow.data(), window, suffix, stride, width);
  for (long long b = 0; b * window < height; ++b) {
    fill(b + 1, static_cast<int>(std::min<long long>(window, height - b * window)));
    if ((b + 1) * window < height) suffixes(blockRow.data(), window, suffix, stride, width);
  }
  Done();
  return true;
}

// Van Herk / Gil-Werman along the columns, strip by strip. With the rows padded by `half`
// neutral rows on each side and cut into blocks of w = 2 half + 1, output row y = b w + t is
// the extremum of block b's suffix from t and block b + 1's prefix before t. Block b + 1's
// suffix is taken before block b's outputs are written: every row read afterwards lies at
// least half + 1 rows below the last one written, so the step also works in place.
template <class T>
bool PassSequence<T>::ColumnExtremum(int half) {
  const int width = m_dst.GetWidth(), height = m_dst.GetHeight();
  const int window = 2 * half + 1;
  const int strip = StripColumns(width, window, sizeof(T));
  const std::size_t stride = RowStride<T>(strip);
  Scratch<T> storage((2 * static_cast<std::size_t>(window) + 2) * stride);
  if (!storage) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, m_names.column);
    return false;
  }
  const PairRowFn<T> pair = PairRowVariants<T>(m_extremum).Pick();
  T* suffix[2] = {storage.get(), storage.get() + window * stride};
  T* prefix = storage.get() + 2 * window * stride;
  T* neutral = prefix + stride;
  std::fill_n(neutral, stride, NeutralOf<T>(m_extremum));
  const frame::Rows<T> from(*m_from), to(m_dst);
  for (int x0 = 0; x0 < width; x0 += strip) {
    const int n = std::min(strip, width - x0);
    const auto padded = [&](long long j) -> const T* {
      const long long y = j - half;
      return y >= 0 && y < height ? from.Row(static_cast<int>(y)) + x0 : neutral;
    };
    const auto takeSuffix = [&](T* s, long long block) {
      const long long first = block * window;
      std::memcpy(s + (window - 1) * stride, padded(first + window - 1), static_cast<std::size_t>(n) * sizeof(T));
      for (int t = window - 2; t >= 0; --t) pair(padded(first + t), s + (t + 1) * stride, s + t * stride, n);
    };
    takeSuffix(suffix[0], 0);
    for (long long block = 0; block * window < height; ++block) {
      T* current = suffix[block % 2];
      takeSuffix(suffix[(block + 1) % 2], block + 1);
      std::fill_n(prefix, n, NeutralOf<T>(m_extremum));
      for (int t = 0; t < window && block * window + t < height; ++t) {
        if (t > 0) pair(prefix, padded((block + 1) * window + t - 1), prefix, n);
        pair(current + t * stride, prefix, to.Row(static_cast<int>(block * window + t)) + x0, n);
      }
    }
  }
  Done();
  return true;
}

template <class T>
void PassSequence<T>::Finish() {
  if (m_from == &m_dst) return;
  const frame::Rows<T> from(*m_from), to(m_dst);
  for (int y = 0; y < m_dst.GetHeight(); ++y)
    std::memmove(to.Row(y), from.Row(y), static_cast<std::size_t>(m_dst.GetWidth()) * sizeof(T));
  Done();
}

template <class T>
bool BoxPasses(const VnROI<T>& src, VnROI<T>& dst, Extremum extremum, unsigned halfX, unsigned halfY,
               const PassNames& names) {
  halfX = std::min(halfX, static_cast<unsigned>(src.GetWidth() - 1));
  halfY = std::min(halfY, static_cast<unsigned>(src.GetHeight() - 1));
  PassSequence<T> passes(src, dst, extremum, names);
  if (simd::ActiveLevel() == simd::Level::Plain) {
    if (!passes.Repeat(Shape::Row, halfX) || !passes.Repeat(Shape::Column, halfY)) {
      frame::Trace(names.separable);
      return false;
    }
  } else if (std::max(halfX, halfY) <= kLiteralHalfLimit) {
    const unsigned squares = std::min(halfX, halfY);
    if (!passes.Repeat(Shape::Square, squares) ||
        !passes.Repeat(halfX > halfY ? Shape::Row : Shape::Column, std::max(halfX, halfY) - squares))
      return false;
  } else if (halfY == 0 ? !passes.RowExtremum(static_cast<int>(halfX))
                          : !passes.BoxExtremum(static_cast<int>(halfX), static_cast<int>(halfY))) {
    return false;
  }
  passes.Finish();
  return true;
}

// Squares beyond the ROI's larger side, or crosses beyond its width plus height, already
// reach every pixel: further passes change nothing.
template <class T>
bool DiskPasses(const VnROI<T>& src, VnROI<T>& dst, Extremum extremum, unsigned radius, const PassNames& names) {
  const unsigned crosses = radius / 2 + radius % 2;
  const unsigned width = static_cast<unsigned>(src.GetWidth()), height = static_cast<unsigned>(src.GetHeight());
  const unsigned squares = std::min(radius - crosses, std::max(width, height) - 1);
  PassSequence<T> passes(src, dst, extremum, names);
  const bool squared = simd::ActiveLevel() == simd::Level::Plain || squares <= kLiteralHalfLimit
                           ? passes.Repeat(Shape::Square, squares)
                           : passes.BoxExtremum(static_cast<int>(std::min(squares, width - 1)),
                                                static_cast<int>(std::min(squares, height - 1)));
  if (!squared || !passes.Repeat(Shape::Cross, std::min(crosses, width + height - 2))) return false;
  passes.Finish();
  return true;
}

template class PassSequence<std::uint8_t>;
template class PassSequence<std::uint16_t>;
template bool BoxPasses(const VnROI<std::uint8_t>&, VnROI<std::uint8_t>&, Extremum, unsigned, unsigned, const PassNames&);
template bool BoxPasses(const VnROI<std::uint16_t>&, VnROI<std::uint16_t>&, Extremum, unsigned, unsigned, const PassNames&);
template bool DiskPasses(const VnROI<std::uint8_t>&, VnROI<std::uint8_t>&, Extremum, unsigned, const PassNames&);
template bool DiskPasses(const VnROI<std::uint16_t>&, VnROI<std::uint16_t>&, Extremum, unsigned, const PassNames&);

}  // namespace vnimg::morphology
