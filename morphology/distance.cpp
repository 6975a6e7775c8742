// Distance maps: the DSP library's chamfer distance, and the city-block distance map of
// repeated unit erosions and dilations.
#include "morphology/distance.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "foundation/frame.h"
#include "morphology/bilevel_rows.h"
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


// The row loops below are written in byte arithmetic without branches, so that they vectorise.

// r = 1 beside a pixel of the other value in the row, else cap.
void BesideInRow(const VnBW8* __restrict s, VnBW8* __restrict r, int width, VnBW8 cap) {
  for (int x = 1; x + 1 < width; ++x) r[x] = ((s[x - 1] ^ s[x]) | (s[x + 1] ^ s[x])) ? VnBW8{1} : cap;
  r[0] = width > 1 && s[1] != s[0] ? VnBW8{1} : cap;
  if (width > 1) r[width - 1] = s[width - 2] != s[width - 1] ? VnBW8{1} : cap;
}

// r = min(r, what the neighbour in the next or previous row offers: 1 when of the other value,
// else its own distance + 1 held at cap).
void VerticalStep(const VnBW8* __restrict s, const VnBW8* __restrict next, const VnBW8* __restrict through,
                  VnBW8* __restrict r, int width, VnBW8 cap) {
  for (int x = 0; x < width; ++x) {
    const VnBW8 t = through[x];
    const VnBW8 same = t < cap ? static_cast<VnBW8>(t + 1) : cap;
    const VnBW8 offered = s[x] != next[x] ? VnBW8{1} : same;
    r[x] = offered < r[x] ? offered : r[x];
  }
}

// Each pixel's city-block distance to the nearest pixel of the other value, held at `cap`, into
// `out` (the path to the nearest other pixel crosses only pixels of the pixel's own value). One
// raster pass from the top left (upper, then left neighbours), one back. A pixel beside one of
// the other value in its row is 1 from the start, so the row scans need no value test: as
// every distance is at least 1, min(d, left + 1) keeps those 1s, and stays within the cap d is.
void OtherValueDistance(const VnROI<VnBW8>& src, VnROI<VnBW8>& out, VnBW8 cap) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const frame::Rows<VnBW8> in(src), d(out);
  for (int y = 0; y < height; ++y) {
    VnBW8* r = d.Row(y);
    BesideInRow(in.Row(y), r, width, cap);
    if (y > 0) VerticalStep(in.Row(y), in.Row(y - 1), d.Row(y - 1), r, width, cap);
    for (int x = 1; x < width; ++x) r[x] = static_cast<VnBW8>(std::min(int{r[x]}, r[x - 1] + 1));
  }
  for (int y = height - 1; y >= 0; --y) {
    VnBW8* r = d.Row(y);
    if (y + 1 < height) VerticalStep(in.Row(y), in.Row(y + 1), d.Row(y + 1), r, width, cap);
    for (int x = width - 2; x >= 0; --x) r[x] = static_cast<VnBW8>(std::min(int{r[x]}, r[x + 1] + 1));
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
// Distances are held at maximum + 1, or at 255 for a maximum of 255, whose ring ends as 255 like
// the pixels no ring reached. They go into dst itself unless it overlaps src.
bool DistanceMapOfBinary(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst, unsigned maximum) {
  if (!IsBinary(src)) return false;
  std::optional<VnImage<VnBW8>> apart;
  if (frame::OverlapsElsewhere(src, dst)) apart.emplace(src.GetWidth(), src.GetHeight());
  if (Failed()) return false;
  VnROI<VnBW8>& work = apart ? *apart : dst;
  OtherValueDistance(src, work, static_cast<VnBW8>(std::min(maximum + 1, kLargestDistance)));
  VnBW8 value[kLargestDistance + 1];
  for (unsigned k = 1; k <= maximum; ++k) value[k] = static_cast<VnBW8>(255 - ScaledPixel(255, RingGain(k), 0.0));
  value[0] = 255;
  if (maximum < kLargestDistance) value[maximum + 1] = 255;
  frame::ForEachRow(work, dst, [&](const VnBW8* d, VnBW8* out, int width) {
    for (int x = 0; x < width; ++x) out[x] = value[d[x]];
  });
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
