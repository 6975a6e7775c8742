// Row kernel of the focus measure: squared differences of each pixel with its right and lower
// neighbours, `step` bytes apart along the row (1 for gray, 3 for colour components).
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::focus {

// Sum over j < n of (p[j] - p[j + step])² + (p[j] - below[j])².
using Focus8Fn = std::uint64_t (*)(const VnBW8* p, const VnBW8* below, int n, int step);

template <class T>
static inline std::uint64_t FocusTerms(const T* p, const T* below, int begin, int end, int step) {
  std::uint64_t sum = 0;
  for (int j = begin; j < end; ++j) {
    const std::int64_t right = std::int64_t{p[j]} - p[j + step], down = std::int64_t{p[j]} - below[j];
    sum += static_cast<std::uint64_t>(right * right + down * down);
  }
  return sum;
}

std::uint64_t Focus8Plain(const VnBW8* p, const VnBW8* below, int n, int step);
std::uint64_t Focus8Sse2(const VnBW8* p, const VnBW8* below, int n, int step);
std::uint64_t Focus8Avx2(const VnBW8* p, const VnBW8* below, int n, int step);
const simd::Variants<Focus8Fn>& Focus8Variants();

}  // namespace vnimg::focus
