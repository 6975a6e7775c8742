// Gradient vectors, the modulus and argument tables and the scalar gradient through them.
#include <cmath>
#include <exception>
#include <numbers>

#include "filter/filter_frame.h"
#include "filter/gradient_kernels.h"
#include "vnimg/gradient.h"
#include "vnimg/platform/core.h"

namespace vnimg::filter {

void GradientVectorRowPlain(const VnBW8* const* lines, VnBW32* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = PackGradient(GradientX(lines, x), GradientY(lines, x));
}
void GradientScalarRowPlain(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = Lookup(table, GradientX(lines, x), GradientY(lines, x));
}
void VectorScalarRowPlain(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = Lookup(table, VectorCell(src[x], 0), VectorCell(src[x], 16));
}

const simd::Variants<GradientVectorRowFn>& GradientVectorRowVariants() {
  static constexpr simd::Variants<GradientVectorRowFn> kVariants{
      .plain = GradientVectorRowPlain,
      .sse2 = VNIMG_X86_VARIANT(GradientVectorRowSse2),
      .avx2 = VNIMG_X86_VARIANT(GradientVectorRowAvx2),
  };
  return kVariants;
}
const simd::Variants<GradientScalarRowFn>& GradientScalarRowVariants() {
  static constexpr simd::Variants<GradientScalarRowFn> kVariants{
      .plain = GradientScalarRowPlain,
      .sse2 = VNIMG_X86_VARIANT(GradientScalarRowSse2),
      .avx2 = VNIMG_X86_VARIANT(GradientScalarRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(GradientScalarRowAvx512),
  };
  return kVariants;
}
const simd::Variants<VectorScalarRowFn>& VectorScalarRowVariants() {
  static constexpr simd::Variants<VectorScalarRowFn> kVariants{
      .plain = VectorScalarRowPlain,
      .sse2 = VNIMG_X86_VARIANT(VectorScalarRowSse2),
      .avx2 = VNIMG_X86_VARIANT(VectorScalarRowAvx2),
  };
  return kVariants;
}

namespace {

constexpr int kTableSize = 512;

// The three source rows around output row y (clamped into the ROI).
template <class T>
void RowsAround(const frame::Rows<T>& in, int y, int height, const T* (&rows)[3]) {
  for (int j = 0; j < 3; ++j) rows[j] = in.Row(std::clamp(y - 1 + j, 0, height - 1));
}

// Runs row(lines, first, count, y) over every output row y; line[x + 1] of each of the three
// lines (the rows above, at and below y) is the pixel under output first + x. Interior outputs
// read the source in place and the edge ones short replicated copies, unless dst shares memory
// with src: then each source row is copied whole, before the destination row of the same index
// is written, so dst may be src. False when the lines cannot be had.
template <class T, class D, class Row>
bool ForEachBand(const VnROI<T>& src, const VnROI<D>& dst, Row&& row) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const frame::Rows<T> in(src);
  const T* rows[3];
  if (frame::SharesMemory(src, dst)) {
    try {
      LineRing<T> ring(std::min(3, height), static_cast<std::size_t>(width) + 2 + kLineSlack);
      for (int y = 0; y < height; ++y) {
        RowsAround(in, y, height, rows);
        const T* lines[3];
        for (int j = 0; j < 3; ++j)
          lines[j] = ring.Get(std::clamp(y - 1 + j, 0, height - 1), [&](int, T* line) { ReplicatedLine(rows[j], width, 1, 1, line); });
        row(lines, 0, width, y);
      }
    } catch (const std::exception&) {
      return false;
    }
    return true;
  }
  for (int y = 0; y < height; ++y) {
    RowsAround(in, y, height, rows);
    T left[3][3], right[3][3];
    const T* leftLines[3] = {left[0], left[1], left[2]};
    const T* rightLines[3] = {right[0], right[1], right[2]};
    for (int j = 0; j < 3; ++j) {
      const T* r = rows[j];
      left[j][0] = r[0], left[j][1] = r[0], left[j][2] = r[std::min(1, width - 1)];
      right[j][0] = r[std::max(0, width - 2)], right[j][1] = r[width - 1], right[j][2] = r[width - 1];
    }
    row(leftLines, 0, 1, y);
    if (width > 2) row(rows, 1, width - 2, y);
    if (width > 1) row(rightLines, width - 1, 1, y);
  }
  return true;
}

// Resizes the table to 512 x 512 and fills it with value(dx, dy), dx and dy in -256..255.
template <class T, class Value>
void FillTable(VnImage<T>* lookup, const char* trace, Value&& value) {
  VnOk();
  if (!lookup) return frame::Fail(VN_ERR_NULL_ROI, trace);
  lookup->SetSize(kTableSize, kTableSize);
  if (VnGetError()) return frame::Trace(trace);
  if (lookup->Void()) return frame::Fail(VN_ERR_NULL_ROI, trace);
  for (int dy = -256; dy < 256; ++dy)
    for (int dx = -256; dx < 256; ++dx) lookup->SetPixel(static_cast<T>(value(dx, dy)), dx + 256, dy + 256);
}

// v clamped to 0..max; not a number gives 0.
double Saturate(double v, double max) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, max); }

// floor(angle x codes / period + offset + codes + 0.5) mod codes; 0 when it is not finite.
double DirectionCode(double angle, double scale, double offset, double codes) {
  const double v = std::floor(angle * scale + offset + codes + 0.5);
  if (!std::isfinite(v)) return 0.0;
  return v - codes * std::floor(v / codes);
}

