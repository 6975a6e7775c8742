// Colour forms of the geometric operations: each component of a VnC24 source goes through the
// 8-bit operation into the same component of the destination, via the colour library.
#pragma once

#include "foundation/frame.h"
#include "vnimg/platform/color.h"

namespace vnimg::geometry {

// Runs op(const VnROI<VnBW8>* srcComponent, VnROI<VnBW8>* dstComponent) for components 0, 1, 2;
// the first error (of the colour library, of a temporary's allocation or of op) is traced
// under `trace` and stops the sequence.
template <class Op>
void ForEachComponent(const VnROI<VnC24>* src, VnROI<VnC24>* dst, const char* trace, Op op) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {src, dst})) return;
  if (dst->GetWidth() == 0 || dst->GetHeight() == 0) return;
  VnImage<VnBW8> srcComponent(src->GetWidth(), src->GetHeight());
  VnImage<VnBW8> dstComponent(dst->GetWidth(), dst->GetHeight());
  if (VnGetError()) return frame::Trace(trace);
  for (unsigned component = 0; component < 3; ++component) {
    ClrGetComponent(const_cast<VnROI<VnC24>*>(src), &srcComponent, component, nullptr);
    if (VnGetError()) return frame::Trace(trace);
    op(static_cast<const VnROI<VnBW8>*>(&srcComponent), static_cast<VnROI<VnBW8>*>(&dstComponent));
    if (VnGetError()) return frame::Trace(trace);
    ClrSetComponent(&dstComponent, dst, component);
    if (VnGetError()) return frame::Trace(trace);
  }
}

}  // namespace vnimg::geometry
