// Per-pixel rules of the conversions, shared by the plain loops and the vector tails.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace vnimg::convert {

// The shifts take shift in 0..31 and truncate to the destination's width.
template <class D, class S>
static inline D ShiftRightPixel(S s, unsigned shift) {
  return static_cast<D>(s >> shift);
}
template <class D, class S>
static inline D ShiftLeftPixel(S s, unsigned shift) {
  return static_cast<D>(static_cast<std::uint32_t>(s) << shift);
}

static inline void SpreadGray(std::uint8_t g, std::uint8_t* c) { c[0] = c[1] = c[2] = g; }
static inline std::uint16_t PackC15(std::uint8_t c0, std::uint8_t c1, std::uint8_t c2, std::uint16_t old) {
  return static_cast<std::uint16_t>((old & 0x8000) | (c0 >> 3) | ((c1 >> 3) << 5) | ((c2 >> 3) << 10));
}
static inline std::uint16_t PackC16(std::uint8_t c0, std::uint8_t c1, std::uint8_t c2) {
  return static_cast<std::uint16_t>((c0 >> 3) | ((c1 >> 2) << 5) | ((c2 >> 3) << 11));
}
static inline void UnpackC15(std::uint16_t w, std::uint8_t* c) {
  c[0] = static_cast<std::uint8_t>((w & 31) << 3);
  c[1] = static_cast<std::uint8_t>(((w >> 5) & 31) << 3);
  c[2] = static_cast<std::uint8_t>(((w >> 10) & 31) << 3);
}
static inline void UnpackC16(std::uint16_t w, std::uint8_t* c) {
  c[0] = static_cast<std::uint8_t>((w & 31) << 3);
  c[1] = static_cast<std::uint8_t>(((w >> 5) & 63) << 2);
  c[2] = static_cast<std::uint8_t>(((w >> 11) & 31) << 3);
}
static inline std::uint8_t GrayOfC15(std::uint16_t w) {
  return static_cast<std::uint8_t>(((w & 31) + ((w >> 5) & 31) + ((w >> 10) & 31)) * 8 / 3);
}
static inline std::uint8_t GrayOfC16(std::uint16_t w) {
  return static_cast<std::uint8_t>((2 * (w & 31) + ((w >> 5) & 63) + 2 * ((w >> 11) & 31)) * 4 / 3);
}

// 0 for NaN and negatives, the maximum above it, else the value rounded half up. Floats come
// in as doubles (exactly); the fraction v - trunc(v) is exact, so no sum is rounded on the way
// (trunc(v + 0.5) evaluated in floating point would round 0.49999999999999994 up).
template <class D>
static inline D RoundToPixel(double v) {
  constexpr D kMax = std::numeric_limits<D>::max();
  if (!(v >= 0.0)) return 0;
  if (v > static_cast<double>(kMax)) return kMax;
  const double whole = std::trunc(v);
  return static_cast<D>(static_cast<D>(whole) + (v - whole >= 0.5 ? 1 : 0));
}

// Bits of one destination byte from up to 8 gray pixels: bit 7 - i is s[i] != 0.
template <class S>
static inline std::uint8_t BitsOf(const S* s, std::size_t count) {
  unsigned byte = 0;
  for (std::size_t i = 0; i < count; ++i) byte |= (s[i] != 0 ? 0x80u : 0u) >> i;
  return static_cast<std::uint8_t>(byte);
}
// Gray pixels from the first `count` bits of a byte, bit 7 first.
template <class D>
static inline void PixelsOf(std::uint8_t byte, D* d, std::size_t count, D value) {
  for (std::size_t i = 0; i < count; ++i) d[i] = (byte & (0x80u >> i)) ? value : D{0};
}

}  // namespace vnimg::convert
