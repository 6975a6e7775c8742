// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "point/convert_kernels.h"
#include "point/convert_rows.h"

namespace vnimg::convert {

void GrayToC24Avx512(const U8* s, U8* d, std::size_t n) {
  // Output byte j of a 64-pixel step is pixel j / 3: three byte permutes of one load.
  alignas(64) U8 index[3][64];
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 64; ++j) index[k][j] = static_cast<U8>((64 * k + j) / 3);
  const __m512i first = _mm512_load_si512(index[0]), middle = _mm512_load_si512(index[1]), last = _mm512_load_si512(index[2]);
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const __m512i gray = _mm512_loadu_si512(s + i);
    U8* out = d + 3 * i;
    _mm512_storeu_si512(out, _mm512_permutexvar_epi8(first, gray));
    _mm512_storeu_si512(out + 64, _mm512_permutexvar_epi8(middle, gray));
    _mm512_storeu_si512(out + 128, _mm512_permutexvar_epi8(last, gray));
  }
  for (; i < n; ++i) SpreadGray(s[i], d + 3 * i);
}

void Float32To8Avx512(const float* s, U8* d, std::size_t n) {
  // min(255, v) keeps NaN (it converts to INT_MIN, which the max with 0 removes); ties of the
  // nearest-even rounding are moved up; the unsigned narrowing saturates nothing left.
  const __m512 top = _mm512_set1_ps(255.0f), half = _mm512_set1_ps(0.5f);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512 x = _mm512_min_ps(top, _mm512_loadu_ps(s + i));
    const __m512 nearest = _mm512_roundscale_ps(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __mmask16 tie = _mm512_cmp_ps_mask(_mm512_sub_ps(x, nearest), half, _CMP_EQ_OQ);
    const __m512i whole = _mm512_cvttps_epi32(nearest);
    const __m512i rounded = _mm512_max_epi32(_mm512_mask_add_epi32(whole, tie, whole, _mm512_set1_epi32(1)), _mm512_setzero_si512());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm512_cvtusepi32_epi8(rounded));
  }
  for (; i < n; ++i) d[i] = RoundToPixel<U8>(s[i]);
}

}  // namespace vnimg::convert
