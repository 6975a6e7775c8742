#include "histogram/histogram_count.h"

#include <cstring>

namespace vnimg::histogram {

void CountBW8(const std::uint8_t* p, std::size_t n, PartialCounts counts) {
  std::uint32_t* const even = counts.even;
  std::uint32_t* const odd = counts.odd;
  std::size_t i = 0;
  // Eight pixels from two 32-bit words, alternating between the tables.
  for (; i + 8 <= n; i += 8) {
    std::uint32_t a, b;
    std::memcpy(&a, p + i, 4);
    std::memcpy(&b, p + i + 4, 4);
    ++even[a & 0xFF];
    ++odd[(a >> 8) & 0xFF];
    ++even[(a >> 16) & 0xFF];
    ++odd[a >> 24];
    ++even[b & 0xFF];
    ++odd[(b >> 8) & 0xFF];
    ++even[(b >> 16) & 0xFF];
    ++odd[b >> 24];
  }
  for (; i < n; ++i) ++even[p[i]];
}

namespace {

template <class Pixel>
void CountWide(const Pixel* p, std::size_t n, BinMap map, PartialCounts counts) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const std::uint32_t b0 = map.Bin(p[i]), b1 = map.Bin(p[i + 1]);
    const std::uint32_t b2 = map.Bin(p[i + 2]), b3 = map.Bin(p[i + 3]);
    ++counts.even[b0];
    ++counts.odd[b1];
    ++counts.even[b2];
    ++counts.odd[b3];
  }
  for (; i < n; ++i) ++counts.even[map.Bin(p[i])];
}

}  // namespace

void CountBW16(const std::uint16_t* p, std::size_t n, BinMap map, PartialCounts counts) { CountWide(p, n, map, counts); }
void CountBW32(const std::uint32_t* p, std::size_t n, BinMap map, PartialCounts counts) { CountWide(p, n, map, counts); }

}  // namespace vnimg::histogram
