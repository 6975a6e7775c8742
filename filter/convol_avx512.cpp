#include <immintrin.h>

#include "filter/convol_kernels.h"

namespace vnimg::filter {
namespace {

// All lanes: GCC 12 warns on the undefined inputs of the unmasked forms.
constexpr __mmask8 kAll8 = 0xFF;
constexpr __mmask16 kAll16 = 0xFFFF;
constexpr __mmask32 kAll32 = 0xFFFFFFFF;

// Thirty-two pixels as 16-bit lanes; 16-bit pixels less 32768, so that they fit signed lanes.
inline __m512i Load(const VnBW8* p) { return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))); }
inline __m512i Load(const VnBW16* p) { return _mm512_xor_si512(_mm512_loadu_si512(p), _mm512_set1_epi16(-32768)); }

// The values of outputs x .. x + 31 before the clamp: in each 128-bit lane k, `first` holds
// x + 8k .. + 3 and `second` x + 8k + 4 .. + 7. The pairs of taps give outputs x, x + 2, ..
// from the line at x and x + 1, x + 3, .. from x + 1.
template <class T>
inline void Values(const T* const* lines, const FixedKernel& k, int x, __m512i& first, __m512i& second) {
  __m512i evenHigh = _mm512_setzero_si512(), oddHigh = evenHigh, evenLow = evenHigh, oddLow = evenHigh;
  for (int j = 0; j < k.size; ++j) {
    const T* line = lines[j] + x;
    for (int p = 0; 2 * p < k.size; ++p) {
      const __m512i even = Load(line + 2 * p), odd = Load(line + 2 * p + 1);
      const __m512i high = _mm512_set1_epi32(k.pairHigh[j][p]);
      evenHigh = _mm512_add_epi32(evenHigh, _mm512_madd_epi16(even, high));
      oddHigh = _mm512_add_epi32(oddHigh, _mm512_madd_epi16(odd, high));
      if (k.split) {
        const __m512i low = _mm512_set1_epi32(k.pairLow[j][p]);
        evenLow = _mm512_add_epi32(evenLow, _mm512_madd_epi16(even, low));
        oddLow = _mm512_add_epi32(oddLow, _mm512_madd_epi16(odd, low));
      }
    }
  }
  const __m512i base = _mm512_set1_epi32(k.base), post = _mm512_set1_epi32(static_cast<std::int32_t>(k.postOffset));
  const __m128i shift = _mm_cvtsi32_si128(k.shift);
  auto value = [&](__m512i high, __m512i low) {
    const __m512i total = _mm512_add_epi32(k.split ? _mm512_add_epi32(_mm512_maskz_slli_epi32(kAll16, high, 8), low) : high, base);
    const __m512i v = _mm512_add_epi32(_mm512_maskz_sra_epi32(kAll16, total, shift), post);
    return k.absolute ? _mm512_maskz_abs_epi32(kAll16, v) : v;
  };
  const __m512i even = value(evenHigh, evenLow), odd = value(oddHigh, oddLow);
  first = _mm512_maskz_unpacklo_epi32(kAll16, even, odd);
  second = _mm512_maskz_unpackhi_epi32(kAll16, even, odd);
}

// The packs work within 128-bit lanes, which restores the order; with the lower bound the
// unsigned narrowing is the clamp.
inline void Store(VnBW8* dst, __m512i first, __m512i second) {
  const __m512i words = _mm512_max_epi16(_mm512_packs_epi32(first, second), _mm512_setzero_si512());
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm512_maskz_cvtusepi16_epi8(kAll32, words));
}
inline void Store(VnBW16* dst, __m512i first, __m512i second) { _mm512_storeu_si512(dst, _mm512_packus_epi32(first, second)); }

template <class T>
void FixedRow(const T* const* lines, const FixedKernel& k, T* dst, int width) {
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    __m512i first, second;
    Values(lines, k, x, first, second);
    Store(dst + x, first, second);
  }
  for (; x < width; ++x) dst[x] = FixedPixel<T>(FixedSum(lines, k, x), k);
}

// GeneralPixel on eight sums, exactly: every step is exact in doubles. The clamp of huge sums
// that the scalar form needs before its integer conversion changes no result here; a sum that is
// not a number becomes 0 in the truncation.
inline __m256i GeneralValues(__m512d sum, const GeneralKernel& k) {
  const __m512d zero = _mm512_setzero_pd();
  __m512d v = _mm512_maskz_roundscale_pd(_mm512_cmp_pd_mask(sum, sum, _CMP_ORD_Q), sum, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  switch (k.rectifier) {
    case 1: v = _mm512_maskz_max_pd(kAll8, _mm512_sub_pd(zero, v), zero); break;
    case 2: v = _mm512_maskz_max_pd(kAll8, v, zero); break;
    case 3: v = _mm512_abs_pd(v); break;
    default: break;
  }
  v = _mm512_add_pd(v, _mm512_set1_pd(k.offset));
  v = _mm512_maskz_min_pd(kAll8, _mm512_maskz_max_pd(kAll8, v, zero), _mm512_set1_pd(k.max));
  return _mm512_maskz_cvttpd_epi32(kAll8, v);
}

inline void StoreGeneral(VnBW8* dst, __m256i a, __m256i b) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm512_maskz_cvtepi32_epi8(kAll16, _mm512_maskz_inserti64x4(kAll8, _mm512_castsi256_si512(a), b, 1)));
}
inline void StoreGeneral(VnBW16* dst, __m256i a, __m256i b) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm512_maskz_cvtepi32_epi16(kAll16, _mm512_maskz_inserti64x4(kAll8, _mm512_castsi256_si512(a), b, 1)));
}

