#include <immintrin.h>

#include "statistics/stat_simd.h"

namespace vnimg::statistics {
namespace {

struct Avx2 {
  using R = __m256i;
  static constexpr std::size_t kBytes = 32;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<R*>(p), v); }
  static R Zero() { return _mm256_setzero_si256(); }
  static R Ones() { return _mm256_set1_epi32(-1); }
  static R Set8(std::uint8_t v) { return _mm256_set1_epi8(static_cast<char>(v)); }
  static R Set16(std::uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  static R And(R a, R b) { return _mm256_and_si256(a, b); }
  static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
  static R Add8(R a, R b) { return _mm256_add_epi8(a, b); }
  static R Sub8(R a, R b) { return _mm256_sub_epi8(a, b); }
  static R Add32(R a, R b) { return _mm256_add_epi32(a, b); }
  static R Add64(R a, R b) { return _mm256_add_epi64(a, b); }
  static R Min8(R a, R b) { return _mm256_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm256_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm256_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm256_max_epu16(a, b); }
  // Counters gain 1 in each byte of a lane that qualifies (compare masks are -1).
  static R CountAtMost8(R c, R v, R t, R on) { return Sub8(c, And(_mm256_cmpeq_epi8(Min8(v, t), v), on)); }
  static R CountAtMost16(R c, R v, R t, R on) { return Sub8(c, And(_mm256_cmpeq_epi16(Min16(v, t), v), on)); }
  static R CountEqual8(R c, R x, R y) { return Sub8(c, _mm256_cmpeq_epi8(x, y)); }
  static R CountEqual16(R c, R x, R y) { return Sub8(c, _mm256_cmpeq_epi16(x, y)); }
  static R Sad8(R a) { return _mm256_sad_epu8(a, _mm256_setzero_si256()); }
  static R UnpackLo8(R a, R b) { return _mm256_unpacklo_epi8(a, b); }
  static R UnpackHi8(R a, R b) { return _mm256_unpackhi_epi8(a, b); }
  static R UnpackLo16(R a, R b) { return _mm256_unpacklo_epi16(a, b); }
  static R UnpackHi16(R a, R b) { return _mm256_unpackhi_epi16(a, b); }
  static R UnpackLo32(R a, R b) { return _mm256_unpacklo_epi32(a, b); }
  static R UnpackHi32(R a, R b) { return _mm256_unpackhi_epi32(a, b); }
  static R MAdd16(R a, R b) { return _mm256_madd_epi16(a, b); }
  static R MulEpu32(R a, R b) { return _mm256_mul_epu32(a, b); }
  static R Srli64By32(R a) { return _mm256_srli_epi64(a, 32); }
  template <int N>
  static R Srli16(R a) { return _mm256_srli_epi16(a, N); }
  static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
  static void Widen8To16x2(const void* p, R out[2]) {
    const auto* bytes = static_cast<const std::uint8_t*>(p);
    for (int k = 0; k < 2; ++k) out[k] = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k)));
  }
  static void Widen16To32x2(R v, R out[2]) {
    out[0] = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(v)), out[1] = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1));
  }
};

}  // namespace
}  // namespace vnimg::statistics

VNIMG_STAT_DEFINE_ISA(Avx2, Avx2)
