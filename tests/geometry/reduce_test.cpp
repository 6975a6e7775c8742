#include <gtest/gtest.h>

#include "foundation/frame.h"
#include "geometry/reduce_kernels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

// The block of destination index i along an axis, straight from the floor formulas; a
// destination larger than the source takes the single pixel under the block's start.
std::pair<int, int> Block(int i, int source, int destination) {
  const int first = static_cast<int>(std::int64_t{i} * source / destination);
  const int last = static_cast<int>(std::int64_t{i + 1} * source / destination);
  return {first, last > first ? last : first + 1};
}

template <class T>
unsigned ExpectedMean(const VnROI<T>& src, int dstWidth, int dstHeight, int i, int j) {
  const auto [x0, x1] = Block(i, src.GetWidth(), dstWidth);
  const auto [y0, y1] = Block(j, src.GetHeight(), dstHeight);
  std::uint64_t sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) sum += src.GetPixel(x, y);
  return static_cast<unsigned>(sum / (std::uint64_t(x1 - x0) * (y1 - y0)));
}

template <class T>
void ExpectShrinkMatchesMeans(unsigned seed) {
  Rng rng(seed);
  std::uniform_int_distribution<int> size(1, 60);
  for (int n = 0; n < 150; ++n) {
    const Placement sp{size(rng), size(rng), 2, 3, 66, 65};
    GuardedRoi<T> src(sp, rng);
    // Mostly smaller destinations, some larger in one direction or both.
    const int dw = n % 5 == 4 ? size(rng) : 1 + size(rng) % sp.width;
    const int dh = n % 7 == 6 ? size(rng) : 1 + size(rng) % sp.height;
    GuardedRoi<T> dst(Placement{dw, dh, 1, 1, 64, 63}, rng);
    SCOPED_TRACE(::testing::Message() << sp.width << "x" << sp.height << " into " << dw << "x" << dh);
    ImgShrink(src.roi(), dst.roi());
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_TRUE(src.Unchanged());
    ASSERT_TRUE(dst.OutsideUnchanged());
    for (int j = 0; j < dh; ++j)
      for (int i = 0; i < dw; ++i) ASSERT_EQ(unsigned(dst.roi()->GetPixel(i, j)), ExpectedMean(*src.roi(), dw, dh, i, j));
  }
}

class ShrinkBothLevels : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { VnSetMMX(GetParam()); }
  void TearDown() override { VnSetMMX(1); }
};
TEST_P(ShrinkBothLevels, BW8IsTheTruncatedBlockMean) { ExpectShrinkMatchesMeans<VnBW8>(31); }
TEST_P(ShrinkBothLevels, BW16IsTheTruncatedBlockMean) { ExpectShrinkMatchesMeans<VnBW16>(32); }
INSTANTIATE_TEST_SUITE_P(Mmx, ShrinkBothLevels, ::testing::Values(0, 1));

// Ten columns into three: blocks of 3, 3 and 4 with boundaries at 3 and 6.
TEST(Shrink, TenIntoThreeCutsAtThreeAndSix) {
  VnImage<VnBW8> src(10, 1), dst(3, 1);
  const VnBW8 values[10] = {0, 0, 3, 30, 30, 33, 100, 100, 100, 104};
  for (int x = 0; x < 10; ++x) src.SetPixel(values[x], x, 0);
  EXPECT_EQ(ImgShrink(&src, &dst), 0);
  EXPECT_EQ(dst.GetPixel(0, 0), 1);    // 3 / 3
  EXPECT_EQ(dst.GetPixel(1, 0), 31);   // 93 / 3
  EXPECT_EQ(dst.GetPixel(2, 0), 101);  // 404 / 4
}

TEST(Shrink, LargeBlocksDoNotOverflow) {
  VnImage<VnBW16> src(300, 300), dst(1, 1);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) src.SetPixel(65535, x, y);
  ImgShrink(&src, &dst);
  EXPECT_EQ(dst.GetPixel(0, 0), 65535);
  VnImage<VnBW8> bytes(20000, 1000), one(1, 1);
  for (int y = 0; y < 1000; ++y) std::memset(bytes.GetImagePtr(0, y), 255, 20000);
  EXPECT_EQ(ImgShrink(&bytes, &one), 0);
  EXPECT_EQ(one.GetPixel(0, 0), 255);
}

