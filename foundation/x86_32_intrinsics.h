// The 64-bit integer intrinsics that compilers offer only on x86-64, for the ISA files of a
// 32-bit x86 build (the build includes this header first in each of them). Each one gives the
// instruction's exact result from 32-bit pieces; an intrinsic exists here only where the file's
// ISA flags allow the pieces.
#pragma once

#if !defined(__x86_64__) && defined(__i386__)
#include <immintrin.h>

static inline long long _mm_cvtsi128_si64(__m128i v) {
  long long low;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&low), v);
  return low;
}
static inline __m128i _mm_cvtsi64_si128(long long a) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&a)); }
#define _mm_cvtsi128_si64x _mm_cvtsi128_si64
#define _mm_cvtsi64x_si128 _mm_cvtsi64_si128

// Scalar conversions to 64 bits: out of range or not a number gives the instruction's
// "integer indefinite", the lowest 64-bit value.
static inline long long vnimg_x86_32_to_int64(double v, bool truncate) {
  if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return static_cast<long long>(1ull << 63);
  return static_cast<long long>(truncate ? __builtin_trunc(v) : __builtin_nearbyint(v));
}
static inline long long _mm_cvttsd_si64(__m128d v) { return vnimg_x86_32_to_int64(_mm_cvtsd_f64(v), true); }
static inline long long _mm_cvtsd_si64(__m128d v) { return vnimg_x86_32_to_int64(_mm_cvtsd_f64(v), false); }
static inline long long _mm_cvttss_si64(__m128 v) { return vnimg_x86_32_to_int64(_mm_cvtss_f32(v), true); }
static inline long long _mm_cvtss_si64(__m128 v) { return vnimg_x86_32_to_int64(_mm_cvtss_f32(v), false); }
#define _mm_cvttsd_si64x _mm_cvttsd_si64
#define _mm_cvtsd_si64x _mm_cvtsd_si64

static inline __m128i vnimg_x86_32_insert_epi64(__m128i v, long long a, int lane) {
  const __m128i word = _mm_cvtsi64_si128(a);
  return lane & 1 ? _mm_unpacklo_epi64(v, word) : _mm_unpacklo_epi64(word, _mm_unpackhi_epi64(v, v));
}

#if defined(__SSE4_1__)
#define _mm_extract_epi64(v, lane) _mm_cvtsi128_si64(_mm_srli_si128((v), ((lane) & 1) * 8))
#define _mm_insert_epi64(v, a, lane) vnimg_x86_32_insert_epi64((v), (a), (lane))
#endif

#if defined(__AVX__)
#define _mm256_extract_epi64(v, lane) \
  _mm_cvtsi128_si64(_mm_srli_si128(_mm256_extractf128_si256((v), ((lane) >> 1) & 1), ((lane) & 1) * 8))
#define _mm256_insert_epi64(v, a, lane)                                                                   \
  _mm256_insertf128_si256(                                                                                \
      (v), vnimg_x86_32_insert_epi64(_mm256_extractf128_si256((v), ((lane) >> 1) & 1), (a), (lane) & 1), \
      ((lane) >> 1) & 1)
#endif

#if defined(__POPCNT__)
static inline long long _mm_popcnt_u64(unsigned long long a) { return __builtin_popcountll(a); }
#define _popcnt64 _mm_popcnt_u64
#endif

#if defined(__BMI__)
static inline unsigned long long _tzcnt_u64(unsigned long long a) { return a ? __builtin_ctzll(a) : 64; }
static inline unsigned long long _blsr_u64(unsigned long long a) { return a & (a - 1); }
#endif

#if defined(__LZCNT__)
static inline unsigned long long _lzcnt_u64(unsigned long long a) { return a ? __builtin_clzll(a) : 64; }
#endif

#if defined(__BMI2__)
static inline unsigned long long _pext_u64(unsigned long long a, unsigned long long mask) {
  const unsigned int lowMask = static_cast<unsigned int>(mask);
  const unsigned long long low = _pext_u32(static_cast<unsigned int>(a), lowMask);
  const unsigned long long high = _pext_u32(static_cast<unsigned int>(a >> 32), static_cast<unsigned int>(mask >> 32));
  return low | high << __builtin_popcount(lowMask);
}
static inline unsigned long long _pdep_u64(unsigned long long a, unsigned long long mask) {
  const unsigned int lowMask = static_cast<unsigned int>(mask);
  const unsigned long long low = _pdep_u32(static_cast<unsigned int>(a), lowMask);
  const unsigned long long high =
      _pdep_u32(static_cast<unsigned int>(a >> __builtin_popcount(lowMask)), static_cast<unsigned int>(mask >> 32));
  return low | high << 32;
}
static inline unsigned long long _bzhi_u64(unsigned long long a, unsigned int index) {
  const unsigned int n = index & 0xFF;
  return n >= 64 ? a : a & ((1ull << n) - 1);
}
#endif

#endif
