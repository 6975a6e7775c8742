#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "foundation/frame.h"
#include "geometry/affine_kernels.h"
#include "geometry/components.h"
#include "vnimg/geometry.h"

namespace vnimg::geometry {
namespace {

std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// trunc(v * 65536); values beyond 32 bits saturate and NaN gives 0, so that absurd maps stay
// defined (they then sample outside the source).
std::int32_t ToFixed(float v) {
  const double scaled = static_cast<double>(v) * kOne;
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (scaled <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(scaled);
}

// The inverse map in 16.16: source = (x0, y0) + X (dxdX, dydX) + Y (dxdY, dydY).
struct FixedMap {
  std::int32_t x0, y0, dxdX, dxdY, dydX, dydY;
};

FixedMap InvertToFixed(float a, float b, float c, float d, float e, float f, float det) {
  const float inv = 1.0f / det;
  const float dxdX = e * inv, dxdY = -b * inv, dydX = -d * inv, dydY = a * inv;
  const float x0 = -(c * dxdX + f * dxdY), y0 = -(c * dydX + f * dydY);
  return {ToFixed(x0), ToFixed(y0), ToFixed(dxdX), ToFixed(dxdY), ToFixed(dydX), ToFixed(dydY)};
}

template <class T>
void AffineRowPlain(const Source<T>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
                    T* dst, int count) {
  for (int i = 0; i < count; ++i) {
    dst[i] = Sample(s, p, q, bits);
    p = WrapAdd(p, dp);
    q = WrapAdd(q, dq);
  }
}

template <class T>
void ZeroRow(const Source<T>&, std::int32_t, std::int32_t, std::int32_t, std::int32_t, int, T* dst, int count) {
  std::fill(dst, dst + count, T{0});
}

// [first, last) of the i in [0, n) with lo <= p + i dp < hi.
struct Interval {
  std::int64_t first, last;
};
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

Interval Within(std::int64_t p, std::int64_t dp, std::int64_t lo, std::int64_t hi, int n) {
  if (lo >= hi) return {0, 0};
  if (dp == 0) return p >= lo && p < hi ? Interval{0, n} : Interval{0, 0};
  if (dp > 0) return {CeilDiv(lo - p, dp), CeilDiv(hi - p, dp)};
  return {FloorDiv(p - hi, -dp) + 1, FloorDiv(p - lo, -dp) + 1};
}

// The i in [0, n) where both coordinates lie in their ranges, as a (possibly empty) range.
std::pair<int, int> Both(const Interval& a, const Interval& b, int n) {
  const std::int64_t first = std::max({a.first, b.first, std::int64_t{0}});
  const std::int64_t last = std::min({a.last, b.last, std::int64_t{n}});
  if (first >= last) return {0, 0};
  return {static_cast<int>(first), static_cast<int>(last)};
}

bool FitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

bool SplitRow(int width, int height, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
              int count, int margin, RowRuns& runs) {
  runs = {};
  if (count <= 0) return true;
  const std::int64_t last = count - 1;
  if (!FitsInt32(p + dp * last) || !FitsInt32(q + dq * last)) return false;
  const std::int64_t w = std::int64_t{width} * kOne, h = std::int64_t{height} * kOne;
  std::pair<int, int> visible, interior;
  if (bits == 0) {
    visible = Both(Within(p, dp, 0, w, count), Within(q, dq, 0, h, count), count);
    // Interior: the pixel's column and `margin` more lie in the row.
    interior = Both(Within(p, dp, 0, w - std::int64_t{margin} * kOne, count), Within(q, dq, 0, h, count), count);
  } else {
    visible = Both(Within(p, dp, kHalf, w + kHalf, count), Within(q, dq, kHalf, h + kHalf, count), count);
    // Interior: both neighbours inside, the right one followed by `margin` more columns.
    interior = Both(Within(p, dp, kOne, w - std::int64_t{margin} * kOne, count), Within(q, dq, kOne, h, count), count);
  }
  runs.visibleBegin = visible.first;
  runs.visibleEnd = visible.second;
  if (interior.first < interior.second) {
    runs.interiorBegin = interior.first;
    runs.interiorEnd = interior.second;
  } else {
    runs.interiorBegin = runs.interiorEnd = visible.first;
  }
  return true;
}

void AffineRowPlainBW8(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq,
                       int bits, VnBW8* dst, int count) {
  AffineRowPlain(s, p, q, dp, dq, bits, dst, count);
}

const simd::Variants<AffineRowFn<VnBW8>>& AffineRowVariants() {
  static constexpr simd::Variants<AffineRowFn<VnBW8>> kVariants{
      .plain = AffineRowPlainBW8,
      .sse2 = VNIMG_X86_VARIANT(AffineRowSse2),
      .avx2 = VNIMG_X86_VARIANT(AffineRowAvx2),
  };
  return kVariants;
}

namespace {

constexpr int kStripWidth = 1024;

template <class T>
void LinearTransform(const VnROI<T>* src, float a, float b, float c, float d, float e, float f, VnROI<T>* dst,
                     int bits, const char* trace, AffineRowFn<T> row) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {src, dst})) return;
  const float det = a * e - b * d;
  if (det == 0.0f) return frame::Fail(VN_ERR_TRANSFORM_OUTSIDE, trace);
  const FixedMap m = InvertToFixed(a, b, c, d, e, f, det);
  if (bits != 0 && bits != 4 && bits != 8) return frame::Fail(VN_ERR_BAD_ARGUMENT_COMBINATION, trace);

