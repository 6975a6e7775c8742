// Reductions: block-average shrinking to any smaller size and halving.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/frame.h"
#include "geometry/components.h"
#include "geometry/reduce_kernels.h"
#include "vnimg/geometry.h"

namespace vnimg::geometry {

void AccumulateRowPlain(const VnBW8* src, std::uint32_t* sums, int n) {
  for (int x = 0; x < n; ++x) sums[x] += src[x];
}

void HalveRowPlain(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n) {
  for (int x = 0; x < n; ++x) dst[x] = HalveQuad(top, bottom, x);
}

const simd::Variants<AccumulateRowFn>& AccumulateRowVariants() {
  static constexpr simd::Variants<AccumulateRowFn> kVariants{
      .plain = AccumulateRowPlain,
      .sse2 = VNIMG_X86_VARIANT(AccumulateRowSse2),
      .avx2 = VNIMG_X86_VARIANT(AccumulateRowAvx2),
  };
  return kVariants;
}

const simd::Variants<HalveRowFn>& HalveRowVariants() {
  static constexpr simd::Variants<HalveRowFn> kVariants{
      .plain = HalveRowPlain,
      .sse2 = VNIMG_X86_VARIANT(HalveRowSse2),
      .avx2 = VNIMG_X86_VARIANT(HalveRowAvx2),
  };
  return kVariants;
}

namespace {

// Block boundaries along one axis: block i covers [start[i], start[i + 1]) when the destination
// is no larger; otherwise an empty block becomes the single source pixel floor(i s / d).
struct Blocks {
  std::vector<int> first, last;  // [first[i], last[i])
  int maxSize = 0;
};
Blocks BlocksOf(int source, int destination) {
  Blocks b;
  b.first.resize(static_cast<std::size_t>(destination));
  b.last.resize(static_cast<std::size_t>(destination));
  for (int i = 0; i < destination; ++i) {
    const int first = static_cast<int>(std::int64_t{i} * source / destination);
    const int last = static_cast<int>((std::int64_t{i} + 1) * source / destination);
    b.first[i] = first;
    b.last[i] = std::max(last, first + 1);
    b.maxSize = std::max(b.maxSize, b.last[i] - b.first[i]);
  }
  return b;
}

// One destination row from the column sums of its block rows: the truncated block means.
template <class Total, class Sum, class T>
void BlockMeans(const Sum* sums, const Blocks& columns, std::uint32_t rows, T* dst) {
  for (std::size_t i = 0; i < columns.first.size(); ++i) {
    Total total = 0;
    for (int c = columns.first[i]; c < columns.last[i]; ++c) total += static_cast<Total>(sums[c]);
    dst[i] = static_cast<T>(total / (static_cast<Total>(columns.last[i] - columns.first[i]) * rows));
  }
}

// Column sums in `Sum` (wide enough for a block's height), block totals in 32 bits when a whole
// block fits, else 64.
template <class T, class Sum, class Accumulate>
void ShrinkRows(const VnROI<T>& src, VnROI<T>& dst, Accumulate accumulate) {
  const Blocks columns = BlocksOf(src.GetWidth(), dst.GetWidth());
  const Blocks rows = BlocksOf(src.GetHeight(), dst.GetHeight());
  std::vector<Sum> sums(static_cast<std::size_t>(src.GetWidth()));
  const bool narrowTotals = std::uint64_t{T(~T{0})} * columns.maxSize * rows.maxSize <= 0xFFFFFFFFu;
  const frame::Rows<T> in(src);
  int j = 0;
  frame::ForEachRow(dst, [&](T* out, int) {
    std::fill(sums.begin(), sums.end(), Sum{0});
    for (int r = rows.first[j]; r < rows.last[j]; ++r) accumulate(in.Row(r), sums.data(), src.GetWidth());
    const auto height = static_cast<std::uint32_t>(rows.last[j] - rows.first[j]);
    if (narrowTotals)
      BlockMeans<std::uint32_t>(sums.data(), columns, height, out);
    else
      BlockMeans<std::uint64_t>(sums.data(), columns, height, out);
    ++j;
  });
}

template <class T>
void AccumulateWide(const T* src, std::uint64_t* sums, int n) {
  for (int x = 0; x < n; ++x) sums[x] += src[x];
}

template <class T, class Run>
void Shrink(const VnROI<T>* src, VnROI<T>* dst, const char* trace, Run run) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {src, dst})) return;
  if (dst->GetWidth() == 0 || dst->GetHeight() == 0) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) {
    // No source pixel to average: zeros, as for points outside a resampled source.
    const std::size_t rowBytes = sizeof(T) * static_cast<std::size_t>(dst->GetWidth());
    frame::ForEachRow(*dst, [&](T* out, int) { std::memset(out, 0, rowBytes); });
    return;
  }
  try {
    run();
  } catch (const std::bad_alloc&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

// A halving step writes a destination row only after reading its two source rows, and never
// writes left of what it reads; still, a destination image resized over its own pixels, or
// one overlapping the source elsewhere, needs the source set aside first.
bool Overlap(const VnROI<VnBW8>& a, const VnROI<VnBW8>& b) {
  if (a.Void() || b.Void() || a.GetWidth() == 0 || a.GetHeight() == 0 || b.GetWidth() == 0 || b.GetHeight() == 0)
    return false;
  const auto* aFirst = a.GetImagePtr(0, 0);
  const auto* aEnd = a.GetImagePtr(0, a.GetHeight() - 1) + a.GetWidth();
  const auto* bFirst = b.GetImagePtr(0, 0);
  const auto* bEnd = b.GetImagePtr(0, b.GetHeight() - 1) + b.GetWidth();
  return aFirst < bEnd && bFirst < aEnd;
}

void CopyPixels(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst) {
  const auto rowBytes = static_cast<std::size_t>(src.GetWidth());
  frame::ForEachRow(src, dst, [&](const VnBW8* s, VnBW8* d, int) { std::memcpy(d, s, rowBytes); });
}

// The halving rows: full 2 x 2 blocks through `quads`, then an odd last column and an odd
// last row when they take part.
void HalveRows(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, bool oddColumn, bool oddRow, HalveRowFn quads) {
  const int pairs = src.GetWidth() / 2, pairRows = src.GetHeight() / 2;
  const int last = src.GetWidth() - 1;
  const frame::Rows<VnBW8> in(src), out(dst);
  for (int j = 0; j < pairRows; ++j) {
    const VnBW8* top = in.Row(2 * j);
    const VnBW8* bottom = in.Row(2 * j + 1);
    VnBW8* d = out.Row(j);
    quads(top, bottom, d, pairs);
    if (oddColumn) d[pairs] = static_cast<VnBW8>((top[last] + bottom[last]) >> 1);
  }
  if (!oddRow) return;
  const VnBW8* row = in.Row(src.GetHeight() - 1);
  VnBW8* d = out.Row(pairRows);
  for (int x = 0; x < pairs; ++x) d[x] = static_cast<VnBW8>((row[2 * x] + row[2 * x + 1]) >> 1);
  if (oddColumn) d[pairs] = row[last];
}

}  // namespace
}  // namespace vnimg::geometry

