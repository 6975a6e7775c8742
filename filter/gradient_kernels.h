// Per-pixel kernels of the gradient operations, shared by the plain loops and the tails of their
// vector variants. A row kernel reads three padded lines (the rows above, at and below the
// output row, each with one replicated pixel on either side): line[x + 1] is the pixel under
// output x.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::filter {

// A 512 x 512 gradient table: pixel (256 + gx, 256 + gy) at centre[gy * pitch + gx].
template <class T>
struct GradientTable {
  const T* centre = nullptr;
  std::ptrdiff_t pitch = 0;  // in pixels
};

template <class T>
static inline int GradientX(const T* const* lines, int x) {
  return int{lines[1][x]} - int{lines[1][x + 2]};
}
template <class T>
static inline int GradientY(const T* const* lines, int x) {
  return int{lines[0][x + 1]} - int{lines[2][x + 1]};
}

static inline VnBW32 PackGradient(int gx, int gy) {
  return static_cast<VnBW32>(static_cast<std::uint16_t>(gx)) | static_cast<VnBW32>(static_cast<std::uint16_t>(gy)) << 16;
}

// The table cell of one component of a gradient vector: its signed 16 bits, clamped to the table.
static inline int VectorCell(VnBW32 v, int shift) {
  return std::clamp(int{static_cast<std::int16_t>(v >> shift)}, -256, 255);
}

// The cell of a 16-bit gradient: the nearest multiple of 256, halves upward, clamped.
static inline int Cell16(int g) { return std::clamp((g + 128) >> 8, -256, 255); }

template <class T>
static inline T Lookup(const GradientTable<T>& table, int cx, int cy) {
  return table.centre[cy * table.pitch + cx];
}

using GradientVectorRowFn = void (*)(const VnBW8* const* lines, VnBW32* dst, int width);
using GradientScalarRowFn = void (*)(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
using VectorScalarRowFn = void (*)(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width);

void GradientVectorRowPlain(const VnBW8* const* lines, VnBW32* dst, int width);
void GradientScalarRowPlain(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
void VectorScalarRowPlain(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
#if VNIMG_X86
void GradientVectorRowSse2(const VnBW8* const* lines, VnBW32* dst, int width);
void GradientScalarRowSse2(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
void VectorScalarRowSse2(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
void GradientVectorRowAvx2(const VnBW8* const* lines, VnBW32* dst, int width);
void GradientScalarRowAvx2(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
void GradientScalarRowAvx512(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
void VectorScalarRowAvx2(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width);
#endif
const simd::Variants<GradientVectorRowFn>& GradientVectorRowVariants();
const simd::Variants<GradientScalarRowFn>& GradientScalarRowVariants();
const simd::Variants<VectorScalarRowFn>& VectorScalarRowVariants();

}  // namespace vnimg::filter
