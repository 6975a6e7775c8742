// Row kernels of the 8-bit gain and offset: d[i] = GainOffsetByte(s[i], gain, offset).
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::lut {

using GainOffsetRowFn = void (*)(const std::uint8_t* s, std::uint8_t* d, std::size_t n, std::int32_t gain,
                                 std::int32_t offset);
const simd::Variants<GainOffsetRowFn>& GainOffsetRowVariants();

#if VNIMG_X86
void GainOffsetRowAvx2(const std::uint8_t* s, std::uint8_t* d, std::size_t n, std::int32_t gain, std::int32_t offset);
void GainOffsetRowAvx512(const std::uint8_t* s, std::uint8_t* d, std::size_t n, std::int32_t gain, std::int32_t offset);
#endif

}  // namespace vnimg::lut
