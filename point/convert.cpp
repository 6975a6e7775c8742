// ImgConvert between gray depths, gray and colour, the 16-bit colour words, colour with alpha
// and floating point, and ImgConvertTo422.
#include "vnimg/convert.h"

#include <cstdint>
#include <cstring>

#include "foundation/frame.h"
#include "point/convert_rows.h"
#include "vnimg/platform/dsp.h"

namespace {

using namespace vnimg;
using namespace vnimg::convert;

// The row storage a kernel sees: bytes for colour, words for the 16-bit colours.
template <class T>
struct RawType {
  using type = T;
};
template <>
struct RawType<VnC24> {
  using type = U8;
};
template <>
struct RawType<VnC24A> {
  using type = U8;
};
template <>
struct RawType<VnC15> {
  using type = U16;
};
template <>
struct RawType<VnC16> {
  using type = U16;
};
template <class T>
auto* Raw(T* p) {
  return reinterpret_cast<typename RawType<T>::type*>(p);
}
template <class T>
auto* Raw(const T* p) {
  return reinterpret_cast<const typename RawType<T>::type*>(p);
}

// The frame of every two-operand conversion: checks, then row(s, d, width) on each row.
template <class S, class D, class Row>
void Convert(const char* trace, VnROI<S>* src, VnROI<D>* dst, Row row) {
  VnOk();
  if (!frame::CheckRois(trace, {src, dst})) return;
  frame::ForEachRow(*src, *dst, [&](const S* s, D* d, int width) { row(Raw(s), Raw(d), static_cast<std::size_t>(width)); });
}

template <class S, class D, class Fn>
void ConvertWith(const char* trace, VnROI<S>* src, VnROI<D>* dst, const simd::Variants<Fn>& variants) {
  Convert(trace, src, dst, [run = variants.Pick()](auto* s, auto* d, std::size_t n) { run(s, d, n); });
}

template <class S, class D, class Fn>
void ConvertShifted(const char* trace, VnROI<S>* src, VnROI<D>* dst, unsigned shift, const simd::Variants<Fn>& variants) {
  const unsigned count = shift % 32;
  Convert(trace, src, dst, [run = variants.Pick(), count](auto* s, auto* d, std::size_t n) { run(s, d, n, count); });
}

// Source and destination together past this size (about three quarters of a 32 MiB last-level
// cache) do not stay in the cache until the next read, so the largest conversions write
// around it; below it the cached stores measured faster for gray to colour.
constexpr std::uint64_t kCachedFootprint = std::uint64_t{24} << 20;

template <class S, class D>
bool Streams(const VnROI<S>& src) {
  const std::uint64_t pixels = std::uint64_t(src.GetWidth()) * std::uint64_t(src.GetHeight());
  return pixels * (sizeof(S) + sizeof(D)) > kCachedFootprint;
}

// ConvertWith's frame, with the streamed rows for large images.
template <class S, class D, class Fn, class... Shift>
void ConvertLarge(const char* trace, VnROI<S>* src, VnROI<D>* dst, const simd::Variants<Fn>& cached,
                  const simd::Variants<Fn>& streamed, Shift... shift) {
  VnOk();
  if (!frame::CheckRois(trace, {src, dst})) return;
  const bool stream = Streams<S, D>(*src);
  const Fn run = (stream ? streamed : cached).Pick();
  frame::ForEachRow(*src, *dst, [&](const S* s, D* d, int width) { run(Raw(s), Raw(d), static_cast<std::size_t>(width), shift...); });
  if (stream) FenceStreamedStores();
}

template <class I, class F>
void IntegerToFloat(const char* trace, VnROI<I>* src, VnROI<F>* dst) {
  Convert(trace, src, dst, [](const I* s, F* d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<F>(s[i]);
  });
}

}  // namespace

