#include "vnimg/platform/color.h"

#include "foundation/frame.h"

namespace {

bool CheckComponentPair(const VnGenericROI* color, const VnGenericROI* gray, unsigned component) {
  VnOk();
  if (!color || !gray) {
    VnSetError(VN_ERR_NULL_ROI);
    return false;
  }
  if (component > 2) {
    VnSetError(VN_ERR_PARAM_3);
    return false;
  }
  if (!color->CheckValidity() || !gray->CheckValidity() || !color->CheckSameSize(gray)) return false;
  return true;
}

unsigned char Component(const VnC24& pixel, unsigned component) {
  return component == 0 ? pixel.c0 : component == 1 ? pixel.c1 : pixel.c2;
}

}  // namespace

void ClrGetComponent(VnROI<VnC24>* src, VnROI<VnBW8>* dst, unsigned int component, VnColorLookup* lookup) {
  if (!CheckComponentPair(src, dst, component)) return;
  vnimg::frame::ForEachRow(*src, *dst, [&](const VnC24* s, VnBW8* d, int width) {
    for (int x = 0; x < width; ++x) {
      VnC24 pixel = s[x];
      if (lookup) lookup->Transform(s[x], pixel);
      d[x] = Component(pixel, component);
    }
  });
}

void ClrSetComponent(VnROI<VnBW8>* src, VnROI<VnC24>* dst, unsigned int component) {
  if (!CheckComponentPair(dst, src, component)) return;
  vnimg::frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnC24* d, int width) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(d) + component;
    for (int x = 0; x < width; ++x) bytes[3 * x] = s[x];
  });
}
