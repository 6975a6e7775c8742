#include "statistics/moments_kernels.h"

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

}  // namespace vnimg::moments
