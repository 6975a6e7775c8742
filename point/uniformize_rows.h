// Row kernels of the 8-bit uniformisation: the per-column fixed-point rule (single-vector and
// light/dark-vector forms) and the single-image multiplicative rule.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::lut {

// clamp(((s * f) >> 12) + b, 0, 255) in signed 32 bits: no overflow for 8-bit data.
inline std::uint8_t ColumnByte(std::int32_t s, std::int32_t f, std::int32_t b) {
  return static_cast<std::uint8_t>(std::clamp(((s * f) >> 12) + b, 0, 255));
}
// min(s * level / r, 255); r = 0 gives 255.
inline std::uint8_t RatioByte(std::uint32_t s, std::uint32_t r, std::uint32_t level) {
  return r == 0 ? 255 : static_cast<std::uint8_t>(std::min<std::uint32_t>(s * level / r, 255));
}

using ColumnRowFn = void (*)(const std::uint8_t* s, const std::int32_t* f, const std::int32_t* b, std::uint8_t* d,
                             std::size_t n);
using RatioRowFn = void (*)(const std::uint8_t* s, const std::uint8_t* r, std::uint8_t* d, std::size_t n,
                            std::uint32_t level);
const simd::Variants<ColumnRowFn>& ColumnRowVariants();
const simd::Variants<RatioRowFn>& RatioRowVariants();

#if VNIMG_X86
void ColumnRowAvx2(const std::uint8_t* s, const std::int32_t* f, const std::int32_t* b, std::uint8_t* d, std::size_t n);
void ColumnRowAvx512(const std::uint8_t* s, const std::int32_t* f, const std::int32_t* b, std::uint8_t* d, std::size_t n);
void RatioRowAvx2(const std::uint8_t* s, const std::uint8_t* r, std::uint8_t* d, std::size_t n, std::uint32_t level);
void RatioRowAvx512(const std::uint8_t* s, const std::uint8_t* r, std::uint8_t* d, std::size_t n, std::uint32_t level);
#endif

}  // namespace vnimg::lut
