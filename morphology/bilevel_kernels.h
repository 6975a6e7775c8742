// Per-pixel rules of the bi-level passes, shared by the plain loops and the vector tails. The
// pass shapes are the gray ones (morphology_kernels.h) with AND and OR as the extrema.
#pragma once

#include <cstdint>

#include "morphology/morphology_kernels.h"

namespace vnimg::morphology {
namespace {

struct AndOp {
  static constexpr std::uint8_t Of(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(a & b); }
};
struct OrOp {
  static constexpr std::uint8_t Of(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(a | b); }
};

inline std::uint8_t MajorityPixel(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, int i) {
  int set = 0;
  for (int d = -1; d <= 1; ++d) set += (up[i + d] != 0) + (mid[i + d] != 0) + (down[i + d] != 0);
  return set >= 5 ? 255 : 0;
}

}  // namespace
}  // namespace vnimg::morphology
