// The Canny detector: smoothing, gradient, non-maxima suppression, thresholds from the
// suppressed histogram, edge following.
#include <exception>
#include <new>
#include <vector>

#include "analysis/canny_kernels.h"
#include "foundation/frame.h"
#include "vnimg/canny.h"
#include "vnimg/exception.h"
#include "vnimg/gradient.h"
#include "vnimg/histogram.h"
#include "vnimg/morphology.h"
#include "vnimg/predefined_filter.h"

namespace vnimg::analysis {

void DirectionRowPlain(const VnBW32* gradient, VnBW32* code, VnBW8* cls, VnBW8* magnitude, int width) {
  for (int x = 0; x < width; ++x) DirectionMagnitude(gradient[x], code[x], cls[x], magnitude[x]);
}
void SuppressRowPlain(const VnBW8* above, const VnBW8* at, const VnBW8* below, const VnBW8* cls, VnBW8* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = Suppressed(above, at, below, cls[x], x);
}

const simd::Variants<DirectionRowFn>& DirectionRowVariants() {
  static constexpr simd::Variants<DirectionRowFn> kVariants{
      .plain = DirectionRowPlain,
      .sse2 = VNIMG_X86_VARIANT(DirectionRowSse2),
      .avx2 = VNIMG_X86_VARIANT(DirectionRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(DirectionRowAvx512),
  };
  return kVariants;
}
const simd::Variants<SuppressRowFn>& SuppressRowVariants() {
  static constexpr simd::Variants<SuppressRowFn> kVariants{
      .plain = SuppressRowPlain,
      .sse2 = VNIMG_X86_VARIANT(SuppressRowSse2),
      .avx2 = VNIMG_X86_VARIANT(SuppressRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(SuppressRowAvx512),
  };
  return kVariants;
}

namespace {

constexpr const char* kDetectorTrace = "Failed canny detection !";
// Vector loads past a line's end stay inside it.
constexpr int kLineSlack = 64;

bool Empty(const VnGenericROI& roi) { return roi.GetWidth() == 0 || roi.GetHeight() == 0; }

// Magnitude lines of three consecutive rows (slot y mod 3 holds row y) and the direction
// classes of two, each magnitude line with a 0 before and after the row; beyond the ROI a line of
// zeros stands in. Throws std::bad_alloc when the lines cannot be had.
class SuppressionLines {
 public:
  explicit SuppressionLines(int width)
      : m_length(static_cast<std::size_t>(width) + 2 + kLineSlack), m_magnitudes(4 * m_length, 0),
        m_classes(2 * m_length, 0) {}
  VnBW8* Magnitude(int y) { return m_magnitudes.data() + static_cast<std::size_t>(y % 3) * m_length + 1; }
  const VnBW8* Zeros() const { return m_magnitudes.data() + 3 * m_length + 1; }
  VnBW8* Classes(int y) { return m_classes.data() + static_cast<std::size_t>(y % 2) * m_length; }

 private:
  std::size_t m_length;
  std::vector<VnBW8> m_magnitudes;
  std::vector<VnBW8> m_classes;
};

// Row y of the direction codes is written when row y + 1 of the gradient is still to be read, so
// direction may be gradient itself.
void SuppressRows(const VnROI<VnBW32>& gradient, VnROI<VnBW32>& direction, VnROI<VnBW8>& suppressed) {
  const int width = gradient.GetWidth(), height = gradient.GetHeight();
  const DirectionRowFn directionRow = DirectionRowVariants().Pick();
  const SuppressRowFn suppressRow = SuppressRowVariants().Pick();
  const frame::Rows<VnBW32> in(gradient), codes(direction);
  const frame::Rows<VnBW8> out(suppressed);
  SuppressionLines lines(width);
  const auto prepare = [&](int y) { directionRow(in.Row(y), codes.Row(y), lines.Classes(y), lines.Magnitude(y), width); };
  prepare(0);
  for (int y = 0; y < height; ++y) {
    if (y + 1 < height) prepare(y + 1);
    const VnBW8* above = y > 0 ? lines.Magnitude(y - 1) : lines.Zeros();
    const VnBW8* below = y + 1 < height ? lines.Magnitude(y + 1) : lines.Zeros();
    suppressRow(above, lines.Magnitude(y), below, lines.Classes(y), out.Row(y), width);
  }
}

bool SmoothsAt(SMOOTH_MODE smooth, int width, int height) {
  const int side = std::min(width, height);
  switch (smooth) {
    case SMOOTH_GAUSSIAN_3X3: return side >= 3;
    case SMOOTH_GAUSSIAN_5X5: return side >= 5;
    case SMOOTH_GAUSSIAN_7X7: return side >= 7;
    case SMOOTH_MEDIAN: return true;
    default: return false;
  }
}

void Smooth(SMOOTH_MODE smooth, const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  switch (smooth) {
    case SMOOTH_GAUSSIAN_3X3: return ImgConvolGaussian3x3(src, dst);
    case SMOOTH_GAUSSIAN_5X5: return ImgConvolGaussian5x5(src, dst);
    case SMOOTH_GAUSSIAN_7X7: return ImgConvolGaussian7x7(src, dst);
    default: return ImgMedian(src, dst);
  }
}

// A working image of the given size; false (with the code set) when it cannot be had.
template <class T>
bool Make(VnImage<T>& image, int width, int height) {
  image.SetSize(width, height);
  if (VnGetError()) return false;
  if (image.Void()) return VnSetError(VN_ERR_OUT_OF_MEMORY), false;
  return true;
}

// The stages in order; false at the first that fails, with its code set. The direction codes
// overwrite the gradient vectors, which nothing reads afterwards.
bool Detect(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow,
            VnCannyThresholds* chosen) {
  const int width = src->GetWidth(), height = src->GetHeight();
  VnImage<VnBW8> smoothed;
  const VnROI<VnBW8>* source = src;
  if (SmoothsAt(smooth, width, height)) {
    if (!Make(smoothed, width, height)) return false;
    Smooth(smooth, src, &smoothed);
    if (VnGetError()) return false;
    source = &smoothed;
  }
  VnImage<VnBW32> gradient;
  if (!Make(gradient, width, height)) return false;
  ImgGradientVector(source, &gradient);
  if (VnGetError()) return false;
  smoothed = VnImage<VnBW8>();
  VnImage<VnBW8> suppressed;
  if (!Make(suppressed, width, height)) return false;
  NonMaximaSuppression(&gradient, &gradient, &suppressed);
  if (VnGetError()) return false;
  VnBWHistogramVector histogram;
  ImgHistogram(&suppressed, &histogram);
  if (VnGetError()) return false;
  const VnCannyThresholds thresholds = CannyThresholdSearch(histogram);
  if (chosen) *chosen = thresholds;
  if (follow == EDGE_FOLLOWING_HYSTERESIS) Hysteresis(&suppressed, dst, &gradient, thresholds.low, thresholds.high);
  if (follow == EDGE_FOLLOWING_CONTOUR_GROWING) ContourGrowing(&suppressed, dst, &gradient, thresholds.low);
  return VnGetError() == 0;
}

}  // namespace
}  // namespace vnimg::analysis

using namespace vnimg;
using namespace vnimg::analysis;

VnCannyThresholds CannyThresholdSearch(const VnBWHistogramVector& histogram) {
  // count[i], sum[i]: the pixels below level i and the sum of their levels; exact in 64 bits.
  std::uint64_t count[257] = {}, sum[257] = {};
  const unsigned bins = std::min(histogram.GetNumElements(), 256u);
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint64_t h = i < bins ? histogram.GetDataPtr()[i] : 0;
    count[i + 1] = count[i] + h;
    sum[i + 1] = sum[i] + h * i;
  }
  const auto term = [&](int from, int to) {
    const double s = static_cast<double>(sum[to] - sum[from]);
    return s * s / static_cast<double>(count[to] - count[from]);
  };
  VnCannyThresholds best;
  if (count[256] == 0) return best;
  double bestValue = term(0, 256);
  for (int t1 = 0; t1 < 256; ++t1) {
    if (count[t1] == 0) continue;
    for (int t2 = t1; t2 < 256; ++t2) {
      if (count[t2] == count[t1] || count[256] == count[t2]) continue;
      const double value = term(0, t1) + term(t1, t2) + term(t2, 256);
      if (value > bestValue) {
        bestValue = value;
        best = {static_cast<unsigned char>(t1), static_cast<unsigned char>(t2)};
      }
    }
  }
  if (best.low == 0) best.low = 1;
  return best;
}

void NonMaximaSuppression(const VnROI<VnBW32>* gradient, VnROI<VnBW32>* direction, VnROI<VnBW8>* suppressed) {
  constexpr const char* kTrace = "NonMaximaSuppression";
  VnOk();
  if (!frame::CheckRois(kTrace, {gradient, direction, suppressed}) || Empty(*gradient)) return;
  try {
    SuppressRows(*gradient, *direction, *suppressed);
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, kTrace);
  }
}

void ImgCannyDetector(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow) {
  ImgCannyDetector(src, dst, smooth, follow, nullptr);
}

void ImgCannyDetector(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow,
                      VnCannyThresholds* chosen) {
  VnOk();
  if (!frame::CheckRois(kDetectorTrace, {src, dst}) || Empty(*src)) return;
  try {
    if (Detect(src, dst, smooth, follow, chosen)) return;
  } catch (const Korvane::Quandor::Exception& e) {
    VnSetError(e.code);
  } catch (const std::bad_alloc&) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
  } catch (...) {
    VnSetError(VN_ERR_NOT_IMPLEMENTED);
  }
  frame::Trace(kDetectorTrace);
}
