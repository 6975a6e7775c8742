#include "point/convert_simd.h"

namespace vnimg::convert {
namespace {

// 256-bit packs and unpacks work within 128-bit lanes; a 64-bit permute puts their results
// (or their inputs) back in memory order.
struct Avx2 {
  using R = __m256i;
  using F = __m256;
  using Mask = std::uint32_t;
  static constexpr std::size_t kBytes = 32;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const R*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<R*>(p), v); }
  static R Zero() { return _mm256_setzero_si256(); }
  static R Set8(char v) { return _mm256_set1_epi8(v); }
  static R Set16(short v) { return _mm256_set1_epi16(v); }
  static R Set32(int v) { return _mm256_set1_epi32(v); }
  static R Set64(long long v) { return _mm256_set1_epi64x(v); }
  static R And(R a, R b) { return _mm256_and_si256(a, b); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
  static R Sub32(R a, R b) { return _mm256_sub_epi32(a, b); }
  static R Srl16(R a, __m128i c) { return _mm256_srl_epi16(a, c); }
  static R Sll16(R a, __m128i c) { return _mm256_sll_epi16(a, c); }
  static R Srl32(R a, __m128i c) { return _mm256_srl_epi32(a, c); }
  static R Sll32(R a, __m128i c) { return _mm256_sll_epi32(a, c); }
  static R MulHi16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
  static R Eq8(R a, R b) { return _mm256_cmpeq_epi8(a, b); }
  static R Eq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
  static R Eq32(R a, R b) { return _mm256_cmpeq_epi32(a, b); }
  static R InOrder(R packed) { return _mm256_permute4x64_epi64(packed, 0xD8); }
  static R PackLow8(R a, R b) {
    const R low = _mm256_set1_epi16(0xFF);
    return InOrder(_mm256_packus_epi16(_mm256_and_si256(a, low), _mm256_and_si256(b, low)));
  }
  static R PackLow16(R a, R b) {
    const R low = _mm256_set1_epi32(0xFFFF);
    return InOrder(_mm256_packus_epi32(_mm256_and_si256(a, low), _mm256_and_si256(b, low)));
  }
  static R PackSigned16(R a, R b) { return InOrder(_mm256_packs_epi16(a, b)); }
  static R PackSigned32(R a, R b) { return InOrder(_mm256_packs_epi32(a, b)); }
  static void Unpack8(R a, R b, R& lo, R& hi) {
    a = InOrder(a), b = InOrder(b);
    lo = _mm256_unpacklo_epi8(a, b), hi = _mm256_unpackhi_epi8(a, b);
  }
  static void Unpack16(R a, R b, R& lo, R& hi) {
    a = InOrder(a), b = InOrder(b);
    lo = _mm256_unpacklo_epi16(a, b), hi = _mm256_unpackhi_epi16(a, b);
  }
  static int MoveMask8(R a) { return _mm256_movemask_epi8(a); }
  static R Reverse8(R a) {
    return _mm256_shuffle_epi8(a, _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2,
                                                   1, 0, 15, 14, 13, 12, 11, 10, 9, 8));
  }
  static R Spread(const std::uint8_t* s) {
    constexpr unsigned long long kEvery = 0x0101010101010101ull;
    return _mm256_set_epi64x(static_cast<long long>(s[3] * kEvery), static_cast<long long>(s[2] * kEvery),
                             static_cast<long long>(s[1] * kEvery), static_cast<long long>(s[0] * kEvery));
  }
  static F LoadF(const float* p) { return _mm256_loadu_ps(p); }
  static F SetF(float v) { return _mm256_set1_ps(v); }
  static F ZeroF() { return _mm256_setzero_ps(); }
  static F HalfF() { return _mm256_set1_ps(0.5f); }
  static F MinF(F a, F b) { return _mm256_min_ps(a, b); }
  static F MaxF(F a, F b) { return _mm256_max_ps(a, b); }
  static F SubF(F a, F b) { return _mm256_sub_ps(a, b); }
  static R TruncF(F a) { return _mm256_cvttps_epi32(a); }
  static F ToF(R a) { return _mm256_cvtepi32_ps(a); }
  static R GeF(F a, F b) { return _mm256_castps_si256(_mm256_cmp_ps(a, b, _CMP_GE_OQ)); }
  static __m128i RoundFour(const double* s, double top) {
    const __m256d x = _mm256_min_pd(_mm256_max_pd(_mm256_loadu_pd(s), _mm256_setzero_pd()), _mm256_set1_pd(top));
    const __m256d whole = _mm256_round_pd(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d up = _mm256_cmp_pd(_mm256_sub_pd(x, whole), _mm256_set1_pd(0.5), _CMP_GE_OQ);
    return _mm256_cvttpd_epi32(_mm256_add_pd(whole, _mm256_and_pd(up, _mm256_set1_pd(1.0))));
  }
  static R RoundDoubles(const double* s, double top) { return _mm256_setr_m128i(RoundFour(s, top), RoundFour(s + 4, top)); }
};

__m128i Load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// Pixels p[0..7] of a VnC24 row as 32-bit lanes c0 | c1 << 8 | c2 << 16 (reads 24 bytes).
__m256i C24Lanes(const U8* p) {
  const __m256i x = _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(p)), Load128(p + 8), 1);
  return _mm256_shuffle_epi8(x, _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                                 4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1));
}
// The inverse: eight such lanes stored as 24 bytes.
void StoreC24Lanes(__m256i lanes, U8* p) {
  const __m256i packed = _mm256_shuffle_epi8(lanes, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                                                     0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
  const __m128i high = _mm256_extracti128_si256(packed, 1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(packed));  // bytes 12..15 rewritten next
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 12), high);
  const int last = _mm_cvtsi128_si32(_mm_srli_si128(high, 8));
  std::memcpy(p + 20, &last, 4);
}

