#include <immintrin.h>

#include "histogram/histogram_count.h"
#include "histogram/pair_fold.h"

namespace vnimg::histogram {
namespace {

struct Avx2 {
  using R = __m256i;
  static constexpr std::size_t kBytes = 32;
  static R Zero() { return _mm256_setzero_si256(); }
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<R*>(p), v); }
  static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
  static R Add64(R a, R b) { return _mm256_add_epi64(a, b); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R SumBytes(R a) { return _mm256_sad_epu8(a, _mm256_setzero_si256()); }
  static R InterleaveLow(R a, R b) { return _mm256_unpacklo_epi8(a, b); }
  static R InterleaveHigh(R a, R b) { return _mm256_unpackhi_epi8(a, b); }
  static R AddBytePairs(R a) { return _mm256_maddubs_epi16(a, _mm256_set1_epi8(1)); }
  static R ShiftFields(R a, int q) { return _mm256_sll_epi64(a, _mm_cvtsi32_si128(16 * q)); }
  static std::uint64_t Total64(R a) {
    const __m128i h = _mm_add_epi64(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_add_epi64(h, _mm_unpackhi_epi64(h, h))));
  }
};

}  // namespace

void FoldPairsAvx2(const std::uint8_t* pairs, std::uint32_t* out) { FoldPairsIn<Avx2>(pairs, out); }

}  // namespace vnimg::histogram
