#include <immintrin.h>

#include <cstring>

#include "histogram/threshold_kernels.h"

namespace vnimg::threshold {
namespace {

__m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
__m256i Splat8(unsigned v) { return _mm256_set1_epi8(static_cast<char>(v)); }
__m256i Splat16(unsigned v) { return _mm256_set1_epi16(static_cast<short>(v)); }
__m256i Ones() { return _mm256_set1_epi8(-1); }

// a where mask is clear, b where it is set.
__m256i Select(__m256i mask, __m256i a, __m256i b) { return _mm256_blendv_epi8(a, b, mask); }

__m256i AtLeast8(__m256i v, __m256i t) { return _mm256_cmpeq_epi8(_mm256_max_epu8(v, t), v); }
__m256i Above8(__m256i v, __m256i t) { return _mm256_andnot_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, t), t), Ones()); }
__m256i AtLeast16(__m256i v, __m256i t) { return _mm256_cmpeq_epi16(_mm256_max_epu16(v, t), v); }
__m256i Above16(__m256i v, __m256i t) {
  return _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_max_epu16(v, t), t), Ones());
}

// Mask bytes of 32 pixels in order -> their bits, pixel 0 in bit 7 of the first byte. Each
// group of 8 bytes is reversed so that movemask puts its first pixel in the top bit.
void StoreBits(std::uint8_t* d, __m256i mask) {
  const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,  //
                                           7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  const auto bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_shuffle_epi8(mask, reverse)));
  std::memcpy(d, &bits, sizeof bits);  // little-endian: the first 8 pixels in the first byte
}

}  // namespace

void Gray8Avx2(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high) {
  if (threshold > 255) {  // every pixel is below it
    threshold = 0;
    high = low;
  }
  const __m256i t = Splat8(threshold), lo = Splat8(low), hi = Splat8(high);
  int x = 0;
  for (; x + 64 <= width; x += 64) {
    const __m256i a = Load(s + x), b = Load(s + x + 32);
    Store(d + x, Select(AtLeast8(a, t), lo, hi));
    Store(d + x + 32, Select(AtLeast8(b, t), lo, hi));
  }
  for (; x + 32 <= width; x += 32) Store(d + x, Select(AtLeast8(Load(s + x), t), lo, hi));
  for (; x < width; ++x) d[x] = GrayPixel(s[x], threshold, low, high);
}

void Gray16Avx2(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high) {
  if (threshold > 65535) {
    threshold = 0;
    high = low;
  }
  const __m256i t = Splat16(threshold), lo = Splat16(low), hi = Splat16(high);
  int x = 0;
  for (; x + 16 <= width; x += 16) Store(d + x, Select(AtLeast16(Load(s + x), t), lo, hi));
  for (; x < width; ++x) d[x] = GrayPixel(s[x], threshold, low, high);
}

void Double8Avx2(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW8 low,
                 VnBW8 middle, VnBW8 high) {
  if (lowThreshold > 255) {  // no pixel reaches the middle band
    lowThreshold = 0;
    middle = low;
  }
  const __m256i lt = Splat8(lowThreshold), ht = Splat8(highThreshold > 255 ? 255 : highThreshold);
  const __m256i lo = Splat8(low), mid = Splat8(middle), hi = Splat8(high);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i v = Load(s + x);
    Store(d + x, Select(Above8(v, ht), Select(AtLeast8(v, lt), lo, mid), hi));
  }
  for (; x < width; ++x) d[x] = DoublePixel(s[x], lowThreshold, highThreshold, low, middle, high);
}

void Double16Avx2(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW16 low,
                  VnBW16 middle, VnBW16 high) {
  if (lowThreshold > 65535) {
    lowThreshold = 0;
    middle = low;
  }
  const __m256i lt = Splat16(lowThreshold), ht = Splat16(highThreshold > 65535 ? 65535 : highThreshold);
  const __m256i lo = Splat16(low), mid = Splat16(middle), hi = Splat16(high);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m256i v = Load(s + x);
    Store(d + x, Select(Above16(v, ht), Select(AtLeast16(v, lt), lo, mid), hi));
  }
  for (; x < width; ++x) d[x] = DoublePixel(s[x], lowThreshold, highThreshold, low, middle, high);
}

void BoxAvx2(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside) {
  // 32 pixels are 96 bytes, three registers; byte j of register k holds component (32k + j) % 3.
  alignas(32) std::uint8_t minBytes[96], maxBytes[96];
  for (int j = 0; j < 96; ++j) {
    const int c = j % 3;
    minBytes[j] = c == 0 ? min.c0 : c == 1 ? min.c1 : min.c2;
    maxBytes[j] = c == 0 ? max.c0 : c == 1 ? max.c1 : max.c2;
  }
  __m256i lower[3], upper[3];
  for (int k = 0; k < 3; ++k) {
    lower[k] = Load(minBytes + 32 * k);
    upper[k] = Load(maxBytes + 32 * k);
  }
  const __m256i out = Splat8(outside), in = Splat8(inside);
  const __m256i bitOfByte = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201ull));
  const __m256i byteOfMask = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1,  //
                                              2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
  constexpr std::uint64_t kEveryThirdBit = 0x249249249249ull;  // bit 3i for i = 0..15
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(s);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    std::uint64_t componentIn[3];
    for (int k = 0; k < 3; ++k) {
      const __m256i v = Load(bytes + 3 * x + 32 * k);
      const __m256i beyond = _mm256_or_si256(_mm256_subs_epu8(lower[k], v), _mm256_subs_epu8(v, upper[k]));
      componentIn[k] = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(beyond, _mm256_setzero_si256())));
    }
    // Bits 0..47 of the 96 component bits hold pixels 0..15, bits 48..95 pixels 16..31.
    const std::uint64_t first = componentIn[0] | (componentIn[1] & 0xFFFFu) << 32;
    const std::uint64_t second = componentIn[1] >> 16 | componentIn[2] << 16;
    const auto pixelsIn = [&](std::uint64_t c) { return _pext_u64(c & (c >> 1) & (c >> 2), kEveryThirdBit); };
    const auto mask = static_cast<std::uint32_t>(pixelsIn(first) | pixelsIn(second) << 16);
    // Pixel i's mask bit spread over byte i.
    const __m256i spread = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(mask)), byteOfMask);
    Store(d + x, Select(_mm256_cmpeq_epi8(_mm256_and_si256(spread, bitOfByte), bitOfByte), out, in));
  }
  for (; x < width; ++x) d[x] = BoxPixel(s[x], min, max, outside, inside);
}

void Bits8Avx2(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold) {
  const __m256i enable = threshold > 255 ? _mm256_setzero_si256() : Ones();
  const __m256i t = Splat8(threshold > 255 ? 255 : threshold);
  int x = 0;
  for (; x + 32 <= width; x += 32) StoreBits(d + x / 8, _mm256_and_si256(AtLeast8(Load(s + x), t), enable));
  PackBitsTail(s, d, x, width, threshold);
}

void Bits16Avx2(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold) {
  const __m256i enable = threshold > 65535 ? _mm256_setzero_si256() : Ones();
  const __m256i t = Splat16(threshold > 65535 ? 65535 : threshold);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i a = AtLeast16(Load(s + x), t), b = AtLeast16(Load(s + x + 16), t);
    // packs works per 128-bit lane: put the four 8-pixel quarters back in pixel order.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8);
    StoreBits(d + x / 8, _mm256_and_si256(packed, enable));
  }
  PackBitsTail(s, d, x, width, threshold);
}

}  // namespace vnimg::threshold
