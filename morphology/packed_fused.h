// Erosion and dilation of packed bit images by a box in one sweep: each source row is read once
// into a small ring of 64-bit words, filtered along the row by doubling windows, and each
// destination row is the extremum of the ring's rows. The literal passes of packed_words.cpp
// are the reference; this gives the same bits with integer word operations only, written as
// plain loops that each ISA file compiles (and vectorises) for itself.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/simd.h"

namespace vnimg::morphology {

// Half-sizes the sweep takes: a row window of 2 * 62 + 1 pixels reaches one word on each side.
inline constexpr unsigned kFusedHalfLimit = 62;

namespace fused {

using Word = std::uint64_t;

// Every row buffer: two fill words, the row's words, two fill words.
inline constexpr std::size_t kGuard = 2;

// One sweep, prepared outside the ISA files: byte-aligned rows a pitch apart; `buffer` holds
// (slots + 3) row buffers of words + 2 kGuard words each, all fill.
struct Job {
  const unsigned char* src;
  std::ptrdiff_t srcPitch;
  unsigned char* dst;
  std::ptrdiff_t dstPitch;
  int width, height;
  std::size_t words;
  int halfX, halfY;
  int span;   // the largest power of two not above 2 halfX + 1
  int slots;  // ring rows: min(2 halfY + 1, height)
  Word* buffer;
  bool erode;
};

}  // namespace fused

// dst = the erosion (AND) or dilation (OR) of src over the box clipped to the image; the
// destination the source itself or apart from it.
using FusedBoxFn = void (*)(const fused::Job& job);
const simd::Variants<FusedBoxFn>& FusedBoxVariants();
#if VNIMG_X86
void FusedBoxSse2(const fused::Job& job);
void FusedBoxAvx2(const fused::Job& job);
void FusedBoxAvx512(const fused::Job& job);
#endif

// The sweep, instantiated by each ISA file with a tag type of its own, calling nothing out of
// line (so that no function compiled for one ISA is shared with another).
namespace fused {

template <class Isa>
struct And {
  static constexpr Word kFill = ~Word{0};
  static Word Of(Word a, Word b) { return a & b; }
};
template <class Isa>
struct Or {
  static constexpr Word kFill = 0;
  static Word Of(Word a, Word b) { return a | b; }
};

template <class Isa, class Op>
struct Sweep {
  // The row's pixels, most significant bit leftmost; the bits past the width take the fill.
  static void LoadRow(const unsigned char* bytes, int width, Word* row) {
    const std::size_t full = static_cast<std::size_t>(width) / 64, rest = static_cast<std::size_t>(width) % 64;
    for (std::size_t i = 0; i < full; ++i) {
      Word w;
      std::memcpy(&w, bytes + 8 * i, 8);
      row[i] = std::endian::native == std::endian::little ? __builtin_bswap64(w) : w;
    }
    if (rest == 0) return;
    Word w = 0;
    for (std::size_t b = 0; 8 * b < rest; ++b) w |= Word{bytes[8 * full + b]} << (56 - 8 * b);
    const Word beyond = ~Word{0} >> rest;
    row[full] = (w & ~beyond) | (Op::kFill & beyond);
  }

  // The bytes of the rows a op b op c; the bits of the last byte past the width keep their values.
  static void StoreRow(const Word* a, const Word* b, const Word* c, int width, unsigned char* bytes) {
    const std::size_t fullBytes = static_cast<std::size_t>(width) / 8, fullWords = fullBytes / 8;
    for (std::size_t i = 0; i < fullWords; ++i) {
      const Word v = Op::Of(a[i], Op::Of(b[i], c[i]));
      const Word w = std::endian::native == std::endian::little ? __builtin_bswap64(v) : v;
      std::memcpy(bytes + 8 * i, &w, 8);
    }
    const auto byteAt = [&](std::size_t k) {
      return static_cast<unsigned char>(Op::Of(a[k / 8], Op::Of(b[k / 8], c[k / 8])) >> (56 - 8 * (k % 8)));
    };
    for (std::size_t k = 8 * fullWords; k < fullBytes; ++k) bytes[k] = byteAt(k);
    if (const int tail = width % 8) {
      const auto mask = static_cast<unsigned char>(0xFF << (8 - tail));
      bytes[fullBytes] = static_cast<unsigned char>((bytes[fullBytes] & ~mask) | (byteAt(fullBytes) & mask));
    }
  }

