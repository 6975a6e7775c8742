#include <immintrin.h>

#include "histogram/histogram_count.h"
#include "histogram/pair_fold.h"

namespace vnimg::histogram {
namespace {

// Zero-masked forms where GCC 12 warns on the undefined input of the plain ones.
struct Avx512 {
  using R = __m512i;
  static constexpr std::size_t kBytes = 64;
  static R Zero() { return _mm512_setzero_si512(); }
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  static R Add16(R a, R b) { return _mm512_add_epi16(a, b); }
  static R Add64(R a, R b) { return _mm512_add_epi64(a, b); }
  static R Or(R a, R b) { return _mm512_or_si512(a, b); }
  static R SumBytes(R a) { return _mm512_sad_epu8(a, _mm512_setzero_si512()); }
  static R InterleaveLow(R a, R b) { return _mm512_unpacklo_epi8(a, b); }
  static R InterleaveHigh(R a, R b) { return _mm512_unpackhi_epi8(a, b); }
  static R AddBytePairs(R a) { return _mm512_maddubs_epi16(a, _mm512_set1_epi8(1)); }
  static R ShiftFields(R a, int q) { return _mm512_maskz_sll_epi64(0xFF, a, _mm_cvtsi32_si128(16 * q)); }
  static std::uint64_t Total64(R a) {
    const __m256i q = _mm256_add_epi64(_mm512_maskz_extracti64x4_epi64(0xF, a, 0), _mm512_maskz_extracti64x4_epi64(0xF, a, 1));
    const __m128i h = _mm_add_epi64(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_add_epi64(h, _mm_unpackhi_epi64(h, h))));
  }
};

}  // namespace

void FoldPairsAvx512(const std::uint8_t* pairs, std::uint32_t* out) { FoldPairsIn<Avx512>(pairs, out); }

}  // namespace vnimg::histogram
