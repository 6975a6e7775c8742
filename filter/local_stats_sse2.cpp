#include <emmintrin.h>

#include "filter/local_stats_kernels.h"

namespace vnimg::filter {
namespace {

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline __m128i LoadHalf(const void* p) { return _mm_loadl_epi64(static_cast<const __m128i*>(p)); }
inline void Add(void* p, __m128i v) {
  auto* at = static_cast<__m128i*>(p);
  _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), v));
}
inline void Add64(void* p, __m128i v) {
  auto* at = static_cast<__m128i*>(p);
  _mm_storeu_si128(at, _mm_add_epi64(_mm_loadu_si128(at), v));
}

// Integers below 2^52 as doubles: placed in the mantissa of 2^52, which is then taken off.
inline __m128d ToDouble(const std::uint64_t* p) {
  const __m128i magic = _mm_set1_epi64x(0x4330000000000000);
  return _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(Load(p), magic)), _mm_castsi128_pd(magic));
}

// DeviationPixel for two pixels, as 32-bit integers in the low half.
inline __m128i Deviations(const std::uint64_t* s, const std::uint64_t* q, __m128d n) {
  const __m128d sum = ToDouble(s), v = _mm_sub_pd(_mm_mul_pd(n, ToDouble(q)), _mm_mul_pd(sum, sum));
  __m128d d = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_div_pd(_mm_sqrt_pd(v), n)));
  const __m128d dn = _mm_mul_pd(d, n);
  d = _mm_sub_pd(d, _mm_and_pd(_mm_cmpgt_pd(_mm_mul_pd(dn, dn), v), _mm_set1_pd(1.0)));
  return _mm_cvttpd_epi32(d);
}

// Eight deviations as 16-bit lanes (a deviation never passes half the pixel maximum).
inline __m128i EightDeviations(const std::uint64_t* s, const std::uint64_t* q, __m128d n) {
  const __m128i a = _mm_unpacklo_epi64(Deviations(s, q, n), Deviations(s + 2, q + 2, n));
  const __m128i b = _mm_unpacklo_epi64(Deviations(s + 4, q + 4, n), Deviations(s + 6, q + 6, n));
  return _mm_packs_epi32(a, b);
}

}  // namespace

void ColumnUpdateSse2(const VnBW8* entering, const VnBW8* leaving, std::uint32_t* s, std::uint32_t* q, int width) {
  int x = 0;
  const __m128i zero = _mm_setzero_si128(), plusMinus = _mm_set1_epi32(0xFFFF0001);  // (1, -1)
  for (; x + 8 <= width; x += 8) {
    const __m128i e = _mm_unpacklo_epi8(LoadHalf(entering + x), zero), l = _mm_unpacklo_epi8(LoadHalf(leaving + x), zero);
    const __m128i minusL = _mm_sub_epi16(zero, l);
    for (int k = 0; k < 2; ++k) {
      const __m128i pairs = k ? _mm_unpackhi_epi16(e, l) : _mm_unpacklo_epi16(e, l);
      const __m128i negated = k ? _mm_unpackhi_epi16(e, minusL) : _mm_unpacklo_epi16(e, minusL);
      Add(s + x + 4 * k, _mm_madd_epi16(pairs, plusMinus));
      Add(q + x + 4 * k, _mm_madd_epi16(pairs, negated));
    }
  }
  for (; x < width; ++x) UpdateColumn(entering, leaving, s, q, x);
}

void ColumnUpdateSse2(const VnBW16* entering, const VnBW16* leaving, std::uint32_t* s, std::uint64_t* q, int width) {
  int x = 0;
  const __m128i zero = _mm_setzero_si128();
  for (; x + 8 <= width; x += 8) {
    const __m128i e = Load(entering + x), l = Load(leaving + x);
    for (int k = 0; k < 2; ++k) {
      const __m128i e32 = k ? _mm_unpackhi_epi16(e, zero) : _mm_unpacklo_epi16(e, zero);
      const __m128i l32 = k ? _mm_unpackhi_epi16(l, zero) : _mm_unpacklo_epi16(l, zero);
      Add(s + x + 4 * k, _mm_sub_epi32(e32, l32));
      for (int h = 0; h < 2; ++h) {
        const __m128i e64 = h ? _mm_unpackhi_epi32(e32, zero) : _mm_unpacklo_epi32(e32, zero);
        const __m128i l64 = h ? _mm_unpackhi_epi32(l32, zero) : _mm_unpacklo_epi32(l32, zero);
        Add64(q + x + 4 * k + 2 * h, _mm_sub_epi64(_mm_mul_epu32(e64, e64), _mm_mul_epu32(l64, l64)));
      }
    }
  }
  for (; x < width; ++x) UpdateColumn(entering, leaving, s, q, x);
}

void DeviationRowSse2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW8* dst, int width) {
  int x = 0;
  const __m128d vn = _mm_set1_pd(n);
  for (; x + 8 <= width; x += 8) {
    const __m128i words = EightDeviations(s + x, q + x, vn);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(words, words));
  }
  for (; x < width; ++x) dst[x] = DeviationPixel<VnBW8>(s[x], q[x], n);
}

void DeviationRowSse2(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW16* dst, int width) {
  int x = 0;
  const __m128d vn = _mm_set1_pd(n);
  for (; x + 8 <= width; x += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), EightDeviations(s + x, q + x, vn));
  for (; x < width; ++x) dst[x] = DeviationPixel<VnBW16>(s[x], q[x], n);
}

}  // namespace vnimg::filter
