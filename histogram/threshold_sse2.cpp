#include <emmintrin.h>

#include "histogram/threshold_kernels.h"

namespace vnimg::threshold {
namespace {

__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
__m128i Splat8(unsigned v) { return _mm_set1_epi8(static_cast<char>(v)); }
__m128i Splat16(unsigned v) { return _mm_set1_epi16(static_cast<short>(v)); }

// a where mask is clear, b where it is set.
__m128i Select(__m128i mask, __m128i a, __m128i b) { return _mm_xor_si128(a, _mm_and_si128(mask, _mm_xor_si128(a, b))); }

// Bytes >= t (unsigned).
__m128i AtLeast8(__m128i v, __m128i t) { return _mm_cmpeq_epi8(_mm_max_epu8(v, t), v); }
// Bytes > t (unsigned).
__m128i Above8(__m128i v, __m128i t) { return _mm_andnot_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, t), t), _mm_set1_epi8(-1)); }
// Words >= t (unsigned): t - v saturates to 0.
__m128i AtLeast16(__m128i v, __m128i t) { return _mm_cmpeq_epi16(_mm_subs_epu16(t, v), _mm_setzero_si128()); }
// Words > t (unsigned).
__m128i Above16(__m128i v, __m128i t) {
  return _mm_andnot_si128(_mm_cmpeq_epi16(_mm_subs_epu16(v, t), _mm_setzero_si128()), _mm_set1_epi16(-1));
}

// Mask bytes of 16 pixels in order -> their bits, pixel 0 in bit 7 of the first byte. Each
// group of 8 bytes is reversed so that movemask puts its first pixel in the top bit.
void StoreBits(std::uint8_t* d, __m128i mask) {
  __m128i r = _mm_shufflehi_epi16(_mm_shufflelo_epi16(mask, 0x1B), 0x1B);
  r = _mm_or_si128(_mm_slli_epi16(r, 8), _mm_srli_epi16(r, 8));
  const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(r));
  d[0] = static_cast<std::uint8_t>(bits);
  d[1] = static_cast<std::uint8_t>(bits >> 8);
}

}  // namespace

void Gray8Sse2(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high) {
  if (threshold > 255) {  // every pixel is below it
    threshold = 0;
    high = low;
  }
  const __m128i t = Splat8(threshold), lo = Splat8(low), hi = Splat8(high);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m128i a = Load(s + x), b = Load(s + x + 16);
    Store(d + x, Select(AtLeast8(a, t), lo, hi));
    Store(d + x + 16, Select(AtLeast8(b, t), lo, hi));
  }
  for (; x + 16 <= width; x += 16) Store(d + x, Select(AtLeast8(Load(s + x), t), lo, hi));
  for (; x < width; ++x) d[x] = GrayPixel(s[x], threshold, low, high);
}

void Gray16Sse2(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high) {
  if (threshold > 65535) {
    threshold = 0;
    high = low;
  }
  const __m128i t = Splat16(threshold), lo = Splat16(low), hi = Splat16(high);
  int x = 0;
  for (; x + 8 <= width; x += 8) Store(d + x, Select(AtLeast16(Load(s + x), t), lo, hi));
  for (; x < width; ++x) d[x] = GrayPixel(s[x], threshold, low, high);
}

void Double8Sse2(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW8 low,
                 VnBW8 middle, VnBW8 high) {
  if (lowThreshold > 255) {  // no pixel reaches the middle band
    lowThreshold = 0;
    middle = low;
  }
  const __m128i lt = Splat8(lowThreshold), ht = Splat8(highThreshold > 255 ? 255 : highThreshold);
  const __m128i lo = Splat8(low), mid = Splat8(middle), hi = Splat8(high);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i v = Load(s + x);
    Store(d + x, Select(Above8(v, ht), Select(AtLeast8(v, lt), lo, mid), hi));
  }
  for (; x < width; ++x) d[x] = DoublePixel(s[x], lowThreshold, highThreshold, low, middle, high);
}

