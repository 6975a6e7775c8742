// Scale-and-rotate and registration: each builds an affine map and resamples with
// ImgLinearTransform.
#include <cmath>
#include <cstring>

#include "foundation/frame.h"
#include "geometry/components.h"
#include "vnimg/geometry.h"
#include "vnimg/platform/core.h"

namespace frame = vnimg::frame;

namespace {

constexpr const char* kScaleRotateBW8 = "ImgScaleRotate";
constexpr const char* kScaleRotateBW16 = "ImgScaleRotate (BW16)";
constexpr const char* kScaleRotateC24 = "ImgScaleRotate ( C24)";

struct Map {
  float a, b, c, d, e, f;
};

Map ScaleRotateMap(float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY, float scaleX, float scaleY,
                   float rotation) {
  const double theta = VnToRadians(rotation);
  const double cosine = std::cos(theta), sine = std::sin(theta);
  const double a = scaleX * cosine, b = scaleY * sine, d = -scaleX * sine, e = scaleY * cosine;
  const double c = dstPivotX - (a * srcPivotX + b * srcPivotY);
  const double f = dstPivotY - (d * srcPivotX + e * srcPivotY);
  return {float(a), float(b), float(c), float(d), float(e), float(f)};
}

template <class T>
void ScaleRotate(const VnROI<T>* src, float spx, float spy, float dpx, float dpy, float sx, float sy, float rotation,
                 VnROI<T>* dst, int bits, const char* trace) {
  VnOk();
  const Map m = ScaleRotateMap(spx, spy, dpx, dpy, sx, sy, rotation);
  ImgLinearTransform(src, m.a, m.b, m.c, m.d, m.e, m.f, dst, bits);
  if (VnGetError()) frame::Trace(trace);
}

// In place: the ROI is first copied row by row into a temporary image of its size.
template <class T>
void ScaleRotateInPlace(VnROI<T>* roi, float spx, float spy, float dpx, float dpy, float sx, float sy, float rotation,
                        int bits, const char* trace) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {roi})) return;
  if (roi->GetWidth() == 0 || roi->GetHeight() == 0) return;
  VnImage<T> copy(roi->GetWidth(), roi->GetHeight());
  if (VnGetError()) return frame::Trace(trace);
  const std::size_t rowBytes = sizeof(T) * static_cast<std::size_t>(roi->GetWidth());
  frame::ForEachRow(*roi, copy, [&](const T* s, T* d, int) { std::memcpy(d, s, rowBytes); });
  ScaleRotate<T>(&copy, spx, spy, dpx, dpy, sx, sy, rotation, roi, bits, trace);
}

// The rotation of the two-pivot registration, in the caller's angle unit, and its scale.
struct Similarity {
  float scale, rotation;
};
Similarity TwoPivotSimilarity(float sx0, float sy0, float sx1, float sy1, float dx0, float dy0, float dx1, float dy1,
                              int resize) {
  const double sdx = double(sx1) - sx0, sdy = double(sy1) - sy0, ddx = double(dx1) - dx0, ddy = double(dy1) - dy0;
  const double alphaD = ddx == 0 && ddy == 0 ? 0.0 : std::atan2(ddy, ddx);
  const double alphaS = sdx == 0 && sdy == 0 ? 0.0 : std::atan2(sdy, sdx);
  const double sourceLength = std::hypot(sdx, sdy);
  const double scale = resize && sourceLength != 0 ? std::hypot(ddx, ddy) / sourceLength : 1.0;
  return {float(scale), float(-VnFromRadians(alphaD - alphaS))};
}

// Cramer's rule for u in a Si.x + b Si.y + c = Di over the three pivots; false when singular.
bool SolveThreePivots(const float sx[3], const float sy[3], const float dx[3], const float dy[3], Map& m) {
  auto det3 = [](const double c0[3], const double c1[3], const double c2[3]) {
    return c0[0] * (c1[1] * c2[2] - c1[2] * c2[1]) - c1[0] * (c0[1] * c2[2] - c0[2] * c2[1]) +
           c2[0] * (c0[1] * c1[2] - c0[2] * c1[1]);
  };
  // Columns of the system matrix: the source abscissae, ordinates and ones.
  const double xs[3] = {sx[0], sx[1], sx[2]}, ys[3] = {sy[0], sy[1], sy[2]}, ones[3] = {1, 1, 1};
  const double det = det3(xs, ys, ones);
  if (det == 0) return false;
  const double tx[3] = {dx[0], dx[1], dx[2]}, ty[3] = {dy[0], dy[1], dy[2]};
  m = {float(det3(tx, ys, ones) / det), float(det3(xs, tx, ones) / det), float(det3(xs, ys, tx) / det),
       float(det3(ty, ys, ones) / det), float(det3(xs, ty, ones) / det), float(det3(xs, ys, ty) / det)};
  return true;
}

template <class T>
void RegisterThree(const VnROI<T>* src, VnROI<T>* dst, float sx0, float sy0, float sx1, float sy1, float sx2,
                   float sy2, float dx0, float dy0, float dx1, float dy1, float dx2, float dy2, int bits,
                   const char* trace) {
  VnOk();
  const float sx[3] = {sx0, sx1, sx2}, sy[3] = {sy0, sy1, sy2};
  const float dx[3] = {dx0, dx1, dx2}, dy[3] = {dy0, dy1, dy2};
  Map m{};
  if (!SolveThreePivots(sx, sy, dx, dy, m)) return frame::Fail(VN_ERR_SINGULAR_SYSTEM, trace);
  ImgLinearTransform(src, m.a, m.b, m.c, m.d, m.e, m.f, dst, bits);
  if (VnGetError()) frame::Trace(trace);
}

}  // namespace

