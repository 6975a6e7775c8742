// Edge following from the suppressed magnitudes: hysteresis walks and contour growing.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "analysis/edge_planes.h"
#include "foundation/frame.h"
#include "foundation/simd.h"
#include "vnimg/canny.h"

namespace vnimg::analysis {
namespace {

struct Offset {
  int dx, dy;
};

// A byte per pixel of a width x height rectangle, 0 at first (calloc: large blocks come zeroed
// from the system, without a pass over them). Throws std::bad_alloc.
class Marks {
 public:
  Marks(int width, int height)
      : m_width(static_cast<std::size_t>(width)),
        m_marks(static_cast<unsigned char*>(std::calloc(m_width * static_cast<std::size_t>(height) + 1, 1))) {
    if (!m_marks) throw std::bad_alloc();
  }
  unsigned char& At(int x, int y) { return m_marks.get()[static_cast<std::size_t>(y) * m_width + static_cast<std::size_t>(x)]; }

 private:
  struct Free {
    void operator()(unsigned char* p) const { std::free(p); }
  };
  std::size_t m_width;
  std::unique_ptr<unsigned char, Free> m_marks;
};

// The pixels of three same-sized ROIs; the direction codes are read as they stand.
struct EdgeImages {
  frame::Rows<VnBW8> suppressed;
  frame::Rows<VnBW8> dst;
  frame::Rows<VnBW32> direction;
  int width, height;

  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  VnBW8 Value(int x, int y) const { return suppressed.Row(y)[x]; }
  VnBW32 Code(int x, int y) const { return direction.Row(y)[x]; }
  void Set(int x, int y, VnBW8 v) const { dst.Row(y)[x] = v; }
};

// The walk candidates of each direction code, in the order they are examined.
struct WalkCandidates {
  Offset code0[3], code45[3], code90[3], code135[3];