__m256i Bits(__m256i x, int right, int mask) { return _mm256_and_si256(_mm256_srli_epi32(x, right), _mm256_set1_epi32(mask)); }
__m256i BitsLeft(__m256i x, int left, int mask) { return _mm256_and_si256(_mm256_slli_epi32(x, left), _mm256_set1_epi32(mask)); }

__m256i C15Of(__m256i x) { return _mm256_or_si256(Bits(x, 3, 0x1F), _mm256_or_si256(Bits(x, 6, 0x3E0), Bits(x, 9, 0x7C00))); }
__m256i C16Of(__m256i x) { return _mm256_or_si256(Bits(x, 3, 0x1F), _mm256_or_si256(Bits(x, 5, 0x7E0), Bits(x, 8, 0xF800))); }
__m256i C24OfC15(__m256i w) {
  return _mm256_or_si256(BitsLeft(w, 3, 0xF8), _mm256_or_si256(BitsLeft(w, 6, 0xF800), BitsLeft(w, 9, 0xF80000)));
}
__m256i C24OfC16(__m256i w) {
  return _mm256_or_si256(BitsLeft(w, 3, 0xF8), _mm256_or_si256(BitsLeft(w, 5, 0xFC00), BitsLeft(w, 8, 0xF80000)));
}

}  // namespace

void GrayToC24Avx2(const U8* s, U8* d, std::size_t n) {
  // Output bytes j of a 32-pixel step come from pixel j / 3: the first 32 bytes from pixels
  // 0..10, the next from 10..21, the last from 21..31, each lane from a register holding them.
  const __m256i first = _mm256_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5,  //
                                         5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
  const __m256i middle = _mm256_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15,  //
                                          0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
  const __m256i last = _mm256_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10,  //
                                        10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i low = _mm256_broadcastsi128_si256(Load128(s + i));
    const __m256i both = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i high = _mm256_broadcastsi128_si256(Load128(s + i + 16));
    U8* out = d + 3 * i;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_shuffle_epi8(low, first));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_shuffle_epi8(both, middle));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), _mm256_shuffle_epi8(high, last));
  }
  for (; i < n; ++i) SpreadGray(s[i], d + 3 * i);
}

void C24ToC15Avx2(const U8* s, U16* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i words = Avx2::PackLow16(C15Of(C24Lanes(s + 3 * i)), C15Of(C24Lanes(s + 3 * i + 24)));
    const __m256i kept = _mm256_and_si256(Avx2::Load(d + i), _mm256_set1_epi16(static_cast<short>(0x8000)));
    Avx2::Store(d + i, _mm256_or_si256(words, kept));
  }
  for (; i < n; ++i) d[i] = PackC15(s[3 * i], s[3 * i + 1], s[3 * i + 2], d[i]);
}

void C24ToC16Avx2(const U8* s, U16* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) Avx2::Store(d + i, Avx2::PackLow16(C16Of(C24Lanes(s + 3 * i)), C16Of(C24Lanes(s + 3 * i + 24))));
  for (; i < n; ++i) d[i] = PackC16(s[3 * i], s[3 * i + 1], s[3 * i + 2]);
}

void C15ToC24Avx2(const U16* s, U8* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) StoreC24Lanes(C24OfC15(_mm256_cvtepu16_epi32(Load128(s + i))), d + 3 * i);
  for (; i < n; ++i) UnpackC15(s[i], d + 3 * i);
}

void C16ToC24Avx2(const U16* s, U8* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) StoreC24Lanes(C24OfC16(_mm256_cvtepu16_epi32(Load128(s + i))), d + 3 * i);
  for (; i < n; ++i) UnpackC16(s[i], d + 3 * i);
}

}  // namespace vnimg::convert

VNIMG_CONVERT_ENTRIES(Avx2, Avx2)
