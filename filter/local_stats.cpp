// Local standard deviation over a rectangular window: running column sums of the pixels and of
// their squares, a window sliding along each row, exact integer sums throughout.
#include <cstring>
#include <exception>
#include <vector>

#include "filter/filter_frame.h"
#include "filter/local_stats_kernels.h"
#include "vnimg/gradient.h"
#include "vnimg/predefined_filter.h"

namespace vnimg::filter {

template <class T>
static void ColumnUpdateRows(const T* entering, const T* leaving, std::uint32_t* s, SquareSum<T>* q, int width) {
  for (int x = 0; x < width; ++x) UpdateColumn(entering, leaving, s, q, x);
}
template <class T>
static void DeviationRows(const std::uint64_t* s, const std::uint64_t* q, double n, T* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = DeviationPixel<T>(s[x], q[x], n);
}

void ColumnUpdatePlain(const VnBW8* entering, const VnBW8* leaving, std::uint32_t* s, std::uint32_t* q, int width) {
  ColumnUpdateRows(entering, leaving, s, q, width);
}
void ColumnUpdatePlain(const VnBW16* entering, const VnBW16* leaving, std::uint32_t* s, std::uint64_t* q, int width) {
  ColumnUpdateRows(entering, leaving, s, q, width);
}
void SlideInteriorPlain(const std::uint32_t* s, const std::uint32_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ) {
  SlideInteriorSteps(s, q, half, from, to, outS, outQ);
}
void SlideInteriorPlain(const std::uint32_t* s, const std::uint64_t* q, int half, int from, int to, std::uint64_t* outS, std::uint64_t* outQ) {
  SlideInteriorSteps(s, q, half, from, to, outS, outQ);
}
void DeviationRowPlain(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW8* dst, int width) { DeviationRows(s, q, n, dst, width); }
void DeviationRowPlain(const std::uint64_t* s, const std::uint64_t* q, double n, VnBW16* dst, int width) { DeviationRows(s, q, n, dst, width); }

template <>
const simd::Variants<SlideInteriorFn<std::uint32_t>>& SlideInteriorVariants<std::uint32_t>() {
  static constexpr simd::Variants<SlideInteriorFn<std::uint32_t>> kVariants{
      .plain = SlideInteriorPlain,
      .avx512 = VNIMG_X86_VARIANT(SlideInteriorAvx512),
  };
  return kVariants;
}
template <>
const simd::Variants<SlideInteriorFn<std::uint64_t>>& SlideInteriorVariants<std::uint64_t>() {
  static constexpr simd::Variants<SlideInteriorFn<std::uint64_t>> kVariants{
      .plain = SlideInteriorPlain,
      .avx512 = VNIMG_X86_VARIANT(SlideInteriorAvx512),
  };
  return kVariants;
}
template <>
const simd::Variants<ColumnUpdateFn<VnBW8>>& ColumnUpdateVariants<VnBW8>() {
  static constexpr simd::Variants<ColumnUpdateFn<VnBW8>> kVariants{
      .plain = ColumnUpdatePlain,
      .sse2 = VNIMG_X86_VARIANT(ColumnUpdateSse2),
      .avx2 = VNIMG_X86_VARIANT(ColumnUpdateAvx2),
  };
  return kVariants;
}
template <>
const simd::Variants<ColumnUpdateFn<VnBW16>>& ColumnUpdateVariants<VnBW16>() {
  static constexpr simd::Variants<ColumnUpdateFn<VnBW16>> kVariants{
      .plain = ColumnUpdatePlain,
      .sse2 = VNIMG_X86_VARIANT(ColumnUpdateSse2),
      .avx2 = VNIMG_X86_VARIANT(ColumnUpdateAvx2),
  };
  return kVariants;
}
template <>
const simd::Variants<DeviationRowFn<VnBW8>>& DeviationRowVariants<VnBW8>() {
  static constexpr simd::Variants<DeviationRowFn<VnBW8>> kVariants{
      .plain = DeviationRowPlain,
      .sse2 = VNIMG_X86_VARIANT(DeviationRowSse2),
      .avx2 = VNIMG_X86_VARIANT(DeviationRowAvx2),
  };
  return kVariants;
}
template <>
const simd::Variants<DeviationRowFn<VnBW16>>& DeviationRowVariants<VnBW16>() {
  static constexpr simd::Variants<DeviationRowFn<VnBW16>> kVariants{
      .plain = DeviationRowPlain,
      .sse2 = VNIMG_X86_VARIANT(DeviationRowSse2),
      .avx2 = VNIMG_X86_VARIANT(DeviationRowAvx2),
  };
  return kVariants;
}

namespace {

constexpr unsigned kMaxHalf = 32767;

// Unsigned 128-bit arithmetic for the windows whose n Q - S^2 passes 2^52.
struct U128 {
  std::uint64_t hi = 0, lo = 0;
  friend bool operator<(U128 a, U128 b) { return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo; }
};
U128 Multiply(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const std::uint64_t low = a0 * b0, middle1 = a1 * b0, middle2 = a0 * b1;
  const std::uint64_t carry = ((low >> 32) + (middle1 & 0xFFFFFFFFu) + (middle2 & 0xFFFFFFFFu)) >> 32;
  return {a1 * b1 + (middle1 >> 32) + (middle2 >> 32) + carry, a * b};
}
U128 Subtract(U128 a, U128 b) { return {a.hi - b.hi - (a.lo < b.lo), a.lo - b.lo}; }

// floor(sqrt(v)) for v below 2^126: the double estimate is off by a few units at most.
std::uint64_t SquareRoot(U128 v) {
  std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(std::ldexp(static_cast<double>(v.hi), 64) + static_cast<double>(v.lo)));
  while (v < Multiply(r, r)) --r;
  while (!(v < Multiply(r + 1, r + 1))) ++r;
  return r;
}

template <class T>
T WideDeviationPixel(std::uint64_t s, std::uint64_t q, std::uint64_t n) {
  const std::uint64_t d = SquareRoot(Subtract(Multiply(n, q), Multiply(s, s))) / n;
  return static_cast<T>(std::min<std::uint64_t>(d, static_cast<std::uint64_t>(kPixelMax<T>)));
}

// outS[x], outQ[x] = sums of s and q over columns x - half .. x + half, clamped into
// 0..width - 1: the first windows by weights, then one column in and one out per pixel
// (modulo 2^64, exact). The steps that clamp no column, all but about 2 half of them, go to
// the interior kernel.
template <class Q>
void SlideWindows(const std::uint32_t* s, const Q* q, int width, int half, SlideInteriorFn<Q> interior, std::uint64_t* outS,
                  std::uint64_t* outQ) {
  const int inside = std::min(half, width - 1);
  std::uint64_t sumS = std::uint64_t(half + 1) * s[0] + std::uint64_t(half - inside) * s[width - 1];
  std::uint64_t sumQ = std::uint64_t(half + 1) * q[0] + std::uint64_t(half - inside) * q[width - 1];
  for (int i = 1; i <= inside; ++i) sumS += s[i], sumQ += q[i];
  outS[0] = sumS, outQ[0] = sumQ;
  const auto clampedSteps = [&](int from, int to) {
    for (int x = from; x < to; ++x) {
      const int in = std::min(x + 1 + half, width - 1), out = std::max(x - half, 0);
      outS[x + 1] = outS[x] + (std::uint64_t{s[in]} - s[out]);
      outQ[x + 1] = outQ[x] + (std::uint64_t{q[in]} - q[out]);
    }
  };
  // Step x clamps nothing when x - half >= 0 and x + 1 + half <= width - 1.
  const int first = inside, last = std::max(first, width - 1 - half);
  clampedSteps(0, first);
  interior(s, q, half, first, last, outS, outQ);
  clampedSteps(last, width - 1);
}

template <class T>
void Deviation(const VnROI<T>& src, VnROI<T>& dst, int halfX, int halfY) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const std::size_t w = static_cast<std::size_t>(width);
  const double windowArea = double(2 * halfX + 1) * double(2 * halfY + 1);
  const bool exactInDoubles = windowArea * kPixelMax<T> < 0x1p26;
  const ColumnUpdateFn<T> update = ColumnUpdateVariants<T>().Pick();
  const DeviationRowFn<T> finish = DeviationRowVariants<T>().Pick();
  const SlideInteriorFn<SquareSum<T>> interior = SlideInteriorVariants<SquareSum<T>>().Pick();
  // Rows y - halfY .. y + halfY + 1 are alive at once; copies keep them when dst is src.
  LineRing<T> ring(std::min(2 * halfY + 2, height), w + kLineSlack);
  const frame::Rows<T> in(src), out(dst);
  auto row = [&](int r) {
    return ring.Get(std::clamp(r, 0, height - 1), [&](int k, T* line) { std::memcpy(line, in.Row(k), sizeof(T) * w); });
  };
  std::vector<std::uint32_t> s(w);
  std::vector<SquareSum<T>> q(w);
  std::vector<std::uint64_t> windowS(w), windowQ(w);
  auto add = [&](const T* line, std::uint64_t weight) {
    for (std::size_t x = 0; x < w; ++x) s[x] += std::uint32_t(weight * line[x]), q[x] += SquareSum<T>(weight * line[x] * line[x]);
  };
  const int inside = std::min(halfY, height - 1);
  add(row(0), std::uint64_t(halfY) + 1);
  for (int j = 1; j <= inside; ++j) add(row(j), 1);
  if (halfY > inside) add(row(height - 1), std::uint64_t(halfY - inside));  // only then is the ring a row per row
  const std::uint64_t n = static_cast<std::uint64_t>(windowArea);
  for (int y = 0; y < height; ++y) {
    SlideWindows(s.data(), q.data(), width, halfX, interior, windowS.data(), windowQ.data());
    T* d = out.Row(y);
    if (exactInDoubles) {
      finish(windowS.data(), windowQ.data(), windowArea, d, width);
    } else {
      for (int x = 0; x < width; ++x) d[x] = WideDeviationPixel<T>(windowS[x], windowQ[x], n);
    }
    if (y + 1 < height) update(row(y + 1 + halfY), row(y - halfY), s.data(), q.data(), width);
  }
}

