// The exact 3x3 median, with the edge rows and columns repeated (VnBW8, VnBW16) or a border
// value in every window position outside the ROI (the older VnBW8 and VnC24 forms).
#include <algorithm>
#include <cstdint>

#include "morphology/legacy.h"
#include "morphology/passes.h"
#include "vnimg/morphology.h"

namespace vnimg::morphology {
namespace {

// The window's columns sorted once per row, then combined (rows.h).
template <class T>
bool MedianPass(const VnROI<T>& src, VnROI<T>& dst, Border<T> border, const char* trace) {
  return RunRows(src, dst, true, border, trace, MedianRowVariants<T>().Pick());
}

// The older form's plain loop: the nine values sorted, the fifth taken.
void SortNineRow(const VnBW8* up, const VnBW8* mid, const VnBW8* down, VnBW8* out, int n) {
  for (int i = 0; i < n; ++i) {
    VnBW8 window[9];
    for (int k = 0; k < 3; ++k) window[k] = up[i - 1 + k], window[3 + k] = mid[i - 1 + k], window[6 + k] = down[i - 1 + k];
    std::sort(window, window + 9);
    out[i] = window[4];
  }
}

template <class T>
void Median(const VnROI<T>* src, VnROI<T>* dst, const char* trace) {
  VnOk();
  if (!frame::CheckRois(trace, {src, dst}) || src->GetWidth() == 0 || src->GetHeight() == 0) return;
  MedianPass(*src, *dst, Border<T>{}, trace);
}

}  // namespace

VnBW8 SaturatedBorder(int value) { return static_cast<VnBW8>(std::clamp(value, 0, 255)); }

short LegacyMedian(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int border, const char* trace) {
  VnOk();
  if (!src || !dst) return frame::FailShort(VN_ERR_NULL_ROI, trace);
  if (!frame::CheckRois(trace, {src, dst})) return static_cast<short>(VnGetError());
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return 0;
  const Border<VnBW8> outside{true, SaturatedBorder(border)};
  const bool done = simd::ActiveLevel() == simd::Level::Plain
                        ? RunRows(*src, *dst, true, outside, trace, SortNineRow)
                        : MedianPass(*src, *dst, outside, trace);
  return static_cast<short>(done ? VnOk() : VnGetError());
}

}  // namespace vnimg::morphology

void ImgMedian(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) { vnimg::morphology::Median(src, dst, "ImgMedian"); }
void ImgMedian(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst) { vnimg::morphology::Median(src, dst, "ImgMedian (BW16)"); }

short ImgMedian(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int border) {
  return vnimg::morphology::LegacyMedian(src, dst, border, "ImgMedian");
}
