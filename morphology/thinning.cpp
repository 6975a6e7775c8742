// Thinning and thickening: passes of a 3x3 hit-or-miss pattern, optionally turned by an eighth
// after each pass, until a pass (a whole turn) changes nothing.
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include "foundation/bw1_pair.h"
#include "morphology/components.h"
#include "morphology/passes.h"
#include "morphology/thinning_rows.h"
#include "vnimg/binary_morphology.h"

namespace vnimg::morphology {
namespace {

// Cell (column c, row r) of a neighbourhood code weighs 256 >> (3 c + r): a column's three bits
// (top, middle, bottom) are one octal digit, the left column the most significant.
constexpr unsigned kTopCells = 0x124, kBottomCells = 0x049, kLeftCells = 0x1C0, kRightCells = 0x007;
constexpr int kMaxIterations = 1024;

constexpr unsigned Weight(int column, int row) { return 256u >> (3 * column + row); }

struct Pattern {
  unsigned care = 0, match = 0;
};

// The ring cells in the order a clockwise eighth moves them: each takes its predecessor's place.
constexpr int kRing[8][2] = {{2, 2}, {1, 2}, {0, 2}, {0, 1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}};

unsigned Rotated(unsigned mask, int step) {
  unsigned out = mask & Weight(1, 1);
  for (int i = 0; i < 8; ++i)
    if (mask & Weight(kRing[i][0], kRing[i][1])) {
      const int j = (i + step + 8) % 8;
      out |= Weight(kRing[j][0], kRing[j][1]);
    }
  return out;
}

struct Request {
  Pattern pattern;
  int step = 0;  // +1 clockwise, -1 anticlockwise, 0 fixed
  bool outsideAgrees = false;
  int passes = 0;
};

// The kernel, rotation and count checks, in order; the code (0 when all pass).
int Compile(VnKernel* kernel, KERNEL_ROTATION rotation, int requested, int width, Request& request) {
  if (!kernel) return VN_ERR_NULL_ROI;
  if (kernel->GetSizeX() != 3 || kernel->GetSizeY() != 3) return VN_ERR_KERNEL_SIZE;
  const float* cells = kernel->GetDataPtr();
  if (!cells || kernel->GetAllocatedSize() < 9) return VN_ERR_KERNEL_EMPTY;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const float v = cells[3 * r + c];
      if (v != 0.0f && v != 1.0f && v != -1.0f) return VN_ERR_KERNEL_NOT_QUALIFIED;
      if (v != -1.0f) request.pattern.care |= Weight(c, r);
      if (v == 1.0f) request.pattern.match |= Weight(c, r);
    }
  if (rotation > KERNEL_ROTATION_ANTICLOCKWISE) return VN_ERR_PARAM_4;
  if (requested >= kMaxIterations) return VN_ERR_PARAM_5;
  request.step = rotation == KERNEL_ROTATION_NONE ? 0 : rotation == KERNEL_ROTATION_CLOCKWISE ? 1 : -1;
  request.outsideAgrees = kernel->GetOutsideValue() > 0;
  request.passes = requested == 0 ? width : requested;
  if (request.step != 0) request.passes *= 8;
  return 0;
}

// One pass from `in` to `out` (possibly the same pixels): every code is formed from the values
// before the pass. columns[x] holds the bits of column x at rows y - 1, y, y + 1, updated from
// the next row (not yet written) before row y is written. True when the pass changed the image.
template <class T>
bool LiteralPass(const VnROI<T>& in, VnROI<T>& out, const Pattern& p, bool outsideAgrees, bool thick, bool first,
                 std::uint32_t* columns) {
  constexpr T kMax = std::numeric_limits<T>::max();
  const int width = in.GetWidth(), height = in.GetHeight();
  const frame::Rows<T> from(in), to(out);
  for (int x = 0; x < width; ++x) columns[x] = from.Row(0)[x] != 0;
  bool changed = first;
  for (int y = 0; y < height; ++y) {
    const T* below = y + 1 < height ? from.Row(y + 1) : nullptr;
    for (int x = 0; x < width; ++x) columns[x] = ((columns[x] << 1) & 6) | (below && below[x] != 0);
    unsigned outside = (y == 0 ? kTopCells : 0) | (y + 1 == height ? kBottomCells : 0);
    const T* row = from.Row(y);
    T* o = to.Row(y);
    unsigned code = columns[0];
    for (int x = 0; x < width; ++x) {
      code = ((code << 3) | (x + 1 < width ? columns[x + 1] : 0)) & 0x1FF;
      const unsigned cellsOutside = outside | (x == 0 ? kLeftCells : 0) | (x + 1 == width ? kRightCells : 0);
      const unsigned full = outsideAgrees ? code | (p.match & cellsOutside) : code;
      changed |= HitOutput(full, {p.care, p.match, outsideAgrees, thick, first}, row[x], kMax, o[x]);
    }
  }
  return changed;
}

bool HitRowPlain(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out, int width, int from,
                 int to, const HitPattern& p) {
  bool changed = false;
  for (int x = from; x < to; ++x) changed |= HitPixel(up, mid, down, out, x, width, p);
  return changed;
}

// The vector levels' pass on bytes: the row kernel inside, HitPixel on the border. `lines`
// holds two rows of width bytes for the values before the pass of rows y - 1 and y, which in
// place are overwritten.
bool VectorPass(const VnROI<VnBW8>& in, VnROI<VnBW8>& out, const Pattern& p, bool outsideAgrees, bool thick, bool first,
                std::uint8_t* lines) {
  const HitRowFn inner = HitRowVariants().Pick();
  const HitPattern pattern{p.care, p.match, outsideAgrees, thick, first};
  const int width = in.GetWidth(), height = in.GetHeight();
  const std::size_t bytes = static_cast<std::size_t>(width);
  const frame::Rows<VnBW8> from(in), to(out);
  std::uint8_t *above = lines, *current = lines + bytes;
  std::memcpy(current, from.Row(0), bytes);
  bool changed = first;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* up = y > 0 ? above : nullptr;
    const std::uint8_t* down = y + 1 < height ? from.Row(y + 1) : nullptr;
    std::uint8_t* o = to.Row(y);
    const bool inside = up && down && width >= 3;
    const int stop = inside ? 1 : width;
    for (int x = 0; x < stop; ++x) changed |= HitPixel(up, current, down, o, x, width, pattern);
    if (inside) {
      changed |= inner(up, current, down, o, width, 1, width - 1, pattern);
      changed |= HitPixel(up, current, down, o, width - 1, width, pattern);
    }
    std::swap(above, current);
    if (down) std::memcpy(current, down, bytes);
  }
  return changed;
}

