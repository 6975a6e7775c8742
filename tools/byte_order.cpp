#include "byte_order.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VNIMG_TOOL_SSSE3 1
#endif

namespace vnimg::tool {
namespace {

void ReverseTriplesPlain(const unsigned char* src, unsigned char* dst, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i) {
    const unsigned char first = src[3 * i];
    dst[3 * i] = src[3 * i + 2], dst[3 * i + 1] = src[3 * i + 1], dst[3 * i + 2] = first;
  }
}

#if VNIMG_TOOL_SSSE3
// Five pixels (15 bytes) a step through one byte shuffle; every load and store stays within
// the buffers because each step needs 16 bytes left.
__attribute__((target("ssse3"))) void ReverseTriplesSsse3(const unsigned char* src, unsigned char* dst, std::size_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  std::size_t i = 0;
  for (; 3 * (pixels - i) >= 16; i += 5) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * i), _mm_shuffle_epi8(bytes, order));
  }
  ReverseTriplesPlain(src + 3 * i, dst + 3 * i, pixels - i);
}

// 21 pixels (63 bytes) a step through one byte permute across the vector; a step stores 64
// bytes, so it runs while 64 are left and the rest goes the narrower way (zero-masked: GCC 12
// warns on the undefined input of the unmasked form).
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void ReverseTriplesVbmi(const unsigned char* src, unsigned char* dst, std::size_t pixels) {
  alignas(64) unsigned char order[64];
  for (int k = 0; k < 63; ++k) order[k] = static_cast<unsigned char>(3 * (k / 3) + 2 - k % 3);
  order[63] = 63;
  const __m512i permute = _mm512_load_si512(order);
  std::size_t i = 0;
  for (; 3 * (pixels - i) >= 64; i += 21)
    _mm512_storeu_si512(dst + 3 * i, _mm512_maskz_permutexvar_epi8(~__mmask64{0}, permute, _mm512_loadu_si512(src + 3 * i)));
  ReverseTriplesSsse3(src + 3 * i, dst + 3 * i, pixels - i);
}
#endif

}  // namespace

void ReverseTriples(const unsigned char* src, unsigned char* dst, std::size_t pixels) {
#if VNIMG_TOOL_SSSE3
  static const bool vbmi = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
  if (vbmi) return ReverseTriplesVbmi(src, dst, pixels);
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) return ReverseTriplesSsse3(src, dst, pixels);
#endif
  ReverseTriplesPlain(src, dst, pixels);
}

}  // namespace vnimg::tool
