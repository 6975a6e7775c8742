// Bi-level VnBW8 morphology: the gray-level decompositions with AND and OR passes.
#include <algorithm>
#include <cstdint>

#include "morphology/bilevel_rows.h"
#include "morphology/compositions.h"
#include "morphology/passes.h"
#include "vnimg/binary_morphology.h"

namespace vnimg::morphology {
namespace {

using Byte = std::uint8_t;

struct BiLevelNames {
  const char* square;
  const char* axis;  // the row and the column passes
  const char* cross;
};
BiLevelNames NamesOf(Extremum e) {
  return e == Extremum::Min ? BiLevelNames{"ImgBiLevelErode3x3", "ErodeBiLevel1X3", "ImgBiLevelErodeXY (BW8)"}
                            : BiLevelNames{"ImgBiLevelDilate3x3", "DilateBiLevel1X3", "ImgBiLevelDilateXY (BW8)"};
}

// The first pass reads src, later ones work in place on dst; no pass copies.
class BiLevelPasses {
 public:
  BiLevelPasses(const VnROI<Byte>& src, VnROI<Byte>& dst, Extremum e)
      : m_passes(src, dst, e, PassNames{}), m_extremum(e), m_names(NamesOf(e)) {}
  bool Repeat(Shape shape, unsigned count) {
    const char* trace = shape == Shape::Square ? m_names.square : shape == Shape::Cross ? m_names.cross : m_names.axis;
    return m_passes.Repeat(BiLevelRowVariants(m_extremum, shape).Pick(), shape != Shape::Row, count, trace);
  }
  void Finish() { m_passes.Finish(); }

 private:
  PassSequence<Byte> m_passes;
  Extremum m_extremum;
  BiLevelNames m_names;
};

// On 0/255 pixels the AND and OR passes are the gray-level minimum and maximum, whose vector
// levels run the box and the disk's squares by running extrema: the same pixels.
bool GrayFastPath(const VnROI<Byte>& src) { return simd::ActiveLevel() != simd::Level::Plain && IsBinary(src); }
PassNames GrayNamesOf(Extremum e) {
  const BiLevelNames n = NamesOf(e);
  return {n.square, n.axis, n.axis, n.cross, n.square};
}

// Half-sizes beyond the ROI act as its size minus one: further passes change nothing.
bool BoxPasses(const VnROI<Byte>& src, VnROI<Byte>& dst, Extremum e, unsigned halfX, unsigned halfY) {
  if (GrayFastPath(src)) return morphology::BoxPasses(src, dst, e, halfX, halfY, GrayNamesOf(e));
  halfX = std::min(halfX, static_cast<unsigned>(src.GetWidth() - 1));
  halfY = std::min(halfY, static_cast<unsigned>(src.GetHeight() - 1));
  const unsigned squares = std::min(halfX, halfY);
  BiLevelPasses passes(src, dst, e);
  if (!passes.Repeat(Shape::Square, squares) ||
      !passes.Repeat(halfX > halfY ? Shape::Row : Shape::Column, std::max(halfX, halfY) - squares))
    return false;
  passes.Finish();
  return true;
}

bool DiskPasses(const VnROI<Byte>& src, VnROI<Byte>& dst, Extremum e, unsigned radius) {
  if (GrayFastPath(src)) return morphology::DiskPasses(src, dst, e, radius, GrayNamesOf(e));
  const unsigned crosses = radius / 2 + radius % 2;
  const unsigned width = static_cast<unsigned>(src.GetWidth()), height = static_cast<unsigned>(src.GetHeight());
  BiLevelPasses passes(src, dst, e);
  if (!passes.Repeat(Shape::Square, std::min(radius - crosses, std::max(width, height) - 1)) ||
      !passes.Repeat(Shape::Cross, std::min(crosses, width + height - 2)))
    return false;
  passes.Finish();
  return true;
}

struct BiLevelBox {
  unsigned halfX, halfY;
  void Erode(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelErodeBox(s, d, halfX, halfY); }
  void Dilate(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelDilateBox(s, d, halfX, halfY); }
  void Open(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelOpenBox(s, d, halfX, halfY); }
  void Close(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelCloseBox(s, d, halfX, halfY); }
  bool Passes(const VnROI<Byte>& s, VnROI<Byte>& d, Extremum e) const { return BoxPasses(s, d, e, halfX, halfY); }
};
struct BiLevelDisk {
  unsigned radius;
  void Erode(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelErodeDisk(s, d, radius); }
  void Dilate(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelDilateDisk(s, d, radius); }
  void Open(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelOpenDisk(s, d, radius); }
  void Close(VnROI<Byte>* s, VnROI<Byte>* d) const { ImgBiLevelCloseDisk(s, d, radius); }
  bool Passes(const VnROI<Byte>& s, VnROI<Byte>& d, Extremum e) const { return DiskPasses(s, d, e, radius); }
};

BiLevelBox BoxOf(unsigned halfX, unsigned halfY) { return {halfX, halfY == kVnSameHalfSize ? halfX : halfY}; }

template <class Element>
void Extremal(VnROI<Byte>* src, VnROI<Byte>* dst, Element element, Extremum e, const char* trace) {
  VnOk();
  VnROI<Byte>* out = dst ? dst : src;
  if (!frame::CheckRois(trace, {src, out}) || Empty(*src)) return;
  if (!element.Passes(*src, *out, e)) frame::Trace(trace);
}

}  // namespace
}  // namespace vnimg::morphology

