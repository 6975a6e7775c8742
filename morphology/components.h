// VnC24 morphology: each component of src goes through the 8-bit operation into the same
// component of dst via the colour library. Components are read and written back one at a
// time, so dst may be src itself.
#pragma once

#include "foundation/frame.h"
#include "vnimg/platform/color.h"

namespace vnimg::morphology {

// Runs op(VnROI<VnBW8>* srcComponent, VnROI<VnBW8>* dstComponent) for components 0, 1, 2
// after the frame's checks of src and dst; the first error is traced under `trace` and stops.
// With `startFromDst` each dstComponent first holds dst's component (for operations that may
// leave pixels as they were).
template <class Op>
void ForEachComponent(VnROI<VnC24>* src, VnROI<VnC24>* dst, const char* trace, Op op, bool startFromDst = false) {
  if (!frame::CheckRois(trace, {src, dst})) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  VnImage<VnBW8> srcComponent(src->GetWidth(), src->GetHeight());
  VnImage<VnBW8> dstComponent(src->GetWidth(), src->GetHeight());
  if (VnGetError()) return frame::Trace(trace);
  for (unsigned component = 0; component < 3; ++component) {
    ClrGetComponent(src, &srcComponent, component, nullptr);
    if (startFromDst) ClrGetComponent(dst, &dstComponent, component, nullptr);
    if (VnGetError()) return frame::Trace(trace);
    op(&srcComponent, &dstComponent, component);
    if (VnGetError()) return frame::Trace(trace);
    ClrSetComponent(&dstComponent, dst, component);
    if (VnGetError()) return frame::Trace(trace);
  }
}

}  // namespace vnimg::morphology