  const Source<T> s{reinterpret_cast<const unsigned char*>(src->GetImagePtr(0, 0)), src->GetRowPitch(),
                    src->GetWidth(), src->GetHeight()};
  if (s.width == 0 || s.height == 0) row = ZeroRow<T>;
  // The destination pixel centre (X + 1/2, Y + 1/2); bilinear tracks the position plus one half.
  const std::int32_t half = bits == 0 ? 0 : kOne;
  const std::int32_t p = WrapAdd(m.x0, WrapAdd(WrapAdd(m.dxdX, m.dxdY), half) >> 1);
  const std::int32_t q = WrapAdd(m.y0, WrapAdd(WrapAdd(m.dydX, m.dydY), half) >> 1);
  // Column strips keep the source rows that neighbouring destination rows read close together
  // (a long row of a turned image crosses many source rows and pages).
  const frame::Rows<T> rows(*dst);
  const int width = dst->GetWidth();
  for (int first = 0; first < width; first += kStripWidth) {
    const int count = std::min(kStripWidth, width - first);
    const auto offset = static_cast<std::uint32_t>(first);
    std::int32_t ps = WrapAdd(p, static_cast<std::int32_t>(offset * static_cast<std::uint32_t>(m.dxdX)));
    std::int32_t qs = WrapAdd(q, static_cast<std::int32_t>(offset * static_cast<std::uint32_t>(m.dydX)));
    for (int y = 0; y < dst->GetHeight(); ++y) {
      row(s, ps, qs, m.dxdX, m.dydX, bits, rows.Row(y) + first, count);
      ps = WrapAdd(ps, m.dxdY);
      qs = WrapAdd(qs, m.dydY);
    }
  }
}

}  // namespace
}  // namespace vnimg::geometry

using namespace vnimg::geometry;

void ImgLinearTransform(const VnROI<VnBW8>* src, float a, float b, float c, float d, float e, float f,
                        VnROI<VnBW8>* dst, int interpolationBits) {
  LinearTransform(src, a, b, c, d, e, f, dst, interpolationBits, "ImgLinearTransform", AffineRowVariants().Pick());
}

void ImgLinearTransform(const VnROI<VnBW16>* src, float a, float b, float c, float d, float e, float f,
                        VnROI<VnBW16>* dst, int interpolationBits) {
  LinearTransform(src, a, b, c, d, e, f, dst, interpolationBits, "ImgLinearTransform (BW16)",
                  AffineRowPlain<VnBW16>);
}

void ImgLinearTransform(const VnROI<VnC24>* src, float a, float b, float c, float d, float e, float f,
                        VnROI<VnC24>* dst, int interpolationBits) {
  ForEachComponent(src, dst, "ImgLinearTransform ( C24)", [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* o) {
    ImgLinearTransform(s, a, b, c, d, e, f, o, interpolationBits);
  });
}
