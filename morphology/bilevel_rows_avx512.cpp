#include <immintrin.h>

#include "morphology/bilevel_rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Avx512 {
  using R = __m512i;
  static constexpr int kBytes = 64;
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  static R And(R a, R b) { return _mm512_and_si512(a, b); }
  static R Or(R a, R b) { return _mm512_or_si512(a, b); }
  // 1 in every byte whose mask bit says non-zero.
  static R One(R v) { return _mm512_maskz_mov_epi8(_mm512_test_epi8_mask(v, v), _mm512_set1_epi8(1)); }
  static R Add(R a, R b) { return _mm512_add_epi8(a, b); }
  static R AtLeastFive(R count) { return _mm512_movm_epi8(_mm512_cmpgt_epi8_mask(count, _mm512_set1_epi8(4))); }
};

}  // namespace

BiLevelKernels BiLevelKernelsAvx512() { return BiLevelKernelsOf<Avx512>(); }

}  // namespace vnimg::morphology
