// Binary and weighted moments up to the fourth order.
#include <cstddef>

#include "foundation/frame.h"
#include "statistics/moments_sums.h"
#include "vnimg/moments.h"

namespace vnimg::moments {
namespace {

// m[p][q] = sum of w x^p y^q, rows added one at a time.
struct MomentSums {
  int order;
  double m[kMaxOrder + 1][kMaxOrder + 1] = {};
  double distance = 0;  // sum of w (x - y)²: the second order's route to m11

  void AddRow(const double* row, double y) {
    double yq = 1;
    for (int q = 0; q <= order; ++q, yq *= y)
      for (int p = 0; p + q <= order; ++p) m[p][q] += row[p] * yq;
    if (order == 2) distance += row[2] - 2 * y * row[1] + y * y * row[0];
  }
  // The outputs in their order: degree by degree, the power of x falling.
  void Store(float* const* out) const {
    for (int degree = 0, i = 0; degree <= order; ++degree)
      for (int p = degree; p >= 0; --p) *out[i++] = static_cast<float>(m[p][degree - p]);
    if (order == 2) *out[4] = static_cast<float>((m[2][0] + m[0][2] - distance) / 2);
  }
};

constexpr int OrderOf(std::size_t outputs) { return outputs == 3 ? 1 : outputs == 6 ? 2 : outputs == 10 ? 3 : 4; }

// The frame of every moment operation; stretchSums(pixels, count, order, sums) adds the power
// sums of `count` pixels.
template <class T, std::size_t N, class StretchSums>
void Moments(VnROI<T>* src, const char* trace, float* const (&out)[N], StretchSums stretchSums) {
  for (float* o : out) *o = 0;
  VnOk();
  if (!frame::CheckEachRoi(trace, {src})) return;
  MomentSums sums{OrderOf(N)};
  const frame::Rows<T> rows(*src);
  double row[kMaxOrder + 1];
  for (int y = 0; y < src->GetHeight(); ++y) {
    const T* pixels = rows.Row(y);
    SpanMoments(src->GetWidth(), 0, sums.order,
                [&](int first, int count, PowerSums& s) { stretchSums(pixels + first, count, sums.order, s); }, row);
    sums.AddRow(row, y);
  }
  sums.Store(out);
}

template <std::size_t N>
void Binary(VnROI<VnBW8>* src, unsigned threshold, const char* trace, float* const (&out)[N]) {
  const Binary8Fn run = Binary8Variants().Pick();
  Moments(src, trace, out, [&](const VnBW8* p, int n, int order, PowerSums& s) { run(p, n, threshold, order, s); });
}

template <std::size_t N>
void Binary(VnROI<VnBW16>* src, unsigned threshold, const char* trace, float* const (&out)[N]) {
  Moments(src, trace, out, [&](const VnBW16* p, int n, int order, PowerSums& s) {
    AddPowerSums(p, 0, n, order, [threshold](VnBW16 v) { return BinaryWeight(v, threshold); }, s);
  });
}

template <std::size_t N>
void Weighted(VnROI<VnBW8>* src, const char* trace, float* const (&out)[N]) {
  const Weighted8Fn run = Weighted8Variants().Pick();
  Moments(src, trace, out, run);
}

template <std::size_t N>
void Weighted(VnROI<VnBW16>* src, const char* trace, float* const (&out)[N]) {
  Moments(src, trace, out, [](const VnBW16* p, int n, int order, PowerSums& s) {
    AddPowerSums(p, 0, n, order, [](VnBW16 v) { return unsigned{v}; }, s);
  });
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
