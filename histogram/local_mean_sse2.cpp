#include <emmintrin.h>

#include "histogram/local_mean_kernels.h"

namespace vnimg::local_mean {
namespace {

__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// The low 4 words sign-extended to dwords.
__m128i WidenLow16(__m128i v) { return _mm_unpacklo_epi16(v, _mm_srai_epi16(v, 15)); }
__m128i WidenHigh16(__m128i v) { return _mm_unpackhi_epi16(v, _mm_srai_epi16(v, 15)); }

// p x area for dwords p in 0..255 and area below 2^23, without SSE4.1's mullo: madd multiplies
// the low words (the high ones are 0), once by area's low 15 bits and once by the rest.
__m128i Times(__m128i p, __m128i areaLow, __m128i areaHigh) {
  return _mm_add_epi32(_mm_madd_epi16(p, areaLow), _mm_slli_epi32(_mm_madd_epi16(p, areaHigh), 15));
}

}  // namespace

void SlideColumnsSse2(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width) {
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i a = Load(added + x), r = Load(removed + x);
    const __m128i low = _mm_sub_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(r, zero));
    const __m128i high = _mm_sub_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(r, zero));
    std::uint32_t* c = columns + x;
    Store(c, _mm_add_epi32(Load(c), WidenLow16(low)));
    Store(c + 4, _mm_add_epi32(Load(c + 4), WidenHigh16(low)));
    Store(c + 8, _mm_add_epi32(Load(c + 8), WidenLow16(high)));
    Store(c + 12, _mm_add_epi32(Load(c + 12), WidenHigh16(high)));
  }
  for (; x < width; ++x) columns[x] = SlideColumn(columns[x], added[x], removed[x]);
}

void CompareRowSse2(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                    std::int32_t bias) {
  const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi8(-1);
  const __m128i areaLow = _mm_set1_epi32(area & 0x7FFF), areaHigh = _mm_set1_epi32(area >> 15);
  const __m128i b = _mm_set1_epi32(bias);
  // Dwords: 0xFFFFFFFF where pixel x area < sum + bias.
  const auto below = [&](__m128i p, const std::int32_t* sum) {
    return _mm_cmpgt_epi32(_mm_add_epi32(Load(sum), b), Times(p, areaLow, areaHigh));
  };
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i v = Load(s + x);
    const __m128i low = _mm_unpacklo_epi8(v, zero), high = _mm_unpackhi_epi8(v, zero);
    const __m128i m0 = below(_mm_unpacklo_epi16(low, zero), sums + x);
    const __m128i m1 = below(_mm_unpackhi_epi16(low, zero), sums + x + 4);
    const __m128i m2 = below(_mm_unpacklo_epi16(high, zero), sums + x + 8);
    const __m128i m3 = below(_mm_unpackhi_epi16(high, zero), sums + x + 12);
    const __m128i mask = _mm_packs_epi16(_mm_packs_epi32(m0, m1), _mm_packs_epi32(m2, m3));
    Store(d + x, _mm_andnot_si128(mask, ones));
  }
  for (; x < width; ++x) d[x] = ComparePixel(s[x], sums[x], area, bias);
}

}  // namespace vnimg::local_mean
