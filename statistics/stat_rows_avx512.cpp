#include <immintrin.h>

#include "statistics/stat_simd.h"

namespace vnimg::statistics {
namespace {

struct Avx512 {
  using R = __m512i;
  static constexpr std::size_t kBytes = 64;
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  static R Zero() { return _mm512_setzero_si512(); }
  static R Ones() { return _mm512_set1_epi32(-1); }
  static R Set8(std::uint8_t v) { return _mm512_set1_epi8(static_cast<char>(v)); }
  static R Set16(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
  static R And(R a, R b) { return _mm512_and_si512(a, b); }
  static R Xor(R a, R b) { return _mm512_xor_si512(a, b); }
  static R Add8(R a, R b) { return _mm512_add_epi8(a, b); }
  static R Sub8(R a, R b) { return _mm512_sub_epi8(a, b); }
  static R Add32(R a, R b) { return _mm512_add_epi32(a, b); }
  static R Add64(R a, R b) { return _mm512_add_epi64(a, b); }
  static R Min8(R a, R b) { return _mm512_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm512_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm512_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm512_max_epu16(a, b); }
  // Counters gain 1 in each byte of a lane that qualifies, added under the compare mask.
  static R CountAtMost8(R c, R v, R t, R on) {
    return _mm512_mask_add_epi8(c, _mm512_cmple_epu8_mask(v, t) & _mm512_movepi8_mask(on), c, Set8(1));
  }
  static R CountAtMost16(R c, R v, R t, R on) {
    return _mm512_mask_add_epi16(c, _mm512_cmple_epu16_mask(v, t) & _mm512_movepi16_mask(on), c, Set16(0x0101));
  }
  // Equal pixels counted from the compare mask: faster here than byte counters added under it.
  static std::uint64_t EqualPixels8(R x, R y) { return static_cast<std::uint64_t>(_mm_popcnt_u64(_mm512_cmpeq_epi8_mask(x, y))); }
  static std::uint64_t EqualPixels16(R x, R y) { return static_cast<std::uint64_t>(_mm_popcnt_u32(_mm512_cmpeq_epi16_mask(x, y))); }
  static R Sad8(R a) { return _mm512_sad_epu8(a, _mm512_setzero_si512()); }
  static R UnpackLo8(R a, R b) { return _mm512_unpacklo_epi8(a, b); }
  static R UnpackHi8(R a, R b) { return _mm512_unpackhi_epi8(a, b); }
  static R UnpackLo16(R a, R b) { return _mm512_unpacklo_epi16(a, b); }
  static R UnpackHi16(R a, R b) { return _mm512_unpackhi_epi16(a, b); }
  // Zero-masked forms here and in the widenings: GCC 12 warns on the undefined input of the plain ones.
  static R UnpackLo32(R a, R b) { return _mm512_maskz_unpacklo_epi32(0xFFFF, a, b); }
  static R UnpackHi32(R a, R b) { return _mm512_maskz_unpackhi_epi32(0xFFFF, a, b); }
  static R MAdd16(R a, R b) { return _mm512_madd_epi16(a, b); }
  static R MulEpu32(R a, R b) { return _mm512_maskz_mul_epu32(0xFF, a, b); }
  static R Srli64By32(R a) { return _mm512_maskz_srli_epi64(0xFF, a, 32); }
  template <int N>
  static R Srli16(R a) { return _mm512_srli_epi16(a, N); }
  static R Add16(R a, R b) { return _mm512_add_epi16(a, b); }
  static void Widen8To16x2(const void* p, R out[2]) {
    const auto* bytes = static_cast<const std::uint8_t*>(p);
    for (int k = 0; k < 2; ++k) out[k] = _mm512_maskz_cvtepu8_epi16(~__mmask32{0}, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32 * k)));
  }
  static void Widen16To32x2(R v, R out[2]) {
    out[0] = _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm512_maskz_extracti64x4_epi64(0xF, v, 0));
    out[1] = _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm512_maskz_extracti64x4_epi64(0xF, v, 1));
  }
};

}  // namespace
}  // namespace vnimg::statistics

VNIMG_STAT_DEFINE_ISA(Avx512, Avx512)
