#include <emmintrin.h>

#include "morphology/rows_simd.h"

namespace vnimg::morphology {
namespace {

// SSE2 has no unsigned 16-bit minimum or maximum: a - (a -sat b) is min(a, b), b + (a -sat b)
// is max(a, b).
struct Sse2 {
  using R = __m128i;
  static constexpr bool kLaneShifts = false;
  static constexpr int kBytes = 16;
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<R*>(p), v); }
  static R Min8(R a, R b) { return _mm_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); }
  static R Max16(R a, R b) { return _mm_add_epi16(b, _mm_subs_epu16(a, b)); }
};

}  // namespace

RowKernels<std::uint8_t> RowKernelsSse2(std::uint8_t) { return KernelsOf<Sse2, std::uint8_t>(); }
RowKernels<std::uint16_t> RowKernelsSse2(std::uint16_t) { return KernelsOf<Sse2, std::uint16_t>(); }

}  // namespace vnimg::morphology
