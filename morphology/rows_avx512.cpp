#include <immintrin.h>

#include "morphology/rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Avx512 {
  using R = __m512i;
  static constexpr bool kLaneShifts = true;
  static constexpr int kBytes = 64;
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  static R Min8(R a, R b) { return _mm512_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm512_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm512_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm512_max_epu16(a, b); }
  // Lane j of permutex2var(a, index, b) is lane index[j] of the 2 L lanes of a then b.
  template <class T>
  static R Before(R a, R b) { return Permute<T>(a, Index<T>(Lanes<T>() - 1), b); }
  template <class T>
  static R After(R a, R b) { return Permute<T>(a, Index<T>(1), b); }

 private:
  template <class T>
  static constexpr int Lanes() { return kBytes / static_cast<int>(sizeof(T)); }
  // Lane j holds j + offset.
  template <class T>
  static R Index(int offset) {
    if constexpr (sizeof(T) == 1)
      return _mm512_add_epi8(_mm512_set_epi64(0x3F3E3D3C3B3A3938, 0x3736353433323130, 0x2F2E2D2C2B2A2928, 0x2726252423222120,
                                              0x1F1E1D1C1B1A1918, 0x1716151413121110, 0x0F0E0D0C0B0A0908, 0x0706050403020100),
                             _mm512_set1_epi8(static_cast<char>(offset)));
    else
      return _mm512_add_epi16(_mm512_set_epi64(0x001F001E001D001C, 0x001B001A00190018, 0x0017001600150014, 0x0013001200110010,
                                               0x000F000E000D000C, 0x000B000A00090008, 0x0007000600050004, 0x0003000200010000),
                              _mm512_set1_epi16(static_cast<short>(offset)));
  }
  template <class T>
  static R Permute(R a, R index, R b) {
    if constexpr (sizeof(T) == 1) return _mm512_permutex2var_epi8(a, index, b);
    else return _mm512_permutex2var_epi16(a, index, b);
  }
};

}  // namespace

RowKernels<std::uint8_t> RowKernelsAvx512(std::uint8_t) { return KernelsOf<Avx512, std::uint8_t>(); }
RowKernels<std::uint16_t> RowKernelsAvx512(std::uint16_t) { return KernelsOf<Avx512, std::uint16_t>(); }

}  // namespace vnimg::morphology
