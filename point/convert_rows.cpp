#include "point/convert_rows.h"

#include "point/convert_kernels.h"

namespace vnimg::convert {

template <class S, class D>
void ShiftRightPlain(const S* s, D* d, std::size_t n, unsigned shift) {
  for (std::size_t i = 0; i < n; ++i) d[i] = ShiftRightPixel<D>(s[i], shift);
}
template <class S, class D>
void ShiftLeftPlain(const S* s, D* d, std::size_t n, unsigned shift) {
  for (std::size_t i = 0; i < n; ++i) d[i] = ShiftLeftPixel<D>(s[i], shift);
}

void GrayToC24Plain(const U8* s, U8* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) SpreadGray(s[i], d + 3 * i);
}
void C24ToC15Plain(const U8* s, U16* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = PackC15(s[3 * i], s[3 * i + 1], s[3 * i + 2], d[i]);
}
void C24ToC16Plain(const U8* s, U16* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = PackC16(s[3 * i], s[3 * i + 1], s[3 * i + 2]);
}
void GrayToC15Plain(const U8* s, U16* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = PackC15(s[i], s[i], s[i], d[i]);
}
void GrayToC16Plain(const U8* s, U16* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = PackC16(s[i], s[i], s[i]);
}
void C15ToC24Plain(const U16* s, U8* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) UnpackC15(s[i], d + 3 * i);
}
void C16ToC24Plain(const U16* s, U8* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) UnpackC16(s[i], d + 3 * i);
}
void C15ToGrayPlain(const U16* s, U8* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = GrayOfC15(s[i]);
}
void C16ToGrayPlain(const U16* s, U8* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = GrayOfC16(s[i]);
}

template <class F, class D>
void FloatToPixelPlain(const F* s, D* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = RoundToPixel<D>(s[i]);
}

template <class S>
void ToBitsPlain(const S* s, U8* d, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 8) d[i / 8] = BitsOf(s + i, n - i < 8 ? n - i : 8);
}
template <class D>
void FromBitsPlain(const U8* s, D* d, std::size_t n, D value) {
  for (std::size_t i = 0; i < n; i += 8) PixelsOf(s[i / 8], d + i, n - i < 8 ? n - i : 8, value);
}

template void FloatToPixelPlain(const float*, U32*, std::size_t);
template void FloatToPixelPlain(const double*, U32*, std::size_t);

// The tables: Fn is the kernel's type, then its plain loop and each ISA's entry.
#define VNIMG_CONVERT_TABLE(Fn, name, plain, ...)                   \
  const simd::Variants<Fn>& name##Variants() {                                   \
    static constexpr simd::Variants<Fn> kVariants{plain, __VA_ARGS__};          \
    return kVariants;                                                            \
  }
#define VNIMG_SSE2_AVX2(name) VNIMG_X86_VARIANT(name##Sse2), VNIMG_X86_VARIANT(name##Avx2), nullptr
#define VNIMG_AVX2_ONLY(name) nullptr, VNIMG_X86_VARIANT(name##Avx2), nullptr

using Shift16To8 = ShiftFn<U16, U8>;
using Shift32To8 = ShiftFn<U32, U8>;
using Shift32To16 = ShiftFn<U32, U16>;
using Shift8To16 = ShiftFn<U8, U16>;
using Shift8To32 = ShiftFn<U8, U32>;
using Shift16To32 = ShiftFn<U16, U32>;
using Float32To8 = FloatFn<float, U8>;
using Float32To16 = FloatFn<float, U16>;
using Float64To8 = FloatFn<double, U8>;
using Float64To16 = FloatFn<double, U16>;

VNIMG_CONVERT_TABLE(Shift16To8, Shift16To8, (ShiftRightPlain<U16, U8>), VNIMG_SSE2_AVX2(Shift16To8))
VNIMG_CONVERT_TABLE(Shift32To8, Shift32To8, (ShiftRightPlain<U32, U8>), VNIMG_SSE2_AVX2(Shift32To8))
VNIMG_CONVERT_TABLE(Shift32To16, Shift32To16, (ShiftRightPlain<U32, U16>), VNIMG_SSE2_AVX2(Shift32To16))
VNIMG_CONVERT_TABLE(Shift8To16, Shift8To16, (ShiftLeftPlain<U8, U16>), VNIMG_SSE2_AVX2(Shift8To16))
VNIMG_CONVERT_TABLE(Shift8To32, Shift8To32, (ShiftLeftPlain<U8, U32>), VNIMG_SSE2_AVX2(Shift8To32))
VNIMG_CONVERT_TABLE(Shift16To32, Shift16To32, (ShiftLeftPlain<U16, U32>), VNIMG_SSE2_AVX2(Shift16To32))
VNIMG_CONVERT_TABLE(GrayToC24Fn, GrayToC24, GrayToC24Plain, nullptr, VNIMG_X86_VARIANT(GrayToC24Avx2),
                    VNIMG_X86_VARIANT(GrayToC24Avx512))