template <class T>
bool Pass(const VnROI<T>& in, VnROI<T>& out, const Pattern& p, bool outsideAgrees, bool thick, bool first,
          std::uint32_t* columns, std::uint8_t* lines) {
  if constexpr (std::is_same_v<T, VnBW8>)
    if (simd::ActiveLevel() != simd::Level::Plain) return VectorPass(in, out, p, outsideAgrees, thick, first, lines);
  return LiteralPass(in, out, p, outsideAgrees, thick, first, columns);
}

}  // namespace

const simd::Variants<HitRowFn>& HitRowVariants() {
  static constexpr simd::Variants<HitRowFn> kVariants{
      .plain = HitRowPlain,
      .avx2 = VNIMG_X86_VARIANT(HitRowAvx2),
  };
  return kVariants;
}

namespace {

// The passes; `iterations` counts them as they run (whole turns at the end with rotation).
template <class T>
int Run(VnROI<T>& src, VnROI<T>& dst, Request request, bool thick, int& iterations) {
  Scratch<std::uint32_t> columns(static_cast<std::size_t>(src.GetWidth()) + 1);
  Scratch<std::uint8_t> lines(2 * static_cast<std::size_t>(src.GetWidth()));
  if (!columns || !lines) return VN_ERR_WORK_ARRAY;
  int unchanged = 8;
  for (int pass = 0; pass < request.passes; ++pass) {
    if (pass % 8 == 0) unchanged = 8;
    const bool changed = Pass(pass == 0 ? src : dst, dst, request.pattern, request.outsideAgrees, thick, pass == 0, columns.get(), lines.get());
    ++iterations;
    if (request.step == 0) {
      if (!changed) break;
      continue;
    }
    request.pattern = {Rotated(request.pattern.care, request.step), Rotated(request.pattern.match, request.step)};
    if (!changed && --unchanged == 0) break;
  }
  if (request.step != 0) iterations /= 8;
  return 0;
}

// Checks, then the passes; the code (traced under `trace`).
template <class T>
int ThinThick(VnROI<T>* src, VnROI<T>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations, bool thick,
              const char* trace) {
  VnOk();
  if (!frame::CheckRois(trace, {src, dst})) return VnGetError();
  const int requested = iterations;
  Request request;
  if (const int code = Compile(kernel, rotation, requested, src->GetWidth(), request)) return frame::FailShort(code, trace);
  iterations = 0;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return 0;
  if (const int code = Run(*src, *dst, request, thick, iterations)) return frame::FailShort(code, trace);
  return 0;
}

// Each component through the VnBW8 routine with the same request; the largest count. Each
// component starts from dst's, so that a request of no pass leaves dst as it was.
void ThinThickC24(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations,
                  bool thick, const char* trace) {
  VnOk();
  const int requested = iterations;
  Request request;
  if (!frame::CheckRois(trace, {src, dst})) return;
  if (const int code = Compile(kernel, rotation, requested, src->GetWidth(), request)) return frame::Fail(code, trace);
  iterations = 0;
  ForEachComponent(src, dst, trace, [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d, unsigned) {
    int passes = requested;
    ThinThick(s, d, kernel, rotation, passes, thick, trace);
    iterations = std::max(iterations, passes);
  }, true);
}

// The aligned bit form runs the VnBW8 routine on the pixels as bytes; every failure throws.
short ThinThickAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation,
                       int& iterations, bool thick) {
  VnOk();
  frame::CheckAlignedRois({src, dst});
  const int requested = iterations;
  Request request;
  if (const int code = Compile(kernel, rotation, requested, src->GetWidth(), request)) throw Korvane::Quandor::Exception(code);
  iterations = 0;
  const int width = src->GetWidth(), height = src->GetHeight();
  if (width == 0 || height == 0 || request.passes <= 0) return 0;
  VnImage<VnBW8> in(width, height), out(width, height);
  if (VnGetError()) throw Korvane::Quandor::Exception(VN_ERR_OUT_OF_MEMORY);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) in.SetPixel(src->GetPixel(x, y).m_bw1Value ? 255 : 0, x, y);
  if (const int code = Run<VnBW8>(in, out, request, thick, iterations)) throw Korvane::Quandor::Exception(code);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) dst->SetPixel(VnBW1(out.GetPixel(x, y)), x, y);
  return 0;
}

