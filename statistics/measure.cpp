// Focus measure, correlogram and linear regression between two images.
#include <cmath>
#include <memory>
#include <new>

#include "foundation/frame.h"
#include "statistics/focus_kernels.h"
#include "vnimg/moments.h"

namespace vnimg::focus {

std::uint64_t Focus8Plain(const VnBW8* p, const VnBW8* below, int n, int step) {
  return FocusTerms(p, below, 0, n, step);
}

const simd::Variants<Focus8Fn>& Focus8Variants() {
  static constexpr simd::Variants<Focus8Fn> kVariants{&Focus8Plain, VNIMG_X86_VARIANT(Focus8Sse2),
                                                      VNIMG_X86_VARIANT(Focus8Avx2), nullptr};
  return kVariants;
}

namespace {

// sqrt(sum of the row terms / (components x width x height)); rowTerms(row, below, n) sums
// the n origins of a row. A row is not longer than its pitch, so its sum fits 64 bits.
template <class T, class RowTerms>
float Focus(VnROI<T>* src, const char* trace, int components, RowTerms rowTerms) {
  VnOk();
  if (!frame::CheckEachRoi(trace, {src})) return 0;
  const int width = src->GetWidth(), height = src->GetHeight();
  if (width < 2 || height < 2) return 0;
  const frame::Rows<T> rows(*src);
  double sum = 0;
  for (int y = 0; y + 1 < height; ++y)
    sum += static_cast<double>(rowTerms(rows.Row(y), rows.Row(y + 1), components * (width - 1)));
  return static_cast<float>(std::sqrt(sum / (double(components) * width * height)));
}

// Pair counts of a 256 x 256 correlogram: counts[a + 256 (255 - b)]. Below 2^32 pixels no
// count can wrap; beyond, the counts stop at the top.
std::unique_ptr<std::uint32_t[]> CountPairs(const VnROI<VnBW8>& a, const VnROI<VnBW8>& b) {
  std::unique_ptr<std::uint32_t[]> table(new (std::nothrow) std::uint32_t[65536]());
  if (!table) return table;
  std::uint32_t* const counts = table.get();
  const bool canWrap = std::uint64_t(a.GetWidth()) * std::uint64_t(a.GetHeight()) > 0xFFFFFFFFu;
  frame::ForEachRow(a, b, [&](const VnBW8* pa, const VnBW8* pb, int width) {
    if (canWrap) {
      for (int x = 0; x < width; ++x) {
        std::uint32_t& c = counts[pa[x] + 256 * (255 - pb[x])];
        c += c != 0xFFFFFFFFu;
      }
      return;
    }
    for (int x = 0; x < width; ++x) ++counts[pa[x] + 256 * (255 - pb[x])];
  });
  return table;
}

template <class T>
void Correlogram(VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnImage<T>* dst, const char* trace) {
  VnOk();
  if (!frame::CheckNotNull(trace, {dst}) || !frame::CheckRois(trace, {a, b})) return;
  const std::unique_ptr<std::uint32_t[]> counts = CountPairs(*a, *b);
  if (!counts) return frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  VnOk();
  dst->SetSize(256, 256);
  if (VnGetError() != VN_OK || dst->Void()) {
    if (VnGetError() == VN_OK) VnSetError(VN_ERR_OUT_OF_MEMORY);
    return frame::Trace(trace);
  }
  constexpr std::uint32_t kMax = static_cast<T>(~T{0});
  for (int row = 0; row < 256; ++row) {
    T* d = dst->GetImagePtr(0, row);
    for (int column = 0; column < 256; ++column) d[column] = static_cast<T>(std::min(counts[column + 256 * row], kMax));
  }
}

// Sums of the regression over the counted pairs.
struct PairSums {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
};

PairSums SumPairs(const VnROI<VnBW8>& x, const VnROI<VnBW8>& y, bool skipExtremes) {
  PairSums sums;
  frame::ForEachRow(x, y, [&](const VnBW8* px, const VnBW8* py, int width) {
    std::uint64_t n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
    for (int i = 0; i < width; ++i) {
      const std::uint64_t a = px[i], b = py[i];
      if (skipExtremes && (a == 0 || a == 255 || b == 0 || b == 255)) continue;
      ++n, sx += a, sy += b, sxx += a * a, sxy += a * b, syy += b * b;
    }
    sums.n += double(n), sums.sx += double(sx), sums.sy += double(sy);
    sums.sxx += double(sxx), sums.sxy += double(sxy), sums.syy += double(syy);
  });
  return sums;
}

}  // namespace
}  // namespace vnimg::focus

using namespace vnimg;

float ImgFocusing(VnROI<VnBW8>* src) {
  const focus::Focus8Fn run = focus::Focus8Variants().Pick();
  return focus::Focus(src, "ImgFocusing ( BW8)", 1, [run](const VnBW8* p, const VnBW8* q, int n) { return run(p, q, n, 1); });
}

float ImgFocusing(VnROI<VnBW16>* src) {
  return focus::Focus(src, "ImgFocusing ( BW16)", 1,
                      [](const VnBW16* p, const VnBW16* q, int n) { return focus::FocusTerms(p, q, 0, n, 1); });
}

float ImgFocusing(VnROI<VnC24>* src) {
  const focus::Focus8Fn run = focus::Focus8Variants().Pick();
  return focus::Focus(src, "ImgFocusing ( C24)", 3, [run](const VnC24* p, const VnC24* q, int n) {
    return run(reinterpret_cast<const VnBW8*>(p), reinterpret_cast<const VnBW8*>(q), n, 3);
  });
}

void ImgCorrelogram(VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnImage<VnBW8>* dst) {
  focus::Correlogram(a, b, dst, "ImgCorrelogram ( BW8)");
}

void ImgCorrelogram(VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnImage<VnBW16>* dst) {
  focus::Correlogram(a, b, dst, "ImgCorrelogram ( BW16)");
}

void ImgLinearRegression(VnROI<VnBW8>* x, VnROI<VnBW8>* y, float& slope, float& offset, float& correlation,
                         int skipExtremes) {
  constexpr const char* kTrace = "ImgLinearRegression";
  slope = offset = correlation = 0;
  VnOk();
  if (!frame::CheckRois(kTrace, {x, y})) return;
  const focus::PairSums s = focus::SumPairs(*x, *y, skipExtremes != 0);
  if (s.n == 0) return frame::Fail(VN_ERR_EMPTY_HISTOGRAM_RANGE, kTrace);
  const double mx = s.sx / s.n, my = s.sy / s.n;
  const double vx = s.sxx / s.n - mx * mx, cxy = s.sxy / s.n - mx * my, vy = s.syy / s.n - my * my;
  if (vx == 0) {
    offset = static_cast<float>(my);
    return frame::Fail(VN_ERR_EMPTY_HISTOGRAM_RANGE, kTrace);
  }
  const double b = cxy / vx;
  slope = static_cast<float>(b);
  offset = static_cast<float>(my - b * mx);
  correlation = vx * vy <= 0 ? 0.0f : static_cast<float>(cxy / std::sqrt(vx * vy));
}
