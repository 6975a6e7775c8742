#include "histogram/histogram_count.h"

#include <cstring>
#include <memory>
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

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// True when the 64 bytes at p are one little-endian pair 32 times over. Only a word of four
// equal pairs (never seen in noise) pays for the full comparison.
inline bool OnePair64(const std::uint8_t* p) {
  const std::uint64_t first = Load64(p);
  if (first != (first >> 16 | first << 48)) return false;
  std::uint64_t differ = 0;
  for (std::size_t k = 8; k < kLine; k += 8) differ |= Load64(p + k) ^ first;
  return differ == 0;
}

// A wrap of pair a + 256 b's count: 256 more of a and of b. Out of line, so that the
// increments need not keep the pair for it.
[[gnu::noinline, gnu::cold]] void Wrapped(unsigned pair, std::uint32_t* bytes) {
  bytes[pair & 0xFF] += 256;
  bytes[pair >> 8] += 256;
}

inline unsigned Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// ++pairs[pair], pair being the two bytes at `at`, and the wrap when the count passes 255. On
// x86 one add to memory with its carry taking the branch, the wrap reading its pair again from
// `at`: compilers otherwise compute the entry's address apart (measured: 8 % slower on noise)
// or keep a copy of the pair alive for the wrap, one more step per pair.
inline void AddPair(const std::uint8_t* at, unsigned pair, std::uint8_t* pairs, std::uint32_t* bytes) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  asm goto("addb $1, %0\n\tjc %l[wrapped]" : "+m"(pairs[pair]) : : "cc" : wrapped);
  return;
wrapped:
  Wrapped(Load16(at), bytes);
#else
  (void)at;
  if (++pairs[pair] == 0) [[unlikely]]
    Wrapped(pair, bytes);
#endif
}

// The two pairs of the 32-bit word at p: fewer steps per pair than shifting four out of 64 bits
// (with the wrap's pair read again, the count of noise measured 1 to 3 % faster on a quiet
// machine, 4 to 17 % on a busy one).
inline void AddPairs2(const std::uint8_t* p, std::uint8_t* pairs, std::uint32_t* bytes) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  AddPair(p, v & 0xFFFF, pairs, bytes);
  AddPair(p + 2, v >> 16, pairs, bytes);
}

// Adds the n bytes at p (n even) as n / 2 little-endian pairs, one read hint per line `ahead`
// bytes on; pair counts modulo 256 in `pairs`, their wraps in `bytes`.
void CountPairs(const std::uint8_t* p, std::size_t n, std::size_t ahead, std::uint8_t* pairs, std::uint32_t* bytes) {
  std::size_t i = 0;
  for (; i + kLine <= n; i += kLine) {
    HintRead(p + i, ahead);
    if (OnePair64(p + i)) {
      const unsigned pair = Load16(p + i);
      const unsigned sum = pairs[pair] + kLine / 2;
      pairs[pair] = static_cast<std::uint8_t>(sum);
      if (sum > 0xFF) Wrapped(pair, bytes);
      continue;
    }
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kLine; k += 4) AddPairs2(p + i + k, pairs, bytes);
  }
  for (; i + 8 <= n; i += 8) {
    AddPairs2(p + i, pairs, bytes);
    AddPairs2(p + i + 4, pairs, bytes);
  }
  for (; i < n; i += 2) AddPair(p + i, Load16(p + i), pairs, bytes);
}

// One read hint per line, as for bytes. The four-pixel step is a lambda: as a function of its
// own, GCC 12 turned the steps' range checks into conditional moves (20 % slower at 1920x1080).
template <class Pixel>
void CountWide(const Pixel* p, std::size_t n, BinMap map, PartialCounts counts) {
  constexpr std::size_t kLinePixels = kLine / sizeof(Pixel);
  // The four pixels from p[at], alternating between the tables.
  const auto addFour = [&](std::size_t at) {
    const std::uint32_t b0 = map.Bin(p[at]), b1 = map.Bin(p[at + 1]);
    const std::uint32_t b2 = map.Bin(p[at + 2]), b3 = map.Bin(p[at + 3]);
    ++counts.even[b0];
    ++counts.odd[b1];
    ++counts.even[b2];
    ++counts.odd[b3];
  };
  std::size_t i = 0;
  for (; i + kLinePixels <= n; i += kLinePixels) {
    HintRead(reinterpret_cast<const std::uint8_t*>(p + i), kReadAhead);
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kLinePixels; k += 4) addFour(i + k);
  }
  for (; i + 4 <= n; i += 4) addFour(i);
  for (; i < n; ++i) ++counts.even[map.Bin(p[i])];
}

}  // namespace

