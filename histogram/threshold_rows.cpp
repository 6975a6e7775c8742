// The plain row loops of the thresholding operations and the tables that pick their variants.
#include "histogram/threshold_kernels.h"

namespace vnimg::threshold {

void Gray8Plain(const VnBW8* s, VnBW8* d, int width, unsigned threshold, VnBW8 low, VnBW8 high) {
  for (int x = 0; x < width; ++x) d[x] = GrayPixel(s[x], threshold, low, high);
}

void Gray16Plain(const VnBW16* s, VnBW16* d, int width, unsigned threshold, VnBW16 low, VnBW16 high) {
  for (int x = 0; x < width; ++x) d[x] = GrayPixel(s[x], threshold, low, high);
}

void Double8Plain(const VnBW8* s, VnBW8* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW8 low,
                  VnBW8 middle, VnBW8 high) {
  for (int x = 0; x < width; ++x) d[x] = DoublePixel(s[x], lowThreshold, highThreshold, low, middle, high);
}

void Double16Plain(const VnBW16* s, VnBW16* d, int width, unsigned lowThreshold, unsigned highThreshold, VnBW16 low,
                   VnBW16 middle, VnBW16 high) {
  for (int x = 0; x < width; ++x) d[x] = DoublePixel(s[x], lowThreshold, highThreshold, low, middle, high);
}

void BoxPlain(const VnC24* s, VnBW8* d, int width, VnC24 min, VnC24 max, VnBW8 outside, VnBW8 inside) {
  for (int x = 0; x < width; ++x) d[x] = BoxPixel(s[x], min, max, outside, inside);
}

void Bits8Plain(const VnBW8* s, std::uint8_t* d, int width, unsigned threshold) {
  PackBitsTail(s, d, 0, width, threshold);
}

void Bits16Plain(const VnBW16* s, std::uint8_t* d, int width, unsigned threshold) {
  PackBitsTail(s, d, 0, width, threshold);
}

const simd::Variants<Gray8Fn>& Gray8Variants() {
  static constexpr simd::Variants<Gray8Fn> kVariants{
      .plain = Gray8Plain, .sse2 = VNIMG_X86_VARIANT(Gray8Sse2), .avx2 = VNIMG_X86_VARIANT(Gray8Avx2)};
  return kVariants;
}

const simd::Variants<Gray16Fn>& Gray16Variants() {
  static constexpr simd::Variants<Gray16Fn> kVariants{
      .plain = Gray16Plain, .sse2 = VNIMG_X86_VARIANT(Gray16Sse2), .avx2 = VNIMG_X86_VARIANT(Gray16Avx2)};
  return kVariants;
}

const simd::Variants<Double8Fn>& Double8Variants() {
  static constexpr simd::Variants<Double8Fn> kVariants{
      .plain = Double8Plain, .sse2 = VNIMG_X86_VARIANT(Double8Sse2), .avx2 = VNIMG_X86_VARIANT(Double8Avx2)};
  return kVariants;
}

const simd::Variants<Double16Fn>& Double16Variants() {
  static constexpr simd::Variants<Double16Fn> kVariants{
      .plain = Double16Plain, .sse2 = VNIMG_X86_VARIANT(Double16Sse2), .avx2 = VNIMG_X86_VARIANT(Double16Avx2)};
  return kVariants;
}

const simd::Variants<BoxFn>& BoxVariants() {
  static constexpr simd::Variants<BoxFn> kVariants{
      .plain = BoxPlain, .sse2 = VNIMG_X86_VARIANT(BoxSse2), .avx2 = VNIMG_X86_VARIANT(BoxAvx2)};
  return kVariants;
}

const simd::Variants<Bits8Fn>& Bits8Variants() {
  static constexpr simd::Variants<Bits8Fn> kVariants{
      .plain = Bits8Plain, .sse2 = VNIMG_X86_VARIANT(Bits8Sse2), .avx2 = VNIMG_X86_VARIANT(Bits8Avx2)};
  return kVariants;
}

const simd::Variants<Bits16Fn>& Bits16Variants() {
  static constexpr simd::Variants<Bits16Fn> kVariants{
      .plain = Bits16Plain, .sse2 = VNIMG_X86_VARIANT(Bits16Sse2), .avx2 = VNIMG_X86_VARIANT(Bits16Avx2)};
  return kVariants;
}

}  // namespace vnimg::threshold
