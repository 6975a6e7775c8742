#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/images.h"

namespace vnimg::test {
namespace {

TEST(ColourComponents, ExtractThenSetBackLeavesTheImage) {
  Rng rng(11);
  VnImage<VnC24> parent(20, 9);
  FillRandomBytes(parent, rng);
  VnROI<VnC24> colour(&parent, 3, 2, 13, 5);
  const VnImage<VnC24> before = parent;
  VnImage<VnBW8> component(13, 5);
  for (unsigned c = 0; c < 3; ++c) {
    VnOk();
    ClrGetComponent(&colour, &component, c, nullptr);
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        const VnC24 p = colour.GetPixel(x, y);
        ASSERT_EQ(component.GetPixel(x, y), c == 0 ? p.c0 : c == 1 ? p.c1 : p.c2);
      }
    ClrSetComponent(&component, &colour, c);
    ASSERT_EQ(VnGetError(), 0);
  }
  for (int y = 0; y < 9; ++y)
    ASSERT_EQ(0, std::memcmp(parent.GetImagePtr(0, y), before.GetImagePtr(0, y), 60));
}

TEST(ColourComponents, SetOnlyTouchesItsComponent) {
  VnImage<VnC24> colour(2, 1);
  colour.SetPixel(VnC24{1, 2, 3}, 0, 0);
  VnImage<VnBW8> gray(2, 1);
  gray.SetPixel(200, 0, 0);
  ClrSetComponent(&gray, &colour, 2);
  EXPECT_EQ(colour.GetPixel(0, 0), (VnC24{1, 2, 200}));
}

struct SwapLookup : VnColorLookup {
  void Transform(VnC24 in, VnC24& out) override { out = VnC24{in.c2, in.c1, in.c0}; }
};

TEST(ColourComponents, LookupIsAppliedBeforeExtraction) {
  VnImage<VnC24> colour(1, 1);
  colour.SetPixel(VnC24{10, 20, 30}, 0, 0);
  VnImage<VnBW8> gray(1, 1);
  SwapLookup swap;
  ClrGetComponent(&colour, &gray, 0, &swap);
  EXPECT_EQ(gray.GetPixel(0, 0), 30);
}

TEST(ColourComponents, BadArgumentsWriteNothing) {
  VnImage<VnC24> colour(4, 4);
  VnImage<VnBW8> gray(4, 4), small(3, 4);
  gray.SetPixel(9, 0, 0);
  ClrGetComponent(&colour, &gray, 3, nullptr);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_3);
  ClrGetComponent(&colour, &small, 0, nullptr);
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  ClrSetComponent(nullptr, &colour, 0);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(gray.GetPixel(0, 0), 9);
}

TEST(Dsp, GrayWeights) {
  const struct {
    VnC24 colour;
    int gray;
  } cases[] = {{{0, 0, 0}, 0}, {{255, 255, 255}, 255}, {{255, 0, 0}, 29}, {{0, 255, 0}, 149}, {{0, 0, 255}, 77},
               {{100, 100, 100}, 100}};
  VnImage<VnC24> colour(6, 1);
  for (int i = 0; i < 6; ++i) colour.SetPixel(cases[i].colour, i, 0);
  VnImage<VnBW8> gray(6, 1);
  ASSERT_EQ(KorvaneIDsp_RGBToGray_BW8_C3C1R(reinterpret_cast<const unsigned char*>(colour.GetImagePtr(0, 0)),
                                            colour.GetRowPitch(), gray.GetImagePtr(0, 0), gray.GetRowPitch(), 6, 1),
            0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(gray.GetPixel(i, 0), cases[i].gray) << i;
  EXPECT_NE(KorvaneIDsp_RGBToGray_BW8_C3C1R(nullptr, 3, gray.GetImagePtr(0, 0), 1, 1, 1), 0);
  EXPECT_NE(KorvaneIDsp_RGBToGray_BW8_C3C1R(reinterpret_cast<const unsigned char*>(colour.GetImagePtr(0, 0)), 3,
                                            gray.GetImagePtr(0, 0), 64, 6, 2),
            0);  // a pitch shorter than a row
}

// The chamfer map equals the cheapest 8-connected path to a zero pixel, found here by
// relaxing every pixel until nothing changes.
TEST(Dsp, DistanceTransformIsTheCheapestPath) {
  Rng rng(2);
  const int w = 23, h = 17;
  VnImage<VnBW8> src(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) src.SetPixel(rng() % 9 == 0 ? 0 : 255, x, y);
  VnImage<VnFLOAT32> dst(w, h);
  const float costs[2] = {1.0f, std::sqrt(2.0f)};
  ASSERT_EQ(KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(src.GetImagePtr(0, 0), src.GetRowPitch(),
                                                          dst.GetImagePtr(0, 0), dst.GetRowPitch(), w, h, costs),
            0);
  std::vector<double> best(w * h, 1e30);
  for (int i = 0; i < w * h; ++i)
    if (src.GetPixel(i % w, i / w) == 0) best[i] = 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if ((!dx && !dy) || nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            const double through = best[ny * w + nx] + (dx && dy ? costs[1] : costs[0]);
            if (through < best[y * w + x] - 1e-9) best[y * w + x] = through, changed = true;
          }
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_NEAR(dst.GetPixel(x, y), best[y * w + x], 1e-4) << x << "," << y;
}

TEST(Dsp, DistanceWithoutZeroPixelsIsTheLargestFloat) {
  VnImage<VnBW8> src(3, 2);
  for (int x = 0; x < 3; ++x) src.SetPixel(1, x, 0), src.SetPixel(1, x, 1);
  VnImage<VnFLOAT32> dst(3, 2);
  const float costs[2] = {1.0f, 1.5f};
  KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(src.GetImagePtr(0, 0), src.GetRowPitch(), dst.GetImagePtr(0, 0),
                                                dst.GetRowPitch(), 3, 2, costs);
  EXPECT_EQ(dst.GetPixel(2, 1), std::numeric_limits<float>::max());
}

TEST(Dsp, FloatToWordRoundsAndSaturates) {
  const float in[] = {-3.0f, 0.49f, 0.5f, 1.5f, 2.7f, 65534.6f, 70000.0f, std::numeric_limits<float>::quiet_NaN()};
  const unsigned short rounded[] = {0, 0, 1, 2, 3, 65535, 65535, 0};
  const unsigned short truncated[] = {0, 0, 0, 1, 2, 65534, 65535, 0};
  unsigned short out[8];
  ASSERT_EQ(KorvaneIDsp_ConvertFLOAT32toBW16(in, sizeof in, out, sizeof out, 8, 1, 1), 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], rounded[i]) << i;
  ASSERT_EQ(KorvaneIDsp_ConvertFLOAT32toBW16(in, sizeof in, out, sizeof out, 8, 1, 0), 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], truncated[i]) << i;
  EXPECT_NE(KorvaneIDsp_ConvertFLOAT32toBW16(in, sizeof in, out, sizeof out, 8, 1, 2), 0);
}

TEST(Dsp, FloatBuffers) {
  float* p = KorvaneIDsp_1DMallocFLOAT32(2);
  ASSERT_NE(p, nullptr);
  p[0] = 1.0f;
  p[1] = 2.0f;
  KorvaneIDsp_1DFree(p);
  EXPECT_EQ(KorvaneIDsp_1DMallocFLOAT32(0), nullptr);
}

}  // namespace
}  // namespace vnimg::test
