#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "foundation/frame.h"
#include "geometry/affine_kernels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

struct Coefficients {
  float a, b, c, d, e, f;
};

// The inverse map in 16.16, derived here on its own: source = origin + X column + Y row.
struct InverseFixed {
  std::int64_t x0, y0, dxdX, dxdY, dydX, dydY;
};
InverseFixed Inverse(const Coefficients& m) {
  const float det = m.a * m.e - m.b * m.d;
  const float inv = 1.0f / det;
  const float dxdX = m.e * inv, dxdY = -m.b * inv, dydX = -m.d * inv, dydY = m.a * inv;
  const float x0 = -(m.c * dxdX + m.f * dxdY), y0 = -(m.c * dydX + m.f * dydY);
  auto fixed = [](float v) { return static_cast<std::int64_t>(std::trunc(static_cast<double>(v) * 65536.0)); };
  return {fixed(x0), fixed(y0), fixed(dxdX), fixed(dxdY), fixed(dydX), fixed(dydY)};
}

std::int64_t Wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v & 0xFFFFFFFF)); }
std::int64_t HalfOf(std::int64_t sum) { return Wrap32(sum) >> 1; }

// One destination pixel evaluated directly: the tracked coordinate of pixel (X, Y) in one
// multiplication (not accumulated step by step), then the sampling rule in terms of the real
// source position u = P / 65536 - 1/2 in the bilinear modes.
template <class T>
unsigned Expected(const VnROI<T>& src, const InverseFixed& m, int bits, int X, int Y) {
  const std::int64_t bias = bits == 0 ? 0 : 65536;
  const std::int64_t p = Wrap32(m.x0 + HalfOf(m.dxdX + m.dxdY + bias) + X * m.dxdX + Y * m.dxdY);
  const std::int64_t q = Wrap32(m.y0 + HalfOf(m.dydX + m.dydY + bias) + X * m.dydX + Y * m.dydY);
  const std::int64_t W = src.GetWidth(), H = src.GetHeight();
  if (bits == 0) {
    if (p < 0 || q < 0 || p >= W * 65536 || q >= H * 65536) return 0;
    return src.GetPixel(static_cast<int>(p >> 16), static_cast<int>(q >> 16));
  }
  // Along one axis: the real position u (in 1/65536), either outside, one pixel (within half a
  // pixel of an edge) or two neighbours with the weight of the second.
  struct Taps {
    bool outside;
    std::int64_t first;
    bool two;
    std::int64_t weight;
  };
  auto taps = [bits](std::int64_t tracked, std::int64_t size) -> Taps {
    const std::int64_t u = tracked - 32768;
    if (u < 0 || u >= size * 65536) return {true, 0, false, 0};
    if (u < 32768) return {false, 0, false, 0};
    if (u >= size * 65536 - 32768) return {false, size - 1, false, 0};
    const std::int64_t fromCentre = u - 32768;  // distance past the centre of pixel 0
    return {false, fromCentre >> 16, true, (fromCentre & 0xFFFF) >> (16 - bits)};
  };
  const Taps tx = taps(p, W), ty = taps(q, H);
  if (tx.outside || ty.outside) return 0;
  const std::int64_t one = std::int64_t{1} << bits;
  const std::int64_t wx[2] = {tx.two ? one - tx.weight : 1, tx.weight};
  const std::int64_t wy[2] = {ty.two ? one - ty.weight : 1, ty.weight};
  std::int64_t total = 0;
  for (int dy = 0; dy < (ty.two ? 2 : 1); ++dy)
    for (int dx = 0; dx < (tx.two ? 2 : 1); ++dx)
      total += wx[dx] * wy[dy] * src.GetPixel(static_cast<int>(tx.first + dx), static_cast<int>(ty.first + dy));
  const int shift = (tx.two ? bits : 0) + (ty.two ? bits : 0);
  return static_cast<unsigned>(total >> shift);
}

