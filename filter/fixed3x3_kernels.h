// The fixed 3x3 filters as formulas over a neighbourhood, written once for every value type: a
// plain integer, or a vector of 16-bit (VnBW8) or 32-bit (VnBW16) lanes in the ISA files. A
// formula uses +, -, Shl<n>, Shr<n> (arithmetic), Abs and Mean3 ((s x 85) >> 8); for VnBW8 every
// intermediate fits 16 signed bits, Mean3's product excepted (its vector form is a high multiply).
// p[j * 3 + i] is the pixel at (i - 1, j - 1) from the output pixel.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

namespace vnimg::filter {

template <int n>
inline std::int32_t Shl(std::int32_t v) { return v * (1 << n); }
template <int n>
inline std::int32_t Shr(std::int32_t v) { return v >> n; }
inline std::int32_t Abs(std::int32_t v) { return v < 0 ? -v : v; }
inline std::int32_t Mean3(std::int32_t v) { return (v * 85) >> 8; }

namespace fixed {

// Neighbourhood positions: north-west, north, north-east, west, centre, east, south-west ...
enum : int { NW, N, NE, W, C, E, SW, S, SE };

template <class V> V Neighbours(const V* p) { return p[NW] + p[N] + p[NE] + p[W] + p[E] + p[SW] + p[S] + p[SE]; }
template <class V> V Cross(const V* p) { return p[N] + p[W] + p[E] + p[S]; }
template <class V> V Column(const V* p, int i) { return p[i] + p[3 + i] + p[6 + i]; }
template <class V> V Row(const V* p, int j) { return p[3 * j] + p[3 * j + 1] + p[3 * j + 2]; }
template <class V> V Binomial(V a, V b, V c) { return a + b + b + c; }

// `absolute`: the output rule takes the absolute value (else the clamp alone, which clips
// negative values); `zeroFrame`: the plain separate-destination form computes the one-pixel frame
// with 0 outside the ROI and the absolute value.
struct Highpass1 {
  static constexpr bool absolute = true, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Shl<2>(p[C]) + p[C] - Cross(p); }
};
struct Highpass2 {
  static constexpr bool absolute = false, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Shl<3>(p[C]) + p[C] - Neighbours(p); }
};
struct Lowpass1 {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) {
    const V sum = Neighbours(p) + p[C];
    return Shr<6>(Shl<3>(sum) - sum);
  }
};
struct Lowpass2 {
  static constexpr bool absolute = false, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Shr<3>(Neighbours(p)); }
};
struct Lowpass3 {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) {
    return Shr<4>(Binomial(Binomial(p[NW], p[N], p[NE]), Binomial(p[W], p[C], p[E]), Binomial(p[SW], p[S], p[SE])));
  }
};
struct SobelX {
  static constexpr bool absolute = true, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Binomial(p[NE], p[E], p[SE]) - Binomial(p[NW], p[W], p[SW]); }
};
struct SobelY {
  static constexpr bool absolute = true, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Binomial(p[SW], p[S], p[SE]) - Binomial(p[NW], p[N], p[NE]); }
};
struct Sobel {
  static constexpr bool absolute = false, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Abs(SobelX::Value(p)) + Abs(SobelY::Value(p)); }
};
struct PrewittX {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(Column(p, 2) - Column(p, 0)); }
};
struct PrewittY {
  static constexpr bool absolute = true, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Row(p, 2) - Row(p, 0); }
};
struct Prewitt {
  static constexpr bool absolute = false, zeroFrame = true;
  template <class V> static V Value(const V* p) { return PrewittX::Value(p) + Abs(PrewittY::Value(p)); }
};
struct GradientX {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(p[E] - p[W]); }
};
struct GradientY {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(p[S] - p[N]); }
};
struct Gradient {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(p[E] - p[W]) + Abs(p[S] - p[N]); }
};
struct LaplacianX {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(p[W] + p[E] - p[C] - p[C]); }
};
struct LaplacianY {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(p[N] + p[S] - p[C] - p[C]); }
};
struct Laplacian4 {
  static constexpr bool absolute = true, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Cross(p) - Shl<2>(p[C]); }
};
struct Laplacian8 {
  static constexpr bool absolute = true, zeroFrame = true;
  template <class V> static V Value(const V* p) { return Neighbours(p) - Shl<3>(p[C]); }
};
// Replicated edges give the last column's 2|p(x,y) - p(x,y+1)|, the last row's
// 2|p(x,y) - p(x+1,y)| and the bottom-right 0.
struct Roberts {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Abs(p[C] - p[SE]) + Abs(p[E] - p[S]); }
};
// The one-axis passes of the smoothing filters.
struct MeanX {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Mean3(p[W] + p[C] + p[E]); }
};
struct MeanY {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Mean3(p[N] + p[C] + p[S]); }
};
struct BinomialX {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Shr<2>(Binomial(p[W], p[C], p[E])); }
};
struct BinomialY {
  static constexpr bool absolute = false, zeroFrame = false;
  template <class V> static V Value(const V* p) { return Shr<2>(Binomial(p[N], p[C], p[S])); }
};

}  // namespace fixed

