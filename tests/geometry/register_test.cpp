#include <gtest/gtest.h>

#include <cmath>

#include "support/images.h"

namespace vnimg::test {
namespace {

VnImage<VnBW8> RandomBW8(int width, int height, unsigned seed) {
  Rng rng(seed);
  VnImage<VnBW8> image(width, height);
  FillRandomBytes(image, rng);
  return image;
}

template <class T>
bool SamePixels(const VnROI<T>& a, const VnROI<T>& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      if (!(a.GetPixel(x, y) == b.GetPixel(x, y))) return false;
  return true;
}

// Keeps the angle unit of a test and restores radians after.
struct AngleUnit {
  explicit AngleUnit(VN_ANGLE_UNIT unit) { VnSetAngleUnit(unit); }
  ~AngleUnit() { VnSetAngleUnit(VN_ANGLE_RADIANS); }
};

TEST(ScaleRotate, QuarterTurnInDegreesMovesTopRightToTopLeft) {
  AngleUnit degrees(VN_ANGLE_DEGREES);
  const VnImage<VnBW8> src = RandomBW8(6, 6, 1);
  VnImage<VnBW8> dst(6, 6);
  for (int bits : {0, 8}) {
    EXPECT_EQ(ImgScaleRotate(&src, 3, 3, 3, 3, 1, 1, 90, &dst, bits), 0);
    EXPECT_EQ(dst.GetPixel(0, 0), src.GetPixel(5, 0)) << bits;
    // The whole square turns counter-clockwise on screen: dst(X, Y) = src(W-1-Y, X).
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(5 - y, x)) << bits << ": " << x << "," << y;
  }
}

TEST(ScaleRotate, ScalesActAlongTheSourceAxesAndPivotsMeet) {
  const VnImage<VnBW8> src = RandomBW8(8, 8, 2);
  VnImage<VnBW8> dst(16, 8);
  // Twice as wide, pivot (0, 0) onto (0, 0): dst(X, Y) = src(X / 2, Y) in the nearest mode.
  ImgScaleRotate(&src, 0, 0, 0, 0, 2, 1, 0, &dst, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(x / 2, y));
  // Pivot (2, 1) onto (5, 4): a translation by (3, 3).
  VnImage<VnBW8> moved(8, 8);
  ImgScaleRotate(&src, 2, 1, 5, 4, 1, 1, 0, &moved, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(moved.GetPixel(x, y), x >= 3 && y >= 3 ? src.GetPixel(x - 3, y - 3) : 0) << x << "," << y;
}

TEST(ScaleRotate, InPlaceEqualsIntoAnotherImage) {
  Rng rng(4);
  GuardedRoi<VnBW8> roi(Placement{21, 13, 3, 2, 30, 18}, rng);
  VnImage<VnBW8> expected(21, 13);
  ImgScaleRotate(roi.roi(), 10.5f, 6.5f, 10, 7, 1.3f, 0.8f, 0.4f, &expected, 8);
  EXPECT_EQ(ImgScaleRotate(roi.roi(), 10.5f, 6.5f, 10, 7, 1.3f, 0.8f, 0.4f, 8), 0);
  EXPECT_TRUE(SamePixels<VnBW8>(*roi.roi(), expected));
  EXPECT_TRUE(roi.OutsideUnchanged());

  VnImage<VnBW16> wide(9, 7), wideExpected(9, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) wide.SetPixel(static_cast<VnBW16>(1000 * x + 7 * y), x, y);
  ImgScaleRotate(&wide, 4, 3, 4, 3, 1, 1, 0.3f, &wideExpected, 4);
  ImgScaleRotate(&wide, 4, 3, 4, 3, 1, 1, 0.3f, 4);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_TRUE(SamePixels<VnBW16>(wide, wideExpected));
}

TEST(ScaleRotate, FailuresTraceTheTransformThenTheOperation) {
  const VnImage<VnBW8> src = RandomBW8(5, 5, 3);
  Rng rng(5);
  GuardedRoi<VnBW8> dst(Placement{5, 5, 0, 0, 6, 6}, rng);
  EXPECT_EQ(ImgScaleRotate(&src, 0, 0, 0, 0, 1, 1, 0, dst.roi(), 3), VN_ERR_BAD_ARGUMENT_COMBINATION);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ImgLinearTransform", "ImgScaleRotate"}));
  EXPECT_EQ(ImgScaleRotate(&src, 0, 0, 0, 0, 0, 1, 0, dst.roi(), 0), VN_ERR_TRANSFORM_OUTSIDE);
  EXPECT_EQ(ImgScaleRotate(static_cast<VnROI<VnBW8>*>(nullptr), 0, 0, 0, 0, 1, 1, 0, 0), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgScaleRotate"});
  EXPECT_TRUE(dst.Unchanged());

  VnImage<VnBW16> wide(4, 4);
  ImgScaleRotate(&wide, 0, 0, 0, 0, 1, 1, 0, &wide, 9);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ImgLinearTransform (BW16)", "ImgScaleRotate (BW16)"}));
  VnImage<VnC24> colour(4, 4), colourDst(4, 4);
  ImgScaleRotate(&colour, 0, 0, 0, 0, 1, 1, 0, &colourDst, 9);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ImgLinearTransform", "ImgScaleRotate", "ImgScaleRotate ( C24)"}));
}

TEST(Register, OnePivotIsATranslation) {
  const VnImage<VnBW8> src = RandomBW8(10, 9, 6);
  VnImage<VnBW8> viaRegister(10, 9), viaScaleRotate(10, 9);
  ImgRegister(&src, &viaRegister, 3.25f, 1.5f, 5, 2, 8);
  ImgScaleRotate(&src, 3.25f, 1.5f, 5, 2, 1, 1, 0, &viaScaleRotate, 8);
  EXPECT_TRUE(SamePixels<VnBW8>(viaRegister, viaScaleRotate));
  ImgRegister(&src, &viaRegister, 1, 1, 3, 4, 0);
  for (int y = 3; y < 9; ++y)
    for (int x = 2; x < 10; ++x) EXPECT_EQ(viaRegister.GetPixel(x, y), src.GetPixel(x - 2, y - 3));
}

TEST(Register, TwoIdenticalPivotPairsWithResizeAreTheIdentity) {
  const VnImage<VnBW8> src = RandomBW8(12, 7, 7);
  for (int bits : {0, 4, 8}) {
    VnImage<VnBW8> dst(12, 7);
    ImgRegister(&src, &dst, 2, 3, 9, 5, 2, 3, 9, 5, bits, 1);
    EXPECT_EQ(VnGetError(), 0);
    EXPECT_TRUE(SamePixels<VnBW8>(dst, src)) << bits;
  }
}

TEST(Register, TwoPivotsTurnAndScaleAboutTheFirst) {
  AngleUnit degrees(VN_ANGLE_DEGREES);
  const VnImage<VnBW8> src = RandomBW8(20, 20, 8);
  VnImage<VnBW8> registered(20, 20), expected(20, 20);
  // S1 - S0 points right, D1 - D0 points up (y grows downwards) and is twice as long.
  ImgRegister(&src, &registered, 10, 10, 14, 10, 9, 11, 9, 3, 8, 1);
  ImgScaleRotate(&src, 10, 10, 9, 11, 2, 2, 90, &expected, 8);
  EXPECT_TRUE(SamePixels<VnBW8>(registered, expected));
  // Without resize the scale stays 1; coincident source pivots carry no scale either.
  ImgRegister(&src, &registered, 10, 10, 14, 10, 9, 11, 9, 3, 8, 0);
  ImgScaleRotate(&src, 10, 10, 9, 11, 1, 1, 90, &expected, 8);
  EXPECT_TRUE(SamePixels<VnBW8>(registered, expected));
  ImgRegister(&src, &registered, 10, 10, 10, 10, 9, 11, 9, 3, 8, 1);
  EXPECT_EQ(VnGetError(), 0);
  ImgScaleRotate(&src, 10, 10, 9, 11, 1, 1, 90, &expected, 8);
  EXPECT_TRUE(SamePixels<VnBW8>(registered, expected));
}

struct KnownMap {
  float a, b, c, d, e, f;
  void Apply(float x, float y, float& X, float& Y) const {
    X = a * x + b * y + c;
    Y = d * x + e * y + f;
  }
};

// Coefficients and pivots exact in binary, so Cramer's rule recovers the map exactly.
TEST(Register, ThreePivotsRecoverAKnownMap) {
  const VnImage<VnBW8> src = RandomBW8(16, 12, 9);
  const KnownMap maps[] = {{0.5f, 0.25f, 3, -0.25f, 0.75f, 2}, {1, 0, 2.5f, 0, 1, -1.5f}, {0, 1, 0, -1, 0, 16}};
  for (const KnownMap& m : maps) {
    const float sx[3] = {1, 9, 4}, sy[3] = {2, 3, 10};
    float dx[3], dy[3];
    for (int i = 0; i < 3; ++i) m.Apply(sx[i], sy[i], dx[i], dy[i]);
    for (int bits : {0, 8}) {
      VnImage<VnBW8> registered(14, 17), expected(14, 17);
      ImgRegister(&src, &registered, sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], dx[0], dy[0], dx[1], dy[1], dx[2],
                  dy[2], bits);
      EXPECT_EQ(VnGetError(), 0);
      ImgLinearTransform(&src, m.a, m.b, m.c, m.d, m.e, m.f, &expected, bits);
      EXPECT_TRUE(SamePixels<VnBW8>(registered, expected)) << m.a << " " << bits;
    }
  }
}

// A quarter turn moves whole pixels; registering back through the images of three pivots
// gives the source again.
TEST(Register, ThreePivotsRoundTrip) {
  const VnImage<VnBW8> src = RandomBW8(11, 11, 10);
  VnImage<VnBW8> turned(11, 11), back(11, 11);
  ImgRegister(&src, &turned, 0, 0, 11, 0, 0, 11, 0, 11, 0, 0, 11, 11, 0);
  ImgRegister(&turned, &back, 0, 11, 0, 0, 11, 11, 0, 0, 11, 0, 0, 11, 0);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_TRUE(SamePixels<VnBW8>(back, src));
  EXPECT_FALSE(SamePixels<VnBW8>(turned, src));
}

TEST(Register, CollinearPivotsAre1050) {
  const VnImage<VnBW8> src = RandomBW8(6, 6, 11);
  Rng rng(12);
  GuardedRoi<VnBW8> dst(Placement{6, 6, 1, 1, 8, 8}, rng);
  ImgRegister(&src, dst.roi(), 0, 0, 1, 1, 2, 2, 0, 0, 1, 0, 0, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_SINGULAR_SYSTEM);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgRegister ( BW8, 3 pivots)"});
  ImgRegister(&src, dst.roi(), 1, 1, 1, 1, 4, 0, 0, 0, 1, 0, 0, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_SINGULAR_SYSTEM);
  EXPECT_TRUE(dst.Unchanged());
  // A transform failure adds the register's name after the transform's.
  ImgRegister(&src, dst.roi(), 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 6);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ImgLinearTransform", "ImgRegister ( BW8, 3 pivots)"}));
  VnImage<VnBW16> wide(3, 3);
  ImgRegister(&wide, &wide, 0, 0, 1, 1, 2, 2, 0, 0, 1, 0, 0, 1);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgRegister ( BW16, 3 pivots)"});
  VnImage<VnC24> colour(3, 3);
  ImgRegister(&colour, &colour, 0, 0, 1, 1, 2, 2, 0, 0, 1, 0, 0, 1);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgRegister ( C24, 3 pivots)"});
}

TEST(Register, ColourEqualsThreeGrayRuns) {
  Rng rng(13);
  VnImage<VnC24> src(9, 8), dst(9, 8);
  FillRandomBytes(src, rng);
  ImgRegister(&src, &dst, 1, 1, 7, 2, 2, 6, 0, 0, 6, 2, 1, 7, 8);
  ASSERT_EQ(VnGetError(), 0);
  for (unsigned component = 0; component < 3; ++component) {
    VnImage<VnBW8> plane(9, 8), planeDst(9, 8), actual(9, 8);
    ClrGetComponent(&src, &plane, component, nullptr);
    ImgRegister(&plane, &planeDst, 1, 1, 7, 2, 2, 6, 0, 0, 6, 2, 1, 7, 8);
    ClrGetComponent(&dst, &actual, component, nullptr);
    EXPECT_TRUE(SamePixels<VnBW8>(actual, planeDst)) << component;
  }
}

}  // namespace
}  // namespace vnimg::test
