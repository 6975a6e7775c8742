#include "statistics/moments_kernels.h"

#include <algorithm>

namespace vnimg::moments {

void Binary8Plain(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums) {
  AddPowerSums(p, 0, n, order, [threshold](VnBW8 v) { return BinaryWeight(v, threshold); }, sums);
}

void Weighted8Plain(const VnBW8* p, int n, int order, PowerSums& sums) {
  AddPowerSums(p, 0, n, order, [](VnBW8 v) { return unsigned{v}; }, sums);
}

const simd::Variants<Binary8Fn>& Binary8Variants() {
  static constexpr simd::Variants<Binary8Fn> kVariants{&Binary8Plain, VNIMG_X86_VARIANT(Binary8Sse2),
                                                       VNIMG_X86_VARIANT(Binary8Avx2), nullptr};
  return kVariants;
}

const simd::Variants<Weighted8Fn>& Weighted8Variants() {
  static constexpr simd::Variants<Weighted8Fn> kVariants{&Weighted8Plain, VNIMG_X86_VARIANT(Weighted8Sse2),
                                                         VNIMG_X86_VARIANT(Weighted8Avx2), nullptr};
  return kVariants;
}

void PixelTermsPlain(const double* w, int first, int n, double y, int order, float* out) {
  const int count = PixelTermCount(order);
  float m[12];
  std::copy_n(out, count, m);  // the sums stay in registers
  for (int i = 0; i < n; ++i) AddPixelTerms(w[i], first + i, y, count, m);
  std::copy_n(m, count, out);
}

const simd::Variants<PixelTermsFn>& PixelTermsVariants() {
  static constexpr simd::Variants<PixelTermsFn> kVariants{&PixelTermsPlain, nullptr, nullptr, VNIMG_X86_VARIANT(PixelTermsAvx512)};
  return kVariants;
}

}  // namespace vnimg::moments
