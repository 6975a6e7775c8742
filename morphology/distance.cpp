// Distance maps: the DSP library's chamfer distance, and the city-block distance map of
// repeated unit erosions and dilations.
#include "morphology/distance.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "foundation/frame.h"
#include "vnimg/binary_morphology.h"
#include "vnimg/exception.h"
#include "vnimg/platform/dsp.h"
#include "vnimg/point.h"

namespace vnimg::morphology {
namespace {

constexpr const char* kMapTrace = "ImgComputeDistanceMap";
constexpr unsigned kLargestDistance = 255;

// The factor the k-th rings are scaled by: (255 - k) / 255 in single precision.
float RingGain(unsigned k) { return static_cast<float>((255.0 - k) * (1.0 / 255.0)); }

// v -> floor(v g + offset) in double precision, held to 0..255.
VnBW8 ScaledPixel(VnBW8 v, float gain, double offset) {
  return static_cast<VnBW8>(std::clamp(std::floor(v * double{gain} + offset), 0.0, 255.0));
}

void AccurateGainOffset(VnROI<VnBW8>& roi, float gain, double offset) {
  VnOk();
  if (!frame::CheckRois("ImgAccurateGainOffset", {&roi})) return;
  frame::ForEachRow(roi, [&](VnBW8* row, int width) {
    for (int x = 0; x < width; ++x) row[x] = ScaledPixel(row[x], gain, offset);
  });
}

bool Failed() {
  if (!VnGetError()) return false;
  frame::Trace(kMapTrace);
  return true;
}

bool IsBinary(const VnROI<VnBW8>& src) {
  bool binary = true;
  frame::ForEachRow(src, [&](const VnBW8* row, int width) {
    for (int x = 0; x < width && binary; ++x) binary = row[x] == 0 || row[x] == 255;
  });
  return binary;
}

// Each pixel's city-block distance to the nearest pixel of the other value, capped at `cap`:
// a neighbour of the other value is 1 away, one of the same value adds 1 to its own distance
// (the path to the nearest other pixel crosses only pixels of the pixel's own value). One raster
// pass from the top left (left and upper neighbours), one back.
void OtherValueDistance(const VnROI<VnBW8>& src, std::vector<std::uint16_t>& d, int cap) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const frame::Rows<VnBW8> rows(src);
  const auto step = [&](std::uint16_t& v, VnBW8 own, VnBW8 other, std::uint16_t through) {
    const int candidate = own != other ? 1 : std::min(through + 1, cap);
    if (candidate < v) v = static_cast<std::uint16_t>(candidate);
  };
  for (int y = 0; y < height; ++y) {
    const VnBW8 *s = rows.Row(y), *above = y > 0 ? rows.Row(y - 1) : nullptr;
    std::uint16_t *r = d.data() + static_cast<std::size_t>(y) * width, *up = above ? r - width : nullptr;
    for (int x = 0; x < width; ++x) {
      r[x] = static_cast<std::uint16_t>(cap);
      if (x > 0) step(r[x], s[x], s[x - 1], r[x - 1]);
      if (above) step(r[x], s[x], above[x], up[x]);
    }
  }
  for (int y = height - 1; y >= 0; --y) {
    const VnBW8 *s = rows.Row(y), *below = y + 1 < height ? rows.Row(y + 1) : nullptr;
    std::uint16_t *r = d.data() + static_cast<std::size_t>(y) * width, *down = below ? r + width : nullptr;
    for (int x = width - 1; x >= 0; --x) {
      if (x + 1 < width) step(r[x], s[x], s[x + 1], r[x + 1]);
      if (below) step(r[x], s[x], below[x], down[x]);
    }
  }
}

}  // namespace

bool DistanceMapByRings(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, unsigned maximum) {
  const int width = src.GetWidth(), height = src.GetHeight();
  VnROI<VnBW8>* source = const_cast<VnROI<VnBW8>*>(&src);
  VnImage<VnBW8> a(width, height), b(width, height), nextA(width, height), nextB(width, height);
  VnImage<VnBW8> inner(width, height), outer(width, height);
  if (Failed()) return false;
  ImgOper(Copy, VnBW8{0}, &dst);
  ImgOper(Copy, source, &a);
  ImgOper(Copy, source, &b);
  if (Failed()) return false;
  for (unsigned k = 1; k <= maximum; ++k) {
    ImgErodeDisk(&a, &nextA, 1);
    ImgDilateDisk(&b, &nextB, 1);
    ImgOper(Subtract, &a, &nextA, &inner);
    ImgOper(Subtract, &nextB, &b, &outer);
    if (Failed()) return false;
    AccurateGainOffset(inner, RingGain(k), 0.0);
    AccurateGainOffset(outer, RingGain(k), 0.0);
    ImgOper(SetZero, &dst, &inner, &dst);
    ImgOper(SetZero, &dst, &outer, &dst);
    if (Failed()) return false;
    std::swap(a, nextA);
    std::swap(b, nextB);
  }
  ImgOper(Invert, &dst, &dst);
  return !Failed();
}

