// In-place mirrors: rows swap about the horizontal middle line, pixels about the vertical one.
#include <algorithm>

#include "foundation/frame.h"
#include "vnimg/geometry.h"

namespace {

namespace frame = vnimg::frame;

// Swaps row r with row H-1-r, outermost pair first, over the row's pixel bytes.
template <class T>
void VerticalMirror(VnROI<T>* roi, const char* trace) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {roi})) return;
  const frame::Rows<T> rows(*roi);
  const int width = roi->GetWidth();
  for (int top = 0, bottom = roi->GetHeight() - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(rows.Row(top), rows.Row(top) + width, rows.Row(bottom));
}

// Swaps pixel k with pixel W-1-k in each row; a pixel moves as a whole.
template <class T>
void HorizontalMirror(VnROI<T>* roi, const char* trace) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {roi})) return;
  frame::ForEachRow(*roi, [](T* row, int width) { std::reverse(row, row + width); });
}

}  // namespace

void ImgVerticalMirror(VnROI<VnBW8>* roi) { VerticalMirror(roi, "ImgVerticalMirror ( gray-level)"); }
void ImgVerticalMirror(VnROI<VnBW16>* roi) { VerticalMirror(roi, "ImgVerticalMirror ( BW16)"); }
void ImgVerticalMirror(VnROI<VnC24>* roi) { VerticalMirror(roi, "ImgVerticalMirror ( color)"); }

void ImgHorizontalMirror(VnROI<VnBW8>* roi) { HorizontalMirror(roi, "ImgHorizontalMirror ( gray-level)"); }
void ImgHorizontalMirror(VnROI<VnBW16>* roi) { HorizontalMirror(roi, "ImgHorizontalMirror ( BW16)"); }
// The colour form is labelled like its vertical twin.
void ImgHorizontalMirror(VnROI<VnC24>* roi) { HorizontalMirror(roi, "ImgHorizontalMirror ( color)"); }
