// Counting kernels of the histograms. Every increment is a load and a store to the same bin,
// so runs of equal pixels (flat areas, constant images) would wait on the previous store;
// the byte and wide kernels spread consecutive pixels over two partial tables and sum them at
// the end, the pair count below adds a block of one repeated pair at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/simd.h"

namespace vnimg::histogram {

// How far past the line being counted its read hint goes. Lines of a large image that arrive
// late stall the increments (measured on an AMD core: 4096x4096 8-bit noise about 20 % faster
// with the hint; on an Intel core any distance from 64 bytes to 16 KiB does as well, and the
// 16-bit count with 4096 bins of a 4096x4096 image runs 1.8 times as fast with it).
constexpr std::size_t kReadAhead = 4096;

// Two partial tables of `bins` counts each; the histogram is their sum.
struct PartialCounts {
  std::uint32_t* even;
  std::uint32_t* odd;
};

// Adds the n bytes at p to the 256-bin partial tables.
void CountBW8(const std::uint8_t* p, std::size_t n, PartialCounts counts);

// Long spans count byte pairs instead: one increment of a 65536-bin table per two pixels,
// folded into bytes at the end (pair a + 256 b counts once for a and once for b). The pair
// counts are kept modulo 256 so that the table (64 KiB) nearly fits the first-level cache; a
// count that wraps adds its 256 to both bytes' counts at once. A 64-byte block of one repeated
// pair (flat areas) adds 32 to its count in one step rather than 32 increments of one bin, each
// waiting on the last. Clearing and folding the table costs about what byte counting loses on
// 16384 pixels of noise with the vector fold (measured, square images, as pairs against bytes:
// 14400 pixels 5 % slower to 5 % faster, 16384 level to 6 % faster, 18496 3 to 10 % faster),
// so smaller counts stay with bytes.
class BW8Counter {
 public:
  static constexpr std::uint64_t kPairMinPixels = 16384;
  // Pair table when `pixels` (the total to be added) is large and it can be had.
  explicit BW8Counter(std::uint64_t pixels, std::size_t readAhead = kReadAhead);
  BW8Counter(const BW8Counter&) = delete;  // m_pairs points into m_storage
  BW8Counter& operator=(const BW8Counter&) = delete;
  void Add(const std::uint8_t* p, std::size_t n);
  // out[i] = count of byte i, for 256 bins.
  void SumInto(std::uint32_t* out) const;

 private:
  std::uint32_t m_bytes[2][256] = {};
  std::unique_ptr<std::uint8_t[]> m_storage;
  // 65536 pair counts modulo 256 in m_storage, or null. On a line: at malloc's 16 bytes off
  // one, every vector load of the fold straddles two lines (measured with AVX-512: 0.84
  // against 0.60 us); aligned operator new costs more than it saves (memalign splits chunks).
  std::uint8_t* m_pairs = nullptr;
  std::size_t m_readAhead;
};

// The pair table folded into byte counts: out[b] += the sum of row b (pairs a + 256 b) and
// out[a] += the sum of column a. Every entry is below 256, so no row or column sum passes 16 bits.
using FoldPairsFn = void (*)(const std::uint8_t* pairs, std::uint32_t* out);
const simd::Variants<FoldPairsFn>& FoldPairsVariants();
#if VNIMG_X86
void FoldPairsAvx2(const std::uint8_t* pairs, std::uint32_t* out);
void FoldPairsAvx512(const std::uint8_t* pairs, std::uint32_t* out);
#endif

constexpr std::size_t kLine = 64;

// A read hint for the line at p + offset, which may lie past the buffer: a hint never faults.
// Into the second-level cache, not past it: a non-temporal hint's lines bypass that cache, and
// on Intel cores whatever evicts them from the first level (the pair table does) sends the
// count back to memory (measured: 4096x4096 noise 341 against 241 ps a pixel, and erratic).
inline void HintRead(const std::uint8_t* p, std::size_t offset) {
#if defined(__GNUC__)
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) + offset), 0, 1);
#else
  (void)p, (void)offset;
#endif
}

// Read hints for the first two and the last two lines of the n bytes at p (any n).
inline void HintSpanEnds(const std::uint8_t* p, std::size_t n) {
  HintRead(p, 0);
  HintRead(p, kLine);
  HintRead(p, n - kLine);
  HintRead(p, n - 2 * kLine);
}

// How a wide pixel picks its bin: min(v >> shift, limit). limit is the last bin when the
// histogram saturates, or one past it (a bin that is dropped) when it does not.
struct BinMap {
  unsigned shift;
  std::uint32_t limit;
  std::uint32_t Bin(std::uint64_t v) const {
    const std::uint64_t bin = shift >= 64 ? 0 : v >> shift;
    return bin < limit ? static_cast<std::uint32_t>(bin) : limit;
  }
};

// Adds the n pixels at p to partial tables of limit + 1 counts each.
void CountBW16(const std::uint16_t* p, std::size_t n, BinMap map, PartialCounts counts);
void CountBW32(const std::uint32_t* p, std::size_t n, BinMap map, PartialCounts counts);

}  // namespace vnimg::histogram
