#include <emmintrin.h>

#include "geometry/reduce_kernels.h"

namespace vnimg::geometry {

void AccumulateRowSse2(const VnBW8* src, std::uint32_t* sums, int n) {
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
    const __m128i words[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                              _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
    for (int w = 0; w < 4; ++w) {
      auto* at = reinterpret_cast<__m128i*>(sums + x + 4 * w);
      _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), words[w]));
    }
  }
  for (; x < n; ++x) sums[x] += src[x];
}

void HalveRowSse2(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * x));
    // Even and odd bytes as 16-bit lanes: each lane sums one 2 x 2 block (at most 1020).
    const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_and_si128(t, lowBytes), _mm_srli_epi16(t, 8)),
                                      _mm_add_epi16(_mm_and_si128(b, lowBytes), _mm_srli_epi16(b, 8)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(_mm_srli_epi16(sum, 2), sum));
  }
  for (; x < n; ++x) dst[x] = HalveQuad(top, bottom, x);
}

}  // namespace vnimg::geometry
