// ImgUniformize: flat-field correction against one reference or a light and a dark one, as
// images or as one value per column. VnC24 rows are handled as rows of bytes, each byte with
// the level's matching byte, so every form is written once over the row's elements.
#include <array>
#include <new>
#include <type_traits>
#include <vector>

#include "point/lut_frame.h"
#include "point/uniformize_rows.h"
#include "vnimg/lut.h"

namespace vnimg::lut {
namespace {

void ColumnRowPlain(const std::uint8_t* s, const std::int32_t* f, const std::int32_t* b, std::uint8_t* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = ColumnByte(s[i], f[i], b[i]);
}
void RatioRowPlain(const std::uint8_t* s, const std::uint8_t* r, std::uint8_t* d, std::size_t n, std::uint32_t level) {
  for (std::size_t i = 0; i < n; ++i) d[i] = RatioByte(s[i], r[i], level);
}

// A pixel type's elements: one word or byte, or three bytes for VnC24.
template <class T>
struct Layout {
  using E = std::conditional_t<std::is_same_v<T, VnBW16>, std::uint16_t, std::uint8_t>;
  static constexpr int kChannels = std::is_same_v<T, VnC24> ? 3 : 1;
  static constexpr std::int64_t kMax = std::is_same_v<T, VnBW16> ? 65535 : 255;
  static std::int64_t Channel(const T& p, int k) {
    if constexpr (kChannels == 3) return reinterpret_cast<const std::uint8_t*>(&p)[k];
    else return p;
  }
  static const E* Elems(const T* row) { return reinterpret_cast<const E*>(row); }
  static E* Elems(T* row) { return reinterpret_cast<E*>(row); }
};

// Runs body(element rows..., element count, level channel of element 0) over every row.
template <class T, class... Rois>
void ForEachElementRow(const VnROI<T>& src, const VnROI<T>& dst, auto body, const Rois&... refs) {
  using L = Layout<T>;
  const int n = src.GetWidth() * L::kChannels;
  const frame::Rows<T> s(src), d(dst);
  const std::array<frame::Rows<T>, sizeof...(Rois)> r{frame::Rows<T>(refs)...};
  for (int y = 0; y < src.GetHeight(); ++y) {
    std::array<const typename L::E*, sizeof...(Rois)> refRows;
    for (std::size_t k = 0; k < r.size(); ++k) refRows[k] = L::Elems(r[k].Row(y));
    body(L::Elems(s.Row(y)), refRows, L::Elems(d.Row(y)), n);
  }
}

template <class T>
std::array<std::int64_t, 3> Channels(const T& level) {
  return {Layout<T>::Channel(level, 0), Layout<T>::Channel(level, Layout<T>::kChannels > 1 ? 1 : 0),
          Layout<T>::Channel(level, Layout<T>::kChannels > 1 ? 2 : 0)};
}

template <class T>
void SingleImage(VnROI<T>* src, T level, VnROI<T>* ref, VnROI<T>* dst, int multiplicative, const char* trace) {
  using L = Layout<T>;
  VnOk();
  if (!frame::CheckRois(trace, {src, ref, dst})) return;
  const auto lv = Channels(level);
  constexpr std::int64_t M = L::kMax;
  if constexpr (std::is_same_v<T, VnBW8>)
    if (multiplicative) {
      const RatioRowFn row = RatioRowVariants().Pick();
      return ForEachElementRow(*src, *dst, [&](const auto* s, auto r, auto* d, int n) {
        row(s, r[0], d, static_cast<std::size_t>(n), static_cast<std::uint32_t>(lv[0]));
      }, *ref);
    }
  ForEachElementRow(*src, *dst, [&](const auto* s, auto r, auto* d, int n) {
    for (int i = 0; i < n; ++i) {
      const std::int64_t x = s[i], g = r[0][i], l = lv[i % L::kChannels];
      const std::int64_t v = multiplicative ? (g == 0 ? M : std::min(x * l / g, M)) : Clamp<std::int64_t>(x - g + l, M);
      d[i] = static_cast<typename L::E>(v);
    }
  }, *ref);
}

template <class T>
void LightDarkImages(VnROI<T>* src, T lightLevel, VnROI<T>* lightRef, T darkLevel, VnROI<T>* darkRef, VnROI<T>* dst,
                     const char* trace) {
  using L = Layout<T>;
  VnOk();
  if (!frame::CheckRois(trace, {src, lightRef, darkRef, dst})) return;
  const auto light = Channels(lightLevel), dark = Channels(darkLevel);
  ForEachElementRow(*src, *dst, [&](const auto* s, auto r, auto* d, int n) {
    for (int i = 0; i < n; ++i) {
      const int k = i % L::kChannels;
      const std::int64_t lt = r[0][i], dk = r[1][i];
      // 64 bits: the 16-bit product (src - D) * (light - dark) does not fit 32.
      const std::int64_t v = lt == dk ? L::kMax : (s[i] - dk) * (light[k] - dark[k]) / (lt - dk) + dark[k];
      d[i] = Clamp<typename L::E>(v, L::kMax);
    }
  }, *lightRef, *darkRef);
}

// Per-element coefficients of the vector forms: ((src * f) >> 12) + b. The 16-bit intercept
// can pass the 32-bit range (a steep slope times a high dark value).
template <class T>
struct Columns {
  using B = std::conditional_t<std::is_same_v<T, VnBW16>, std::int64_t, std::int32_t>;
  std::vector<std::int32_t> f;
  std::vector<B> b;
};

template <class T, class V>
bool CheckVectorForm(VnROI<T>* src, VnROI<T>* dst, std::initializer_list<V*> refs, const char* trace) {
  VnOk();
  for (V* ref : refs)
    if (!ref) return frame::Fail(VN_ERR_NULL_ROI, trace), false;
  if (!frame::CheckRois(trace, {src, dst})) return false;
  for (V* ref : refs)
    if (ref->GetNumElements() != static_cast<unsigned>(dst->GetWidth())) return frame::Fail(VN_ERR_VECTOR_SIZE, trace), false;
  return true;
}

// Builds the coefficients of every element from its column's reference values; false (1303
// traced) when they cannot be held.
template <class T, class Coefficients>
bool Prepare(Columns<T>& c, int width, const char* trace, Coefficients coefficients) {
  try {
    const std::size_t n = static_cast<std::size_t>(width) * Layout<T>::kChannels;
    c.f.resize(n);
    c.b.resize(n);
  } catch (const std::bad_alloc&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
    return false;
  }
  for (int x = 0; x < width; ++x)
    for (int k = 0; k < Layout<T>::kChannels; ++k) {
      const std::size_t i = static_cast<std::size_t>(x) * Layout<T>::kChannels + k;
      coefficients(x, k, c.f[i], c.b[i]);
    }
  return true;
}

// Applies the coefficients: the 8-bit rule through the row variants; VnBW16 with the signed
// 32-bit product when `wraps` (any result outside 0..M gives M), else exactly in 64 bits.
template <class T>
void ApplyColumns(const Columns<T>& c, VnROI<T>* src, VnROI<T>* dst, bool wraps) {
  using L = Layout<T>;
  if constexpr (std::is_same_v<typename L::E, std::uint8_t>) {
    const ColumnRowFn row = ColumnRowVariants().Pick();
    ForEachElementRow(*src, *dst, [&](const auto* s, auto, auto* d, int n) {
      row(s, c.f.data(), c.b.data(), d, static_cast<std::size_t>(n));
    });
  } else {
    ForEachElementRow(*src, *dst, [&](const auto* s, auto, auto* d, int n) {
      for (int i = 0; i < n; ++i) {
        if (wraps) {
          const auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(s[i]) * static_cast<std::uint32_t>(c.f[i]));
          const std::int64_t v = std::int64_t{product >> 12} + c.b[i];
          d[i] = static_cast<VnBW16>(v < 0 || v > L::kMax ? L::kMax : v);
        } else {
          d[i] = Clamp<VnBW16>(((std::int64_t{s[i]} * c.f[i]) >> 12) + c.b[i], L::kMax);
        }
      }
    });
  }
}

template <class T, class V>
void SingleVector(VnROI<T>* src, T level, V* ref, VnROI<T>* dst, int multiplicative, const char* trace) {
  using L = Layout<T>;
  if (!CheckVectorForm<T, V>(src, dst, {ref}, trace)) return;
  const auto lv = Channels(level);
  Columns<T> c;
  const bool ok = Prepare<T>(c, dst->GetWidth(), trace, [&](int x, int k, std::int32_t& f, auto& b) {
    const std::int64_t r = L::Channel(ref->GetDataPtr()[x], k), l = lv[k];
    if (!multiplicative) f = 4096, b = static_cast<std::int32_t>(l - r);
    else if (r == 0) f = 0, b = static_cast<std::int32_t>(L::kMax);
    else f = static_cast<std::int32_t>(l * 4096 / r), b = 0;
  });
  if (ok) ApplyColumns(c, src, dst, multiplicative != 0);
}

template <class T, class V>
void LightDarkVectors(VnROI<T>* src, T lightLevel, V* lightRef, T darkLevel, V* darkRef, VnROI<T>* dst, const char* trace) {
  using L = Layout<T>;
  if (!CheckVectorForm<T, V>(src, dst, {lightRef, darkRef}, trace)) return;
  const auto light = Channels(lightLevel), dark = Channels(darkLevel);
  Columns<T> c;
  const bool ok = Prepare<T>(c, dst->GetWidth(), trace, [&](int x, int k, std::int32_t& f, auto& b) {
    const std::int64_t lt = L::Channel(lightRef->GetDataPtr()[x], k), dk = L::Channel(darkRef->GetDataPtr()[x], k);
    const std::int64_t span = light[k] - dark[k];
    if (lt == dk) f = 0, b = static_cast<std::int32_t>(L::kMax);
    else f = static_cast<std::int32_t>(span * 4096 / (lt - dk)), b = static_cast<typename Columns<T>::B>(dark[k] - span * dk / (lt - dk));
  });
  if (ok) ApplyColumns(c, src, dst, false);
}

}  // namespace

