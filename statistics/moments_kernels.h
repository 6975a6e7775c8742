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

void Binary8Plain(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
void Weighted8Plain(const VnBW8* p, int n, int order, PowerSums& sums);
void Binary8Sse2(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
void Weighted8Sse2(const VnBW8* p, int n, int order, PowerSums& sums);
void Binary8Avx2(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums);
void Weighted8Avx2(const VnBW8* p, int n, int order, PowerSums& sums);

const simd::Variants<Binary8Fn>& Binary8Variants();
const simd::Variants<Weighted8Fn>& Weighted8Variants();

}  // namespace vnimg::moments
