// Row kernels of the thresholding operations: the plain loops (the reference), their vector
// variants and the per-pixel rules both share.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::threshold {

// Every kernel compares with the full unsigned threshold: a threshold above the pixel range
// puts every pixel below it.

// d[x] = s[x] >= threshold ? high : low
using Gray8Fn = void (*)(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high);
using Gray16Fn = void (*)(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high);

// d[x] = s[x] > highThreshold ? high : s[x] >= lowThreshold ? middle : low
using Double8Fn = void (*)(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold,
                           VnBW8 low, VnBW8 middle, VnBW8 high);
using Double16Fn = void (*)(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold,
                            VnBW16 low, VnBW16 middle, VnBW16 high);

// d[x] = min <= s[x] <= max in each component ? inside : outside
using BoxFn = void (*)(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside);

// Bit x of the byte-aligned row d (bit 7 of d[0] first) = s[x] >= threshold; the bits of the
// last byte beyond the width keep their value.
using Bits8Fn = void (*)(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold);
using Bits16Fn = void (*)(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold);

template <class T>
static inline T GrayPixel(T p, unsigned threshold, T low, T high) {
  return p >= threshold ? high : low;
}

template <class T>
static inline T DoublePixel(T p, unsigned lowThreshold, unsigned highThreshold, T low, T middle, T high) {
  if (p > highThreshold) return high;
  return p >= lowThreshold ? middle : low;
}

static inline bool InBox(VnC24 p, VnC24 min, VnC24 max) {
  return min.c0 <= p.c0 && p.c0 <= max.c0 && min.c1 <= p.c1 && p.c1 <= max.c1 && min.c2 <= p.c2 && p.c2 <= max.c2;
}

static inline VnBW8 BoxPixel(VnC24 p, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside) {
  return InBox(p, min, max) ? inside : outside;
}

// One byte from n (1..8) pixels, the first in bit 7; bits of `old` below the n pixels are kept.
template <class T>
static inline std::uint8_t PackBits(const T* s, int n, unsigned threshold, std::uint8_t old) {
  unsigned bits = 0;
  for (int i = 0; i < n; ++i) bits |= (s[i] >= threshold ? 0x80u : 0u) >> i;
  const unsigned keep = 0xFFu >> n;
  return static_cast<std::uint8_t>(bits | (old & keep));
}

// The bytes of x in [first, width) for a kernel that has packed the pixels before `first`
// (a multiple of 8).
template <class T>
static inline void PackBitsTail(const T* s, std::uint8_t* d, int first, int width, unsigned threshold) {
  for (int x = first; x < width; x += 8) {
    const int n = width - x < 8 ? width - x : 8;
    d[x / 8] = PackBits(s + x, n, threshold, d[x / 8]);
  }
}

void Gray8Plain(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high);
void Gray16Plain(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high);
void Double8Plain(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW8 low,
                  VnBW8 middle, VnBW8 high);
void Double16Plain(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW16 low,
                   VnBW16 middle, VnBW16 high);
void BoxPlain(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside);
void Bits8Plain(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold);
void Bits16Plain(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold);

#if VNIMG_X86
void Gray8Sse2(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high);
void Gray8Avx2(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high);
void Gray16Sse2(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high);
void Gray16Avx2(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high);
void Double8Sse2(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW8 low,
                 VnBW8 middle, VnBW8 high);
void Double8Avx2(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW8 low,
                 VnBW8 middle, VnBW8 high);
void Double16Sse2(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW16 low,
                  VnBW16 middle, VnBW16 high);
void Double16Avx2(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW16 low,
                  VnBW16 middle, VnBW16 high);
void BoxSse2(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside);
void BoxAvx2(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside);
void Bits8Sse2(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold);
void Bits8Avx2(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold);
void Bits16Sse2(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold);
void Bits16Avx2(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold);
#endif

const simd::Variants<Gray8Fn>& Gray8Variants();
const simd::Variants<Gray16Fn>& Gray16Variants();
const simd::Variants<Double8Fn>& Double8Variants();
const simd::Variants<Double16Fn>& Double16Variants();
const simd::Variants<BoxFn>& BoxVariants();
const simd::Variants<Bits8Fn>& Bits8Variants();
const simd::Variants<Bits16Fn>& Bits16Variants();

}  // namespace vnimg::threshold
