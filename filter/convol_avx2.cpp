#include <immintrin.h>

#include "filter/convol_kernels.h"

namespace vnimg::filter {
namespace {

// Sixteen pixels as 16-bit lanes; 16-bit pixels less 32768, so that they fit signed lanes.
inline __m256i Load(const VnBW8* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
inline __m256i Load(const VnBW16* p) {
  return _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), _mm256_set1_epi16(-32768));
}

// The values of outputs x .. x + 15 before the clamp: `first` holds x .. x + 3 and x + 8 .. 11,
// `second` x + 4 .. 7 and x + 12 .. 15. The pairs of taps give outputs x, x + 2, .. from the
// line at x and x + 1, x + 3, .. from x + 1.
template <class T>
inline void Values(const T* const* lines, const FixedKernel& k, int x, __m256i& first, __m256i& second) {
  __m256i evenHigh = _mm256_setzero_si256(), oddHigh = evenHigh, evenLow = evenHigh, oddLow = evenHigh;
  for (int j = 0; j < k.size; ++j) {
    const T* line = lines[j] + x;
    for (int p = 0; 2 * p < k.size; ++p) {
      const __m256i even = Load(line + 2 * p), odd = Load(line + 2 * p + 1);
      const __m256i high = _mm256_set1_epi32(k.pairHigh[j][p]);
      evenHigh = _mm256_add_epi32(evenHigh, _mm256_madd_epi16(even, high));
      oddHigh = _mm256_add_epi32(oddHigh, _mm256_madd_epi16(odd, high));
      if (k.split) {
        const __m256i low = _mm256_set1_epi32(k.pairLow[j][p]);
        evenLow = _mm256_add_epi32(evenLow, _mm256_madd_epi16(even, low));
        oddLow = _mm256_add_epi32(oddLow, _mm256_madd_epi16(odd, low));
      }
    }
  }
  const __m256i base = _mm256_set1_epi32(k.base), post = _mm256_set1_epi32(static_cast<std::int32_t>(k.postOffset));
  const __m128i shift = _mm_cvtsi32_si128(k.shift);
  auto value = [&](__m256i high, __m256i low) {
    const __m256i total = _mm256_add_epi32(k.split ? _mm256_add_epi32(_mm256_slli_epi32(high, 8), low) : high, base);
    const __m256i v = _mm256_add_epi32(_mm256_sra_epi32(total, shift), post);
    return k.absolute ? _mm256_abs_epi32(v) : v;
  };
  const __m256i even = value(evenHigh, evenLow), odd = value(oddHigh, oddLow);
  first = _mm256_unpacklo_epi32(even, odd);
  second = _mm256_unpackhi_epi32(even, odd);
}

// Saturating packs are the clamp; they work within 128-bit lanes, which restores the order.
inline void Store(VnBW8* dst, __m256i first, __m256i second) {
  const __m256i words = _mm256_packs_epi32(first, second);
  const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), _MM_SHUFFLE(3, 1, 2, 0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(bytes));
}
inline void Store(VnBW16* dst, __m256i first, __m256i second) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_packus_epi32(first, second));
}

template <class T>
void FixedRow(const T* const* lines, const FixedKernel& k, T* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i first, second;
    Values(lines, k, x, first, second);
    Store(dst + x, first, second);
  }
  for (; x < width; ++x) dst[x] = FixedPixel<T>(FixedSum(lines, k, x), k);
}

// GeneralPixel on four sums, exactly: every step after the clamp is exact in doubles.
inline __m128i GeneralValues(__m256d sum, const GeneralKernel& k) {
  const __m256d zero = _mm256_setzero_pd();
  sum = _mm256_and_pd(sum, _mm256_cmp_pd(sum, sum, _CMP_ORD_Q));
  sum = _mm256_min_pd(_mm256_max_pd(sum, _mm256_set1_pd(-kGeneralSumLimit)), _mm256_set1_pd(kGeneralSumLimit));
  __m256d v = _mm256_round_pd(sum, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  switch (k.rectifier) {
    case 1: v = _mm256_max_pd(_mm256_sub_pd(zero, v), zero); break;
    case 2: v = _mm256_max_pd(v, zero); break;
    case 3: v = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); break;
    default: break;
  }
  v = _mm256_add_pd(v, _mm256_set1_pd(k.offset));
  v = _mm256_min_pd(_mm256_max_pd(v, zero), _mm256_set1_pd(k.max));
  return _mm256_cvttpd_epi32(v);
}

