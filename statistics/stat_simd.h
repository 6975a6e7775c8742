// The vector form of every statistics row kernel, written once over an ISA's register
// operations. Included only by the ISA files (stat_rows_sse2.cpp ...): each defines its traits
// type V in an anonymous namespace and instantiates these templates there, so that they get
// internal linkage and that ISA's flags.
//
// V provides: R, kBytes, Load, Store, Zero, Ones, Set8, Set16, And, Xor, Add8, Sub8, Add32,
// Add64, Min8, Max8, Min16, Max16 (unsigned), CountAtMost8 / 16 (counter, v, t, on), CountEqual8 /
// 16 (counter, x, y) or else EqualPixels8 / 16 (x, y), Sad8 (bytes summed into 64-bit
// lanes), UnpackLo/Hi 8, 16, 32 (per 128-bit lane, the order does not matter to sums),
// MAdd16, MulEpu32, Srli64By32, Srli16<n>, Add16, Widen8To16x2 (kBytes bytes into two registers of 16-bit
// lanes in pixel order) and Widen16To32x2 (a register of 16-bit lanes into two of 32-bit lanes,
// in pixel order).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "statistics/stat_kernels.h"

namespace vnimg::statistics {
namespace {

// Flush intervals, in vectors, of narrow lane counters that must not wrap: byte counters
// gain at most 1 a vector; 32-bit lanes gain at most 4 squares of 255 (8-bit squares) or two
// pixels of 65535 (16-bit sums) a vector.
constexpr std::size_t kByteCounterVectors = 255;
constexpr std::size_t kSquare8Vectors = 16384;
constexpr std::size_t kSum16Vectors = 32768;

template <class V>
std::uint64_t Lanes64(typename V::R r) {
  alignas(64) std::uint64_t lanes[V::kBytes / 8];
  V::Store(lanes, r);
  std::uint64_t sum = 0;
  for (std::uint64_t lane : lanes) sum += lane;
  return sum;
}

template <class V, class T>
void LanesExtremes(typename V::R min, typename V::R max, Extremes& e) {
  alignas(64) T mins[V::kBytes / sizeof(T)], maxs[V::kBytes / sizeof(T)];
  V::Store(mins, min);
  V::Store(maxs, max);
  unsigned min_ = e.min, max_ = e.max;  // locals: e may alias the pixels for all the compiler knows
  for (std::size_t i = 0; i < V::kBytes / sizeof(T); ++i) {
    min_ = mins[i] < min_ ? mins[i] : min_;
    max_ = maxs[i] > max_ ? maxs[i] : max_;
  }
  e = {min_, max_};
}

// The 32-bit lanes of r added into the 64-bit lanes of acc.
template <class V>
typename V::R Widen32Into(typename V::R acc, typename V::R r) {
  const typename V::R zero = V::Zero();
  return V::Add64(acc, V::Add64(V::UnpackLo32(r, zero), V::UnpackHi32(r, zero)));
}

// The 16-bit pixels of v as 32-bit lanes added into acc32.
template <class V>
typename V::R AddWords(typename V::R acc32, typename V::R v) {
  const typename V::R zero = V::Zero();
  return V::Add32(acc32, V::Add32(V::UnpackLo16(v, zero), V::UnpackHi16(v, zero)));
}

template <class V>
std::uint64_t Sum8(const VnBW8* p, std::size_t n) {
  using R = typename V::R;
  R a = V::Zero(), b = V::Zero();
  std::size_t i = 0;
  for (; i + 2 * V::kBytes <= n; i += 2 * V::kBytes) {
    a = V::Add64(a, V::Sad8(V::Load(p + i)));
    b = V::Add64(b, V::Sad8(V::Load(p + i + V::kBytes)));
  }
  for (; i + V::kBytes <= n; i += V::kBytes) a = V::Add64(a, V::Sad8(V::Load(p + i)));
  return Lanes64<V>(V::Add64(a, b)) + SumFrom(p, i, n);
}

template <class V>
std::uint64_t Sum16(const VnBW16* p, std::size_t n) {
  using R = typename V::R;
  constexpr std::size_t kPixels = V::kBytes / 2;
  R acc = V::Zero();
  std::size_t i = 0;
  while (i + kPixels <= n) {
    R sum32 = V::Zero();
    for (std::size_t k = 0; k < kSum16Vectors && i + kPixels <= n; ++k, i += kPixels) sum32 = AddWords<V>(sum32, V::Load(p + i));
    acc = Widen32Into<V>(acc, sum32);
  }
  return Lanes64<V>(acc) + SumFrom(p, i, n);
}

template <class V>
SumSquares SumSquares8(const VnBW8* p, std::size_t n) {
  using R = typename V::R;
  const R zero = V::Zero();
  R sum = zero, squares = zero;
  std::size_t i = 0;
  while (i + V::kBytes <= n) {
    R squares32 = zero;
    for (std::size_t k = 0; k < kSquare8Vectors && i + V::kBytes <= n; ++k, i += V::kBytes) {
      const R v = V::Load(p + i);
      const R lo = V::UnpackLo8(v, zero), hi = V::UnpackHi8(v, zero);
      sum = V::Add64(sum, V::Sad8(v));
      squares32 = V::Add32(squares32, V::Add32(V::MAdd16(lo, lo), V::MAdd16(hi, hi)));
    }
    squares = Widen32Into<V>(squares, squares32);
  }
  const SumSquares tail = SumSquaresFrom(p, i, n);
  return {Lanes64<V>(sum) + tail.sum, Lanes64<V>(squares) + tail.squares};
}

// Squares of the 32-bit lanes of w, added as 64-bit products.
template <class V>
typename V::R AddSquares32(typename V::R acc, typename V::R w) {
  const typename V::R odd = V::Srli64By32(w);
  return V::Add64(acc, V::Add64(V::MulEpu32(w, w), V::MulEpu32(odd, odd)));
}

template <class V>
SumSquares SumSquares16(const VnBW16* p, std::size_t n) {
  using R = typename V::R;
  constexpr std::size_t kPixels = V::kBytes / 2;
  const R zero = V::Zero();
  R sum = zero, squares = zero;
  std::size_t i = 0;
  while (i + kPixels <= n) {
    R sum32 = zero;
    for (std::size_t k = 0; k < kSum16Vectors && i + kPixels <= n; ++k, i += kPixels) {
      const R v = V::Load(p + i);
      sum32 = AddWords<V>(sum32, v);
      squares = AddSquares32<V>(AddSquares32<V>(squares, V::UnpackLo16(v, zero)), V::UnpackHi16(v, zero));
    }
    sum = Widen32Into<V>(sum, sum32);
  }
  const SumSquares tail = SumSquaresFrom(p, i, n);
  return {Lanes64<V>(sum) + tail.sum, Lanes64<V>(squares) + tail.squares};
}

// Two sets of accumulators, so that each vector's min, max and sum do not wait on the last's.
template <class V>
std::uint64_t MinMaxSum8(const VnBW8* p, std::size_t n, Extremes& e) {
  using R = typename V::R;
  R min[2] = {V::Set8(0xFF), V::Set8(0xFF)}, max[2] = {V::Zero(), V::Zero()}, sum[2] = {V::Zero(), V::Zero()};
  std::size_t i = 0;
  for (; i + 2 * V::kBytes <= n; i += 2 * V::kBytes)
    for (int k = 0; k < 2; ++k) {
      const R v = V::Load(p + i + k * V::kBytes);
      min[k] = V::Min8(min[k], v), max[k] = V::Max8(max[k], v), sum[k] = V::Add64(sum[k], V::Sad8(v));
    }
  if (i + V::kBytes <= n) {
    const R v = V::Load(p + i);
    min[0] = V::Min8(min[0], v), max[0] = V::Max8(max[0], v), sum[0] = V::Add64(sum[0], V::Sad8(v));
    i += V::kBytes;
  }
  LanesExtremes<V, std::uint8_t>(V::Min8(min[0], min[1]), V::Max8(max[0], max[1]), e);
  return Lanes64<V>(V::Add64(sum[0], sum[1])) + MinMaxSumFrom(p, i, n, e);
}

template <class V>
std::uint64_t MinMaxSum16(const VnBW16* p, std::size_t n, Extremes& e) {
  using R = typename V::R;
  constexpr std::size_t kPixels = V::kBytes / 2;
  R min = V::Set16(0xFFFF), max = V::Zero(), sum = V::Zero();
  std::size_t i = 0;
  while (i + kPixels <= n) {
    R sum32 = V::Zero();
    for (std::size_t k = 0; k < kSum16Vectors && i + kPixels <= n; ++k, i += kPixels) {
      const R v = V::Load(p + i);
      min = V::Min16(min, v);
      max = V::Max16(max, v);
      sum32 = AddWords<V>(sum32, v);
    }
    sum = Widen32Into<V>(sum, sum32);
  }
  LanesExtremes<V, std::uint16_t>(min, max, e);
  return Lanes64<V>(sum) + MinMaxSumFrom(p, i, n, e);
}

// Counts with byte counters (V::CountAtMost8 / 16 and CountEqual8 / 16 add 1 to each byte of a
// lane that qualifies, so a 16-bit lane counts twice): count(i, a, b) updates the two counters
// a and b with the vector at pixel i. Returns the two totals.
template <class V, class T, class Count>
std::pair<std::uint64_t, std::uint64_t> CountLanes(std::size_t n, std::size_t& i, Count count) {
  using R = typename V::R;
  constexpr std::size_t kPixels = V::kBytes / sizeof(T);
  R totalA = V::Zero(), totalB = V::Zero();
  while (i + kPixels <= n) {
    R a = V::Zero(), b = V::Zero();
    for (std::size_t k = 0; k < kByteCounterVectors && i + kPixels <= n; ++k, i += kPixels) count(i, a, b);
    totalA = V::Add64(totalA, V::Sad8(a));
    totalB = V::Add64(totalB, V::Sad8(b));
  }
  return {Lanes64<V>(totalA) / sizeof(T), Lanes64<V>(totalB) / sizeof(T)};
}

// p < t is p <= t - 1; `on` is all ones when t > 0 and zero when no pixel can be below.
template <class V, class T>
BelowCounts CountBelow(const T* p, std::size_t n, unsigned low, unsigned high) {
  using R = typename V::R;
  const auto splat = [](unsigned t) { return sizeof(T) == 1 ? V::Set8(static_cast<std::uint8_t>(t ? t - 1 : 0)) : V::Set16(static_cast<std::uint16_t>(t ? t - 1 : 0)); };
  const R lowMinus1 = splat(low), lowOn = low ? V::Ones() : V::Zero();
  const R highMinus1 = splat(high), highOn = high ? V::Ones() : V::Zero();
  std::size_t i = 0;
  const auto [belowLow, belowHigh] = CountLanes<V, T>(n, i, [&](std::size_t at, R& a, R& b) {
    const R v = V::Load(p + at);
    if constexpr (sizeof(T) == 1) a = V::CountAtMost8(a, v, lowMinus1, lowOn), b = V::CountAtMost8(b, v, highMinus1, highOn);
    else a = V::CountAtMost16(a, v, lowMinus1, lowOn), b = V::CountAtMost16(b, v, highMinus1, highOn);
  });
  const BelowCounts tail = CountBelowFrom(p, i, n, low, high);
  return {belowLow + tail.low, belowHigh + tail.high};
}

// Positions where a and b differ, from V::EqualPixels8 / 16 (the equal pixels of two vectors),
// two vectors at a time.
template <class V, class T>
std::uint64_t DifferByCounts(const T* a, const T* b, std::size_t n) {
  constexpr std::size_t kPixels = V::kBytes / sizeof(T);
  const auto equal = [&](std::size_t at) {
    if constexpr (sizeof(T) == 1) return V::EqualPixels8(V::Load(a + at), V::Load(b + at));
    else return V::EqualPixels16(V::Load(a + at), V::Load(b + at));
  };
  std::uint64_t equal0 = 0, equal1 = 0;
  std::size_t i = 0;
  for (; i + 2 * kPixels <= n; i += 2 * kPixels) equal0 += equal(i), equal1 += equal(i + kPixels);
  for (; i + kPixels <= n; i += kPixels) equal0 += equal(i);
  return i - equal0 - equal1 + DifferFrom(a, b, i, n);
}

// Positions where a and b differ: the vectors' pixels less those found equal.
template <class V, class T>
std::uint64_t Differ(const T* a, const T* b, std::size_t n) {
  using R = typename V::R;
  if constexpr (requires { V::EqualPixels8(V::Zero(), V::Zero()); }) {
    return DifferByCounts<V>(a, b, n);
  } else {
    std::size_t i = 0;
    const auto [equal, unused] = CountLanes<V, T>(n, i, [&](std::size_t at, R& c, R&) {
      const R x = V::Load(a + at), y = V::Load(b + at);
      if constexpr (sizeof(T) == 1) c = V::CountEqual8(c, x, y);
      else c = V::CountEqual16(c, x, y);
    });
    return i - equal + DifferFrom(a, b, i, n);
  }
}

// Set bits of each byte, by halves, quarters and nibbles (shifts across bytes are masked off).
template <class V>
typename V::R PopcountBytes(typename V::R x) {
  x = V::Sub8(x, V::And(V::template Srli16<1>(x), V::Set8(0x55)));
  x = V::Add8(V::And(x, V::Set8(0x33)), V::And(V::template Srli16<2>(x), V::Set8(0x33)));
  return V::And(V::Add8(x, V::template Srli16<4>(x)), V::Set8(0x0F));
}

template <class V>
std::uint64_t DifferBits(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  using R = typename V::R;
  R acc = V::Zero();
  std::size_t i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes)
    acc = V::Add64(acc, V::Sad8(PopcountBytes<V>(V::Xor(V::Load(a + i), V::Load(b + i)))));
  return Lanes64<V>(acc) + DifferBitsFrom(a, b, i, n);
}

// Row r below p, computed as an address: the read hints name rows past the image.
template <class T>
const T* RowAt(const T* p, std::ptrdiff_t pitch, std::size_t r) {
  return reinterpret_cast<const T*>(reinterpret_cast<std::uintptr_t>(p) + static_cast<std::uintptr_t>(pitch * static_cast<std::ptrdiff_t>(r)));
}

// A read hint for each line of the n bytes at p, which may lie past the image: a hint never
// faults. Into the second-level cache: non-temporal lines bypass it, and on Intel cores those
// evicted from the first level before use come from memory again (measured: the projection of
// 4096x4096 onto a row 2.04 against 0.67 ms).
inline void HintLines(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 64) __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) + i), 0, 1);
}