// Random maps of the kinds resampling meets: rotations, scales from 0.1 to 10 (uneven per
// axis), shears, fractional translations, and maps that put most points outside.
Coefficients RandomMap(Rng& rng, int srcWidth, int srcHeight) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float angle = unit(rng) * 6.2831853f;
  const float sx = 0.1f * std::pow(100.0f, unit(rng)), sy = unit(rng) < 0.5f ? sx : 0.1f * std::pow(100.0f, unit(rng));
  const float shear = unit(rng) < 0.3f ? 2.0f * unit(rng) - 1.0f : 0.0f;
  Coefficients m{sx * std::cos(angle), sy * std::sin(angle) + shear, 0, -sx * std::sin(angle), sy * std::cos(angle), 0};
  // Source centre onto a random destination point, most often near the destination's middle.
  const float reach = unit(rng) < 0.2f ? 400.0f : 30.0f;
  const float tx = (unit(rng) - 0.5f) * reach, ty = (unit(rng) - 0.5f) * reach;
  m.c = tx - (m.a * srcWidth / 2 + m.b * srcHeight / 2);
  m.f = ty - (m.d * srcWidth / 2 + m.e * srcHeight / 2);
  return m;
}

template <class T>
void ExpectMatchesEvaluation(unsigned seed, int maps) {
  Rng rng(seed);
  std::uniform_int_distribution<int> size(1, 40);
  const int modes[] = {0, 4, 8};
  for (int n = 0; n < maps; ++n) {
    const Placement sp{size(rng), size(rng), 3, 2, 50, 45};
    GuardedRoi<T> src(sp, rng);
    const Placement dp{size(rng), size(rng), 1, 4, 47, 48};
    GuardedRoi<T> dst(dp, rng);
    const Coefficients m = RandomMap(rng, sp.width, sp.height);
    const int bits = modes[n % 3];
    SCOPED_TRACE(::testing::Message() << "map " << n << " bits " << bits);
    ImgLinearTransform(src.roi(), m.a, m.b, m.c, m.d, m.e, m.f, dst.roi(), bits);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_TRUE(src.Unchanged());
    ASSERT_TRUE(dst.OutsideUnchanged());
    const InverseFixed inv = Inverse(m);
    for (int y = 0; y < dp.height; ++y)
      for (int x = 0; x < dp.width; ++x)
        ASSERT_EQ(unsigned(dst.roi()->GetPixel(x, y)), Expected(*src.roi(), inv, bits, x, y)) << x << "," << y;
  }
}

class LinearTransformBothLevels : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { VnSetMMX(GetParam()); }
  void TearDown() override { VnSetMMX(1); }
};

TEST_P(LinearTransformBothLevels, BW8MatchesAPerPixelEvaluation) { ExpectMatchesEvaluation<VnBW8>(11, 600); }
// Destination rows longer than the column strips the operation works in.
TEST_P(LinearTransformBothLevels, WideRowsMatchAPerPixelEvaluation) {
  Rng rng(13);
  const VnImage<VnBW8> parent = [&] {
    VnImage<VnBW8> image(300, 40);
    FillRandomBytes(image, rng);
    return image;
  }();
  const VnROI<VnBW8> src(&parent, 5, 3, 290, 35);
  for (int n = 0; n < 6; ++n) {
    VnImage<VnBW8> dst(1300, 3);
    Coefficients m = RandomMap(rng, 290, 35);
    m.c += 600;  // the source's image near the middle of the long rows
    const int bits = (n % 3) * 4;
    ImgLinearTransform(&src, m.a, m.b, m.c, m.d, m.e, m.f, &dst, bits);
    ASSERT_EQ(VnGetError(), 0);
    const InverseFixed inv = Inverse(m);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 1300; ++x) ASSERT_EQ(unsigned(dst.GetPixel(x, y)), Expected(src, inv, bits, x, y)) << x << "," << y;
  }
}