inline void StoreGeneral(VnBW8* dst, const __m128i (&v)[4]) {
  const __m128i words0 = _mm_packus_epi32(v[0], v[1]), words1 = _mm_packus_epi32(v[2], v[3]);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(words0, words1));
}
inline void StoreGeneral(VnBW16* dst, const __m128i (&v)[4]) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi32(v[0], v[1]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_packus_epi32(v[2], v[3]));
}

// Four pixels a vector, four vectors a step, each pixel's cells in the plain loop's order.
template <class T>
void GeneralRow(const double* const* lines, const GeneralKernel& k, T* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256d s[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
    for (int j = 0; j < k.sizeY; ++j)
      for (int i = 0; i < k.sizeX; ++i) {
        const __m256d c = _mm256_set1_pd(k.c[j * k.sizeX + i]);
        const double* line = lines[j] + x + i;
        for (int m = 0; m < 4; ++m) s[m] = _mm256_add_pd(s[m], _mm256_mul_pd(c, _mm256_loadu_pd(line + 4 * m)));
      }
    const __m128i v[4] = {GeneralValues(s[0], k), GeneralValues(s[1], k), GeneralValues(s[2], k), GeneralValues(s[3], k)};
    StoreGeneral(dst + x, v);
  }
  for (; x < width; ++x) dst[x] = GeneralPixel<T>(GeneralSum(lines, k, x), k);
}

// DyadicPixel on eight sums.
inline __m256i DyadicValues(__m256i sum, const DyadicKernel& k) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i v = _mm256_sign_epi32(_mm256_srl_epi32(_mm256_abs_epi32(sum), _mm_cvtsi32_si128(k.shift)), sum);
  switch (k.rectifier) {
    case 1: v = _mm256_max_epi32(_mm256_sub_epi32(zero, v), zero); break;
    case 2: v = _mm256_max_epi32(v, zero); break;
    case 3: v = _mm256_abs_epi32(v); break;
    default: break;
  }
  v = _mm256_add_epi32(v, _mm256_set1_epi32(k.offset));
  return _mm256_min_epi32(_mm256_max_epi32(v, zero), _mm256_set1_epi32(k.max));
}

// Eight values in 0..max as pixels.
inline void StoreDyadic(VnBW8* dst, __m256i v) {
  const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(words, words));
}
inline void StoreDyadic(VnBW16* dst, __m256i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
}

// Eight pixels a vector, two vectors a step; kernel widths 3 and 5 get their cell loop unrolled.
template <int kWidth, class T>
void DyadicRowOf(const std::int32_t* const* lines, const DyadicKernel& k, T* dst, int width) {
  const int sizeX = kWidth ? kWidth : k.sizeX;
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i s0 = _mm256_setzero_si256(), s1 = s0;
    for (int j = 0; j < k.sizeY; ++j)
      for (int i = 0; i < sizeX; ++i) {
        const __m256i m = _mm256_set1_epi32(k.m[j * sizeX + i]);
        const std::int32_t* line = lines[j] + x + i;
        s0 = _mm256_add_epi32(s0, _mm256_mullo_epi32(m, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line))));
        s1 = _mm256_add_epi32(s1, _mm256_mullo_epi32(m, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 8))));
      }
    StoreDyadic(dst + x, DyadicValues(s0, k));
    StoreDyadic(dst + x + 8, DyadicValues(s1, k));
  }
  for (; x < width; ++x) dst[x] = DyadicPixel<T>(DyadicSum(lines, k, x), k);
}

template <class T>
void DyadicRow(const std::int32_t* const* lines, const DyadicKernel& k, T* dst, int width) {
  if (k.sizeX == 3) return DyadicRowOf<3>(lines, k, dst, width);
  if (k.sizeX == 5) return DyadicRowOf<5>(lines, k, dst, width);
  DyadicRowOf<0>(lines, k, dst, width);
}

}  // namespace

void DyadicRowAvx2(const std::int32_t* const* lines, const DyadicKernel& k, VnBW8* dst, int width) { DyadicRow(lines, k, dst, width); }
void DyadicRowAvx2(const std::int32_t* const* lines, const DyadicKernel& k, VnBW16* dst, int width) { DyadicRow(lines, k, dst, width); }
void FixedRowAvx2(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width) { FixedRow(lines, k, dst, width); }
void FixedRowAvx2(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width) { FixedRow(lines, k, dst, width); }
void GeneralRowAvx2(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width) { GeneralRow(lines, k, dst, width); }
void GeneralRowAvx2(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width) { GeneralRow(lines, k, dst, width); }

}  // namespace vnimg::filter
