#include <emmintrin.h>

#include "analysis/canny_kernels.h"

namespace vnimg::analysis {
namespace {

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// Direction classes and magnitudes of four gradient vectors (gx low, gy high in each lane), as
// 32-bit lanes. |gx| > 2.42 |gy| is decided as 50 |gx| - 121 |gy| > 0: for integers the two
// differ only where 100 |gx| = 242 |gy|, and there the double product rounds to |gx| itself.
// The absolute values saturate at 32767, which moves no decision (no integer b has
// 32767 <= 2.42 b < 32768) and no magnitude (any component above 255 gives 255).
inline void ClassesAndMagnitudes(__m128i g, __m128i& cls, __m128i& magnitude) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i absolute = _mm_max_epi16(g, _mm_subs_epi16(zero, g));
  const __m128i across = _mm_madd_epi16(absolute, _mm_set1_epi32(static_cast<int>(0xFF870032u)));  // (50, -121)
  const __m128i along = _mm_madd_epi16(absolute, _mm_set1_epi32(0x0032FF87));                     // (-121, 50)
  const __m128i horizontal = _mm_cmpgt_epi32(across, zero), vertical = _mm_cmpgt_epi32(along, zero);
  const __m128i signsDiffer = _mm_srai_epi32(_mm_xor_si128(g, _mm_slli_epi32(g, 16)), 31);
  const __m128i diagonal = _mm_add_epi32(_mm_set1_epi32(1), _mm_and_si128(signsDiffer, _mm_set1_epi32(2)));
  const __m128i notHorizontal = _mm_or_si128(_mm_and_si128(vertical, _mm_set1_epi32(2)), _mm_andnot_si128(vertical, diagonal));
  cls = _mm_andnot_si128(horizontal, notHorizontal);
  const __m128i capped = _mm_min_epi16(absolute, _mm_set1_epi16(255));
  const __m128 squares = _mm_min_ps(_mm_cvtepi32_ps(_mm_madd_epi16(capped, capped)), _mm_set1_ps(65025.0f));
  magnitude = _mm_cvttps_epi32(_mm_sqrt_ps(squares));
}

}  // namespace

void DirectionRowSse2(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i c[4], m[4];
    for (int k = 0; k < 4; ++k) {
      ClassesAndMagnitudes(Load(gradient + x + 4 * k), c[k], m[k]);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(code + x + 4 * k), _mm_madd_epi16(c[k], _mm_set1_epi32(45)));
    }
    const __m128i classes = _mm_packus_epi16(_mm_packs_epi32(c[0], c[1]), _mm_packs_epi32(c[2], c[3]));
    const __m128i magnitudes = _mm_packus_epi16(_mm_packs_epi32(m[0], m[1]), _mm_packs_epi32(m[2], m[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cls + x), classes);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(magnitude + x), magnitudes);
  }
  for (; x < width; ++x) DirectionMagnitude(gradient[x], code[x], cls[x], magnitude[x]);
}

void SuppressRowSse2(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i c = Load(cls + x);
    const __m128i is0 = _mm_cmpeq_epi8(c, _mm_setzero_si128()), is45 = _mm_cmpeq_epi8(c, _mm_set1_epi8(1));
    const __m128i is90 = _mm_cmpeq_epi8(c, _mm_set1_epi8(2)), is135 = _mm_cmpeq_epi8(c, _mm_set1_epi8(3));
    const auto pick = [&](__m128i a, __m128i b, __m128i d, __m128i e) {
      return _mm_or_si128(_mm_or_si128(_mm_and_si128(is0, a), _mm_and_si128(is45, b)),
                          _mm_or_si128(_mm_and_si128(is90, d), _mm_and_si128(is135, e)));
    };
    const __m128i first = pick(Load(at + x - 1), Load(above + x - 1), Load(above + x), Load(above + x + 1));
    const __m128i second = pick(Load(at + x + 1), Load(below + x + 1), Load(below + x), Load(below + x - 1));
    const __m128i m = Load(at + x), larger = _mm_max_epu8(first, second);
    const __m128i keep = _mm_cmpeq_epi8(_mm_max_epu8(m, larger), m);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_and_si128(m, keep));
  }
  for (; x < width; ++x) dst[x] = Suppressed(above, at, below, cls[x], x);
}

}  // namespace vnimg::analysis
