#include "morphology/packed_words.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace vnimg::morphology {
namespace {

// Half-sizes up to this run as literal one-axis passes; larger ones by doubling windows.
constexpr unsigned kLiteralHalfLimit = 8;

Word FillOf(Extremum e) { return e == Extremum::Min ? ~Word{0} : Word{0}; }
Word Combine(Extremum e, Word a, Word b) { return e == Extremum::Min ? a & b : a | b; }

Word FromBigEndian(Word w) {
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(w);
  else return w;
}

// Bits [pos, pos + 64) of `n` words, the bits beyond either end reading as `fill`.
Word BitsAt(const Word* row, long long n, long long pos, Word fill) {
  const long long q = pos >> 6;
  const int r = static_cast<int>(pos & 63);
  const auto at = [&](long long j) { return j >= 0 && j < n ? row[j] : fill; };
  return r == 0 ? at(q) : (at(q) << r) | (at(q + 1) >> (64 - r));
}

// Word i of the row's 1x3 pass: itself with its left (bits >> 1) and right (bits << 1)
// neighbours, the guard words supplying the bits beyond the ends.
Word Horizontal3(Extremum e, const Word* row, std::size_t i) {
  const Word left = (row[i] >> 1) | (row[i - 1] << 63);
  const Word right = (row[i] << 1) | (row[i + 1] >> 63);
  return Combine(e, row[i], Combine(e, left, right));
}

void RowPass(PackedImage& in, PackedImage& out, Extremum e) {
  for (int y = 0; y < in.Height(); ++y) {
    in.Pad(y, FillOf(e));
    const Word* row = in.Row(y);
    Word* o = out.Row(y);
    for (std::size_t i = 0; i < in.Words(); ++i) o[i] = Horizontal3(e, row, i);
  }
}

void ColumnPass(const PackedImage& in, PackedImage& out, Extremum e) {
  const int h = in.Height();
  for (int y = 0; y < h; ++y) {
    const Word *mid = in.Row(y), *up = in.Row(std::max(y - 1, 0)), *down = in.Row(std::min(y + 1, h - 1));
    Word* o = out.Row(y);
    for (std::size_t i = 0; i < in.Words(); ++i) o[i] = Combine(e, mid[i], Combine(e, up[i], down[i]));
  }
}

void CrossPass(PackedImage& in, PackedImage& out, Extremum e) {
  const int h = in.Height();
  for (int y = 0; y < h; ++y) in.Pad(y, FillOf(e));
  for (int y = 0; y < h; ++y) {
    const Word *mid = in.Row(y), *up = in.Row(std::max(y - 1, 0)), *down = in.Row(std::min(y + 1, h - 1));
    Word* o = out.Row(y);
    for (std::size_t i = 0; i < in.Words(); ++i) o[i] = Combine(e, Horizontal3(e, mid, i), Combine(e, up[i], down[i]));
  }
}

// The largest power of two not above `window`.
long long SpanOf(long long window) { return static_cast<long long>(std::bit_floor(static_cast<unsigned long long>(window))); }

// Doubling along each row: ext holds the row between `half` fill bits on each side; after the
// steps ext bit j is the extremum over ext bits [j, j + span), and two such spans cover the
// 2 half + 1 pixels around each output.
void RowWindow(PackedImage& image, Extremum e, int half) {
  const Word fill = FillOf(e);
  const long long window = 2LL * half + 1, span = SpanOf(window);
  const long long length = (image.Width() + 2LL * half + 63) / 64, words = static_cast<long long>(image.Words());
  std::vector<Word> ext(static_cast<std::size_t>(length));
  for (int y = 0; y < image.Height(); ++y) {
    image.Pad(y, fill);
    Word* row = image.Row(y);
    for (long long i = 0; i < length; ++i) ext[i] = BitsAt(row, words, 64 * i - half, fill);
    for (long long s = 1; s < span; s *= 2)
      for (long long i = 0; i < length; ++i) ext[i] = Combine(e, ext[i], BitsAt(ext.data(), length, 64 * i + s, fill));
    for (long long i = 0; i < words; ++i) row[i] = Combine(e, ext[i], BitsAt(ext.data(), length, 64 * i + window - span, fill));
  }
}

// Doubling along the columns over the rows between `half` fill rows on each side; rows beyond
// the end combine with fill, which leaves them as they are.
void ColumnWindow(PackedImage& image, Extremum e, int half) {
  const std::size_t words = image.Words();
  const long long window = 2LL * half + 1, span = SpanOf(window), rows = image.Height() + 2LL * half;
  std::vector<Word> ext(static_cast<std::size_t>(rows) * words, FillOf(e));
  for (int y = 0; y < image.Height(); ++y) std::copy_n(image.Row(y), words, ext.data() + (y + half) * words);
  for (long long s = 1; s < span; s *= 2)
    for (long long j = 0; j + s < rows; ++j)
      for (std::size_t i = 0; i < words; ++i) ext[j * words + i] = Combine(e, ext[j * words + i], ext[(j + s) * words + i]);
  for (int y = 0; y < image.Height(); ++y) {
    Word* row = image.Row(y);
    for (std::size_t i = 0; i < words; ++i) row[i] = Combine(e, ext[y * words + i], ext[(y + window - span) * words + i]);
  }
}

template <class Pass>
PackedImage Repeat(PackedImage image, unsigned count, Pass pass) {
  if (count == 0) return image;
  PackedImage other(image.Width(), image.Height());
  for (unsigned k = 0; k < count; ++k) {
    pass(image, other);
    std::swap(image, other);
  }
  return image;
}

}  // namespace

PackedImage::PackedImage(int width, int height)
    : m_width(width), m_height(height), m_words((static_cast<std::size_t>(width) + 63) / 64),
      m_data((m_words + 2) * static_cast<std::size_t>(height)) {}

