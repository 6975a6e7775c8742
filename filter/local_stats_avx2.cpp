#include <immintrin.h>

#include "filter/local_stats_kernels.h"

namespace vnimg::filter {
namespace {

inline __m128i Load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void Add(void* p, __m256i v) {
  auto* at = static_cast<__m256i*>(p);
  _mm256_storeu_si256(at, _mm256_add_epi32(_mm256_loadu_si256(at), v));
}
inline void Add64(void* p, __m256i v) {
  auto* at = static_cast<__m256i*>(p);
  _mm256_storeu_si256(at, _mm256_add_epi64(_mm256_loadu_si256(at), v));
}

// Integers below 2^52 as doubles: placed in the mantissa of 2^52, which is then taken off.
inline __m256d ToDouble(const std::uint64_t* p) {
  const __m256i magic = _mm256_set1_epi64x(0x4330000000000000);
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  return _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(v, magic)), _mm256_castsi256_pd(magic));
}

// DeviationPixel for four pixels as 32-bit integers.
inline __m128i Deviations(const std::uint64_t* s, const std::uint64_t* q, __m256d n) {
  const __m256d sum = ToDouble(s), v = _mm256_sub_pd(_mm256_mul_pd(n, ToDouble(q)), _mm256_mul_pd(sum, sum));
  __m256d d = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(_mm256_div_pd(_mm256_sqrt_pd(v), n)));
  const __m256d dn = _mm256_mul_pd(d, n);
  d = _mm256_sub_pd(d, _mm256_and_pd(_mm256_cmp_pd(_mm256_mul_pd(dn, dn), v, _CMP_GT_OQ), _mm256_set1_pd(1.0)));
  return _mm256_cvttpd_epi32(d);
}

// Eight deviations as 16-bit lanes (a deviation never passes half the pixel maximum).
inline __m128i EightDeviations(const std::uint64_t* s, const std::uint64_t* q, __m256d n) {
  return _mm_packs_epi32(Deviations(s, q, n), Deviations(s + 4, q + 4, n));
}

}  // namespace

void ColumnUpdateAvx2(const VnBW8* entering, const VnBW8* leaving, std::uint32_t* s, std::uint32_t* q, int width) {
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m256i e = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(entering + x)));
    const __m256i l = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(leaving + x)));
    Add(s + x, _mm256_sub_epi32(e, l));
    Add(q + x, _mm256_sub_epi32(_mm256_mullo_epi32(e, e), _mm256_mullo_epi32(l, l)));
  }
  for (; x < width; ++x) UpdateColumn(entering, leaving, s, q, x);
}

void ColumnUpdateAvx2(const VnBW16* entering, const VnBW16* leaving, std::uint32_t* s, std::uint64_t* q, int width) {
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m128i e = Load128(entering + x), l = Load128(leaving + x);
    Add(s + x, _mm256_sub_epi32(_mm256_cvtepu16_epi32(e), _mm256_cvtepu16_epi32(l)));
    for (int h = 0; h < 2; ++h) {
      const __m256i e64 = _mm256_cvtepu16_epi64(h ? _mm_srli_si128(e, 8) : e);
      const __m256i l64 = _mm256_cvtepu16_epi64(h ? _mm_srli_si128(l, 8) : l);
      Add64(q + x + 4 * h, _mm256_sub_epi64(_mm256_mul_epu32(e64, e64), _mm256_mul_epu32(l64, l64)));
    }
  }
  for (; x < width; ++x) UpdateColumn(entering, leaving, s, q, x);
}

void DeviationRowAvx2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW8* dst, int width) {
  int x = 0;
  const __m256d vn = _mm256_set1_pd(n);
  for (; x + 8 <= width; x += 8) {
    const __m128i words = EightDeviations(s + x, q + x, vn);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(words, words));
  }
  for (; x < width; ++x) dst[x] = DeviationPixel<VnBW8>(s[x], q[x], n);
}

void DeviationRowAvx2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW16* dst, int width) {
  int x = 0;
  const __m256d vn = _mm256_set1_pd(n);
  for (; x + 8 <= width; x += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), EightDeviations(s + x, q + x, vn));
  for (; x < width; ++x) dst[x] = DeviationPixel<VnBW16>(s[x], q[x], n);
}

}  // namespace vnimg::filter
