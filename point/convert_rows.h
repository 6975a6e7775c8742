// Row kernels of the conversions: the plain loops (the references) and their vector variants,
// one Variants table per kernel. Each kernel converts n pixels of one row.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::convert {

using U8 = std::uint8_t;
using U16 = std::uint16_t;
using U32 = std::uint32_t;

// d[i] = s[i] >> shift or s[i] << shift, truncated to D; shift is 0..31.
template <class S, class D>
using ShiftFn = void (*)(const S* s, D* d, std::size_t n, unsigned shift);
// Pixels as bytes: gray rows, VnC24 rows (3 bytes a pixel) and 16-bit colour words.
using GrayToC24Fn = void (*)(const U8* s, U8* d, std::size_t n);
using C24ToWordFn = void (*)(const U8* s, U16* d, std::size_t n);  // VnC15 keeps d's bit 15
using GrayToWordFn = void (*)(const U8* s, U16* d, std::size_t n);
using WordToC24Fn = void (*)(const U16* s, U8* d, std::size_t n);
using WordToGrayFn = void (*)(const U16* s, U8* d, std::size_t n);
template <class F, class D>
using FloatFn = void (*)(const F* s, D* d, std::size_t n);
// Gray to bits: ceil(n / 8) bytes, first pixel in bit 7, the bits past n 0.
template <class S>
using ToBitsFn = void (*)(const S* s, U8* d, std::size_t n);
// Bits to gray: value where the bit is 1; reads ceil(n / 8) bytes.
template <class D>
using FromBitsFn = void (*)(const U8* s, D* d, std::size_t n, D value);

const simd::Variants<ShiftFn<U16, U8>>& Shift16To8Variants();
const simd::Variants<ShiftFn<U32, U8>>& Shift32To8Variants();
const simd::Variants<ShiftFn<U32, U16>>& Shift32To16Variants();
const simd::Variants<ShiftFn<U8, U16>>& Shift8To16Variants();
const simd::Variants<ShiftFn<U8, U32>>& Shift8To32Variants();
const simd::Variants<ShiftFn<U16, U32>>& Shift16To32Variants();
const simd::Variants<GrayToC24Fn>& GrayToC24Variants();
const simd::Variants<C24ToWordFn>& C24ToC15Variants();
const simd::Variants<C24ToWordFn>& C24ToC16Variants();
const simd::Variants<GrayToWordFn>& GrayToC15Variants();
const simd::Variants<GrayToWordFn>& GrayToC16Variants();
const simd::Variants<WordToC24Fn>& C15ToC24Variants();
const simd::Variants<WordToC24Fn>& C16ToC24Variants();
const simd::Variants<WordToGrayFn>& C15ToGrayVariants();
const simd::Variants<WordToGrayFn>& C16ToGrayVariants();
const simd::Variants<FloatFn<float, U8>>& Float32To8Variants();
const simd::Variants<FloatFn<float, U16>>& Float32To16Variants();
const simd::Variants<FloatFn<double, U8>>& Float64To8Variants();
const simd::Variants<FloatFn<double, U16>>& Float64To16Variants();
const simd::Variants<ToBitsFn<U8>>& ToBits8Variants();
const simd::Variants<ToBitsFn<U16>>& ToBits16Variants();
const simd::Variants<ToBitsFn<U32>>& ToBits32Variants();
const simd::Variants<FromBitsFn<U8>>& FromBits8Variants();
const simd::Variants<FromBitsFn<U16>>& FromBits16Variants();
const simd::Variants<FromBitsFn<U32>>& FromBits32Variants();

// The same rows written with streamed stores, around the cache, for destinations too large to
// stay in it; FenceStreamedStores() orders those stores before whatever follows the call.
const simd::Variants<GrayToC24Fn>& GrayToC24StreamedVariants();
const simd::Variants<ShiftFn<U16, U8>>& Shift16To8StreamedVariants();
const simd::Variants<FloatFn<float, U8>>& Float32To8StreamedVariants();
void FenceStreamedStores();

