#include <immintrin.h>

#include "point/oper_simd.h"

namespace vnimg::point {
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
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
  static R AndNot(R a, R b) { return _mm256_andnot_si256(a, b); }
  static R UnpackLo8(R a, R b) { return _mm256_unpacklo_epi8(a, b); }
  static R UnpackHi8(R a, R b) { return _mm256_unpackhi_epi8(a, b); }
  static R PackUs16(R a, R b) { return _mm256_packus_epi16(a, b); }
  template <int N>
  static R Srli16(R a) { return _mm256_srli_epi16(a, N); }
  static R MulLo16(R a, R b) { return _mm256_mullo_epi16(a, b); }
  static R MulHi16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
  static R AddSat8(R a, R b) { return _mm256_adds_epu8(a, b); }
  static R SubSat8(R a, R b) { return _mm256_subs_epu8(a, b); }
  static R Sub8(R a, R b) { return _mm256_sub_epi8(a, b); }
  static R Avg8(R a, R b) { return _mm256_avg_epu8(a, b); }
  static R Min8(R a, R b) { return _mm256_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm256_max_epu8(a, b); }
  static R CmpEq8(R a, R b) { return _mm256_cmpeq_epi8(a, b); }
  static R AddSat16(R a, R b) { return _mm256_adds_epu16(a, b); }
  static R SubSat16(R a, R b) { return _mm256_subs_epu16(a, b); }
  static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
  static R Avg16(R a, R b) { return _mm256_avg_epu16(a, b); }
  static R Min16(R a, R b) { return _mm256_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm256_max_epu16(a, b); }
  static R CmpEq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
};

}  // namespace

ByteRowFn ByteRowAvx2(int op) { return OperRowFor<Avx2, std::uint8_t>(op); }
WordRowFn WordRowAvx2(int op) { return OperRowFor<Avx2, std::uint16_t>(op); }
ByteRowFn BitRowAvx2(int op) { return BitRowFor<Avx2>(op); }

// A 256-entry lookup from 16-entry byte shuffles. The table is cut into 16 slices of 16
// entries; slice k's shuffle is given x - 16k with signed saturation, whose top bit (which
// makes the shuffle give 0) is set exactly when x < 16k, so slices 0..h (h = x >> 4) all answer.
// Each slice holds its entries XOR the previous slice's, so the XOR of the answers is slice h's
// entry. Entries 128..255 run the same way on x - 128 (x XOR 0x80): signed, the other half of
// the values is negative and never answers.
void TableRowAvx2(const std::uint8_t* table, const std::uint8_t* x, std::uint8_t* d, std::size_t n) {
  __m256i slices[16];
  for (int k = 0; k < 16; ++k) {
    const __m128i slice = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k));
    const __m128i previous =
        k % 8 == 0 ? _mm_setzero_si128() : _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * (k - 1)));
    slices[k] = _mm256_broadcastsi128_si256(_mm_xor_si128(slice, previous));
  }
  const __m256i step = _mm256_set1_epi8(16);
  const __m256i flip = _mm256_set1_epi8(static_cast<char>(0x80));
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
    __m256i high = _mm256_xor_si256(low, flip);
    __m256i result = _mm256_setzero_si256();
    for (int k = 0; k < 8; ++k) {
      result = _mm256_xor_si256(result, _mm256_shuffle_epi8(slices[k], low));
      result = _mm256_xor_si256(result, _mm256_shuffle_epi8(slices[k + 8], high));
      low = _mm256_subs_epi8(low, step);
      high = _mm256_subs_epi8(high, step);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), result);
  }
  for (; i < n; ++i) d[i] = table[x[i]];
}

}  // namespace vnimg::point
