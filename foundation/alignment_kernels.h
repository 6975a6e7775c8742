// The byte funnel shift behind the bit-image alignment pair.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::bw1 {

// out[i] = (hi[i] << s) | (lo[i] >> (8 - s)), for s in 1..7; reads hi[0, n) and lo[0, n).
using FunnelShiftFn = void (*)(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s);

static inline std::uint8_t FunnelShiftByte(std::uint8_t hi, std::uint8_t lo, int s) {
  return static_cast<std::uint8_t>((hi << s) | (lo >> (8 - s)));
}

void FunnelShiftPlain(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s);
#if VNIMG_X86
void FunnelShiftSse2(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s);
void FunnelShiftAvx2(const std::uint8_t* hi, const std::uint8_t* lo, std::uint8_t* out, std::size_t n, int s);
#endif

const simd::Variants<FunnelShiftFn>& FunnelShiftVariants();

}  // namespace vnimg::bw1
