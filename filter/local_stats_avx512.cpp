// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "filter/local_stats_kernels.h"

namespace vnimg::filter {
namespace {

inline __m512i Load8(const std::uint32_t* p) { return _mm512_cvtepu32_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))); }
inline __m512i Load8(const std::uint64_t* p) { return _mm512_loadu_si512(p); }

// Inclusive prefix sums of the eight lanes, by lanes shifted up 1, 2 and 4 with zeros.
inline __m512i Prefix(__m512i d) {
  const __m512i zero = _mm512_setzero_si512();
  d = _mm512_add_epi64(d, _mm512_alignr_epi64(d, zero, 7));
  d = _mm512_add_epi64(d, _mm512_alignr_epi64(d, zero, 6));
  return _mm512_add_epi64(d, _mm512_alignr_epi64(d, zero, 4));
}

// Eight steps from x: the sums at x + 1 .. x + 8 are the carried sum at x plus the prefix sums
// of the columns in minus the columns out; returns the sum at x + 8 in every lane.
template <class Sum>
inline __m512i EightSteps(const Sum* sums, int half, int x, __m512i carry, std::uint64_t* out) {
  const __m512i delta = _mm512_sub_epi64(Load8(sums + x + 1 + half), Load8(sums + x - half));
  const __m512i next = _mm512_add_epi64(carry, Prefix(delta));
  _mm512_storeu_si512(out + x + 1, next);
  return _mm512_permutexvar_epi64(_mm512_set1_epi64(7), next);
}

// The serial chain of the plain steps becomes one add and one lane broadcast per eight pixels.
template <class Q>
void SlideInterior(const std::uint32_t* s, const Q* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ) {
  __m512i carryS = _mm512_set1_epi64(static_cast<long long>(outS[from]));
  __m512i carryQ = _mm512_set1_epi64(static_cast<long long>(outQ[from]));
  int x = from;
  for (; x + 8 <= to; x += 8) {
    carryS = EightSteps(s, half, x, carryS, outS);
    carryQ = EightSteps(q, half, x, carryQ, outQ);
  }
  SlideInteriorSteps(s, q, half, x, to, outS, outQ);
}

}  // namespace

void SlideInteriorAvx512(const std::uint32_t* s, const std::uint32_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ) {
  SlideInterior(s, q, half, from, to, outS, outQ);
}
void SlideInteriorAvx512(const std::uint32_t* s, const std::uint64_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ) {
  SlideInterior(s, q, half, from, to, outS, outQ);
}

}  // namespace vnimg::filter
