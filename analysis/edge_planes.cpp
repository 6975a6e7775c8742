// Hysteresis and contour growing over the compact planes: the same decisions as the plain
// loops of edge_following.cpp, reading a byte and a nibble per candidate.
#include "analysis/edge_planes.h"

#include <cstring>
#include <vector>

namespace vnimg::analysis {

EdgePlanes::EdgePlanes(int width, int height)
    : m_width(width), m_height(height), m_pitch((static_cast<std::ptrdiff_t>(width) + 4) & ~std::ptrdiff_t{1}) {
  const std::size_t rows = static_cast<std::size_t>(height) + 2, pitch = static_cast<std::size_t>(m_pitch);
  // Not zero-filled: SetClasses writes each row's flags, the frame's values are never read (a
  // visited cell is not looked at further).
  m_values = std::make_unique_for_overwrite<VnBW8[]>(rows * pitch);
  m_flags = std::make_unique_for_overwrite<VnBW8[]>(rows * pitch / 2);
  std::memset(m_flags.get(), kFrame, pitch / 2);
  std::memset(m_flags.get() + (rows - 1) * pitch / 2, kFrame, pitch / 2);
}

void EdgePlanes::SetClasses(int y, const VnBW8* classes) {
  VnBW8* flags = m_flags.get() + (Index(0, y) >> 1);
  const int pairs = m_width / 2;
  flags[-1] = kFrame;
  for (int k = 0; k < pairs; ++k) flags[k] = static_cast<VnBW8>(classes[2 * k] | classes[2 * k + 1] << 4);
  const std::ptrdiff_t rest = m_pitch / 2 - 1 - pairs;  // the bytes up to the next row's
  std::memset(flags + pairs, kFrame, static_cast<std::size_t>(rest));
  if (m_width % 2) flags[pairs] = static_cast<VnBW8>(classes[m_width - 1] | (kFrame & 0xF0));
}

namespace {

struct Step {
  int dx, dy;
};
// The walk candidates by class, in the order they are examined.
constexpr Step kForward[4][3] = {{{1, 1}, {-1, 1}, {0, 1}}, {{-1, 1}, {0, 1}, {-1, 0}}, {{1, 1}, {1, -1}, {1, 0}},
                                 {{1, 1}, {0, 1}, {1, 0}}};
constexpr Step kBackward[4][3] = {{{-1, -1}, {1, -1}, {0, -1}}, {{1, -1}, {0, -1}, {1, 0}},
                                  {{-1, 1}, {-1, -1}, {-1, 0}}, {{-1, -1}, {0, -1}, {-1, 0}}};
// Growing: the two neighbours along the edge a seed is compared with, and the six pixels
// growing continues into, by class.
constexpr Step kAlongEdge[4][2] = {{{0, -1}, {0, 1}}, {{-1, 1}, {1, -1}}, {{-1, 0}, {1, 0}}, {{1, 1}, {-1, -1}}};
constexpr Step kGrowInto[4][6] = {
    {{-1, -1}, {0, -1}, {1, -1}, {-1, 1}, {0, 1}, {1, 1}},
    {{1, -1}, {0, -1}, {1, 0}, {-1, 1}, {-1, 0}, {0, 1}},
    {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 0}, {1, 1}},
    {{-1, -1}, {0, -1}, {-1, 0}, {1, 1}, {1, 0}, {0, 1}},
};

// A step as a move of the cell index and of the position.
struct Move {
  std::ptrdiff_t cell;
  int dx, dy;
};
template <std::size_t N>
void Moves(const EdgePlanes& planes, const Step (&steps)[4][N], Move (&moves)[4][N]) {
  for (int c = 0; c < 4; ++c)
    for (std::size_t k = 0; k < N; ++k) moves[c][k] = {steps[c][k].dy * planes.Pitch() + steps[c][k].dx, steps[c][k].dx, steps[c][k].dy};
}

// From (x, y), each step to the strongest unvisited candidate (the first among equals) while it
// is at least low; reached pixels become 255.
void Walk(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, const Move (&moves)[4][3], int x, int y, VnBW8 low) {
  for (std::ptrdiff_t i = planes.Index(x, y);;) {
    const unsigned cls = planes.Class(i);
    if (cls >= kNoClass) return;
    int best = -1, chosen = 0;
    for (int k = 0; k < 3; ++k) {
      const std::ptrdiff_t c = i + moves[cls][k].cell;
      const int v = planes.Visited(c) ? -1 : planes.Value(c);
      if (v > best) best = v, chosen = k;
    }
    if (best < low) return;
    const Move& m = moves[cls][chosen];
    i += m.cell, x += m.dx, y += m.dy;
    planes.Visit(i);
    dst.Row(y)[x] = 255;
  }
}

// Accepts cell i when it is unvisited, at least half the seed and at least 0.8 times the pixel
// it is reached from (in integers: 2 v >= seed, 5 v >= 4 from).
bool Accepts(const EdgePlanes& planes, std::ptrdiff_t i, int seed, int from) {
  if (planes.Visited(i)) return false;
  const int v = planes.Value(i);
  return 2 * v >= seed && 5 * v >= 4 * from;
}

// Position of a grown pixel.
struct Pixel {
  int x, y;
};

// Every pixel reachable from the seed through accepted pixels, each accepted by the rule
// against the pixel it is reached from: which pixels those are does not depend on the order
// they are visited in, so a plain stack serves.
void Grow(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, const Move (&moves)[4][6], std::vector<Pixel>& stack, int x,
          int y) {
  const std::ptrdiff_t start = planes.Index(x, y);
  if (planes.Visited(start)) return;
  const int seed = planes.Value(start);
  const auto accept = [&](std::ptrdiff_t i, int ax, int ay) {
    planes.Visit(i);
    dst.Row(ay)[ax] = 255;
    stack.push_back({ax, ay});
  };
  accept(start, x, y);
  while (!stack.empty()) {
    const Pixel p = stack.back();
    stack.pop_back();
    const std::ptrdiff_t i = planes.Index(p.x, p.y);
    const unsigned cls = planes.Class(i);
    if (cls >= kNoClass) continue;
    const int from = planes.Value(i);
    for (const Move& m : moves[cls])
      if (Accepts(planes, i + m.cell, seed, from)) accept(i + m.cell, p.x + m.dx, p.y + m.dy);
  }
}

bool IsSeed(const EdgePlanes& planes, const Move (&along)[4][2], std::ptrdiff_t i, VnBW8 low) {
  const VnBW8 v = planes.Value(i);
  const unsigned cls = planes.Class(i);
  if (v == 0 || v < low || cls >= kNoClass) return false;
  return v >= planes.Value(i + along[cls][0].cell) && v >= planes.Value(i + along[cls][1].cell);
}

}  // namespace

