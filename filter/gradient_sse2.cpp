#include <emmintrin.h>

#include "filter/gradient_kernels.h"

namespace vnimg::filter {
namespace {

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// The gradient pairs (gx, gy) of outputs x .. x + 15 as 16-bit lanes, four pixels a vector.
inline void Pairs(const VnBW8* const* lines, int x, __m128i pairs[4]) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i left = Load(lines[1] + x), right = Load(lines[1] + x + 2), above = Load(lines[0] + x + 1), below = Load(lines[2] + x + 1);
  const __m128i gxLow = _mm_sub_epi16(_mm_unpacklo_epi8(left, zero), _mm_unpacklo_epi8(right, zero));
  const __m128i gxHigh = _mm_sub_epi16(_mm_unpackhi_epi8(left, zero), _mm_unpackhi_epi8(right, zero));
  const __m128i gyLow = _mm_sub_epi16(_mm_unpacklo_epi8(above, zero), _mm_unpacklo_epi8(below, zero));
  const __m128i gyHigh = _mm_sub_epi16(_mm_unpackhi_epi8(above, zero), _mm_unpackhi_epi8(below, zero));
  pairs[0] = _mm_unpacklo_epi16(gxLow, gyLow);
  pairs[1] = _mm_unpackhi_epi16(gxLow, gyLow);
  pairs[2] = _mm_unpacklo_epi16(gxHigh, gyHigh);
  pairs[3] = _mm_unpackhi_epi16(gxHigh, gyHigh);
}

// Table offsets gx + gy x pitch of four pairs (the pitch fits 16 bits), one table read each.
inline void LookupPairs(const __m128i pairs[4], const GradientTable<VnBW8>& table, VnBW8* dst) {
  const __m128i weights = _mm_set1_epi32(static_cast<std::int32_t>(static_cast<std::uint32_t>(table.pitch) << 16 | 1u));
  alignas(16) std::int32_t offsets[16];
  for (int k = 0; k < 4; ++k) _mm_store_si128(reinterpret_cast<__m128i*>(offsets + 4 * k), _mm_madd_epi16(pairs[k], weights));
  for (int k = 0; k < 16; ++k) dst[k] = table.centre[offsets[k]];
}

}  // namespace

void GradientVectorRowSse2(const VnBW8* const* lines, VnBW32* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i pairs[4];
    Pairs(lines, x, pairs);
    for (int k = 0; k < 4; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 4 * k), pairs[k]);
  }
  for (; x < width; ++x) dst[x] = PackGradient(GradientX(lines, x), GradientY(lines, x));
}

void GradientScalarRowSse2(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  int x = 0;
  if (table.pitch <= 32767)
    for (; x + 16 <= width; x += 16) {
      __m128i pairs[4];
      Pairs(lines, x, pairs);
      LookupPairs(pairs, table, dst + x);
    }
  for (; x < width; ++x) dst[x] = Lookup(table, GradientX(lines, x), GradientY(lines, x));
}

void VectorScalarRowSse2(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  int x = 0;
  const __m128i low = _mm_set1_epi16(-256), high = _mm_set1_epi16(255);
  if (table.pitch <= 32767)
    for (; x + 16 <= width; x += 16) {
      __m128i pairs[4];
      for (int k = 0; k < 4; ++k) pairs[k] = _mm_min_epi16(_mm_max_epi16(Load(src + x + 4 * k), low), high);
      LookupPairs(pairs, table, dst + x);
    }
  for (; x < width; ++x) dst[x] = Lookup(table, VectorCell(src[x], 0), VectorCell(src[x], 16));
}

}  // namespace vnimg::filter
