// The fixed 3x3 filters and Roberts: plain rows, the pass over an image (padded lines, so that
// in-place filtering reads every source row before it is overwritten) and the operations.
#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <type_traits>
#include <vector>

#include "filter/filter_frame.h"
#include "filter/fixed3x3_kernels.h"
#include "vnimg/platform/core.h"
#include "vnimg/predefined_filter.h"

namespace vnimg::filter {

template <class T>
constexpr std::int32_t kMaxPixel = std::is_same_v<T, VnBW8> ? 255 : 65535;

template <class F, class T>
static T Fixed3x3Pixel(const T* const* lines, int x, bool absolute) {
  std::int32_t p[9];
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) p[j * 3 + i] = lines[j][x + i];
  const std::int32_t v = F::Value(p);
  return static_cast<T>(std::clamp(absolute ? Abs(v) : v, 0, kMaxPixel<T>));
}

template <class F, class T>
void Fixed3x3RowPlain(const T* const* lines, T* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = Fixed3x3Pixel<F, T>(lines, x, F::absolute);
}
VNIMG_FIXED3X3_INSTANTIATE(Fixed3x3RowPlain)

template <class F, class T>
const simd::Variants<Fixed3x3RowFn<T>>& Fixed3x3Variants() {
  static constexpr simd::Variants<Fixed3x3RowFn<T>> kVariants{
      .plain = Fixed3x3RowPlain<F, T>,
      .sse2 = VNIMG_X86_VARIANT((Fixed3x3RowSse2<F, T>)),
      .avx2 = VNIMG_X86_VARIANT((Fixed3x3RowAvx2<F, T>)),
      .avx512 = VNIMG_X86_VARIANT((Fixed3x3RowAvx512<F, T>)),
  };
  return kVariants;
}

template <class F, class T>
bool Pass3x3(const VnROI<T>& src, VnROI<T>& dst, bool zeroFrame) {
  const int width = src.GetWidth(), height = src.GetHeight();
  const std::size_t length = static_cast<std::size_t>(width) + 2 + kLineSlack;
  LineRing<T> ring(std::min(3, height), length);
  const std::vector<T> zeros(zeroFrame ? length : 0);
  const Fixed3x3RowFn<T> row = zeroFrame ? Fixed3x3Variants<F, T>().plain : Fixed3x3Variants<F, T>().Pick();
  const frame::Rows<T> in(src), out(dst);
  auto make = [&](int r, T* line) {
    ReplicatedLine(in.Row(r), width, 1, 1, line);
    if (zeroFrame) line[0] = line[width + 1] = 0;
  };
  bool changed = false;
  std::array<const T*, 3> lines{};
  for (int y = 0; y < height; ++y) {
    for (int j = 0; j < 3; ++j) {
      const int r = y - 1 + j;
      lines[j] = zeroFrame && (r < 0 || r >= height) ? zeros.data() : ring.Get(std::clamp(r, 0, height - 1), make);
    }
    T* d = out.Row(y);
    row(lines.data(), d, width);
    if (zeroFrame) {
      const bool edgeRow = y == 0 || y == height - 1;
      for (int x = 0; x < width; x += edgeRow || x == width - 1 ? 1 : width - 1) d[x] = Fixed3x3Pixel<F, T>(lines.data(), x, true);
    }
    changed = changed || std::memcmp(d, lines[1] + 1, sizeof(T) * static_cast<std::size_t>(width)) != 0;
  }
  return changed;
}

namespace {

// The passes of one batch as a chain of line rings: level 0 holds padded source rows, level p
// padded rows of pass p's output, each made on demand from three rows of the level below.
// Rows are asked for in rising order, so three lines a level suffice.
template <class F, class T>
class PassChain {
 public:
  PassChain(const VnROI<T>& src, int levels, Fixed3x3RowFn<T> row)
      : m_in(src), m_width(src.GetWidth()), m_height(src.GetHeight()), m_row(row),
        m_rings(static_cast<std::size_t>(levels),
                LineRing<T>(std::min(3, m_height), static_cast<std::size_t>(m_width) + 2 + kLineSlack)) {}

