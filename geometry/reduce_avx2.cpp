#include <immintrin.h>

#include "geometry/reduce_kernels.h"

namespace vnimg::geometry {

void AccumulateRowAvx2(const VnBW8* src, std::uint32_t* sums, int n) {
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    auto* low = reinterpret_cast<__m256i*>(sums + x);
    auto* high = reinterpret_cast<__m256i*>(sums + x + 8);
    _mm256_storeu_si256(low, _mm256_add_epi32(_mm256_loadu_si256(low), _mm256_cvtepu8_epi32(bytes)));
    _mm256_storeu_si256(high, _mm256_add_epi32(_mm256_loadu_si256(high), _mm256_cvtepu8_epi32(_mm_srli_si128(bytes, 8))));
  }
  for (; x < n; ++x) sums[x] += src[x];
}

void HalveRowAvx2(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n) {
  const __m256i ones = _mm256_set1_epi8(1);
  int x = 0;
  for (; x + 32 <= n; x += 32) {
    __m256i half[2];
    for (int h = 0; h < 2; ++h) {
      const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + 2 * x + 32 * h));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + 2 * x + 32 * h));
      // Horizontal pairs summed to 16 bits, then the two rows: each lane one 2 x 2 block.
      const __m256i sum = _mm256_add_epi16(_mm256_maddubs_epi16(t, ones), _mm256_maddubs_epi16(b, ones));
      half[h] = _mm256_srli_epi16(sum, 2);
    }
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(half[0], half[1]), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), packed);
  }
  for (; x < n; ++x) dst[x] = HalveQuad(top, bottom, x);
}

}  // namespace vnimg::geometry
