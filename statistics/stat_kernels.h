// Row kernels of the pixel statistics: their signatures, the plain rules (which the plain
// loops are and which the vector variants finish their rows with) and the variant tables.
// Every kernel returns exact integers, so a vector variant gives the same bits as the plain
// loop whatever order it adds in; floating-point accumulation across rows stays with the
// operations. The rules call no out-of-line library template (std::min, std::popcount): the
// ISA files include them too, and such a copy built with their flags could be the one linked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/types.h"

namespace vnimg::statistics {

struct SumSquares {
  std::uint64_t sum = 0;
  std::uint64_t squares = 0;
};
struct Extremes {
  unsigned min;
  unsigned max;
};
// How many pixels lie below each of two thresholds.
struct BelowCounts {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
};

// Sum of the n pixels at p.
using Sum8Fn = std::uint64_t (*)(const VnBW8* p, std::size_t n);
using Sum16Fn = std::uint64_t (*)(const VnBW16* p, std::size_t n);
// Sum and sum of squares.
using SumSquares8Fn = SumSquares (*)(const VnBW8* p, std::size_t n);
using SumSquares16Fn = SumSquares (*)(const VnBW16* p, std::size_t n);
// Lowers e.min and raises e.max to the pixels' extremes, and returns their sum.
using MinMaxSum8Fn = std::uint64_t (*)(const VnBW8* p, std::size_t n, Extremes& e);
using MinMaxSum16Fn = std::uint64_t (*)(const VnBW16* p, std::size_t n, Extremes& e);
// #(p < low) and #(p < high), thresholds from 0 (none below) to 256 or 65536 (all below).
using CountBelow8Fn = BelowCounts (*)(const VnBW8* p, std::size_t n, unsigned low, unsigned high);
using CountBelow16Fn = BelowCounts (*)(const VnBW16* p, std::size_t n, unsigned low, unsigned high);
// Positions where a and b differ.
using Differ8Fn = std::uint64_t (*)(const VnBW8* a, const VnBW8* b, std::size_t n);
using Differ16Fn = std::uint64_t (*)(const VnBW16* a, const VnBW16* b, std::size_t n);
// Set bits of a XOR b over n whole bytes.
using DifferBitsFn = std::uint64_t (*)(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);
// sums[x] += the pixels x of `rows` rows from p, `pitch` bytes apart (wrapping at 2^32). The
// vector variants add a group of rows in narrow lanes first: at most kMaxColumnRows rows.
using AddColumns8Fn = void (*)(const VnBW8* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n);
using AddColumns16Fn = void (*)(const VnBW16* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n);
// 8-bit pixels of that many rows add up in 16-bit lanes.
constexpr std::size_t kMaxColumnRows = 65535 / 255;

// The plain rules over pixels [from, n).

template <class T>
static inline std::uint64_t SumFrom(const T* p, std::size_t from, std::size_t n) {
  std::uint64_t sum = 0;
  for (std::size_t i = from; i < n; ++i) sum += p[i];
  return sum;
}

template <class T>
static inline SumSquares SumSquaresFrom(const T* p, std::size_t from, std::size_t n) {
  SumSquares s;
  for (std::size_t i = from; i < n; ++i) {
    s.sum += p[i];
    s.squares += std::uint64_t{p[i]} * p[i];
  }
  return s;
}

template <class T>
static inline std::uint64_t MinMaxSumFrom(const T* p, std::size_t from, std::size_t n, Extremes& e) {
  std::uint64_t sum = 0;
  unsigned min = e.min, max = e.max;  // locals: e may alias the pixels for all the compiler knows
  for (std::size_t i = from; i < n; ++i) {
    min = p[i] < min ? p[i] : min;
    max = p[i] > max ? p[i] : max;
    sum += p[i];
  }
  e = {min, max};
  return sum;
}

template <class T>
static inline BelowCounts CountBelowFrom(const T* p, std::size_t from, std::size_t n, unsigned low, unsigned high) {
  BelowCounts c;
  for (std::size_t i = from; i < n; ++i) {
    c.low += p[i] < low;
    c.high += p[i] < high;
  }
  return c;
}

template <class T>
static inline std::uint64_t DifferFrom(const T* a, const T* b, std::size_t from, std::size_t n) {
  std::uint64_t count = 0;
  for (std::size_t i = from; i < n; ++i) count += a[i] != b[i];
  return count;
}

static inline std::uint64_t DifferBitsFrom(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                                           std::size_t n) {
  std::uint64_t count = 0;
  for (std::size_t i = from; i < n; ++i) count += static_cast<unsigned>(__builtin_popcount(a[i] ^ b[i]));
  return count;
}

// The leading `bits` (1..8) pixels of a bit-image byte that differ.
static inline unsigned DifferLeadingBits(std::uint8_t a, std::uint8_t b, int bits) {
  const auto mask = static_cast<std::uint8_t>(0xFF00u >> bits);
  return static_cast<unsigned>(__builtin_popcount((a ^ b) & mask));
}

template <class T>
static inline void AddColumnsFrom(const T* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t from,
                                  std::size_t n) {
  for (std::size_t r = 0; r < rows; ++r) {
    const T* row = reinterpret_cast<const T*>(reinterpret_cast<const std::uint8_t*>(p) + pitch * static_cast<std::ptrdiff_t>(r));
    for (std::size_t i = from; i < n; ++i) sums[i] += row[i];
  }
}

const simd::Variants<Sum8Fn>& Sum8Variants();
const simd::Variants<Sum16Fn>& Sum16Variants();
const simd::Variants<SumSquares8Fn>& SumSquares8Variants();
const simd::Variants<SumSquares16Fn>& SumSquares16Variants();
const simd::Variants<MinMaxSum8Fn>& MinMaxSum8Variants();
const simd::Variants<MinMaxSum16Fn>& MinMaxSum16Variants();
const simd::Variants<CountBelow8Fn>& CountBelow8Variants();
const simd::Variants<CountBelow16Fn>& CountBelow16Variants();
const simd::Variants<Differ8Fn>& Differ8Variants();
const simd::Variants<Differ16Fn>& Differ16Variants();
const simd::Variants<DifferBitsFn>& DifferBitsVariants();
const simd::Variants<AddColumns8Fn>& AddColumns8Variants();
const simd::Variants<AddColumns16Fn>& AddColumns16Variants();

// The vector variants, one set per ISA file.
#define VNIMG_STAT_ISA_KERNELS(Isa)                                                          \
  std::uint64_t Sum8##Isa(const VnBW8* p, std::size_t n);                                    \
  std::uint64_t Sum16##Isa(const VnBW16* p, std::size_t n);                                  \
  SumSquares SumSquares8##Isa(const VnBW8* p, std::size_t n);                                \
  SumSquares SumSquares16##Isa(const VnBW16* p, std::size_t n);                              \
  std::uint64_t MinMaxSum8##Isa(const VnBW8* p, std::size_t n, Extremes& e);                 \
  std::uint64_t MinMaxSum16##Isa(const VnBW16* p, std::size_t n, Extremes& e);               \
  BelowCounts CountBelow8##Isa(const VnBW8* p, std::size_t n, unsigned low, unsigned high);  \
  BelowCounts CountBelow16##Isa(const VnBW16* p, std::size_t n, unsigned low, unsigned high); \
  std::uint64_t Differ8##Isa(const VnBW8* a, const VnBW8* b, std::size_t n);                 \
  std::uint64_t Differ16##Isa(const VnBW16* a, const VnBW16* b, std::size_t n);              \
  std::uint64_t DifferBits##Isa(const std::uint8_t* a, const std::uint8_t* b, std::size_t n); \
  void AddColumns8##Isa(const VnBW8* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n); \
  void AddColumns16##Isa(const VnBW16* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n);
VNIMG_STAT_ISA_KERNELS(Sse2)
VNIMG_STAT_ISA_KERNELS(Avx2)
VNIMG_STAT_ISA_KERNELS(Avx512)
#undef VNIMG_STAT_ISA_KERNELS

}  // namespace vnimg::statistics
