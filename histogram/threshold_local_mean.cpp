// Binarisation against the mean of a square window, at constant cost per pixel: column sums
// over the window's rows slide down the image, and a row sum over the window's columns slides
// along each row.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <new>
#include <vector>

#include "foundation/frame.h"
#include "vnimg/threshold.h"

namespace {

// Fails with `code` set (this operation does not trace).
bool Refuse(int code) {
  VnSetError(code);
  return false;
}

bool CheckOperands(const VnROI<VnBW8>* src, const VnROI<VnBW8>* dst, int halfSize) {
  if (!src || !dst) return Refuse(VN_ERR_NULL_ROI);
  if (halfSize < 0) return Refuse(VN_ERR_PARAM_3);
  VnOk();
  if (!src->CheckValidity()) return false;
  VnOk();
  if (!dst->CheckValidity()) return false;
  if (src->Void() || dst->Void()) return Refuse(VN_ERR_NULL_ROI);
  VnOk();
  return src->CheckSameSize(dst);
}

// Window sums along one row from the column sums of the window's rows: columns 0..2r for
// x <= r, sliding for r < x < W - r, the last 2r + 1 columns after.
template <class Sum>
void WindowSums(const std::uint32_t* columns, Sum* sums, int width, int r) {
  Sum sum = 0;
  for (int x = 0; x <= 2 * r; ++x) sum += static_cast<Sum>(columns[x]);
  int x = 0;
  for (; x <= r; ++x) sums[x] = sum;
  for (; x < width - r; ++x) {
    sum += static_cast<Sum>(columns[x + r]) - static_cast<Sum>(columns[x - r - 1]);
    sums[x] = sum;
  }
  for (; x < width; ++x) sums[x] = sum;
}

// dst = 0 where src x area < window sum + bias, else 255.
template <class Sum>
void CompareRow(const VnBW8* s, VnBW8* d, const Sum* sums, int width, Sum area, Sum bias) {
  for (int x = 0; x < width; ++x) d[x] = static_cast<Sum>(s[x]) * area < sums[x] + bias ? 0 : 255;
}

// The pass over the image with sums of type Sum, wide enough for area x 255 + |bias|.
template <class Sum>
bool ThresholdRows(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, int r, Sum area, Sum bias) {
  const int width = src.GetWidth();
  const int height = src.GetHeight();
  std::vector<std::uint32_t> columns;
  std::vector<Sum> sums;
  try {
    columns.assign(static_cast<std::size_t>(width), 0u);
    sums.resize(static_cast<std::size_t>(width));
  } catch (const std::bad_alloc&) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    return false;
  }
  const vnimg::frame::Rows<VnBW8> in(src);
  const vnimg::frame::Rows<VnBW8> out(dst);
  for (int y = 0; y <= 2 * r; ++y) {
    const VnBW8* row = in.Row(y);
    for (int x = 0; x < width; ++x) columns[x] += row[x];
  }
  for (int y = 0; y < height; ++y) {
    if (y > r && y < height - r) {
      const VnBW8* added = in.Row(y + r);
      const VnBW8* removed = in.Row(y - r - 1);
      for (int x = 0; x < width; ++x) columns[x] += static_cast<std::uint32_t>(added[x] - removed[x]);
    }
    WindowSums(columns.data(), sums.data(), width, r);
    CompareRow(in.Row(y), out.Row(y), sums.data(), width, area, bias);
  }
  return true;
}

// True when the two ROIs' pixel rectangles share memory.
bool Overlap(const VnROI<VnBW8>& a, const VnROI<VnBW8>& b) {
  const auto span = [](const VnROI<VnBW8>& roi) {
    const VnBW8* first = roi.GetImagePtr(0, 0);
    return std::pair(first, roi.GetImagePtr(roi.GetWidth() - 1, roi.GetHeight() - 1) + 1);
  };
  const auto [aBegin, aEnd] = span(a);
  const auto [bBegin, bEnd] = span(b);
  return std::less<>()(aBegin, bEnd) && std::less<>()(bBegin, aEnd);
}

bool CopyOf(const VnROI<VnBW8>& src, VnImage<VnBW8>& copy) {
  VnOk();
  copy.SetSize(src.GetWidth(), src.GetHeight());
  if (VnGetError()) return false;
  vnimg::frame::ForEachRow(src, copy, [](const VnBW8* s, VnBW8* d, int width) { std::copy(s, s + width, d); });
  return true;
}

}  // namespace

namespace Korvane::Quandor::Segmentation {

void ImgLocalMeanThreshold(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int offset) {
  VnOk();
  if (!CheckOperands(src, dst, halfSize)) return;
  const int width = src->GetWidth();
  const int height = src->GetHeight();
  if (width == 0 || height == 0) return;
  const int r = std::min(halfSize, (std::min(width, height) - 1) / 2);
  const std::int64_t area = std::int64_t{2 * r + 1} * (2 * r + 1);
  const std::int64_t bias = area * offset;

  // Rows leave the window after the rows below them are written: a destination sharing the
  // source's pixels thresholds a copy of them instead.
  VnImage<VnBW8> copy;
  if (Overlap(*src, *dst) && !CopyOf(*src, copy)) return;
  const VnROI<VnBW8>& source = copy.Void() ? *src : copy;
  // 32-bit sums vectorise best; the rare windows and offsets that could overflow them take
  // 64-bit ones, so the comparison is exact for every argument.
  if (area * 255 + (bias < 0 ? -bias : bias) <= std::numeric_limits<std::int32_t>::max())
    ThresholdRows<std::int32_t>(source, *dst, r, static_cast<std::int32_t>(area), static_cast<std::int32_t>(bias));
  else
    ThresholdRows<std::int64_t>(source, *dst, r, area, bias);
}

}  // namespace Korvane::Quandor::Segmentation
