#include <immintrin.h>

#include "point/convert_kernels.h"
#include "point/convert_rows.h"

namespace vnimg::convert {

void GrayToC24Avx512(const U8* s, U8* d, std::size_t n) {
  // Output byte j of a 64-pixel step is pixel j / 3: three byte permutes of one load (the
  // all-ones masked form, which GCC does not warn about).
  alignas(64) U8 index[3][64];
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 64; ++j) index[k][j] = static_cast<U8>((64 * k + j) / 3);
  const __m512i first = _mm512_load_si512(index[0]), middle = _mm512_load_si512(index[1]), last = _mm512_load_si512(index[2]);
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const __m512i gray = _mm512_loadu_si512(s + i);
    U8* out = d + 3 * i;
    _mm512_storeu_si512(out, _mm512_maskz_permutexvar_epi8(~__mmask64{0}, first, gray));
    _mm512_storeu_si512(out + 64, _mm512_maskz_permutexvar_epi8(~__mmask64{0}, middle, gray));
    _mm512_storeu_si512(out + 128, _mm512_maskz_permutexvar_epi8(~__mmask64{0}, last, gray));
  }
  for (; i < n; ++i) SpreadGray(s[i], d + 3 * i);
}

}  // namespace vnimg::convert
