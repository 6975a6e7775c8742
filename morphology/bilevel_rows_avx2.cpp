#include <immintrin.h>

#include "morphology/bilevel_rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Avx2 {
  using R = __m256i;
  static constexpr int kBytes = 32;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<R*>(p), v); }
  static R And(R a, R b) { return _mm256_and_si256(a, b); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  // (v == 0 ? 0xFF : 0) + 1
  static R One(R v) { return _mm256_add_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256()), _mm256_set1_epi8(1)); }
  static R Add(R a, R b) { return _mm256_add_epi8(a, b); }
  static R AtLeastFive(R count) { return _mm256_cmpgt_epi8(count, _mm256_set1_epi8(4)); }
};

}  // namespace

BiLevelKernels BiLevelKernelsAvx2() { return BiLevelKernelsOf<Avx2>(); }

}  // namespace vnimg::morphology
