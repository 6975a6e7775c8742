// Convolution with a user kernel: the effective coefficients, the choice of path (general
// double precision with the outside value, or fixed point with replicated edges), the
// symmetric form and the colour forms.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <type_traits>
#include <vector>

#include "filter/convol_kernels.h"
#include "filter/filter_frame.h"
#include "vnimg/filter.h"

namespace vnimg::filter {

template <class T>
static void FixedRows(const T* const* lines, const FixedKernel& k, T* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = FixedPixel<T>(FixedSum(lines, k, x), k);
}
template <class T>
static void GeneralRows(const double* const* lines, const GeneralKernel& k, T* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = GeneralPixel<T>(GeneralSum(lines, k, x), k);
}

void FixedRowPlain(const VnBW8* const* lines, const FixedKernel& k, VnBW8* dst, int width) { FixedRows(lines, k, dst, width); }
void FixedRowPlain(const VnBW16* const* lines, const FixedKernel& k, VnBW16* dst, int width) { FixedRows(lines, k, dst, width); }
void GeneralRowPlain(const double* const* lines, const GeneralKernel& k, VnBW8* dst, int width) { GeneralRows(lines, k, dst, width); }
void GeneralRowPlain(const double* const* lines, const GeneralKernel& k, VnBW16* dst, int width) { GeneralRows(lines, k, dst, width); }

template <>
const simd::Variants<FixedRowFn<VnBW8>>& FixedRowVariants<VnBW8>() {
  static constexpr simd::Variants<FixedRowFn<VnBW8>> kVariants{
      .plain = FixedRowPlain,
      .sse2 = VNIMG_X86_VARIANT(FixedRowSse2),
      .avx2 = VNIMG_X86_VARIANT(FixedRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(FixedRowAvx512),
  };
  return kVariants;
}
template <>
const simd::Variants<FixedRowFn<VnBW16>>& FixedRowVariants<VnBW16>() {
  static constexpr simd::Variants<FixedRowFn<VnBW16>> kVariants{
      .plain = FixedRowPlain,
      .sse2 = VNIMG_X86_VARIANT(FixedRowSse2),
      .avx2 = VNIMG_X86_VARIANT(FixedRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(FixedRowAvx512),
  };
  return kVariants;
}
template <>
const simd::Variants<GeneralRowFn<VnBW8>>& GeneralRowVariants<VnBW8>() {
  static constexpr simd::Variants<GeneralRowFn<VnBW8>> kVariants{
      .plain = GeneralRowPlain,
      .sse2 = VNIMG_X86_VARIANT(GeneralRowSse2),
      .avx2 = VNIMG_X86_VARIANT(GeneralRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(GeneralRowAvx512),
  };
  return kVariants;
}
template <>
const simd::Variants<GeneralRowFn<VnBW16>>& GeneralRowVariants<VnBW16>() {
  static constexpr simd::Variants<GeneralRowFn<VnBW16>> kVariants{
      .plain = GeneralRowPlain,
      .sse2 = VNIMG_X86_VARIANT(GeneralRowSse2),
      .avx2 = VNIMG_X86_VARIANT(GeneralRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(GeneralRowAvx512),
  };
  return kVariants;
}

template <>
const simd::Variants<DyadicRowFn<VnBW8>>& DyadicRowVariants<VnBW8>() {
  static constexpr simd::Variants<DyadicRowFn<VnBW8>> kVariants{
      .avx2 = VNIMG_X86_VARIANT(DyadicRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(DyadicRowAvx512),
  };
  return kVariants;
}

template <>
const simd::Variants<DyadicRowFn<VnBW16>>& DyadicRowVariants<VnBW16>() {
  static constexpr simd::Variants<DyadicRowFn<VnBW16>> kVariants{
      .avx2 = VNIMG_X86_VARIANT(DyadicRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(DyadicRowAvx512),
  };
  return kVariants;
}

// trunc(v) saturated to lo..hi; not a number gives 0.
static std::int32_t Quantise(double v, std::int32_t lo, std::int32_t hi) {
  if (std::isnan(v)) return 0;
  return static_cast<std::int32_t>(std::trunc(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi))));
}

// 3x3 with rectifier 2: 8 fractional bits in 16-bit coefficients, the offset after the shift.
FixedKernel EightBitKernel(const double* c, unsigned offset, int max) {
  FixedKernel k;
  k.size = 3, k.shift = 8, k.postOffset = offset, k.max = max;
  for (int n = 0; n < 9; ++n) k.q[n] = Quantise(c[n] * 256.0, -32768, 32767);
  return k;
}

// 15 fractional bits, the offset scaled in before the shift; rectifier 1 negates gain and
// offset, rectifier 3 takes the absolute value, other codes only clamp.
FixedKernel FifteenBitKernel(const double* c, int size, short rectifier, unsigned offset, int max) {
  constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
  const double sign = rectifier == 1 ? -1.0 : 1.0;
  FixedKernel k;
  k.size = size, k.shift = 15, k.max = max, k.absolute = rectifier == 3;
  k.preOffset = (rectifier == 1 ? -1 : 1) * std::int64_t{offset} * 32768;
  for (int n = 0; n < size * size; ++n) k.q[n] = Quantise(sign * c[n] * 32768.0, -kMost, kMost);
  return k;
}

// The vector form: sums within 32 bits (wrapping arithmetic is then exact), coefficients in
// 16-bit halves (split into high * 256 + low when one does not fit), pixels read with `bias`
// subtracted.
void PrepareVectorForm(FixedKernel& k, std::int64_t bias) {
  constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
  std::int64_t absoluteSum = 0, sum = 0;
  for (int n = 0; n < k.size * k.size; ++n) absoluteSum += std::abs(std::int64_t{k.q[n]}), sum += k.q[n];
  k.split = std::any_of(k.q, k.q + k.size * k.size, [](std::int32_t q) { return q < -32767 || q > 32767; });
  const bool halvesFit = std::all_of(k.q, k.q + k.size * k.size, [&](std::int32_t q) {
    const std::int32_t high = k.split ? q >> 8 : q;
    return high >= -32767 && high <= 32767;
  });
  k.narrow = halvesFit && absoluteSum * k.max + std::abs(k.preOffset) <= kMost &&
             std::abs(k.postOffset) <= kMost - (std::int64_t{1} << (31 - k.shift));
  if (!k.narrow) return;
  auto half = [&](int j, int i, bool low) -> std::uint32_t {
    if (i >= k.size) return 0;
    const std::int32_t q = k.q[j * k.size + i];
    return static_cast<std::uint16_t>(!k.split ? (low ? 0 : q) : (low ? (q & 255) : (q >> 8)));
  };
  for (int j = 0; j < k.size; ++j)
    for (int p = 0; 2 * p < k.size; ++p) {
      k.pairHigh[j][p] = static_cast<std::int32_t>(half(j, 2 * p, false) | half(j, 2 * p + 1, false) << 16);
      k.pairLow[j][p] = static_cast<std::int32_t>(half(j, 2 * p, true) | half(j, 2 * p + 1, true) << 16);
    }
  k.base = static_cast<std::int32_t>(static_cast<std::uint32_t>(k.preOffset + bias * sum));
}

namespace {

template <class T>
constexpr int kMax = std::is_same_v<T, VnBW8> ? 255 : 65535;

// Inner path names by kernel size 3, 5, 7.
using InnerTraces = std::array<const char*, 3>;

// The kernel's cells, or none (1700): no kernel, no buffer, a size below 1.
bool HasCoefficients(VnKernel* kernel) {
  if (!kernel || !kernel->GetDataPtr() || kernel->GetSizeX() < 1 || kernel->GetSizeY() < 1) return false;
  return static_cast<unsigned>(kernel->GetSizeX() * kernel->GetSizeY()) <= kernel->GetAllocatedSize();
}

// gain / S, or gain itself when the coefficients cancel out (|S| not above 0.00001 A).
double EffectiveGain(double sum, double absoluteSum, float gain) {
  return absoluteSum * 0.00001 < std::fabs(sum) ? gain / sum : gain;
}

// Every cell times the effective gain, S and A summed in row order.
std::vector<double> EffectiveCoefficients(VnKernel& kernel) {
  const float* cells = kernel.GetDataPtr();
  std::vector<double> c(static_cast<std::size_t>(kernel.GetSizeX() * kernel.GetSizeY()));
  double sum = 0.0, absoluteSum = 0.0;
  for (std::size_t n = 0; n < c.size(); ++n) sum += cells[n], absoluteSum += std::fabs(cells[n]);
  const double gain = EffectiveGain(sum, absoluteSum, kernel.GetGain());
  for (std::size_t n = 0; n < c.size(); ++n) c[n] = cells[n] * gain;
  return c;
}

// The full kernel of a symmetric one from the cells (i, j), j <= i <= size / 2, S and A
// weighting each cell by the number of cells it stands for.
std::vector<double> SymmetricCoefficients(VnKernel& kernel) {
  const int size = kernel.GetSizeX(), half = size / 2;
  const float* cells = kernel.GetDataPtr();
  double sum = 0.0, absoluteSum = 0.0;
  for (int j = 0; j <= half; ++j)
    for (int i = j; i <= half; ++i) {
      const int weight = (i == j ? 1 : 2) * (i == half ? 1 : 2) * (j == half ? 1 : 2);
      sum += weight * double{cells[j * size + i]}, absoluteSum += weight * std::fabs(double{cells[j * size + i]});
    }
  const double gain = EffectiveGain(sum, absoluteSum, kernel.GetGain());
  std::vector<double> c(static_cast<std::size_t>(size * size));
  auto fold = [&](int v) { return v <= half ? v : size - 1 - v; };
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const int a = fold(x), b = fold(y);
      c[static_cast<std::size_t>(y * size + x)] = cells[std::min(a, b) * size + std::max(a, b)] * gain;
    }
  return c;
}

template <class T>
void ConvolveFixed(const VnROI<T>& src, VnROI<T>& dst, const FixedKernel& k) {
  const int width = src.GetWidth(), height = src.GetHeight(), half = k.size / 2;
  LineRing<T> ring(std::min(k.size, height), static_cast<std::size_t>(width) + k.size - 1 + kLineSlack);
  const FixedRowFn<T> row = k.narrow ? FixedRowVariants<T>().Pick() : FixedRowVariants<T>().plain;
  const frame::Rows<T> in(src), out(dst);
  std::array<const T*, 7> lines{};
  for (int y = 0; y < height; ++y) {
    for (int j = 0; j < k.size; ++j)
      lines[j] = ring.Get(std::clamp(y - half + j, 0, height - 1), [&](int r, T* line) { ReplicatedLine(in.Row(r), width, half, half, line); });
    row(lines.data(), k, out.Row(y), width);
  }
}

// The integers m = c 2^shift for the least shift that makes every c an integer, when the sum of
// |m| times the largest input plus the offset stays within 32 bits (so every partial sum of
// the double path is exact too); empty otherwise.
std::vector<std::int32_t> DyadicCoefficients(const std::vector<double>& c, double largestInput, double offset, int& shift) {
  const auto integral = [](double v) { return std::isfinite(v) && std::trunc(v) == v; };
  if (largestInput + offset > std::numeric_limits<std::int32_t>::max()) return {};
  for (shift = 0; shift <= 30; ++shift) {
    const double scale = std::ldexp(1.0, shift);
    if (!std::all_of(c.begin(), c.end(), [&](double v) { return integral(v * scale); })) continue;
    double bound = offset;
    for (double v : c) bound += std::fabs(v * scale) * largestInput;
    if (bound > std::numeric_limits<std::int32_t>::max()) return {};
    std::vector<std::int32_t> m;
    for (double v : c) m.push_back(static_cast<std::int32_t>(v * scale));
    return m;
  }
  return {};
}

// The general path's frame: padded lines of L (the source converted, the outside value beyond
// it) in a ring, one row function call per destination row.
template <class L, class T, class K, class RowFn>
void ConvolveWithOutside(const VnROI<T>& src, VnROI<T>& dst, const K& k, L outsideValue, RowFn row) {
  const int width = src.GetWidth(), height = src.GetHeight(), left = k.sizeX / 2, top = k.sizeY / 2;
  const std::size_t length = static_cast<std::size_t>(width) + k.sizeX - 1 + kLineSlack;
  LineRing<L> ring(std::min(k.sizeY, height), length);
  const std::vector<L> outside(length, outsideValue);
  const frame::Rows<T> in(src), out(dst);
  std::vector<const L*> lines(static_cast<std::size_t>(k.sizeY));
  for (int y = 0; y < height; ++y) {
    for (int j = 0; j < k.sizeY; ++j) {
      const int r = y - top + j;
      lines[j] = r < 0 || r >= height ? outside.data() : ring.Get(r, [&](int s, L* line) {
        ConstantBorderLine(in.Row(s), width, left, k.sizeX - 1 - left, outsideValue, line);
      });
    }
    row(lines.data(), k, out.Row(y), width);
  }
}

// Kernels whose sums are exact in 32-bit integers take the integer route where it has a vector
// row: the same bits as the double path, which runs otherwise.
template <class T>
void ConvolveGeneral(const VnROI<T>& src, VnROI<T>& dst, VnKernel& kernel) {
  const std::vector<double> c = EffectiveCoefficients(kernel);
  const double outside = kernel.GetOutsideValue();
  if (const DyadicRowFn<T> row = DyadicRowVariants<T>().Pick()) {
    int shift = 0;
    const std::vector<std::int32_t> m = DyadicCoefficients(c, std::max<double>(outside, kMax<T>), kernel.GetOffset(), shift);
    if (!m.empty()) {
      const DyadicKernel k{kernel.GetSizeX(), kernel.GetSizeY(), m.data(), shift, kernel.GetRectifier(),
                           static_cast<std::int32_t>(kernel.GetOffset()), kMax<T>};
      return ConvolveWithOutside(src, dst, k, static_cast<std::int32_t>(outside), row);
    }
  }
  const GeneralKernel k{kernel.GetSizeX(), kernel.GetSizeY(), c.data(), kernel.GetRectifier(), double(kernel.GetOffset()), kMax<T>};
  ConvolveWithOutside(src, dst, k, outside, GeneralRowVariants<T>().Pick());
}

// The frame shared by both operations: checks, then `convolve(source)` on src or on a copy of
// it; an allocation that fails in there is 1303 under `trace`.
template <class T, class Check, class Convolve>
void Convol(const VnROI<T>* src, VnROI<T>* dst, VnKernel* kernel, const char* trace, Check check, Convolve convolve) {
  VnOk();
  if (!frame::CheckRois(trace, {src, dst})) return;
  if (!HasCoefficients(kernel)) return frame::Fail(VN_ERR_KERNEL_EMPTY, trace);
  if (!check()) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  try {
    WithSourceApartFrom(*src, *dst, convolve);
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

// Runs a fixed-point path, tracing its inner name and then the operation's on a failed
// allocation.
template <class T>
void RunFixed(const VnROI<T>& src, VnROI<T>& dst, FixedKernel k, const char* inner, const char* trace) {
  PrepareVectorForm(k, std::is_same_v<T, VnBW16> ? 32768 : 0);
  try {
    ConvolveFixed(src, dst, k);
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, inner);
    frame::Trace(trace);
  }
}

template <class T>
void ConvolKernel(const VnROI<T>* src, VnROI<T>* dst, VnKernel* kernel, const char* trace, const InnerTraces& inner) {
  Convol(src, dst, kernel, trace, [] { return true; }, [&](const VnROI<T>& source) {
    const int size = kernel->GetSizeX();
    const short rectifier = kernel->GetRectifier();
    const bool square = size == kernel->GetSizeY() && (size == 3 || size == 5 || size == 7);
    if (rectifier == 0 || !square) return ConvolveGeneral(source, *dst, *kernel);
    const std::vector<double> c = EffectiveCoefficients(*kernel);
    const FixedKernel k = size == 3 && rectifier == 2 ? EightBitKernel(c.data(), kernel->GetOffset(), kMax<T>)
                                                      : FifteenBitKernel(c.data(), size, rectifier, kernel->GetOffset(), kMax<T>);
    RunFixed(source, *dst, k, inner[size / 2 - 1], trace);
  });
}

template <class T>
void ConvolSymmetricKernel(const VnROI<T>* src, VnROI<T>* dst, VnKernel* kernel, const char* trace, const InnerTraces& inner) {
  auto check = [&] {
    const int size = kernel->GetSizeX();
    if (kernel->GetRectifier() == 0) return frame::Fail(VN_ERR_KERNEL_NOT_SYMMETRIC, trace), false;
    if (size != kernel->GetSizeY() || (size != 3 && size != 5 && size != 7)) return frame::Fail(VN_ERR_KERNEL_SIZE, trace), false;
    return true;
  };
  Convol(src, dst, kernel, trace, check, [&](const VnROI<T>& source) {
    const int size = kernel->GetSizeX();
    const FixedKernel k = FifteenBitKernel(SymmetricCoefficients(*kernel).data(), size, kernel->GetRectifier(), kernel->GetOffset(), kMax<T>);
    RunFixed(source, *dst, k, inner[size / 2 - 1], trace);
  });
}

constexpr InnerTraces kKernel8{"ConvolKernel3x3", "ConvolKernel5x5", "ConvolKernel7x7"};
constexpr InnerTraces kKernel16{"ConvolKernel3x3 BW16", "ConvolKernel5x5 BW16", "ConvolKernel7x7 BW16"};
constexpr InnerTraces kSymmetric8{"ConvolKernelS3xS3", "ConvolKernelS5xS5", "ConvolKernelS7xS7"};
constexpr InnerTraces kSymmetric16{"ConvolKernelS3xS3 BW16", "ConvolKernelS5xS5 BW16", "ConvolKernelS7xS7 (BW16)"};

}  // namespace
}  // namespace vnimg::filter

using namespace vnimg::filter;

void ImgConvolKernel(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel) {
  ConvolKernel(src, dst, kernel, "ImgConvolKernel BW8", kKernel8);
}
void ImgConvolKernel(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel) {
  ConvolKernel(src, dst, kernel, "ImgConvolKernel BW16", kKernel16);
}
void ImgConvolKernel(const VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel) {
  ForEachComponent(src, dst, "ImgConvolKernel ( C24)", [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { ImgConvolKernel(s, d, kernel); });
}

void ImgConvolSymmetricKernel(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel) {
  ConvolSymmetricKernel(src, dst, kernel, "ImgConvolSymmetricKernel", kSymmetric8);
}
void ImgConvolSymmetricKernel(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel) {
  ConvolSymmetricKernel(src, dst, kernel, "ImgConvolSymmetricKernel BW16", kSymmetric16);
}
void ImgConvolSymmetricKernel(const VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel) {
  ForEachComponent(src, dst, "ImgConvolSymmetricKernel ( C24)",
                   [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { ImgConvolSymmetricKernel(s, d, kernel); });
}
