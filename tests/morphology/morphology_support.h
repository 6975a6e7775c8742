// Test helpers of the morphology: pixels as a grid of integers, and the elementary passes
// written plainly (each output the extremum over the neighbours that lie inside the ROI).
#pragma once

#include <algorithm>
#include <vector>

#include "support/levels.h"

namespace vnimg::test {

struct Grid {
  int w = 0, h = 0;
  std::vector<long> v;
  long& at(int x, int y) { return v[static_cast<std::size_t>(y) * w + x]; }
  long at(int x, int y) const { return v[static_cast<std::size_t>(y) * w + x]; }
  bool operator==(const Grid&) const = default;
};

template <class T>
Grid GridOf(const VnROI<T>& roi) {
  Grid g{roi.GetWidth(), roi.GetHeight(), {}};
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) g.v.push_back(static_cast<long>(roi.GetPixel(x, y)));
  return g;
}

enum class Nb { Square, X, Y, Cross };

// One pass: every pixel takes the minimum (maximum) of itself and its neighbours inside.
inline Grid Pass(const Grid& g, Nb nb, bool dilate) {
  Grid out = g;
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const bool used = nb == Nb::Square || (nb == Nb::X && dy == 0) || (nb == Nb::Y && dx == 0) ||
                            (nb == Nb::Cross && (dx == 0 || dy == 0));
          const int u = x + dx, w = y + dy;
          if (!used || u < 0 || w < 0 || u >= g.w || w >= g.h) continue;
          out.at(x, y) = dilate ? std::max(out.at(x, y), g.at(u, w)) : std::min(out.at(x, y), g.at(u, w));
        }
  return out;
}
inline Grid Passes(Grid g, Nb nb, bool dilate, long count) {
  for (long i = 0; i < count; ++i) g = Pass(g, nb, dilate);
  return g;
}
// min(halfX, halfY) squares, then the rest along the longer axis.
inline Grid BoxReference(const Grid& g, long hx, long hy, bool dilate) {
  const long m = std::min(hx, hy);
  return Passes(Passes(g, Nb::Square, dilate, m), hx > hy ? Nb::X : Nb::Y, dilate, std::max(hx, hy) - m);
}
inline Grid DiskReference(const Grid& g, long r, bool dilate) {
  const long d = (r + 1) / 2;
  return Passes(Passes(g, Nb::Square, dilate, r - d), Nb::Cross, dilate, d);
}
inline Grid Minus(const Grid& a, const Grid& b) {
  Grid out = a;
  for (std::size_t i = 0; i < out.v.size(); ++i) out.v[i] = std::max(0L, a.v[i] - b.v[i]);
  return out;
}

}  // namespace vnimg::test
