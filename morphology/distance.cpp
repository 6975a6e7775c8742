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

// City-block distance of every pixel to the nearest pixel where `inside` is false, capped at
// `cap`: one raster pass from the top left (left and upper neighbours), one back.
void CityBlock(std::vector<std::uint16_t>& d, int width, int height, std::uint16_t cap) {
  const auto at = [&](int x, int y) -> std::uint16_t& { return d[static_cast<std::size_t>(y) * width + x]; };
  const auto relax = [&](std::uint16_t& v, std::uint16_t n) { v = std::min<std::uint16_t>(v, static_cast<std::uint16_t>(std::min<int>(n + 1, cap))); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (x > 0) relax(at(x, y), at(x - 1, y));
      if (y > 0) relax(at(x, y), at(x, y - 1));
    }
  for (int y = height - 1; y >= 0; --y)
    for (int x = width - 1; x >= 0; --x) {
      if (x + 1 < width) relax(at(x, y), at(x + 1, y));
      if (y + 1 < height) relax(at(x, y), at(x, y + 1));
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
  const auto cap = static_cast<std::uint16_t>(maximum + 1);
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<std::uint16_t> toBackground(count), toForeground(count);
  const frame::Rows<VnBW8> from(src), to(dst);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool set = from.Row(y)[x] != 0;
      toBackground[static_cast<std::size_t>(y) * width + x] = set ? cap : 0;
      toForeground[static_cast<std::size_t>(y) * width + x] = set ? 0 : cap;
    }
  CityBlock(toBackground, width, height, cap);
  CityBlock(toForeground, width, height, cap);
  VnBW8 value[kLargestDistance + 2];
  for (unsigned k = 1; k <= maximum; ++k) value[k] = static_cast<VnBW8>(255 - ScaledPixel(255, RingGain(k), 0.0));
  value[0] = value[maximum + 1] = 255;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      to.Row(y)[x] = value[std::max(toBackground[i], toForeground[i])];
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
