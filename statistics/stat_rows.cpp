// The plain row loops of the pixel statistics (the reference of every variant) and the tables
// that pick their variants.
#include "statistics/stat_kernels.h"

namespace vnimg::statistics {
namespace {

template <class T>
std::uint64_t SumPlain(const T* p, std::size_t n) {
  return SumFrom(p, 0, n);
}
template <class T>
SumSquares SumSquaresPlain(const T* p, std::size_t n) {
  return SumSquaresFrom(p, 0, n);
}
template <class T>
std::uint64_t MinMaxSumPlain(const T* p, std::size_t n, Extremes& e) {
  return MinMaxSumFrom(p, 0, n, e);
}
template <class T>
BelowCounts CountBelowPlain(const T* p, std::size_t n, unsigned low, unsigned high) {
  return CountBelowFrom(p, 0, n, low, high);
}
template <class T>
std::uint64_t DifferPlain(const T* a, const T* b, std::size_t n) {
  return DifferFrom(a, b, 0, n);
}
std::uint64_t DifferBitsPlain(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  return DifferBitsFrom(a, b, 0, n);
}
template <class T>
void AddColumnsPlain(const T* p, std::ptrdiff_t pitch, std::size_t rows, std::uint32_t* sums, std::size_t n) {
  AddColumnsFrom(p, pitch, rows, sums, 0, n);
}

}  // namespace

#define VNIMG_STAT_VARIANTS(Name, Fn, Plain)                                                              \
  const simd::Variants<Fn>& Name##Variants() {                                                            \
    static constexpr simd::Variants<Fn> kVariants{.plain = Plain,                                         \
                                                  .sse2 = VNIMG_X86_VARIANT(Name##Sse2),                  \
                                                  .avx2 = VNIMG_X86_VARIANT(Name##Avx2),                  \
                                                  .avx512 = VNIMG_X86_VARIANT(Name##Avx512)};             \
    return kVariants;                                                                                     \
  }

VNIMG_STAT_VARIANTS(Sum8, Sum8Fn, SumPlain<VnBW8>)
VNIMG_STAT_VARIANTS(Sum16, Sum16Fn, SumPlain<VnBW16>)
VNIMG_STAT_VARIANTS(SumSquares8, SumSquares8Fn, SumSquaresPlain<VnBW8>)
VNIMG_STAT_VARIANTS(SumSquares16, SumSquares16Fn, SumSquaresPlain<VnBW16>)
VNIMG_STAT_VARIANTS(MinMaxSum8, MinMaxSum8Fn, MinMaxSumPlain<VnBW8>)
VNIMG_STAT_VARIANTS(MinMaxSum16, MinMaxSum16Fn, MinMaxSumPlain<VnBW16>)
VNIMG_STAT_VARIANTS(CountBelow8, CountBelow8Fn, CountBelowPlain<VnBW8>)
VNIMG_STAT_VARIANTS(CountBelow16, CountBelow16Fn, CountBelowPlain<VnBW16>)
VNIMG_STAT_VARIANTS(Differ8, Differ8Fn, DifferPlain<VnBW8>)
VNIMG_STAT_VARIANTS(Differ16, Differ16Fn, DifferPlain<VnBW16>)
VNIMG_STAT_VARIANTS(DifferBits, DifferBitsFn, DifferBitsPlain)
VNIMG_STAT_VARIANTS(AddColumns8, AddColumns8Fn, AddColumnsPlain<VnBW8>)
VNIMG_STAT_VARIANTS(AddColumns16, AddColumns16Fn, AddColumnsPlain<VnBW16>)

#undef VNIMG_STAT_VARIANTS

}  // namespace vnimg::statistics
