#include <emmintrin.h>

#include "morphology/bilevel_rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Sse2 {
  using R = __m128i;
  static constexpr int kBytes = 16;
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<R*>(p), v); }
  static R And(R a, R b) { return _mm_and_si128(a, b); }
  static R Or(R a, R b) { return _mm_or_si128(a, b); }
  // (v == 0 ? 0xFF : 0) + 1
  static R One(R v) { return _mm_add_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()), _mm_set1_epi8(1)); }
  static R Add(R a, R b) { return _mm_add_epi8(a, b); }
  static R AtLeastFive(R count) { return _mm_cmpgt_epi8(count, _mm_set1_epi8(4)); }
};

}  // namespace

BiLevelKernels BiLevelKernelsSse2() { return BiLevelKernelsOf<Sse2>(); }

}  // namespace vnimg::morphology
