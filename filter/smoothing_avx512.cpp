#include <immintrin.h>

#include "filter/smoothing_kernels.h"

namespace vnimg::filter {

// Window sums by differences, sixteen at a time: a prefix sum across the register in four
// lane shifts, the carry from the last lane taking one add a step.
void BoxRowAvx512(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width) {
  constexpr __mmask16 kAll = 0xFFFF;  // GCC 12 warns on the undefined inputs of the unmasked forms
  std::uint32_t first = 0;
  for (int i = 0; i < span; ++i) first += sums[i];
  dst[0] = static_cast<VnBW8>((std::uint64_t{first} * factor) >> 24);
  const __m512i lanes = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const __m512i f = _mm512_set1_epi32(static_cast<int>(factor)), last = _mm512_set1_epi32(15);
  __m512i carry = _mm512_set1_epi32(static_cast<int>(first));
  int x = 1;
  for (; x + 16 <= width; x += 16) {
    __m512i d = _mm512_sub_epi32(_mm512_loadu_si512(sums + x + span - 1), _mm512_loadu_si512(sums + x - 1));
    for (int s = 1; s < 16; s *= 2) {
      const __mmask16 from = static_cast<__mmask16>(kAll << s);
      d = _mm512_add_epi32(d, _mm512_maskz_permutexvar_epi32(from, _mm512_sub_epi32(lanes, _mm512_set1_epi32(s)), d));
    }
    const __m512i w = _mm512_add_epi32(carry, d);
    carry = _mm512_add_epi32(carry, _mm512_maskz_permutexvar_epi32(kAll, last, d));
    const __m512i v = _mm512_maskz_srli_epi32(kAll, _mm512_maskz_mullo_epi32(kAll, w, f), 24);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm512_maskz_cvtepi32_epi8(kAll, v));
  }
  if (x < width) BoxRowPlain(sums + x, span, factor, dst + x, width - x);
}

}  // namespace vnimg::filter
