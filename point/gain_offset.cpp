// ImgGainOffset: the 8-bit fixed-point rule per pixel (a table's entries, computed directly by
// the vector variants), the 16-bit rule per pixel, and three float tables for VnC24.
#include <array>
#include <cmath>

#include "point/gain_offset_rows.h"
#include "point/lut_frame.h"
#include "point/oper_rows.h"
#include "vnimg/lut.h"

namespace vnimg::lut {
namespace {

void GainOffsetRowPlain(const std::uint8_t* s, std::uint8_t* d, std::size_t n, std::int32_t gain, std::int32_t offset) {
  for (std::size_t i = 0; i < n; ++i) d[i] = GainOffsetByte(s[i], gain, offset);
}

// t[x] = clamp(trunc(x * gain + offset), 0, 255) in float.
std::array<std::uint8_t, 256> ChannelTable(float gain, float offset) {
  std::array<std::uint8_t, 256> table;
  for (int x = 0; x < 256; ++x) table[x] = Clamp<std::uint8_t>(TruncToInt(static_cast<float>(x) * gain + offset), 255);
  return table;
}

}  // namespace

const simd::Variants<GainOffsetRowFn>& GainOffsetRowVariants() {
  static constexpr simd::Variants<GainOffsetRowFn> kVariants{
      .plain = GainOffsetRowPlain,
      .avx2 = VNIMG_X86_VARIANT(GainOffsetRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(GainOffsetRowAvx512),
  };
  return kVariants;
}

}  // namespace vnimg::lut

using namespace vnimg;

void ImgGainOffset(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, float gain, float offset) {
  constexpr const char* kTrace = "ImgGainOffset";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  const std::int32_t g = lut::FixedGain(gain), o = lut::FixedOffset(offset);
  const lut::GainOffsetRowFn row = lut::GainOffsetRowVariants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnBW8* d, int width) { row(s, d, static_cast<std::size_t>(width), g, o); });
}

void ImgGainOffset(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, float gain, float offset) {
  constexpr const char* kTrace = "ImgGainOffset (BW16)";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  const std::int64_t g = lut::FixedGain(gain), o = lut::FixedOffset(offset);
  // The product is exact in 64 bits, so no gain wraps.
  frame::ForEachRow(*src, *dst, [&](const VnBW16* s, VnBW16* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = lut::Clamp<VnBW16>(((s[x] * g) >> 5) + o, 65535);
  });
}

void ImgGainOffset(VnROI<VnC24>* src, VnROI<VnC24>* dst, VnColor gain, VnColor offset) {
  constexpr const char* kTrace = "ImgGainOffset";
  VnOk();
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  const auto t0 = lut::ChannelTable(gain.c2, offset.c2);
  const auto t1 = lut::ChannelTable(gain.c1, offset.c1);
  const auto t2 = lut::ChannelTable(gain.c0, offset.c0);
  frame::ForEachRow(*src, *dst, [&](const VnC24* s, VnC24* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = VnC24{t0[s[x].c0], t1[s[x].c1], t2[s[x].c2]};
  });
}
