// Hysteresis and contour growing over the compact planes: the same decisions as the plain
// loops of edge_following.cpp.
#include "analysis/edge_planes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "analysis/canny_kernels.h"

namespace vnimg::analysis {

EdgePlanes::EdgePlanes(int width, int height)
    : m_width(width), m_height(height), m_pitch((static_cast<std::ptrdiff_t>(width) + 4) & ~std::ptrdiff_t{1}) {
  const std::size_t rows = static_cast<std::size_t>(height) + 2, pitch = static_cast<std::size_t>(m_pitch);
  // Every cell index must fit a std::ptrdiff_t (a 32-bit one too).
  if (std::uint64_t{rows} * pitch > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) throw std::bad_alloc();
  // Not zero-filled: the frame here, each row by SetClasses and its writer.
  m_values = std::make_unique_for_overwrite<VnBW8[]>(rows * pitch);
  m_flags = std::make_unique_for_overwrite<VnBW8[]>(rows * pitch / 2);
  std::memset(m_values.get(), 0, pitch);
  std::memset(m_values.get() + (rows - 1) * pitch, 0, pitch);
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
  VnBW8* values = Values(y);
  values[-2] = values[-1] = 0;
  std::memset(values + m_width, 0, static_cast<std::size_t>(m_pitch - 2 - m_width));
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
// Growing: the six pixels growing continues into, by class.
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
// equals) while it is at least low; reached pixels become 255. A visited cell's value is 0, which
// no step takes when low is at least 1, so that a candidate is one byte. Selects without
// branches: the candidates of a noisy image are a toss-up.
void Walk(const Cells cells, VnBW8* out, const Move (&moves)[4][3], std::ptrdiff_t i, VnBW8 low) {
  for (unsigned cls = cells.Class(i);;) {
    if (cls >= kNoClass) return;
    const Move* m = moves[cls];
    const int c0 = cells.Value(i + m[0].cell), c1 = cells.Value(i + m[1].cell), c2 = cells.Value(i + m[2].cell);
    const int best01 = c1 > c0 ? c1 : c0, chosen01 = c1 > c0 ? 1 : 0;
    const int best = c2 > best01 ? c2 : best01, chosen = c2 > best01 ? 2 : chosen01;
    if (best < low) return;
    i += m[chosen].cell, out += m[chosen].out;
    cls = cells.Class(i);  // read before the visit writes the byte
    cells.Visit(i);
    *out = 255;
  }
}

// One bit per pixel, set where the value is at least high: the seeds of both passes, listed
// before the walks change any value.
class StrongMap {
 public:
  StrongMap(const EdgePlanes& planes, VnBW8 high)
      : m_words((static_cast<std::size_t>(planes.Width()) + 63) / 64), m_bits(m_words * static_cast<std::size_t>(planes.Height())) {
    for (int y = 0; y < planes.Height(); ++y) {
      const VnBW8* values = planes.Values(y);
      std::uint64_t* bits = m_bits.data() + m_words * static_cast<std::size_t>(y);
      for (int x = 0; x < planes.Width(); ++x) bits[x / 64] |= std::uint64_t{values[x] >= high} << (x % 64);
    }
  }
  // Calls visit(x) for each strong pixel of row y, in order.
  template <class Visit>
  void ForEachInRow(int y, Visit&& visit) const {
    const std::uint64_t* bits = m_bits.data() + m_words * static_cast<std::size_t>(y);
    for (std::size_t k = 0; k < m_words; ++k)
      for (std::uint64_t b = bits[k]; b; b &= b - 1) visit(static_cast<int>(k * 64 + static_cast<unsigned>(std::countr_zero(b))));
  }

 private:
  std::size_t m_words;
  std::vector<std::uint64_t> m_bits;
};

// Marks the seeds of growing visited: interior pixels of a non-zero value at least low, one of
// the four classes, and not below either neighbour along the edge. The pair along the edge of a
// class is the pair across the edge of the class two on, so the suppression row kernel tests
// it. All seeds are marked before any growing changes a value.
void MarkSeeds(EdgePlanes& planes, VnBW8 low) {
  const int width = planes.Width(), pairs = (width + 1) / 2;
  const int least = std::max<int>(low, 1);
  const SuppressRowFn suppressRow = SuppressRowVariants().Pick();
  std::vector<VnBW8> across(static_cast<std::size_t>(width) + 1), kept(across.size());
  for (int y = 1; y + 1 < planes.Height(); ++y) {
    VnBW8* flags = planes.Flags(y);
    for (int k = 0; k < pairs; ++k) {
      across[2 * k] = static_cast<VnBW8>((flags[k] + 2) & 3);
      across[2 * k + 1] = static_cast<VnBW8>(((flags[k] >> 4) + 2) & 3);
    }
    const VnBW8* values = planes.Values(y);
    suppressRow(values - planes.Pitch(), values, values + planes.Pitch(), across.data(), kept.data(), width);
    kept[0] = kept[static_cast<std::size_t>(width) - 1] = kept[static_cast<std::size_t>(width)] = 0;
    for (int k = 0; k < pairs; ++k) {
      const unsigned b = flags[k];
      const unsigned first = (kept[2 * k] >= least) & !(b & 4), second = (kept[2 * k + 1] >= least) & !(b & 0x40);
      flags[k] = static_cast<VnBW8>(b | first << 3 | second << 7);
    }
  }
}

// The columns of row y whose cells are visited, in order (x below the width rounded down to
// even: the last column of an odd width is no seed); returns their count.
int VisitedColumns(EdgePlanes& planes, int y, int* columns) {
  const VnBW8* flags = planes.Flags(y);
  int n = 0;
  for (int k = 0; k < planes.Width() / 2; ++k) {
    columns[n] = 2 * k, n += flags[k] >> 3 & 1;
    columns[n] = 2 * k + 1, n += flags[k] >> 7 & 1;
  }
  return n;
}

// Grows from the seed into every cell reachable through accepted cells: at least half the seed
// and at least 0.8 times the cell it is reached from (in integers: 2 v >= seed, 5 v >= 4 from).
// Which cells those are does not depend on the order they are visited in, so a plain stack
// serves. An accepted cell's value becomes 0, which no later test accepts (seeds are at least
// 1), and its class kGrown once its neighbours are tested. A stack entry is a cell index
// shifted left 8 bits over the value the cell had.
void Grow(const Cells cells, const Move (&moves)[4][6], std::vector<std::uint64_t>& stack, std::ptrdiff_t start) {
  const auto entry = [](std::ptrdiff_t i, int v) { return static_cast<std::uint64_t>(i) << 8 | static_cast<unsigned>(v); };
  const int seed = cells.Value(start);
  cells.Value(start) = 0;
  std::uint64_t* entries = stack.data();
  std::size_t size = 0;
  entries[size++] = entry(start, seed);
  while (size > 0) {
    const auto i = static_cast<std::ptrdiff_t>(entries[--size] >> 8);
    const int from = static_cast<int>(entries[size] & 255);
    const unsigned cls = cells.Class(i);
    cells.SetClass(i, kGrown);
    if (cls >= kNoClass) continue;
    if (stack.size() < size + 6) stack.resize(2 * stack.size()), entries = stack.data();
    for (const Move& m : moves[cls]) {
      const std::ptrdiff_t j = i + m.cell;
      const int v = cells.Value(j);
      const bool accepted = (2 * v >= seed) & (5 * v >= 4 * from);
      cells.Value(j) = accepted ? VnBW8{0} : static_cast<VnBW8>(v);
      entries[size] = entry(j, v);
      size += accepted;
    }
  }
}

}  // namespace

void FollowByHysteresis(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low, VnBW8 high) {
  Move forward[4][3], backward[4][3];
  Moves(planes, dst.pitch, kForward, forward);
  Moves(planes, dst.pitch, kBackward, backward);
  const Cells cells = planes.GetCells();
  const StrongMap strong(planes, high);
  const auto seed = [&](int x, int y, VnBW8 mark, const Move (&moves)[4][3]) {
    const std::ptrdiff_t i = planes.Index(x, y);
    VnBW8* out = dst.Row(y) + x;
    *out = mark;
    cells.Visit(i);
    Walk(cells, out, moves, i, low);
  };
  for (int y = 0; y < planes.Height(); ++y)
    strong.ForEachInRow(y, [&](int x) {
      if (!cells.Visited(planes.Index(x, y))) seed(x, y, 128, forward);
    });
  for (int y = 0; y < planes.Height(); ++y) strong.ForEachInRow(y, [&](int x) { seed(x, y, 80, backward); });
}

void FollowByContourGrowing(EdgePlanes& planes, const frame::Rows<VnBW8>& dst, VnBW8 low) {
  Move grow[4][6];
  Moves(planes, dst.pitch, kGrowInto, grow);
  std::vector<std::uint64_t> stack(64);
  std::vector<int> columns(static_cast<std::size_t>(planes.Width()));
  MarkSeeds(planes, low);
  for (int y = 1; y + 1 < planes.Height(); ++y) {
    const int seeds = VisitedColumns(planes, y, columns.data());
    for (int k = 0; k < seeds; ++k) {
      const std::ptrdiff_t i = planes.Index(columns[k], y);
      if (planes.GetCells().Value(i) != 0) Grow(planes.GetCells(), grow, stack, i);
    }
  }
  const int width = planes.Width();
  const auto grown = [](unsigned nibble) { return static_cast<VnBW8>(-((nibble & 7u) == kGrown)); };
  for (int y = 0; y < planes.Height(); ++y) {
    VnBW8* out = dst.Row(y);
    const VnBW8* flags = planes.Flags(y);
    for (int k = 0; k < width / 2; ++k) out[2 * k] |= grown(flags[k]), out[2 * k + 1] |= grown(flags[k] >> 4);
    if (width % 2) out[width - 1] |= grown(flags[width / 2]);
  }
}

}  // namespace vnimg::analysis
