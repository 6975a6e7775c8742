#include "histogram/histogram_count.h"

#include <cstring>
#include <new>

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

constexpr std::size_t kPairBins = 65536;

// Read-ahead distance of the pair count. The pair tables fill much of the L2 cache, so lines
// of a large image that arrive late stall the increments; a hint this far ahead keeps them in
// flight (measured: 4096x4096 noise about 20 % faster, small images unchanged).
constexpr std::uintptr_t kReadAhead = 4096;
constexpr std::size_t kLine = 64;

// A read hint for the line at p + offset, which may lie past the buffer: a hint never faults.
inline void HintRead(const std::uint8_t* p, std::uintptr_t offset) {
#if defined(__GNUC__)
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) + offset), 0, 0);
#else
  (void)p, (void)offset;
#endif
}

// Sixteen bytes as eight little-endian pairs, alternating between the tables.
inline void CountPairs16(const std::uint8_t* p, std::uint32_t* even, std::uint32_t* odd) {
  std::uint64_t a, b;
  std::memcpy(&a, p, 8);
  std::memcpy(&b, p + 8, 8);
  ++even[a & 0xFFFF];
  ++odd[(a >> 16) & 0xFFFF];
  ++even[(a >> 32) & 0xFFFF];
  ++odd[a >> 48];
  ++even[b & 0xFFFF];
  ++odd[(b >> 16) & 0xFFFF];
  ++even[(b >> 32) & 0xFFFF];
  ++odd[b >> 48];
}

// Adds the n bytes at p (n even) as n / 2 little-endian pairs, one read hint per line.
void CountPairs(const std::uint8_t* p, std::size_t n, std::uint32_t* even, std::uint32_t* odd) {
  std::size_t i = 0;
  for (; i + kLine <= n; i += kLine) {
    HintRead(p + i, kReadAhead);
    for (std::size_t k = 0; k < kLine; k += 16) CountPairs16(p + i + k, even, odd);
  }
  for (; i + 16 <= n; i += 16) CountPairs16(p + i, even, odd);
  for (; i < n; i += 2) ++even[p[i] | unsigned{p[i + 1]} << 8];
}

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

void HintSpan(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; i += kLine) HintRead(p, i);
}

BW8Counter::BW8Counter(std::uint64_t pixels) {
  if (pixels >= kPairMinPixels) m_pairs.reset(new (std::nothrow) std::uint32_t[2 * kPairBins]());
}

void BW8Counter::Add(const std::uint8_t* p, std::size_t n) {
  if (!m_pairs) return CountBW8(p, n, {m_bytes[0], m_bytes[1]});
  if (n % 2 != 0) ++m_bytes[0][p[--n]];
  CountPairs(p, n, m_pairs.get(), m_pairs.get() + kPairBins);
}

// Folding the pair tables: row b of 256 pairs (a, b) sums into byte b, and its entries into
// bytes a.
void BW8Counter::SumInto(std::uint32_t* out) const {
  for (std::size_t i = 0; i < 256; ++i) out[i] = m_bytes[0][i] + m_bytes[1][i];
  if (!m_pairs) return;
  const std::uint32_t* even = m_pairs.get();
  const std::uint32_t* odd = even + kPairBins;
  for (std::size_t b = 0; b < 256; ++b) {
    std::uint32_t row = 0;
    for (std::size_t a = 0; a < 256; ++a) {
      const std::uint32_t c = even[b * 256 + a] + odd[b * 256 + a];
      out[a] += c;
      row += c;
    }
    out[b] += row;
  }
}

void CountBW16(const std::uint16_t* p, std::size_t n, BinMap map, PartialCounts counts) { CountWide(p, n, map, counts); }
void CountBW32(const std::uint32_t* p, std::size_t n, BinMap map, PartialCounts counts) { CountWide(p, n, map, counts); }

}  // namespace vnimg::histogram
