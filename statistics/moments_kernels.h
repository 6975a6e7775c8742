// Row kernels of the moments: exact power sums (orders 0 to 2) of a stretch of pixels in
// local coordinates. A stretch is short enough (kStretch) that every sum fits 64 bits for
// 16-bit weights, so every variant returns the same integers and the operations combine them
// into exact row sums in one place.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::moments {

constexpr int kMaxOrder = 2;

// sums[k] += sum over i of w(p[i]) i^k, k = 0 .. order, i the index in the stretch.
struct PowerSums {
  std::uint64_t s[kMaxOrder + 1] = {};
};

// The longest stretch: 65535 sum(i²) over the stretch stays below 2^64.
constexpr int kStretch = 65536;

// w = p >= threshold.
using Binary8Fn = void (*)(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
// w = p.
using Weighted8Fn = void (*)(const VnBW8* p, int n, int order, PowerSums& sums);

// Adds pixels begin .. end - 1 of a stretch starting at p: the plain loop, and the tails of
// the vector variants.
template <class T, class Weight>
static inline void AddPowerSums(const T* p, int begin, int end, int order, Weight weight, PowerSums& sums) {
  for (int i = begin; i < end; ++i) {
    std::uint64_t term = weight(p[i]);
    for (int k = 0; k <= order; ++k, term *= static_cast<std::uint64_t>(i)) sums.s[k] += term;
  }
}

static inline unsigned BinaryWeight(unsigned v, unsigned threshold) { return v >= threshold ? 1u : 0u; }

// Chunk sums with indices relative to `origin` moved into stretch coordinates:
// sum w (origin + j)^k expanded by the binomial theorem, exact in 64 bits.
static inline void AddShifted(const std::uint64_t* chunk, std::uint64_t origin, int order, PowerSums& sums) {
  const std::uint64_t c = origin;
  sums.s[0] += chunk[0];
  if (order >= 1) sums.s[1] += chunk[1] + c * chunk[0];
  if (order >= 2) sums.s[2] += chunk[2] + 2 * c * chunk[1] + c * c * chunk[0];
}

// The third and fourth orders' terms from m20 on, in the output order.
constexpr int PixelTermCount(int order) { return order == 3 ? 7 : 12; }

// Adds the terms w x..x y..y of one pixel, multiplied left to right in double, into the
// float outputs: m = float(m + term). The plain loop, and the tails of the vector variant.
static inline void AddPixelTerms(double w, double x, double y, int count, float* m) {
  if (w == 0) return;  // adds 0 to every output
  const double wx = w * x, wy = w * y, wxx = wx * x, wxy = wx * y, wyy = wy * y;
  const double terms[] = {wxx, wxy, wyy, wxx * x, wxx * y, wxy * y, wyy * y,
                          wxx * x * x, wxx * x * y, wxx * y * y, wxy * y * y, wyy * y * y};
  for (int k = 0; k < count; ++k) m[k] = static_cast<float>(m[k] + terms[k]);
}

// Adds the terms of n pixels of row y, at columns first .. first + n - 1 with weights w, into
// out[0 .. PixelTermCount(order) - 1], pixel after pixel.
using PixelTermsFn = void (*)(const double* w, int first, int n, double y, int order, float* out);
void PixelTermsPlain(const double* w, int first, int n, double y, int order, float* out);
void PixelTermsAvx512(const double* w, int first, int n, double y, int order, float* out);
const simd::Variants<PixelTermsFn>& PixelTermsVariants();

void Binary8Plain(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
void Weighted8Plain(const VnBW8* p, int n, int order, PowerSums& sums);
void Binary8Sse2(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
void Weighted8Sse2(const VnBW8* p, int n, int order, PowerSums& sums);
void Binary8Avx2(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
void Weighted8Avx2(const VnBW8* p, int n, int order, PowerSums& sums);

const simd::Variants<Binary8Fn>& Binary8Variants();
const simd::Variants<Weighted8Fn>& Weighted8Variants();

}  // namespace vnimg::moments