void Double16Sse2(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW16 low,
                  VnBW16 middle, VnBW16 high) {
  if (lowThreshold > 65535) {
    lowThreshold = 0;
    middle = low;
  }
  const __m128i lt = Splat16(lowThreshold), ht = Splat16(highThreshold > 65535 ? 65535 : highThreshold);
  const __m128i lo = Splat16(low), mid = Splat16(middle), hi = Splat16(high);
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m128i v = Load(s + x);
    Store(d + x, Select(Above16(v, ht), Select(AtLeast16(v, lt), lo, mid), hi));
  }
  for (; x < width; ++x) d[x] = DoublePixel(s[x], lowThreshold, highThreshold, low, middle, high);
}

void BoxSse2(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside) {
  // 16 pixels are 48 bytes, three registers; byte j of register k holds component (16k + j) % 3.
  alignas(16) std::uint8_t minBytes[48], maxBytes[48];
  for (int j = 0; j < 48; ++j) {
    const int c = j % 3;
    minBytes[j] = c == 0 ? min.c0 : c == 1 ? min.c1 : min.c2;
    maxBytes[j] = c == 0 ? max.c0 : c == 1 ? max.c1 : max.c2;
  }
  __m128i lower[3], upper[3];
  for (int k = 0; k < 3; ++k) {
    lower[k] = Load(minBytes + 16 * k);
    upper[k] = Load(maxBytes + 16 * k);
  }
  const __m128i out = Splat8(outside), in = Splat8(inside);
  const __m128i bitOfByte = _mm_set1_epi64x(static_cast<long long>(0x8040201008040201ull));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(s);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    std::uint64_t componentIn = 0;
    for (int k = 0; k < 3; ++k) {
      const __m128i v = Load(bytes + 3 * x + 16 * k);
      const __m128i beyond = _mm_or_si128(_mm_subs_epu8(lower[k], v), _mm_subs_epu8(v, upper[k]));
      const auto m = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(beyond, _mm_setzero_si128())));
      componentIn |= std::uint64_t{m} << (16 * k);
    }
    const std::uint64_t pixelIn = componentIn & (componentIn >> 1) & (componentIn >> 2);
    unsigned mask = 0;
    for (int i = 0; i < 16; ++i) mask |= static_cast<unsigned>((pixelIn >> (3 * i)) & 1u) << i;
    // Pixel i's mask bit spread over byte i.
    const __m128i spread = _mm_set_epi64x(static_cast<long long>(((mask >> 8) & 0xFFu) * 0x0101010101010101ull),
                                          static_cast<long long>((mask & 0xFFu) * 0x0101010101010101ull));
    const __m128i insideMask = _mm_cmpeq_epi8(_mm_and_si128(spread, bitOfByte), bitOfByte);
    Store(d + x, Select(insideMask, out, in));
  }
  for (; x < width; ++x) d[x] = BoxPixel(s[x], min, max, outside, inside);
}

void Bits8Sse2(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold) {
  const __m128i enable = threshold > 255 ? _mm_setzero_si128() : _mm_set1_epi8(-1);
  const __m128i t = Splat8(threshold > 255 ? 255 : threshold);
  int x = 0;
  for (; x + 16 <= width; x += 16) StoreBits(d + x / 8, _mm_and_si128(AtLeast8(Load(s + x), t), enable));
  PackBitsTail(s, d, x, width, threshold);
}

void Bits16Sse2(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold) {
  const __m128i enable = threshold > 65535 ? _mm_setzero_si128() : _mm_set1_epi8(-1);
  const __m128i t = Splat16(threshold > 65535 ? 65535 : threshold);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i a = AtLeast16(Load(s + x), t), b = AtLeast16(Load(s + x + 8), t);
    StoreBits(d + x / 8, _mm_and_si128(_mm_packs_epi16(a, b), enable));
  }
  PackBitsTail(s, d, x, width, threshold);
}

}  // namespace vnimg::threshold
