// Per-component access to colour images and colour lookups.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

// Maps one colour to another; callers derive from it. The base maps every colour to itself.
class VnColorLookup {
 public:
  virtual ~VnColorLookup() = default;
  virtual void Transform(VnC24 in, VnC24& out) { out = in; }
};

// dst(x, y) = component `component` (0, 1 or 2) of src(x, y), or of lookup->Transform(src(x, y))
// when a lookup is given. Errors (set, nothing written): null ROI or no buffer 1400, invalid
// ROI its validity code, different sizes 1403, component above 2 1013.
void ClrGetComponent(VnROI<VnC24>* src, VnROI<VnBW8>* dst, unsigned int component, VnColorLookup* lookup);

// Component `component` of dst(x, y) = src(x, y); the other two components are unchanged.
// Errors as ClrGetComponent.
void ClrSetComponent(VnROI<VnBW8>* src, VnROI<VnC24>* dst, unsigned int component);
