// Binary and weighted moments up to the fourth order.
#include <algorithm>
#include <cstddef>

#include "foundation/frame.h"
#include "statistics/moments_sums.h"
#include "vnimg/moments.h"

namespace vnimg::moments {
namespace {

// Orders 1 and 2, and m00, m10, m01 of every order: each row adds float(y^q row[p]) to mpq,
// the product exact. The second order's m11 runs the same way over sum of w (x - y)².
struct RowMoments {
  int order;
  float m00 = 0, m10 = 0, m01 = 0, m20 = 0, m02 = 0, distance = 0;

  void AddRow(const RowSums& row, unsigned y) {
    const Wide s0 = row.s[0], s1 = row.s[1], yw = y;
    m00 += static_cast<float>(s0);
    m10 += static_cast<float>(s1);
    m01 += static_cast<float>(yw * s0);
    if (order < 2) return;
    m20 += static_cast<float>(row.s[2]);
    m02 += static_cast<float>(yw * yw * s0);
    // sum of w (x - y)² >= 0, so the unsigned expression does not wrap at the end
    distance += static_cast<float>(row.s[2] + yw * yw * s0 - 2 * yw * s1);
  }
  template <std::size_t N>
  void Store(float* const (&out)[N]) const {
    *out[0] = m00, *out[1] = m10, *out[2] = m01;
    if constexpr (N == 6) *out[3] = m20, *out[4] = (m20 + m02 - distance) / 2, *out[5] = m02;
  }
};

// The third and fourth orders' terms of a row from m20 on, its weights taken in pieces.
template <class T, class Weight>
void AddRowTerms(const T* row, int width, int y, int order, Weight weight, PixelTermsFn terms, float* out) {
  constexpr int kPiece = 1024;
  double w[kPiece];
  for (int x0 = 0; x0 < width; x0 += kPiece) {
    const int n = std::min(kPiece, width - x0);
    for (int i = 0; i < n; ++i) w[i] = weight(row[x0 + i]);
    terms(w, x0, n, y, order, out);
  }
}

constexpr int OrderOf(std::size_t outputs) { return outputs == 3 ? 1 : outputs == 6 ? 2 : outputs == 10 ? 3 : 4; }

// The frame of every moment operation; stretchSums(pixels, count, order, sums) adds the power
// sums of `count` pixels, weight(pixel) is the pixel's weight.
template <class T, std::size_t N, class StretchSums, class Weight>
void Moments(VnROI<T>* src, const char* trace, float* const (&out)[N], StretchSums stretchSums, Weight weight) {
  for (float* o : out) *o = 0;
  VnOk();
  if (!frame::CheckEachRoi(trace, {src})) return;
  const int order = OrderOf(N), width = src->GetWidth();
  RowMoments rows{order <= 2 ? order : 1};
  float higher[12] = {};  // orders 3 and 4: m20 on
  const PixelTermsFn terms = PixelTermsVariants().Pick();
  const frame::Rows<T> image(*src);
  for (int y = 0; y < src->GetHeight(); ++y) {
    const T* row = image.Row(y);
    const auto sums = [&](int first, int count, PowerSums& s) { stretchSums(row + first, count, rows.order, s); };
    rows.AddRow(SpanSums(width, 0, rows.order, sums), static_cast<unsigned>(y));
    if (order > 2) AddRowTerms(row, width, y, order, weight, terms, higher);
  }
  rows.Store(out);
  if (order > 2)
    for (std::size_t i = 3; i < N; ++i) *out[i] = higher[i - 3];
}

template <std::size_t N>
void Binary(VnROI<VnBW8>* src, unsigned threshold, const char* trace, float* const (&out)[N]) {
  const Binary8Fn run = Binary8Variants().Pick();
  Moments(src, trace, out, [&](const VnBW8* p, int n, int order, PowerSums& s) { run(p, n, threshold, order, s); },
          [threshold](VnBW8 v) { return double(BinaryWeight(v, threshold)); });
}

template <std::size_t N>
void Binary(VnROI<VnBW16>* src, unsigned threshold, const char* trace, float* const (&out)[N]) {
  const auto weight = [threshold](VnBW16 v) { return BinaryWeight(v, threshold); };
  Moments(src, trace, out, [&](const VnBW16* p, int n, int order, PowerSums& s) { AddPowerSums(p, 0, n, order, weight, s); },
          weight);
}

template <std::size_t N>
void Weighted(VnROI<VnBW8>* src, const char* trace, float* const (&out)[N]) {
  const Weighted8Fn run = Weighted8Variants().Pick();
  Moments(src, trace, out, run, [](VnBW8 v) { return double(v); });
}

template <std::size_t N>
void Weighted(VnROI<VnBW16>* src, const char* trace, float* const (&out)[N]) {
  Moments(src, trace, out, [](const VnBW16* p, int n, int order, PowerSums& s) {
    AddPowerSums(p, 0, n, order, [](VnBW16 v) { return unsigned{v}; }, s);
  }, [](VnBW16 v) { return double(v); });
}

}  // namespace
}  // namespace vnimg::moments

