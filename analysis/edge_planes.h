// Compact working planes of the edge following on the vector levels, and the walks over them.
// Per pixel of a width x height ROI: a byte, the suppressed value, and a nibble, the direction
// class (0..3 for the codes 0, 45, 90, 135, kNoClass for any other) with a visited bit. A frame
// of visited cells of value 0, one cell wide, surrounds the ROI, so that the walks need no bounds
// tests. At 1.5 bytes a pixel (the plain stages hold 4 for the codes, 1 for the suppressed
// values and 1 for the visited map) a 4096 x 4096 ROI's planes take 25 MB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/frame.h"
#include "vnimg/platform/types.h"

namespace vnimg::analysis {

inline constexpr VnBW8 kNoClass = 4;
// The class a grown pixel's cell takes once its neighbours are tested.
inline constexpr VnBW8 kGrown = 5;

// The cells by index, through raw pointers: a copy in a local is known not to change when a
// destination pixel is written.
struct Cells {
  VnBW8* values;
  VnBW8* flags;

  VnBW8& Value(std::ptrdiff_t i) const { return values[i]; }
  unsigned Class(std::ptrdiff_t i) const { return Nibble(i) & 7u; }
  void SetClass(std::ptrdiff_t i, unsigned cls) const {
    VnBW8& pair = flags[i >> 1];
    pair = static_cast<VnBW8>((pair & ~(7u << Shift(i))) | cls << Shift(i));
  }
  bool Visited(std::ptrdiff_t i) const { return (Nibble(i) & kVisited) != 0; }
  // Marks the cell visited and sets its value to 0.
  void Visit(std::ptrdiff_t i) const {
    flags[i >> 1] |= static_cast<VnBW8>(kVisited << Shift(i));
    values[i] = 0;
  }

  static constexpr unsigned kVisited = 8;
  static unsigned Shift(std::ptrdiff_t i) { return static_cast<unsigned>(i & 1) * 4; }
  unsigned Nibble(std::ptrdiff_t i) const { return flags[i >> 1] >> Shift(i); }
};

// Throws std::bad_alloc when the planes cannot be had. Cell (x, y) is at index
// (y + 1) * pitch + x + 2, so that every row starts on a whole byte of nibbles.
class EdgePlanes {
 public:
  EdgePlanes(int width, int height);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  std::ptrdiff_t Pitch() const { return m_pitch; }
  std::ptrdiff_t Index(int x, int y) const { return (y + 1) * m_pitch + x + 2; }
  Cells GetCells() const { return {m_values.get(), m_flags.get()}; }

  // The width values of row y, to be written before the row is followed.
  VnBW8* Values(int y) const { return m_values.get() + Index(0, y); }
  // Row y's classes (bytes 0..kNoClass), none of them visited.
  void SetClasses(int y, const VnBW8* classes);
  // Row y's nibbles: pixels 2k and 2k + 1 in the low and high half of byte k.
  VnBW8* Flags(int y) const { return m_flags.get() + (Index(0, y) >> 1); }

 private:
  static constexpr VnBW8 kFrame = (Cells::kVisited | kNoClass) * 0x11;  // two frame nibbles

  int m_width, m_height;
  std::ptrdiff_t m_pitch;  // even
  std::unique_ptr<VnBW8[]> m_values, m_flags;
};

// The hysteresis passes over the planes into dst (of the planes' size), as the plain loops run
// them, for a low of at least 1. Both followings use the planes up.
void FollowByHysteresis(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low, VnBW8 high);
// Contour growing over the planes into dst (of the planes' size): the visited bit marks the
// seeds, the class kGrown the grown pixels.
void FollowByContourGrowing(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low);

}  // namespace vnimg::analysis
