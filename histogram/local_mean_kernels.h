// Row kernels of the local mean threshold: the plain loops (the reference), their vector
// variants and the per-pixel rules both share.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::local_mean {

// columns[x] += added[x] - removed[x], modulo 2^32 (the true column sums never wrap).
using SlideColumnsFn = void (*)(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width);
// d[x] = s[x] x area < sums[x] + bias ? 0 : 255, for area x 255 + |bias| and |sums[x]| within
// the int32 range.
using CompareRowFn = void (*)(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                              std::int32_t bias);

static inline std::uint32_t SlideColumn(std::uint32_t column, VnBW8 added, VnBW8 removed) {
  return column + static_cast<std::uint32_t>(added - removed);
}

template <class Sum>
static inline VnBW8 ComparePixel(VnBW8 p, Sum sum, Sum area, Sum bias) {
  return static_cast<Sum>(p) * area < sum + bias ? 0 : 255;
}

void SlideColumnsPlain(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width);
void CompareRowPlain(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                     std::int32_t bias);

#if VNIMG_X86
void SlideColumnsSse2(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width);
void SlideColumnsAvx2(std::uint32_t* columns, const VnBW8* added, const VnBW8* removed, int width);
void CompareRowSse2(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                    std::int32_t bias);
void CompareRowAvx2(const VnBW8* s, VnBW8* d, const std::int32_t* sums, int width, std::int32_t area,
                    std::int32_t bias);
#endif

const simd::Variants<SlideColumnsFn>& SlideColumnsVariants();
const simd::Variants<CompareRowFn>& CompareRowVariants();

}  // namespace vnimg::local_mean
