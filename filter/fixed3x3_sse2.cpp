#include <emmintrin.h>

#include "filter/fixed3x3_kernels.h"

namespace vnimg::filter {
namespace {

// Eight VnBW8 pixels in signed 16-bit lanes.
struct Lanes16 {
  __m128i v;
};
inline Lanes16 operator+(Lanes16 a, Lanes16 b) { return {_mm_add_epi16(a.v, b.v)}; }
inline Lanes16 operator-(Lanes16 a, Lanes16 b) { return {_mm_sub_epi16(a.v, b.v)}; }
template <int n> inline Lanes16 Shl(Lanes16 a) { return {_mm_slli_epi16(a.v, n)}; }
template <int n> inline Lanes16 Shr(Lanes16 a) { return {_mm_srai_epi16(a.v, n)}; }
inline Lanes16 Abs(Lanes16 a) { return {_mm_max_epi16(a.v, _mm_sub_epi16(_mm_setzero_si128(), a.v))}; }
// (s x 85) >> 8 = (s x 21760) >> 16 for s below 65536.
inline Lanes16 Mean3(Lanes16 a) { return {_mm_mulhi_epu16(a.v, _mm_set1_epi16(21760))}; }

// Four VnBW16 pixels in 32-bit lanes.
struct Lanes32 {
  __m128i v;
};
inline Lanes32 operator+(Lanes32 a, Lanes32 b) { return {_mm_add_epi32(a.v, b.v)}; }
inline Lanes32 operator-(Lanes32 a, Lanes32 b) { return {_mm_sub_epi32(a.v, b.v)}; }
template <int n> inline Lanes32 Shl(Lanes32 a) { return {_mm_slli_epi32(a.v, n)}; }
template <int n> inline Lanes32 Shr(Lanes32 a) { return {_mm_srai_epi32(a.v, n)}; }
inline Lanes32 Abs(Lanes32 a) {
  const __m128i sign = _mm_srai_epi32(a.v, 31);
  return {_mm_sub_epi32(_mm_xor_si128(a.v, sign), sign)};
}
// s x 85 = s x 64 + s x 16 + s x 4 + s, below 2^31 for three 16-bit pixels.
inline Lanes32 Mean3(Lanes32 a) { return Shr<8>(Shl<6>(a) + Shl<4>(a) + Shl<2>(a) + a); }

inline Lanes16 Load(const VnBW8* p) {
  return {_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128())};
}
inline Lanes32 Load(const VnBW16* p) {
  return {_mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128())};
}
// The clamp to the pixel range is the saturating pack.
inline void Store(VnBW8* dst, Lanes16 a) { _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(a.v, a.v)); }
inline void Store(VnBW16* dst, Lanes32 a) {
  __m128i v = _mm_and_si128(a.v, _mm_cmpgt_epi32(a.v, _mm_setzero_si128()));
  const __m128i above = _mm_cmpgt_epi32(v, _mm_set1_epi32(65535));
  v = _mm_sub_epi32(_mm_or_si128(_mm_and_si128(above, _mm_set1_epi32(65535)), _mm_andnot_si128(above, v)), _mm_set1_epi32(32768));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_xor_si128(_mm_packs_epi32(v, v), _mm_set1_epi16(-32768)));
}

template <class T> constexpr int kStep = sizeof(T) == 1 ? 8 : 4;

}  // namespace

template <class F, class T>
void Fixed3x3RowSse2(const T* const* lines, T* dst, int width) {
  int x = 0;
  for (; x + kStep<T> <= width; x += kStep<T>) {
    decltype(Load(lines[0])) p[9];
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i) p[j * 3 + i] = Load(lines[j] + x + i);
    auto v = F::Value(p);
    Store(dst + x, F::absolute ? Abs(v) : v);
  }
  const T* rest[3] = {lines[0] + x, lines[1] + x, lines[2] + x};
  Fixed3x3RowPlain<F, T>(rest, dst + x, width - x);
}
VNIMG_FIXED3X3_INSTANTIATE(Fixed3x3RowSse2)

}  // namespace vnimg::filter
