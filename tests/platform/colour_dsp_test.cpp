// The colour and DSP stand-ins: component round trips, gray weights, the chamfer distance
// against a brute-force shortest path, float to 16-bit conversion, and bad geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/images.h"

namespace vnimg::test {
namespace {

struct SwapLookup : VnColorLookup {
  void Transform(VnC24 in, VnC24& out) override { out = VnC24{in.c2, in.c1, in.c0}; }
};

TEST(ColourComponents, ExtractThenSetBackLeavesTheImage) {
  Rng rng(11);
  GuardedRoi<VnC24> colour({13, 5, 3, 2, 20, 9}, rng);
  VnImage<VnBW8> component(13, 5);
  SwapLookup swap;
  for (unsigned c = 0; c < 3; ++c) {
    ClrGetComponent(colour.roi(), &component, 2 - c, &swap);  // the lookup swaps c0 and c2 first
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(component.GetPixel(x, y), reinterpret_cast<const VnBW8*>(colour.roi()->GetImagePtr(x, y))[c]);
    ClrSetComponent(&component, colour.roi(), c);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_TRUE(colour.Unchanged());
  }
  ImgOper(Copy, VnBW8{200}, &component);
  ClrSetComponent(&component, colour.roi(), 1);
  EXPECT_EQ(colour.roi()->GetPixel(12, 4).c1, 200);
  EXPECT_TRUE(colour.OutsideUnchanged());
  VnImage<VnBW8> small(13, 4);
  const struct {
    std::function<void()> call;
    int code;
  } bad[] = {{[&] { ClrGetComponent(colour.roi(), &component, 3, nullptr); }, VN_ERR_PARAM_3},
             {[&] { ClrGetComponent(colour.roi(), &small, 0, nullptr); }, VN_ERR_SIZE_MISMATCH},
             {[&] { ClrSetComponent(&small, colour.roi(), 0); }, VN_ERR_SIZE_MISMATCH},
             {[&] { ClrSetComponent(nullptr, colour.roi(), 0); }, VN_ERR_NULL_ROI}};
  colour.Remember();
  for (const auto& b : bad) {
    b.call();
    EXPECT_EQ(VnGetError(), b.code);
  }
  EXPECT_TRUE(colour.Unchanged());
}

TEST(Dsp, GrayWeights) {
  const struct {
    VnC24 colour;
    int gray;
  } cases[] = {{{0, 0, 0}, 0}, {{255, 255, 255}, 255}, {{255, 0, 0}, 29}, {{0, 255, 0}, 149}, {{0, 0, 255}, 77}, {{100, 100, 100}, 100}};
  VnImage<VnC24> colour(6, 1);
  for (int i = 0; i < 6; ++i) colour.SetPixel(cases[i].colour, i, 0);
  VnImage<VnBW8> gray(6, 1);
  const auto* src = reinterpret_cast<const unsigned char*>(colour.GetImagePtr(0, 0));
  ASSERT_EQ(KorvaneIDsp_RGBToGray_BW8_C3C1R(src, colour.GetRowPitch(), gray.GetImagePtr(0, 0), gray.GetRowPitch(), 6, 1), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(gray.GetPixel(i, 0), cases[i].gray) << i;
}

// The chamfer map is the cheapest 8-connected path to a zero pixel, found here by relaxing
// every pixel until nothing changes; without any zero pixel every pixel is the largest float.
TEST(Dsp, DistanceTransformIsTheCheapestPath) {
  Rng rng(2);
  for (int zeros : {9, 0}) {
    const int w = 23, h = 17;
    VnImage<VnBW8> src(w, h);
    VnImage<VnFLOAT32> dst(w, h);
    std::vector<double> best(w * h, std::numeric_limits<float>::max());
    for (int i = 0; i < w * h; ++i)
      if (zeros && rng() % zeros == 0) best[i] = 0;
      else src.SetPixel(VnBW8(1 + rng() % 255), i % w, i / w);
    const float costs[2] = {1.0f, std::sqrt(2.0f)};
    ASSERT_EQ(KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(src.GetImagePtr(0, 0), src.GetRowPitch(), dst.GetImagePtr(0, 0),
                                                            dst.GetRowPitch(), w, h, costs), 0);
    for (bool changed = zeros; changed;) {
      changed = false;
      for (int i = 0; i < w * h; ++i)
        for (int d = 0; d < 9; ++d) {
          const int nx = i % w + d % 3 - 1, ny = i / w + d / 3 - 1;
          if (d == 4 || nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          const double through = best[ny * w + nx] + costs[d % 2 ? 0 : 1];
          if (through < best[i] - 1e-9) best[i] = through, changed = true;
        }
    }
    for (int i = 0; i < w * h; ++i) ASSERT_NEAR(dst.GetPixel(i % w, i / w), best[i], 1e-4) << i % w << "," << i / w;
  }
}

// Into a 16-bit ROI at an odd place of a larger parent: nothing past the ROI is written.
TEST(Dsp, FloatToWordRoundsSaturatesAndStaysInTheRoi) {
  const float in[] = {-3.0f, 0.49f, 0.5f, 1.5f, 2.7f, 65534.6f, 70000.0f, std::numeric_limits<float>::quiet_NaN()};
  const unsigned short expected[2][8] = {{0, 0, 0, 1, 2, 65534, 65535, 0}, {0, 0, 1, 2, 3, 65535, 65535, 0}};
  VnImage<VnFLOAT32> src(8, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x) src.SetPixel(in[(x + y) % 8], x, y);
  Rng rng(3);
  for (int mode : {0, 1}) {
    GuardedRoi<VnBW16> dst({8, 3, 3, 1, 13, 6}, rng);
    ASSERT_EQ(KorvaneIDsp_ConvertFLOAT32toBW16(src.GetImagePtr(0, 0), src.GetRowPitch(), dst.roi()->GetImagePtr(0, 0),
                                               dst.roi()->GetRowPitch(), 8, 3, mode), 0);
    EXPECT_TRUE(dst.OutsideUnchanged());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.roi()->GetPixel(x, y), expected[mode][(x + y) % 8]) << x << "," << y;
  }
}

// Each primitive accepts pitches of exactly one row of its pixel sizes and refuses one byte
// less (pitches matter from two rows on), null buffers, negative sizes and unknown modes.
TEST(Dsp, GeometryChecks) {
  alignas(64) static unsigned char a[4096], b[4096];
  const float costs[2] = {1, 2};
  using Call = std::function<int(int srcPitch, int dstPitch, int height, const void* src)>;
  const struct {
    int srcBytes, dstBytes;
    Call call;
  } prims[] = {
      {3, 1, [&](int sp, int dp, int h, const void* s) { return KorvaneIDsp_RGBToGray_BW8_C3C1R(static_cast<const unsigned char*>(s), sp, b, dp, 5, h); }},
      {1, 4, [&](int sp, int dp, int h, const void* s) { return KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(static_cast<const unsigned char*>(s), sp, reinterpret_cast<float*>(b), dp, 5, h, costs); }},
      {4, 2, [&](int sp, int dp, int h, const void* s) { return KorvaneIDsp_ConvertFLOAT32toBW16(static_cast<const float*>(s), sp, reinterpret_cast<unsigned short*>(b), dp, 5, h, 1); }},
  };
  for (const auto& p : prims) {
    SCOPED_TRACE(p.srcBytes);
    const int sp = 5 * p.srcBytes, dp = 5 * p.dstBytes;
    EXPECT_EQ(p.call(sp, dp, 2, a), 0);
    EXPECT_NE(p.call(sp - 1, dp, 2, a), 0);
    EXPECT_NE(p.call(sp, dp - 1, 2, a), 0);
    EXPECT_EQ(p.call(0, 0, 1, a), 0);
    EXPECT_NE(p.call(sp, dp, -1, a), 0);
    EXPECT_NE(p.call(sp, dp, 2, nullptr), 0);
  }
  EXPECT_NE(KorvaneIDsp_ConvertFLOAT32toBW16(reinterpret_cast<float*>(a), 20, reinterpret_cast<unsigned short*>(b), 10, 5, 1, 2), 0);
  EXPECT_NE(KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(a, 5, reinterpret_cast<float*>(b), 20, 5, 1, nullptr), 0);
  float* p = KorvaneIDsp_1DMallocFLOAT32(2);
  ASSERT_NE(p, nullptr);
  p[0] = p[1] = 1.0f;
  KorvaneIDsp_1DFree(p);
  EXPECT_EQ(KorvaneIDsp_1DMallocFLOAT32(0), nullptr);
}

}  // namespace
}  // namespace vnimg::test
