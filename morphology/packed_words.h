// Packed bit images as 64-bit words (64 pixels each, the most significant bit leftmost) and the
// morphology passes on them: every pass combines whole words with shifts that carry bits across
// word boundaries, with no per-pixel work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "morphology/rows.h"
#include "vnimg/platform/roi.h"

namespace vnimg::morphology {

using Word = std::uint64_t;

// The pixels of an aligned bit ROI, with one guard word on each side of every row (the pixel
// beyond each end, set by the passes). Allocation failure throws std::bad_alloc.
class PackedImage {
 public:
  PackedImage(int width, int height);
  static PackedImage Load(const VnROI<VnBW1>& roi);
  // Writes the ROI's pixels; the bits of a row's last byte beyond the ROI keep their values.
  void Store(VnROI<VnBW1>& roi) const;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  std::size_t Words() const { return m_words; }
  Word* Row(int y) { return m_data.data() + static_cast<std::size_t>(y) * (m_words + 2) + 1; }
  const Word* Row(int y) const { return m_data.data() + static_cast<std::size_t>(y) * (m_words + 2) + 1; }
  // The guard words and the bits of the last word beyond the width take `fill`.
  void Pad(int y, Word fill);
  // The same with the edge pixel repeated beyond each end.
  void PadReplicated(int y);

 private:
  int m_width, m_height;
  std::size_t m_words;
  std::vector<Word> m_data;
};

// Erosion (AND) or dilation (OR) over the (2 halfX + 1) x (2 halfY + 1) rectangle clipped to the
// image; half-sizes beyond the image act as its size minus one.
PackedImage PackedBox(PackedImage image, Extremum e, unsigned halfX, unsigned halfY);
// r - (r + 1) / 2 squares, then (r + 1) / 2 crosses.
PackedImage PackedDisk(PackedImage image, Extremum e, unsigned radius);
// At least 5 of the 3x3 window set, edges repeated.
PackedImage PackedMajority(PackedImage& image);
// a AND NOT b, word by word (the bit form of the saturated difference).
PackedImage PackedMinus(PackedImage a, const PackedImage& b);

}  // namespace vnimg::morphology
