// The core, colour and DSP stand-ins: error state, images and ROIs, the legacy vector,
// settings and memory; component round trips, gray weights, the chamfer distance against a
// brute-force shortest path, float to 16-bit conversion into a guarded ROI, bad geometry.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "foundation/simd.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

TEST(ErrorState, SetTraceClearAndPerThread) {
  EXPECT_EQ(VnSetError(1403), 1403);
  EXPECT_EQ(VnTraceError("Worker"), 1403);
  VnSetError(1400);  // a new code keeps the names already traced
  EXPECT_EQ(VnTraceError("ImgOp (BW8)"), 1400);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Worker", "ImgOp (BW8)"}));
  EXPECT_EQ(VnGetErrorTraceName(2), nullptr);
  for (unsigned i = 0; i < VN_MAX_TRACE; ++i) VnTraceError("later");  // a full trace keeps the innermost names
  EXPECT_TRUE(VnGetErrorTraceCount() == VN_MAX_TRACE && std::string(VnGetErrorTraceName(0)) == "Worker");
  EXPECT_EQ(VnOk(), 0);
  EXPECT_EQ(VnGetError() + VnGetErrorTraceCount(), 0u);
}

TEST(Image, BadSizesSetTheirCodeAndKeepTheImage) {
  const struct { int width, height, code; } cases[] = {
      {-1, 4, VN_ERR_NEGATIVE_SIZE}, {4, -1, VN_ERR_NEGATIVE_SIZE}, {INT_MAX, INT_MAX, VN_ERR_OUT_OF_MEMORY},
      {INT_MAX, 1, VN_ERR_OUT_OF_MEMORY}, {1 << 20, 1 << 30, VN_ERR_OUT_OF_MEMORY}};
  for (const auto& c : cases) {
    VnImage<VnC24> image(2, 2);
    image.SetPixel(VnC24{1, 2, 3}, 1, 1);
    VnOk();
    image.SetSize(c.width, c.height);
    EXPECT_EQ(VnGetError(), c.code) << c.width << " x " << c.height;
    EXPECT_EQ(image.GetPixel(1, 1), (VnC24{1, 2, 3}));
  }
  VnImage<VnBW8> empty(0, 5);  // no storage: void, and invalid through the validity check
  EXPECT_TRUE(empty.Void() && !empty.CheckValidity() && VnGetError() == VN_ERR_NULL_ROI);
}

TEST(Roi, ValidityChecksEveryLevel) {
  VnImage<VnBW8> image(10, 10);
  const struct { int x, y, w, h, code; } cases[] = {
      {0, 0, 10, 10, 0}, {10, 10, 0, 0, 0}, {1, 0, 10, 10, VN_ERR_ROI_OUTSIDE_PARENT}, {0, 1, 10, 10, VN_ERR_ROI_OUTSIDE_PARENT},
      {-1, 0, 2, 2, VN_ERR_ROI_OUTSIDE_PARENT}, {0, -1, 2, 2, VN_ERR_ROI_OUTSIDE_PARENT}, {0, 0, -2, 2, VN_ERR_NEGATIVE_SIZE},
      {0, 0, 2, -2, VN_ERR_NEGATIVE_SIZE}, {INT_MAX, 0, INT_MAX, 1, VN_ERR_ROI_OUTSIDE_PARENT}};
  for (const auto& c : cases) {
    VnROI<VnBW8> roi(&image, c.x, c.y, c.w, c.h), child(&roi, 0, 0, 0, 0);
    VnOk();
    EXPECT_EQ(roi.CheckValidity(), c.code == 0);
    EXPECT_EQ(VnGetError(), c.code) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    EXPECT_EQ(child.CheckValidity(), c.code == 0);  // a valid ROI inside a bad one is bad too
  }
  // Skip: bytes from just past a row's last pixel to the next row's first (bit rows: past the
  // last byte the row touches; pixels 11 to 30 touch bytes 1 to 3).
  VnImage<VnBW1> bits(37, 2);
  const VnROI<VnBW1> bitRow(&bits, 11, 1, 20, 1);
  EXPECT_EQ(bitRow.GetSkip(), bits.GetRowPitch() - 3);
  EXPECT_EQ(VnROI<VnBW8>(&image, 1, 1, 7, 2).GetSkip(), image.GetRowPitch() - 7);
  VnROI<VnBW8> orphan;
  EXPECT_TRUE(!orphan.CheckValidity() && VnGetError() == VN_ERR_NULL_ROI);
  // Bad ROIs whose origins (or skip) pass the int range are summed wide and held at its ends.
  VnImage<VnBW16> words(4, 1);
  const VnROI<VnBW16> far(&words, INT_MAX, 0, 1, 1), farther(&far, INT_MAX, 0, 1, 1), wide(&words, 0, 0, INT_MAX, 1);
  EXPECT_TRUE(farther.GetTotalOrgX() == INT_MAX && wide.GetSkip() == INT_MIN);
}