// Vectors of columns that AddColumns8 takes together, so that each row is read a few lines at
// a time.
constexpr std::size_t kColumnVectors = 4;

// The 16-bit column sums in words (two registers per vector of pixels) added into sums.
template <class V>
void AddWordsInto(const typename V::R words[2], std::uint32_t* sums) {
  using R = typename V::R;
  constexpr std::size_t kLanes = V::kBytes / 4;
  for (std::size_t h = 0; h < 2; ++h) {
    R w[2];
    V::Widen16To32x2(words[h], w);
    for (std::size_t k = 0; k < 2; ++k) {
      std::uint32_t* at = sums + (2 * h + k) * kLanes;
      V::Store(at, V::Add32(V::Load(at), w[k]));
    }
  }
}

// Each group of column vectors adds its rows in 16-bit lanes, then once into the 32-bit sums.
// The rows of a call are short streams that start together, too many for the hardware to
// follow: the same columns of the next call's rows (`rows` further down) are hinted meanwhile.
template <class V>
void AddColumns8(const VnBW8* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n) {
  using R = typename V::R;
  std::size_t i = 0;
  for (; i + kColumnVectors * V::kBytes <= n; i += kColumnVectors * V::kBytes) {
    R words[kColumnVectors][2] = {};
    for (std::size_t r = 0; r < rows; ++r) {
      HintLines(RowAt(p, pitch, r + rows) + i, kColumnVectors * V::kBytes);
      for (std::size_t c = 0; c < kColumnVectors; ++c) {
        R w[2];
        V::Widen8To16x2(RowAt(p, pitch, r) + i + c * V::kBytes, w);
        words[c][0] = V::Add16(words[c][0], w[0]), words[c][1] = V::Add16(words[c][1], w[1]);
      }
    }
    for (std::size_t c = 0; c < kColumnVectors; ++c) AddWordsInto<V>(words[c], sums + i + c * V::kBytes);
  }
  for (; i + V::kBytes <= n; i += V::kBytes) {
    R words[2] = {V::Zero(), V::Zero()};
    for (std::size_t r = 0; r < rows; ++r) {
      R w[2];
      V::Widen8To16x2(RowAt(p, pitch, r) + i, w);
      words[0] = V::Add16(words[0], w[0]), words[1] = V::Add16(words[1], w[1]);
    }
    AddWordsInto<V>(words, sums + i);
  }
  AddColumnsFrom(p, pitch, rows, sums, i, n);
}