  const T* Line(int level, int r) {
    return m_rings[static_cast<std::size_t>(level)].Get(r, [&](int row, T* line) {
      if (level == 0) return ReplicatedLine(m_in.Row(row), m_width, 1, 1, line);
      const std::array<const T*, 3> below = Below(level - 1, row);
      m_row(below.data(), line + 1, m_width);
      line[0] = line[1], line[m_width + 1] = line[m_width];
    });
  }
  std::array<const T*, 3> Below(int level, int row) {
    return {Line(level, std::max(row - 1, 0)), Line(level, row), Line(level, std::min(row + 1, m_height - 1))};
  }

 private:
  frame::Rows<T> m_in;
  int m_width, m_height;
  Fixed3x3RowFn<T> m_row;
  std::vector<LineRing<T>> m_rings;
};

// Passes fused a batch at a time keep the rows in cache; a batch whose last pass changes
// nothing ends the run, as the next passes would change nothing either.
constexpr unsigned kFusedPasses = 8;

template <class F, class T>
bool FusedBatch(const VnROI<T>& src, VnROI<T>& dst, unsigned passes) {
  const Fixed3x3RowFn<T> row = Fixed3x3Variants<F, T>().Pick();
  PassChain<F, T> chain(src, static_cast<int>(passes), row);
  const frame::Rows<T> out(dst);
  const int top = static_cast<int>(passes) - 1, width = src.GetWidth();
  bool changed = false;
  for (int y = 0; y < src.GetHeight(); ++y) {
    const std::array<const T*, 3> lines = chain.Below(top, y);
    T* d = out.Row(y);
    row(lines.data(), d, width);
    changed = changed || std::memcmp(d, lines[1] + 1, sizeof(T) * static_cast<std::size_t>(width)) != 0;
  }
  return changed;
}

}  // namespace

template <class F, class T>
void Passes3x3(const VnROI<T>& src, VnROI<T>& dst, unsigned count) {
  if (simd::ActiveLevel() == simd::Level::Plain) {  // the literal passes
    bool changed = count > 0 && Pass3x3<F>(src, dst, false);
    for (unsigned n = 1; n < count && changed; ++n) changed = Pass3x3<F>(dst, dst, false);
    return;
  }
  bool changed = count > 0 && FusedBatch<F>(src, dst, std::min(count, kFusedPasses));
  for (unsigned done = std::min(count, kFusedPasses); done < count && changed; done += kFusedPasses)
    changed = FusedBatch<F>(dst, dst, std::min(count - done, kFusedPasses));
}

#define VNIMG_PASS3X3(F)                                                                           \
  template bool Pass3x3<fixed::F, VnBW8>(const VnROI<VnBW8>&, VnROI<VnBW8>&, bool);                \
  template bool Pass3x3<fixed::F, VnBW16>(const VnROI<VnBW16>&, VnROI<VnBW16>&, bool);             \
  template void Passes3x3<fixed::F, VnBW8>(const VnROI<VnBW8>&, VnROI<VnBW8>&, unsigned);           \
  template void Passes3x3<fixed::F, VnBW16>(const VnROI<VnBW16>&, VnROI<VnBW16>&, unsigned);
VNIMG_PASS3X3(Lowpass1)
VNIMG_PASS3X3(Lowpass3)
VNIMG_PASS3X3(MeanX)
VNIMG_PASS3X3(MeanY)
VNIMG_PASS3X3(BinomialX)
VNIMG_PASS3X3(BinomialY)

