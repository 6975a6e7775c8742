// Noise of an image against a reference: RMS noise and signal-to-noise ratio.
#include <cmath>

#include "foundation/frame.h"
#include "vnimg/moments.h"

namespace vnimg::noise {
namespace {

// D = sum of (src - ref)², S = sum of src², over every pixel and component. The RMS noise
// carries D across rows in float, the ratio carries D and S in double.
struct NoiseSums {
  float dFloat = 0;
  double d = 0, s = 0;
};

// The components of a pixel, as numbers.
inline int Components(VnBW8) { return 1; }
inline int Components(VnBW16) { return 1; }
inline int Components(VnC24) { return 3; }
inline unsigned Component(VnBW8 v, int) { return v; }
inline unsigned Component(VnBW16 v, int) { return v; }
inline unsigned Component(VnC24 v, int c) { return c == 0 ? v.c0 : c == 1 ? v.c1 : v.c2; }

// Row sums are exact 64-bit integers (a row is shorter than its pitch); each row adds
// float(row D) to the float D and double(row D), double(row S) to the others.
template <class S, class R>
NoiseSums SumNoise(const VnROI<S>& src, const VnROI<R>& ref, unsigned shift) {
  NoiseSums sums;
  frame::ForEachRow(src, ref, [&](const S* s, const R* r, int width) {
    std::uint64_t d = 0, signal = 0;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < Components(s[x]); ++c) {
        const std::int64_t a = Component(s[x], c), b = Component(r[x], c) >> shift;
        d += static_cast<std::uint64_t>((a - b) * (a - b));
        signal += static_cast<std::uint64_t>(a * a);
      }
    sums.dFloat += static_cast<float>(d);
    sums.d += static_cast<double>(d);
    sums.s += static_cast<double>(signal);
  });
  return sums;
}

// The reference's own noise: D is divided by this factor.
double Correction(IMG_REFERENCE_NOISE mode, unsigned n) {
  if (mode == IMG_REFERENCE_INDEPENDENT) return 1 + 1.0 / n;
  if (mode == IMG_REFERENCE_INCLUDES_SOURCE) return 1 - 1.0 / n;
  return 1;
}

bool IsFrameCount(unsigned n) { return n >= 1 && n <= 256 && (n & (n - 1)) == 0; }

// The checks of every form; false (traced) when one fails.
template <class S, class R>
bool CheckNoise(VnROI<S>* src, VnROI<R>* ref, unsigned n, IMG_REFERENCE_NOISE mode, const char* trace) {
  VnOk();
  if (!frame::CheckNotNull(trace, {src, ref})) return false;
  // With n = 1 the correction of a reference that includes the source divides by zero.
  if (!IsFrameCount(n) || (mode == IMG_REFERENCE_INCLUDES_SOURCE && n == 1)) {
    frame::Fail(VN_ERR_PARAM_3, trace);
    return false;
  }
  return frame::CheckRois(trace, {src, ref});
}

unsigned Log2(unsigned n) {
  unsigned k = 0;
  while ((1u << k) < n) ++k;
  return k;
}

template <class S, class R>
float RmsNoise(VnROI<S>* src, VnROI<R>* ref, unsigned n, IMG_REFERENCE_NOISE mode, const char* trace) {
  if (!CheckNoise(src, ref, n, mode, trace)) return 0;
  const double pixels = double(src->GetWidth()) * src->GetHeight();
  if (pixels == 0) return 0;
  const NoiseSums sums = SumNoise(*src, *ref, Log2(n));
  // the correction, the division and the root in double
  return static_cast<float>(std::sqrt(double{sums.dFloat} / Correction(mode, n) / pixels));
}

template <class S, class R>
float SignalNoiseRatio(VnROI<S>* src, VnROI<R>* ref, unsigned n, IMG_REFERENCE_NOISE mode, const char* trace) {
  if (!CheckNoise(src, ref, n, mode, trace)) return 0;
  const NoiseSums sums = SumNoise(*src, *ref, Log2(n));
  if (sums.d == 0) return 0;
  return static_cast<float>(10 * std::log10(sums.s / sums.d) + 10 * std::log10(Correction(mode, n)));
}

}  // namespace
}  // namespace vnimg::noise

using vnimg::noise::RmsNoise;
using vnimg::noise::SignalNoiseRatio;

float ImgRmsNoise(VnROI<VnBW8>* src, VnROI<VnBW8>* ref, IMG_REFERENCE_NOISE mode) {
  return RmsNoise(src, ref, 1, mode, "ImgRmsNoise ( BW8 source and BW8 reference)");
}
float ImgRmsNoise(VnROI<VnBW16>* src, VnROI<VnBW16>* ref, IMG_REFERENCE_NOISE mode) {
  return RmsNoise(src, ref, 1, mode, "ImgRmsNoise ( BW16 source and BW16 reference)");
}
float ImgRmsNoise(VnROI<VnC24>* src, VnROI<VnC24>* ref, IMG_REFERENCE_NOISE mode) {
  return RmsNoise(src, ref, 1, mode, "ImgRmsNoise ( C24 source and C24 reference)");
}
float ImgRmsNoise(VnROI<VnBW8>* src, VnROI<VnBW16>* ref, unsigned int n, IMG_REFERENCE_NOISE mode) {
  return RmsNoise(src, ref, n, mode, "ImgRmsNoise ( BW8 source and BW16 reference)");
}

float ImgSignalNoiseRatio(VnROI<VnBW8>* src, VnROI<VnBW8>* ref, IMG_REFERENCE_NOISE mode) {
  return SignalNoiseRatio(src, ref, 1, mode, "ImgSignalNoiseRatio ( BW8 source and BW8 reference)");
}
float ImgSignalNoiseRatio(VnROI<VnBW8>* src, VnROI<VnBW16>* ref, unsigned int n, IMG_REFERENCE_NOISE mode) {
  return SignalNoiseRatio(src, ref, n, mode, "ImgSignalNoiseRatio ( BW8 source and BW16 reference)");
}
float ImgSignalNoiseRatio(VnROI<VnBW16>* src, VnROI<VnBW16>* ref, IMG_REFERENCE_NOISE mode) {
  return SignalNoiseRatio(src, ref, 1, mode, "ImgSignalNoiseRatio ( BW16 source and BW16 reference)");
}
float ImgSignalNoiseRatio(VnROI<VnC24>* src, VnROI<VnC24>* ref, IMG_REFERENCE_NOISE mode) {
  return SignalNoiseRatio(src, ref, 1, mode, "ImgSignalNoiseRatio ( C24 source and C24 reference)");
}
