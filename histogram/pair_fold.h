// The pair table's fold in registers, written once for the ISA files (each instantiates it
// with its own register type; nothing here is out of line). Columns add two rows at a time: the
// rows' bytes interleaved into 16-bit lanes and each lane's two bytes summed in one step (an
// and, a shift and two adds a row before: measured 1.04 against 0.78 µs with AVX-512). Each
// row's sum of bytes comes from one sum of absolute differences per register, four rows packed
// into 16-bit fields of the same lanes so that one reduction serves them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vnimg::histogram {

template <class V>
inline void FoldPairsIn(const std::uint8_t* pairs, std::uint32_t* out) {
  using R = typename V::R;
  constexpr int kRegisters = 256 / V::kBytes;  // per row of 256 pairs
  // Lane j of 128-bit group g in low[k]: column k * kBytes + 16 g + j; in high[k]: 8 further.
  R low[kRegisters], high[kRegisters];
  for (int k = 0; k < kRegisters; ++k) low[k] = high[k] = V::Zero();
  for (std::size_t b = 0; b < 256; b += 4) {
    R packed = V::Zero();
    for (int q = 0; q < 4; q += 2) {
      const std::uint8_t* upper = pairs + (b + q) * 256;
      const std::uint8_t* lower = upper + 256;
      R upperSum = V::Zero(), lowerSum = V::Zero();
      for (int k = 0; k < kRegisters; ++k) {
        const R u = V::Load(upper + k * V::kBytes), l = V::Load(lower + k * V::kBytes);
        upperSum = V::Add64(upperSum, V::SumBytes(u));
        lowerSum = V::Add64(lowerSum, V::SumBytes(l));
        low[k] = V::Add16(low[k], V::AddBytePairs(V::InterleaveLow(u, l)));
        high[k] = V::Add16(high[k], V::AddBytePairs(V::InterleaveHigh(u, l)));
      }
      packed = V::Or(packed, V::Or(V::ShiftFields(upperSum, q), V::ShiftFields(lowerSum, q + 1)));
    }
    const std::uint64_t sums = V::Total64(packed);  // fields below 2^16: no carry between rows
    for (int q = 0; q < 4; ++q) out[b + q] += static_cast<std::uint32_t>(sums >> (16 * q)) & 0xFFFF;
  }
  for (int k = 0; k < kRegisters; ++k) {
    alignas(64) std::uint16_t l[V::kBytes / 2], h[V::kBytes / 2];
    V::Store(l, low[k]);
    V::Store(h, high[k]);
    for (std::size_t g = 0; g < V::kBytes / 16; ++g)
      for (std::size_t j = 0; j < 8; ++j) {
        out[k * V::kBytes + 16 * g + j] += l[8 * g + j];
        out[k * V::kBytes + 16 * g + 8 + j] += h[8 * g + j];
      }
  }
}

}  // namespace vnimg::histogram
