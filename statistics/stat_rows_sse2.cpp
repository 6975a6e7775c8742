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
  // Counters gain 1 in each byte of a lane that qualifies (compare masks are -1).
  static R CountAtMost8(R c, R v, R t, R on) { return Sub8(c, And(_mm_cmpeq_epi8(Min8(v, t), v), on)); }
  static R CountAtMost16(R c, R v, R t, R on) { return Sub8(c, And(_mm_cmpeq_epi16(Min16(v, t), v), on)); }
  static R CountEqual8(R c, R x, R y) { return Sub8(c, _mm_cmpeq_epi8(x, y)); }
  static R CountEqual16(R c, R x, R y) { return Sub8(c, _mm_cmpeq_epi16(x, y)); }
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
  static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
  static void Widen8To16x2(const void* p, R out[2]) {
    const R v = Load(p), zero = Zero();
    out[0] = UnpackLo8(v, zero), out[1] = UnpackHi8(v, zero);
  }
  static void Widen16To32x2(R v, R out[2]) {
    const R zero = Zero();
    out[0] = UnpackLo16(v, zero), out[1] = UnpackHi16(v, zero);
  }
};

}  // namespace
}  // namespace vnimg::statistics

VNIMG_STAT_DEFINE_ISA(Sse2, Sse2)
