// SSE2 focus terms: 16 origins a step, |differences| as bytes, squares summed in 32-bit lanes
// and moved to 64 bits every 1024 origins (a lane then holds at most 512 squares of 255).
#include <emmintrin.h>

#include "statistics/focus_kernels.h"

namespace vnimg::focus {
namespace {

__m128i Load(const VnBW8* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
__m128i AbsDiff(__m128i a, __m128i b) { return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)); }
// Sum of the squares of 16 bytes, in four 32-bit lanes.
__m128i Squares(__m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_unpacklo_epi8(d, zero), hi = _mm_unpackhi_epi8(d, zero);
  return _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi));
}
std::uint64_t Total(__m128i v32) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_add_epi64(_mm_unpacklo_epi32(v32, zero), _mm_unpackhi_epi32(v32, zero));
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(v)) + static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
}

}  // namespace

std::uint64_t Focus8Sse2(const VnBW8* p, const VnBW8* below, int n, int step) {
  constexpr int kFlush = 1024;
  std::uint64_t sum = 0;
  int j = 0;
  while (j + 16 <= n) {
    __m128i acc = _mm_setzero_si128();
    for (const int end = j + kFlush; j + 16 <= n && j < end; j += 16) {
      const __m128i v = Load(p + j);
      acc = _mm_add_epi32(acc, _mm_add_epi32(Squares(AbsDiff(v, Load(p + j + step))), Squares(AbsDiff(v, Load(below + j)))));
    }
    sum += Total(acc);
  }
  return sum + FocusTerms(p, below, j, n, step);
}

}  // namespace vnimg::focus
