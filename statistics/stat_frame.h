// The checks and walks shared by the statistics operations.
#pragma once

#include <cstdint>

#include "foundation/frame.h"

namespace vnimg::statistics {

// Pixels of a ROI, in a type that cannot overflow.
inline std::uint64_t PixelCount(const VnGenericROI& roi) {
  return std::uint64_t(roi.GetWidth()) * std::uint64_t(roi.GetHeight());
}

// The "buffer" check of the statistics: a null ROI or one without pixel buffer gives 1400. The
// validity check follows, so that a ROI outside its parent is never read.
inline bool CheckBuffer(const char* trace, const VnGenericROI* roi) {
  if (!roi || roi->Void()) {
    frame::Fail(VN_ERR_NULL_ROI, trace);
    return false;
  }
  VnOk();
  if (!roi->CheckValidity()) {
    frame::Trace(trace);
    return false;
  }
  return true;
}

// visit(first pixel, count) over each row of the ROI.
template <class T, class Visit>
void ForEachRowSpan(const VnROI<T>& roi, Visit visit) {
  frame::ForEachRow(roi, [&](const T* row, int width) { visit(row, static_cast<std::size_t>(width)); });
}

// visit(first pixel, count) over each mask run of the ROI, or each row when it has none. A run
// is clipped to the ROI's memory (pixel (0, 0) to just past the last pixel) and an empty or
// reversed one is skipped, as ImgHistogram does; a run crossing a row end takes the bytes
// between the rows.
template <class Visit>
void ForEachMaskedSpan(const VnROI<VnBW8>& roi, Visit visit) {
  if (roi.GetMaskRunCount() == 0) return ForEachRowSpan(roi, visit);
  const std::uint64_t extent = PixelCount(roi) == 0 ? 0
                                                    : std::uint64_t(roi.GetRowPitch()) * std::uint64_t(roi.GetHeight() - 1) +
                                                          std::uint64_t(roi.GetWidth());
  const VnBW8* base = roi.GetImagePtr(0, 0);
  const VnRun* runs = roi.GetMaskRuns();
  for (unsigned r = 0; r < roi.GetMaskRunCount(); ++r) {
    const std::uint64_t start = runs[r].m_un32Start;
    const std::uint64_t end = runs[r].m_un32End < extent ? runs[r].m_un32End : extent;
    if (start < end) visit(base + start, static_cast<std::size_t>(end - start));
  }
}

}  // namespace vnimg::statistics