// Eight pixels a vector, four vectors a step, each pixel's cells in the plain loop's order (the
// first product stands for 0 + product, which differs at most in the sign of a zero). Kernel
// widths 3 and 5 get their cell loop unrolled.
template <int kWidth, class T>
void GeneralRowOf(const double* const* lines, const GeneralKernel& k, T* dst, int width) {
  const int sizeX = kWidth ? kWidth : k.sizeX;
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    __m512d s[4] = {_mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd()};
    for (int j = 0; j < k.sizeY; ++j)
      for (int i = 0; i < sizeX; ++i) {
        const __m512d c = _mm512_set1_pd(k.c[j * sizeX + i]);
        const double* line = lines[j] + x + i;
        for (int m = 0; m < 4; ++m) {
          const __m512d product = _mm512_mul_pd(c, _mm512_loadu_pd(line + 8 * m));
          s[m] = i == 0 && j == 0 ? product : _mm512_add_pd(s[m], product);
        }
      }
    StoreGeneral(dst + x, GeneralValues(s[0], k), GeneralValues(s[1], k));
    StoreGeneral(dst + x + 16, GeneralValues(s[2], k), GeneralValues(s[3], k));
  }
  for (; x < width; ++x) dst[x] = GeneralPixel<T>(GeneralSum(lines, k, x), k);
}

template <class T>
void GeneralRow(const double* const* lines, const GeneralKernel& k, T* dst, int width) {
  if (k.sizeX == 3) return GeneralRowOf<3>(lines, k, dst, width);
  if (k.sizeX == 5) return GeneralRowOf<5>(lines, k, dst, width);
  GeneralRowOf<0>(lines, k, dst, width);
}

// DyadicPixel on sixteen sums.
inline __m512i DyadicValues(__m512i sum, const DyadicKernel& k) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i magnitude = _mm512_maskz_srl_epi32(kAll16, _mm512_maskz_abs_epi32(kAll16, sum), _mm_cvtsi32_si128(k.shift));
  __m512i v = _mm512_mask_sub_epi32(magnitude, _mm512_cmplt_epi32_mask(sum, zero), zero, magnitude);
  switch (k.rectifier) {
    case 1: v = _mm512_maskz_max_epi32(kAll16, _mm512_sub_epi32(zero, v), zero); break;
    case 2: v = _mm512_maskz_max_epi32(kAll16, v, zero); break;
    case 3: v = _mm512_maskz_abs_epi32(kAll16, v); break;
    default: break;
  }
  v = _mm512_add_epi32(v, _mm512_set1_epi32(k.offset));
  return _mm512_maskz_min_epi32(kAll16, _mm512_maskz_max_epi32(kAll16, v, zero), _mm512_set1_epi32(k.max));
}

inline void StoreDyadic(VnBW8* dst, __m512i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm512_maskz_cvtepi32_epi8(kAll16, v)); }
inline void StoreDyadic(VnBW16* dst, __m512i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm512_maskz_cvtepi32_epi16(kAll16, v));
}

// Sixteen pixels a vector, two vectors a step; kernel widths 3 and 5 get their cell loop unrolled.
template <int kWidth, class T>
void DyadicRowOf(const std::int32_t* const* lines, const DyadicKernel& k, T* dst, int width) {
  const int sizeX = kWidth ? kWidth : k.sizeX;
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    __m512i s0 = _mm512_setzero_si512(), s1 = s0;
    for (int j = 0; j < k.sizeY; ++j)
      for (int i = 0; i < sizeX; ++i) {
        const __m512i m = _mm512_set1_epi32(k.m[j * sizeX + i]);
        const std::int32_t* line = lines[j] + x + i;
        s0 = _mm512_add_epi32(s0, _mm512_maskz_mullo_epi32(kAll16, m, _mm512_loadu_si512(line)));
        s1 = _mm512_add_epi32(s1, _mm512_maskz_mullo_epi32(kAll16, m, _mm512_loadu_si512(line + 16)));
      }
    StoreDyadic(dst + x, DyadicValues(s0, k));
    StoreDyadic(dst + x + 16, DyadicValues(s1, k));
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

void DyadicRowAvx512(const std::int32_t* const* lines, const DyadicKernel& k, VnBW8* dst, int width) { DyadicRow(lines, k, dst, width); }
void DyadicRowAvx512(const std::int32_t* const* lines, const DyadicKernel& k, VnBW16* dst, int width) { DyadicRow(lines, k, dst, width); }
void FixedRowAvx512(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width) { FixedRow(lines, k, dst, width); }
void FixedRowAvx512(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width) { FixedRow(lines, k, dst, width); }
void GeneralRowAvx512(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width) { GeneralRow(lines, k, dst, width); }
void GeneralRowAvx512(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width) { GeneralRow(lines, k, dst, width); }

}  // namespace vnimg::filter
