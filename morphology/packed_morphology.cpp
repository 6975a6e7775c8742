// Packed VnBW1 morphology: the aligned forms work on words (packed_words.h); the others run
// them on aligned stand-ins through the bit-image pair.
#include <new>

#include "foundation/bw1_pair.h"
#include "morphology/packed_words.h"
#include "vnimg/binary_morphology.h"

namespace vnimg::morphology {
namespace {

using Bw1 = VnROI<VnBW1>;

// The frame of every aligned operation: checks (thrown), then dst (src in place) = compute of
// the source's words.
template <class Compute>
void RunAligned(const Bw1* src, Bw1* dst, Compute compute) {
  VnOk();
  Bw1* out = dst ? dst : const_cast<Bw1*>(src);
  frame::CheckAlignedRois({src, out});
  if (src->Void() || out->Void()) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  try {
    compute(PackedImage::Load(*src)).Store(*out);
  } catch (const std::bad_alloc&) {
    throw Korvane::Quandor::Exception(VN_ERR_OUT_OF_MEMORY);
  }
}

template <class Aligned>
void RunUnaligned(const char* trace, const Bw1* src, Bw1* dst, Aligned aligned) {
  VnOk();
  frame::RunBW1Pair<1>(trace, {src}, dst, [&](auto& s, Bw1* d) { aligned(const_cast<Bw1*>(s[0]), d); });
}

// The structuring elements on words: erode, dilate and the compositions.
struct PackedBoxShape {
  unsigned halfX, halfY;
  PackedImage Apply(PackedImage image, Extremum e) const { return PackedBox(std::move(image), e, halfX, halfY); }
};
struct PackedDiskShape {
  unsigned radius;
  PackedImage Apply(PackedImage image, Extremum e) const { return PackedDisk(std::move(image), e, radius); }
};

enum class Composite { Erode, Dilate, Open, Close, WhiteTopHat, BlackTopHat, Gradient };

template <class Shape>
PackedImage Compose(const PackedImage& src, Shape shape, Composite kind) {
  const auto erode = [&](PackedImage i) { return shape.Apply(std::move(i), Extremum::Min); };
  const auto dilate = [&](PackedImage i) { return shape.Apply(std::move(i), Extremum::Max); };
  switch (kind) {
    case Composite::Erode: return erode(src);
    case Composite::Dilate: return dilate(src);
    case Composite::Open: return dilate(erode(src));
    case Composite::Close: return erode(dilate(src));
    case Composite::WhiteTopHat: return PackedMinus(src, dilate(erode(src)));
    case Composite::BlackTopHat: return PackedMinus(erode(dilate(src)), src);
    case Composite::Gradient: break;
  }
  return PackedMinus(dilate(src), erode(src));
}

template <class Shape>
void Aligned(Bw1* src, Bw1* dst, Shape shape, Composite kind) {
  RunAligned(src, dst, [&](const PackedImage& in) { return Compose(in, shape, kind); });
}

PackedBoxShape BoxOf(unsigned halfX, unsigned halfY) { return {halfX, halfY == kVnSameHalfSize ? halfX : halfY}; }

}  // namespace
}  // namespace vnimg::morphology

namespace m = vnimg::morphology;

#define VNIMG_PACKED(Name, Kind)                                                                                 \
  void Img##Name##BoxAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned halfX, unsigned halfY) {            \
    m::Aligned(src, dst, m::BoxOf(halfX, halfY), m::Composite::Kind);                                          \
  }                                                                                                              \
  void Img##Name##DiskAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned radius) {                          \
    m::Aligned(src, dst, m::PackedDiskShape{radius}, m::Composite::Kind);                                      \
  }                                                                                                              \
  void Img##Name##Box(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned halfX, unsigned halfY) {                   \
    m::RunUnaligned("Img" #Name "Box (BW1)", src, dst,                                                          \
                    [&](VnROI<VnBW1>* s, VnROI<VnBW1>* d) { Img##Name##BoxAligned(s, d, halfX, halfY); });      \
  }                                                                                                              \
  void Img##Name##Disk(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, unsigned radius) {                                 \
    m::RunUnaligned("Img" #Name "Disk (BW1)", src, dst,                                                         \
                    [&](VnROI<VnBW1>* s, VnROI<VnBW1>* d) { Img##Name##DiskAligned(s, d, radius); });           \
  }

VNIMG_PACKED(Erode, Erode)
VNIMG_PACKED(Dilate, Dilate)
VNIMG_PACKED(Open, Open)
VNIMG_PACKED(Close, Close)
VNIMG_PACKED(WhiteTopHat, WhiteTopHat)
VNIMG_PACKED(BlackTopHat, BlackTopHat)
VNIMG_PACKED(MorphoGradient, Gradient)

void ImgMedianAligned(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  if (!dst) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  m::RunAligned(src, dst, [](m::PackedImage in) { return m::PackedMajority(in); });
}

void ImgMedian(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  constexpr const char* kTrace = "ImgMedian (BW1)";
  VnOk();
  if (!dst) return vnimg::frame::Fail(VN_ERR_NULL_ROI, kTrace);
  m::RunUnaligned(kTrace, src, dst, [](VnROI<VnBW1>* s, VnROI<VnBW1>* d) { ImgMedianAligned(s, d); });
}