void ImgConvert(VnROI<VnBW16>* src, VnROI<VnBW8>* dst, unsigned int shift) {
  ConvertLarge("ImgConvert ( BW16 to BW8)", src, dst, Shift16To8Variants(), Shift16To8StreamedVariants(), shift % 32);
}
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnBW8>* dst, unsigned int shift) {
  ConvertShifted("ImgConvert ( BW32 to BW8)", src, dst, shift, Shift32To8Variants());
}
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnBW16>* dst, unsigned int shift) {
  ConvertShifted("ImgConvert ( BW32 to BW16)", src, dst, shift, Shift32To16Variants());
}
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnBW16>* dst, unsigned int shift) {
  ConvertShifted("ImgConvert ( BW8 to BW16)", src, dst, shift, Shift8To16Variants());
}
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnBW32>* dst, unsigned int shift) {
  ConvertShifted("ImgConvert ( BW8 to BW32)", src, dst, shift, Shift8To32Variants());
}
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnBW32>* dst, unsigned int shift) {
  ConvertShifted("ImgConvert ( BW16 to BW32)", src, dst, shift, Shift16To32Variants());
}

void ImgConvert(VnROI<VnBW8>* src, VnROI<VnC24>* dst) {
  ConvertLarge("ImgConvert ( BW8 to C24)", src, dst, GrayToC24Variants(), GrayToC24StreamedVariants());
}

void ImgConvert(VnROI<VnC24>* src, VnROI<VnBW8>* dst) {
  VnOk();
  if (!frame::CheckRois("ImgConvert ( C24 to BW8)", {src, dst})) return;
  const int result = KorvaneIDsp_RGBToGray_BW8_C3C1R(Raw(src->GetImagePtr(0, 0)), src->GetRowPitch(), dst->GetImagePtr(0, 0),
                                                     dst->GetRowPitch(), src->GetWidth(), src->GetHeight());
  if (result != 0) throw Korvane::Quandor::Exception(VN_ERR_NOT_IMPLEMENTED);
}

void ImgConvert(VnROI<VnC24>* src, VnROI<VnC15>* dst) { ConvertWith("ImgConvert ( C24 to C15)", src, dst, C24ToC15Variants()); }
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnC15>* dst) { ConvertWith("ImgConvert ( BW8 to C15)", src, dst, GrayToC15Variants()); }
void ImgConvert(VnROI<VnC15>* src, VnROI<VnC24>* dst) { ConvertWith("ImgConvert ( C15 to C24)", src, dst, C15ToC24Variants()); }
void ImgConvert(VnROI<VnC15>* src, VnROI<VnBW8>* dst) { ConvertWith("ImgConvert ( C15 to BW8)", src, dst, C15ToGrayVariants()); }
void ImgConvert(VnROI<VnC24>* src, VnROI<VnC16>* dst) { ConvertWith("ImgConvert ( C24 to C16)", src, dst, C24ToC16Variants()); }
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnC16>* dst) { ConvertWith("ImgConvert ( BW8 to C16)", src, dst, GrayToC16Variants()); }
void ImgConvert(VnROI<VnC16>* src, VnROI<VnC24>* dst) { ConvertWith("ImgConvert ( C16 to C24)", src, dst, C16ToC24Variants()); }
void ImgConvert(VnROI<VnC16>* src, VnROI<VnBW8>* dst) { ConvertWith("ImgConvert ( C16 to BW8)", src, dst, C16ToGrayVariants()); }

void ImgConvert(VnROI<VnC24>* src, VnROI<VnC24A>* dst) {
  Convert("ImgConvert ( C24 to C24A)", src, dst, [](const U8* s, U8* d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) std::memcpy(d + 4 * i, s + 3 * i, 3);
  });
}
void ImgConvert(VnROI<VnC24A>* src, VnROI<VnC24>* dst) {
  Convert("ImgConvert ( C24A to C24)", src, dst, [](const U8* s, U8* d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) std::memcpy(d + 3 * i, s + 4 * i, 3);
  });
}