TEST_P(LinearTransformBothLevels, BW16MatchesAPerPixelEvaluation) { ExpectMatchesEvaluation<VnBW16>(12, 300); }
INSTANTIATE_TEST_SUITE_P(Mmx, LinearTransformBothLevels, ::testing::Values(0, 1));

// A random map in 16.16 for the row samplers, sometimes with steps so large that the tracked
// coordinates wrap around 32 bits within a row.
struct RowJob {
  VnImage<VnBW8> src;
  VnROI<VnBW8> view;
  std::int32_t p, q, dpX, dqX, dpY, dqY;
  int bits;
};

std::unique_ptr<RowJob> RandomRowJob(const Placement& placement, Rng& rng) {
  std::uniform_int_distribution<int> size(1, 70);
  auto job = std::make_unique<RowJob>();
  const int w = size(rng), h = size(rng);
  job->src.SetSize(w + 5, h + 3);
  FillRandomBytes(job->src, rng);
  job->view = VnROI<VnBW8>(&job->src, 2, 1, w, h);
  const Coefficients m = RandomMap(rng, w, h);
  const float det = m.a * m.e - m.b * m.d;
  const double fix = 65536.0 / det;
  job->dpX = static_cast<std::int32_t>(m.e * fix);
  job->dqX = static_cast<std::int32_t>(-m.d * fix);
  job->dpY = static_cast<std::int32_t>(-m.b * fix);
  job->dqY = static_cast<std::int32_t>(m.a * fix);
  std::uniform_int_distribution<std::int32_t> start(-20 * 65536, (w + 20) * 65536);
  job->p = start(rng);
  job->q = std::uniform_int_distribution<std::int32_t>(-20 * 65536, (h + 20) * 65536)(rng);
  if (placement.width % 13 == 5) {
    job->dpX = std::uniform_int_distribution<std::int32_t>(-0x7FFFFFFF, 0x7FFFFFFF)(rng);
    job->p = 0x7FFF0000;
  }
  const int modes[] = {0, 4, 8};
  job->bits = modes[std::uniform_int_distribution<int>(0, 2)(rng)];
  return job;
}

TEST(AffineRow, EveryVectorVariantMatchesThePlainLoop) {
  ASSERT_TRUE(!VNIMG_X86 || !VectorVariants(geometry::AffineRowVariants()).empty());
  for (unsigned seed = 1; seed <= 6; ++seed)
    ExpectVariantsMatchPlain<VnBW8>(
        geometry::AffineRowVariants(), RandomRowJob,
        [](geometry::AffineRowFn<VnBW8> fn, const std::unique_ptr<RowJob>& job, VnROI<VnBW8>* dst) {
          const geometry::Source<VnBW8> s{job->view.GetImagePtr(0, 0), job->view.GetRowPitch(), job->view.GetWidth(),
                                          job->view.GetHeight()};
          std::int32_t p = job->p, q = job->q;
          frame::ForEachRow(*dst, [&](VnBW8* out, int width) {
            fn(s, p, q, job->dpX, job->dqX, job->bits, out, width);
            p = static_cast<std::int32_t>(std::uint32_t(p) + std::uint32_t(job->dpY));
            q = static_cast<std::int32_t>(std::uint32_t(q) + std::uint32_t(job->dqY));
          });
        },
        150, seed);
}

// Hand-made images for the named cases.
VnImage<VnBW8> Ramp(int width, int height) {
  VnImage<VnBW8> image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(static_cast<VnBW8>(7 + 23 * x + 61 * y * y), x, y);
  return image;
}

TEST(LinearTransform, TheIdentityCopiesInEveryMode) {
  const VnImage<VnBW8> src = Ramp(9, 6);
  for (int bits : {0, 4, 8}) {
    VnImage<VnBW8> dst(9, 6);
    ImgLinearTransform(&src, 1, 0, 0, 0, 1, 0, &dst, bits);
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 9; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(x, y)) << bits << ": " << x << "," << y;
  }
}

