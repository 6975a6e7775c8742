// Packed VnBW1 morphology: the aligned forms work on words (packed_words.h); the others run
// them on aligned stand-ins through the bit-image pair.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

#include "foundation/bw1_pair.h"
#include "morphology/packed_fused.h"
#include "morphology/packed_words.h"
#include "vnimg/binary_morphology.h"

namespace vnimg::morphology {
namespace {

using Bw1 = VnROI<VnBW1>;

}  // namespace

const simd::Variants<FusedBoxFn>& FusedBoxVariants() {
  static constexpr simd::Variants<FusedBoxFn> kVariants{
      .sse2 = VNIMG_X86_VARIANT(FusedBoxSse2),
      .avx2 = VNIMG_X86_VARIANT(FusedBoxAvx2),
      .avx512 = VNIMG_X86_VARIANT(FusedBoxAvx512),
  };
  return kVariants;
}

namespace {

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
    compute(*src, *out);
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

// Erosion and dilation by a box in one sweep where a vector level has it, the half-sizes are
// within its reach and dst is src or apart from it; false when the passes must run.
bool FusedBoxRun(const Bw1& src, Bw1& dst, bool erode, unsigned halfX, unsigned halfY) {
  const FusedBoxFn sweep = FusedBoxVariants().Pick();
  const int width = src.GetWidth(), height = src.GetHeight();
  halfX = std::min(halfX, static_cast<unsigned>(width - 1)), halfY = std::min(halfY, static_cast<unsigned>(height - 1));
  if (!sweep || halfX > kFusedHalfLimit || halfY > kFusedHalfLimit) return false;
  if (frame::OverlapsElsewhere(src, dst)) return false;
  const frame::Rows<VnBW1> in(src), out(dst);
  const std::size_t words = (static_cast<std::size_t>(width) + 63) / 64;
  const int spanY = static_cast<int>(std::bit_floor(2 * halfY + 1)), levels = std::max(static_cast<int>(std::bit_width(2 * halfY + 1)) - 2, 0);
  const std::size_t rows = static_cast<std::size_t>(levels + 1) * (2 * halfY + 2) + 2;
  std::vector<fused::Word> buffer((words + 2 * fused::kGuard) * rows, erode ? ~fused::Word{0} : 0);
  sweep({in.Row(0), in.pitch, out.Row(0), out.pitch, width, height, words, static_cast<int>(halfX), static_cast<int>(halfY),
         static_cast<int>(std::bit_floor(2 * halfX + 1)), spanY, levels, buffer.data(), erode});
  return true;
}

template <class Shape>
void Aligned(Bw1* src, Bw1* dst, Shape shape, Composite kind) {
  RunAligned(src, dst, [&](const Bw1& in, Bw1& out) {
    if constexpr (std::is_same_v<Shape, PackedBoxShape>)
      if ((kind == Composite::Erode || kind == Composite::Dilate) &&
          FusedBoxRun(in, out, kind == Composite::Erode, shape.halfX, shape.halfY))
        return;
    Compose(PackedImage::Load(in), shape, kind).Store(out);
  });
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
  m::RunAligned(src, dst, [](const VnROI<VnBW1>& in, VnROI<VnBW1>& out) {
    m::PackedImage image = m::PackedImage::Load(in);
    m::PackedMajority(image).Store(out);
  });
}

void ImgMedian(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  constexpr const char* kTrace = "ImgMedian (BW1)";
  VnOk();
  if (!dst) return vnimg::frame::Fail(VN_ERR_NULL_ROI, kTrace);
  m::RunUnaligned(kTrace, src, dst, [](VnROI<VnBW1>* s, VnROI<VnBW1>* d) { ImgMedianAligned(s, d); });
}