const simd::Variants<ColumnRowFn>& ColumnRowVariants() {
  static constexpr simd::Variants<ColumnRowFn> kVariants{
      .plain = ColumnRowPlain,
      .avx2 = VNIMG_X86_VARIANT(ColumnRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(ColumnRowAvx512),
  };
  return kVariants;
}

const simd::Variants<RatioRowFn>& RatioRowVariants() {
  static constexpr simd::Variants<RatioRowFn> kVariants{
      .plain = RatioRowPlain,
      .avx2 = VNIMG_X86_VARIANT(RatioRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(RatioRowAvx512),
  };
  return kVariants;
}

}  // namespace vnimg::lut

using vnimg::lut::LightDarkImages;
using vnimg::lut::LightDarkVectors;
using vnimg::lut::SingleImage;
using vnimg::lut::SingleVector;

void ImgUniformize(VnROI<VnBW8>* src, VnBW8 level, VnROI<VnBW8>* ref, VnROI<VnBW8>* dst, int multiplicative) {
  SingleImage(src, level, ref, dst, multiplicative, "ImgUniformize ( BW8 Single Image)");
}
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 level, VnROI<VnBW16>* ref, VnROI<VnBW16>* dst, int multiplicative) {
  SingleImage(src, level, ref, dst, multiplicative, "ImgUniformize ( BW16 Single Image)");
}
void ImgUniformize(VnROI<VnC24>* src, VnC24 level, VnROI<VnC24>* ref, VnROI<VnC24>* dst, int multiplicative) {
  SingleImage(src, level, ref, dst, multiplicative, "ImgUniformize ( C24 Single Image)");
}
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 lightLevel, VnROI<VnBW8>* lightRef, VnBW8 darkLevel, VnROI<VnBW8>* darkRef,
                   VnROI<VnBW8>* dst) {
  LightDarkImages(src, lightLevel, lightRef, darkLevel, darkRef, dst, "ImgUniformize ( BW8 Light/Dark Images)");
}
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 lightLevel, VnROI<VnBW16>* lightRef, VnBW16 darkLevel,
                   VnROI<VnBW16>* darkRef, VnROI<VnBW16>* dst) {
  LightDarkImages(src, lightLevel, lightRef, darkLevel, darkRef, dst, "ImgUniformize ( BW16 Light/Dark Images)");
}
void ImgUniformize(VnROI<VnC24>* src, VnC24 lightLevel, VnROI<VnC24>* lightRef, VnC24 darkLevel, VnROI<VnC24>* darkRef,
                   VnROI<VnC24>* dst) {
  LightDarkImages(src, lightLevel, lightRef, darkLevel, darkRef, dst, "ImgUniformize ( C24 Light/Dark Images)");
}
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 level, VnBW8Vector* ref, VnROI<VnBW8>* dst, int multiplicative) {
  SingleVector(src, level, ref, dst, multiplicative, "ImgUniformize ( BW8 Single Vector)");
}
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 level, VnBW16Vector* ref, VnROI<VnBW16>* dst, int multiplicative) {
  SingleVector(src, level, ref, dst, multiplicative, "ImgUniformize ( BW16 Single Vector)");
}
void ImgUniformize(VnROI<VnC24>* src, VnC24 level, VnC24Vector* ref, VnROI<VnC24>* dst, int multiplicative) {
  SingleVector(src, level, ref, dst, multiplicative, "ImgUniformize ( C24 Single Vector)");
}
void ImgUniformize(VnROI<VnBW8>* src, VnBW8 lightLevel, VnBW8Vector* lightRef, VnBW8 darkLevel, VnBW8Vector* darkRef,
                   VnROI<VnBW8>* dst) {
  LightDarkVectors(src, lightLevel, lightRef, darkLevel, darkRef, dst, "ImgUniformize ( BW8 Light/Dark Vectors)");
}
void ImgUniformize(VnROI<VnBW16>* src, VnBW16 lightLevel, VnBW16Vector* lightRef, VnBW16 darkLevel,
                   VnBW16Vector* darkRef, VnROI<VnBW16>* dst) {
  LightDarkVectors(src, lightLevel, lightRef, darkLevel, darkRef, dst, "ImgUniformize ( BW16 Light/Dark Vectors)");
}
void ImgUniformize(VnROI<VnC24>* src, VnC24 lightLevel, VnC24Vector* lightRef, VnC24 darkLevel, VnC24Vector* darkRef,
                   VnROI<VnC24>* dst) {
  LightDarkVectors(src, lightLevel, lightRef, darkLevel, darkRef, dst, "ImgUniformize ( C24 Light/Dark Vectors)");
}
