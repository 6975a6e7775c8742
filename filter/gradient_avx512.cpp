// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstdint>

#include "filter/gradient_kernels.h"

namespace vnimg::filter {

// Sixteen table reads by gathering the aligned 32-bit word that holds each entry (an aligned
// word never leaves the table's buffer, whose size is a multiple of 64 bytes).
void GradientScalarRowAvx512(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  constexpr __mmask16 kAll = 0xFFFF;  // GCC 12 warns on the undefined inputs of the unmasked forms
  const auto widen = [](const VnBW8* p) { return _mm512_maskz_cvtepu8_epi32(kAll, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); };
  const auto address = reinterpret_cast<std::uintptr_t>(table.centre);
  const auto* words = reinterpret_cast<const int*>(address & ~std::uintptr_t{3});
  const __m512i pitch = _mm512_set1_epi32(static_cast<int>(table.pitch)), misalignment = _mm512_set1_epi32(static_cast<int>(address & 3));
  int x = 0;
  if (table.pitch <= 65535) {
    for (; x + 16 <= width; x += 16) {
      const __m512i gx = _mm512_sub_epi32(widen(lines[1] + x), widen(lines[1] + x + 2));
      const __m512i gy = _mm512_sub_epi32(widen(lines[0] + x + 1), widen(lines[2] + x + 1));
      const __m512i offset = _mm512_add_epi32(_mm512_add_epi32(_mm512_maskz_mullo_epi32(kAll, gy, pitch), gx), misalignment);
      const __m512i word = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), kAll, _mm512_srai_epi32(offset, 2), words, 4);
      const __m512i entry = _mm512_srlv_epi32(word, _mm512_slli_epi32(_mm512_and_si512(offset, _mm512_set1_epi32(3)), 3));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm512_maskz_cvtepi32_epi8(kAll, entry));
    }
  }
  for (; x < width; ++x) dst[x] = Lookup(table, GradientX(lines, x), GradientY(lines, x));
}

}  // namespace vnimg::filter
