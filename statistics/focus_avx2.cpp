// AVX2 focus terms: 32 origins a step, |differences| as bytes, squares summed in 32-bit lanes
// and moved to 64 bits every 2048 origins (a lane then holds at most 512 squares of 255).
#include <immintrin.h>

#include "statistics/focus_kernels.h"

namespace vnimg::focus {
namespace {

__m256i Load(const VnBW8* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
__m256i AbsDiff(__m256i a, __m256i b) { return _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a)); }
// Sum of the squares of 32 bytes, in eight 32-bit lanes.
__m256i Squares(__m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = _mm256_unpacklo_epi8(d, zero), hi = _mm256_unpackhi_epi8(d, zero);
  return _mm256_add_epi32(_mm256_madd_epi16(lo, lo), _mm256_madd_epi16(hi, hi));
}
std::uint64_t Total(__m256i v32) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i v = _mm256_add_epi64(_mm256_unpacklo_epi32(v32, zero), _mm256_unpackhi_epi32(v32, zero));
  const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(s)) + static_cast<std::uint64_t>(_mm_extract_epi64(s, 1));
}

}  // namespace

std::uint64_t Focus8Avx2(const VnBW8* p, const VnBW8* below, int n, int step) {
  constexpr int kFlush = 2048;
  std::uint64_t sum = 0;
  int j = 0;
  while (j + 32 <= n) {
    __m256i acc = _mm256_setzero_si256();
    for (const int end = j + kFlush; j + 32 <= n && j < end; j += 32) {
      const __m256i v = Load(p + j);
      acc = _mm256_add_epi32(acc, _mm256_add_epi32(Squares(AbsDiff(v, Load(p + j + step))), Squares(AbsDiff(v, Load(below + j)))));
    }
    sum += Total(acc);
  }
  return sum + FocusTerms(p, below, j, n, step);
}

}  // namespace vnimg::focus
