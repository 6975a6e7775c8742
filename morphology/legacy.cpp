// The older family: ImgErode, ImgDilate, ImgOpen, ImgClose, the top-hats and the bordered
// median, for VnBW8 and (component by component) VnC24.
#include <algorithm>

#include "morphology/components.h"
#include "morphology/legacy.h"
#include "morphology/passes.h"
#include "vnimg/morphology.h"
#include "vnimg/point.h"

namespace vnimg::morphology {
namespace {

constexpr const char* kPassLoop = "ImgErodeDilate";

short Code() { return static_cast<short>(VnGetError()); }
bool Empty(const VnGenericROI& roi) { return roi.GetWidth() == 0 || roi.GetHeight() == 0; }

// The address of the top image's first pixel: the same for every ROI of one image.
template <class T>
const void* ImageOf(const VnROI<T>& roi) {
  return roi.GetImagePtr(-roi.GetTotalOrgX(), -roi.GetTotalOrgY());
}

// h passes of 3x3 with the border value outside; after max(width, height) passes every pixel
// already sees the whole ROI and the border, so later passes change nothing.
short ErodeDilate(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int border, Extremum e, const char* trace) {
  VnOk();
  if (!src || !dst) return frame::FailShort(VN_ERR_NULL_ROI, trace);
  if (!frame::CheckRois(trace, {src, dst})) return Code();
  if (halfSize <= 0 || Empty(*src)) return 0;
  const unsigned passes = std::min<unsigned>(static_cast<unsigned>(halfSize),
                                             static_cast<unsigned>(std::max(src->GetWidth(), src->GetHeight())));
  const PassNames names{kPassLoop, kPassLoop, kPassLoop, kPassLoop, kPassLoop};
  PassSequence<VnBW8> sequence(*src, *dst, e, names, Border<VnBW8>{true, SaturatedBorder(border)});
  if (!sequence.Repeat(NeighbourRowVariants<VnBW8>(e, Shape::Square).Pick(), true, passes, kPassLoop))
    return static_cast<short>(VnTraceError(trace));
  return 0;
}

using Step = short (*)(VnROI<VnBW8>*, VnROI<VnBW8>*, int, int);

// first(src -> dst, b1), then second(dst -> dst, b2).
short Chain(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int b1, int b2, Step first, Step second,
            const char* trace) {
  VnOk();
  if (first(src, dst, halfSize, b1) || second(dst, dst, halfSize, b2)) return static_cast<short>(VnTraceError(trace));
  return 0;
}

enum class Hat { White, Black };

short TopHat(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int b1, int b2, Hat hat, const char* trace) {
  VnOk();
  if (!src || !dst) return frame::FailShort(VN_ERR_NULL_ROI, trace);
  if (!src->Void() && ImageOf(*src) == ImageOf(*dst)) return frame::FailShort(VN_ERR_NEED_DISTINCT_DESTINATION, trace);
  if (hat == Hat::White ? ImgOpen(src, dst, halfSize, b1, b2) : ImgClose(src, dst, halfSize, b1, b2))
    return static_cast<short>(VnTraceError(trace));
  if (hat == Hat::White) ImgOper(Subtract, src, dst, dst);
  else ImgOper(Subtract, dst, src, dst);
  return VnGetError() ? static_cast<short>(VnTraceError(trace)) : 0;
}

// The VnC24 form: the VnBW8 one on each component with the border byte c2, c1, c0 for
// components 0, 1, 2; each destination component starts as dst's, as the VnBW8 forms may
// leave pixels as they were.
template <class Run>
short PerComponent(VnROI<VnC24>* src, VnROI<VnC24>* dst, const char* trace, Run run) {
  VnOk();
  if (!src || !dst) return frame::FailShort(VN_ERR_NULL_ROI, trace);
  ForEachComponent(src, dst, trace, run, true);
  return Code();
}

VnBW8 Byte(VnC24 colour, unsigned component) { return component == 0 ? colour.c2 : component == 1 ? colour.c1 : colour.c0; }

}  // namespace
}  // namespace vnimg::morphology

namespace m = vnimg::morphology;
using vnimg::morphology::Extremum;

short ImgErode(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int border) {
  return m::ErodeDilate(src, dst, halfSize, border, Extremum::Min, "ImgErode");
}
short ImgDilate(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int border) {
  return m::ErodeDilate(src, dst, halfSize, border, Extremum::Max, "ImgDilate");
}
short ImgOpen(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int b1, int b2) {
  return m::Chain(src, dst, halfSize, b1, b2, ImgErode, ImgDilate, "ImgOpen");
}
short ImgClose(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int b1, int b2) {
  return m::Chain(src, dst, halfSize, b1, b2, ImgDilate, ImgErode, "ImgClose");
}
short ImgWhiteTopHat(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int b1, int b2) {
  return m::TopHat(src, dst, halfSize, b1, b2, m::Hat::White, "ImgWhiteTopHat");
}
short ImgBlackTopHat(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, int halfSize, int b1, int b2) {
  return m::TopHat(src, dst, halfSize, b1, b2, m::Hat::Black, "ImgBlackTopHat");
}

short ImgErode(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 border) {
  return m::PerComponent(src, dst, "ImgErode ( C24)",
                         [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) { ImgErode(s, d, halfSize, m::Byte(border, c)); });
}
short ImgDilate(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 border) {
  return m::PerComponent(src, dst, "ImgDilate ( C24)",
                         [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) { ImgDilate(s, d, halfSize, m::Byte(border, c)); });
}
short ImgOpen(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 b1, VnC24 b2) {
  return m::PerComponent(src, dst, "ImgOpen ( C24)", [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) {
    ImgOpen(s, d, halfSize, m::Byte(b1, c), m::Byte(b2, c));
  });
}
short ImgClose(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 b1, VnC24 b2) {
  return m::PerComponent(src, dst, "ImgClose ( C24)", [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) {
    ImgClose(s, d, halfSize, m::Byte(b1, c), m::Byte(b2, c));
  });
}
short ImgWhiteTopHat(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 b1, VnC24 b2) {
  constexpr const char* kTrace = "ImgWhiteTopHat ( C24)";
  if (src && dst && !src->Void() && m::ImageOf(*src) == m::ImageOf(*dst)) {
    VnOk();
    return vnimg::frame::FailShort(VN_ERR_NEED_DISTINCT_DESTINATION, kTrace);
  }
  return m::PerComponent(src, dst, kTrace, [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) {
    ImgWhiteTopHat(s, d, halfSize, m::Byte(b1, c), m::Byte(b2, c));
  });
}
short ImgBlackTopHat(VnROI<VnC24>* src, VnROI<VnC24>* dst, int halfSize, VnC24 b1, VnC24 b2) {
  constexpr const char* kTrace = "ImgBlackTopHat ( C24)";
  if (src && dst && !src->Void() && m::ImageOf(*src) == m::ImageOf(*dst)) {
    VnOk();
    return vnimg::frame::FailShort(VN_ERR_NEED_DISTINCT_DESTINATION, kTrace);
  }
  return m::PerComponent(src, dst, kTrace, [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) {
    ImgBlackTopHat(s, d, halfSize, m::Byte(b1, c), m::Byte(b2, c));
  });
}
short ImgMedian(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnC24 border) {
  return m::PerComponent(src, dst, "ImgMedian ( C24)", [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned c) {
    ImgMedian(s, d, static_cast<int>(m::Byte(border, c)));
  });
}
