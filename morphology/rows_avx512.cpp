#include <immintrin.h>

#include "morphology/rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Avx512 {
  using R = __m512i;
  static constexpr int kBytes = 64;
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  static R Min8(R a, R b) { return _mm512_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm512_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm512_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm512_max_epu16(a, b); }
};

}  // namespace

RowKernels<std::uint8_t> RowKernelsAvx512(std::uint8_t) { return KernelsOf<Avx512, std::uint8_t>(); }
RowKernels<std::uint16_t> RowKernelsAvx512(std::uint16_t) { return KernelsOf<Avx512, std::uint16_t>(); }

}  // namespace vnimg::morphology
