#include <immintrin.h>

#include "filter/fixed3x3_kernels.h"

namespace vnimg::filter {
namespace {

// All lanes: GCC 12 warns on the undefined inputs of the unmasked forms.
constexpr __mmask32 kAll32 = 0xFFFFFFFF;
constexpr __mmask16 kAll16 = 0xFFFF;

// Thirty-two VnBW8 pixels in signed 16-bit lanes.
struct Lanes16 {
  __m512i v;
};
inline Lanes16 operator+(Lanes16 a, Lanes16 b) { return {_mm512_add_epi16(a.v, b.v)}; }
inline Lanes16 operator-(Lanes16 a, Lanes16 b) { return {_mm512_sub_epi16(a.v, b.v)}; }
template <int n> inline Lanes16 Shl(Lanes16 a) { return {_mm512_maskz_slli_epi16(kAll32, a.v, n)}; }
template <int n> inline Lanes16 Shr(Lanes16 a) { return {_mm512_maskz_srai_epi16(kAll32, a.v, n)}; }
inline Lanes16 Abs(Lanes16 a) { return {_mm512_maskz_abs_epi16(kAll32, a.v)}; }
// (s x 85) >> 8 = (s x 21760) >> 16 for s below 65536.
inline Lanes16 Mean3(Lanes16 a) { return {_mm512_maskz_mulhi_epu16(kAll32, a.v, _mm512_set1_epi16(21760))}; }

// Sixteen VnBW16 pixels in 32-bit lanes.
struct Lanes32 {
  __m512i v;
};
inline Lanes32 operator+(Lanes32 a, Lanes32 b) { return {_mm512_add_epi32(a.v, b.v)}; }
inline Lanes32 operator-(Lanes32 a, Lanes32 b) { return {_mm512_sub_epi32(a.v, b.v)}; }
template <int n> inline Lanes32 Shl(Lanes32 a) { return {_mm512_maskz_slli_epi32(kAll16, a.v, n)}; }
template <int n> inline Lanes32 Shr(Lanes32 a) { return {_mm512_maskz_srai_epi32(kAll16, a.v, n)}; }
inline Lanes32 Abs(Lanes32 a) { return {_mm512_maskz_abs_epi32(kAll16, a.v)}; }
inline Lanes32 Mean3(Lanes32 a) {
  return {_mm512_maskz_srai_epi32(kAll16, _mm512_maskz_mullo_epi32(kAll16, a.v, _mm512_set1_epi32(85)), 8)};
}

inline Lanes16 Load(const VnBW8* p) { return {_mm512_maskz_cvtepu8_epi16(kAll32, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)))}; }
inline Lanes32 Load(const VnBW16* p) { return {_mm512_maskz_cvtepu16_epi32(kAll16, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)))}; }
// The clamp to the pixel range: negatives to 0, then the unsigned saturating narrowing.
inline void Store(VnBW8* dst, Lanes16 a) {
  const __m512i v = _mm512_maskz_max_epi16(kAll32, a.v, _mm512_setzero_si512());
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm512_maskz_cvtusepi16_epi8(kAll32, v));
}
inline void Store(VnBW16* dst, Lanes32 a) {
  const __m512i v = _mm512_maskz_max_epi32(kAll16, a.v, _mm512_setzero_si512());
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm512_maskz_cvtusepi32_epi16(kAll16, v));
}

template <class T> constexpr int kStep = sizeof(T) == 1 ? 32 : 16;

}  // namespace

template <class F, class T>
void Fixed3x3RowAvx512(const T* const* lines, T* dst, int width) {
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
VNIMG_FIXED3X3_INSTANTIATE(Fixed3x3RowAvx512)

}  // namespace vnimg::filter