using namespace vnimg::geometry;
namespace frame = vnimg::frame;

short ImgShrink(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgShrink";
  Shrink(src, dst, kTrace, [&] {
    // 32-bit column sums hold any block up to 2^32 / 255 rows high.
    if (src->GetHeight() / std::max(dst->GetHeight(), 1) < 16843008)
      ShrinkRows<VnBW8, std::uint32_t>(*src, *dst, AccumulateRowVariants().Pick());
    else
      ShrinkRows<VnBW8, std::uint64_t>(*src, *dst, AccumulateWide<VnBW8>);
  });
  return static_cast<short>(VnGetError());
}

void ImgShrink(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {
  Shrink(src, dst, "ImgShrink (BW16)", [&] { ShrinkRows<VnBW16, std::uint64_t>(*src, *dst, AccumulateWide<VnBW16>); });
}

void ImgShrink(const VnROI<VnC24>* src, VnROI<VnC24>* dst) {
  ForEachComponent(src, dst, "ImgShrink ( C24)", [](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { ImgShrink(s, d); });
}

void ImgHalve(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int dropOdd) {
  constexpr const char* kTrace = "ImgHalve ( BW8)";
  VnOk();
  if (!src || !dst) return frame::Fail(VN_ERR_NULL_ROI, kTrace);
  if (!frame::CheckEachRoi(kTrace, {src})) return;
  const bool oddColumn = src->GetWidth() % 2 == 1 && !dropOdd;
  const bool oddRow = src->GetHeight() % 2 == 1 && !dropOdd;
  const int width = src->GetWidth() / 2 + (oddColumn ? 1 : 0);
  const int height = src->GetHeight() / 2 + (oddRow ? 1 : 0);

  VnImage<VnBW8> setAside;
  const VnROI<VnBW8>* source = src;
  if (Overlap(*src, *dst) || static_cast<const VnGenericROI*>(src) == dst) {
    setAside.SetSize(src->GetWidth(), src->GetHeight());
    if (VnGetError()) return frame::Trace(kTrace);
    CopyPixels(*src, setAside);
    source = &setAside;
  }
  dst->SetSize(width, height);
  if (VnGetError()) return frame::Trace(kTrace);
  if (width == 0 || height == 0) return;
  if (!frame::CheckEachRoi(kTrace, {dst})) return;
  if (source == src && Overlap(*src, *dst)) {
    setAside.SetSize(src->GetWidth(), src->GetHeight());
    if (VnGetError()) return frame::Trace(kTrace);
    CopyPixels(*src, setAside);
    source = &setAside;
  }
  HalveRows(*source, *dst, oddColumn, oddRow, HalveRowVariants().Pick());
}
