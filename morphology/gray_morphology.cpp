// Box and disk erosion, dilation and their compositions for VnBW8, VnBW16 and VnC24.
#include <cstdint>
#include <string_view>

#include "morphology/components.h"
#include "morphology/compositions.h"
#include "morphology/passes.h"
#include "vnimg/morphology.h"
#include "vnimg/point.h"

namespace vnimg::morphology {
namespace {

template <class T>
PassNames NamesOf(Extremum e) {
  const bool erode = e == Extremum::Min;
  if constexpr (sizeof(T) == 1)
    return erode ? PassNames{"ImgErode3x3 (BW8)", "ImgErodeX (BW8)", "ImgErodeY ( BW8)", "ImgErodeXY (BW8)", "QuaErodeBox"}
                 : PassNames{"ImgDilate3x3 (BW8)", "ImgDilateX (BW8)", "ImgDilateY ( BW8)", "ImgDilateXY (BW8)", "QuaDilateBox"};
  else
    return erode ? PassNames{"ImgErode3x3 (BW16)", "ImgErodeX (BW16)", "ImgErodeY ( BW16)", "ImgErodeXY (BW16)",
                             "QuaErodeBox (BW16)"}
                 : PassNames{"ImgDilate3x3 (BW16)", "ImgDilateX (BW16)", "ImgDilateY ( BW16)", "ImgDilateXY (BW16)",
                             "QuaDilateBox (BW16)"};
}

// The structuring elements: how to erode, dilate, open and close with them through the
// public operations (so that every step checks and traces as its own operation does).
struct Box {
  unsigned halfX, halfY;
  template <class T> void Erode(VnROI<T>* s, VnROI<T>* d) const { ImgErodeBox(s, d, halfX, halfY); }
  template <class T> void Dilate(VnROI<T>* s, VnROI<T>* d) const { ImgDilateBox(s, d, halfX, halfY); }
  template <class T> void Open(VnROI<T>* s, VnROI<T>* d) const { ImgOpenBox(s, d, halfX, halfY); }
  template <class T> void Close(VnROI<T>* s, VnROI<T>* d) const { ImgCloseBox(s, d, halfX, halfY); }
  template <class T>
  bool Passes(const VnROI<T>& s, VnROI<T>& d, Extremum e) const { return BoxPasses(s, d, e, halfX, halfY, NamesOf<T>(e)); }
};
struct Disk {
  unsigned radius;
  template <class T> void Erode(VnROI<T>* s, VnROI<T>* d) const { ImgErodeDisk(s, d, radius); }
  template <class T> void Dilate(VnROI<T>* s, VnROI<T>* d) const { ImgDilateDisk(s, d, radius); }
  template <class T> void Open(VnROI<T>* s, VnROI<T>* d) const { ImgOpenDisk(s, d, radius); }
  template <class T> void Close(VnROI<T>* s, VnROI<T>* d) const { ImgCloseDisk(s, d, radius); }
  template <class T>
  bool Passes(const VnROI<T>& s, VnROI<T>& d, Extremum e) const { return DiskPasses(s, d, e, radius, NamesOf<T>(e)); }
};

template <class T, class Element>
void Extremal(VnROI<T>* src, VnROI<T>* dst, Element element, Extremum e, const char* trace) {
  VnOk();
  VnROI<T>* out = dst ? dst : src;
  if (!frame::CheckRois(trace, {src, out}) || Empty(*src)) return;
  if (!element.Passes(*src, *out, e)) frame::Trace(trace);
}

// The VnC24 form of an operation: the VnBW8 one on each component.
template <class Run>
void PerComponent(VnROI<VnC24>* src, VnROI<VnC24>* dst, const char* trace, Run run) {
  VnOk();
  ForEachComponent(src, dst ? dst : src, trace, [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned) { run(s, d); });
}

}  // namespace
}  // namespace vnimg::morphology

using vnimg::morphology::Box;
using vnimg::morphology::Difference;
using vnimg::morphology::Disk;
using vnimg::morphology::Extremum;
namespace m = vnimg::morphology;

// Every operation for the three pixel types: `Body(src, dst, element, trace)` for the gray
// ones, each component through the VnBW8 form for VnC24.
#define VNIMG_BOX_AND_DISK(Name, Bw8Box, Bw8Disk, Body)                                                        \
  void Img##Name##Box(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {                  \
    Body(src, dst, (Box{halfX, halfY == kVnSameHalfSize ? halfX : halfY}), Bw8Box);                           \
  }                                                                                                              \
  void Img##Name##Box(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY) {                \
    Body(src, dst, (Box{halfX, halfY == kVnSameHalfSize ? halfX : halfY}), "Img" #Name "Box (BW16)");         \
  }                                                                                                              \
  void Img##Name##Box(VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned halfX, unsigned halfY) {                  \
    m::PerComponent(src, dst, "Img" #Name "Box ( C24)",                                                     \
                    [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d) { Img##Name##Box(s, d, halfX, halfY); });            \
  }                                                                                                              \
  void Img##Name##Disk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {                                \
    Body(src, dst, (Disk{radius}), Bw8Disk);                                                                    \
  }                                                                                                              \
  void Img##Name##Disk(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned radius) {                              \
    Body(src, dst, (Disk{radius}), "Img" #Name "Disk (BW16)");                                                  \
  }                                                                                                              \
  void Img##Name##Disk(VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned radius) {                                \
    m::PerComponent(src, dst, "Img" #Name "Disk ( C24)",                                                   \
                    [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d) { Img##Name##Disk(s, d, radius); });                 \
  }

#define VNIMG_ERODE(s, d, element, trace) m::Extremal(s, d, element, Extremum::Min, trace)
#define VNIMG_DILATE(s, d, element, trace) m::Extremal(s, d, element, Extremum::Max, trace)
#define VNIMG_OPEN(s, d, element, trace) m::Open(s, d, element, trace)
#define VNIMG_CLOSE(s, d, element, trace) m::Close(s, d, element, trace)
#define VNIMG_WHITE(s, d, element, trace) m::Differential(s, d, element, Difference::WhiteTopHat, trace)
#define VNIMG_BLACK(s, d, element, trace) m::Differential(s, d, element, Difference::BlackTopHat, trace)
#define VNIMG_GRADIENT(s, d, element, trace) m::Differential(s, d, element, Difference::Gradient, trace)

VNIMG_BOX_AND_DISK(Erode, "ImgErodeBox", "ImgErodeDisk", VNIMG_ERODE)
VNIMG_BOX_AND_DISK(Dilate, "ImgDilateBox", "ImgDilateDisk", VNIMG_DILATE)
VNIMG_BOX_AND_DISK(Open, "ImgOpenBox", "ImgOpenDisk ", VNIMG_OPEN)
VNIMG_BOX_AND_DISK(Close, "ImgCloseBox", "ImgCloseDisk", VNIMG_CLOSE)
VNIMG_BOX_AND_DISK(WhiteTopHat, "ImgWhiteTopHatBox (BW8)", "ImgWhiteTopHatDisk (BW8)", VNIMG_WHITE)
VNIMG_BOX_AND_DISK(BlackTopHat, "ImgBlackTopHatBox (BW8)", "ImgBlackTopHatDisk (BW8)", VNIMG_BLACK)
VNIMG_BOX_AND_DISK(MorphoGradient, "ImgMorphoGradientBox", "ImgMorphoGradientDisk", VNIMG_GRADIENT)