using vnimg::moments::Binary;
using vnimg::moments::Weighted;

void ImgBinaryMoments(VnROI<VnBW8>* src, unsigned int threshold, float& m00, float& m10, float& m01) {
  Binary(src, threshold, "ImgBinaryMoments ( first order)", {&m00, &m10, &m01});
}
void ImgBinaryMoments(VnROI<VnBW8>* src, unsigned int threshold, float& m00, float& m10, float& m01, float& m20,
                      float& m11, float& m02) {
  Binary(src, threshold, "ImgBinaryMoments ( second order)", {&m00, &m10, &m01, &m20, &m11, &m02});
}
void ImgBinaryMoments(VnROI<VnBW16>* src, unsigned int threshold, float& m00, float& m10, float& m01) {
  Binary(src, threshold, "ImgBinaryMoments (first order)(BW16)", {&m00, &m10, &m01});
}
void ImgBinaryMoments(VnROI<VnBW16>* src, unsigned int threshold, float& m00, float& m10, float& m01, float& m20,
                      float& m11, float& m02) {
  Binary(src, threshold, "ImgBinaryMoments (second order)(BW16)", {&m00, &m10, &m01, &m20, &m11, &m02});
}

void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01) {
  Weighted(src, "ImgWeightedMoments ( first order)", {&m00, &m10, &m01});
}
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02) {
  Weighted(src, "ImgWeightedMoments ( second order)", {&m00, &m10, &m01, &m20, &m11, &m02});
}
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03) {
  Weighted(src, "ImgWeightedMoments ( third order)", {&m00, &m10, &m01, &m20, &m11, &m02, &m30, &m21, &m12, &m03});
}
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                        float& m13, float& m04) {
  Weighted(src, "ImgWeightedMoments ( fourth order)",
           {&m00, &m10, &m01, &m20, &m11, &m02, &m30, &m21, &m12, &m03, &m40, &m31, &m22, &m13, &m04});
}
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01) {
  Weighted(src, "ImgWeightedMoments (first order)(BW16)", {&m00, &m10, &m01});
}
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02) {
  Weighted(src, "ImgWeightedMoments (second order)(BW16)", {&m00, &m10, &m01, &m20, &m11, &m02});
}
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03) {
  Weighted(src, "ImgWeightedMoments (third order)(BW16)", {&m00, &m10, &m01, &m20, &m11, &m02, &m30, &m21, &m12, &m03});
}
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                        float& m13, float& m04) {
  Weighted(src, "ImgWeightedMoments (fourth order)(BW16)",
           {&m00, &m10, &m01, &m20, &m11, &m02, &m30, &m21, &m12, &m03, &m40, &m31, &m22, &m13, &m04});
}

void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01) { ImgWeightedMoments(src, m00, m10, m01); }
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02) {
  ImgWeightedMoments(src, m00, m10, m01, m20, m11, m02);
}
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03) {
  ImgWeightedMoments(src, m00, m10, m01, m20, m11, m02, m30, m21, m12, m03);
}
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                       float& m13, float& m04) {
  ImgWeightedMoments(src, m00, m10, m01, m20, m11, m02, m30, m21, m12, m03, m40, m31, m22, m13, m04);
}
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01) { ImgWeightedMoments(src, m00, m10, m01); }
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02) {
  ImgWeightedMoments(src, m00, m10, m01, m20, m11, m02);
}
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03) {
  ImgWeightedMoments(src, m00, m10, m01, m20, m11, m02, m30, m21, m12, m03);
}
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                       float& m13, float& m04) {
  ImgWeightedMoments(src, m00, m10, m01, m20, m11, m02, m30, m21, m12, m03, m40, m31, m22, m13, m04);
}
