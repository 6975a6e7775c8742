#include "vnimg/alignment.h"

#include <algorithm>
#include <cstring>

#include "foundation/alignment_kernels.h"
#include "foundation/frame.h"

namespace vnimg::bw1 {

void FunnelShiftPlain(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s) {
  for (std::size_t i = 0; i < n; ++i) out[i] = FunnelShiftByte(hi[i], lo[i], s);
}

const simd::Variants<FunnelShiftFn>& FunnelShiftVariants() {
  static constexpr simd::Variants<FunnelShiftFn> kVariants{
      .plain = FunnelShiftPlain,
      .sse2 = VNIMG_X86_VARIANT(FunnelShiftSse2),
      .avx2 = VNIMG_X86_VARIANT(FunnelShiftAvx2),
  };
  return kVariants;
}

}  // namespace vnimg::bw1

namespace {

using vnimg::bw1::FunnelShiftFn;
using Byte = std::uint8_t;

void ThrowCurrent() { throw Korvane::Quandor::Exception(VnGetError()); }

// Null, validity and same-size checks shared by the pair; throws the first failure.
void CheckPair(const VnROI<VnBW1>* src, const VnROI<VnBW1>* dst) {
  if (!src || !dst) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  VnOk();
  if (!src->CheckValidity() || !dst->CheckValidity()) ThrowCurrent();
  VnOk();
  if (!src->CheckSameSize(dst)) ThrowCurrent();
}

// One row from bit offset `offset` (1..7) into an aligned row of `width` pixels.
void AlignRow(const Byte* src, Byte* dst, int width, int offset, FunnelShiftFn shift) {
  const std::size_t dstBytes = (static_cast<std::size_t>(width) + 7) / 8;
  const std::size_t srcBytes = (static_cast<std::size_t>(width) + offset + 7) / 8;
  const std::size_t paired = std::min(dstBytes, srcBytes - 1);
  shift(src, src + 1, dst, paired, offset);
  if (paired < dstBytes) dst[paired] = static_cast<Byte>(src[paired] << offset);
}

Byte Merge(Byte old, Byte value, Byte mask) { return static_cast<Byte>((old & ~mask) | (value & mask)); }

// One aligned row of `width` pixels into a row starting at bit offset `offset` (1..7);
// the bits of the first and last bytes outside the row keep their value.
void UnalignRow(const Byte* src, Byte* dst, int width, int offset, FunnelShiftFn shift) {
  const std::size_t srcBytes = (static_cast<std::size_t>(width) + 7) / 8;
  const std::size_t dstBytes = (static_cast<std::size_t>(width) + offset + 7) / 8;
  Byte firstMask = static_cast<Byte>(0xFF >> offset);
  if (offset + width < 8) firstMask = static_cast<Byte>(firstMask & ~(0xFF >> (offset + width)));
  dst[0] = Merge(dst[0], static_cast<Byte>(src[0] >> offset), firstMask);
  if (dstBytes == 1) return;
  shift(src, src + 1, dst + 1, dstBytes - 2, 8 - offset);
  const std::size_t last = dstBytes - 1;
  const int pixelsInLast = width - static_cast<int>(8 * last - offset);
  const Byte lastMask = static_cast<Byte>(0xFF << (8 - pixelsInLast));
  const Byte next = last < srcBytes ? static_cast<Byte>(src[last] >> offset) : Byte{0};
  dst[last] = Merge(dst[last], static_cast<Byte>((src[last - 1] << (8 - offset)) | next), lastMask);
}

void CopyRows(const VnROI<VnBW1>& src, VnROI<VnBW1>& dst) {
  const std::size_t bytes = (static_cast<std::size_t>(src.GetWidth()) + 7) / 8;
  vnimg::frame::ForEachRow(src, dst, [&](const Byte* s, Byte* d, int) { std::memmove(d, s, bytes); });
}

// Aligned to aligned, keeping the bits of each row's last byte beyond the width.
void CopyRowsKeepingTail(const VnROI<VnBW1>& src, VnROI<VnBW1>& dst) {
  const int width = src.GetWidth();
  const std::size_t fullBytes = static_cast<std::size_t>(width) / 8;
  const int tailBits = width % 8;
  const Byte tailMask = static_cast<Byte>(0xFF << (8 - tailBits));
  vnimg::frame::ForEachRow(src, dst, [&](const Byte* s, Byte* d, int) {
    std::memmove(d, s, fullBytes);
    if (tailBits) d[fullBytes] = Merge(d[fullBytes], s[fullBytes], tailMask);
  });
}

}  // namespace

void ImgBW1Alignment(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  CheckPair(src, dst);
  if (dst->GetBitOffset(0, 0) != 0) throw Korvane::Quandor::Exception(VN_ERR_BW1_NOT_ALIGNED);
  const int offset = src->GetBitOffset(0, 0);
  if (offset == 0) return CopyRows(*src, *dst);
  const FunnelShiftFn shift = vnimg::bw1::FunnelShiftVariants().Pick();
  vnimg::frame::ForEachRow(*src, *dst, [&](const Byte* s, Byte* d, int width) { AlignRow(s, d, width, offset, shift); });
}

void ImgBW1UnAlignment(VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  CheckPair(src, dst);
  if (src->GetBitOffset(0, 0) != 0) throw Korvane::Quandor::Exception(VN_ERR_BW1_NOT_ALIGNED);
  const int offset = dst->GetBitOffset(0, 0);
  if (offset == 0) return CopyRowsKeepingTail(*src, *dst);
  if (src->GetWidth() == 0) return;
  const FunnelShiftFn shift = vnimg::bw1::FunnelShiftVariants().Pick();
  vnimg::frame::ForEachRow(*src, *dst, [&](const Byte* s, Byte* d, int width) { UnalignRow(s, d, width, offset, shift); });
}
