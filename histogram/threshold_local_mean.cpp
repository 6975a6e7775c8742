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
#include "histogram/local_mean_kernels.h"
#include "vnimg/threshold.h"

namespace vnimg::local_mean {

void SlideColumnsPlain(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width) {
  for (int x = 0; x < width; ++x) columns[x] = SlideColumn(columns[x], added[x], removed[x]);
}

void CompareRowPlain(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                     std::int32_t bias) {
  for (int x = 0; x < width; ++x) d[x] = ComparePixel(s[x], sums[x], area, bias);
}

const simd::Variants<SlideColumnsFn>& SlideColumnsVariants() {
  static constexpr simd::Variants<SlideColumnsFn> kVariants{
      .plain = SlideColumnsPlain,
      .sse2 = VNIMG_X86_VARIANT(SlideColumnsSse2),
      .avx2 = VNIMG_X86_VARIANT(SlideColumnsAvx2),
  };
  return kVariants;
}

const simd::Variants<CompareRowFn>& CompareRowVariants() {
  static constexpr simd::Variants<CompareRowFn> kVariants{
      .plain = CompareRowPlain,
      .sse2 = VNIMG_X86_VARIANT(CompareRowSse2),
      .avx2 = VNIMG_X86_VARIANT(CompareRowAvx2),
  };
  return kVariants;
}

}  // namespace vnimg::local_mean

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

// The 64-bit compare, for the rare windows and offsets whose products overflow 32 bits.
void CompareRowWide(const VnBW8* s, VnBW8* d, const std::int64_t* sums, int width, std::int64_t area,
                    std::int64_t bias) {
  for (int x = 0; x < width; ++x) d[x] = vnimg::local_mean::ComparePixel(s[x], sums[x], area, bias);
}

template <class Sum>
using CompareFn = void (*)(const VnBW8* s, VnBW8* d, const Sum* sums, int width, Sum area, Sum bias);

// The pass over the image with sums of type Sum, wide enough for area x 255 + |bias|.
template <class Sum>
bool ThresholdRows(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, int r, Sum area, Sum bias,
                   vnimg::local_mean::SlideColumnsFn slide, CompareFn<Sum> compare) {
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
    if (y > r && y < height - r) slide(columns.data(), in.Row(y + r), in.Row(y - r - 1), width);
    WindowSums(columns.data(), sums.data(), width, r);
    compare(in.Row(y), out.Row(y), sums.data(), width, area, bias);
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
  // Beyond +-256 the offset decides alone (every window sum lies in [0, 255 area]), so it is
  // held there: the result is the same and area x offset stays far inside 64 bits.
  const std::int64_t bias = area * std::clamp(offset, -256, 256);

  // Rows leave the window after the rows below them are written: a destination sharing the
  // source's pixels thresholds a copy of them instead.
  VnImage<VnBW8> copy;
  if (Overlap(*src, *dst) && !CopyOf(*src, copy)) return;
  const VnROI<VnBW8>& source = copy.Void() ? *src : copy;
  const vnimg::local_mean::SlideColumnsFn slide = vnimg::local_mean::SlideColumnsVariants().Pick();
  // 32-bit sums vectorise best; the rare windows and offsets that could overflow them take
  // 64-bit ones, so the comparison is exact for every argument.
  if (area * 255 + (bias < 0 ? -bias : bias) <= std::numeric_limits<std::int32_t>::max())
    ThresholdRows<std::int32_t>(source, *dst, r, static_cast<std::int32_t>(area), static_cast<std::int32_t>(bias),
                                slide, vnimg::local_mean::CompareRowVariants().Pick());
  else
    ThresholdRows<std::int64_t>(source, *dst, r, area, bias, slide, CompareRowWide);
}

}  // namespace Korvane::Quandor::Segmentation
