#include <immintrin.h>

#include "point/gain_offset_rows.h"
#include "point/lut_frame.h"

namespace vnimg::lut {

// Eight pixels per 32-bit lane group: the product wraps like the table's, the logical shift
// and the offset add in 32 bits, and the two signed-saturating packs clamp to 0..255 exactly
// as the table's unsigned/signed test does.
void GainOffsetRowAvx2(const std::uint8_t* s, std::uint8_t* d, std::size_t n, std::int32_t gain, std::int32_t offset) {
  const __m256i g = _mm256_set1_epi32(gain), o = _mm256_set1_epi32(offset);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  const auto eight = [&](const std::uint8_t* p) {
    const __m256i x = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    return _mm256_add_epi32(_mm256_srli_epi32(_mm256_mullo_epi32(x, g), 5), o);
  };
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i ab = _mm256_packs_epi32(eight(s + i), eight(s + i + 8));
    const __m256i cd = _mm256_packs_epi32(eight(s + i + 16), eight(s + i + 24));
    const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(ab, cd), order);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), bytes);
  }
  for (; i < n; ++i) d[i] = GainOffsetByte(s[i], gain, offset);
}

}  // namespace vnimg::lut
