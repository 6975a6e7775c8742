// Gray images against one or two thresholds and colour images against a box.
#include <gtest/gtest.h>

#include "support/images.h"

namespace vnimg::test {
namespace {

template <class T>
VnImage<T> RandomImage(int width, int height, Rng& rng) {
  VnImage<T> image(width, height);
  FillRandomBytes(image, rng);
  return image;
}

// A random source and a guarded destination of the same size at odd places.
template <class S, class D>
struct Case {
  Placement place;
  GuardedRoi<S> src;
  GuardedRoi<D> dst;
  Case(const Placement& p, Rng& rng) : place(p), src(p, rng), dst(p, rng) {}
};

const Placement kPlace{37, 5, 3, 1, 45, 8};

// Runs `op` with the vector variants off and on; both must write `expected(x, y)`.
template <class S, class D, class Op, class Expected>
void ExpectPixels(Op op, Expected expected, unsigned seed) {
  Rng rng(seed);
  for (const Placement& p : RandomPlacements(rng, 24)) {
    for (int mmx = 0; mmx <= 1; ++mmx) {
      VnSetMMX(mmx);
      Case<S, D> c(p, rng);
      op(c.src.roi(), c.dst.roi());
      ASSERT_EQ(VnGetError(), 0);
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          ASSERT_EQ(c.dst.roi()->GetPixel(x, y), expected(c.src.roi()->GetPixel(x, y))) << x << "," << y;
      ASSERT_TRUE(c.dst.OutsideUnchanged());
      ASSERT_TRUE(c.src.Unchanged());
    }
  }
  VnSetMMX(1);
}

TEST(ImgThreshold, EightBitFixedThresholds) {
  for (unsigned t : {0u, 1u, 100u, 254u, 255u}) {
    SCOPED_TRACE(t);
    ExpectPixels<VnBW8, VnBW8>(
        [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d) { EXPECT_EQ(ImgThreshold(s, d, t, 7, 200, 0.5f), 0); },
        [&](VnBW8 p) { return p >= t ? 200 : 7; }, t);
  }
}

TEST(ImgThreshold, EightBitEdgeLevels) {
  VnImage<VnBW8> src(256, 1), dst(256, 1);
  for (int x = 0; x < 256; ++x) src.SetPixel(static_cast<VnBW8>(x), x, 0);
  ASSERT_EQ(ImgThreshold(&src, &dst, 0, 0, 255, 0.5f), 0);
  for (int x = 0; x < 256; ++x) EXPECT_EQ(dst.GetPixel(x, 0), 255);
  ASSERT_EQ(ImgThreshold(&src, &dst, 255, 0, 255, 0.5f), 0);
  for (int x = 0; x < 256; ++x) EXPECT_EQ(dst.GetPixel(x, 0), x == 255 ? 255 : 0) << x;
}

TEST(ImgThreshold, EightBitInPlace) {
  Rng rng(3);
  VnImage<VnBW8> image = RandomImage<VnBW8>(70, 4, rng), copy = image;
  ASSERT_EQ(ImgThreshold(&image, &image, 90, 1, 2, 0.5f), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 70; ++x) ASSERT_EQ(image.GetPixel(x, y), copy.GetPixel(x, y) >= 90 ? 2 : 1);
}

TEST(ImgThreshold, SixteenBitFixedThresholds) {
  for (unsigned t : {0u, 1u, 255u, 256u, 40000u, 65535u}) {
    SCOPED_TRACE(t);
    ExpectPixels<VnBW16, VnBW16>(
        [&](VnROI<VnBW16>* s, VnROI<VnBW16>* d) {
          ImgThreshold(s, d, t, VnBW16{9}, VnBW16{60000}, 0.5f);
        },
        [&](VnBW16 p) { return p >= t ? 60000 : 9; }, t);
  }
}

TEST(ImgDoubleThreshold, EightBitBands) {
  VnImage<VnBW8> src(6, 1), dst(6, 1);
  const VnBW8 levels[6] = {0, 99, 100, 200, 201, 255};
  const VnBW8 expected[6] = {1, 1, 2, 2, 3, 3};
  for (int x = 0; x < 6; ++x) src.SetPixel(levels[x], x, 0);
  for (int mmx = 0; mmx <= 1; ++mmx) {
    VnSetMMX(mmx);
    ASSERT_EQ(ImgDoubleThreshold(&src, &dst, 100, 200, 1, 2, 3), 0);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.GetPixel(x, 0), expected[x]) << int(levels[x]);
  }
  VnSetMMX(1);
}

TEST(ImgDoubleThreshold, BothWidthsMatchTheRuleForAnyThresholds) {
  // Crossed thresholds leave no middle band; thresholds past the range leave no band above.
  const std::pair<unsigned, unsigned> pairs[] = {{100, 200}, {200, 100}, {0, 0}, {255, 255}, {256, 300}, {7, 70000}};
  for (const auto& [lowT, highT] : pairs) {
    SCOPED_TRACE(::testing::Message() << lowT << " " << highT);
    const auto rule = [&](unsigned p, unsigned low, unsigned middle, unsigned high) {
      return p > highT ? high : p >= lowT ? middle : low;
    };
    ExpectPixels<VnBW8, VnBW8>(
        [&](VnROI<VnBW8>* s, VnROI<VnBW8>* d) { EXPECT_EQ(ImgDoubleThreshold(s, d, lowT, highT, 5, 6, 7), 0); },
        [&](VnBW8 p) { return static_cast<VnBW8>(rule(p, 5, 6, 7)); }, lowT);
    ExpectPixels<VnBW16, VnBW16>(
        [&](VnROI<VnBW16>* s, VnROI<VnBW16>* d) { ImgDoubleThreshold(s, d, lowT * 200, highT * 200, 5, 6, 7); },
        [&](VnBW16 p) {
          return static_cast<VnBW16>(p > highT * 200 ? 7 : p >= lowT * 200 ? 6 : 5);
        },
        highT);
  }
}

TEST(ImgDoubleThreshold, DefaultValuesAreTheFlatOnes) {
  VnImage<VnBW16> src(3, 1), dst(3, 1);
  src.SetPixel(10, 0, 0);
  src.SetPixel(20, 1, 0);
  src.SetPixel(30, 2, 0);
  ImgDoubleThreshold(&src, &dst, 20, 25);
  EXPECT_EQ(dst.GetPixel(0, 0), 0);
  EXPECT_EQ(dst.GetPixel(1, 0), 32767);
  EXPECT_EQ(dst.GetPixel(2, 0), 65535);
}

// Swaps the first and last components, so that the box is tested on the transformed colour.
class SwapLookup : public VnColorLookup {
 public:
  void Transform(VnC24 in, VnC24& out) override { out = VnC24{in.c2, in.c1, in.c0}; }
};

bool InBox(VnC24 p, VnC24 min, VnC24 max) {
  return min.c0 <= p.c0 && p.c0 <= max.c0 && min.c1 <= p.c1 && p.c1 <= max.c1 && min.c2 <= p.c2 && p.c2 <= max.c2;
}

TEST(ImgThresholdColour, BoxWithAndWithoutLookup) {
  const VnC24 min{40, 60, 10}, max{220, 250, 120};
  ExpectPixels<VnC24, VnBW8>([&](VnROI<VnC24>* s, VnROI<VnBW8>* d) { ImgThreshold(s, d, min, max); },
                             [&](VnC24 p) { return InBox(p, min, max) ? 255 : 0; }, 1);
  ExpectPixels<VnC24, VnBW8>([&](VnROI<VnC24>* s, VnROI<VnBW8>* d) { ImgThreshold(s, d, min, max, nullptr, 3, 4); },
                             [&](VnC24 p) { return InBox(p, min, max) ? 4 : 3; }, 2);
  SwapLookup swap;
  ExpectPixels<VnC24, VnBW8>([&](VnROI<VnC24>* s, VnROI<VnBW8>* d) { ImgThreshold(s, d, min, max, &swap, 3, 4); },
                             [&](VnC24 p) { return InBox(VnC24{p.c2, p.c1, p.c0}, min, max) ? 4 : 3; }, 3);
}

TEST(ImgThresholdColour, BoxEdgesAreInside) {
  VnImage<VnC24> src(4, 1);
  VnImage<VnBW8> dst(4, 1);
  const VnC24 min{10, 20, 30}, max{10, 25, 35};
  src.SetPixel(VnC24{10, 20, 30}, 0, 0);
  src.SetPixel(VnC24{10, 25, 35}, 1, 0);
  src.SetPixel(VnC24{9, 22, 32}, 2, 0);
  src.SetPixel(VnC24{10, 22, 36}, 3, 0);
  ImgThreshold(&src, &dst, min, max);
  const VnBW8 expected[4] = {255, 255, 0, 0};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPixel(x, 0), expected[x]);
}

