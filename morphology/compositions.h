// The compositions every box and disk family is made of (opening, closing, top-hats,
// gradient), written once over a structuring element whose Erode, Dilate, Open and Close are
// the family's public operations, so that every step checks and traces as its own operation.
#pragma once

#include "foundation/frame.h"
#include "vnimg/point.h"

namespace vnimg::morphology {

inline bool Empty(const VnGenericROI& roi) { return roi.GetWidth() == 0 || roi.GetHeight() == 0; }

// Each step is a public operation; an error stops the sequence under `trace`.
inline bool Failed(const char* trace) {
  if (!VnGetError()) return false;
  frame::Trace(trace);
  return true;
}

template <class T, class Element>
void Open(VnROI<T>* src, VnROI<T>* dst, Element element, const char* trace) {
  VnOk();
  element.Erode(src, dst);
  if (Failed(trace)) return;
  element.Dilate(dst ? dst : src, static_cast<VnROI<T>*>(nullptr));
  Failed(trace);
}

template <class T, class Element>
void Close(VnROI<T>* src, VnROI<T>* dst, Element element, const char* trace) {
  VnOk();
  element.Dilate(src, dst);
  if (Failed(trace)) return;
  element.Erode(dst ? dst : src, static_cast<VnROI<T>*>(nullptr));
  Failed(trace);
}

enum class Difference { WhiteTopHat, BlackTopHat, Gradient };

// A temporary of the ROI's size takes the opening (closing, erosion); the difference is
// ImgOper's Subtract into dst (into src when working in place).
template <class T, class Element>
void Differential(VnROI<T>* src, VnROI<T>* dst, Element element, Difference kind, const char* trace) {
  VnOk();
  VnROI<T>* out = dst ? dst : src;
  if (!frame::CheckRois(trace, {src, out}) || Empty(*src)) return;
  VnImage<T> temporary(src->GetWidth(), src->GetHeight());
  if (Failed(trace)) return;
  switch (kind) {
    case Difference::WhiteTopHat:
      element.Open(src, &temporary);
      if (Failed(trace)) return;
      ImgOper(Subtract, src, &temporary, out);
      break;
    case Difference::BlackTopHat:
      element.Close(src, &temporary);
      if (Failed(trace)) return;
      ImgOper(Subtract, &temporary, src, out);
      break;
    case Difference::Gradient:
      element.Erode(src, &temporary);
      if (Failed(trace)) return;
      element.Dilate(src, out);
      if (Failed(trace)) return;
      ImgOper(Subtract, out, &temporary, out);
      break;
  }
  Failed(trace);
}

}  // namespace vnimg::morphology
