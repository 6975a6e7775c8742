// Row kernels of the gravity centre and the centroid: each pixel's weight is added to its
// column's 32-bit count, and the row's total is returned.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "statistics/moments_kernels.h"
#include "vnimg/platform/types.h"

namespace vnimg::moments {

// columns[i] += (p[i] >= threshold), i < n; returns the number counted.
using CountColumns8Fn = std::uint64_t (*)(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns);
// columns[i] += p[i], i < n; returns the sum.
using WeighColumns8Fn = std::uint64_t (*)(const VnBW8* p, int n, std::uint32_t* columns);

template <class T, class Weight>
static inline std::uint64_t AddColumns(const T* p, int begin, int end, Weight weight, std::uint32_t* columns) {
  std::uint64_t row = 0;
  for (int i = begin; i < end; ++i) {
    const unsigned w = weight(p[i]);
    columns[i] += w;
    row += w;
  }
  return row;
}

std::uint64_t CountColumns8Plain(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns);
std::uint64_t WeighColumns8Plain(const VnBW8* p, int n, std::uint32_t* columns);
std::uint64_t CountColumns8Sse2(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns);
std::uint64_t WeighColumns8Sse2(const VnBW8* p, int n, std::uint32_t* columns);
std::uint64_t CountColumns8Avx2(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns);
std::uint64_t WeighColumns8Avx2(const VnBW8* p, int n, std::uint32_t* columns);

const simd::Variants<CountColumns8Fn>& CountColumns8Variants();
const simd::Variants<WeighColumns8Fn>& WeighColumns8Variants();

}  // namespace vnimg::moments
