// Row kernels of the thinning and thickening passes on bytes. A pixel's neighbourhood code has
// one bit per cell, cell (column c, row r) weighing 256 >> (3 c + r); the pattern hits where the
// cells it cares about equal its match bits.
#pragma once

#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::morphology {

struct HitPattern {
  unsigned care = 0, match = 0;
  bool outsideAgrees = false;  // cells outside the image agree with the pattern, else they are 0
  bool thick = false;          // a hit sets the pixel (thickening), else clears it
  bool first = false;          // the first pass also brings every other pixel to 0 or the maximum
};

// out = the pass's value for a pixel of value v with neighbourhood code `full`; true when the
// pass counts it as a change.
template <class T>
static inline bool HitOutput(unsigned full, const HitPattern& p, T v, T top, T& out) {
  if ((full & p.care) == p.match) {
    out = p.thick ? top : T{0};
    return p.thick ? v == 0 : v != 0;
  }
  out = p.first ? (v ? top : T{0}) : v;
  return false;
}

// Pixel x of a row of `width` bytes, its rows above and below null when outside the image.
static inline bool HitPixel(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out, int x,
                            int width, const HitPattern& p) {
  const std::uint8_t* rows[3] = {up, mid, down};
  unsigned code = 0, outside = 0;
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) {
      const int at = x + c - 1;
      const unsigned weight = 256u >> (3 * c + r);
      if (!rows[r] || at < 0 || at >= width) outside |= weight;
      else if (rows[r][at] != 0) code |= weight;
    }
  return HitOutput<std::uint8_t>(p.outsideAgrees ? code | (p.match & outside) : code, p, mid[x], 255, out[x]);
}

// Pixels x in [from, to) of a row of `width` whose rows above and below are in the image,
// 1 <= from and to < width: no cell is outside. up, mid and down hold the values before the pass and must not
// overlap out. True when a pixel changed.
using HitRowFn = bool (*)(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out,
                          int width, int from, int to, const HitPattern& p);
const simd::Variants<HitRowFn>& HitRowVariants();
#if VNIMG_X86
bool HitRowAvx2(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out, int width,
                int from, int to, const HitPattern& p);
#endif

}  // namespace vnimg::morphology
