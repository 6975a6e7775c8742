// SSE2 column tables: 16 pixels a step, their weights widened to 32 bits and added to the
// columns, the row's total from byte sums.
#include <emmintrin.h>

#include "statistics/centre_kernels.h"

namespace vnimg::moments {
namespace {

__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// Adds 16 weight bytes to columns[0 .. 15]; returns the running byte sums (2 lanes).
__m128i AddWeights(__m128i w, std::uint32_t* columns, __m128i total) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words[] = {_mm_unpacklo_epi8(w, zero), _mm_unpackhi_epi8(w, zero)};
  for (int g = 0; g < 4; ++g) {
    const __m128i w32 = g % 2 ? _mm_unpackhi_epi16(words[g / 2], zero) : _mm_unpacklo_epi16(words[g / 2], zero);
    Store(columns + 4 * g, _mm_add_epi32(Load(columns + 4 * g), w32));
  }
  return _mm_add_epi64(total, _mm_sad_epu8(w, zero));
}

std::uint64_t Sum(__m128i v) {
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(v)) + static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
}

}  // namespace

std::uint64_t CountColumns8Sse2(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns) {
  if (threshold > 255) return 0;  // nothing counts
  const __m128i t = _mm_set1_epi8(static_cast<char>(threshold)), one = _mm_set1_epi8(1);
  __m128i total = _mm_setzero_si128();
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i v = Load(p + x);
    total = AddWeights(_mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, t), v), one), columns + x, total);
  }
  return Sum(total) + AddColumns(p, x, n, [threshold](VnBW8 v) { return BinaryWeight(v, threshold); }, columns);
}

std::uint64_t WeighColumns8Sse2(const VnBW8* p, int n, std::uint32_t* columns) {
  __m128i total = _mm_setzero_si128();
  int x = 0;
  for (; x + 16 <= n; x += 16) total = AddWeights(Load(p + x), columns + x, total);
  return Sum(total) + AddColumns(p, x, n, [](VnBW8 v) { return unsigned{v}; }, columns);
}

}  // namespace vnimg::moments
