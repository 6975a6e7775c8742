// ImgEqualize: a histogram, a table from its cumulative sums, and the table applied.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "point/lut_frame.h"
#include "vnimg/histogram.h"
#include "vnimg/lut.h"

using namespace vnimg;

void ImgEqualize(VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgEqualize";
  VnOk();
  VnBWHistogramVector hist(256);
  VnBW8Vector lut(256);
  if (VnGetError()) return frame::Trace(kTrace);
  ImgHistogram(src, &hist);
  if (!VnGetError()) ImgSetupEqualize(&hist, &lut);
  if (!VnGetError()) ImgLut(src, dst, &lut);
  if (VnGetError()) frame::Trace(kTrace);
}

void ImgEqualize(VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgEqualize (BW16)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  std::vector<std::uint64_t> cum;
  try {
    cum.resize(65536);
  } catch (const std::bad_alloc&) {
    return frame::Fail(VN_ERR_OUT_OF_MEMORY, kTrace);
  }
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist, 15, 16, 1);
  if (VnGetError()) return frame::Trace(kTrace);
  // cum becomes the table in place; without pixels there is nothing to map.
  std::uint64_t total = 0;
  for (unsigned i = 0; i < 65536; ++i) cum[i] = total += hist.GetDataPtr()[i];
  if (total == 0) return;
  for (std::uint64_t& level : cum) level = std::min<std::uint64_t>(65535, level * 65535 / total);
  frame::ForEachRow(*src, *dst, [&](const VnBW16* s, VnBW16* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = static_cast<VnBW16>(cum[s[x]]);
  });
}
