#include <immintrin.h>

#include "analysis/canny_kernels.h"

namespace vnimg::analysis {
namespace {

inline __m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }

// As the SSE2 form, eight gradient vectors at a time (the same exact decisions).
inline void ClassesAndMagnitudes(__m256i g, __m256i& cls, __m256i& magnitude) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i absolute = _mm256_max_epi16(g, _mm256_subs_epi16(zero, g));
  const __m256i across = _mm256_madd_epi16(absolute, _mm256_set1_epi32(static_cast<int>(0xFF870032u)));  // (50, -121)
  const __m256i along = _mm256_madd_epi16(absolute, _mm256_set1_epi32(0x0032FF87));                     // (-121, 50)
  const __m256i horizontal = _mm256_cmpgt_epi32(across, zero), vertical = _mm256_cmpgt_epi32(along, zero);
  const __m256i signsDiffer = _mm256_srai_epi32(_mm256_xor_si256(g, _mm256_slli_epi32(g, 16)), 31);
  const __m256i diagonal = _mm256_add_epi32(_mm256_set1_epi32(1), _mm256_and_si256(signsDiffer, _mm256_set1_epi32(2)));
  const __m256i notHorizontal = _mm256_blendv_epi8(diagonal, _mm256_set1_epi32(2), vertical);
  cls = _mm256_andnot_si256(horizontal, notHorizontal);
  const __m256i capped = _mm256_min_epi16(absolute, _mm256_set1_epi16(255));
  const __m256 squares = _mm256_min_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(capped, capped)), _mm256_set1_ps(65025.0f));
  magnitude = _mm256_cvttps_epi32(_mm256_sqrt_ps(squares));
}

// 32 lanes of 32 bits (four vectors in order) as 32 bytes in order.
inline __m256i PackInOrder(const __m256i v[4]) {
  const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(v[0], v[1]), _mm256_packs_epi32(v[2], v[3]));
  return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

}  // namespace

void DirectionRowAvx2(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width) {
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    __m256i c[4], m[4];
    for (int k = 0; k < 4; ++k) {
      ClassesAndMagnitudes(Load(gradient + x + 8 * k), c[k], m[k]);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(code + x + 8 * k), _mm256_madd_epi16(c[k], _mm256_set1_epi32(45)));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cls + x), PackInOrder(c));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(magnitude + x), PackInOrder(m));
  }
  for (; x < width; ++x) DirectionMagnitude(gradient[x], code[x], cls[x], magnitude[x]);
}

void SuppressRowAvx2(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width) {
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i c = Load(cls + x);
    const __m256i is0 = _mm256_cmpeq_epi8(c, _mm256_setzero_si256()), is45 = _mm256_cmpeq_epi8(c, _mm256_set1_epi8(1));
    const __m256i is90 = _mm256_cmpeq_epi8(c, _mm256_set1_epi8(2));
    const auto pick = [&](__m256i a, __m256i b, __m256i d, __m256i e) {
      return _mm256_blendv_epi8(_mm256_blendv_epi8(_mm256_blendv_epi8(e, d, is90), b, is45), a, is0);
    };
    const __m256i first = pick(Load(at + x - 1), Load(above + x - 1), Load(above + x), Load(above + x + 1));
    const __m256i second = pick(Load(at + x + 1), Load(below + x + 1), Load(below + x), Load(below + x - 1));
    const __m256i m = Load(at + x), larger = _mm256_max_epu8(first, second);
    const __m256i keep = _mm256_cmpeq_epi8(_mm256_max_epu8(m, larger), m);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_and_si256(m, keep));
  }
  for (; x < width; ++x) dst[x] = Suppressed(above, at, below, cls[x], x);
}

}  // namespace vnimg::analysis
