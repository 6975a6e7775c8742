#include <immintrin.h>

#include "foundation/alignment_kernels.h"

namespace vnimg::bw1 {

void FunnelShiftAvx2(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s) {
  // Byte shifts from 16-bit shifts: the bits that cross into a neighbouring byte are masked off.
  const __m256i hiMask = _mm256_set1_epi8(static_cast<char>(0xFF << s));
  const __m256i loMask = _mm256_set1_epi8(static_cast<char>(0xFF >> (8 - s)));
  const __m128i hiShift = _mm_cvtsi32_si128(s);
  const __m128i loShift = _mm_cvtsi32_si128(8 - s);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i h = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hi + i));
    const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + i));
    const __m256i shifted = _mm256_or_si256(_mm256_and_si256(_mm256_sll_epi16(h, hiShift), hiMask),
                                            _mm256_and_si256(_mm256_srl_epi16(l, loShift), loMask));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), shifted);
  }
  for (; i < n; ++i) out[i] = FunnelShiftByte(hi[i], lo[i], s);
}

}  // namespace vnimg::bw1
