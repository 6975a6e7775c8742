#include <emmintrin.h>

#include "filter/convol_kernels.h"

namespace vnimg::filter {
namespace {

// Eight pixels as 16-bit lanes; 16-bit pixels less 32768, so that they fit signed lanes.
inline __m128i Load(const VnBW8* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline __m128i Load(const VnBW16* p) {
  return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi16(-32768));
}

inline __m128i Abs(__m128i v) {
  const __m128i sign = _mm_srai_epi32(v, 31);
  return _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
}

// The values of outputs x .. x + 3 (first) and x + 4 .. x + 7 (second) before the clamp. The
// pairs of taps give outputs x, x + 2, .. from the line at x and x + 1, x + 3, .. from x + 1.
template <class T>
inline void Values(const T* const* lines, const FixedKernel& k, int x, __m128i& first, __m128i& second) {
  __m128i evenHigh = _mm_setzero_si128(), oddHigh = evenHigh, evenLow = evenHigh, oddLow = evenHigh;
  for (int j = 0; j < k.size; ++j) {
    const T* line = lines[j] + x;
    for (int p = 0; 2 * p < k.size; ++p) {
      const __m128i even = Load(line + 2 * p), odd = Load(line + 2 * p + 1);
      const __m128i high = _mm_set1_epi32(k.pairHigh[j][p]);
      evenHigh = _mm_add_epi32(evenHigh, _mm_madd_epi16(even, high));
      oddHigh = _mm_add_epi32(oddHigh, _mm_madd_epi16(odd, high));
      if (k.split) {
        const __m128i low = _mm_set1_epi32(k.pairLow[j][p]);
        evenLow = _mm_add_epi32(evenLow, _mm_madd_epi16(even, low));
        oddLow = _mm_add_epi32(oddLow, _mm_madd_epi16(odd, low));
      }
    }
  }
  const __m128i base = _mm_set1_epi32(k.base), post = _mm_set1_epi32(static_cast<std::int32_t>(k.postOffset));
  const __m128i shift = _mm_cvtsi32_si128(k.shift);
  auto value = [&](__m128i high, __m128i low) {
    const __m128i total = _mm_add_epi32(k.split ? _mm_add_epi32(_mm_slli_epi32(high, 8), low) : high, base);
    const __m128i v = _mm_add_epi32(_mm_sra_epi32(total, shift), post);
    return k.absolute ? Abs(v) : v;
  };
  const __m128i even = value(evenHigh, evenLow), odd = value(oddHigh, oddLow);
  first = _mm_unpacklo_epi32(even, odd);
  second = _mm_unpackhi_epi32(even, odd);
}

inline void Store(VnBW8* dst, __m128i first, __m128i second) {
  const __m128i words = _mm_packs_epi32(first, second);  // saturation to 16 then 8 bits is the clamp
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(words, words));
}
inline void Store(VnBW16* dst, __m128i first, __m128i second) {
  auto clamp = [](__m128i v) {
    v = _mm_and_si128(v, _mm_cmpgt_epi32(v, _mm_setzero_si128()));
    const __m128i above = _mm_cmpgt_epi32(v, _mm_set1_epi32(65535));
    v = _mm_or_si128(_mm_and_si128(above, _mm_set1_epi32(65535)), _mm_andnot_si128(above, v));
    return _mm_sub_epi32(v, _mm_set1_epi32(32768));
  };
  const __m128i words = _mm_packs_epi32(clamp(first), clamp(second));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_xor_si128(words, _mm_set1_epi16(-32768)));
}

template <class T>
void FixedRow(const T* const* lines, const FixedKernel& k, T* dst, int width) {
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    __m128i first, second;
    Values(lines, k, x, first, second);
    Store(dst + x, first, second);
  }
  for (; x < width; ++x) dst[x] = FixedPixel<T>(FixedSum(lines, k, x), k);
}

// Two pixels a vector, four vectors a step, each pixel's cells in the plain loop's order.
template <class T>
void GeneralRow(const double* const* lines, const GeneralKernel& k, T* dst, int width) {
  int x = 0;
  alignas(16) double sums[8];
  for (; x + 8 <= width; x += 8) {
    __m128d s[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    for (int j = 0; j < k.sizeY; ++j)
      for (int i = 0; i < k.sizeX; ++i) {
        const __m128d c = _mm_set1_pd(k.c[j * k.sizeX + i]);
        const double* line = lines[j] + x + i;
        for (int m = 0; m < 4; ++m) s[m] = _mm_add_pd(s[m], _mm_mul_pd(c, _mm_loadu_pd(line + 2 * m)));
      }
    for (int m = 0; m < 4; ++m) _mm_store_pd(sums + 2 * m, s[m]);
    for (int m = 0; m < 8; ++m) dst[x + m] = GeneralPixel<T>(sums[m], k);
  }
  for (; x < width; ++x) dst[x] = GeneralPixel<T>(GeneralSum(lines, k, x), k);
}

}  // namespace

void FixedRowSse2(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width) { FixedRow(lines, k, dst, width); }
void FixedRowSse2(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width) { FixedRow(lines, k, dst, width); }
void GeneralRowSse2(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width) { GeneralRow(lines, k, dst, width); }
void GeneralRowSse2(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width) { GeneralRow(lines, k, dst, width); }

}  // namespace vnimg::filter