short ImgScaleRotate(const VnROI<VnBW8>* src, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                     float scaleX, float scaleY, float rotation, VnROI<VnBW8>* dst, int interpolationBits) {
  ScaleRotate(src, srcPivotX, srcPivotY, dstPivotX, dstPivotY, scaleX, scaleY, rotation, dst, interpolationBits,
              kScaleRotateBW8);
  return static_cast<short>(VnGetError());
}

void ImgScaleRotate(const VnROI<VnBW16>* src, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                    float scaleX, float scaleY, float rotation, VnROI<VnBW16>* dst, int interpolationBits) {
  ScaleRotate(src, srcPivotX, srcPivotY, dstPivotX, dstPivotY, scaleX, scaleY, rotation, dst, interpolationBits,
              kScaleRotateBW16);
}

void ImgScaleRotate(const VnROI<VnC24>* src, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                    float scaleX, float scaleY, float rotation, VnROI<VnC24>* dst, int interpolationBits) {
  vnimg::geometry::ForEachComponent(src, dst, kScaleRotateC24, [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) {
    ImgScaleRotate(s, srcPivotX, srcPivotY, dstPivotX, dstPivotY, scaleX, scaleY, rotation, d, interpolationBits);
  });
}

short ImgScaleRotate(VnROI<VnBW8>* srcDst, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                     float scaleX, float scaleY, float rotation, int interpolationBits) {
  ScaleRotateInPlace(srcDst, srcPivotX, srcPivotY, dstPivotX, dstPivotY, scaleX, scaleY, rotation, interpolationBits,
                     kScaleRotateBW8);
  return static_cast<short>(VnGetError());
}

void ImgScaleRotate(VnROI<VnBW16>* srcDst, float srcPivotX, float srcPivotY, float dstPivotX, float dstPivotY,
                    float scaleX, float scaleY, float rotation, int interpolationBits) {
  ScaleRotateInPlace(srcDst, srcPivotX, srcPivotY, dstPivotX, dstPivotY, scaleX, scaleY, rotation, interpolationBits,
                     kScaleRotateBW16);
}

// One pivot: a translation.
void ImgRegister(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float srcX, float srcY, float dstX, float dstY,
                 int interpolationBits) {
  ImgScaleRotate(src, srcX, srcY, dstX, dstY, 1, 1, 0, dst, interpolationBits);
}
void ImgRegister(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float srcX, float srcY, float dstX, float dstY,
                 int interpolationBits) {
  ImgScaleRotate(src, srcX, srcY, dstX, dstY, 1, 1, 0, dst, interpolationBits);
}
void ImgRegister(const VnROI<VnC24>* src, VnROI<VnC24>* dst, float srcX, float srcY, float dstX, float dstY,
                 int interpolationBits) {
  ImgScaleRotate(src, srcX, srcY, dstX, dstY, 1, 1, 0, dst, interpolationBits);
}

// Two pivots.
void ImgRegister(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float dstX0, float dstY0, float dstX1, float dstY1, int interpolationBits, int resize) {
  const Similarity s = TwoPivotSimilarity(srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, resize);
  ImgScaleRotate(src, srcX0, srcY0, dstX0, dstY0, s.scale, s.scale, s.rotation, dst, interpolationBits);
}
void ImgRegister(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float dstX0, float dstY0, float dstX1, float dstY1, int interpolationBits, int resize) {
  const Similarity s = TwoPivotSimilarity(srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, resize);
  ImgScaleRotate(src, srcX0, srcY0, dstX0, dstY0, s.scale, s.scale, s.rotation, dst, interpolationBits);
}
void ImgRegister(const VnROI<VnC24>* src, VnROI<VnC24>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float dstX0, float dstY0, float dstX1, float dstY1, int interpolationBits, int resize) {
  const Similarity s = TwoPivotSimilarity(srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, resize);
  ImgScaleRotate(src, srcX0, srcY0, dstX0, dstY0, s.scale, s.scale, s.rotation, dst, interpolationBits);
}

// Three pivots.
void ImgRegister(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float srcX2, float srcY2, float dstX0, float dstY0, float dstX1, float dstY1, float dstX2,
                 float dstY2, int interpolationBits) {
  RegisterThree(src, dst, srcX0, srcY0, srcX1, srcY1, srcX2, srcY2, dstX0, dstY0, dstX1, dstY1, dstX2, dstY2,
                interpolationBits, "ImgRegister ( BW8, 3 pivots)");
}
void ImgRegister(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float srcX2, float srcY2, float dstX0, float dstY0, float dstX1, float dstY1, float dstX2,
                 float dstY2, int interpolationBits) {
  RegisterThree(src, dst, srcX0, srcY0, srcX1, srcY1, srcX2, srcY2, dstX0, dstY0, dstX1, dstY1, dstX2, dstY2,
                interpolationBits, "ImgRegister ( BW16, 3 pivots)");
}
void ImgRegister(const VnROI<VnC24>* src, VnROI<VnC24>* dst, float srcX0, float srcY0, float srcX1, float srcY1,
                 float srcX2, float srcY2, float dstX0, float dstY0, float dstX1, float dstY1, float dstX2,
                 float dstY2, int interpolationBits) {
  RegisterThree(src, dst, srcX0, srcY0, srcX1, srcY1, srcX2, srcY2, dstX0, dstY0, dstX1, dstY1, dstX2, dstY2,
                interpolationBits, "ImgRegister ( C24, 3 pivots)");
}