  // Bits j + s (0 < s < 64) and j - d (0 <= d < 64) of every bit j of word i.
  static Word Ahead(const Word* p, std::ptrdiff_t i, int s) { return (p[i] << s) | (p[i + 1] >> (64 - s)); }
  static Word Behind(const Word* p, std::ptrdiff_t i, int d) { return d == 0 ? p[i] : (p[i] >> d) | (p[i - 1] << (64 - d)); }

  static void Doubled(const Word* __restrict p, Word* __restrict q, std::ptrdiff_t n, int s) {
    q[-2] = q[n + 1] = Op::kFill;
    for (std::ptrdiff_t i = -1; i <= n; ++i) q[i] = Op::Of(p[i], Ahead(p, i, s));
  }
  static void Spans(const Word* __restrict p, Word* __restrict row, std::ptrdiff_t n, int d, int e) {
    for (std::ptrdiff_t i = 0; i < n; ++i) row[i] = Op::Of(Behind(p, i, d), Behind(p, i, e));
  }
  static void Three(const Word* __restrict p, Word* __restrict row, std::ptrdiff_t n) {
    for (std::ptrdiff_t i = 0; i < n; ++i) row[i] = Op::Of(Behind(p, i, 1), Op::Of(p[i], Ahead(p, i, 1)));
  }

  // Source row `bytes` into `row`, every bit j the extremum over [j - half, j + half], the bits
  // past either end being fill. Spans double (q[j] over [j, j + 2s) from p[j] over [j, j + s))
  // up to the largest power of two in the window, and two spans cover it; a, b: scratch rows.
  static void LoadFiltered(const unsigned char* bytes, const Job& job, Word* row, Word* a, Word* b) {
    const auto n = static_cast<std::ptrdiff_t>(job.words);
    if (job.halfX == 0) return LoadRow(bytes, job.width, row);
    a[-2] = a[-1] = a[n] = a[n + 1] = Op::kFill;
    LoadRow(bytes, job.width, a);
    if (job.span == 2) return Three(a, row, n);
    Word *p = a, *q = b;
    for (int s = 1; s < job.span; s *= 2) {
      Doubled(p, q, n, s);
      Word* t = p;
      p = q, q = t;
    }
    Spans(p, row, n, job.halfX, job.span - 1 - job.halfX);
  }

  // out = a op b, and out = out op a op b.
  static void Pair(Word* __restrict out, const Word* __restrict a, const Word* __restrict b, std::size_t words) {
    for (std::size_t i = 0; i < words; ++i) out[i] = Op::Of(a[i], b[i]);
  }
  static void AddPair(Word* __restrict out, const Word* __restrict a, const Word* __restrict b, std::size_t words) {
    for (std::size_t i = 0; i < words; ++i) out[i] = Op::Of(out[i], Op::Of(a[i], b[i]));
  }

  // In place, destination row y is written once every source row up to y + halfY is read.
  static void Run(const Job& job) {
    const std::size_t words = job.words, length = words + 2 * kGuard;
    const int height = job.height, halfY = job.halfY, slots = job.slots;
    const auto slot = [&](int k) { return job.buffer + length * static_cast<std::size_t>(k % slots) + kGuard; };
    Word *scratchA = job.buffer + length * static_cast<std::size_t>(slots) + kGuard, *scratchB = scratchA + length, *out = scratchB + length;
    int loaded = 0;  // rows read so far
    for (int y = 0; y < height; ++y) {
      const int first = y > halfY ? y - halfY : 0, last = y + halfY < height ? y + halfY : height - 1;
      for (; loaded <= last; ++loaded) LoadFiltered(job.src + job.srcPitch * loaded, job, slot(loaded), scratchA, scratchB);
      unsigned char* bytes = job.dst + job.dstPitch * y;
      // rows first .. last: up to three straight into the store; else the ones before the last
      // two gathered in pairs (an odd count starting with one row twice)
      const int count = last - first + 1;
      if (count <= 3) {
        StoreRow(slot(first), slot(first + (count > 2)), slot(last), job.width, bytes);
        continue;
      }
      const int gathered = count - 2;
      Pair(out, slot(first), slot(first + 1 - gathered % 2), words);
      for (int r = first + 2 - gathered % 2; r < last - 1; r += 2) AddPair(out, slot(r), slot(r + 1), words);
      StoreRow(out, slot(last - 1), slot(last), job.width, bytes);
    }
  }
};

template <class Isa>
void FusedBox(const Job& job) {
  if (job.erode) Sweep<Isa, And<Isa>>::Run(job);
  else Sweep<Isa, Or<Isa>>::Run(job);
}

}  // namespace fused
}  // namespace vnimg::morphology