TEST(Shrink, ChecksAndTraces) {
  Rng rng(33);
  VnImage<VnBW8> src(8, 8), voidImage;
  GuardedRoi<VnBW8> dst(Placement{4, 4, 1, 1, 6, 6}, rng);
  EXPECT_EQ(ImgShrink(&voidImage, dst.roi()), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgShrink"});
  EXPECT_EQ(ImgShrink(&src, static_cast<VnROI<VnBW8>*>(nullptr)), VN_ERR_NULL_ROI);
  EXPECT_TRUE(dst.Unchanged());
  VnImage<VnBW16> wide(4, 4);
  ImgShrink(&wide, static_cast<VnROI<VnBW16>*>(nullptr));
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgShrink (BW16)"});
  VnImage<VnC24> colour(4, 4);
  ImgShrink(static_cast<VnROI<VnC24>*>(nullptr), &colour);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgShrink ( C24)"});
}

TEST(Shrink, ColourEqualsThreeGrayRuns) {
  Rng rng(34);
  VnImage<VnC24> src(23, 19), dst(6, 5);
  FillRandomBytes(src, rng);
  ImgShrink(&src, &dst);
  ASSERT_EQ(VnGetError(), 0);
  for (unsigned component = 0; component < 3; ++component) {
    VnImage<VnBW8> plane(23, 19), expected(6, 5), actual(6, 5);
    ClrGetComponent(&src, &plane, component, nullptr);
    ImgShrink(&plane, &expected);
    ClrGetComponent(&dst, &actual, component, nullptr);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) ASSERT_EQ(actual.GetPixel(x, y), expected.GetPixel(x, y));
  }
}

TEST(ReduceRows, EveryVectorVariantMatchesThePlainLoop) {
  ASSERT_TRUE(!VNIMG_X86 || !VectorVariants(geometry::AccumulateRowVariants()).empty());
  ExpectVariantsMatchPlain<VnBW32>(
      geometry::AccumulateRowVariants(),
      [](const Placement& p, Rng& rng) {
        VnImage<VnBW8> src(p.width, p.height);
        FillRandomBytes(src, rng);
        return src;
      },
      [](geometry::AccumulateRowFn fn, const VnImage<VnBW8>& src, VnROI<VnBW32>* sums) {
        frame::ForEachRow(src, *sums, [&](const VnBW8* s, VnBW32* d, int width) { fn(s, d, width); });
      });
  ExpectVariantsMatchPlain<VnBW8>(
      geometry::HalveRowVariants(),
      [](const Placement& p, Rng& rng) {
        VnImage<VnBW8> src(2 * p.width, 2 * p.height);
        FillRandomBytes(src, rng);
        return src;
      },
      [](geometry::HalveRowFn fn, const VnImage<VnBW8>& src, VnROI<VnBW8>* dst) {
        frame::ForEachRow(*dst, [&, y = 0](VnBW8* d, int width) mutable {
          fn(src.GetImagePtr(0, 2 * y), src.GetImagePtr(0, 2 * y + 1), d, width);
          ++y;
        });
      });
}

// Halving straight from its rules.
unsigned ExpectedHalf(const VnROI<VnBW8>& s, int i, int j) {
  const int x = 2 * i, y = 2 * j;
  const bool right = x + 1 < s.GetWidth(), below = y + 1 < s.GetHeight();
  if (right && below)
    return (s.GetPixel(x, y) + s.GetPixel(x + 1, y) + s.GetPixel(x, y + 1) + s.GetPixel(x + 1, y + 1)) >> 2;
  if (below) return (s.GetPixel(x, y) + s.GetPixel(x, y + 1)) >> 1;
  if (right) return (s.GetPixel(x, y) + s.GetPixel(x + 1, y)) >> 1;
  return s.GetPixel(x, y);
}

class HalveBothLevels : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { VnSetMMX(GetParam()); }
  void TearDown() override { VnSetMMX(1); }
};

