#include <emmintrin.h>

#include "statistics/stat_simd.h"

namespace vnimg::statistics {
namespace {

struct Sse2 {
  using R = __m128i;
  static constexpr std::size_t kBytes = 16;
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<R*>(p), v); }
  static R Zero() { return _mm_setzero_si128(); }
  static R Ones() { return _mm_set1_epi32(-1); }
  static R Set8(std::uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }
  static R Set16(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static R And(R a, R b) { return _mm_and_si128(a, b); }
  static R Xor(R a, R b) { return _mm_xor_si128(a, b); }
  static R Add8(R a, R b) { return _mm_add_epi8(a, b); }
  static R Sub8(R a, R b) { return _mm_sub_epi8(a, b); }
  static R Add32(R a, R b) { return _mm_add_epi32(a, b); }
  static R Add64(R a, R b) { return _mm_add_epi64(a, b); }
  static R Min8(R a, R b) { return _mm_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm_max_epu8(a, b); }
  // SSE2 compares 16-bit lanes signed only: flip the top bit on the way in and out.
  static R Flip16(R a) { return _mm_xor_si128(a, _mm_set1_epi16(static_cast<short>(0x8000))); }
  static R Min16(R a, R b) { return Flip16(_mm_min_epi16(Flip16(a), Flip16(b))); }
  static R Max16(R a, R b) { return Flip16(_mm_max_epi16(Flip16(a), Flip16(b))); }
  static R CmpEq8(R a, R b) { return _mm_cmpeq_epi8(a, b); }
  static R CmpEq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
  static R Sad8(R a) { return _mm_sad_epu8(a, _mm_setzero_si128()); }
  static R UnpackLo8(R a, R b) { return _mm_unpacklo_epi8(a, b); }
  static R UnpackHi8(R a, R b) { return _mm_unpackhi_epi8(a, b); }
  static R UnpackLo16(R a, R b) { return _mm_unpacklo_epi16(a, b); }
  static R UnpackHi16(R a, R b) { return _mm_unpackhi_epi16(a, b); }
  static R UnpackLo32(R a, R b) { return _mm_unpacklo_epi32(a, b); }
  static R UnpackHi32(R a, R b) { return _mm_unpackhi_epi32(a, b); }
  static R MAdd16(R a, R b) { return _mm_madd_epi16(a, b); }
  static R MulEpu32(R a, R b) { return _mm_mul_epu32(a, b); }
  static R Srli64By32(R a) { return _mm_srli_epi64(a, 32); }
  template <int N>
  static R Srli16(R a) { return _mm_srli_epi16(a, N); }
  static void Widen8To32x4(const void* p, R out[4]) {
    const R v = Load(p), zero = Zero();
    const R lo = UnpackLo8(v, zero), hi = UnpackHi8(v, zero);
    out[0] = UnpackLo16(lo, zero), out[1] = UnpackHi16(lo, zero), out[2] = UnpackLo16(hi, zero), out[3] = UnpackHi16(hi, zero);
  }
  static void Widen16To32x2(const void* p, R out[2]) {
    const R v = Load(p), zero = Zero();
    out[0] = UnpackLo16(v, zero), out[1] = UnpackHi16(v, zero);
  }
};

}  // namespace
}  // namespace vnimg::statistics

VNIMG_STAT_DEFINE_ISA(Sse2, Sse2)
