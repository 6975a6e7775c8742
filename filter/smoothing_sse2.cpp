#include <emmintrin.h>

#include <cstring>

#include "filter/smoothing_kernels.h"

namespace vnimg::filter::separable {
namespace {

inline __m128i Load8(const VnBW8* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline __m128i Load16(const std::uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The column sums of eight columns (at most 255 x 64: 16 bits).
template <class K>
inline __m128i ColumnSums(const VnBW8* const* lines, int x) {
  __m128i sum = Load8(lines[0] + x);
  for (int j = 1; j < K::size; ++j) sum = _mm_add_epi16(sum, _mm_mullo_epi16(Load8(lines[j] + x), _mm_set1_epi16(K::taps[j])));
  return sum;
}

// Eight outputs from the column sums; sums below 2^16 wrap harmlessly in the 16-bit lanes. The
// uniform factors are 8 x 41943 and 4 x 42799: (s x 8 x 41943) >> 23 is ((s x 41943) >> 16) >> 4.
template <class K>
inline __m128i Outputs(const std::uint16_t* columns) {
  if constexpr (K::size == 7 && K::factor == 1) {
    __m128i low = _mm_setzero_si128(), high = low;
    for (int i = 0; i < 7; i += 2) {
      const __m128i a = Load16(columns + i), b = Load16(columns + i + 1);
      const __m128i taps = _mm_set1_epi32(K::taps[i] | (i + 1 < 7 ? K::taps[i + 1] : 0) << 16);
      low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), taps));
      high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), taps));
    }
    return _mm_packs_epi32(_mm_srli_epi32(low, K::shift), _mm_srli_epi32(high, K::shift));
  } else {
    __m128i sum = Load16(columns);
    for (int i = 1; i < K::size; ++i) sum = _mm_add_epi16(sum, _mm_mullo_epi16(Load16(columns + i), _mm_set1_epi16(K::taps[i])));
    if constexpr (K::factor == 1) return _mm_srli_epi16(sum, K::shift);
    constexpr int scale = K::size == 5 ? 8 : 4;
    return _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(static_cast<short>(K::factor / scale))), K::shift - 16 - (scale == 8 ? 3 : 2));
  }
}

}  // namespace

template <class K>
void RowSse2(const VnBW8* const* lines, std::uint16_t* columns, VnBW8* dst, int width) {
  const int vectorWidth = width / 8 * 8;
  if (vectorWidth > 0)
    for (int x = 0; x < vectorWidth + K::size - 1; x += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(columns + x), ColumnSums<K>(lines, x));
  for (int x = 0; x < vectorWidth; x += 8) {
    const __m128i words = Outputs<K>(columns + x);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(words, words));
  }
  const VnBW8* rest[7];
  for (int j = 0; j < K::size; ++j) rest[j] = lines[j] + vectorWidth;
  RowPlain<K>(rest, columns, dst + vectorWidth, width - vectorWidth);
}
VNIMG_SEPARABLE_INSTANTIATE(RowSse2)

}  // namespace vnimg::filter::separable

namespace vnimg::filter {

// Window sums by differences: W(x) = W(x - 1) + sums[x + span - 1] - sums[x - 1], four at a time
// with a prefix sum in the register, carried from the last lane.
void BoxRowSse2(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width) {
  std::uint32_t first = 0;
  for (int i = 0; i < span; ++i) first += sums[i];
  dst[0] = static_cast<VnBW8>((std::uint64_t{first} * factor) >> 24);
  __m128i carry = _mm_set1_epi32(static_cast<int>(first));
  const __m128i f = _mm_set1_epi32(static_cast<int>(factor));
  int x = 1;
  for (; x + 4 <= width; x += 4) {
    __m128i d = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + x + span - 1)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + x - 1)));
    d = _mm_add_epi32(d, _mm_slli_si128(d, 4));
    d = _mm_add_epi32(d, _mm_slli_si128(d, 8));
    const __m128i w = _mm_add_epi32(carry, d);
    carry = _mm_shuffle_epi32(w, 0xFF);
    const __m128i even = _mm_srli_epi64(_mm_mul_epu32(w, f), 24);
    const __m128i odd = _mm_slli_epi64(_mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(w, 32), f), 24), 32);
    const __m128i v = _mm_or_si128(even, odd);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v, v), _mm_setzero_si128());
    const int four = _mm_cvtsi128_si32(bytes);
    std::memcpy(dst + x, &four, 4);
  }
  if (x < width) BoxRowPlain(sums + x, span, factor, dst + x, width - x);
}

}  // namespace vnimg::filter