template <class T>
void LocalDeviation(const VnROI<T>* src, VnROI<T>* dst, unsigned halfX, unsigned halfY, const char* trace) {
  VnOk();
  if (halfX > kMaxHalf) return frame::Fail(VN_ERR_PARAM_3, trace);
  if (halfY > kMaxHalf) return frame::Fail(VN_ERR_PARAM_4, trace);
  if (!frame::CheckRois(trace, {src, dst})) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  try {
    WithSourceApartFrom(*src, *dst, [&](const VnROI<T>& source) { Deviation(source, *dst, int(halfX), int(halfY)); });
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

}  // namespace
}  // namespace vnimg::filter

void ImgLocalAverage(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  ImgConvolUniform(src, dst, halfX, halfY);
  if (VnGetError()) VnTraceError("ImgLocalAverage");
}
void ImgLocalAverage(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY) {
  ImgConvolUniform(src, dst, halfX, halfY);
  if (VnGetError()) VnTraceError("ImgLocalAverage (BW16)");
}

void ImgLocalDeviation(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) {
  vnimg::filter::LocalDeviation(src, dst, halfX, halfY, "ImgLocalDeviation");
}
void ImgLocalDeviation(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY) {
  vnimg::filter::LocalDeviation(src, dst, halfX, halfY, "ImgLocalDeviation (BW16)");
}
