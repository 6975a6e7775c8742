// Binarisation against the mean of a square window shifted, never cut, at the borders.
#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/simd.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

using Korvane::Quandor::Segmentation::ImgLocalMeanThreshold;

// The first of the 2r + 1 window positions along a side of `size` pixels for pixel `at`.
int WindowStart(int at, int r, int size) { return std::clamp(at - r, 0, size - 1 - 2 * r); }

// The rule written directly: sum the window around (x, y), moved inside the image.
VnBW8 Expected(const VnROI<VnBW8>& src, int x, int y, int halfSize, int offset) {
  const int r = std::min(halfSize, (std::min(src.GetWidth(), src.GetHeight()) - 1) / 2);
  const int x0 = WindowStart(x, r, src.GetWidth()), y0 = WindowStart(y, r, src.GetHeight());
  long long sum = 0;
  for (int j = y0; j <= y0 + 2 * r; ++j)
    for (int i = x0; i <= x0 + 2 * r; ++i) sum += src.GetPixel(i, j);
  const long long n = (2LL * r + 1) * (2LL * r + 1);
  return src.GetPixel(x, y) * n < sum + n * offset ? 0 : 255;
}

TEST(ImgLocalMeanThreshold, MatchesTheWindowSumEverywhere) {
  Rng rng(31);
  std::uniform_int_distribution<int> half(0, 6), offset(-20, 20);
  for (const Placement& p : RandomPlacements(rng, 48)) {
    if (p.width > 300) continue;  // the brute-force sum is slow on the large placements
    Placement tall = p;
    tall.height = p.height + 9;
    tall.parentHeight = p.parentHeight + 9;
    GuardedRoi<VnBW8> src(tall, rng), dst(tall, rng);
    const int h = half(rng), k = offset(rng);
    SCOPED_TRACE(::testing::Message() << tall.width << "x" << tall.height << " r " << h << " offset " << k);
    ImgLocalMeanThreshold(src.roi(), dst.roi(), h, k);
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < tall.height; ++y)
      for (int x = 0; x < tall.width; ++x) ASSERT_EQ(dst.roi()->GetPixel(x, y), Expected(*src.roi(), x, y, h, k));
    ASSERT_TRUE(dst.OutsideUnchanged());
    ASSERT_TRUE(src.Unchanged());
  }
}

TEST(ImgLocalMeanThreshold, UniformImage) {
  VnImage<VnBW8> src(9, 7), dst(9, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) src.SetPixel(77, x, y);
  for (const auto& [offset, value] : {std::pair{0, 255}, std::pair{1, 0}, std::pair{-1, 255}}) {
    ImgLocalMeanThreshold(&src, &dst, 2, offset);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(dst.GetPixel(x, y), value) << offset;
  }
}

TEST(ImgLocalMeanThreshold, HalfSizeBeyondTheImageIsClamped) {
  Rng rng(32);
  VnImage<VnBW8> src(11, 5), clamped(11, 5), exact(11, 5);
  FillRandomBytes(src, rng);
  ImgLocalMeanThreshold(&src, &clamped, 1000, 3);
  ImgLocalMeanThreshold(&src, &exact, 2, 3);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 11; ++x) ASSERT_EQ(clamped.GetPixel(x, y), exact.GetPixel(x, y));
}

// Huge offsets would overflow 32-bit products; the comparison stays exact.
TEST(ImgLocalMeanThreshold, ExtremeOffsets) {
  Rng rng(33);
  VnImage<VnBW8> src(40, 40), dst(40, 40);
  FillRandomBytes(src, rng);
  ImgLocalMeanThreshold(&src, &dst, 15, 2000000000);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(dst.GetPixel(x, y), 0);
  ImgLocalMeanThreshold(&src, &dst, 15, -2000000000);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(dst.GetPixel(x, y), 255);
}

// Every vector level gives the plain loop's image, for windows whose area needs more than 15
// bits and offsets that take the 64-bit path, on a ROI at odd offsets in its parent.
TEST(ImgLocalMeanThreshold, EveryLevelGivesThePlainImage) {
  Rng rng(36);
  const Placement p{251, 233, 3, 5, 260, 241};
  GuardedRoi<VnBW8> src(p, rng);
  const simd::Level cap = simd::GetLevelCap();
  for (const auto& [halfSize, offset] : {std::pair{0, 0}, std::pair{1, -1}, std::pair{7, 3}, std::pair{101, -5},
                                         std::pair{1000, 7}, std::pair{7, 100000}, std::pair{101, -100000}}) {
    SCOPED_TRACE(::testing::Message() << "r " << halfSize << " offset " << offset);
    GuardedRoi<VnBW8> expected(p, rng);
    simd::SetLevelCap(simd::Level::Plain);
    ImgLocalMeanThreshold(src.roi(), expected.roi(), halfSize, offset);
    for (simd::Level level : simd::kAllLevels) {
      GuardedRoi<VnBW8> actual(p, rng);
      actual.StartLike(expected);
      simd::SetLevelCap(level);
      ImgLocalMeanThreshold(src.roi(), actual.roi(), halfSize, offset);
      EXPECT_TRUE(actual.SameBytesAs(expected)) << simd::LevelName(level);
    }
  }
  simd::SetLevelCap(cap);
  EXPECT_TRUE(src.Unchanged());
}

TEST(ImgLocalMeanThreshold, InPlaceGivesTheSameImage) {
  Rng rng(34);
  VnImage<VnBW8> image(33, 21), separate(33, 21);
  FillRandomBytes(image, rng);
  ImgLocalMeanThreshold(&image, &separate, 4, -2);
  ImgLocalMeanThreshold(&image, &image, 4, -2);
  ASSERT_EQ(VnGetError(), 0);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) ASSERT_EQ(image.GetPixel(x, y), separate.GetPixel(x, y));
}

TEST(ImgLocalMeanThreshold, RefusalsSetCodesWithoutTracing) {
  Rng rng(35);
  GuardedRoi<VnBW8> src(Placement{20, 6, 2, 1, 25, 8}, rng), dst(Placement{20, 6, 1, 0, 24, 7}, rng);
  VnROI<VnBW8> smaller(&dst.parent(), 0, 0, 19, 6);
  VnImage<VnBW8> empty;
  const struct {
    const VnROI<VnBW8>* src;
    VnROI<VnBW8>* dst;
    int halfSize;
    int code;
  } cases[] = {
      {nullptr, dst.roi(), 1, VN_ERR_NULL_ROI},   {src.roi(), nullptr, 1, VN_ERR_NULL_ROI},
      {src.roi(), dst.roi(), -1, VN_ERR_PARAM_3}, {&empty, dst.roi(), 1, VN_ERR_NULL_ROI},
      {src.roi(), &smaller, 1, VN_ERR_SIZE_MISMATCH},
  };
  for (const auto& c : cases) {
    ImgLocalMeanThreshold(c.src, c.dst, c.halfSize, 0);
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(VnGetErrorTraceCount(), 0u);
    EXPECT_TRUE(dst.Unchanged());
  }
  ImgLocalMeanThreshold(src.roi(), dst.roi(), 1, 0);
  EXPECT_EQ(VnGetError(), 0);
}

}  // namespace
}  // namespace vnimg::test