namespace m = vnimg::morphology;
using m::Difference;
using m::Extremum;

void ImgBiLevelErodeBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Extremal(src, dst, m::BoxOf(halfX, halfY), Extremum::Min, "ImgBiLevelErodeBox");
}
void ImgBiLevelDilateBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Extremal(src, dst, m::BoxOf(halfX, halfY), Extremum::Max, "ImgBiLevelDilateBox");
}
void ImgBiLevelOpenBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Open(src, dst, m::BoxOf(halfX, halfY), "ImgBiLevelOpenBox");
}
void ImgBiLevelCloseBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Close(src, dst, m::BoxOf(halfX, halfY), "ImgBiLevelCloseBox");
}
void ImgBiLevelWhiteTopHatBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Differential(src, dst, m::BoxOf(halfX, halfY), Difference::WhiteTopHat, "ImgBiLevelWhiteTopHatBox (BW8)");
}
void ImgBiLevelBlackTopHatBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Differential(src, dst, m::BoxOf(halfX, halfY), Difference::BlackTopHat, "ImgBiLevelBlackTopHatBox (BW8)");
}
void ImgBiLevelMorphoGradientBox(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  m::Differential(src, dst, m::BoxOf(halfX, halfY), Difference::Gradient, "ImgMorphoGradientBox (BiLevel Images)");
}

void ImgBiLevelErodeDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Extremal(src, dst, m::BiLevelDisk{radius}, Extremum::Min, "ImgBiLevelErodeDisk");
}
void ImgBiLevelDilateDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Extremal(src, dst, m::BiLevelDisk{radius}, Extremum::Max, "ImgBiLevelDilateDisk");
}
void ImgBiLevelOpenDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Open(src, dst, m::BiLevelDisk{radius}, "ImgBiLevelOpenDisk");
}
void ImgBiLevelCloseDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Close(src, dst, m::BiLevelDisk{radius}, "ImgBiLevelCloseDisk");
}
void ImgBiLevelWhiteTopHatDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Differential(src, dst, m::BiLevelDisk{radius}, Difference::WhiteTopHat, "ImgBiLevelWhiteTopHatDisk (BW8)");
}
void ImgBiLevelBlackTopHatDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Differential(src, dst, m::BiLevelDisk{radius}, Difference::BlackTopHat, "ImgBiLevelBlackTopHatDisk (BW8)");
}
void ImgBiLevelMorphoGradientDisk(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned radius) {
  m::Differential(src, dst, m::BiLevelDisk{radius}, Difference::Gradient, "ImgMorphoGradientDisk (BiLevel Images)");
}

void ImgBiLevelMedian(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgBiLevelMedian";
  VnOk();
  if (!vnimg::frame::CheckRois(kTrace, {src, dst}) || m::Empty(*src)) return;
  m::RunRows(*src, *dst, true, m::Border<VnBW8>{}, kTrace, m::MajorityRowVariants().Pick());
}
