// ImgConvert between gray and bit images: the aligned forms work on whole destination bytes
// (or whole source bytes), the unaligned forms run them on byte-aligned stand-ins.
#include <new>
#include <optional>

#include "foundation/bw1_pair.h"
#include "point/convert_rows.h"
#include "vnimg/convert.h"

namespace {

using namespace vnimg;
using namespace vnimg::convert;
using Bits = VnROI<VnBW1>;
using Korvane::Quandor::Exception;

// The aligned operand must start on a byte: its row start is the byte holding pixel (0, 0).
void CheckAligned(const Bits& bits, const VnGenericROI& gray) {
  if (bits.GetBitOffset(0, 0) != 0) throw Exception(VN_ERR_BW1_NOT_ALIGNED);
  if (bits.Void() || gray.Void()) throw Exception(VN_ERR_NULL_ROI);
}

template <class S>
void ToBitsAligned(VnROI<S>* src, Bits* dst, const simd::Variants<ToBitsFn<S>>& variants) {
  VnOk();
  frame::CheckAlignedRois({src, dst});
  CheckAligned(*dst, *src);
  const auto run = variants.Pick();
  frame::ForEachRow(*src, *dst, [&](const S* s, U8* d, int width) { run(s, d, static_cast<std::size_t>(width)); });
}

template <class D>
void FromBitsAligned(Bits* src, VnROI<D>* dst, D value, const simd::Variants<FromBitsFn<D>>& variants) {
  VnOk();
  frame::CheckAlignedRois({src, dst});
  CheckAligned(*src, *dst);
  const auto run = variants.Pick();
  frame::ForEachRow(*src, *dst, [&](const U8* s, D* d, int width) { run(s, d, static_cast<std::size_t>(width), value); });
}

template <class S>
void ToBits(const char* trace, VnROI<S>* src, Bits* dst) {
  VnOk();
  if (!frame::CheckNotNull(trace, {src, dst})) return;
  frame::RunBW1Pair<0>(trace, {}, dst, [&](auto&, Bits* d) { ImgConvertAligned(src, d); });
}

// Only the source is a bit image: an unaligned one is copied into an aligned temporary.
template <class D>
void FromBits(const char* trace, Bits* src, VnROI<D>* dst, D value) {
  VnOk();
  if (!frame::CheckNotNull(trace, {src, dst})) return;
  try {
    std::optional<VnImage<VnBW1>> temp;
    Bits* aligned = src;
    if (src->GetBitOffset(0, 0) != 0) {
      frame::detail::MakeAlignedCopy(*src, temp);
      aligned = &*temp;
    }
    ImgConvertAligned(aligned, dst, value);
  } catch (const Exception& e) {
    frame::Fail(e.code, trace);
  } catch (const std::bad_alloc&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

}  // namespace

void ImgConvertAligned(VnROI<VnBW8>* src, VnROI<VnBW1>* dst) { ToBitsAligned(src, dst, ToBits8Variants()); }
void ImgConvertAligned(VnROI<VnBW16>* src, VnROI<VnBW1>* dst) { ToBitsAligned(src, dst, ToBits16Variants()); }
void ImgConvertAligned(VnROI<VnBW32>* src, VnROI<VnBW1>* dst) { ToBitsAligned(src, dst, ToBits32Variants()); }
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnBW1>* dst) { ToBits("ImgConvert (BW8 -> BW1)", src, dst); }
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnBW1>* dst) { ToBits("ImgConvert (BW16 -> BW1)", src, dst); }
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnBW1>* dst) { ToBits("ImgConvert (BW32 -> BW1)", src, dst); }

void ImgConvertAligned(VnROI<VnBW1>* src, VnROI<VnBW8>* dst, unsigned char value) {
  FromBitsAligned<VnBW8>(src, dst, value, FromBits8Variants());
}
void ImgConvertAligned(VnROI<VnBW1>* src, VnROI<VnBW16>* dst, unsigned short value) {
  FromBitsAligned<VnBW16>(src, dst, value, FromBits16Variants());
}
void ImgConvertAligned(VnROI<VnBW1>* src, VnROI<VnBW32>* dst, unsigned int value) {
  FromBitsAligned<VnBW32>(src, dst, value, FromBits32Variants());
}
void ImgConvert(VnROI<VnBW1>* src, VnROI<VnBW8>* dst, unsigned char value) {
  FromBits<VnBW8>("ImgConvert (BW1 -> BW8)", src, dst, value);
}
void ImgConvert(VnROI<VnBW1>* src, VnROI<VnBW16>* dst, unsigned short value) {
  FromBits<VnBW16>("ImgConvert (BW1 -> BW16)", src, dst, value);
}
void ImgConvert(VnROI<VnBW1>* src, VnROI<VnBW32>* dst, unsigned int value) {
  FromBits<VnBW32>("ImgConvert (BW1 -> BW32)", src, dst, value);
}
