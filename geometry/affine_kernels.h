// Affine sampling in 16.16 fixed point: the per-pixel rules shared by the plain row loop and
// the border pixels of the vector variants, and the split of a row into runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::geometry {

inline constexpr std::int32_t kOne = 65536;
inline constexpr std::int32_t kHalf = 32768;

// The source as the sampler sees it.
template <class T>
struct Source {
  const unsigned char* base = nullptr;  // pixel (0, 0)
  std::ptrdiff_t pitch = 0;             // bytes
  int width = 0;
  int height = 0;

  T At(int x, int y) const { return reinterpret_cast<const T*>(base + pitch * y)[x]; }
  std::int64_t ExtentX() const { return std::int64_t{width} * kOne; }
  std::int64_t ExtentY() const { return std::int64_t{height} * kOne; }
};

// Nearest: the pixel containing the point (P, Q), 0 outside the source.
template <class T>
static inline T SampleNearest(const Source<T>& s, std::int32_t p, std::int32_t q) {
  if (p < 0 || p >= s.ExtentX() || q < 0 || q >= s.ExtentY()) return 0;
  return s.At(p >> 16, q >> 16);
}

enum class AxisClass { Outside, Clamped, Interior };
struct Axis {
  AxisClass cls;
  int index;  // the clamped column (row), or the lower of the two interior neighbours
};

// Position class of a tracked bilinear coordinate (the point plus one half) along an axis of
// `size` pixels.
static inline Axis ClassifyBilinear(std::int32_t p, int size) {
  const std::int64_t extent = std::int64_t{size} * kOne;
  if (p < kHalf) return {AxisClass::Outside, 0};
  if (p < kOne) return {AxisClass::Clamped, 0};
  if (p >= extent) return p >= extent + kHalf ? Axis{AxisClass::Outside, 0} : Axis{AxisClass::Clamped, size - 1};
  return {AxisClass::Interior, (p >> 16) - 1};
}

// The top k bits of the fraction of a 16.16 value.
static inline std::uint32_t Weight(std::int32_t p, int k) {
  return (static_cast<std::uint32_t>(p) & 0xFFFFu) >> (16 - k);
}

// Both neighbours interior: the truncated two-dimensional blend, no rounding term.
template <class T>
static inline T BlendInterior(const Source<T>& s, int i0, int j0, std::uint32_t fx, std::uint32_t fy, int k) {
  const std::uint32_t one = 1u << k;
  const auto* row0 = reinterpret_cast<const T*>(s.base + s.pitch * j0) + i0;
  const auto* row1 = reinterpret_cast<const T*>(s.base + s.pitch * (j0 + 1)) + i0;
  const std::uint32_t top = row0[0] * (one - fx) + row0[1] * fx;
  const std::uint32_t bottom = row1[0] * (one - fx) + row1[1] * fx;
  return static_cast<T>((top * (one - fy) + bottom * fy) >> (2 * k));
}

// Bilinear with k-bit weights at the tracked point (P, Q) = position plus one half.
template <class T>
static inline T SampleBilinear(const Source<T>& s, std::int32_t p, std::int32_t q, int k) {
  const Axis x = ClassifyBilinear(p, s.width);
  const Axis y = ClassifyBilinear(q, s.height);
  if (x.cls == AxisClass::Outside || y.cls == AxisClass::Outside) return 0;
  const std::uint32_t one = 1u << k;
  if (x.cls == AxisClass::Clamped && y.cls == AxisClass::Clamped) return s.At(x.index, y.index);
  if (x.cls == AxisClass::Interior && y.cls == AxisClass::Clamped) {
    const std::uint32_t fx = Weight(p, k);
    return static_cast<T>((s.At(x.index, y.index) * (one - fx) + s.At(x.index + 1, y.index) * fx) >> k);
  }
  if (x.cls == AxisClass::Clamped) {
    const std::uint32_t fy = Weight(q, k);
    return static_cast<T>((s.At(x.index, y.index) * (one - fy) + s.At(x.index, y.index + 1) * fy) >> k);
  }
  return BlendInterior(s, x.index, y.index, Weight(p, k), Weight(q, k), k);
}