BW8Counter::BW8Counter(std::uint64_t pixels, std::size_t readAhead) : m_readAhead(readAhead) {
  if (pixels < kPairMinPixels) return;
  m_storage.reset(new (std::nothrow) std::uint8_t[kPairBins + kLine - 1]);
  if (!m_storage) return;
  void* table = m_storage.get();
  std::size_t space = kPairBins + kLine - 1;
  m_pairs = static_cast<std::uint8_t*>(std::align(kLine, kPairBins, table, space));
  std::memset(m_pairs, 0, kPairBins);
}

void BW8Counter::Add(const std::uint8_t* p, std::size_t n) {
  if (!m_pairs) return CountBW8(p, n, {m_bytes[0], m_bytes[1]});
  // The bytes before the first 4-byte boundary alone, so that no load of two pairs straddles
  // two lines (measured on an AMD core, a disc's runs: 2 to 5 % faster when the machine was
  // busy, 0.4 % slower when quiet), without a branch: where a run starts is as good as random.
  // An odd last byte is counted after the pairs: read first, it would wait for a line that the
  // count reaches only later (measured: odd spans of about 3000 bytes 3 % slower).
  if (n < 4) {
    if (n % 2 != 0) ++m_bytes[0][p[--n]];
    return CountPairs(p, n, m_readAhead, m_pairs, m_bytes[0]);
  }
  const unsigned head = (0u - static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p))) & 3u;
  for (unsigned k = 0; k < 3; ++k) m_bytes[0][p[k]] += k < head ? 1u : 0u;
  p += head;
  n -= head;
  const std::size_t odd = n & 1u;
  n -= odd;
  CountPairs(p, n, m_readAhead, m_pairs, m_bytes[0]);
  m_bytes[0][p[n + odd - 1]] += static_cast<std::uint32_t>(odd);
}

void BW8Counter::SumInto(std::uint32_t* out) const {
  for (std::size_t i = 0; i < 256; ++i) out[i] = m_bytes[0][i] + m_bytes[1][i];
  if (m_pairs) FoldPairsVariants().Pick()(m_pairs, out);
}

namespace {

void FoldPairsPlain(const std::uint8_t* pairs, std::uint32_t* out) {
  std::uint16_t columns[256] = {};
  for (std::size_t b = 0; b < 256; ++b) {
    const std::uint8_t* row = pairs + b * 256;
    std::uint16_t rowSum = 0;
    for (std::size_t a = 0; a < 256; ++a) {
      columns[a] = static_cast<std::uint16_t>(columns[a] + row[a]);
      rowSum = static_cast<std::uint16_t>(rowSum + row[a]);
    }
    out[b] += rowSum;
  }
  for (std::size_t a = 0; a < 256; ++a) out[a] += columns[a];
}

}  // namespace

// Clearing and folding the table is the pair count's fixed cost (the plain fold about 4.6 µs,
// the AVX-512 one 0.6, clearing 0.45, measured), which counts against small ROIs and mask runs.
const simd::Variants<FoldPairsFn>& FoldPairsVariants() {
  static constexpr simd::Variants<FoldPairsFn> kVariants{.plain = FoldPairsPlain,
                                                         .avx2 = VNIMG_X86_VARIANT(FoldPairsAvx2),
                                                         .avx512 = VNIMG_X86_VARIANT(FoldPairsAvx512)};
  return kVariants;
}

void CountBW16(const std::uint16_t* p, std::size_t n, BinMap map, PartialCounts counts) { CountWide(p, n, map, counts); }
void CountBW32(const std::uint32_t* p, std::size_t n, BinMap map, PartialCounts counts) { CountWide(p, n, map, counts); }

}  // namespace vnimg::histogram
