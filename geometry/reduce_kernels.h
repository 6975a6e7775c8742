// Row kernels of the 8-bit reductions (shrinking and halving), shared by the plain loops and
// the tails of their vector variants.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::geometry {

// sums[x] += src[x] for x < n (the column sums of a shrink block).
using AccumulateRowFn = void (*)(const VnBW8* src, std::uint32_t* sums, int n);
// dst[x] = (top[2x] + top[2x + 1] + bottom[2x] + bottom[2x + 1]) >> 2 for x < n.
using HalveRowFn = void (*)(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n);

static inline VnBW8 HalveQuad(const VnBW8* top, const VnBW8* bottom, int x) {
  return static_cast<VnBW8>((top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1]) >> 2);
}

void AccumulateRowPlain(const VnBW8* src, std::uint32_t* sums, int n);
void HalveRowPlain(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n);
#if VNIMG_X86
void AccumulateRowSse2(const VnBW8* src, std::uint32_t* sums, int n);
void AccumulateRowAvx2(const VnBW8* src, std::uint32_t* sums, int n);
void HalveRowSse2(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n);
void HalveRowAvx2(const VnBW8* top, const VnBW8* bottom, VnBW8* dst, int n);
#endif
const simd::Variants<AccumulateRowFn>& AccumulateRowVariants();
const simd::Variants<HalveRowFn>& HalveRowVariants();

}  // namespace vnimg::geometry
