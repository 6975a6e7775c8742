// Erosion and dilation of packed bit images by a box in one sweep: each source row is read once
// into a small ring of 64-bit words and filtered along the row by doubling windows, and the
// column window is built by doubling the same way, over rings of rows. The literal passes of packed_words.cpp
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
// (levels + 1) rings of 2 halfY + 2 row buffers and two scratch rows, each of words + 2 kGuard
// words, all fill.
struct Job {
  const unsigned char* src;
  std::ptrdiff_t srcPitch;
  unsigned char* dst;
  std::ptrdiff_t dstPitch;
  int width, height;
  std::size_t words;
  int halfX, halfY;
  int span;   // the largest power of two not above 2 halfX + 1
  int spanY;  // the same for 2 halfY + 1
  int levels;  // doubling levels of the column window kept in rings: log2(spanY) - 1, at least 0
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

  // The bytes of the words wordAt(0), wordAt(1) ...; the bits of the last byte past the width
  // keep theirs.
  template <class WordAt>
  static void StoreWords(WordAt wordAt, int width, unsigned char* bytes) {
    const std::size_t fullBytes = static_cast<std::size_t>(width) / 8, fullWords = fullBytes / 8;
    for (std::size_t i = 0; i < fullWords; ++i) {
      const Word v = wordAt(static_cast<std::ptrdiff_t>(i));
      const Word w = std::endian::native == std::endian::little ? __builtin_bswap64(v) : v;
      std::memcpy(bytes + 8 * i, &w, 8);
    }
    const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(wordAt(static_cast<std::ptrdiff_t>(k / 8)) >> (56 - 8 * (k % 8))); };
    for (std::size_t k = 8 * fullWords; k < fullBytes; ++k) bytes[k] = byteAt(k);
    if (const int tail = width % 8) {
      const auto mask = static_cast<unsigned char>(0xFF << (8 - tail));
      bytes[fullBytes] = static_cast<unsigned char>((bytes[fullBytes] & ~mask) | (byteAt(fullBytes) & mask));
    }
  }
  // The rows a op b op c op e.
  static void StoreRow(const Word* a, const Word* b, const Word* c, const Word* e, int width, unsigned char* bytes) {
    StoreWords([&](std::ptrdiff_t i) { return Op::Of(Op::Of(a[i], b[i]), Op::Of(c[i], e[i])); }, width, bytes);
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

  static void Pair(Word* __restrict out, const Word* __restrict a, const Word* __restrict b, std::size_t words) {
    for (std::size_t i = 0; i < words; ++i) out[i] = Op::Of(a[i], b[i]);
  }

  // Half-sizes 1 and 1, the commonest, in two passes instead of three: each source row loaded
  // once into a ring of three, then every destination word from the column triples of its word
  // and its two neighbours. Rows outside the image are the ring's fourth row, never loaded.
  static void RunThree(const Job& job) {
    const std::size_t length = job.words + 2 * kGuard;
    const int height = job.height;
    Word* ring[3];
    for (int k = 0; k < 3; ++k) ring[k] = job.buffer + length * static_cast<std::size_t>(k) + kGuard;
    const Word* fill = job.buffer + length * 3 + kGuard;
    const auto row = [&](int t) -> const Word* { return t < 0 || t >= height ? fill : ring[t % 3]; };
    LoadRow(job.src, job.width, ring[0]);
    for (int y = 0; y < height; ++y) {
      if (y + 1 < height) LoadRow(job.src + job.srcPitch * (y + 1), job.width, ring[(y + 1) % 3]);
      const Word *a = row(y - 1), *b = row(y), *c = row(y + 1);
      const auto column = [&](std::ptrdiff_t i) { return Op::Of(Op::Of(a[i], b[i]), c[i]); };
      StoreWords([&](std::ptrdiff_t i) {
        const Word v = column(i), left = column(i - 1), right = column(i + 1);
        return Op::Of(v, Op::Of((v << 1) | (right >> 63), (v >> 1) | (left << 63)));
      }, job.width, job.dst + job.dstPitch * y);
    }
  }

  // The column window by doubling too, over virtual rows -halfY .. height - 1 + halfY, those
  // outside the image being fill. Level l holds P(l)[v], the extremum of the filtered rows
  // v .. v + 2^l - 1; destination row y takes the four level spans that cover y - halfY ..
  // y + halfY. In place, row y is written once every source row up to y + halfY is read.
  static void Run(const Job& job) {
    if (job.halfX == 1 && job.halfY == 1) return RunThree(job);
    const std::size_t words = job.words, length = words + 2 * kGuard;
    const int height = job.height, halfY = job.halfY, ring = 2 * halfY + 2, top = job.levels;
    const auto at = [&](int level, int v) {
      return job.buffer + length * (static_cast<std::size_t>(level) * ring + static_cast<std::size_t>((v + halfY) % ring)) + kGuard;
    };
    Word *scratchA = job.buffer + length * static_cast<std::size_t>(top + 1) * ring + kGuard, *scratchB = scratchA + length;
    const int half = job.spanY / 2 > 0 ? job.spanY / 2 : 1;  // the top level's span, 2^top
    for (int t = -halfY; t < height + halfY; ++t) {
      Word* row = at(0, t);
      if (t >= 0 && t < height) LoadFiltered(job.src + job.srcPitch * t, job, row, scratchA, scratchB);
      else for (std::size_t i = 0; i < words; ++i) row[i] = Op::kFill;
      for (int l = 1, s = 2; l <= top; ++l, s *= 2)
        if (t - s + 1 >= -halfY) Pair(at(l, t - s + 1), at(l - 1, t - s + 1), at(l - 1, t - s / 2 + 1), words);
      const int y = t - halfY, c = y + halfY - job.spanY + 1;
      if (y < 0) continue;
      if (job.spanY == 1) StoreRow(row, row, row, row, job.width, job.dst + job.dstPitch * y);
      else StoreRow(at(top, y - halfY), at(top, y - halfY + half), at(top, c), at(top, c + half), job.width, job.dst + job.dstPitch * y);
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
