// Colour overlays and the per-thread overlay colour.
#include "foundation/frame.h"
#include "vnimg/platform/core.h"
#include "vnimg/point.h"

namespace {

using vnimg::frame::Fail;
using vnimg::frame::Trace;

VnC24 Convert(VnC24 c, VnC24) { return c; }
VnC16 Convert(VnC24 c, VnC16) {
  return {static_cast<unsigned short>(((c.c2 >> 3) << 11) | ((c.c1 >> 2) << 5) | (c.c0 >> 3))};
}
VnC15 Convert(VnC24 c, VnC15) {
  return {static_cast<unsigned short>(((c.c2 >> 3) << 10) | ((c.c1 >> 3) << 5) | (c.c0 >> 3))};
}

// Validity of each ROI (a null one is 1400), stopping at the first failure.
bool CheckValid(const char* trace, std::initializer_list<const VnGenericROI*> rois) {
  for (const VnGenericROI* roi : rois)
    if (!roi) {
      Fail(VN_ERR_NULL_ROI, trace);
      return false;
    }
  return vnimg::frame::CheckEachRoi(trace, rois);
}

bool Covers(const VnGenericROI& outer, const VnGenericROI& inner) {
  return outer.GetWidth() >= inner.GetWidth() && outer.GetHeight() >= inner.GetHeight();
}

template <class D>
void OverlayOn(VnROI<VnC24>* overlay, VnROI<D>* dst, int x, int y, VnC24 transparent, const char* trace) {
  VnOk();
  if (!CheckValid(trace, {overlay, dst})) return;
  // A destination smaller than the overlay is left alone, without a code.
  if (!Covers(*dst, *overlay)) return Trace(trace);
  for (int j = 0; j < overlay->GetHeight(); ++j) {
    const long long dy = static_cast<long long>(y) + j;
    if (dy < 0 || dy >= dst->GetHeight()) continue;
    for (int i = 0; i < overlay->GetWidth(); ++i) {
      const long long dx = static_cast<long long>(x) + i;
      const VnC24 pixel = overlay->GetPixel(i, j);
      if (dx < 0 || dx >= dst->GetWidth() || pixel == transparent) continue;
      dst->SetPixel(Convert(pixel, D{}), static_cast<int>(dx), static_cast<int>(dy));
    }
  }
}

}  // namespace

void ImgOverlay(VnROI<VnC24>* overlay, VnROI<VnC24>* dst, int x, int y, VnC24 transparent) {
  OverlayOn(overlay, dst, x, y, transparent, "ImgOverlay ( C24 on C24 Image)");
}
void ImgOverlay(VnROI<VnC24>* overlay, VnROI<VnC16>* dst, int x, int y, VnC24 transparent) {
  OverlayOn(overlay, dst, x, y, transparent, "ImgOverlay ( C24 on C16 Image)");
}
void ImgOverlay(VnROI<VnC24>* overlay, VnROI<VnC15>* dst, int x, int y, VnC24 transparent) {
  OverlayOn(overlay, dst, x, y, transparent, "ImgOverlay ( C24 on C15 Image)");
}

void ImgOverlay(VnROI<VnBW8>* gray, VnROI<VnC24>* overlay, VnROI<VnC24>* dst, int x, int y, VnC24 transparent) {
  constexpr const char* kTrace = "ImgOverlay ( BW8 source, C24 overlay and destination)";
  VnOk();
  if (!CheckValid(kTrace, {gray, overlay})) return;
  if (!dst) return Fail(VN_ERR_NULL_ROI, kTrace);
  dst->SetSize(gray);
  if (VnGetError()) return Trace(kTrace);
  // An overlay smaller than the gray image writes nothing and sets no code; the destination
  // keeps the size just taken from the gray image.
  if (!Covers(*overlay, *gray)) return Trace(kTrace);
  // A resized ROI may now leave its parent: check it before writing.
  if (!vnimg::frame::CheckEachRoi(kTrace, {dst})) return;
  for (int j = 0; j < dst->GetHeight(); ++j)
    for (int i = 0; i < dst->GetWidth(); ++i) {
      const long long ox = static_cast<long long>(i) - x, oy = static_cast<long long>(j) - y;
      const bool inside = ox >= 0 && oy >= 0 && ox < overlay->GetWidth() && oy < overlay->GetHeight();
      const VnC24 over = inside ? overlay->GetPixel(static_cast<int>(ox), static_cast<int>(oy)) : transparent;
      const VnBW8 g = gray->GetPixel(i, j);
      dst->SetPixel(inside && !(over == transparent) ? over : VnC24{g, g, g}, i, j);
    }
}

void ImgSetOverlayColor(VnC24 color) {
  VnOk();
  VnGetTLSPtr()->m_c24OverlayColor = color;
}

VnC24 ImgGetOverlayColor() { return VnGetTLSPtr()->m_c24OverlayColor; }
