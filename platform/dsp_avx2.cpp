#include <immintrin.h>

#include "platform/dsp_kernels.h"

namespace vnimg::dsp {
namespace {

__m128i Load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// Gray of pixels p[0..7] in 32-bit lanes: (c0, c1) and (c2, 0) as 16-bit pairs, each pair
// weighted by one madd. Lane 0 holds pixels 0..3, lane 1 pixels 4..7 (loaded from byte 8).
__m256i GrayLanes(const std::uint8_t* p) {
  const __m256i x = _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(p)), Load128(p + 8), 1);
  const __m256i c0c1 = _mm256_shuffle_epi8(x, _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1,  //
                                                               4, -1, 5, -1, 7, -1, 8, -1, 10, -1, 11, -1, 13, -1, 14, -1));
  const __m256i c2 = _mm256_shuffle_epi8(x, _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1,  //
                                                             6, -1, -1, -1, 9, -1, -1, -1, 12, -1, -1, -1, 15, -1, -1, -1));
  const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(c0c1, _mm256_set1_epi32(150 << 16 | 29)),
                                       _mm256_madd_epi16(c2, _mm256_set1_epi32(77)));
  return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(128)), 8);
}

__m256i InOrder(__m256i packed) { return _mm256_permute4x64_epi64(packed, 0xD8); }

}  // namespace

void GrayRowAvx2(const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const std::uint8_t* p = s + 3 * i;
    const __m256i low = InOrder(_mm256_packus_epi32(GrayLanes(p), GrayLanes(p + 24)));
    const __m256i high = InOrder(_mm256_packus_epi32(GrayLanes(p + 48), GrayLanes(p + 72)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), InOrder(_mm256_packus_epi16(low, high)));
  }
  for (; i < n; ++i) d[i] = GrayOf(s + 3 * i);
}

}  // namespace vnimg::dsp
