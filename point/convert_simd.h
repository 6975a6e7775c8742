// The conversion kernels written once over a register type V (SSE2 or AVX2), included by each
// ISA file. V's packs and unpacks keep lanes in memory order. Everything here has internal
// linkage, so each ISA file has its own copy.
#pragma once

#include <immintrin.h>

#include <cstring>

#include "point/convert_kernels.h"
#include "point/convert_rows.h"

namespace vnimg::convert {
namespace {

template <class V>
struct Kernels {
  using R = typename V::R;
  static constexpr std::size_t kBytes = V::kBytes;

  static __m128i Count(unsigned shift) { return _mm_cvtsi32_si128(static_cast<int>(shift)); }

  static void Shift16To8(const U16* s, U8* d, std::size_t n, unsigned shift) {
    const __m128i c = Count(shift);
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes)
      V::Store(d + i, V::PackLow8(V::Srl16(V::Load(s + i), c), V::Srl16(V::Load(s + i + kBytes / 2), c)));
    for (; i < n; ++i) d[i] = ShiftRightPixel<U8>(s[i], shift);
  }
  static void Shift32To16(const U32* s, U16* d, std::size_t n, unsigned shift) {
    const __m128i c = Count(shift);
    constexpr std::size_t k = kBytes / 2;
    std::size_t i = 0;
    for (; i + k <= n; i += k)
      V::Store(d + i, V::PackLow16(V::Srl32(V::Load(s + i), c), V::Srl32(V::Load(s + i + k / 2), c)));
    for (; i < n; ++i) d[i] = ShiftRightPixel<U16>(s[i], shift);
  }
  static void Shift32To8(const U32* s, U8* d, std::size_t n, unsigned shift) {
    const __m128i c = Count(shift);
    constexpr std::size_t q = kBytes / 4;
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      const R lo = V::PackLow16(V::Srl32(V::Load(s + i), c), V::Srl32(V::Load(s + i + q), c));
      const R hi = V::PackLow16(V::Srl32(V::Load(s + i + 2 * q), c), V::Srl32(V::Load(s + i + 3 * q), c));
      V::Store(d + i, V::PackLow8(lo, hi));
    }
    for (; i < n; ++i) d[i] = ShiftRightPixel<U8>(s[i], shift);
  }
  static void Shift8To16(const U8* s, U16* d, std::size_t n, unsigned shift) {
    const __m128i c = Count(shift);
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R lo, hi;
      V::Unpack8(V::Load(s + i), V::Zero(), lo, hi);
      V::Store(d + i, V::Sll16(lo, c));
      V::Store(d + i + kBytes / 2, V::Sll16(hi, c));
    }
    for (; i < n; ++i) d[i] = ShiftLeftPixel<U16>(s[i], shift);
  }
  static void Shift16To32(const U16* s, U32* d, std::size_t n, unsigned shift) {
    const __m128i c = Count(shift);
    constexpr std::size_t k = kBytes / 2;
    std::size_t i = 0;
    for (; i + k <= n; i += k) {
      R lo, hi;
      V::Unpack16(V::Load(s + i), V::Zero(), lo, hi);
      V::Store(d + i, V::Sll32(lo, c));
      V::Store(d + i + k / 2, V::Sll32(hi, c));
    }
    for (; i < n; ++i) d[i] = ShiftLeftPixel<U32>(s[i], shift);
  }
  static void Shift8To32(const U8* s, U32* d, std::size_t n, unsigned shift) {
    const __m128i c = Count(shift);
    constexpr std::size_t q = kBytes / 4;
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R w[2], x[4];
      V::Unpack8(V::Load(s + i), V::Zero(), w[0], w[1]);
      V::Unpack16(w[0], V::Zero(), x[0], x[1]);
      V::Unpack16(w[1], V::Zero(), x[2], x[3]);
      for (std::size_t j = 0; j < 4; ++j) V::Store(d + i + j * q, V::Sll32(x[j], c));
    }
    for (; i < n; ++i) d[i] = ShiftLeftPixel<U32>(s[i], shift);
  }

  // Fields of 16-bit colour words to gray: a division by 3 of at most 748 as a multiply by
  // 21846 / 65536, exact over that range.
  static R DivideBy3(R x) { return V::MulHi16(x, V::Set16(21846)); }
  static R Field(R w, int shift, int bits) { return V::And(V::Srl16(w, Count(static_cast<unsigned>(shift))), V::Set16(static_cast<short>((1 << bits) - 1))); }
  static R C15Gray(R w) {
    return DivideBy3(V::Sll16(V::Add16(V::Add16(Field(w, 0, 5), Field(w, 5, 5)), Field(w, 10, 5)), Count(3)));
  }
  static R C16Gray(R w) {
    const R twice = V::Add16(Field(w, 0, 5), Field(w, 11, 5));
    return DivideBy3(V::Sll16(V::Add16(V::Add16(twice, twice), Field(w, 5, 6)), Count(2)));
  }
  template <R (*Gray)(R), U8 (*Pixel)(U16)>
  static void WordsToGray(const U16* s, U8* d, std::size_t n) {
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) V::Store(d + i, V::PackLow8(Gray(V::Load(s + i)), Gray(V::Load(s + i + kBytes / 2))));
    for (; i < n; ++i) d[i] = Pixel(s[i]);
  }
  static void C15ToGray(const U16* s, U8* d, std::size_t n) { WordsToGray<C15Gray, GrayOfC15>(s, d, n); }
  static void C16ToGray(const U16* s, U8* d, std::size_t n) { WordsToGray<C16Gray, GrayOfC16>(s, d, n); }

  // g as 5-5-5 (bit 15 of the old word kept) or 5-6-5.
  static R C15OfGray(R g, R old) {
    const R f = V::Srl16(g, Count(3));
    return V::Or(V::And(old, V::Set16(static_cast<short>(0x8000))),
                 V::Or(f, V::Or(V::Sll16(f, Count(5)), V::Sll16(f, Count(10)))));
  }
  static R C16OfGray(R g, R) {
    const R f = V::Srl16(g, Count(3));
    return V::Or(f, V::Or(V::Sll16(V::Srl16(g, Count(2)), Count(5)), V::Sll16(f, Count(11))));
  }
  template <R (*Word)(R, R), U16 (*Pixel)(U8, U16)>
  static void GrayToWords(const U8* s, U16* d, std::size_t n) {
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R lo, hi;
      V::Unpack8(V::Load(s + i), V::Zero(), lo, hi);
      V::Store(d + i, Word(lo, V::Load(d + i)));
      V::Store(d + i + kBytes / 2, Word(hi, V::Load(d + i + kBytes / 2)));
    }
    for (; i < n; ++i) d[i] = Pixel(s[i], d[i]);
  }
  static U16 C15Pixel(U8 g, U16 old) { return PackC15(g, g, g, old); }
  static U16 C16Pixel(U8 g, U16) { return PackC16(g, g, g); }
  static void GrayToC15(const U8* s, U16* d, std::size_t n) { GrayToWords<C15OfGray, C15Pixel>(s, d, n); }
  static void GrayToC16(const U8* s, U16* d, std::size_t n) { GrayToWords<C16OfGray, C16Pixel>(s, d, n); }

  // Float to pixels: clamp (NaN falls to 0 through max), truncate, add 1 where the exact
  // fraction is at least one half.
  static R RoundFloats(typename V::F v, typename V::F top) {
    const typename V::F x = V::MinF(V::MaxF(v, V::ZeroF()), top);
    const R whole = V::TruncF(x);
    const R up = V::GeF(V::SubF(x, V::ToF(whole)), V::HalfF());
    return V::Sub32(whole, up);
  }
  static void Float32To8(const float* s, U8* d, std::size_t n) {
    constexpr std::size_t q = kBytes / 4;
    const typename V::F top = V::SetF(255.0f);
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R x[4];
      for (std::size_t j = 0; j < 4; ++j) x[j] = RoundFloats(V::LoadF(s + i + j * q), top);
      V::Store(d + i, V::PackLow8(V::PackLow16(x[0], x[1]), V::PackLow16(x[2], x[3])));
    }
    for (; i < n; ++i) d[i] = RoundToPixel<U8>(s[i]);
  }
  static void Float32To16(const float* s, U16* d, std::size_t n) {
    constexpr std::size_t q = kBytes / 4;
    const typename V::F top = V::SetF(65535.0f);
    std::size_t i = 0;
    for (; i + 2 * q <= n; i += 2 * q)
      V::Store(d + i, V::PackLow16(RoundFloats(V::LoadF(s + i), top), RoundFloats(V::LoadF(s + i + q), top)));
    for (; i < n; ++i) d[i] = RoundToPixel<U16>(s[i]);
  }
  static void Float64To8(const double* s, U8* d, std::size_t n) {
    constexpr std::size_t q = kBytes / 4;
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R x[4];
      for (std::size_t j = 0; j < 4; ++j) x[j] = V::RoundDoubles(s + i + j * q, 255.0);
      V::Store(d + i, V::PackLow8(V::PackLow16(x[0], x[1]), V::PackLow16(x[2], x[3])));
    }
    for (; i < n; ++i) d[i] = RoundToPixel<U8>(s[i]);
  }
  static void Float64To16(const double* s, U16* d, std::size_t n) {
    constexpr std::size_t q = kBytes / 4;
    std::size_t i = 0;
    for (; i + 2 * q <= n; i += 2 * q) V::Store(d + i, V::PackLow16(V::RoundDoubles(s + i, 65535.0), V::RoundDoubles(s + i + q, 65535.0)));
    for (; i < n; ++i) d[i] = RoundToPixel<U16>(s[i]);
  }

  // Gray to bits: 0xFF bytes where a pixel is zero, reversed within each group of 8 so that
  // the movemask puts the first pixel in bit 7; kBytes pixels give kBytes / 8 bytes.
  static void StoreBits(R zeroBytes, U8* d) {
    const auto bits = static_cast<typename V::Mask>(~V::MoveMask8(V::Reverse8(zeroBytes)));
    std::memcpy(d, &bits, sizeof bits);
  }
  static void ToBits8(const U8* s, U8* d, std::size_t n) {
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) StoreBits(V::Eq8(V::Load(s + i), V::Zero()), d + i / 8);
    ToBitsPlainTail(s + i, d + i / 8, n - i);
  }
  static void ToBits16(const U16* s, U8* d, std::size_t n) {
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes)
      StoreBits(V::PackSigned16(V::Eq16(V::Load(s + i), V::Zero()), V::Eq16(V::Load(s + i + kBytes / 2), V::Zero())), d + i / 8);
    ToBitsPlainTail(s + i, d + i / 8, n - i);
  }
  static void ToBits32(const U32* s, U8* d, std::size_t n) {
    constexpr std::size_t q = kBytes / 4;
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R z[4];
      for (std::size_t j = 0; j < 4; ++j) z[j] = V::Eq32(V::Load(s + i + j * q), V::Zero());
      StoreBits(V::PackSigned16(V::PackSigned32(z[0], z[1]), V::PackSigned32(z[2], z[3])), d + i / 8);
    }
    ToBitsPlainTail(s + i, d + i / 8, n - i);
  }
  template <class S>
  static void ToBitsPlainTail(const S* s, U8* d, std::size_t n) {
    for (std::size_t i = 0; i < n; i += 8) d[i / 8] = BitsOf(s + i, n - i < 8 ? n - i : 8);
  }

  // Bits to gray: each source byte spread over 8 bytes, tested against 128, 64 ... 1.
  static R BitBytes(const U8* s) {
    const R spread = V::Spread(s);
    const R bit = V::Set64(0x0102040810204080ll);
    return V::Eq8(V::And(spread, bit), bit);
  }
  static void FromBits8(const U8* s, U8* d, std::size_t n, U8 value) {
    const R v = V::Set8(static_cast<char>(value));
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) V::Store(d + i, V::And(BitBytes(s + i / 8), v));
    FromBitsTail(s + i / 8, d + i, n - i, value);
  }
  static void FromBits16(const U8* s, U16* d, std::size_t n, U16 value) {
    const R v = V::Set16(static_cast<short>(value));
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R lo, hi;
      const R m = BitBytes(s + i / 8);
      V::Unpack8(m, m, lo, hi);
      V::Store(d + i, V::And(lo, v));
      V::Store(d + i + kBytes / 2, V::And(hi, v));
    }
    FromBitsTail(s + i / 8, d + i, n - i, value);
  }
  static void FromBits32(const U8* s, U32* d, std::size_t n, U32 value) {
    constexpr std::size_t q = kBytes / 4;
    const R v = V::Set32(static_cast<int>(value));
    std::size_t i = 0;
    for (; i + kBytes <= n; i += kBytes) {
      R w[2], x[4];
      const R m = BitBytes(s + i / 8);
      V::Unpack8(m, m, w[0], w[1]);
      V::Unpack16(w[0], w[0], x[0], x[1]);
      V::Unpack16(w[1], w[1], x[2], x[3]);
      for (std::size_t j = 0; j < 4; ++j) V::Store(d + i + j * q, V::And(x[j], v));
    }
    FromBitsTail(s + i / 8, d + i, n - i, value);
  }
  template <class D>
  static void FromBitsTail(const U8* s, D* d, std::size_t n, D value) {
    for (std::size_t i = 0; i < n; i += 8) PixelsOf(s[i / 8], d + i, n - i < 8 ? n - i : 8, value);
  }
};

}  // namespace
}  // namespace vnimg::convert

