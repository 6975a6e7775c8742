#include <emmintrin.h>

#include "point/oper_simd.h"

namespace vnimg::point {
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
  static R Or(R a, R b) { return _mm_or_si128(a, b); }
  static R Xor(R a, R b) { return _mm_xor_si128(a, b); }
  static R AndNot(R a, R b) { return _mm_andnot_si128(a, b); }
  static R UnpackLo8(R a, R b) { return _mm_unpacklo_epi8(a, b); }
  static R UnpackHi8(R a, R b) { return _mm_unpackhi_epi8(a, b); }
  static R PackUs16(R a, R b) { return _mm_packus_epi16(a, b); }
  template <int N>
  static R Srli16(R a) { return _mm_srli_epi16(a, N); }
  static R MulLo16(R a, R b) { return _mm_mullo_epi16(a, b); }
  static R MulHi16(R a, R b) { return _mm_mulhi_epu16(a, b); }
  static R AddSat8(R a, R b) { return _mm_adds_epu8(a, b); }
  static R SubSat8(R a, R b) { return _mm_subs_epu8(a, b); }
  static R Sub8(R a, R b) { return _mm_sub_epi8(a, b); }
  static R Avg8(R a, R b) { return _mm_avg_epu8(a, b); }
  static R Min8(R a, R b) { return _mm_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm_max_epu8(a, b); }
  static R CmpEq8(R a, R b) { return _mm_cmpeq_epi8(a, b); }
  static R AddSat16(R a, R b) { return _mm_adds_epu16(a, b); }
  static R SubSat16(R a, R b) { return _mm_subs_epu16(a, b); }
  static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
  static R Avg16(R a, R b) { return _mm_avg_epu16(a, b); }
  // SSE2 has no unsigned 16-bit min and max: a - (a -sat b) and b + (a -sat b).
  static R Min16(R a, R b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); }
  static R Max16(R a, R b) { return _mm_add_epi16(b, _mm_subs_epu16(a, b)); }
  static R CmpEq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
};

}  // namespace

ByteRowFn ByteRowSse2(int op) { return OperRowFor<Sse2, std::uint8_t>(op); }
WordRowFn WordRowSse2(int op) { return OperRowFor<Sse2, std::uint16_t>(op); }
ByteRowFn BitRowSse2(int op) { return BitRowFor<Sse2>(op); }

}  // namespace vnimg::point