template <class T>
static inline T Sample(const Source<T>& s, std::int32_t p, std::int32_t q, int bits) {
  return bits == 0 ? SampleNearest(s, p, q) : SampleBilinear(s, p, q, bits);
}

// Samples one destination row: `count` pixels, the first at the tracked point (p, q), each next
// one (dp, dq) further (32-bit wrapping steps). bits: 0, 4 or 8.
template <class T>
using AffineRowFn = void (*)(const Source<T>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq,
                             int bits, T* dst, int count);

void AffineRowPlainBW8(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq,
                       int bits, VnBW8* dst, int count);
#if VNIMG_X86
void AffineRowSse2(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
                   VnBW8* dst, int count);
void AffineRowAvx2(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
                   VnBW8* dst, int count);
#endif
const simd::Variants<AffineRowFn<VnBW8>>& AffineRowVariants();

// A row cut into runs: pixels before `visibleBegin` and from `visibleEnd` are outside the source
// (0); [interiorBegin, interiorEnd) need no class test and read no column beyond
// width - 1 - margin; the rest are border pixels for the per-pixel rules.
struct RowRuns {
  int visibleBegin = 0;
  int interiorBegin = 0;
  int interiorEnd = 0;
  int visibleEnd = 0;
};
// False when the tracked coordinates wrap around 32 bits within the row (the caller then
// samples every pixel by the per-pixel rules). `margin` extra columns stay readable after the
// interior pixels' last neighbour.
bool SplitRow(int width, int height, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
              int count, int margin, RowRuns& runs);

// Per-pixel rules over [begin, end) of a row starting at (p, q).
template <class T>
static inline void SampleRun(const Source<T>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq,
                             int bits, T* dst, int begin, int end) {
  for (int i = begin; i < end; ++i)
    dst[i] = Sample(s, static_cast<std::int32_t>(p + std::int64_t{dp} * i), static_cast<std::int32_t>(q + std::int64_t{dq} * i), bits);
}

// The interior rules without class tests: (P, Q) lies inside (nearest) or has all four
// neighbours inside (bilinear).
template <class T>
static inline void SampleInteriorRun(const Source<T>& s, std::int32_t p, std::int32_t q, std::int32_t dp,
                                     std::int32_t dq, int bits, T* dst, int begin, int end) {
  for (int i = begin; i < end; ++i) {
    const auto x = static_cast<std::int32_t>(p + std::int64_t{dp} * i);
    const auto y = static_cast<std::int32_t>(q + std::int64_t{dq} * i);
    dst[i] = bits == 0 ? s.At(x >> 16, y >> 16)
                       : BlendInterior(s, (x >> 16) - 1, (y >> 16) - 1, Weight(x, bits), Weight(y, bits), bits);
  }
}

// The fast row shape shared by the 8-bit variants: zeros outside, the per-pixel rules on the
// border runs, interior(begin, end) on the interior run; rows whose coordinates wrap take the
// per-pixel rules throughout.
template <class Interior>
static inline void SplitAndSample(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp,
                                  std::int32_t dq, int bits, VnBW8* dst, int count, int margin, Interior interior) {
  RowRuns r;
  if (!SplitRow(s.width, s.height, p, q, dp, dq, bits, count, margin, r))
    return SampleRun(s, p, q, dp, dq, bits, dst, 0, count);
  std::memset(dst, 0, static_cast<std::size_t>(r.visibleBegin));
  SampleRun(s, p, q, dp, dq, bits, dst, r.visibleBegin, r.interiorBegin);
  interior(r.interiorBegin, r.interiorEnd);
  SampleRun(s, p, q, dp, dq, bits, dst, r.interiorEnd, r.visibleEnd);
  std::memset(dst + r.visibleEnd, 0, static_cast<std::size_t>(count - r.visibleEnd));
}

}  // namespace vnimg::geometry