void FollowByHysteresis(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low, VnBW8 high) {
  Move forward[4][3], backward[4][3];
  Moves(planes, kForward, forward);
  Moves(planes, kBackward, backward);
  const int width = planes.Width(), height = planes.Height();
  for (int y = 0; y < height; ++y) {
    const VnBW8* values = planes.Values(y);
    for (int x = 0; x < width; ++x)
      if (values[x] >= high && !planes.Visited(planes.Index(x, y))) {
        dst.Row(y)[x] = 128;
        planes.Visit(planes.Index(x, y));
        Walk(planes, dst, forward, x, y, low);
      }
  }
  for (int y = 0; y < height; ++y) {
    const VnBW8* values = planes.Values(y);
    for (int x = 0; x < width; ++x)
      if (values[x] >= high) {
        dst.Row(y)[x] = 80;
        planes.Visit(planes.Index(x, y));
        Walk(planes, dst, backward, x, y, low);
      }
  }
}

void FollowByContourGrowing(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low) {
  Move along[4][2], grow[4][6];
  Moves(planes, kAlongEdge, along);
  Moves(planes, kGrowInto, grow);
  std::vector<Pixel> stack;
  for (int y = 1; y + 1 < planes.Height(); ++y)
    for (int x = 1; x + 1 < planes.Width(); ++x)
      if (IsSeed(planes, along, planes.Index(x, y), low)) Grow(planes, dst, grow, stack, x, y);
}

}  // namespace vnimg::analysis
