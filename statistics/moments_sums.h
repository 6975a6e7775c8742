// Exact row sums from the stretch sums of the row kernels, and the placed pixels of mask runs:
// what the moment, centroid and inertia operations share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "foundation/uint128.h"
#include "statistics/moments_kernels.h"
#include "vnimg/platform/roi.h"

namespace vnimg::moments {

// Wide enough for every row sum of a ROI: 65535 x (2^31)³ and y² x 65535 x 2^31 stay below
// 2^128, so the row sums never wrap where 32 or 64 bits would.
using Wide = Uint128;

// s[p] = sum over a span of w x^p, p = 0 .. order, x the pixel's column.
struct RowSums {
  Wide s[kMaxOrder + 1] = {};
};

// The sums of n pixels whose first sits at column x0; sums(first, count, s) adds the power
// sums of pixels first .. first + count - 1 of the span in their own indices, which are then
// moved to their columns exactly.
template <class StretchSums>
RowSums SpanSums(int n, int x0, int order, StretchSums sums) {
  RowSums row;
  for (int first = 0; first < n; first += kStretch) {
    PowerSums s;
    sums(first, std::min(kStretch, n - first), s);
    const Wide c = static_cast<unsigned>(x0 + first);
    row.s[0] += s.s[0];
    if (order >= 1) row.s[1] += s.s[1] + c * s.s[0];
    if (order >= 2) row.s[2] += s.s[2] + 2 * c * s.s[1] + c * c * s.s[0];
  }
  return row;
}

// Calls visit(pixels, x, y, n) for each run's pixels inside both the ROI's memory (from pixel
// (0, 0) to just past the last) and its rectangle, run pixel k being placed at (x + k, y).
template <class Visit>
void ForEachPlacedRun(const VnROI<VnBW8>& src, Visit visit) {
  const std::int64_t width = src.GetWidth(), height = src.GetHeight();
  if (width == 0 || height == 0) return;
  const std::int64_t extent = std::int64_t{src.GetRowPitch()} * (height - 1) + width;
  const VnBW8* base = src.GetImagePtr(0, 0);
  const VnRun* runs = src.GetMaskRuns();
  for (unsigned r = 0; r < src.GetMaskRunCount(); ++r) {
    const VnRun& run = runs[r];
    if (run.m_n16Y < 0 || run.m_n16Y >= height) continue;
    const std::int64_t start = run.m_un32Start;
    const std::int64_t length = std::min<std::int64_t>(run.m_un32End, extent) - start;
    const std::int64_t first = std::max<std::int64_t>(0, -std::int64_t{run.m_n16X});
    const std::int64_t last = std::min<std::int64_t>(length, width - run.m_n16X);
    if (first < last)
      visit(base + start + first, static_cast<int>(run.m_n16X + first), static_cast<int>(run.m_n16Y),
            static_cast<int>(last - first));
  }
}

// Each row of the rectangle, or each placed run when the ROI has mask runs.
template <class Visit>
void ForEachSpan(const VnROI<VnBW8>& src, Visit visit) {
  if (src.GetMaskRunCount() != 0) return ForEachPlacedRun(src, visit);
  const std::ptrdiff_t pitch = src.GetRowPitch();
  const VnBW8* base = src.GetImagePtr(0, 0);
  for (int y = 0; y < src.GetHeight(); ++y) visit(base + pitch * y, 0, y, src.GetWidth());
}

}  // namespace vnimg::moments
