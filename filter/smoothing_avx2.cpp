#include <immintrin.h>

#include "filter/smoothing_kernels.h"

namespace vnimg::filter::separable {
namespace {

inline __m256i Load8(const VnBW8* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
inline __m256i Load16(const std::uint16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

// The column sums of sixteen columns (at most 255 x 64: 16 bits).
template <class K>
inline __m256i ColumnSums(const VnBW8* const* lines, int x) {
  __m256i sum = Load8(lines[0] + x);
  for (int j = 1; j < K::size; ++j) sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(Load8(lines[j] + x), _mm256_set1_epi16(K::taps[j])));
  return sum;
}

// Sixteen outputs from the column sums; sums below 2^16 wrap harmlessly in the 16-bit lanes. The
// uniform factors are 8 x 41943 and 4 x 42799: (s x 8 x 41943) >> 23 is ((s x 41943) >> 16) >> 4.
template <class K>
inline __m256i Outputs(const std::uint16_t* columns) {
  if constexpr (K::size == 7 && K::factor == 1) {
    __m256i low = _mm256_setzero_si256(), high = low;
    for (int i = 0; i < 7; i += 2) {
      const __m256i a = Load16(columns + i), b = Load16(columns + i + 1);
      const __m256i taps = _mm256_set1_epi32(K::taps[i] | (i + 1 < 7 ? K::taps[i + 1] : 0) << 16);
      low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), taps));
      high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), taps));
    }
    return _mm256_packs_epi32(_mm256_srli_epi32(low, K::shift), _mm256_srli_epi32(high, K::shift));
  } else {
    __m256i sum = Load16(columns);
    for (int i = 1; i < K::size; ++i) sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(Load16(columns + i), _mm256_set1_epi16(K::taps[i])));
    if constexpr (K::factor == 1) return _mm256_srli_epi16(sum, K::shift);
    constexpr int scale = K::size == 5 ? 8 : 4;
    return _mm256_srli_epi16(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(static_cast<short>(K::factor / scale))), K::shift - 16 - (scale == 8 ? 3 : 2));
  }
}

}  // namespace

template <class K>
void RowAvx2(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width) {
  const int vectorWidth = width / 16 * 16;
  if (vectorWidth > 0)
    for (int x = 0; x < vectorWidth + K::size - 1; x += 16) _mm256_storeu_si256(reinterpret_cast<__m256i*>(columns + x), ColumnSums<K>(lines, x));
  for (int x = 0; x < vectorWidth; x += 16) {
    const __m256i words = Outputs<K>(columns + x);
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), bytes);
  }
  const VnBW8* rest[7];
  for (int j = 0; j < K::size; ++j) rest[j] = lines[j] + vectorWidth;
  RowPlain<K>(rest, columns, dst + vectorWidth, width - vectorWidth);
}
VNIMG_SEPARABLE_INSTANTIATE(RowAvx2)

}  // namespace vnimg::filter::separable

namespace vnimg::filter {

// Window sums by differences: W(x) = W(x - 1) + sums[x + span - 1] - sums[x - 1], eight at a
// time with a prefix sum in the register, carried from the last lane.
void BoxRowAvx2(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width) {
  std::uint32_t first = 0;
  for (int i = 0; i < span; ++i) first += sums[i];
  dst[0] = static_cast<VnBW8>((std::uint64_t{first} * factor) >> 24);
  __m256i carry = _mm256_set1_epi32(static_cast<int>(first));
  const __m256i f = _mm256_set1_epi32(static_cast<int>(factor)), last = _mm256_set1_epi32(7);
  int x = 1;
  for (; x + 8 <= width; x += 8) {
    __m256i d = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + x + span - 1)),
                                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + x - 1)));
    d = _mm256_add_epi32(d, _mm256_slli_si256(d, 4));
    d = _mm256_add_epi32(d, _mm256_slli_si256(d, 8));
    const __m256i lowTotal = _mm256_shuffle_epi32(d, 0xFF);
    d = _mm256_add_epi32(d, _mm256_permute2x128_si256(lowTotal, lowTotal, 0x08));
    const __m256i w = _mm256_add_epi32(carry, d);
    carry = _mm256_add_epi32(carry, _mm256_permutevar8x32_epi32(d, last));  // one add on the chain
    const __m256i v = _mm256_srli_epi32(_mm256_mullo_epi32(w, f), 24);
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(words, words));
  }
  if (x < width) BoxRowPlain(sums + x, span, factor, dst + x, width - x);
}

void BoxColumnsAvx2(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width) {
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m256i in = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(add + x)));
    const __m256i out = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(remove + x)));
    __m256i* c = reinterpret_cast<__m256i*>(column + x);
    _mm256_storeu_si256(c, _mm256_sub_epi32(_mm256_add_epi32(_mm256_loadu_si256(c), in), out));
  }
  BoxColumnsPlain(add + x, remove + x, column + x, width - x);
}

}  // namespace vnimg::filter