// A row of a 3x3 filter: lines[j][x + i] is the source pixel at (i - 1, j - 1) from output x.
template <class T>
using Fixed3x3RowFn = void (*)(const T* const* lines, T* dst, int width);

// Plain rows are defined in fixed3x3.cpp, vector rows in the ISA files, for every filter above
// and VnBW8 / VnBW16.
template <class F, class T>
void Fixed3x3RowPlain(const T* const* lines, T* dst, int width);
#if VNIMG_X86
template <class F, class T>
void Fixed3x3RowSse2(const T* const* lines, T* dst, int width);
template <class F, class T>
void Fixed3x3RowAvx2(const T* const* lines, T* dst, int width);
template <class F, class T>
void Fixed3x3RowAvx512(const T* const* lines, T* dst, int width);
#endif
template <class F, class T>
const simd::Variants<Fixed3x3RowFn<T>>& Fixed3x3Variants();

// One pass of filter F from src into dst (dst may be src, not overlap it elsewhere), with the
// zero frame of the plain separate-destination form when `zeroFrame`. Returns whether any pixel
// differs from its source pixel. Throws std::bad_alloc.
template <class F, class T>
bool Pass3x3(const VnROI<T>& src, VnROI<T>& dst, bool zeroFrame);

// `count` passes of F, the first from src into dst, the rest in place, stopping after a pass
// that changes nothing. The plain level runs them one after the other over the whole image;
// the vector levels fuse them over rows held in cache, with the same result.
template <class F, class T>
void Passes3x3(const VnROI<T>& src, VnROI<T>& dst, unsigned count);

}  // namespace vnimg::filter

// Explicit instantiation of a row template for every filter and both gray types.
#define VNIMG_FIXED3X3_INSTANTIATE(row)                                                                       \
  VNIMG_FIXED3X3_INSTANTIATE_TYPE(row, VnBW8)                                                                 \
  VNIMG_FIXED3X3_INSTANTIATE_TYPE(row, VnBW16)
#define VNIMG_FIXED3X3_INSTANTIATE_ONE(row, F, T) template void row<fixed::F, T>(const T* const*, T*, int);
#define VNIMG_FIXED3X3_INSTANTIATE_TYPE(row, T)                                                               \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Highpass1, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Highpass2, T)         \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Lowpass1, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Lowpass2, T)           \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Lowpass3, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, SobelX, T)             \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, SobelY, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Sobel, T)                \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, PrewittX, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, PrewittY, T)           \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Prewitt, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, GradientX, T)           \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, GradientY, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Gradient, T)          \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, LaplacianX, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, LaplacianY, T)       \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Laplacian4, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Laplacian8, T)       \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, Roberts, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, MeanX, T)               \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, MeanY, T) VNIMG_FIXED3X3_INSTANTIATE_ONE(row, BinomialX, T)             \
  VNIMG_FIXED3X3_INSTANTIATE_ONE(row, BinomialY, T)
