// The third- and fourth-order terms eight pixels a vector, with the roundings of the float
// sums worked out for a block of pixels at once wherever that gives the plain loop's bits.
//
// Every term is an integer, so every sum m is one, and m only grows. Within a binade
// [2^E, 2^(E+1)) the floats are the multiples of q = 2^(E-23) (q = 1 below 2^24, where integer
// sums are exact). There, m = float(m + t) goes as follows: for E >= 53 the double sum first
// rounds t to a multiple of 2^(E-52), ties to even (m is an even multiple of that unit), giving
// t'; then m + t' goes to the nearer multiple of q, m + q floor(t'/q), plus q when the rest is
// above q/2. So while a block leaves m inside its binade and no rest is exactly q/2 (a tie,
// decided by m's last bit), m gains q times the sum of those counts. Any other block runs
// pixel after pixel, as the plain loop does.

// GCC 12's AVX-512 intrinsics start from _mm512_undefined_*() and warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "statistics/moments_kernels.h"

namespace vnimg::moments {
namespace {

constexpr int kVectors = 16;
constexpr int kBlock = 8 * kVectors;  // pixels

using Terms = double[12][kBlock];

// The terms of a block's pixels in the plain loop's order of products.
void BlockTerms(const double* w, int first, double y, int order, Terms& terms) {
  const __m512d vy = _mm512_set1_pd(y), lanes = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
  for (int v = 0; v < kVectors; ++v) {
    const __m512d vw = _mm512_loadu_pd(w + 8 * v);
    const __m512d x = _mm512_add_pd(_mm512_set1_pd(first + 8 * v), lanes);
    const __m512d wx = _mm512_mul_pd(vw, x), wy = _mm512_mul_pd(vw, vy);
    const __m512d wxx = _mm512_mul_pd(wx, x), wxy = _mm512_mul_pd(wx, vy), wyy = _mm512_mul_pd(wy, vy);
    const auto store = [&](int k, __m512d t) { _mm512_store_pd(terms[k] + 8 * v, t); };
    const __m512d wxxx = _mm512_mul_pd(wxx, x), wxxy = _mm512_mul_pd(wxx, vy);
    const __m512d wxyy = _mm512_mul_pd(wxy, vy), wyyy = _mm512_mul_pd(wyy, vy);
    store(0, wxx), store(1, wxy), store(2, wyy), store(3, wxxx), store(4, wxxy), store(5, wxyy), store(6, wyyy);
    if (order == 4) {
      store(7, _mm512_mul_pd(wxxx, x)), store(8, _mm512_mul_pd(wxxx, vy)), store(9, _mm512_mul_pd(wxxy, vy));
      store(10, _mm512_mul_pd(wxyy, vy)), store(11, _mm512_mul_pd(wyyy, vy));
    }
  }
}

// 2^p for |p| < 1023, built from its bits (a library call per block would cost more than the block).
double PowerOfTwo(int p) { return std::bit_cast<double>(static_cast<std::uint64_t>(p + 1023) << 52); }

// m after the block's terms, when they can be taken at once; false leaves m as it was.
bool AddBlock(const double* terms, float& m) {
  const int e = std::max(23, static_cast<int>(std::bit_cast<std::uint32_t>(m) >> 23) - 127);  // m >= 0
  const double q = PowerOfTwo(e - 23);
  const __m512d vq = _mm512_set1_pd(q), inverseQ = _mm512_set1_pd(PowerOfTwo(23 - e)), half = _mm512_set1_pd(q / 2);
  const __m512d unit = _mm512_set1_pd(PowerOfTwo(e - 52)), inverseUnit = _mm512_set1_pd(PowerOfTwo(52 - e));
  __m512d counts = _mm512_setzero_pd();
  __mmask8 ties = 0;
  for (int v = 0; v < kVectors; ++v) {
    __m512d t = _mm512_load_pd(terms + 8 * v);
    if (e >= 53) t = _mm512_mul_pd(_mm512_roundscale_pd(_mm512_mul_pd(t, inverseUnit), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC), unit);
    const __m512d whole = _mm512_roundscale_pd(_mm512_mul_pd(t, inverseQ), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m512d rest = _mm512_sub_pd(t, _mm512_mul_pd(whole, vq));
    ties |= _mm512_cmp_pd_mask(rest, half, _CMP_EQ_OQ);
    counts = _mm512_add_pd(counts, _mm512_mask_add_pd(whole, _mm512_cmp_pd_mask(rest, half, _CMP_GT_OQ), whole, _mm512_set1_pd(1)));
  }
  // Sums of integers below 2^24 are exact in any order; a larger true sum cannot come out below.
  const double grown = m * PowerOfTwo(23 - e) + _mm512_reduce_add_pd(counts);
  if (ties != 0 || !(grown < 0x1p24)) return false;
  m = static_cast<float>(grown * q);
  return true;
}

}  // namespace

void PixelTermsAvx512(const double* w, int first, int n, double y, int order, float* out) {
  const int count = PixelTermCount(order);
  alignas(64) Terms terms;
  int i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    BlockTerms(w + i, first + i, y, order, terms);
    for (int k = 0; k < count; ++k)
      if (!AddBlock(terms[k], out[k]))
        for (const double t : terms[k]) out[k] = static_cast<float>(out[k] + t);
  }
  for (; i < n; ++i) AddPixelTerms(w[i], first + i, y, count, out);
}

}  // namespace vnimg::moments
