#include <immintrin.h>

#include "point/uniformize_rows.h"

namespace vnimg::lut {
namespace {

// Four registers of eight 32-bit results to 32 bytes in order, clamped to 0..255.
__m256i PackClamped(__m256i a, __m256i b, __m256i c, __m256i d) {
  const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
  return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}
__m256i Widen(const std::uint8_t* p) { return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); }

}  // namespace

void ColumnRowAvx2(const std::uint8_t* s, const std::int32_t* f, const std::int32_t* b, std::uint8_t* d, std::size_t n) {
  const auto eight = [&](std::size_t i) {
    const __m256i fi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + i));
    const __m256i bi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    return _mm256_add_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(Widen(s + i), fi), 12), bi);
  };
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), PackClamped(eight(i), eight(i + 8), eight(i + 16), eight(i + 24)));
  for (; i < n; ++i) d[i] = ColumnByte(s[i], f[i], b[i]);
}

// The quotient in float is exact enough: below 255 the true quotient lies at least 1/255
// from the next integer, far beyond float's rounding; from 255 on it clamps anyway.
void RatioRowAvx2(const std::uint8_t* s, const std::uint8_t* r, std::uint8_t* d, std::size_t n, std::uint32_t level) {
  const __m256i l = _mm256_set1_epi32(static_cast<int>(level)), zero = _mm256_setzero_si256(), max = _mm256_set1_epi32(255);
  const auto eight = [&](std::size_t i) {
    const __m256i ri = Widen(r + i);
    const __m256 q = _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_mullo_epi32(Widen(s + i), l)), _mm256_cvtepi32_ps(ri));
    return _mm256_blendv_epi8(_mm256_cvttps_epi32(q), max, _mm256_cmpeq_epi32(ri, zero));
  };
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), PackClamped(eight(i), eight(i + 8), eight(i + 16), eight(i + 24)));
  for (; i < n; ++i) d[i] = RatioByte(s[i], r[i], level);
}

}  // namespace vnimg::lut
