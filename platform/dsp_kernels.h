// The colour-to-gray rule of the DSP stand-in, shared by its plain loop and vector tail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::dsp {

static inline std::uint8_t GrayOf(const std::uint8_t* c) {
  return static_cast<std::uint8_t>((29 * c[0] + 150 * c[1] + 77 * c[2] + 128) >> 8);
}

// d[i] = GrayOf(s + 3 i) for i < n.
using GrayRowFn = void (*)(const std::uint8_t* s, std::uint8_t* d, std::size_t n);
void GrayRowPlain(const std::uint8_t* s, std::uint8_t* d, std::size_t n);
#if VNIMG_X86
void GrayRowAvx2(const std::uint8_t* s, std::uint8_t* d, std::size_t n);
#endif
const simd::Variants<GrayRowFn>& GrayRowVariants();

}  // namespace vnimg::dsp
