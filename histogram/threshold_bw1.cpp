// Gray images into packed bit images: eight pixels per byte, the first in bit 7.
#include <vector>

#include "foundation/bw1_pair.h"
#include "histogram/threshold_kernels.h"
#include "histogram/threshold_select.h"
#include "vnimg/threshold.h"

namespace frame = vnimg::frame;
namespace kernels = vnimg::threshold;

namespace {

unsigned SelectAbove16Bits(VnROI<VnBW8>* src, unsigned threshold, float fraction) {
  return kernels::SelectThreshold(src, threshold, 65535, fraction);
}
unsigned SelectAbove16Bits(VnROI<VnBW16>* src, unsigned threshold, float fraction) {
  return kernels::SelectThreshold(src, threshold, fraction);
}

template <class T, class Fn>
void ThresholdAligned(VnROI<T>* src, VnROI<VnBW1>* dst, unsigned threshold, float fraction,
                      const vnimg::simd::Variants<Fn>& variants) {
  frame::CheckAlignedRois({src, dst});
  threshold = SelectAbove16Bits(src, threshold, fraction);
  const Fn run = variants.Pick();
  frame::ForEachRow(*src, *dst, [&](const T* s, std::uint8_t* d, int width) { run(s, d, width, threshold); });
}

// The error state as it stands, to be put back after a step that clears it.
class SavedError {
 public:
  SavedError() : m_code(VnGetError()) {
    for (unsigned i = 0; i < VnGetErrorTraceCount(); ++i) m_trace.push_back(VnGetErrorTraceName(i));
  }
  void Restore() const {
    if (!m_code) return;
    VnSetError(m_code);
    for (const char* name : m_trace) VnTraceError(name);
  }

 private:
  int m_code;
  std::vector<const char*> m_trace;
};

// A destination off a byte boundary is thresholded into an aligned temporary and copied in
// with ImgBW1UnAlignment. That copy starts from a clear error state, so the code a failed
// automatic selection left is put back afterwards.
template <class T>
void ThresholdToBits(const char* trace, VnROI<T>* src, VnROI<VnBW1>* dst, unsigned threshold, float fraction) {
  VnOk();
  if (!frame::CheckNotNull(trace, {src, dst})) return;
  SavedError selection;
  frame::RunBW1Pair<0>(trace, {}, dst, [&](const auto&, VnROI<VnBW1>* alignedDst) {
    ImgThresholdAligned(src, alignedDst, threshold, fraction);
    selection = SavedError();
  });
  if (!VnGetError()) selection.Restore();
}

}  // namespace

void ImgThresholdAligned(VnROI<VnBW8>* src, VnROI<VnBW1>* dst, unsigned int threshold, float fraction) {
  ThresholdAligned(src, dst, threshold, fraction, kernels::Bits8Variants());
}

void ImgThresholdAligned(VnROI<VnBW16>* src, VnROI<VnBW1>* dst, unsigned int threshold, float fraction) {
  ThresholdAligned(src, dst, threshold, fraction, kernels::Bits16Variants());
}

void ImgThreshold(VnROI<VnBW8>* src, VnROI<VnBW1>* dst, unsigned int threshold, float fraction) {
  ThresholdToBits("ImgThreshold (BW8 -> BW1)", src, dst, threshold, fraction);
}

void ImgThreshold(VnROI<VnBW16>* src, VnROI<VnBW1>* dst, unsigned int threshold, float fraction) {
  ThresholdToBits("ImgThreshold (BW16 -> BW1)", src, dst, threshold, fraction);
}
