// ImgOper on bit images: the aligned forms work on whole bytes; the unaligned forms run them
// on byte-aligned stand-ins through the bit-image pair.
#include <cstring>

#include "foundation/bw1_pair.h"
#include "point/oper_kernels.h"
#include "point/bw1_rows.h"
#include "point/oper_rows.h"
#include "vnimg/point.h"

namespace {

using namespace vnimg;
using Byte = std::uint8_t;
using Op = ARITH_LOGIC_OPERATIONS;
constexpr const char* kTrace = "ImgOper (BW1)";

std::size_t FullBytes(int width) { return static_cast<std::size_t>(width) / 8; }
// The bits of a row's last, partial byte that belong to the row (0 when the row ends on a byte).
Byte TailMask(int width) { return static_cast<Byte>(0xFF << (8 - width % 8)); }
Byte Merge(Byte old, Byte value, Byte mask) { return static_cast<Byte>((old & ~mask) | (value & mask)); }

void Reject(bool rejected) {
  if (rejected) throw Korvane::Quandor::Exception(VN_ERR_UNSUPPORTED_OPERATION);
}

}  // namespace

namespace vnimg::point {

void FillBW1Aligned(VnBW1 value, VnROI<VnBW1>& dst) {
  const std::size_t bytes = (static_cast<std::size_t>(dst.GetWidth()) + 7) / 8;
  frame::ForEachRow(dst, [&](Byte* d, int) { std::memset(d, value ? 0xFF : 0x00, bytes); });
}

void CopyBW1Aligned(const VnROI<VnBW1>& src, VnROI<VnBW1>& dst, bool invert) {
  const Byte flip = invert ? 0xFF : 0x00;
  frame::ForEachRow(src, dst, [&](const Byte* s, Byte* d, int width) {
    const std::size_t full = FullBytes(width);
    if (invert)
      for (std::size_t i = 0; i < full; ++i) d[i] = static_cast<Byte>(~s[i]);
    else
      std::memmove(d, s, full);
    if (width % 8) d[full] = Merge(d[full], static_cast<Byte>(s[full] ^ flip), TailMask(width));
  });
}

}  // namespace vnimg::point

void ImgOperAligned(Op op, VnBW1 value, VnROI<VnBW1>* dst) {
  VnOk();
  Reject(op != Copy);
  frame::CheckAlignedRois({dst});
  if (dst->Void()) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  point::FillBW1Aligned(value, *dst);
}

void ImgOperAligned(Op op, const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  VnOk();
  Reject(op != Copy && op != Invert);
  frame::CheckAlignedRois({src, dst});
  if (src->Void() || dst->Void()) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  point::CopyBW1Aligned(*src, *dst, op == Invert);
}

void ImgOperAligned(Op op, const VnROI<VnBW1>* a, const VnROI<VnBW1>* b, VnROI<VnBW1>* dst) {
  VnOk();
  Reject(!point::HasBitRule(op));
  frame::CheckAlignedRois({a, b, dst});
  if (a->Void() || b->Void() || dst->Void()) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  const point::ByteRowFn row = point::BitRowVariants(op).Pick();
  frame::ForEachRow(*a, *b, *dst, [&](const Byte* x, const Byte* y, Byte* d, int width) {
    const std::size_t full = FullBytes(width);
    row(x, y, d, full);
    if (width % 8) d[full] = Merge(d[full], point::OperBits(op, x[full], y[full], d[full]), TailMask(width));
  });
}

void ImgOper(Op op, VnBW1 value, VnROI<VnBW1>* dst) {
  VnOk();
  if (op != Copy) return frame::Fail(VN_ERR_UNSUPPORTED_OPERATION, kTrace);
  if (!dst) return frame::Fail(VN_ERR_NULL_ROI, kTrace);
  frame::RunBW1Pair<0>(kTrace, {}, dst, [&](auto&, VnROI<VnBW1>* d) { ImgOperAligned(op, value, d); });
}

void ImgOper(Op op, const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  VnOk();
  if (op != Copy && op != Invert) return frame::Fail(VN_ERR_UNSUPPORTED_OPERATION, kTrace);
  if (!dst) return frame::Fail(VN_ERR_NULL_ROI, kTrace);
  frame::RunBW1Pair<1>(kTrace, {src}, dst, [&](auto& s, VnROI<VnBW1>* d) { ImgOperAligned(op, s[0], d); });
}

void ImgOper(Op op, const VnROI<VnBW1>* a, const VnROI<VnBW1>* b, VnROI<VnBW1>* dst) {
  VnOk();
  if (!point::HasBitRule(op)) return frame::Fail(VN_ERR_UNSUPPORTED_OPERATION, kTrace);
  if (!dst) return frame::Fail(VN_ERR_NULL_ROI, kTrace);
  frame::RunBW1Pair<2>(kTrace, {a, b}, dst, [&](auto& s, VnROI<VnBW1>* d) { ImgOperAligned(op, s[0], s[1], d); });
}