// Failed checks: the code, the trace, the return value and an untouched destination.
template <class S, class D, class Op>
void ExpectRefused(Op op, const std::string& trace) {
  Rng rng(8);
  GuardedRoi<S> src(kPlace, rng);
  GuardedRoi<D> dst(kPlace, rng);
  VnROI<D> narrower(&dst.parent(), 3, 1, 36, 5);
  VnImage<S> voidSrc;
  VnROI<S> outside(&src.parent(), 40, 0, 10, 5);

  EXPECT_EQ(op(static_cast<VnROI<S>*>(nullptr), dst.roi()), VN_ERR_NULL_ROI);
  EXPECT_EQ(op(src.roi(), static_cast<VnROI<D>*>(nullptr)), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{trace});
  EXPECT_EQ(op(&voidSrc, dst.roi()), VN_ERR_NULL_ROI);
  EXPECT_EQ(op(&outside, dst.roi()), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(op(src.roi(), &narrower), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{trace});
  EXPECT_TRUE(dst.Unchanged());
  EXPECT_EQ(op(src.roi(), dst.roi()), 0);
  EXPECT_EQ(VnGetError(), 0);
}

TEST(ThresholdFailures, EveryGrayAndColourFormChecksAndTraces) {
  ExpectRefused<VnBW8, VnBW8>([](auto* s, auto* d) -> int { return ImgThreshold(s, d, 10, 0, 255, 0.5f); },
                              "ImgThreshold");
  ExpectRefused<VnBW8, VnBW8>([](auto* s, auto* d) -> int { return ImgDoubleThreshold(s, d, 10, 20, 0, 1, 2); },
                              "ImgDoubleThreshold ( BW8 to BW8)");
  ExpectRefused<VnBW16, VnBW16>(
      [](auto* s, auto* d) {
        ImgThreshold(s, d, 10, VnBW16{0}, VnBW16{1}, 0.5f);
        return VnGetError();
      },
      "ImgThreshold (BW16)");
  ExpectRefused<VnBW16, VnBW16>(
      [](auto* s, auto* d) {
        ImgDoubleThreshold(s, d, 10, 20, 0, 1, 2);
        return VnGetError();
      },
      "ImgDoubleThreshold ( BW16 to BW16)");
  ExpectRefused<VnC24, VnBW8>(
      [](auto* s, auto* d) {
        ImgThreshold(s, d, VnC24{}, VnC24{9, 9, 9});
        return VnGetError();
      },
      "ImgThreshold ( C24 to BW8)");
  SwapLookup swap;
  ExpectRefused<VnC24, VnBW8>(
      [&](auto* s, auto* d) {
        ImgThreshold(s, d, VnC24{}, VnC24{9, 9, 9}, &swap, 1, 2);
        return VnGetError();
      },
      "ImgThreshold ( C24 to BW8)");
}

}  // namespace
}  // namespace vnimg::test
