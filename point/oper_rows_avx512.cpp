#include <immintrin.h>

#include "point/oper_simd.h"

namespace vnimg::point {
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
  static R Or(R a, R b) { return _mm512_or_si512(a, b); }
  static R Xor(R a, R b) { return _mm512_xor_si512(a, b); }
  // ~a & b as a ternary-logic truth table (GCC 12 warns on _mm512_andnot_si512's undefined input).
  static R AndNot(R a, R b) { return _mm512_ternarylogic_epi32(a, b, b, 0x0C); }
  static R UnpackLo8(R a, R b) { return _mm512_unpacklo_epi8(a, b); }
  static R UnpackHi8(R a, R b) { return _mm512_unpackhi_epi8(a, b); }
  static R PackUs16(R a, R b) { return _mm512_packus_epi16(a, b); }
  template <int N>
  static R Srli16(R a) { return _mm512_srli_epi16(a, N); }
  static R MulLo16(R a, R b) { return _mm512_mullo_epi16(a, b); }
  static R MulHi16(R a, R b) { return _mm512_mulhi_epu16(a, b); }
  static R AddSat8(R a, R b) { return _mm512_adds_epu8(a, b); }
  static R SubSat8(R a, R b) { return _mm512_subs_epu8(a, b); }
  static R Sub8(R a, R b) { return _mm512_sub_epi8(a, b); }
  static R Avg8(R a, R b) { return _mm512_avg_epu8(a, b); }
  static R Min8(R a, R b) { return _mm512_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm512_max_epu8(a, b); }
  static R CmpEq8(R a, R b) { return _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(a, b)); }
  static R AddSat16(R a, R b) { return _mm512_adds_epu16(a, b); }
  static R SubSat16(R a, R b) { return _mm512_subs_epu16(a, b); }
  static R Sub16(R a, R b) { return _mm512_sub_epi16(a, b); }
  static R Avg16(R a, R b) { return _mm512_avg_epu16(a, b); }
  static R Min16(R a, R b) { return _mm512_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm512_max_epu16(a, b); }
  static R CmpEq16(R a, R b) { return _mm512_movm_epi16(_mm512_cmpeq_epi16_mask(a, b)); }
};

}  // namespace

ByteRowFn ByteRowAvx512(int op) { return OperRowFor<Avx512, std::uint8_t>(op); }
WordRowFn WordRowAvx512(int op) { return OperRowFor<Avx512, std::uint16_t>(op); }
ByteRowFn BitRowAvx512(int op) { return BitRowFor<Avx512>(op); }

// A 256-entry lookup with two-table byte permutes: each answers from 128 entries by the low
// seven bits of x, and the top bit of x picks between the two answers.
void TableRowAvx512(const std::uint8_t* table, const std::uint8_t* x, std::uint8_t* d, std::size_t n) {
  const __m512i t0 = _mm512_loadu_si512(table), t1 = _mm512_loadu_si512(table + 64);
  const __m512i t2 = _mm512_loadu_si512(table + 128), t3 = _mm512_loadu_si512(table + 192);
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const __m512i index = _mm512_loadu_si512(x + i);
    const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);
    const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
    _mm512_storeu_si512(d + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
  }
  for (; i < n; ++i) d[i] = table[x[i]];
}

}  // namespace vnimg::point
