// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "point/gain_offset_rows.h"
#include "point/lut_frame.h"

namespace vnimg::lut {

// Sixteen pixels per 32-bit lane group, clamped to 0..255 as signed values (the table's test).
void GainOffsetRowAvx512(const std::uint8_t* s, std::uint8_t* d, std::size_t n, std::int32_t gain, std::int32_t offset) {
  const __m512i g = _mm512_set1_epi32(gain), o = _mm512_set1_epi32(offset);
  const __m512i zero = _mm512_setzero_si512(), max = _mm512_set1_epi32(255);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i x = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
    const __m512i v = _mm512_add_epi32(_mm512_srli_epi32(_mm512_mullo_epi32(x, g), 5), o);
    const __m512i clamped = _mm512_min_epi32(_mm512_max_epi32(v, zero), max);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm512_cvtepi32_epi8(clamped));
  }
  for (; i < n; ++i) d[i] = GainOffsetByte(s[i], gain, offset);
}

}  // namespace vnimg::lut