TEST(LegacyVector, TypesReallocateAndBadShapes) {
  const struct { int type, groups, length, size, dataType, expectGroups, expectLength; } cases[] = {
      {1, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3}, {2, 0, 0, VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 256},
      {2, 1, 640, VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 640}, {3, 0, 0, VN_DATA_SIZE_8, VN_DATA_UNSIGNED, 1, 256},
      {4, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3}, {5, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3},
      {6, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 1}, {7, 5, 0, VN_DATA_SIZE_32, VN_DATA_FLOAT, 5, 1}};
  for (const auto& c : cases) {
    VnVector v;
    ASSERT_EQ(v.SetType(c.type, c.groups, c.length), 0);
    const int bytes = c.expectGroups * c.expectLength * (c.size == VN_DATA_SIZE_8 ? 1 : 4);
    EXPECT_EQ(std::vector<int>({v.GetVectType(), v.GetDataSize(), v.GetDataType(), v.GetNbGroup(), v.GetGroupLength(),
                                int(v.GetAllocatedSize()), v.GetNbMaxGroup()}),
              std::vector<int>({c.type, c.size, c.dataType, c.expectGroups, c.expectLength, bytes, c.expectGroups}));
  }
  VnVector v;
  ASSERT_EQ(v.SetStructure(VN_DATA_SIZE_32, 4, 2, VN_DATA_SIGNED), 0);
  static_cast<int*>(v.GetDataPtr())[7] = -9;
  ASSERT_EQ(v.Reallocate(64), 0);  // keeps the content and zeroes the rest
  EXPECT_EQ(static_cast<int*>(v.GetDataPtr())[7] - static_cast<int*>(v.GetDataPtr())[8], -9);
  v.SetNbGroup(100);
  EXPECT_EQ(v.GetNbGroup(), 8);
  EXPECT_EQ(v.SetType(99, 1, 1), VN_ERR_PARAM_1);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, 1 << 20, 1 << 20, VN_DATA_SIGNED), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, -1, 1, VN_DATA_SIGNED), VN_ERR_PARAM_2);
  EXPECT_EQ(v.GetAllocatedSize(), 64u);  // failures keep the vector
  ASSERT_EQ(v.SetStructure(VN_DATA_SIZE_32, 0, INT_MAX, VN_DATA_SIGNED), 0);  // groups of 8 GiB, none of them stored
  EXPECT_EQ(v.GetNbMaxGroup(), 0);
}

TEST(Settings, AngleUnitAndMmx) {
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  VnSetAngleUnit(static_cast<VN_ANGLE_UNIT>(7));  // ignored
  EXPECT_DOUBLE_EQ(VnToRadians(180.0) + VnFromRadians(std::numbers::pi / 2), std::numbers::pi + 90.0);
  VnSetAngleUnit(VN_ANGLE_RADIANS);
  EXPECT_DOUBLE_EQ(VnToRadians(1.25) + VnFromRadians(1.25), 2.5);
  EXPECT_EQ(VnGetMMX(), VNIMG_X86 ? 1 : 0);  // on by default where vector variants exist
  VnSetMMX(0);
  EXPECT_EQ(simd::ActiveLevel(), simd::Level::Plain);
  VnSetMMX(5);
  EXPECT_EQ(VnGetMMX(), 1);
  simd::SetLevelCap(simd::Level::Sse2);
  EXPECT_EQ(simd::ActiveLevel(), std::min(simd::Level::Sse2, simd::CpuLevel()));
  simd::SetLevelCap(simd::Level::Avx512);
}

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
  colour.Remember();
  ClrGetComponent(colour.roi(), &component, 3, nullptr);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_3);
  ClrSetComponent(&small, colour.roi(), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_TRUE(colour.Unchanged());
}

TEST(Dsp, GrayWeights) {
  const struct { VnC24 colour; int gray; } cases[] = {
      {{0, 0, 0}, 0}, {{255, 255, 255}, 255}, {{255, 0, 0}, 29}, {{0, 255, 0}, 149}, {{0, 0, 255}, 77}, {{100, 100, 100}, 100}};
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
// less, null buffers, negative sizes and unknown modes.
TEST(Dsp, GeometryChecks) {
  alignas(64) static unsigned char a[4096], b[4096];
  const float costs[2] = {1, 2};
  const struct { int srcBytes, dstBytes; std::function<int(int srcPitch, int dstPitch, int height, const void* src)> call; } prims[] = {
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
    EXPECT_EQ(p.call(sp, dp, 0, a), 0);  // an empty image is no bad argument
    EXPECT_NE(p.call(sp, dp, -1, a), 0);
    EXPECT_NE(p.call(sp, dp, 2, nullptr), 0);
  }
  EXPECT_NE(KorvaneIDsp_ConvertFLOAT32toBW16(reinterpret_cast<float*>(a), 20, reinterpret_cast<unsigned short*>(b), 10, 5, 1, 2), 0);
  float* p = KorvaneIDsp_1DMallocFLOAT32(2);
  EXPECT_TRUE(p && !KorvaneIDsp_1DMallocFLOAT32(0));
  KorvaneIDsp_1DFree(p);
  for (std::size_t n : {1, 63, 64, 65}) {  // sizes round up to whole 64-byte blocks
    void* m = Quandor_Malloc(n);
    EXPECT_TRUE(m && reinterpret_cast<std::uintptr_t>(m) % 64 == 0) << n;
    Quandor_Free(m);
  }
}

}  // namespace
}  // namespace vnimg::test