TEST(LinearTransform, HalfPixelTranslationAveragesNeighbours) {
  const VnImage<VnBW8> src = Ramp(8, 3);
  VnImage<VnBW8> dst(8, 3);
  ImgLinearTransform(&src, 1, 0, 0.5f, 0, 1, 0, &dst, 8);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(dst.GetPixel(0, y), src.GetPixel(0, y));  // between the edge and the first centre
    for (int x = 1; x < 8; ++x)
      EXPECT_EQ(dst.GetPixel(x, y), (src.GetPixel(x - 1, y) * 128 + src.GetPixel(x, y) * 128) >> 8) << x;
  }
}

// Shifted right by 1.25 and down by 0.5: column 0 and 1 take points left of the image (x < 0),
// row 0 points between the top edge and the first centres.
TEST(LinearTransform, BordersInTheBilinearModes) {
  const VnImage<VnBW8> src = Ramp(6, 4);
  VnImage<VnBW8> dst(6, 4);
  ImgLinearTransform(&src, 1, 0, 1.25f, 0, 1, 0.25f, &dst, 8);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(dst.GetPixel(0, y), 0) << y;
  // Column 1: x = 0.25, within half a pixel of the left edge: column 0 alone, vertically blended.
  EXPECT_EQ(dst.GetPixel(1, 0), src.GetPixel(0, 0));                                          // y = 0.25: corner
  EXPECT_EQ(dst.GetPixel(1, 1), (src.GetPixel(0, 0) * 64 + src.GetPixel(0, 1) * 192) >> 8);  // y = 1.25
  // Nearest: every point with 0 <= x < W takes the pixel containing it.
  ImgLinearTransform(&src, 1, 0, 1.25f, 0, 1, 0.25f, &dst, 0);
  EXPECT_EQ(dst.GetPixel(0, 2), 0);                   // x = -0.75
  EXPECT_EQ(dst.GetPixel(1, 2), src.GetPixel(0, 2));  // x = 0.25, y = 2.25
  EXPECT_EQ(dst.GetPixel(5, 3), src.GetPixel(4, 3));  // x = 4.25
}

TEST(LinearTransform, AnEmptySourceGivesZeros) {
  VnImage<VnBW8> parent = Ramp(5, 5);
  const VnROI<VnBW8> empty(&parent, 1, 1, 0, 3);
  VnImage<VnBW8> dst = Ramp(4, 4);
  ImgLinearTransform(&empty, 1, 0, 0, 0, 1, 0, &dst, 8);
  ASSERT_EQ(VnGetError(), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPixel(x, y), 0);
}

struct Failure {
  const char* name;
  Coefficients map;
  int bits;
  int code;
};

TEST(LinearTransform, ChecksInOrderLeaveTheDestination) {
  const Failure cases[] = {
      {"singular", {1, 2, 0, 2, 4, 0}, 0, VN_ERR_TRANSFORM_OUTSIDE},
      {"singular before bad bits", {0, 0, 3, 0, 0, 1}, 5, VN_ERR_TRANSFORM_OUTSIDE},
      {"bad bits", {1, 0, 0, 0, 1, 0}, 2, VN_ERR_BAD_ARGUMENT_COMBINATION},
      {"bad bits 16", {1, 0, 0, 0, 1, 0}, 16, VN_ERR_BAD_ARGUMENT_COMBINATION},
  };
  Rng rng(3);
  const VnImage<VnBW8> src = Ramp(7, 7);
  for (const Failure& f : cases) {
    SCOPED_TRACE(f.name);
    GuardedRoi<VnBW8> dst(Placement{5, 5, 1, 1, 8, 8}, rng);
    VnSetError(99);
    ImgLinearTransform(&src, f.map.a, f.map.b, f.map.c, f.map.d, f.map.e, f.map.f, dst.roi(), f.bits);
    EXPECT_EQ(VnGetError(), f.code);
    EXPECT_EQ(Trace(), std::vector<std::string>{"ImgLinearTransform"});
    EXPECT_TRUE(dst.Unchanged());
  }
}

