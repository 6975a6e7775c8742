// Row moments from the exact stretch sums of the row kernels, and the placed pixels of mask
// runs: what the moment, centroid and inertia operations share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "statistics/moments_kernels.h"
#include "vnimg/platform/roi.h"

namespace vnimg::moments {

// row[p] += sum over the stretch of w (x0 + i)^p, p = 0 .. order, in double precision.
inline void AddStretch(const PowerSums& s, double x0, int order, double* row) {
  static constexpr double kBinomial[kMaxOrder + 1][kMaxOrder + 1] = {
      {1}, {1, 1}, {1, 2, 1}, {1, 3, 3, 1}, {1, 4, 6, 4, 1}};
  if (x0 == 0) {
    for (int p = 0; p <= order; ++p) row[p] += static_cast<double>(s.s[p]);
    return;
  }
  for (int p = 0; p <= order; ++p) {
    double sum = 0, power = 1;  // x0^(p - k), k from p down to 0
    for (int k = p; k >= 0; --k, power *= x0) sum += kBinomial[p][k] * power * static_cast<double>(s.s[k]);
    row[p] += sum;
  }
}

// row[p] = sum of w x^p over n pixels whose first sits at column x0; sums(first, count, s)
// adds the power sums of pixels first .. first + count - 1 of the span.
template <class StretchSums>
void SpanMoments(int n, double x0, int order, StretchSums sums, double* row) {
  std::fill(row, row + order + 1, 0.0);
  const int stretch = StretchFor(order);
  for (int first = 0; first < n; first += stretch) {
    PowerSums s;
    sums(first, std::min(stretch, n - first), s);
    AddStretch(s, x0 + first, order, row);
  }
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
