// AVX2 column tables: 32 pixels a step, their weights widened to 32 bits and added to the
// columns, the row's total from byte sums.
#include <immintrin.h>

#include "statistics/centre_kernels.h"

namespace vnimg::moments {
namespace {

__m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

// Adds 32 weight bytes to columns[0 .. 31]; returns the running byte sums (4 lanes).
__m256i AddWeights(__m256i w, std::uint32_t* columns, __m256i total) {
  const __m128i halves[] = {_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1)};
  for (int g = 0; g < 4; ++g) {
    const __m128i bytes = g % 2 ? _mm_srli_si128(halves[g / 2], 8) : halves[g / 2];
    Store(columns + 8 * g, _mm256_add_epi32(Load(columns + 8 * g), _mm256_cvtepu8_epi32(bytes)));
  }
  return _mm256_add_epi64(total, _mm256_sad_epu8(w, _mm256_setzero_si256()));
}

std::uint64_t Sum(__m256i v) {
  const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(s)) + static_cast<std::uint64_t>(_mm_extract_epi64(s, 1));
}

}  // namespace

std::uint64_t CountColumns8Avx2(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns) {
  if (threshold > 255) return 0;  // nothing counts
  const __m256i t = _mm256_set1_epi8(static_cast<char>(threshold)), one = _mm256_set1_epi8(1);
  __m256i total = _mm256_setzero_si256();
  int x = 0;
  for (; x + 32 <= n; x += 32) {
    const __m256i v = Load(p + x);
    total = AddWeights(_mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, t), v), one), columns + x, total);
  }
  return Sum(total) + AddColumns(p, x, n, [threshold](VnBW8 v) { return BinaryWeight(v, threshold); }, columns);
}

std::uint64_t WeighColumns8Avx2(const VnBW8* p, int n, std::uint32_t* columns) {
  __m256i total = _mm256_setzero_si256();
  int x = 0;
  for (; x + 32 <= n; x += 32) total = AddWeights(Load(p + x), columns + x, total);
  return Sum(total) + AddColumns(p, x, n, [](VnBW8 v) { return unsigned{v}; }, columns);
}

}  // namespace vnimg::moments
