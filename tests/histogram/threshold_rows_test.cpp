// Every vector variant of the thresholding row kernels against the plain loop.
#include <gtest/gtest.h>

#include "foundation/frame.h"
#include "histogram/threshold_kernels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

namespace kernels = vnimg::threshold;

template <class T>
VnImage<T> RandomSource(const Placement& p, Rng& rng) {
  VnImage<T> src(p.width, p.height);
  FillRandomBytes(src, rng);
  return src;
}

// Thresholds at and beyond both ends of the pixel range, and random ones inside it.
std::vector<unsigned> Thresholds(Rng& rng, unsigned top) {
  std::vector<unsigned> t = {0, 1, top - 1, top, top + 1, 300, 0xFFFFFFFCu};
  std::uniform_int_distribution<unsigned> level(0, top);
  for (int i = 0; i < 4; ++i) t.push_back(level(rng));
  return t;
}

template <class T>
T RandomLevel(Rng& rng) {
  return static_cast<T>(std::uniform_int_distribution<unsigned>(0, (1u << (8 * sizeof(T))) - 1)(rng));
}

template <class T>
std::uint8_t* Bytes(T* p) {
  return reinterpret_cast<std::uint8_t*>(p);
}

TEST(ThresholdRows, GrayVariantsMatchPlain) {
  Rng rng(21);
  for (unsigned t : Thresholds(rng, 255)) {
    SCOPED_TRACE(t);
    const VnBW8 low = RandomLevel<VnBW8>(rng), high = RandomLevel<VnBW8>(rng);
    ExpectVariantsMatchPlain<VnBW8>(
        kernels::Gray8Variants(), RandomSource<VnBW8>,
        [&](kernels::Gray8Fn fn, const VnImage<VnBW8>& src, VnROI<VnBW8>* dst) {
          frame::ForEachRow(src, *dst, [&](const VnBW8* s, VnBW8* d, int width) { fn(s, d, width, t, low, high); });
        },
        40, t);
  }
  for (unsigned t : Thresholds(rng, 65535)) {
    SCOPED_TRACE(t);
    const VnBW16 low = RandomLevel<VnBW16>(rng), high = RandomLevel<VnBW16>(rng);
    ExpectVariantsMatchPlain<VnBW16>(
        kernels::Gray16Variants(), RandomSource<VnBW16>,
        [&](kernels::Gray16Fn fn, const VnImage<VnBW16>& src, VnROI<VnBW16>* dst) {
          frame::ForEachRow(src, *dst, [&](const VnBW16* s, VnBW16* d, int width) { fn(s, d, width, t, low, high); });
        },
        40, t);
  }
}

TEST(ThresholdRows, DoubleVariantsMatchPlainAlsoWithCrossedThresholds) {
  Rng rng(22);
  const auto small = Thresholds(rng, 255), large = Thresholds(rng, 65535);
  for (std::size_t i = 0; i < small.size(); ++i) {
    // Pairs in both orders, so that the low threshold is sometimes above the high one.
    const unsigned a = small[i], b = small[(i * 5 + 3) % small.size()];
    SCOPED_TRACE(::testing::Message() << a << " " << b);
    const VnBW8 low = RandomLevel<VnBW8>(rng), middle = RandomLevel<VnBW8>(rng), high = RandomLevel<VnBW8>(rng);
    ExpectVariantsMatchPlain<VnBW8>(
        kernels::Double8Variants(), RandomSource<VnBW8>,
        [&](kernels::Double8Fn fn, const VnImage<VnBW8>& src, VnROI<VnBW8>* dst) {
          frame::ForEachRow(src, *dst, [&](const VnBW8* s, VnBW8* d, int width) { fn(s, d, width, a, b, low, middle, high); });
        },
        30, a + b);
    const unsigned c = large[i], e = large[(i * 5 + 3) % large.size()];
    const VnBW16 low16 = RandomLevel<VnBW16>(rng), middle16 = RandomLevel<VnBW16>(rng), high16 = RandomLevel<VnBW16>(rng);
    ExpectVariantsMatchPlain<VnBW16>(
        kernels::Double16Variants(), RandomSource<VnBW16>,
        [&](kernels::Double16Fn fn, const VnImage<VnBW16>& src, VnROI<VnBW16>* dst) {
          frame::ForEachRow(src, *dst, [&](const VnBW16* s, VnBW16* d, int width) {
            fn(s, d, width, c, e, low16, middle16, high16);
          });
        },
        30, c + e);
  }
}

