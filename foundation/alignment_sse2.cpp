#include <emmintrin.h>

#include "foundation/alignment_kernels.h"

namespace vnimg::bw1 {

void FunnelShiftSse2(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s) {
  // Byte shifts from 16-bit shifts: the bits that cross into a neighbouring byte are masked off.
  const __m128i hiMask = _mm_set1_epi8(static_cast<char>(0xFF << s));
  const __m128i loMask = _mm_set1_epi8(static_cast<char>(0xFF >> (8 - s)));
  const __m128i hiShift = _mm_cvtsi32_si128(s);
  const __m128i loShift = _mm_cvtsi32_si128(8 - s);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi + i));
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lo + i));
    const __m128i shifted = _mm_or_si128(_mm_and_si128(_mm_sll_epi16(h, hiShift), hiMask),
                                         _mm_and_si128(_mm_srl_epi16(l, loShift), loMask));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), shifted);
  }
  for (; i < n; ++i) out[i] = FunnelShiftByte(hi[i], lo[i], s);
}

}  // namespace vnimg::bw1
