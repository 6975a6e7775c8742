// ImgNormalize: a linear map taking the source's mean and standard deviation to the wanted ones.
#include <cmath>
#include <new>
#include <vector>

#include "point/lut_frame.h"
#include "vnimg/lut.h"
#include "vnimg/statistics.h"

namespace {

using namespace vnimg;

// x * k + mean - k * m in double precision, rounded to float; k = stdDev / s in float.
float Mapped(double x, float k, float mean, float m) {
  return static_cast<float>(x * k + mean - static_cast<double>(k) * m);
}
// Not a number and negative values give 0.
std::int64_t Level(float v, std::int64_t max) {
  if (!(v >= 0.0f)) return 0;
  return v > static_cast<float>(max) ? max : static_cast<std::int64_t>(v);
}

}  // namespace

short ImgNormalize(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float mean, float stdDev) {
  constexpr const char* kTrace = "ImgNormalize";
  const auto failed = [&] { return static_cast<short>(VnTraceError(kTrace)); };
  VnOk();
  if (!frame::CheckNotNull(kTrace, {src, dst})) return VN_ERR_NULL_ROI;
  if (!src->CheckSameSize(dst)) return failed();
  std::vector<VnBW8> table;
  try {
    table.resize(256);
  } catch (const std::bad_alloc&) {
    return frame::FailShort(VN_ERR_OUT_OF_MEMORY, kTrace);
  }
  float s = 0.0f, m = 0.0f;
  if (ImgPixelStdDev(src, s, m) != 0) return failed();
  const float k = stdDev / s;
  for (int x = 0; x < 256; ++x) table[x] = static_cast<VnBW8>(Level(Mapped(x, k, mean, m), 255));
  ImgLut(src, dst, table.data());
  return VnGetError() ? failed() : short{0};
}

void ImgNormalize(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float mean, float stdDev) {
  constexpr const char* kTrace = "ImgNormalize (BW16)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  float s = 0.0f, m = 0.0f;
  ImgPixelStdDev(src, s, m);
  if (VnGetError()) return frame::Trace(kTrace);
  const float k = stdDev / s;
  frame::ForEachRow(*src, *dst, [&](const VnBW16* p, VnBW16* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = static_cast<VnBW16>(Level(Mapped(p[x], k, mean, m), 65535));
  });
}