namespace {

// Inner names traced first when an in-place pass cannot have its lines: plain, vector.
struct InPlaceTraces {
  const char* plain = nullptr;
  const char* vector = nullptr;
};

// dst equal to src (or null, when `nullInPlace`) filters in place; the plain separate-destination
// form of a zero-frame filter is the one that computes the frame with 0 outside.
template <class F, class T>
void RunFixed3x3(const VnROI<T>* src, VnROI<T>* dst, const char* trace, InPlaceTraces inner = {}, bool nullInPlace = true) {
  VnOk();
  const bool inPlace = (!dst && nullInPlace) || dst == src;
  VnROI<T>* out = inPlace ? const_cast<VnROI<T>*>(src) : dst;
  if (!frame::CheckRois(trace, {src, out})) return;
  if (src->GetWidth() == 0 || src->GetHeight() == 0) return;
  const bool zeroFrame = F::zeroFrame && !inPlace && !VnGetMMX();
  try {
    WithSourceApartFrom(*src, *out, [&](const VnROI<T>& source) { Pass3x3<F, T>(source, *out, zeroFrame); });
  } catch (const std::exception&) {
    const char* name = VnGetMMX() ? inner.vector : inner.plain;
    if (inPlace && name) return frame::Fail(VN_ERR_OUT_OF_MEMORY, name), frame::Trace(trace);
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

template <class F>
void RunFixed3x3(const VnROI<VnC24>* src, VnROI<VnC24>* dst, const char* trace, const char* gray) {
  ForEachComponent(src, dst, trace, [&](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { RunFixed3x3<F>(s, d, gray); });
}

constexpr InPlaceTraces kGradientY{"ChrConvolGradientY", "ChrMMXConvolGradientY"};
constexpr InPlaceTraces kLaplacianY{"ChrConvolLaplacianY", "ChrMMXConvolLaplacianY"};

}  // namespace
}  // namespace vnimg::filter

using namespace vnimg::filter;

#define VNIMG_FIXED_FILTER(Name, F, ...)                                                                  \
  void ImgConvol##Name(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {                                      \
    RunFixed3x3<fixed::F>(src, dst, "ImgConvol" #Name " (BW8)" __VA_OPT__(, ) __VA_ARGS__);                              \
  }                                                                                                       \
  void ImgConvol##Name(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {                                    \
    RunFixed3x3<fixed::F>(src, dst, "ImgConvol" #Name " (BW16)" __VA_OPT__(, ) __VA_ARGS__);                             \
  }                                                                                                       \
  void ImgConvol##Name(const VnROI<VnC24>* src, VnROI<VnC24>* dst) {                                      \
    RunFixed3x3<fixed::F>(src, dst, "ImgConvol" #Name " ( C24)", "ImgConvol" #Name " (BW8)");                                         \
  }

VNIMG_FIXED_FILTER(Highpass1, Highpass1)
VNIMG_FIXED_FILTER(Highpass2, Highpass2)
VNIMG_FIXED_FILTER(Lowpass1, Lowpass1)
VNIMG_FIXED_FILTER(Lowpass2, Lowpass2)
VNIMG_FIXED_FILTER(Lowpass3, Lowpass3)
VNIMG_FIXED_FILTER(SobelX, SobelX)
VNIMG_FIXED_FILTER(SobelY, SobelY)
VNIMG_FIXED_FILTER(Sobel, Sobel)
VNIMG_FIXED_FILTER(PrewittX, PrewittX)
VNIMG_FIXED_FILTER(PrewittY, PrewittY)
VNIMG_FIXED_FILTER(Prewitt, Prewitt)
VNIMG_FIXED_FILTER(GradientX, GradientX)
VNIMG_FIXED_FILTER(GradientY, GradientY, kGradientY)
VNIMG_FIXED_FILTER(Gradient, Gradient)
VNIMG_FIXED_FILTER(LaplacianX, LaplacianX)
VNIMG_FIXED_FILTER(LaplacianY, LaplacianY, kLaplacianY)
VNIMG_FIXED_FILTER(Laplacian4, Laplacian4)
VNIMG_FIXED_FILTER(Laplacian8, Laplacian8)

void ImgConvolRoberts(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) { RunFixed3x3<fixed::Roberts>(src, dst, "ImgConvolRoberts"); }
void ImgConvolRoberts(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {
  RunFixed3x3<fixed::Roberts>(src, dst, "ImgConvolRoberts (BW16)");
}
void ImgConvolRoberts(const VnROI<VnC24>* src, VnROI<VnC24>* dst) { RunFixed3x3<fixed::Roberts>(src, dst, "ImgConvolRoberts ( C24)", "ImgConvolRoberts"); }

void ImgConvolUniform3x3(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  RunFixed3x3<fixed::Lowpass1>(src, dst, "ImgConvolUniform3x3 (BW8)", {}, false);
}
void ImgConvolGaussian3x3(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  RunFixed3x3<fixed::Lowpass3>(src, dst, "ImgConvolGaussian3x3 (BW8)", {}, false);
}
