#include <immintrin.h>

#include "histogram/local_mean_kernels.h"

namespace vnimg::local_mean {
namespace {

__m128i Load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
__m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

// The 8 dwords added[i] - removed[i] of 8 bytes each.
__m256i Difference(__m128i added, __m128i removed) {
  return _mm256_sub_epi32(_mm256_cvtepu8_epi32(added), _mm256_cvtepu8_epi32(removed));
}

}  // namespace

void SlideColumnsAvx2(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i a = Load128(added + x), r = Load128(removed + x);
    std::uint32_t* c = columns + x;
    Store(c, _mm256_add_epi32(Load(c), Difference(a, r)));
    Store(c + 8, _mm256_add_epi32(Load(c + 8), Difference(_mm_srli_si128(a, 8), _mm_srli_si128(r, 8))));
  }
  for (; x < width; ++x) columns[x] = SlideColumn(columns[x], added[x], removed[x]);
}

void CompareRowAvx2(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                    std::int32_t bias) {
  const __m256i a = _mm256_set1_epi32(area), b = _mm256_set1_epi32(bias), ones = _mm256_set1_epi8(-1);
  // Packing works within 128-bit lanes; this puts the dwords of 4 pixels each back in order.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  // Dwords: 0xFFFFFFFF where pixel x area < sum + bias, for 8 pixels from the low bytes of p.
  const auto below = [&](__m128i p, const std::int32_t* sum) {
    return _mm256_cmpgt_epi32(_mm256_add_epi32(Load(sum), b), _mm256_mullo_epi32(_mm256_cvtepu8_epi32(p), a));
  };
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m128i v0 = Load128(s + x), v1 = Load128(s + x + 16);
    const __m256i m0 = below(v0, sums + x), m1 = below(_mm_srli_si128(v0, 8), sums + x + 8);
    const __m256i m2 = below(v1, sums + x + 16), m3 = below(_mm_srli_si128(v1, 8), sums + x + 24);
    const __m256i mask = _mm256_packs_epi16(_mm256_packs_epi32(m0, m1), _mm256_packs_epi32(m2, m3));
    Store(d + x, _mm256_andnot_si256(_mm256_permutevar8x32_epi32(mask, order), ones));
  }
  for (; x < width; ++x) d[x] = ComparePixel(s[x], sums[x], area, bias);
}

}  // namespace vnimg::local_mean