// A 0/255 pixel is in exactly one ring: the k-th, k its distance to the nearest pixel of the
// other value (the unit cross reaches the city-block ball, clipped to the ROI, which is convex).
// It ends as 255 - (its ring's 255 scaled), and 255 when no ring within the maximum reached it.
bool DistanceMapOfBinary(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, unsigned maximum) {
  if (!IsBinary(src)) return false;
  const int width = src.GetWidth(), height = src.GetHeight();
  std::vector<std::uint16_t> distance(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  OtherValueDistance(src, distance, static_cast<int>(maximum) + 1);
  const frame::Rows<VnBW8> to(dst);
  VnBW8 value[kLargestDistance + 2];
  for (unsigned k = 1; k <= maximum; ++k) value[k] = static_cast<VnBW8>(255 - ScaledPixel(255, RingGain(k), 0.0));
  value[0] = value[maximum + 1] = 255;
  for (int y = 0; y < height; ++y) {
    const std::uint16_t* r = distance.data() + static_cast<std::size_t>(y) * width;
    VnBW8* out = to.Row(y);
    for (int x = 0; x < width; ++x) out[x] = value[r[x]];
  }
  return true;
}

}  // namespace vnimg::morphology

namespace m = vnimg::morphology;

short ImgDistance(VnROI<VnBW8>* src, VnImage<VnBW16>* dst, int) {
  constexpr const char* kTrace = "ImgDistance";
  VnOk();
  float* costs = nullptr;
  try {
    if (!vnimg::frame::CheckEachRoi(kTrace, {src, dst})) return static_cast<short>(VnGetError());
    VnOk();
    if (!src->CheckSameSize(dst)) throw Korvane::Quandor::Exception();
    const int width = src->GetWidth(), height = src->GetHeight();
    if (width == 0 || height == 0) return 0;
    VnImage<VnFLOAT32> distances(width, height);
    costs = KorvaneIDsp_1DMallocFLOAT32(2);
    if (VnGetError() || !costs) throw Korvane::Quandor::Exception(VN_ERR_OUT_OF_MEMORY);
    costs[0] = 1.0f;
    costs[1] = std::sqrt(2.0f);
    if (KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(src->GetImagePtr(0, 0), src->GetRowPitch(),
                                                      distances.GetImagePtr(0, 0), distances.GetRowPitch(), width,
                                                      height, costs) != 0 ||
        KorvaneIDsp_ConvertFLOAT32toBW16(distances.GetImagePtr(0, 0), distances.GetRowPitch(), dst->GetImagePtr(0, 0),
                                         dst->GetRowPitch(), width, height, 1) != 0)
      throw Korvane::Quandor::Exception(VN_ERR_NOT_IMPLEMENTED);
  } catch (const Korvane::Quandor::Exception& e) {
    vnimg::frame::Fail(e.code, kTrace);
  }
  KorvaneIDsp_1DFree(costs);
  return static_cast<short>(VnGetError());
}

void ImgComputeDistanceMap(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned maximum) {
  VnOk();
  if (!src || !dst) return vnimg::frame::Fail(VN_ERR_NULL_ROI, m::kMapTrace);
  if (src == dst || (!src->Void() && src->GetImagePtr(0, 0) == dst->GetImagePtr(0, 0)))
    return vnimg::frame::Fail(VN_ERR_SAME_ROI, m::kMapTrace);
  if (!vnimg::frame::CheckRois(m::kMapTrace, {src, dst}) || src->GetWidth() == 0 || src->GetHeight() == 0) return;
  const unsigned limited = std::min(maximum, m::kLargestDistance);
  if (!m::DistanceMapOfBinary(*src, *dst, limited)) m::DistanceMapByRings(*src, *dst, limited);
}
