// Per-pixel kernels of the Canny stages, shared by the plain loops and the tails of their vector
// variants. A direction class is 0, 1, 2, 3 for the codes 0, 45, 90, 135. The suppression reads
// magnitude lines padded with one 0 on either side: line[-1] and line[width] are 0.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "foundation/simd.h"
#include "vnimg/canny.h"
#include "vnimg/platform/types.h"

namespace vnimg::analysis {

inline constexpr VnBW32 kDirectionCodes[4] = {0, 45, 90, 135};

static inline int GradientX(VnBW32 v) { return static_cast<std::int16_t>(v & 0xFFFFu); }
static inline int GradientY(VnBW32 v) { return static_cast<std::int16_t>(v >> 16); }

static inline int DirectionClass(int gx, int gy) {
  const double ax = std::abs(gx), ay = std::abs(gy);
  if (ax > 2.42 * ay) return 0;
  if (ay > 2.42 * ax) return 2;
  return (gx < 0) != (gy < 0) ? 3 : 1;
}

static inline VnBW8 Magnitude(int gx, int gy) {
  const float m = std::sqrt(static_cast<float>(std::int64_t{gx} * gx + std::int64_t{gy} * gy));
  return m >= 255.0f ? VnBW8{255} : static_cast<VnBW8>(m);
}

static inline void DirectionMagnitude(VnBW32 g, VnBW32& code, VnBW8& cls, VnBW8& magnitude) {
  const int gx = GradientX(g), gy = GradientY(g), c = DirectionClass(gx, gy);
  code = kDirectionCodes[c];
  cls = static_cast<VnBW8>(c);
  magnitude = Magnitude(gx, gy);
}

// The magnitude at x when no neighbour across the edge is larger, else 0.
static inline VnBW8 Suppressed(const VnBW8* above, const VnBW8* at, const VnBW8* below, int cls, int x) {
  int first = 0, second = 0;
  switch (cls) {
    case 0: first = at[x - 1], second = at[x + 1]; break;
    case 1: first = above[x - 1], second = below[x + 1]; break;
    case 2: first = above[x], second = below[x]; break;
    default: first = above[x + 1], second = below[x - 1]; break;
  }
  return at[x] >= first && at[x] >= second ? at[x] : VnBW8{0};
}

// Direction codes, classes and magnitudes of one row of gradient vectors. code may be gradient.
using DirectionRowFn = void (*)(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width);
// The suppressed magnitudes of one row from the padded magnitude lines about it.
using SuppressRowFn = void (*)(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst,
                               int width);

void DirectionRowPlain(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width);
void SuppressRowPlain(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width);
#if VNIMG_X86
void DirectionRowSse2(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width);
void SuppressRowSse2(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width);
void DirectionRowAvx2(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width);
void SuppressRowAvx2(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width);
void DirectionRowAvx512(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width);
void SuppressRowAvx512(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width);
#endif

// The three-class split of the first `bins` counts of a 256-level histogram (missing ones empty).
VnCannyThresholds ThresholdSearch(const unsigned int* histogram, unsigned bins);

const simd::Variants<DirectionRowFn>& DirectionRowVariants();
const simd::Variants<SuppressRowFn>& SuppressRowVariants();

}  // namespace vnimg::analysis
