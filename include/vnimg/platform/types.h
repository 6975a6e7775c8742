// Pixel types and small value types shared by every operation.
#pragma once

#include <cstdint>

// One bit per pixel, eight pixels per byte, first pixel in the most significant bit.
// A distinct type so that bit images select their own overloads.
struct VnBW1 {
  unsigned char m_bw1Value = 0;
  constexpr VnBW1() = default;
  constexpr VnBW1(unsigned value) : m_bw1Value(value ? 1 : 0) {}
  constexpr operator unsigned() const { return m_bw1Value; }
};

using VnBW8 = unsigned char;
using VnBW16 = unsigned short;
using VnBW32 = unsigned int;
using VnINT32 = int;
using VnFLOAT32 = float;
using VnFLOAT64 = double;

// 16-bit colour words: distinct types so that 5-5-5 and 5-6-5 pixels pick different overloads.
struct VnC15 {
  unsigned short m_un16Value = 0;
  friend constexpr bool operator==(VnC15, VnC15) = default;
};
struct VnC16 {
  unsigned short m_un16Value = 0;
  friend constexpr bool operator==(VnC16, VnC16) = default;
};

// Three bytes in memory order (blue, green, red on the kit's displays).
struct VnC24 {
  unsigned char c0 = 0, c1 = 0, c2 = 0;
  friend constexpr bool operator==(VnC24, VnC24) = default;
};

// Four bytes in memory order; c3 is alpha.
struct VnC24A {
  unsigned char c0 = 0, c1 = 0, c2 = 0, c3 = 0;
  friend constexpr bool operator==(VnC24A, VnC24A) = default;
};

struct VnComplex64 {
  float real = 0.0f;
  float imag = 0.0f;
  friend constexpr bool operator==(VnComplex64, VnComplex64) = default;
};

struct VnColor {
  float c0 = 0.0f, c1 = 0.0f, c2 = 0.0f;
  friend constexpr bool operator==(VnColor, VnColor) = default;
};

// A mask run of a VnROI<VnBW8>: pixels [start, end) in the ROI's memory order, and the ROI
// coordinates of its first pixel. Start and end are byte offsets from pixel (0, 0) on every
// build (see VnROI::GetMaskOffsets), which keeps the record at 12 bytes on 64-bit hosts.
struct VnRun {
  std::uint32_t m_un32Start = 0;
  std::uint32_t m_un32End = 0;
  std::int16_t m_n16X = 0;
  std::int16_t m_n16Y = 0;
  friend constexpr bool operator==(const VnRun&, const VnRun&) = default;
};

static_assert(sizeof(VnC24) == 3 && sizeof(VnC24A) == 4 && sizeof(VnC15) == 2 && sizeof(VnC16) == 2);
static_assert(sizeof(VnComplex64) == 8 && sizeof(VnColor) == 12 && sizeof(VnRun) == 12);
