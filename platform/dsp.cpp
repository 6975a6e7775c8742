#include "vnimg/platform/dsp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "platform/dsp_kernels.h"
#include "vnimg/platform/core.h"

namespace {

constexpr int kBadArguments = -1;

bool GoodGeometry(const void* src, int srcPitch, int srcBytesPerPixel, const void* dst, int dstPitch,
                  int dstBytesPerPixel, int width, int height) {
  if (!src || !dst || width < 0 || height < 0) return false;
  if (height > 1 && (static_cast<long long>(srcPitch) < static_cast<long long>(width) * srcBytesPerPixel ||
                     static_cast<long long>(dstPitch) < static_cast<long long>(width) * dstBytesPerPixel))
    return false;
  return true;
}

template <class T>
T* RowAt(T* base, int pitch, int y) {
  using Byte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<std::ptrdiff_t>(pitch) * y);
}

}  // namespace

namespace vnimg::dsp {

void GrayRowPlain(const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = GrayOf(s + 3 * i);
}

const simd::Variants<GrayRowFn>& GrayRowVariants() {
  static constexpr simd::Variants<GrayRowFn> kVariants{.plain = GrayRowPlain, .avx2 = VNIMG_X86_VARIANT(GrayRowAvx2)};
  return kVariants;
}

}  // namespace vnimg::dsp

int KorvaneIDsp_RGBToGray_BW8_C3C1R(const unsigned char* src, int srcRowPitch, unsigned char* dst, int dstRowPitch,
                                    int width, int height) {
  if (!GoodGeometry(src, srcRowPitch, 3, dst, dstRowPitch, 1, width, height)) return kBadArguments;
  const vnimg::dsp::GrayRowFn row = vnimg::dsp::GrayRowVariants().Pick();
  for (int y = 0; y < height; ++y) row(RowAt(src, srcRowPitch, y), RowAt(dst, dstRowPitch, y), static_cast<std::size_t>(width));
  return 0;
}

float* KorvaneIDsp_1DMallocFLOAT32(int count) {
  if (count < 1) return nullptr;
  return static_cast<float*>(Quandor_Malloc(static_cast<std::size_t>(count) * sizeof(float)));
}

void KorvaneIDsp_1DFree(void* pointer) { Quandor_Free(pointer); }

int KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(const unsigned char* src, int srcRowPitch, float* dst,
                                                  int dstRowPitch, int width, int height, const float* costs) {
  if (!costs || !GoodGeometry(src, srcRowPitch, 1, dst, dstRowPitch, 4, width, height)) return kBadArguments;
  const float straight = costs[0];
  const float diagonal = costs[1];
  const float far = std::numeric_limits<float>::max();
  auto at = [&](int x, int y) -> float& { return RowAt(dst, dstRowPitch, y)[x]; };
  auto relax = [&](float& d, int x, int y, float cost) {
    if (x < 0 || x >= width || y < 0 || y >= height) return;
    const float through = at(x, y) == far ? far : at(x, y) + cost;
    d = std::min(d, through);
  };
  for (int y = 0; y < height; ++y) {
    const unsigned char* s = RowAt(src, srcRowPitch, y);
    for (int x = 0; x < width; ++x) {
      float& d = at(x, y);
      d = s[x] == 0 ? 0.0f : far;
      if (d == 0.0f) continue;
      relax(d, x - 1, y, straight);
      relax(d, x - 1, y - 1, diagonal);
      relax(d, x, y - 1, straight);
      relax(d, x + 1, y - 1, diagonal);
    }
  }
  for (int y = height - 1; y >= 0; --y) {
    for (int x = width - 1; x >= 0; --x) {
      float& d = at(x, y);
      if (d == 0.0f) continue;
      relax(d, x + 1, y, straight);
      relax(d, x + 1, y + 1, diagonal);
      relax(d, x, y + 1, straight);
      relax(d, x - 1, y + 1, diagonal);
    }
  }
  return 0;
}

int KorvaneIDsp_ConvertFLOAT32toBW16(const float* src, int srcRowPitch, unsigned short* dst, int dstRowPitch,
                                     int width, int height, int mode) {
  if (mode != 0 && mode != 1) return kBadArguments;
  if (!GoodGeometry(src, srcRowPitch, 4, dst, dstRowPitch, 2, width, height)) return kBadArguments;
  for (int y = 0; y < height; ++y) {
    const float* s = RowAt(src, srcRowPitch, y);
    unsigned short* d = RowAt(dst, dstRowPitch, y);
    for (int x = 0; x < width; ++x) {
      const double v = mode == 1 ? std::floor(double{s[x]} + 0.5) : std::trunc(double{s[x]});
      d[x] = std::isnan(v) ? 0 : static_cast<unsigned short>(std::clamp(v, 0.0, 65535.0));
    }
  }
  return 0;
}
