#include <immintrin.h>

#include "filter/smoothing_kernels.h"

// All lanes: GCC 12 warns on the undefined inputs of the unmasked forms.
namespace {
constexpr __mmask32 kAll32 = 0xFFFFFFFF;
constexpr __mmask16 kAll16 = 0xFFFF;
}  // namespace

namespace vnimg::filter::separable {
namespace {

inline __m512i Load8(const VnBW8* p) { return _mm512_maskz_cvtepu8_epi16(kAll32, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))); }
inline __m512i Load16(const std::uint16_t* p) { return _mm512_loadu_si512(p); }
inline __m512i Times(__m512i v, int tap) { return _mm512_maskz_mullo_epi16(kAll32, v, _mm512_set1_epi16(static_cast<short>(tap))); }

// The column sums of thirty-two columns (at most 255 x 64: 16 bits).
template <class K>
inline __m512i ColumnSums(const VnBW8* const* lines, int x) {
  __m512i sum = Load8(lines[0] + x);
  for (int j = 1; j < K::size; ++j) sum = _mm512_add_epi16(sum, Times(Load8(lines[j] + x), K::taps[j]));
  return sum;
}

// Thirty-two outputs from the column sums, as the AVX2 row computes sixteen (the unpacks and the
// pack both work within 128-bit lanes, which keeps the order).
template <class K>
inline __m512i Outputs(const std::uint16_t* columns) {
  if constexpr (K::size == 7 && K::factor == 1) {
    __m512i low = _mm512_setzero_si512(), high = low;
    for (int i = 0; i < 7; i += 2) {
      const __m512i a = Load16(columns + i), b = Load16(columns + i + 1);
      const __m512i taps = _mm512_set1_epi32(K::taps[i] | (i + 1 < 7 ? K::taps[i + 1] : 0) << 16);
      low = _mm512_add_epi32(low, _mm512_maskz_madd_epi16(kAll16, _mm512_maskz_unpacklo_epi16(kAll32, a, b), taps));
      high = _mm512_add_epi32(high, _mm512_maskz_madd_epi16(kAll16, _mm512_maskz_unpackhi_epi16(kAll32, a, b), taps));
    }
    return _mm512_maskz_packs_epi32(kAll32, _mm512_maskz_srli_epi32(kAll16, low, K::shift), _mm512_maskz_srli_epi32(kAll16, high, K::shift));
  } else {
    __m512i sum = Load16(columns);
    for (int i = 1; i < K::size; ++i) sum = _mm512_add_epi16(sum, Times(Load16(columns + i), K::taps[i]));
    if constexpr (K::factor == 1) return _mm512_maskz_srli_epi16(kAll32, sum, K::shift);
    constexpr int scale = K::size == 5 ? 8 : 4;
    const __m512i high = _mm512_maskz_mulhi_epu16(kAll32, sum, _mm512_set1_epi16(static_cast<short>(K::factor / scale)));
    return _mm512_maskz_srli_epi16(kAll32, high, K::shift - 16 - (scale == 8 ? 3 : 2));
  }
}

}  // namespace

template <class K>
void RowAvx512(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width) {
  const int vectorWidth = width / 32 * 32;
  if (vectorWidth > 0)
    for (int x = 0; x < vectorWidth + K::size - 1; x += 32) _mm512_storeu_si512(columns + x, ColumnSums<K>(lines, x));
  for (int x = 0; x < vectorWidth; x += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm512_maskz_cvtusepi16_epi8(kAll32, Outputs<K>(columns + x)));
  const VnBW8* rest[7];
  for (int j = 0; j < K::size; ++j) rest[j] = lines[j] + vectorWidth;
  RowPlain<K>(rest, columns, dst + vectorWidth, width - vectorWidth);
}
VNIMG_SEPARABLE_INSTANTIATE(RowAvx512)

}  // namespace vnimg::filter::separable

namespace vnimg::filter {

// Window sums by differences, sixteen at a time: a prefix sum across the register in four
// lane shifts, the carry from the last lane taking one add a step.
void BoxRowAvx512(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width) {
  constexpr __mmask16 kAll = kAll16;
  std::uint32_t first = 0;
  for (int i = 0; i < span; ++i) first += sums[i];
  dst[0] = static_cast<VnBW8>((std::uint64_t{first} * factor) >> 24);
  const __m512i lanes = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const __m512i f = _mm512_set1_epi32(static_cast<int>(factor)), last = _mm512_set1_epi32(15);
  __m512i carry = _mm512_set1_epi32(static_cast<int>(first));
  int x = 1;
  for (; x + 16 <= width; x += 16) {
    __m512i d = _mm512_sub_epi32(_mm512_loadu_si512(sums + x + span - 1), _mm512_loadu_si512(sums + x - 1));
    for (int s = 1; s < 16; s *= 2) {
      const __mmask16 from = static_cast<__mmask16>(kAll << s);
      d = _mm512_add_epi32(d, _mm512_maskz_permutexvar_epi32(from, _mm512_sub_epi32(lanes, _mm512_set1_epi32(s)), d));
    }
    const __m512i w = _mm512_add_epi32(carry, d);
    carry = _mm512_add_epi32(carry, _mm512_maskz_permutexvar_epi32(kAll, last, d));
    const __m512i v = _mm512_maskz_srli_epi32(kAll, _mm512_maskz_mullo_epi32(kAll, w, f), 24);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm512_maskz_cvtepi32_epi8(kAll, v));
  }
  if (x < width) BoxRowPlain(sums + x, span, factor, dst + x, width - x);
}

void BoxColumnsAvx512(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m512i in = _mm512_maskz_cvtepu8_epi32(kAll16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + x)));
    const __m512i out = _mm512_maskz_cvtepu8_epi32(kAll16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(remove + x)));
    _mm512_storeu_si512(column + x, _mm512_sub_epi32(_mm512_add_epi32(_mm512_loadu_si512(column + x), in), out));
  }
  BoxColumnsPlain(add + x, remove + x, column + x, width - x);
}

}  // namespace vnimg::filter