TEST_P(HalveBothLevels, OddAndEvenSizesBothWays) {
  Rng rng(35);
  for (const Placement& p : RandomPlacements(rng, 80)) {
    GuardedRoi<VnBW8> src(p, rng);
    for (int dropOdd : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << p.width << "x" << p.height << " dropOdd " << dropOdd);
      VnImage<VnBW8> dst(3, 3);
      ImgHalve(src.roi(), &dst, dropOdd);
      ASSERT_EQ(VnGetError(), 0);
      const int w = p.width / 2 + (dropOdd ? 0 : p.width % 2), h = p.height / 2 + (dropOdd ? 0 : p.height % 2);
      ASSERT_EQ(dst.GetWidth(), w);
      ASSERT_EQ(dst.GetHeight(), h);
      for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) ASSERT_EQ(unsigned(dst.GetPixel(i, j)), ExpectedHalf(*src.roi(), i, j)) << i << "," << j;
      ASSERT_TRUE(src.Unchanged());
    }
  }
}
INSTANTIATE_TEST_SUITE_P(Mmx, HalveBothLevels, ::testing::Values(0, 1));

TEST(Halve, FiveByThree) {
  VnImage<VnBW8> src(5, 3), dst;
  const VnBW8 rows[3][5] = {{10, 20, 30, 41, 7}, {50, 60, 70, 80, 8}, {1, 4, 9, 16, 200}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) src.SetPixel(rows[y][x], x, y);
  ImgHalve(&src, &dst, 0);
  ASSERT_EQ(dst.GetWidth(), 3);
  ASSERT_EQ(dst.GetHeight(), 2);
  const VnBW8 expected[2][3] = {{35, 55, 7}, {2, 12, 200}};  // (140 >> 2, 221 >> 2, 15 >> 1), (5 >> 1, 25 >> 1, corner)
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.GetPixel(x, y), expected[y][x]) << x << "," << y;
  ImgHalve(&src, &dst, 1);
  ASSERT_EQ(dst.GetWidth(), 2);
  ASSERT_EQ(dst.GetHeight(), 1);
  EXPECT_EQ(dst.GetPixel(0, 0), 35);
  EXPECT_EQ(dst.GetPixel(1, 0), 55);
}

TEST(Halve, InPlaceOnAnImageAndOnAROI) {
  Rng rng(36);
  VnImage<VnBW8> image(13, 9), expected;
  FillRandomBytes(image, rng);
  ImgHalve(&image, &expected, 0);
  ImgHalve(&image, &image, 0);
  ASSERT_EQ(VnGetError(), 0);
  ASSERT_EQ(image.GetWidth(), 7);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(image.GetPixel(x, y), expected.GetPixel(x, y));

  VnImage<VnBW8> parent(20, 12);
  FillRandomBytes(parent, rng);
  VnROI<VnBW8> roi(&parent, 3, 2, 12, 8);
  ImgHalve(&roi, &expected, 0);
  ImgHalve(&roi, &roi, 0);  // the ROI shrinks in place to its top-left quarter
  ASSERT_EQ(roi.GetWidth(), 6);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(roi.GetPixel(x, y), expected.GetPixel(x, y));
  // A source ROI inside the destination image.
  VnROI<VnBW8> inner(&parent, 1, 1, 10, 10);
  ImgHalve(&inner, &expected, 0);
  VnImage<VnBW8> saved = expected;
  ImgHalve(&inner, &parent, 0);
  ASSERT_EQ(VnGetError(), 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(parent.GetPixel(x, y), saved.GetPixel(x, y));
}

TEST(Halve, ChecksAndSizes) {
  VnImage<VnBW8> src(4, 4), voidImage, dst(2, 2);
  ImgHalve(nullptr, &dst, 0);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHalve ( BW8)"});
  ImgHalve(&voidImage, &dst, 0);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  ImgHalve(&src, nullptr, 0);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  // A destination ROI that the new size would push out of its parent.
  VnImage<VnBW8> small(3, 3);
  VnROI<VnBW8> corner(&small, 2, 2, 1, 1);
  ImgHalve(&src, &corner, 0);
  EXPECT_EQ(VnGetError(), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHalve ( BW8)"});
  // One column with dropOdd: nothing left, and no error.
  VnImage<VnBW8> column(1, 6);
  ImgHalve(&column, &dst, 1);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(dst.GetWidth(), 0);
}

}  // namespace
}  // namespace vnimg::test
