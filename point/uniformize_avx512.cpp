// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "point/uniformize_rows.h"

namespace vnimg::lut {
namespace {

__m512i Widen(const std::uint8_t* p) { return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
void StoreClamped(std::uint8_t* p, __m512i v) {
  const __m512i clamped = _mm512_min_epi32(_mm512_max_epi32(v, _mm512_setzero_si512()), _mm512_set1_epi32(255));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtepi32_epi8(clamped));
}

}  // namespace

void ColumnRowAvx512(const std::uint8_t* s, const std::int32_t* f, const std::int32_t* b, std::uint8_t* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i product = _mm512_mullo_epi32(Widen(s + i), _mm512_loadu_si512(f + i));
    StoreClamped(d + i, _mm512_add_epi32(_mm512_srai_epi32(product, 12), _mm512_loadu_si512(b + i)));
  }
  for (; i < n; ++i) d[i] = ColumnByte(s[i], f[i], b[i]);
}

// As the AVX2 form: the float quotient truncates to the integer one wherever it is below 255.
void RatioRowAvx512(const std::uint8_t* s, const std::uint8_t* r, std::uint8_t* d, std::size_t n, std::uint32_t level) {
  const __m512i l = _mm512_set1_epi32(static_cast<int>(level)), max = _mm512_set1_epi32(255);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i ri = Widen(r + i);
    const __m512 q = _mm512_div_ps(_mm512_cvtepi32_ps(_mm512_mullo_epi32(Widen(s + i), l)), _mm512_cvtepi32_ps(ri));
    const __mmask16 zero = _mm512_cmpeq_epi32_mask(ri, _mm512_setzero_si512());
    StoreClamped(d + i, _mm512_mask_mov_epi32(_mm512_cvttps_epi32(q), zero, max));
  }
  for (; i < n; ++i) d[i] = RatioByte(s[i], r[i], level);
}

}  // namespace vnimg::lut