// The plain loops.
template <class S, class D>
void ShiftRightPlain(const S* s, D* d, std::size_t n, unsigned shift);
template <class S, class D>
void ShiftLeftPlain(const S* s, D* d, std::size_t n, unsigned shift);
void GrayToC24Plain(const U8* s, U8* d, std::size_t n);
void C24ToC15Plain(const U8* s, U16* d, std::size_t n);
void C24ToC16Plain(const U8* s, U16* d, std::size_t n);
void GrayToC15Plain(const U8* s, U16* d, std::size_t n);
void GrayToC16Plain(const U8* s, U16* d, std::size_t n);
void C15ToC24Plain(const U16* s, U8* d, std::size_t n);
void C16ToC24Plain(const U16* s, U8* d, std::size_t n);
void C15ToGrayPlain(const U16* s, U8* d, std::size_t n);
void C16ToGrayPlain(const U16* s, U8* d, std::size_t n);
template <class F, class D>
void FloatToPixelPlain(const F* s, D* d, std::size_t n);
template <class S>
void ToBitsPlain(const S* s, U8* d, std::size_t n);
template <class D>
void FromBitsPlain(const U8* s, D* d, std::size_t n, D value);

#if VNIMG_X86
#define VNIMG_CONVERT_ISA(Isa)                                                   \
  void Shift16To8##Isa(const U16* s, U8* d, std::size_t n, unsigned shift);      \
  void Shift32To8##Isa(const U32* s, U8* d, std::size_t n, unsigned shift);      \
  void Shift32To16##Isa(const U32* s, U16* d, std::size_t n, unsigned shift);    \
  void Shift8To16##Isa(const U8* s, U16* d, std::size_t n, unsigned shift);      \
  void Shift8To32##Isa(const U8* s, U32* d, std::size_t n, unsigned shift);      \
  void Shift16To32##Isa(const U16* s, U32* d, std::size_t n, unsigned shift);    \
  void C15ToGray##Isa(const U16* s, U8* d, std::size_t n);                       \
  void C16ToGray##Isa(const U16* s, U8* d, std::size_t n);                       \
  void GrayToC15##Isa(const U8* s, U16* d, std::size_t n);                       \
  void GrayToC16##Isa(const U8* s, U16* d, std::size_t n);                       \
  void Float32To8##Isa(const float* s, U8* d, std::size_t n);                    \
  void Float32To16##Isa(const float* s, U16* d, std::size_t n);                  \
  void Float64To8##Isa(const double* s, U8* d, std::size_t n);                   \
  void Float64To16##Isa(const double* s, U16* d, std::size_t n);                 \
  void ToBits8##Isa(const U8* s, U8* d, std::size_t n);                          \
  void ToBits16##Isa(const U16* s, U8* d, std::size_t n);                        \
  void ToBits32##Isa(const U32* s, U8* d, std::size_t n);                        \
  void FromBits8##Isa(const U8* s, U8* d, std::size_t n, U8 value);              \
  void FromBits16##Isa(const U8* s, U16* d, std::size_t n, U16 value);           \
  void FromBits32##Isa(const U8* s, U32* d, std::size_t n, U32 value);
VNIMG_CONVERT_ISA(Sse2)
VNIMG_CONVERT_ISA(Avx2)
#undef VNIMG_CONVERT_ISA
// Byte shuffles (SSSE3 and later): AVX2 only.
void GrayToC24Avx2(const U8* s, U8* d, std::size_t n);
void C24ToC15Avx2(const U8* s, U16* d, std::size_t n);
void C24ToC16Avx2(const U8* s, U16* d, std::size_t n);
void C15ToC24Avx2(const U16* s, U8* d, std::size_t n);
void C16ToC24Avx2(const U16* s, U8* d, std::size_t n);
void FenceStreamsSse2();
void GrayToC24Avx512(const U8* s, U8* d, std::size_t n);
void Float32To8Avx512(const float* s, U8* d, std::size_t n);
void GrayToC24StreamAvx512(const U8* s, U8* d, std::size_t n);
void Shift16To8StreamAvx512(const U16* s, U8* d, std::size_t n, unsigned shift);
void Float32To8StreamAvx512(const float* s, U8* d, std::size_t n);
#endif

}  // namespace vnimg::convert
