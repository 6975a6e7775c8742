// ImgCopy: row copies and fills of every pixel type; the 8-bit forms are ImgOper's value 0.
#include "foundation/bw1_pair.h"
#include "point/bw1_rows.h"
#include "point/point_rows.h"
#include "vnimg/point.h"

using vnimg::point::CopyImage;
using vnimg::point::FillImage;

void ImgCopy(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  VnOk();
  CopyImage(src, dst, "ImgCopy ( BW8 Image to Image)");
}
void ImgCopy(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {
  VnOk();
  CopyImage(src, dst, "ImgCopy (BW16 Image)");
}
void ImgCopy(const VnROI<VnBW32>* src, VnROI<VnBW32>* dst) {
  VnOk();
  CopyImage(src, dst, "ImgCopy (BW32 Image)");
}
void ImgCopy(const VnROI<VnC15>* src, VnROI<VnC15>* dst) {
  VnOk();
  CopyImage(src, dst, "ImgCopy ( C15 Image)");
}
void ImgCopy(const VnROI<VnC16>* src, VnROI<VnC16>* dst) {
  VnOk();
  CopyImage(src, dst, "ImgCopy ( C16 Image)");
}
void ImgCopy(const VnROI<VnC24>* src, VnROI<VnC24>* dst) {
  VnOk();
  CopyImage(src, dst, "ImgCopy ( C24 Image)");
}

void ImgCopy(VnBW8 value, VnROI<VnBW8>* dst) {
  VnOk();
  FillImage(value, dst, "ImgCopy ( BW8 Const to Image)");
}
void ImgCopy(VnBW16 value, VnROI<VnBW16>* dst) {
  VnOk();
  FillImage(value, dst, "ImgCopy (BW16 Const)");
}
void ImgCopy(VnBW32 value, VnROI<VnBW32>* dst) {
  VnOk();
  FillImage(value, dst, "ImgCopy (BW32 Const)");
}
void ImgCopy(VnC15 value, VnROI<VnC15>* dst) {
  VnOk();
  FillImage(value, dst, "ImgCopy (C15 Const)");
}
void ImgCopy(VnC16 value, VnROI<VnC16>* dst) {
  VnOk();
  FillImage(value, dst, "ImgCopy (C16 Const)");
}
void ImgCopy(VnC24 value, VnROI<VnC24>* dst) {
  VnOk();
  FillImage(value, dst, "ImgCopy (C24 Const)");
}

void ImgCopyAligned(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  VnOk();
  vnimg::frame::CheckAlignedRois({src, dst});
  if (src->Void() || dst->Void()) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  vnimg::point::CopyBW1Aligned(*src, *dst, false);
}

void ImgCopyAligned(VnBW1 value, VnROI<VnBW1>* dst) {
  VnOk();
  vnimg::frame::CheckAlignedRois({dst});
  if (dst->Void()) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  vnimg::point::FillBW1Aligned(value, *dst);
}

// The null-source check is traced under "ImgCopy (BW1)", a caught exception under "ImgCopy(BW1)".
void ImgCopy(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  VnOk();
  if (!src || !dst) return vnimg::frame::Fail(VN_ERR_NULL_ROI, "ImgCopy (BW1)");
  vnimg::frame::RunBW1Pair<1>("ImgCopy(BW1)", {src}, dst, [](auto& s, VnROI<VnBW1>* d) { ImgCopyAligned(s[0], d); });
}

void ImgCopy(VnBW1 value, VnROI<VnBW1>* dst) {
  constexpr const char* kTrace = "ImgCopy (BW1)";
  VnOk();
  if (!dst) return vnimg::frame::Fail(VN_ERR_NULL_ROI, kTrace);
  vnimg::frame::RunBW1Pair<0>(kTrace, {}, dst, [&](auto&, VnROI<VnBW1>* d) { ImgCopyAligned(value, d); });
}
