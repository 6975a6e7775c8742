// Gray images against one or two thresholds, colour images against a colour box.
#include "vnimg/threshold.h"

#include "foundation/frame.h"
#include "histogram/threshold_kernels.h"
#include "histogram/threshold_select.h"

namespace frame = vnimg::frame;
namespace kernels = vnimg::threshold;

short ImgThreshold(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int threshold, unsigned char low,
                   unsigned char high, float fraction) {
  constexpr const char* kTrace = "ImgThreshold";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return static_cast<short>(VnGetError());
  threshold = kernels::SelectThreshold(src, threshold, 255, fraction);
  const kernels::Gray8Fn run = kernels::Gray8Variants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnBW8* d, int width) { run(s, d, width, threshold, low, high); });
  return 0;
}

void ImgThreshold(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned int threshold, VnBW16 low, VnBW16 high,
                  float fraction) {
  constexpr const char* kTrace = "ImgThreshold (BW16)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  threshold = kernels::SelectThreshold(src, threshold, fraction);
  const kernels::Gray16Fn run = kernels::Gray16Variants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnBW16* s, VnBW16* d, int width) { run(s, d, width, threshold, low, high); });
}

short ImgDoubleThreshold(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned int lowThreshold, unsigned int highThreshold,
                         unsigned char low, unsigned char middle, unsigned char high) {
  constexpr const char* kTrace = "ImgDoubleThreshold ( BW8 to BW8)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return static_cast<short>(VnGetError());
  const kernels::Double8Fn run = kernels::Double8Variants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnBW8* d, int width) {
    run(s, d, width, lowThreshold, highThreshold, low, middle, high);
  });
  return 0;
}

void ImgDoubleThreshold(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned int lowThreshold, unsigned int highThreshold,
                        VnBW16 low, VnBW16 middle, VnBW16 high) {
  constexpr const char* kTrace = "ImgDoubleThreshold ( BW16 to BW16)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  const kernels::Double16Fn run = kernels::Double16Variants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnBW16* s, VnBW16* d, int width) {
    run(s, d, width, lowThreshold, highThreshold, low, middle, high);
  });
}

namespace {

// The colour box through a lookup: one virtual call per pixel, so no vector variant.
void BoxThroughLookupRow(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnColorLookup& lookup,
                         VnBW8 outside, VnBW8 inside) {
  for (int x = 0; x < width; ++x) {
    VnC24 colour = s[x];
    lookup.Transform(s[x], colour);
    d[x] = kernels::BoxPixel(colour, min, max, outside, inside);
  }
}

}  // namespace

void ImgThreshold(VnROI<VnC24>* src, VnROI<VnBW8>* dst, VnC24 min, VnC24 max, VnColorLookup* lookup, VnBW8 outside,
                  VnBW8 inside) {
  constexpr const char* kTrace = "ImgThreshold ( C24 to BW8)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  if (lookup) {
    frame::ForEachRow(*src, *dst, [&](const VnC24* s, VnBW8* d, int width) {
      BoxThroughLookupRow(s, d, width, min, max, *lookup, outside, inside);
    });
    return;
  }
  const kernels::BoxFn run = kernels::BoxVariants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnC24* s, VnBW8* d, int width) { run(s, d, width, min, max, outside, inside); });
}

// The vector variants test the box in registers and need no row work buffer, so this form
// never fails for want of memory.
void ImgThreshold(VnROI<VnC24>* src, VnROI<VnBW8>* dst, VnC24 min, VnC24 max) {
  ImgThreshold(src, dst, min, max, nullptr, 0, 255);
}
