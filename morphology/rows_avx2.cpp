#include <immintrin.h>

#include "morphology/rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Avx2 {
  using R = __m256i;
  static constexpr bool kLaneShifts = true;
  static constexpr int kBytes = 32;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<R*>(p), v); }
  static R Min8(R a, R b) { return _mm256_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm256_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm256_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm256_max_epu16(a, b); }
  // alignr shifts within each 128-bit half: the halves beside each other come from one permute.
  template <class T>
  static R Before(R a, R b) { return _mm256_alignr_epi8(b, _mm256_permute2x128_si256(a, b, 0x21), 16 - sizeof(T)); }
  template <class T>
  static R After(R a, R b) { return _mm256_alignr_epi8(_mm256_permute2x128_si256(a, b, 0x21), a, sizeof(T)); }
};

}  // namespace

RowKernels<std::uint8_t> RowKernelsAvx2(std::uint8_t) { return KernelsOf<Avx2, std::uint8_t>(); }
RowKernels<std::uint16_t> RowKernelsAvx2(std::uint16_t) { return KernelsOf<Avx2, std::uint16_t>(); }

}  // namespace vnimg::morphology
