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

// A step as a move of the cell index and of the destination pixel.
struct Move {
  std::ptrdiff_t cell, out;
};
template <std::size_t N>
void Moves(const EdgePlanes& planes, std::ptrdiff_t outPitch, const Step (&steps)[4][N], Move (&moves)[4][N]) {
  for (int c = 0; c < 4; ++c)
    for (std::size_t k = 0; k < N; ++k) {
      const Step s = steps[c][k];
      moves[c][k] = {s.dy * planes.Pitch() + s.dx, s.dy * outPitch + s.dx};
    }
}

// From cell i (at *out), each step to the strongest unvisited candidate (the first among
// equals) while it is at least low; reached pixels become 255. Selects without branches: the
// candidates of a noisy image are a toss-up.
void Walk(EdgePlanes& planes, VnBW8* out, const Move (&moves)[4][3], std::ptrdiff_t i, VnBW8 low) {
  for (;;) {
    const unsigned cls = planes.Class(i);
    if (cls >= kNoClass) return;
    const Move* m = moves[cls];
    const int c0 = planes.Candidate(i + m[0].cell), c1 = planes.Candidate(i + m[1].cell), c2 = planes.Candidate(i + m[2].cell);
    const int best01 = c1 > c0 ? c1 : c0, chosen01 = c1 > c0 ? 1 : 0;
    const int best = c2 > best01 ? c2 : best01, chosen = c2 > best01 ? 2 : chosen01;
    if (best < low) return;
    i += m[chosen].cell, out += m[chosen].out;
    planes.Visit(i);
    *out = 255;
  }
}

// The columns of a row whose value is at least high, in order; returns their count.
int StrongColumns(const VnBW8* values, int width, VnBW8 high, int* columns) {
  int n = 0;
  for (int x = 0; x < width; ++x) columns[n] = x, n += values[x] >= high;
  return n;
}

// The interior columns of row y that seed a growing: a non-zero value at least low, one of the
// four classes, and not below either neighbour along the edge. Returns their count.
int SeedColumns(const EdgePlanes& planes, const Move (&along)[4][2], int y, VnBW8 low, int* columns) {
  int n = 0;
  for (int x = 1; x + 1 < planes.Width(); ++x) {
    const std::ptrdiff_t i = planes.Index(x, y);
    const int v = planes.Value(i);
    const unsigned cls = planes.Class(i);
    const Move* m = along[cls & 3];
    columns[n] = x;
    n += (v != 0) & (v >= low) & (cls < kNoClass) & (v >= planes.Value(i + m[0].cell)) & (v >= planes.Value(i + m[1].cell));
  }
  return n;
}

// Marks every cell reachable from the seed through accepted cells: unvisited, at least half the
// seed and at least 0.8 times the cell it is reached from (in integers: 2 v >= seed, 5 v >= 4
// from). Which cells those are does not depend on the order they are visited in, so a plain
// stack of cells serves; the six tests of a cell run without branches.
void Grow(EdgePlanes& planes, const Move (&moves)[4][6], std::vector<std::ptrdiff_t>& stack, std::ptrdiff_t start) {
  const int seed = planes.Value(start);
  planes.Visit(start);
  std::size_t size = 0;
  stack[size++] = start;
  while (size > 0) {
    const std::ptrdiff_t i = stack[--size];
    const unsigned cls = planes.Class(i);
    if (cls >= kNoClass) continue;
    if (stack.size() < size + 6) stack.resize(2 * stack.size());
    const int from = planes.Value(i);
    for (const Move& m : moves[cls]) {
      const int v = planes.Candidate(i + m.cell);
      const bool accepted = (v >= 0) & (2 * v >= seed) & (5 * v >= 4 * from);
      planes.Visit(i + m.cell, accepted);
      stack[size] = i + m.cell;
      size += accepted;
    }
  }
}

}  // namespace

void FollowByHysteresis(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low, VnBW8 high) {
  Move forward[4][3], backward[4][3];
  Moves(planes, dst.pitch, kForward, forward);
  Moves(planes, dst.pitch, kBackward, backward);
  const int width = planes.Width(), height = planes.Height();
  std::vector<int> columns(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    const int strong = StrongColumns(planes.Values(y), width, high, columns.data());
    for (int k = 0; k < strong; ++k) {
      const std::ptrdiff_t i = planes.Index(columns[k], y);
      if (planes.Visited(i)) continue;
      VnBW8* out = dst.Row(y) + columns[k];
      *out = 128;
      planes.Visit(i);
      Walk(planes, out, forward, i, low);
    }
  }
  for (int y = 0; y < height; ++y) {
    const int strong = StrongColumns(planes.Values(y), width, high, columns.data());
    for (int k = 0; k < strong; ++k) {
      const std::ptrdiff_t i = planes.Index(columns[k], y);
      VnBW8* out = dst.Row(y) + columns[k];
      *out = 80;
      planes.Visit(i);
      Walk(planes, out, backward, i, low);
    }
  }
}

// Only growing visits cells, so the grown pixels are the visited ones.
void FollowByContourGrowing(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low) {
  Move along[4][2], grow[4][6];
  Moves(planes, dst.pitch, kAlongEdge, along);
  Moves(planes, dst.pitch, kGrowInto, grow);
  std::vector<int> columns(static_cast<std::size_t>(planes.Width()));
  std::vector<std::ptrdiff_t> stack(64);
  for (int y = 1; y + 1 < planes.Height(); ++y) {
    const int seeds = SeedColumns(planes, along, y, low, columns.data());
    for (int k = 0; k < seeds; ++k) {
      const std::ptrdiff_t i = planes.Index(columns[k], y);
      if (!planes.Visited(i)) Grow(planes, grow, stack, i);
    }
  }
  for (int y = 0; y < planes.Height(); ++y) {
    VnBW8* out = dst.Row(y);
    for (int x = 0; x < planes.Width(); ++x)
      if (planes.Visited(planes.Index(x, y))) out[x] = 255;
  }
}

}  // namespace vnimg::analysis
