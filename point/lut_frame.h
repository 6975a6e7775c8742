// Helpers shared by the lookup, gain/offset, normalisation, equalisation and uniformisation
// files: the worker checks that set a code without tracing, and the per-pixel rules shared
// by the plain loops and the vector tails.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "foundation/frame.h"

namespace vnimg::lut {

// The checks of frame::CheckRois without the trace, for workers whose caller traces.
inline bool UntracedRoisUsable(std::initializer_list<const VnGenericROI*> rois) {
  VnOk();
  for (const VnGenericROI* roi : rois)
    if (!roi) return VnSetError(VN_ERR_NULL_ROI), false;
  for (const VnGenericROI* roi : rois)
    if (!roi->CheckValidity()) return false;
  for (const VnGenericROI* roi : rois)
    if (!(*rois.begin())->CheckSameSize(roi)) return false;
  for (const VnGenericROI* roi : rois)
    if (roi->Void()) return VnSetError(VN_ERR_NULL_ROI), false;
  return true;
}

// Null operands (pointers that are not ROIs) and the usual ROI checks, traced.
inline bool Usable(const char* trace, std::initializer_list<const void*> others,
                   std::initializer_list<const VnGenericROI*> rois) {
  return frame::CheckNotNull(trace, others) && frame::CheckRois(trace, rois);
}

template <class W>
constexpr W Clamp(std::int64_t v, std::int64_t max) {
  return static_cast<W>(std::clamp<std::int64_t>(v, 0, max));
}

// trunc(v) held at the int range's ends; NaN gives 0.
inline std::int32_t TruncToInt(double v) {
  if (!(v == v)) return 0;
  return static_cast<std::int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}
// The gain and offset of the gray forms: G = trunc(gain * 32), O = trunc(offset).
inline std::int32_t FixedGain(float gain) { return TruncToInt(static_cast<double>(gain) * 32.0); }
inline std::int32_t FixedOffset(float offset) { return TruncToInt(offset); }

// One 8-bit gain/offset value: the table's entry for x, shared by the table and vector tails.
inline std::uint8_t GainOffsetByte(std::uint32_t x, std::int32_t gain, std::int32_t offset) {
  const std::uint32_t v = ((x * static_cast<std::uint32_t>(gain)) >> 5) + static_cast<std::uint32_t>(offset);
  if (v <= 255) return static_cast<std::uint8_t>(v);
  return static_cast<std::int32_t>(v) < 0 ? 0 : 255;
}

}  // namespace vnimg::lut
