// The Canny detector: smoothing, gradient, non-maxima suppression, thresholds from the
// suppressed histogram, edge following.
#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "analysis/canny_kernels.h"
#include "analysis/edge_planes.h"
#include "filter/gradient_kernels.h"
#include "foundation/frame.h"
#include "histogram/histogram_count.h"
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

// The half-size of the smoothing window at this size; 0 when the mode smooths nothing here.
int SmoothingHalf(SMOOTH_MODE smooth, int width, int height) {
  const int side = std::min(width, height);
  switch (smooth) {
    case SMOOTH_GAUSSIAN_3X3: return side >= 3 ? 1 : 0;
    case SMOOTH_GAUSSIAN_5X5: return side >= 5 ? 2 : 0;
    case SMOOTH_GAUSSIAN_7X7: return side >= 7 ? 3 : 0;
    case SMOOTH_MEDIAN: return 1;
    default: return 0;
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

// Rows of the source as the gradient reads them: src itself, or its smoothing when the mode
// smooths at this size, made a strip at a time into a small image. A window of half-size k
// makes row r from rows r - k .. r + k alone, so a band of src reaching k rows past a strip (or
// to the ROI's edge) smooths to the strip's rows exactly as the whole ROI would.
class SourceRows {
 public:
  SourceRows(const VnROI<VnBW8>& src, SMOOTH_MODE smooth)
      : m_src(src), m_rows(src), m_smooth(smooth), m_height(src.GetHeight()),
        m_half(SmoothingHalf(smooth, src.GetWidth(), m_height)) {
    if (m_half == 0) return;
    if (!Make(m_strip, src.GetWidth(), std::min(m_height, kStripRows + 2 * m_half))) throw std::bad_alloc();
    m_rows = frame::Rows<VnBW8>(m_strip);
  }
  // Rows are asked for in increasing order. Null when the smoothing fails, with its code set.
  const VnBW8* Row(int r) {
    if (m_half && r >= m_to && !MakeStrip(r)) return nullptr;
    return m_rows.Row(r - m_top);
  }

 private:
  static constexpr int kStripRows = 64;

  // The strip of rows from `first` on.
  bool MakeStrip(int first) {
    const int bottom = std::min(m_height, first + kStripRows + m_half);
    const int top = std::max(0, std::min(first - m_half, bottom - m_strip.GetHeight()));
    const VnROI<VnBW8> band(&m_src, 0, top, m_src.GetWidth(), bottom - top);
    VnROI<VnBW8> out(&m_strip, 0, 0, m_src.GetWidth(), bottom - top);
    Smooth(m_smooth, &band, &out);
    m_top = top, m_to = bottom == m_height ? m_height : bottom - m_half;
    return VnGetError() == 0;
  }

  const VnROI<VnBW8>& m_src;
  frame::Rows<VnBW8> m_rows;
  SMOOTH_MODE m_smooth;
  int m_height, m_half;
  VnImage<VnBW8> m_strip;
  int m_top = 0, m_to = 0;  // the strip's first row, and the row its valid rows end before
};

// The padded lines (one replicated pixel on either side) of the rows about y, clamped into the
// ROI, as the gradient row kernels read them. Throws std::bad_alloc.
class SourceLines {
 public:
  SourceLines(SourceRows& rows, int width, int height)
      : m_rows(rows), m_width(width), m_height(height), m_length(static_cast<std::size_t>(width) + 2 + kLineSlack),
        m_lines(3 * m_length) {}
  // False when a row cannot be had, with the code set.
  bool About(int y, const VnBW8* (&lines)[3]) {
    for (int j = 0; j < 3; ++j)
      if (!(lines[j] = Line(std::clamp(y - 1 + j, 0, m_height - 1)))) return false;
    return true;
  }

 private:
  const VnBW8* Line(int r) {
    VnBW8* line = m_lines.data() + static_cast<std::size_t>(r % 3) * m_length;
    if (m_held[r % 3] != r) {
      const VnBW8* row = m_rows.Row(r);
      if (!row) return nullptr;
      std::memcpy(line + 1, row, static_cast<std::size_t>(m_width));
      line[0] = row[0], line[m_width + 1] = row[m_width - 1];
      m_held[r % 3] = r;
    }
    return line;
  }

  SourceRows& m_rows;
  int m_width, m_height;
  std::size_t m_length;
  std::vector<VnBW8> m_lines;
  int m_held[3] = {-1, -1, -1};
};

// The suppressed values and direction classes of the (smoothed) source's gradient into the
// planes, and their histogram: the stages a row at a time straight from the source pixels, so
// that no smoothed, gradient, direction or suppressed image is made. False when the smoothing
// fails, with its code set.
bool SuppressIntoPlanes(const VnROI<VnBW8>& src, SMOOTH_MODE smooth, EdgePlanes& planes, unsigned int (&bins)[256]) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const filter::GradientVectorRowFn gradientRow = filter::GradientVectorRowVariants().Pick();
  const DirectionRowFn directionRow = DirectionRowVariants().Pick();
  const SuppressRowFn suppressRow = SuppressRowVariants().Pick();
  SourceRows rows(src, smooth);
  SourceLines sourceLines(rows, width, height);
  std::vector<VnBW32> gradient(static_cast<std::size_t>(width));
  SuppressionLines lines(width);
  histogram::BW8Counter counter(std::uint64_t{static_cast<unsigned>(width)} * static_cast<unsigned>(height));
  const auto prepare = [&](int y) {
    const VnBW8* about[3];
    if (!sourceLines.About(y, about)) return false;
    gradientRow(about, gradient.data(), width);
    directionRow(gradient.data(), gradient.data(), lines.Classes(y), lines.Magnitude(y), width);
    return true;
  };
  if (!prepare(0)) return false;
  for (int y = 0; y < height; ++y) {
    if (y + 1 < height && !prepare(y + 1)) return false;
    const VnBW8* above = y > 0 ? lines.Magnitude(y - 1) : lines.Zeros();
    const VnBW8* below = y + 1 < height ? lines.Magnitude(y + 1) : lines.Zeros();
    VnBW8* values = planes.Values(y);
    suppressRow(above, lines.Magnitude(y), below, lines.Classes(y), values, width);
    counter.Add(values, static_cast<std::size_t>(width));
    planes.SetClasses(y, lines.Classes(y));
  }
  counter.SumInto(bins);
  return true;
}

// The stages one after another, each on whole images, as the plain reference; false at the
// first that fails, with its code set. The direction codes overwrite the gradient vectors, which
// nothing reads afterwards.
bool DetectByStages(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow,
                    VnCannyThresholds* chosen) {
  const int width = src->GetWidth(), height = src->GetHeight();
  VnImage<VnBW8> smoothed;
  const VnROI<VnBW8>* source = src;
  if (SmoothingHalf(smooth, width, height) > 0) {
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

// The same results from one pass over the source rows into the compact planes, then the edge
// following over them. Throws std::bad_alloc when the planes cannot be had.
bool DetectInPlanes(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow,
                    VnCannyThresholds* chosen) {
  EdgePlanes planes(src->GetWidth(), src->GetHeight());
  unsigned int bins[256];
  if (!SuppressIntoPlanes(*src, smooth, planes, bins)) return false;
  const VnCannyThresholds thresholds = ThresholdSearch(bins, 256);
  if (chosen) *chosen = thresholds;
  const frame::Rows<VnBW8> out(*dst);
  if (follow == EDGE_FOLLOWING_HYSTERESIS) FollowByHysteresis(planes, out, thresholds.low, thresholds.high);
  if (follow == EDGE_FOLLOWING_CONTOUR_GROWING) FollowByContourGrowing(planes, out, thresholds.low);
  return true;
}

}  // namespace

VnCannyThresholds ThresholdSearch(const unsigned int* histogram, unsigned bins) {
  // count[i], sum[i]: the pixels below level i and the sum of their levels; exact in 64 bits.
  std::uint64_t count[257] = {}, sum[257] = {};
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint64_t h = i < bins ? histogram[i] : 0;
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

}  // namespace vnimg::analysis

using namespace vnimg;
using namespace vnimg::analysis;

VnCannyThresholds CannyThresholdSearch(const VnBWHistogramVector& histogram) {
  return ThresholdSearch(histogram.GetDataPtr(), std::min(histogram.GetNumElements(), 256u));
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
    const bool inPlanes = simd::ActiveLevel() != simd::Level::Plain;
    if ((inPlanes ? DetectInPlanes : DetectByStages)(src, dst, smooth, follow, chosen)) return;
  } catch (const Korvane::Quandor::Exception& e) {
    VnSetError(e.code);
  } catch (const std::bad_alloc&) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
  } catch (...) {
    VnSetError(VN_ERR_NOT_IMPLEMENTED);
  }
  frame::Trace(kDetectorTrace);
}
