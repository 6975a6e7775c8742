// The pair table's fold in registers, written once for the ISA files (each instantiates it
// with its own register type; nothing here is out of line). Columns add in 16-bit lanes split
// into even and odd bytes (a mask and a shift, no lane moves); each row's sum of bytes comes
// from one sum of absolute differences per register, four rows packed into 16-bit fields of
// the same lanes so that one reduction serves them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vnimg::histogram {

template <class V>
inline void FoldPairsIn(const std::uint8_t* pairs, std::uint32_t* out) {
  using R = typename V::R;
  constexpr int kRegisters = 256 / V::kBytes;  // per row of 256 pairs
  R even[kRegisters], odd[kRegisters];
  for (int k = 0; k < kRegisters; ++k) even[k] = odd[k] = V::Zero();
  for (std::size_t b = 0; b < 256; b += 4) {
    R packed = V::Zero();
    for (int q = 0; q < 4; ++q) {
      const std::uint8_t* row = pairs + (b + q) * 256;
      R sum = V::Zero();
      for (int k = 0; k < kRegisters; ++k) {
        const R r = V::Load(row + k * V::kBytes);
        sum = V::Add64(sum, V::SumBytes(r));
        even[k] = V::Add16(even[k], V::EvenBytes(r));
        odd[k] = V::Add16(odd[k], V::OddBytes(r));
      }
      packed = V::Or(packed, V::ShiftFields(sum, q));
    }
    const std::uint64_t sums = V::Total64(packed);  // fields below 2^16: no carry between rows
    for (int q = 0; q < 4; ++q) out[b + q] += static_cast<std::uint32_t>(sums >> (16 * q)) & 0xFFFF;
  }
  for (int k = 0; k < kRegisters; ++k) {
    alignas(64) std::uint16_t e[V::kBytes / 2], o[V::kBytes / 2];
    V::Store(e, even[k]);
    V::Store(o, odd[k]);
    for (std::size_t j = 0; j < V::kBytes / 2; ++j) {
      out[k * V::kBytes + 2 * j] += e[j];
      out[k * V::kBytes + 2 * j + 1] += o[j];
    }
  }
}

}  // namespace vnimg::histogram