// Each vector of columns adds its rows in 32-bit lanes, then once into the sums.
template <class V>
void AddColumns16(const VnBW16* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n) {
  using R = typename V::R;
  constexpr std::size_t kLanes = V::kBytes / 4;
  std::size_t i = 0;
  for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
    R lanes[2] = {V::Zero(), V::Zero()};
    for (std::size_t r = 0; r < rows; ++r) {
      R w[2];
      V::Widen16To32x2(V::Load(RowAt(p, pitch, r) + i), w);
      lanes[0] = V::Add32(lanes[0], w[0]), lanes[1] = V::Add32(lanes[1], w[1]);
    }
    for (std::size_t k = 0; k < 2; ++k) V::Store(sums + i + k * kLanes, V::Add32(V::Load(sums + i + k * kLanes), lanes[k]));
  }
  AddColumnsFrom(p, pitch, rows, sums, i, n);
}

}  // namespace
}  // namespace vnimg::statistics

// The exported variant functions of one ISA, each a call of the template above.
#define VNIMG_STAT_DEFINE_ISA(Isa, V)                                                                                   \
  namespace vnimg::statistics {                                                                                         \
  std::uint64_t Sum8##Isa(const VnBW8* p, std::size_t n) { return Sum8<V>(p, n); }                                      \
  std::uint64_t Sum16##Isa(const VnBW16* p, std::size_t n) { return Sum16<V>(p, n); }                                   \
  SumSquares SumSquares8##Isa(const VnBW8* p, std::size_t n) { return SumSquares8<V>(p, n); }                           \
  SumSquares SumSquares16##Isa(const VnBW16* p, std::size_t n) { return SumSquares16<V>(p, n); }                        \
  std::uint64_t MinMaxSum8##Isa(const VnBW8* p, std::size_t n, Extremes& e) { return MinMaxSum8<V>(p, n, e); }          \
  std::uint64_t MinMaxSum16##Isa(const VnBW16* p, std::size_t n, Extremes& e) { return MinMaxSum16<V>(p, n, e); }       \
  BelowCounts CountBelow8##Isa(const VnBW8* p, std::size_t n, unsigned l, unsigned h) { return CountBelow<V>(p, n, l, h); }    \
  BelowCounts CountBelow16##Isa(const VnBW16* p, std::size_t n, unsigned l, unsigned h) { return CountBelow<V>(p, n, l, h); } \
  std::uint64_t Differ8##Isa(const VnBW8* a, const VnBW8* b, std::size_t n) { return Differ<V>(a, b, n); }              \
  std::uint64_t Differ16##Isa(const VnBW16* a, const VnBW16* b, std::size_t n) { return Differ<V>(a, b, n); }           \
  std::uint64_t DifferBits##Isa(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) { return DifferBits<V>(a, b, n); } \
  void AddColumns8##Isa(const VnBW8* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n) {  \
    AddColumns8<V>(p, pitch, rows, sums, n);                                                                            \
  }                                                                                                                     \
  void AddColumns16##Isa(const VnBW16* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n) { \
    AddColumns16<V>(p, pitch, rows, sums, n);                                                                           \
  }                                                                                                                     \
  }
