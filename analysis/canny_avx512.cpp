// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "analysis/canny_kernels.h"

namespace vnimg::analysis {
namespace {

inline __m512i Load(const void* p) { return _mm512_loadu_si512(p); }

// As the SSE2 form, sixteen gradient vectors at a time (the same exact decisions).
inline void ClassesAndMagnitudes(__m512i g, __m512i& cls, __m512i& magnitude) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i absolute = _mm512_max_epi16(g, _mm512_subs_epi16(zero, g));
  const __m512i across = _mm512_madd_epi16(absolute, _mm512_set1_epi32(static_cast<int>(0xFF870032u)));  // (50, -121)
  const __m512i along = _mm512_madd_epi16(absolute, _mm512_set1_epi32(0x0032FF87));                     // (-121, 50)
  const __mmask16 horizontal = _mm512_cmpgt_epi32_mask(across, zero), vertical = _mm512_cmpgt_epi32_mask(along, zero);
  const __mmask16 signsDiffer = _mm512_cmplt_epi32_mask(_mm512_xor_si512(g, _mm512_slli_epi32(g, 16)), zero);
  const __m512i diagonal = _mm512_mask_mov_epi32(_mm512_set1_epi32(1), signsDiffer, _mm512_set1_epi32(3));
  cls = _mm512_mask_mov_epi32(_mm512_mask_mov_epi32(diagonal, vertical, _mm512_set1_epi32(2)), horizontal, zero);
  const __m512i capped = _mm512_min_epi16(absolute, _mm512_set1_epi16(255));
  const __m512 squares = _mm512_min_ps(_mm512_cvtepi32_ps(_mm512_madd_epi16(capped, capped)), _mm512_set1_ps(65025.0f));
  magnitude = _mm512_cvttps_epi32(_mm512_sqrt_ps(squares));
}

}  // namespace

void DirectionRowAvx512(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m512i c, m;
    ClassesAndMagnitudes(Load(gradient + x), c, m);
    _mm512_storeu_si512(code + x, _mm512_mullo_epi32(c, _mm512_set1_epi32(45)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cls + x), _mm512_cvtepi32_epi8(c));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(magnitude + x), _mm512_cvtepi32_epi8(m));
  }
  for (; x < width; ++x) DirectionMagnitude(gradient[x], code[x], cls[x], magnitude[x]);
}

void SuppressRowAvx512(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width) {
  int x = 0;
  for (; x + 64 <= width; x += 64) {
    const __m512i c = Load(cls + x);
    const __mmask64 is0 = _mm512_cmpeq_epi8_mask(c, _mm512_setzero_si512()), is45 = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8(1));
    const __mmask64 is90 = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8(2));
    const auto pick = [&](__m512i a, __m512i b, __m512i d, __m512i e) {
      return _mm512_mask_blend_epi8(is0, _mm512_mask_blend_epi8(is45, _mm512_mask_blend_epi8(is90, e, d), b), a);
    };
    const __m512i first = pick(Load(at + x - 1), Load(above + x - 1), Load(above + x), Load(above + x + 1));
    const __m512i second = pick(Load(at + x + 1), Load(below + x + 1), Load(below + x), Load(below + x - 1));
    const __m512i m = Load(at + x);
    _mm512_storeu_si512(dst + x, _mm512_maskz_mov_epi8(_mm512_cmpge_epu8_mask(m, _mm512_max_epu8(first, second)), m));
  }
  for (; x < width; ++x) dst[x] = Suppressed(above, at, below, cls[x], x);
}

}  // namespace vnimg::analysis