void ImgConvert(VnROI<VnC24>* colour, VnROI<VnBW8>* alpha, VnROI<VnC24A>* dst) {
  VnOk();
  if (!frame::CheckRois("ImgConvert ( C24 to C24A with Alpha)", {colour, alpha, dst})) return;
  frame::ForEachRow(*colour, *alpha, *dst, [](const VnC24* c, const VnBW8* a, VnC24A* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = {c[x].c0, c[x].c1, c[x].c2, a[x]};
  });
}
void ImgConvert(VnROI<VnC24A>* src, VnROI<VnC24>* colour, VnROI<VnBW8>* alpha) {
  VnOk();
  if (!frame::CheckRois("ImgConvert ( C24A to C24 with Alpha)", {src, colour, alpha})) return;
  frame::ForEachRow(*src, *colour, *alpha, [](const VnC24A* s, VnC24* c, VnBW8* a, int width) {
    for (int x = 0; x < width; ++x) c[x] = {s[x].c0, s[x].c1, s[x].c2}, a[x] = s[x].c3;
  });
}

void ImgConvert(VnROI<VnFLOAT32>* src, VnROI<VnBW8>* dst) {
  ConvertLarge("ImgConvert (VnROIFLOAT32 to VnROIBW8)", src, dst, Float32To8Variants(), Float32To8StreamedVariants());
}
void ImgConvert(VnROI<VnFLOAT32>* src, VnROI<VnBW16>* dst) {
  ConvertWith("ImgConvert (VnROIFLOAT32 to VnROIBW16)", src, dst, Float32To16Variants());
}
void ImgConvert(VnROI<VnFLOAT32>* src, VnROI<VnBW32>* dst) {
  Convert("ImgConvert (VnROIFLOAT32 to VnROIBW32)", src, dst, FloatToPixelPlain<float, U32>);
}
void ImgConvert(VnROI<VnFLOAT64>* src, VnROI<VnBW8>* dst) {
  ConvertWith("ImgConvert (VnROIFLOAT64 to VnROIBW8)", src, dst, Float64To8Variants());
}
void ImgConvert(VnROI<VnFLOAT64>* src, VnROI<VnBW16>* dst) {
  ConvertWith("ImgConvert (VnROIFLOAT64 to VnROIBW16)", src, dst, Float64To16Variants());
}
void ImgConvert(VnROI<VnFLOAT64>* src, VnROI<VnBW32>* dst) {
  Convert("ImgConvert (VnROIFLOAT64 to VnROIBW32)", src, dst, FloatToPixelPlain<double, U32>);
}

void ImgConvert(VnROI<VnBW8>* src, VnROI<VnFLOAT32>* dst) { IntegerToFloat("ImgConvert (VnROIBW8 to VnROIFLOAT32)", src, dst); }
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnFLOAT32>* dst) { IntegerToFloat("ImgConvert (VnROIBW16 to VnROIFLOAT32)", src, dst); }
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnFLOAT32>* dst) { IntegerToFloat("ImgConvert (VnROIBW32 to VnROIFLOAT32)", src, dst); }
void ImgConvert(VnROI<VnBW8>* src, VnROI<VnFLOAT64>* dst) { IntegerToFloat("ImgConvert (VnROIBW8 to VnROIFLOAT64)", src, dst); }
void ImgConvert(VnROI<VnBW16>* src, VnROI<VnFLOAT64>* dst) { IntegerToFloat("ImgConvert (VnROIBW16 to VnROIFLOAT64)", src, dst); }
void ImgConvert(VnROI<VnBW32>* src, VnROI<VnFLOAT64>* dst) { IntegerToFloat("ImgConvert (VnROIBW32 to VnROIFLOAT64)", src, dst); }

void ImgConvertTo422(VnROI<VnBW8>* src, VnROI<VnBW16>* dst) {
  Convert("ImgConvertTo422 ( BW8 to BW16)", src, dst, [](const U8* s, U16* d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<U16>(0x8000 | s[i]);
  });
}