TEST(ThresholdRows, BoxVariantsMatchPlain) {
  Rng rng(23);
  for (int trial = 0; trial < 12; ++trial) {
    // Narrow, wide, empty (min above max) and single-level boxes in each component.
    VnC24 min{}, max{};
    for (int c = 0; c < 3; ++c) {
      unsigned char lo = RandomLevel<VnBW8>(rng), hi = RandomLevel<VnBW8>(rng);
      if (trial % 3 == 0) {
        lo = static_cast<unsigned char>(lo / 8);
        hi = static_cast<unsigned char>(255 - hi / 8);
      }
      if (trial == 5) hi = lo;
      Bytes(&min)[c] = lo;
      Bytes(&max)[c] = hi;
    }
    const VnBW8 outside = RandomLevel<VnBW8>(rng), inside = RandomLevel<VnBW8>(rng);
    ExpectVariantsMatchPlain<VnBW8>(
        kernels::BoxVariants(), RandomSource<VnC24>,
        [&](kernels::BoxFn fn, const VnImage<VnC24>& src, VnROI<VnBW8>* dst) {
          frame::ForEachRow(src, *dst, [&](const VnC24* s, VnBW8* d, int width) { fn(s, d, width, min, max, outside, inside); });
        },
        40, static_cast<unsigned>(trial));
  }
}

// The bit kernels write ceil(pixels / 8) bytes: the destination is a byte ROI as wide as that,
// the source 0 to 7 pixels short of filling its last byte.
int PixelsFilling(int bytes) { return 8 * bytes - bytes % 8; }

template <class T, class Fn>
void ExpectBitVariantsMatchPlain(const simd::Variants<Fn>& variants, unsigned threshold) {
  ExpectVariantsMatchPlain<VnBW8>(
      variants,
      [](const Placement& p, Rng& rng) {
        VnImage<T> src(PixelsFilling(p.width), p.height);
        FillRandomBytes(src, rng);
        return src;
      },
      [&](Fn fn, const VnImage<T>& src, VnROI<VnBW8>* dst) {
        frame::ForEachRow(src, *dst, [&](const T* s, VnBW8* d, int width) { fn(s, d, width, threshold); });
      },
      40, threshold);
}

TEST(ThresholdRows, BitVariantsMatchPlain) {
  Rng rng(24);
  for (unsigned t : Thresholds(rng, 255)) {
    SCOPED_TRACE(t);
    ExpectBitVariantsMatchPlain<VnBW8>(kernels::Bits8Variants(), t);
  }
  for (unsigned t : Thresholds(rng, 65535)) {
    SCOPED_TRACE(t);
    ExpectBitVariantsMatchPlain<VnBW16>(kernels::Bits16Variants(), t);
  }
}

TEST(ThresholdRows, EveryKernelHasVectorVariantsOnX86) {
  if (!VNIMG_X86) GTEST_SKIP();
  EXPECT_FALSE(VectorVariants(kernels::Gray8Variants()).empty());
  EXPECT_FALSE(VectorVariants(kernels::Gray16Variants()).empty());
  EXPECT_FALSE(VectorVariants(kernels::Double8Variants()).empty());
  EXPECT_FALSE(VectorVariants(kernels::Double16Variants()).empty());
  EXPECT_FALSE(VectorVariants(kernels::BoxVariants()).empty());
  EXPECT_FALSE(VectorVariants(kernels::Bits8Variants()).empty());
  EXPECT_FALSE(VectorVariants(kernels::Bits16Variants()).empty());
}

// The plain bit packing itself, by hand: first pixel in bit 7, bits past the width kept.
TEST(ThresholdRows, PlainPackingPutsTheFirstPixelInBit7AndKeepsTheTail) {
  const VnBW8 row[10] = {0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
  std::uint8_t bytes[2] = {0xAA, 0x3F};
  kernels::Bits8Plain(row, bytes, 10, 128);
  EXPECT_EQ(bytes[0], 0x55);
  EXPECT_EQ(bytes[1], 0x40 | 0x3F);
}

}  // namespace
}  // namespace vnimg::test