short ThinThickBw1(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations,
                   bool thick, const char* trace) {
  VnOk();
  frame::RunBW1Pair<1>(trace, {src}, dst, [&](auto& s, VnROI<VnBW1>* d) {
    ThinThickAligned(const_cast<VnROI<VnBW1>*>(s[0]), d, kernel, rotation, iterations, thick);
  });
  return static_cast<short>(VnGetError());
}

}  // namespace
}  // namespace vnimg::morphology

namespace m = vnimg::morphology;

short ImgThin(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return static_cast<short>(m::ThinThick(src, dst, kernel, rotation, iterations, false, "ImgThin"));
}
short ImgThick(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return static_cast<short>(m::ThinThick(src, dst, kernel, rotation, iterations, true, "ImgThick"));
}
short ImgBiLevelThin(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return static_cast<short>(m::ThinThick(src, dst, kernel, rotation, iterations, false, "ImgBiLevelThin"));
}
short ImgBiLevelThick(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return static_cast<short>(m::ThinThick(src, dst, kernel, rotation, iterations, true, "ImgBiLevelThick"));
}
void ImgThin(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  m::ThinThick(src, dst, kernel, rotation, iterations, false, "ImgThin (BW16)");
}
void ImgThick(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  m::ThinThick(src, dst, kernel, rotation, iterations, true, "ImgThick (BW16)");
}
void ImgThin(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  m::ThinThickC24(src, dst, kernel, rotation, iterations, false, "ImgThin ( C24)");
}
void ImgThick(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  m::ThinThickC24(src, dst, kernel, rotation, iterations, true, "ImgThick ( C24)");
}
short ImgThinAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return m::ThinThickAligned(src, dst, kernel, rotation, iterations, false);
}
short ImgThickAligned(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return m::ThinThickAligned(src, dst, kernel, rotation, iterations, true);
}
short ImgThin(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return m::ThinThickBw1(src, dst, kernel, rotation, iterations, false, "ImgThin (BW1)");
}
short ImgThick(VnROI<VnBW1>* src, VnROI<VnBW1>* dst, VnKernel* kernel, KERNEL_ROTATION rotation, int& iterations) {
  return m::ThinThickBw1(src, dst, kernel, rotation, iterations, true, "ImgThick (BW1)");
}