// codes / period, the period in radians (0: a full turn).
double DirectionScale(float period, double codes) {
  const double radians = period == 0.0f ? 2.0 * std::numbers::pi : VnToRadians(period);
  return codes / radians;
}

template <class T>
void ArgumentTable(VnImage<T>* lookup, double offset, float period, double codes, const char* trace) {
  const double scale = DirectionScale(period, codes);
  FillTable(lookup, trace, [&](int dx, int dy) {
    return dx == 0 && dy == 0 ? 0.0 : DirectionCode(std::atan2(double(dy), double(dx)), scale, offset, codes);
  });
}

// The checks of the scalar gradient: src against dst, the lookup's own, then its size.
template <class S, class D, class L>
bool CheckScalar(const VnROI<S>* src, const VnROI<D>* dst, const VnROI<L>* lookup, const char* trace) {
  if (!frame::CheckRois(trace, {src, dst}) || !frame::CheckEachRoi(trace, {lookup})) return false;
  if (lookup->GetWidth() != kTableSize || lookup->GetHeight() != kTableSize) return frame::Fail(VN_ERR_PARAM_3, trace), false;
  return true;
}

template <class T>
GradientTable<T> TableOf(const VnROI<T>& lookup) {
  return {lookup.GetImagePtr(256, 256), lookup.GetRowPitch() / static_cast<std::ptrdiff_t>(sizeof(T))};
}

bool Empty(const VnGenericROI& roi) { return roi.GetWidth() == 0 || roi.GetHeight() == 0; }

}  // namespace
}  // namespace vnimg::filter

using namespace vnimg;
using namespace vnimg::filter;

void ImgGradientVector(const VnROI<VnBW8>* src, VnROI<VnBW32>* dst) {
  constexpr const char* kTrace = "ImgGradientVector";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst}) || Empty(*src)) return;
  const GradientVectorRowFn run = GradientVectorRowVariants().Pick();
  const frame::Rows<VnBW32> out(*dst);
  if (!ForEachBand(*src, *dst, [&](const VnBW8* const* lines, int first, int count, int y) { run(lines, out.Row(y) + first, count); }))
    frame::Fail(VN_ERR_OUT_OF_MEMORY, kTrace);
}

void ImgModulusImage(VnImage<VnBW8>* lookup, float gain) {
  FillTable(lookup, "ImgModulusImage", [&](int dx, int dy) {
    return Saturate(std::floor(std::sqrt(double(dx * dx + dy * dy)) * gain + 0.5), 255.0);
  });
}
void ImgModulusImage(VnImage<VnBW16>* lookup, float gain) {
  FillTable(lookup, "ImgModulusImage (BW16)", [&](int dx, int dy) {
    return Saturate(std::floor(256.0 * std::sqrt(double(dx * dx + dy * dy)) * gain + 0.5), 65535.0);
  });
}

void ImgArgumentImage(VnImage<VnBW8>* lookup, VnBW8 offset, float period) {
  ArgumentTable(lookup, offset, period, 256.0, "ImgArgumentImage");
}
void ImgArgumentImage(VnImage<VnBW16>* lookup, VnBW16 offset, float period) {
  ArgumentTable(lookup, offset, period, 65536.0, "ImgArgumentImage (BW16)");
}

void ImgGradientScalar(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, const VnROI<VnBW8>* lookup) {
  constexpr const char* kTrace = "ImgGradientScalar";
  VnOk();
  if (!CheckScalar(src, dst, lookup, kTrace) || Empty(*src)) return;
  const GradientScalarRowFn run = GradientScalarRowVariants().Pick();
  const GradientTable<VnBW8> table = TableOf(*lookup);
  const frame::Rows<VnBW8> out(*dst);
  if (!ForEachBand(*src, *dst, [&](const VnBW8* const* lines, int first, int count, int y) { run(lines, table, out.Row(y) + first, count); }))
    frame::Fail(VN_ERR_OUT_OF_MEMORY, kTrace);
}

void ImgGradientScalar(const VnROI<VnBW32>* src, VnROI<VnBW8>* dst, const VnROI<VnBW8>* lookup) {
  constexpr const char* kTrace = "ImgGradientScalar";
  VnOk();
  if (!CheckScalar(src, dst, lookup, kTrace) || Empty(*src)) return;
  const VectorScalarRowFn run = VectorScalarRowVariants().Pick();
  const GradientTable<VnBW8> table = TableOf(*lookup);
  frame::ForEachRow(*src, *dst, [&](const VnBW32* s, VnBW8* d, int width) { run(s, table, d, width); });
}

void ImgGradientScalar(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, const VnROI<VnBW16>* lookup) {
  constexpr const char* kTrace = "ImgGradientScalar (BW16)";
  VnOk();
  if (!CheckScalar(src, dst, lookup, kTrace) || Empty(*src)) return;
  const GradientTable<VnBW16> table = TableOf(*lookup);
  const frame::Rows<VnBW16> out(*dst);
  const bool done = ForEachBand(*src, *dst, [&](const VnBW16* const* lines, int first, int count, int y) {
    VnBW16* d = out.Row(y) + first;
    for (int x = 0; x < count; ++x) d[x] = Lookup(table, Cell16(GradientX(lines, x)), Cell16(GradientY(lines, x)));
  });
  if (!done) frame::Fail(VN_ERR_OUT_OF_MEMORY, kTrace);
}
