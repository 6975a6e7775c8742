#include "point/convert_simd.h"

namespace vnimg::convert {
namespace {

struct Sse2 {
  using R = __m128i;
  using F = __m128;
  using Mask = std::uint16_t;
  static constexpr std::size_t kBytes = 16;
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<R*>(p), v); }
  static R Zero() { return _mm_setzero_si128(); }
  static R Set8(char v) { return _mm_set1_epi8(v); }
  static R Set16(short v) { return _mm_set1_epi16(v); }
  static R Set32(int v) { return _mm_set1_epi32(v); }
  static R Set64(long long v) { return _mm_set1_epi64x(v); }
  static R And(R a, R b) { return _mm_and_si128(a, b); }
  static R Or(R a, R b) { return _mm_or_si128(a, b); }
  static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
  static R Sub32(R a, R b) { return _mm_sub_epi32(a, b); }
  static R Srl16(R a, __m128i c) { return _mm_srl_epi16(a, c); }
  static R Sll16(R a, __m128i c) { return _mm_sll_epi16(a, c); }
  static R Srl32(R a, __m128i c) { return _mm_srl_epi32(a, c); }
  static R Sll32(R a, __m128i c) { return _mm_sll_epi32(a, c); }
  static R MulHi16(R a, R b) { return _mm_mulhi_epu16(a, b); }
  static R Eq8(R a, R b) { return _mm_cmpeq_epi8(a, b); }
  static R Eq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
  static R Eq32(R a, R b) { return _mm_cmpeq_epi32(a, b); }
  static R PackLow8(R a, R b) {
    const R low = _mm_set1_epi16(0xFF);
    return _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low));
  }
  // No unsigned 32-bit pack in SSE2: the low halves sign-extended pack back unchanged.
  static R PackLow16(R a, R b) {
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16), _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
  }
  static R PackSigned16(R a, R b) { return _mm_packs_epi16(a, b); }
  static R PackSigned32(R a, R b) { return _mm_packs_epi32(a, b); }
  static void Unpack8(R a, R b, R& lo, R& hi) { lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b); }
  static void Unpack16(R a, R b, R& lo, R& hi) { lo = _mm_unpacklo_epi16(a, b), hi = _mm_unpackhi_epi16(a, b); }
  static int MoveMask8(R a) { return _mm_movemask_epi8(a); }
  // Bytes reversed within each 64-bit half: words reversed, then the bytes of each word.
  static R Reverse8(R a) {
    const R words = _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0x1B), 0x1B);
    return _mm_or_si128(_mm_slli_epi16(words, 8), _mm_srli_epi16(words, 8));
  }
  static R Spread(const std::uint8_t* s) {
    constexpr unsigned long long kEvery = 0x0101010101010101ull;
    return _mm_set_epi64x(static_cast<long long>(s[1] * kEvery), static_cast<long long>(s[0] * kEvery));
  }
  static F LoadF(const float* p) { return _mm_loadu_ps(p); }
  static F SetF(float v) { return _mm_set1_ps(v); }
  static F ZeroF() { return _mm_setzero_ps(); }
  static F HalfF() { return _mm_set1_ps(0.5f); }
  static F MinF(F a, F b) { return _mm_min_ps(a, b); }
  static F MaxF(F a, F b) { return _mm_max_ps(a, b); }
  static F SubF(F a, F b) { return _mm_sub_ps(a, b); }
  static R TruncF(F a) { return _mm_cvttps_epi32(a); }
  static F ToF(R a) { return _mm_cvtepi32_ps(a); }
  static R GeF(F a, F b) { return _mm_castps_si128(_mm_cmpge_ps(a, b)); }
  // Four doubles rounded as floats are, into four 32-bit lanes.
  static __m128i RoundTwo(const double* s, double top) {
    const __m128d x = _mm_min_pd(_mm_max_pd(_mm_loadu_pd(s), _mm_setzero_pd()), _mm_set1_pd(top));
    const __m128i whole = _mm_cvttpd_epi32(x);
    const __m128d up = _mm_cmpge_pd(_mm_sub_pd(x, _mm_cvtepi32_pd(whole)), _mm_set1_pd(0.5));
    return _mm_sub_epi32(whole, _mm_shuffle_epi32(_mm_castpd_si128(up), 0x08));
  }
  static R RoundDoubles(const double* s, double top) { return _mm_unpacklo_epi64(RoundTwo(s, top), RoundTwo(s + 2, top)); }
};

}  // namespace

void FenceStreamsSse2() { _mm_sfence(); }

}  // namespace vnimg::convert

VNIMG_CONVERT_ENTRIES(Sse2, Sse2)
