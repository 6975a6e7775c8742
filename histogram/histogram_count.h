// Counting kernels of the histograms. Every increment is a load and a store to the same bin,
// so runs of equal pixels (flat areas, constant images) would wait on the previous store;
// the kernels spread consecutive pixels over two partial tables and sum them at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vnimg::histogram {

// Two partial tables of `bins` counts each; the histogram is their sum.
struct PartialCounts {
  std::uint32_t* even;
  std::uint32_t* odd;
};

// Adds the n bytes at p to the 256-bin partial tables.
void CountBW8(const std::uint8_t* p, std::size_t n, PartialCounts counts);

// Long spans count byte pairs instead: one increment of a 65536-bin table per two pixels,
// folded into bytes at the end (pair a + 256 b counts once for a and once for b). Two pair
// tables alternate for the same reason as the byte tables. The tables cost 512 KiB to clear
// and fold, which pays from about a quarter of a million pixels on.
class BW8Counter {
 public:
  static constexpr std::uint64_t kPairMinPixels = std::uint64_t{1} << 18;
  // Pair tables when `pixels` (the total to be added) is large and they can be had.
  explicit BW8Counter(std::uint64_t pixels);
  void Add(const std::uint8_t* p, std::size_t n);
  // out[i] = count of byte i, for 256 bins.
  void SumInto(std::uint32_t* out) const;

 private:
  std::uint32_t m_bytes[2][256] = {};
  std::unique_ptr<std::uint32_t[]> m_pairs;  // two tables of 65536 counts, or null
};

// A read hint for each line of the n bytes at p: spans read one after another (mask runs)
// are too short for the hardware to read ahead.
void HintSpan(const std::uint8_t* p, std::size_t n);

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