VNIMG_CONVERT_TABLE(C24ToWordFn, C24ToC15, C24ToC15Plain, VNIMG_AVX2_ONLY(C24ToC15))
VNIMG_CONVERT_TABLE(C24ToWordFn, C24ToC16, C24ToC16Plain, VNIMG_AVX2_ONLY(C24ToC16))
VNIMG_CONVERT_TABLE(GrayToWordFn, GrayToC15, GrayToC15Plain, VNIMG_SSE2_AVX2(GrayToC15))
VNIMG_CONVERT_TABLE(GrayToWordFn, GrayToC16, GrayToC16Plain, VNIMG_SSE2_AVX2(GrayToC16))
VNIMG_CONVERT_TABLE(WordToC24Fn, C15ToC24, C15ToC24Plain, VNIMG_AVX2_ONLY(C15ToC24))
VNIMG_CONVERT_TABLE(WordToC24Fn, C16ToC24, C16ToC24Plain, VNIMG_AVX2_ONLY(C16ToC24))
VNIMG_CONVERT_TABLE(WordToGrayFn, C15ToGray, C15ToGrayPlain, VNIMG_SSE2_AVX2(C15ToGray))
VNIMG_CONVERT_TABLE(WordToGrayFn, C16ToGray, C16ToGrayPlain, VNIMG_SSE2_AVX2(C16ToGray))
VNIMG_CONVERT_TABLE(Float32To8, Float32To8, (FloatToPixelPlain<float, U8>), VNIMG_X86_VARIANT(Float32To8Sse2),
                    VNIMG_X86_VARIANT(Float32To8Avx2), VNIMG_X86_VARIANT(Float32To8Avx512))
VNIMG_CONVERT_TABLE(Float32To16, Float32To16, (FloatToPixelPlain<float, U16>), VNIMG_SSE2_AVX2(Float32To16))
VNIMG_CONVERT_TABLE(Float64To8, Float64To8, (FloatToPixelPlain<double, U8>), VNIMG_SSE2_AVX2(Float64To8))
VNIMG_CONVERT_TABLE(Float64To16, Float64To16, (FloatToPixelPlain<double, U16>), VNIMG_SSE2_AVX2(Float64To16))
VNIMG_CONVERT_TABLE(GrayToC24Fn, GrayToC24Streamed, GrayToC24Plain, nullptr, VNIMG_X86_VARIANT(GrayToC24Avx2),
                    VNIMG_X86_VARIANT(GrayToC24StreamAvx512))
VNIMG_CONVERT_TABLE(Shift16To8, Shift16To8Streamed, (ShiftRightPlain<U16, U8>), VNIMG_X86_VARIANT(Shift16To8Sse2),
                    VNIMG_X86_VARIANT(Shift16To8Avx2), VNIMG_X86_VARIANT(Shift16To8StreamAvx512))
VNIMG_CONVERT_TABLE(Float32To8, Float32To8Streamed, (FloatToPixelPlain<float, U8>), VNIMG_X86_VARIANT(Float32To8Sse2),
                    VNIMG_X86_VARIANT(Float32To8Avx2), VNIMG_X86_VARIANT(Float32To8StreamAvx512))
VNIMG_CONVERT_TABLE(ToBitsFn<U8>, ToBits8, ToBitsPlain<U8>, VNIMG_SSE2_AVX2(ToBits8))
VNIMG_CONVERT_TABLE(ToBitsFn<U16>, ToBits16, ToBitsPlain<U16>, VNIMG_SSE2_AVX2(ToBits16))
VNIMG_CONVERT_TABLE(ToBitsFn<U32>, ToBits32, ToBitsPlain<U32>, VNIMG_SSE2_AVX2(ToBits32))
VNIMG_CONVERT_TABLE(FromBitsFn<U8>, FromBits8, FromBitsPlain<U8>, VNIMG_SSE2_AVX2(FromBits8))
VNIMG_CONVERT_TABLE(FromBitsFn<U16>, FromBits16, FromBitsPlain<U16>, VNIMG_SSE2_AVX2(FromBits16))
VNIMG_CONVERT_TABLE(FromBitsFn<U32>, FromBits32, FromBitsPlain<U32>, VNIMG_SSE2_AVX2(FromBits32))

void FenceStreamedStores() {
#if VNIMG_X86
  FenceStreamsSse2();
#endif
}

}  // namespace vnimg::convert