PackedImage PackedImage::Load(const VnROI<VnBW1>& roi) {
  PackedImage image(roi.GetWidth(), roi.GetHeight());
  const std::size_t bytes = (static_cast<std::size_t>(roi.GetWidth()) + 7) / 8;
  for (int y = 0; y < image.m_height; ++y) {
    const unsigned char* s = roi.GetImagePtr(0, y);
    Word* row = image.Row(y);
    std::size_t i = 0;
    for (; 8 * i + 8 <= bytes; ++i) {
      Word w;
      std::memcpy(&w, s + 8 * i, 8);
      row[i] = FromBigEndian(w);
    }
    if (8 * i < bytes) {
      Word w = 0;
      for (std::size_t b = 8 * i; b < bytes; ++b) w |= Word{s[b]} << (56 - 8 * (b - 8 * i));
      row[i] = w;
    }
  }
  return image;
}

void PackedImage::Store(VnROI<VnBW1>& roi) const {
  const std::size_t full = static_cast<std::size_t>(m_width) / 8;
  const int tailBits = m_width % 8;
  for (int y = 0; y < m_height; ++y) {
    unsigned char* d = roi.GetImagePtr(0, y);
    const Word* row = Row(y);
    std::size_t b = 0;
    for (; b + 8 <= full; b += 8) {
      const Word w = FromBigEndian(row[b / 8]);
      std::memcpy(d + b, &w, 8);
    }
    const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(row[k / 8] >> (56 - 8 * (k % 8))); };
    for (; b < full; ++b) d[b] = byteAt(b);
    if (tailBits) {
      const auto mask = static_cast<unsigned char>(0xFF << (8 - tailBits));
      d[full] = static_cast<unsigned char>((d[full] & ~mask) | (byteAt(full) & mask));
    }
  }
}

void PackedImage::Pad(int y, Word fill) {
  Word* row = Row(y);
  row[-1] = fill;
  row[m_words] = fill;
  if (m_width % 64) {
    const Word beyond = ~Word{0} >> (m_width % 64);
    row[m_words - 1] = (row[m_words - 1] & ~beyond) | (fill & beyond);
  }
}

void PackedImage::PadReplicated(int y) {
  Word* row = Row(y);
  const Word first = row[0] >> 63, last = (row[(m_width - 1) / 64] >> (63 - (m_width - 1) % 64)) & 1;
  Pad(y, last ? ~Word{0} : 0);
  row[-1] = first;
}

PackedImage PackedBox(PackedImage image, Extremum e, unsigned halfX, unsigned halfY) {
  halfX = std::min(halfX, static_cast<unsigned>(image.Width() - 1));
  halfY = std::min(halfY, static_cast<unsigned>(image.Height() - 1));
  if (halfX > kLiteralHalfLimit) RowWindow(image, e, static_cast<int>(halfX));
  else image = Repeat(std::move(image), halfX, [e](PackedImage& in, PackedImage& out) { RowPass(in, out, e); });
  if (halfY > kLiteralHalfLimit) ColumnWindow(image, e, static_cast<int>(halfY));
  else image = Repeat(std::move(image), halfY, [e](PackedImage& in, PackedImage& out) { ColumnPass(in, out, e); });
  return image;
}

PackedImage PackedDisk(PackedImage image, Extremum e, unsigned radius) {
  const unsigned crosses = radius / 2 + radius % 2, squares = radius - crosses;
  const unsigned width = static_cast<unsigned>(image.Width()), height = static_cast<unsigned>(image.Height());
  image = PackedBox(std::move(image), e, squares, squares);
  return Repeat(std::move(image), std::min(crosses, width + height - 2),
                [e](PackedImage& in, PackedImage& out) { CrossPass(in, out, e); });
}

// Bit-sliced count of the nine window bits: each row's three bits sum to (low, high) by a full
// adder, the three sums add to t0 + 2 (c1 + u1) + 4 c2, and the count reaches 5 when the fours
// reach 2, or 1 with something below.
PackedImage PackedMajority(PackedImage& image) {
  const int h = image.Height();
  for (int y = 0; y < h; ++y) image.PadReplicated(y);
  PackedImage out(image.Width(), h);
  for (int y = 0; y < h; ++y) {
    const Word* rows[3] = {image.Row(std::max(y - 1, 0)), image.Row(y), image.Row(std::min(y + 1, h - 1))};
    Word* o = out.Row(y);
    for (std::size_t i = 0; i < image.Words(); ++i) {
      Word low[3], high[3];
      for (int r = 0; r < 3; ++r) {
        const Word c = rows[r][i], left = (c >> 1) | (rows[r][i - 1] << 63), right = (c << 1) | (rows[r][i + 1] >> 63);
        low[r] = left ^ c ^ right;
        high[r] = (left & c) | (right & (left ^ c));
      }
      const Word t0 = low[0] ^ low[1] ^ low[2];
      const Word c1 = (low[0] & low[1]) | (low[2] & (low[0] ^ low[1]));
      const Word u1 = high[0] ^ high[1] ^ high[2];
      const Word c2 = (high[0] & high[1]) | (high[2] & (high[0] ^ high[1]));
      const Word twoLow = c1 ^ u1, fours = c1 & u1;
      o[i] = (fours & c2) | ((fours ^ c2) & (t0 | twoLow));
    }
  }
  return out;
}

PackedImage PackedMinus(PackedImage a, const PackedImage& b) {
  for (int y = 0; y < a.Height(); ++y) {
    Word* r = a.Row(y);
    const Word* s = b.Row(y);
    for (std::size_t i = 0; i < a.Words(); ++i) r[i] &= ~s[i];
  }
  return a;
}

}  // namespace vnimg::morphology