  const Offset* For(VnBW32 code) const {
    switch (code) {
      case 0: return code0;
      case 45: return code45;
      case 90: return code90;
      case 135: return code135;
      default: return nullptr;
    }
  }
};
constexpr WalkCandidates kForward{{{1, 1}, {-1, 1}, {0, 1}}, {{-1, 1}, {0, 1}, {-1, 0}}, {{1, 1}, {1, -1}, {1, 0}},
                                  {{1, 1}, {0, 1}, {1, 0}}};
constexpr WalkCandidates kBackward{{{-1, -1}, {1, -1}, {0, -1}}, {{1, -1}, {0, -1}, {1, 0}},
                                   {{-1, 1}, {-1, -1}, {-1, 0}}, {{-1, -1}, {0, -1}, {-1, 0}}};

// From (x, y), each step to the strongest unvisited candidate (the first among equals) while it
// is at least low; reached pixels become 255.
void Walk(const EdgeImages& images, Marks& visited, const WalkCandidates& candidates, int x, int y, VnBW8 low) {
  for (;;) {
    const Offset* step = candidates.For(images.Code(x, y));
    if (!step) return;
    int bestX = -1, bestY = -1, best = -1;
    for (int k = 0; k < 3; ++k) {
      const int cx = x + step[k].dx, cy = y + step[k].dy;
      if (!images.Inside(cx, cy) || visited.At(cx, cy)) continue;
      if (best < 0 || images.Value(cx, cy) > best) bestX = cx, bestY = cy, best = images.Value(cx, cy);
    }
    if (best < low) return;
    x = bestX, y = bestY;
    images.Set(x, y, 255);
    visited.At(x, y) = 255;
  }
}

void HysteresisPasses(const EdgeImages& images, VnBW8 low, VnBW8 high) {
  Marks visited(images.width, images.height);
  for (int y = 0; y < images.height; ++y)
    for (int x = 0; x < images.width; ++x)
      if (images.Value(x, y) >= high && !visited.At(x, y)) {
        images.Set(x, y, 128);
        visited.At(x, y) = 255;
        Walk(images, visited, kForward, x, y, low);
      }
  for (int y = 0; y < images.height; ++y)
    for (int x = 0; x < images.width; ++x)
      if (images.Value(x, y) >= high) {
        images.Set(x, y, 80);
        visited.At(x, y) = 255;
        Walk(images, visited, kBackward, x, y, low);
      }
}

// The two pixels along the edge a seed is compared with, and the pixels growing continues
// into, by direction class (0, 45, 90, 135): along the edge, which runs across the gradient.
constexpr Offset kAlongEdge[4][2] = {{{0, -1}, {0, 1}}, {{-1, 1}, {1, -1}}, {{-1, 0}, {1, 0}}, {{1, 1}, {-1, -1}}};
constexpr Offset kGrowInto[4][6] = {
    {{-1, -1}, {0, -1}, {1, -1}, {-1, 1}, {0, 1}, {1, 1}},
    {{1, -1}, {0, -1}, {1, 0}, {-1, 1}, {-1, 0}, {0, 1}},
    {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 0}, {1, 1}},
    {{-1, -1}, {0, -1}, {-1, 0}, {1, 1}, {1, 0}, {0, 1}},
};

int ClassOf(VnBW32 code) {
  switch (code) {
    case 0: return 0;
    case 45: return 1;
    case 90: return 2;
    case 135: return 3;
    default: return -1;
  }
}

// A pixel of the growing and the next of its neighbours to try: the frame a recursive growing
// would have on its call stack.
struct GrowFrame {
  int x, y;
  VnBW8 value;
  std::uint8_t next;
};

// Accepts (x, y) when it is inside, unmarked, at least half the seed and at least 0.8 times the
// pixel it is reached from (in integers: 2 v >= seed, 5 v >= 4 from).
bool Accepts(const EdgeImages& images, Marks& marks, int x, int y, int seed, int from) {
  if (!images.Inside(x, y) || marks.At(x, y) == 255) return false;
  const int v = images.Value(x, y);
  return 2 * v >= seed && 5 * v >= 4 * from;
}

// Depth first from the seed, in the order the recursion would take; a pixel whose code is not
// one of the four is accepted but grows no further.
void Grow(const EdgeImages& images, Marks& marks, std::vector<GrowFrame>& stack, int x, int y) {
  const VnBW8 seed = images.Value(x, y);
  const auto accept = [&](int ax, int ay) {
    images.Set(ax, ay, 255);
    marks.At(ax, ay) = 255;
    stack.push_back({ax, ay, images.Value(ax, ay), 0});
  };
  if (!Accepts(images, marks, x, y, seed, seed)) return;
  accept(x, y);
  while (!stack.empty()) {
    GrowFrame& top = stack.back();
    const int cls = ClassOf(images.Code(top.x, top.y));
    if (cls < 0 || top.next == 6) {
      stack.pop_back();
      continue;
    }
    const Offset o = kGrowInto[cls][top.next++];
    const int nx = top.x + o.dx, ny = top.y + o.dy;
    if (Accepts(images, marks, nx, ny, seed, top.value)) accept(nx, ny);
  }
}

bool IsSeed(const EdgeImages& images, int x, int y, VnBW8 low) {
  const VnBW8 v = images.Value(x, y);
  const int cls = ClassOf(images.Code(x, y));
  if (v == 0 || v < low || cls < 0) return false;
  const Offset a = kAlongEdge[cls][0], b = kAlongEdge[cls][1];
  return v >= images.Value(x + a.dx, y + a.dy) && v >= images.Value(x + b.dx, y + b.dy);
}

void GrowContours(const EdgeImages& images, VnBW8 low) {
  Marks marks(images.width, images.height);
  std::vector<GrowFrame> stack;
  for (int y = 1; y + 1 < images.height; ++y)
    for (int x = 1; x + 1 < images.width; ++x)
      if (IsSeed(images, x, y, low)) Grow(images, marks, stack, x, y);
}

// The planes of the three images, for the vector levels.
EdgePlanes PlanesOf(const EdgeImages& images) {
  EdgePlanes planes(images.width, images.height);
  std::vector<VnBW8> classes(static_cast<std::size_t>(images.width));
  const std::size_t rowBytes = classes.size();
  for (int y = 0; y < images.height; ++y) {
    std::memcpy(planes.Values(y), images.suppressed.Row(y), rowBytes);
    for (int x = 0; x < images.width; ++x) {
      const int cls = ClassOf(images.Code(x, y));
      classes[static_cast<std::size_t>(x)] = cls < 0 ? kNoClass : static_cast<VnBW8>(cls);
    }
    planes.SetClasses(y, classes.data());
  }
  return planes;
}

bool OnVectorLevel() { return simd::ActiveLevel() != simd::Level::Plain; }

template <class Follow>
void FollowEdges(const char* trace, const VnROI<VnBW8>* suppressed, VnROI<VnBW8>* dst, const VnROI<VnBW32>* direction,
                 Follow&& follow) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {suppressed, dst, direction})) return;
  const int width = suppressed->GetWidth(), height = suppressed->GetHeight();
  const auto sameSize = [&](const VnGenericROI& roi) { return roi.GetWidth() == width && roi.GetHeight() == height; };
  if (!sameSize(*dst) || !sameSize(*direction)) return;
  try {
    follow(EdgeImages{frame::Rows<VnBW8>(*suppressed), frame::Rows<VnBW8>(*dst), frame::Rows<VnBW32>(*direction), width, height});
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

}  // namespace
}  // namespace vnimg::analysis

using namespace vnimg;
using namespace vnimg::analysis;

void Hysteresis(const VnROI<VnBW8>* suppressed, VnROI<VnBW8>* dst, const VnImage<VnBW32>* direction, unsigned char low,
                unsigned char high) {
  // Alone, the walks are cheaper than filling the planes for them (the detector fills its planes
  // in passing).
  FollowEdges("Hysteresis", suppressed, dst, direction, [&](const EdgeImages& images) { HysteresisPasses(images, low, high); });
}

void ContourGrowing(const VnROI<VnBW8>* suppressed, VnROI<VnBW8>* dst, const VnROI<VnBW32>* direction,
                    unsigned char low) {
  FollowEdges("ContourGrowing", suppressed, dst, direction, [&](const EdgeImages& images) {
    if (!OnVectorLevel()) return GrowContours(images, low);
    EdgePlanes planes = PlanesOf(images);
    FollowByContourGrowing(planes, images.dst, low);
  });
}
