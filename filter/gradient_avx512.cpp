#include <immintrin.h>

#include <cstdint>

#include "filter/gradient_kernels.h"

namespace vnimg::filter {

// The table offsets gy pitch + gx of sixteen pixels in vectors, then one plain read each: the
// reads hit the cache-resident table faster than gathers do.
void GradientScalarRowAvx512(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  constexpr __mmask16 kAll = 0xFFFF;  // GCC 12 warns on the undefined inputs of the unmasked forms
  const auto widen = [](const VnBW8* p) { return _mm512_maskz_cvtepu8_epi32(kAll, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); };
  const __m512i pitch = _mm512_set1_epi32(static_cast<int>(table.pitch));
  alignas(64) std::int32_t offset[16];
  int x = 0;
  if (table.pitch <= 65535) {
    for (; x + 16 <= width; x += 16) {
      const __m512i gx = _mm512_sub_epi32(widen(lines[1] + x), widen(lines[1] + x + 2));
      const __m512i gy = _mm512_sub_epi32(widen(lines[0] + x + 1), widen(lines[2] + x + 1));
      _mm512_store_si512(offset, _mm512_add_epi32(_mm512_maskz_mullo_epi32(kAll, gy, pitch), gx));
      for (int k = 0; k < 16; ++k) dst[x + k] = table.centre[offset[k]];
    }
  }
  for (; x < width; ++x) dst[x] = Lookup(table, GradientX(lines, x), GradientY(lines, x));
}

}  // namespace vnimg::filter
