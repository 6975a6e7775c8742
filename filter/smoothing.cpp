// Smoothing: the 5x5 and 7x7 uniform and binomial filters, the box mean of any size (column
// sums over a sliding band of rows, a window sliding along each row) and the repeated binomial.
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <exception>
#include <type_traits>

#include "filter/filter_frame.h"
#include "filter/fixed3x3_kernels.h"
#include "filter/smoothing_kernels.h"
#include "vnimg/platform/core.h"
#include "vnimg/predefined_filter.h"

namespace vnimg::filter {
namespace separable {

template <class K>
void RowPlain(const VnBW8* const* lines, std::uint16_t*, VnBW8* dst, int width) {
  for (int x = 0; x < width; ++x) {
    std::int64_t sum = 0;
    for (int j = 0; j < K::size; ++j)
      for (int i = 0; i < K::size; ++i) sum += std::int64_t{K::taps[j]} * K::taps[i] * lines[j][x + i];
    dst[x] = static_cast<VnBW8>((sum * K::factor) >> K::shift);
  }
}
VNIMG_SEPARABLE_INSTANTIATE(RowPlain)

template <class K>
const simd::Variants<RowFn>& Variants() {
  static constexpr simd::Variants<RowFn> kVariants{
      .plain = RowPlain<K>,
      .sse2 = VNIMG_X86_VARIANT(RowSse2<K>),
      .avx2 = VNIMG_X86_VARIANT(RowAvx2<K>),
      .avx512 = VNIMG_X86_VARIANT(RowAvx512<K>),
  };
  return kVariants;
}
template const simd::Variants<RowFn>& Variants<Uniform5>();
template const simd::Variants<RowFn>& Variants<Uniform7>();
template const simd::Variants<RowFn>& Variants<Gaussian5>();
template const simd::Variants<RowFn>& Variants<Gaussian7>();

}  // namespace separable

void BoxRowPlain(const std::uint32_t* sums, int span, std::uint32_t factor, VnBW8* dst, int width) {
  BoxWindows(sums, span, factor, dst, width);
}

const simd::Variants<BoxRowFn>& BoxRowVariants() {
  static constexpr simd::Variants<BoxRowFn> kVariants{
      .plain = BoxRowPlain,
      .sse2 = VNIMG_X86_VARIANT(BoxRowSse2),
      .avx2 = VNIMG_X86_VARIANT(BoxRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(BoxRowAvx512),
  };
  return kVariants;
}

template <class T, class Sum>
static void MoveColumns(const T* add, const T* remove, Sum* column, int width) {
  for (int x = 0; x < width; ++x) column[x] = column[x] + add[x] - remove[x];
}

void BoxColumnsPlain(const VnBW8* add, const VnBW8* remove, std::uint32_t* column, int width) {
  MoveColumns(add, remove, column, width);
}

const simd::Variants<BoxColumnsFn>& BoxColumnsVariants() {
  static constexpr simd::Variants<BoxColumnsFn> kVariants{
      .plain = BoxColumnsPlain,
      .avx2 = VNIMG_X86_VARIANT(BoxColumnsAvx2),
      .avx512 = VNIMG_X86_VARIANT(BoxColumnsAvx512),
  };
  return kVariants;
}

namespace {

template <class T>
constexpr std::uint64_t kMaxPixel = std::is_same_v<T, VnBW8> ? 255 : 65535;

template <class K>
void Separable(const VnROI<VnBW8>& src, VnROI<VnBW8>& dst) {
  constexpr int half = K::size / 2;
  const int width = src.GetWidth(), height = src.GetHeight();
  const std::size_t length = static_cast<std::size_t>(width) + K::size - 1 + kLineSlack;
  LineRing<VnBW8> ring(std::min(K::size, height), length);
  std::vector<std::uint16_t> columns(length);
  const separable::RowFn row = separable::Variants<K>().Pick();
  const frame::Rows<VnBW8> in(src), out(dst);
  std::array<const VnBW8*, 7> lines{};
  for (int y = 0; y < height; ++y) {
    for (int j = 0; j < K::size; ++j)
      lines[j] = ring.Get(std::clamp(y - half + j, 0, height - 1), [&](int r, VnBW8* line) { ReplicatedLine(in.Row(r), width, half, half, line); });
    row(lines.data(), columns.data(), out.Row(y), width);
  }
}

template <class K>
void RunSeparable(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, const char* trace) {
  VnOk();
  if (!frame::CheckRois(trace, {src, dst})) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  try {
    WithSourceApartFrom(*src, *dst, [&](const VnROI<VnBW8>& source) { Separable<K>(source, *dst); });
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

// The box over (2 hx + 1) x (2 hy + 1), hx < width, hy < height: the column sums of the band
// of rows y - hy .. y + hy (clamped into the ROI) for the columns -hx .. width - 1 + hx (clamped
// too), updated by one row in and one out per output row; each output is the window of 2 hx + 1
// column sums times 2^24 / area, shifted right by 24. Sum holds a column sum.
template <class T, class Sum>
void Box(const VnROI<T>& src, VnROI<T>& dst, int hx, int hy) {
  const int width = src.GetWidth(), height = src.GetHeight(), span = 2 * hx + 1;
  const std::uint64_t factor = (std::uint64_t{1} << 24) / (std::uint64_t(span) * std::uint64_t(2 * std::int64_t{hy} + 1));
  const frame::Rows<T> in(src), out(dst);
  std::vector<Sum> sums(static_cast<std::size_t>(width) + 2 * static_cast<std::size_t>(hx) + kLineSlack);
  const BoxRowFn windows = BoxRowVariants().Pick();
  const BoxColumnsFn columns = BoxColumnsVariants().Pick();
  Sum* column = sums.data() + hx;
  auto row = [&](std::int64_t r) { return in.Row(static_cast<int>(std::clamp<std::int64_t>(r, 0, height - 1))); };
  for (std::int64_t r = -hy; r <= hy; ++r) {
    const T* s = row(r);
    for (int x = 0; x < width; ++x) column[x] += s[x];
  }
  for (int y = 0; y < height; ++y) {
    if (y > 0) {
      const T *add = row(std::int64_t{y} + hy), *remove = row(std::int64_t{y} - hy - 1);
      if constexpr (std::is_same_v<T, VnBW8> && std::is_same_v<Sum, std::uint32_t>) columns(add, remove, column, width);
      else MoveColumns(add, remove, column, width);
    }
    std::fill_n(sums.data(), hx, column[0]);
    std::fill_n(column + width, hx, column[width - 1]);
    if constexpr (std::is_same_v<T, VnBW8> && std::is_same_v<Sum, std::uint32_t>) {
      windows(sums.data(), span, static_cast<std::uint32_t>(factor), out.Row(y), width);
    } else {
      BoxWindows(sums.data(), span, factor, out.Row(y), width);
    }
  }
}

template <class T>
void RunBox(const VnROI<T>& src, VnROI<T>& dst, unsigned halfX, unsigned halfY) {
  const int hx = static_cast<int>(std::min<unsigned>(halfX, src.GetWidth() - 1));
  const int hy = static_cast<int>(std::min<unsigned>(halfY, src.GetHeight() - 1));
  if (kMaxPixel<T> * (2 * std::uint64_t(hy) + 1) <= UINT32_MAX) return Box<T, std::uint32_t>(src, dst, hx, hy);
  Box<T, std::uint64_t>(src, dst, hx, hy);
}

template <class T>
void CopyRows(const VnROI<T>& src, VnROI<T>& dst) {
  const std::size_t bytes = sizeof(T) * static_cast<std::size_t>(src.GetWidth());
  frame::ForEachRow(src, dst, [&](const T* s, T* d, int) { std::memcpy(d, s, bytes); });
}

// Trace names of one pixel type.
struct SmoothingTraces {
  const char* uniform;
  const char* uniformX;
  const char* uniformY;
  const char* gaussian;
  const char* gaussianX;
  const char* gaussianY;
};
constexpr SmoothingTraces kTraces8{"ImgConvolUniform", "ImgConvolUniformX (BW8)", "ConvolUniformY (BW8)",
                                   "ImgConvolGaussian", "ImgConvolGaussianX (BW8)", "ImgConvolGaussianY (BW8)"};
constexpr SmoothingTraces kTraces16{"ImgConvolUniform (BW16)", "ImgConvolUniformX (BW16)", "ConvolUniformY (BW16)",
                                    "ImgConvolGaussian (BW16)", "ImgConvolGaussianX (BW16)", "ImgConvolGaussianY (BW16)"};

// The checks both operations share; on success `out` is the destination (src when dst is null).
template <class T>
bool CheckSmoothing(const VnROI<T>* src, VnROI<T>*& dst, unsigned halfX, unsigned& halfY, const char* trace) {
  VnOk();
  if (halfY == UINT_MAX) halfY = halfX;
  if (!dst) dst = const_cast<VnROI<T>*>(src);
  return frame::CheckRois(trace, {src, dst}) && src->GetWidth() > 0 && src->GetHeight() > 0;
}

// Runs pass(source) on src or a copy of it; a failed allocation is 1303 under `inner` (when
// given), then `trace`.
template <class T, class Pass>
void Guarded(const VnROI<T>& src, VnROI<T>& dst, const char* inner, const char* trace, Pass&& pass) {
  try {
    WithSourceApartFrom(src, dst, pass);
  } catch (const std::exception&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, inner ? inner : trace);
    if (inner) frame::Trace(trace);
  }
}

template <class T>
void Uniform(const VnROI<T>* src, VnROI<T>* dst, unsigned halfX, unsigned halfY, const SmoothingTraces& t) {
  if (!CheckSmoothing(src, dst, halfX, halfY, t.uniform)) return;
  const bool inPlace = dst == src;
  if (halfX == 0 && halfY == 0) {
    if (!inPlace) Guarded(*src, *dst, nullptr, t.uniform, [&](const VnROI<T>& s) { CopyRows(s, *dst); });
  } else if (halfX == 0 && halfY == 1) {
    Guarded(*src, *dst, t.uniformY, t.uniform, [&](const VnROI<T>& s) { Pass3x3<fixed::MeanY>(s, *dst, false); });
  } else if (halfX == 1 && halfY == 0) {
    Guarded(*src, *dst, t.uniformX, t.uniform, [&](const VnROI<T>& s) { Pass3x3<fixed::MeanX>(s, *dst, false); });
  } else if (halfX == 1 && halfY == 1) {
    Guarded(*src, *dst, nullptr, t.uniform, [&](const VnROI<T>& s) { Pass3x3<fixed::Lowpass1>(s, *dst, false); });
  } else if (inPlace) {
    frame::Fail(VN_ERR_NEED_DISTINCT_DESTINATION, t.uniform);
  } else {
    Guarded(*src, *dst, nullptr, t.uniform, [&](const VnROI<T>& s) { RunBox(s, *dst, halfX, halfY); });
  }
}

// A failed allocation traces the one-axis pass's name when there is one.
template <class T>
void Gaussian(const VnROI<T>* src, VnROI<T>* dst, unsigned halfX, unsigned halfY, const SmoothingTraces& t) {
  if (!CheckSmoothing(src, dst, halfX, halfY, t.gaussian)) return;
  const unsigned both = std::min(halfX, halfY), alongX = halfX - both, alongY = halfY - both;
  const char* vertical = dst != src ? t.gaussianY : VnGetMMX() ? "ChrMMXConvolGaussianY" : "ChrConvolGaussianY";
  Guarded(*src, *dst, alongX ? t.gaussianX : alongY ? vertical : nullptr, t.gaussian, [&](const VnROI<T>& s) {
    if (halfX == 0 && halfY == 0) return &s == dst ? void() : CopyRows(s, *dst);
    Passes3x3<fixed::Lowpass3>(s, *dst, both);
    Passes3x3<fixed::BinomialX>(both ? *dst : s, *dst, alongX);
    Passes3x3<fixed::BinomialY>(both ? *dst : s, *dst, alongY);
  });
}

}  // namespace
}  // namespace vnimg::filter

using namespace vnimg::filter;

void ImgConvolUniform5x5(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) { RunSeparable<separable::Uniform5>(src, dst, "ConvolUniform5x5"); }
void ImgConvolGaussian5x5(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) { RunSeparable<separable::Gaussian5>(src, dst, "ConvolGaussian5x5"); }
void ImgConvolUniform7x7(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) { RunSeparable<separable::Uniform7>(src, dst, "ImgConvolUniform7x7"); }
void ImgConvolGaussian7x7(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  RunSeparable<separable::Gaussian7>(src, dst, "ImgConvolGaussian7x7");
}

void ImgConvolUniform(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) { Uniform(src, dst, halfX, halfY, kTraces8); }
void ImgConvolUniform(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY) { Uniform(src, dst, halfX, halfY, kTraces16); }
void ImgConvolUniform(const VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned halfX, unsigned halfY) {
  ForEachComponent(src, dst, "ImgConvolUniform ( C24)", [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { ImgConvolUniform(s, d, halfX, halfY); });
}
void ImgConvolGaussian(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY) { Gaussian(src, dst, halfX, halfY, kTraces8); }
void ImgConvolGaussian(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY) { Gaussian(src, dst, halfX, halfY, kTraces16); }
void ImgConvolGaussian(const VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned halfX, unsigned halfY) {
  ForEachComponent(src, dst, "ImgConvolGaussian ( C24)", [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { ImgConvolGaussian(s, d, halfX, halfY); });
}