TEST(LinearTransform, MissingOperandsAre1400WithEachTypesTrace) {
  VnImage<VnBW8> bw8(4, 4), voidBw8;
  ImgLinearTransform(static_cast<const VnROI<VnBW8>*>(nullptr), 1, 0, 0, 0, 1, 0, &bw8);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  ImgLinearTransform(&bw8, 1, 0, 0, 0, 1, 0, &voidBw8, 3);  // 1400 comes before 1007
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgLinearTransform"});
  VnImage<VnBW16> bw16(4, 4);
  ImgLinearTransform(&bw16, 1, 0, 0, 0, 1, 0, static_cast<VnROI<VnBW16>*>(nullptr));
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgLinearTransform (BW16)"});
  VnImage<VnC24> c24(4, 4), voidC24;
  ImgLinearTransform(&voidC24, 1, 0, 0, 0, 1, 0, &c24);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgLinearTransform ( C24)"});
  // An invalid ROI reports its own validity code.
  VnROI<VnBW8> outside(&bw8, 2, 2, 5, 1);
  ImgLinearTransform(&bw8, 1, 0, 0, 0, 1, 0, &outside);
  EXPECT_EQ(VnGetError(), VN_ERR_ROI_OUTSIDE_PARENT);
}

TEST(LinearTransform, ColourFailureTracesInnermostFirst) {
  VnImage<VnC24> src(4, 4), dst(4, 4);
  ImgLinearTransform(&src, 1, 0, 0, 0, 1, 0, &dst, 7);
  EXPECT_EQ(VnGetError(), VN_ERR_BAD_ARGUMENT_COMBINATION);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ImgLinearTransform", "ImgLinearTransform ( C24)"}));
}

// The 8-bit operation on one component, read and written here byte by byte.
VnImage<VnBW8> Component(const VnROI<VnC24>& image, int component) {
  VnImage<VnBW8> plane(image.GetWidth(), image.GetHeight());
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x)
      plane.SetPixel(reinterpret_cast<const VnBW8*>(image.GetImagePtr(x, y))[component], x, y);
  return plane;
}

TEST(LinearTransform, ColourEqualsThreeGrayRuns) {
  Rng rng(21);
  for (int bits : {0, 4, 8}) {
    GuardedRoi<VnC24> src(Placement{23, 17, 2, 1, 30, 20}, rng);
    GuardedRoi<VnC24> dst(Placement{19, 21, 3, 2, 25, 25}, rng);
    const Coefficients m = RandomMap(rng, 23, 17);
    ImgLinearTransform(src.roi(), m.a, m.b, m.c, m.d, m.e, m.f, dst.roi(), bits);
    ASSERT_EQ(VnGetError(), 0);
    EXPECT_TRUE(dst.OutsideUnchanged());
    for (int component = 0; component < 3; ++component) {
      const VnImage<VnBW8> plane = Component(*src.roi(), component);
      VnImage<VnBW8> expected(19, 21);
      ImgLinearTransform(&plane, m.a, m.b, m.c, m.d, m.e, m.f, &expected, bits);
      const VnImage<VnBW8> actual = Component(*dst.roi(), component);
      for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 19; ++x) ASSERT_EQ(actual.GetPixel(x, y), expected.GetPixel(x, y));
    }
  }
}

// 16-bit samples at the top of the range keep the full blend (the sum reaches 65535 x 65536).
TEST(LinearTransform, SixteenBitBlendsDoNotOverflow) {
  VnImage<VnBW16> src(2, 2), dst(3, 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) src.SetPixel(65535, x, y);
  ImgLinearTransform(&src, 1.5f, 0, 0, 0, 1.5f, 0, &dst, 8);
  ASSERT_EQ(VnGetError(), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.GetPixel(x, y), 65535) << x << "," << y;
}

}  // namespace
}  // namespace vnimg::test