// The ISA file's entry points: Kernels<V>'s members under the names of convert_rows.h.
#define VNIMG_CONVERT_ENTRIES(V, Isa)                                                                                        \
  namespace vnimg::convert {                                                                                               \
  void Shift16To8##Isa(const U16* s, U8* d, std::size_t n, unsigned c) { Kernels<V>::Shift16To8(s, d, n, c); }              \
  void Shift32To8##Isa(const U32* s, U8* d, std::size_t n, unsigned c) { Kernels<V>::Shift32To8(s, d, n, c); }              \
  void Shift32To16##Isa(const U32* s, U16* d, std::size_t n, unsigned c) { Kernels<V>::Shift32To16(s, d, n, c); }           \
  void Shift8To16##Isa(const U8* s, U16* d, std::size_t n, unsigned c) { Kernels<V>::Shift8To16(s, d, n, c); }              \
  void Shift8To32##Isa(const U8* s, U32* d, std::size_t n, unsigned c) { Kernels<V>::Shift8To32(s, d, n, c); }              \
  void Shift16To32##Isa(const U16* s, U32* d, std::size_t n, unsigned c) { Kernels<V>::Shift16To32(s, d, n, c); }           \
  void C15ToGray##Isa(const U16* s, U8* d, std::size_t n) { Kernels<V>::C15ToGray(s, d, n); }                               \
  void C16ToGray##Isa(const U16* s, U8* d, std::size_t n) { Kernels<V>::C16ToGray(s, d, n); }                               \
  void GrayToC15##Isa(const U8* s, U16* d, std::size_t n) { Kernels<V>::GrayToC15(s, d, n); }                               \
  void GrayToC16##Isa(const U8* s, U16* d, std::size_t n) { Kernels<V>::GrayToC16(s, d, n); }                               \
  void Float32To8##Isa(const float* s, U8* d, std::size_t n) { Kernels<V>::Float32To8(s, d, n); }                           \
  void Float32To16##Isa(const float* s, U16* d, std::size_t n) { Kernels<V>::Float32To16(s, d, n); }                        \
  void Float64To8##Isa(const double* s, U8* d, std::size_t n) { Kernels<V>::Float64To8(s, d, n); }                          \
  void Float64To16##Isa(const double* s, U16* d, std::size_t n) { Kernels<V>::Float64To16(s, d, n); }                       \
  void ToBits8##Isa(const U8* s, U8* d, std::size_t n) { Kernels<V>::ToBits8(s, d, n); }                                    \
  void ToBits16##Isa(const U16* s, U8* d, std::size_t n) { Kernels<V>::ToBits16(s, d, n); }                                 \
  void ToBits32##Isa(const U32* s, U8* d, std::size_t n) { Kernels<V>::ToBits32(s, d, n); }                                 \
  void FromBits8##Isa(const U8* s, U8* d, std::size_t n, U8 v) { Kernels<V>::FromBits8(s, d, n, v); }                       \
  void FromBits16##Isa(const U8* s, U16* d, std::size_t n, U16 v) { Kernels<V>::FromBits16(s, d, n, v); }                   \
  void FromBits32##Isa(const U8* s, U32* d, std::size_t n, U32 v) { Kernels<V>::FromBits32(s, d, n, v); }                   \
  }
