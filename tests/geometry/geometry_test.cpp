// Geometry: affine resampling, scale-and-rotate, registration, shrinking, halving, mirrors.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "foundation/frame.h"
#include "geometry/affine_kernels.h"
#include "geometry/reduce_kernels.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

struct Map { float a, b, c, d, e, f; };  // X = a x + b y + c, Y = d x + e y + f

// Distinct values that are easy to follow by hand (wrapping for 8 bits).
template <class T>
VnImage<T> Ramp(int width, int height) { return Make<T>(width, height, [](int x, int y) { return 7 + 23 * x + 61 * y * y; }); }

// Destination pixel (X, Y) evaluated on its own: the inverse map in 16.16, the tracked point in
// one multiplication (not stepped), then the rule in terms of the source position u = P - 1/2.
template <class T>
unsigned Expected(const VnROI<T>& src, const Map& m, int bits, int X, int Y) {
  const float inv = 1.0f / (m.a * m.e - m.b * m.d), dxdX = m.e * inv, dxdY = -m.b * inv, dydX = -m.d * inv, dydY = m.a * inv;
  auto fix = [](float v) { return static_cast<std::int64_t>(std::trunc(static_cast<double>(v) * 65536.0)); };
  auto wrap = [](std::int64_t v) { return std::int64_t{static_cast<std::int32_t>(static_cast<std::uint32_t>(v & 0xFFFFFFFF))}; };
  const std::int64_t bias = bits == 0 ? 0 : 65536, W = src.GetWidth(), H = src.GetHeight();
  const std::int64_t p = wrap(fix(-(m.c * dxdX + m.f * dxdY)) + (wrap(fix(dxdX) + fix(dxdY) + bias) >> 1) + X * fix(dxdX) + Y * fix(dxdY));
  const std::int64_t q = wrap(fix(-(m.c * dydX + m.f * dydY)) + (wrap(fix(dydX) + fix(dydY) + bias) >> 1) + X * fix(dydX) + Y * fix(dydY));
  if (bits == 0) return p < 0 || q < 0 || p >= W * 65536 || q >= H * 65536 ? 0 : src.GetPixel(int(p >> 16), int(q >> 16));
  // Along one axis the taps (index, weight): none outside, one of weight 2^k within half a pixel
  // of an edge, else two; a single tap then divides out exactly in the final shift.
  const std::int64_t one = std::int64_t{1} << bits;
  auto taps = [&](std::int64_t tracked, std::int64_t size) -> std::vector<std::pair<std::int64_t, std::int64_t>> {
    const std::int64_t u = tracked - 32768, weight = ((u - 32768) & 0xFFFF) >> (16 - bits);
    if (u < 0 || u >= size * 65536) return {};
    if (u < 32768 || u >= size * 65536 - 32768) return {{u < 32768 ? 0 : size - 1, one}};
    return {{(u - 32768) >> 16, one - weight}, {((u - 32768) >> 16) + 1, weight}};
  };
  std::int64_t total = 0;
  for (const auto& [y, wy] : taps(q, H))
    for (const auto& [x, wx] : taps(p, W)) total += wx * wy * src.GetPixel(int(x), int(y));
  return static_cast<unsigned>(total >> (2 * bits));
}

// Rotations, scales from 0.1 to 10 (uneven per axis), shears; the source centre lands at a
// random point of (or near) a destination of dstW x dstH.
Map RandomMap(Rng& rng, int srcW, int srcH, int dstW, int dstH) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float angle = unit(rng) * 6.2831853f, shear = unit(rng) < 0.3f ? 2.0f * unit(rng) - 1.0f : 0.0f;
  const float sx = 0.1f * std::pow(100.0f, unit(rng)), sy = unit(rng) < 0.5f ? sx : 0.1f * std::pow(100.0f, unit(rng));
  Map m{sx * std::cos(angle), sy * std::sin(angle) + shear, 0, -sx * std::sin(angle), sy * std::cos(angle), 0};
  m.c = (1.4f * unit(rng) - 0.2f) * dstW - (m.a * srcW / 2 + m.b * srcH / 2);
  m.f = (1.4f * unit(rng) - 0.2f) * dstH - (m.d * srcW / 2 + m.e * srcH / 2);
  return m;
}

template <class T> class Gray : public ::testing::Test {};
using GrayTypes = ::testing::Types<VnBW8, VnBW16>;
TYPED_TEST_SUITE(Gray, GrayTypes);

// Random sources and maps into guarded destinations of every width (some wider than the
// operation's column strips), in every mode.
TYPED_TEST(Gray, TransformMatchesThePerPixelRules) {
  Rng rng(11);
  std::uniform_int_distribution<int> size(1, 40);
  for (const Placement& dp : RandomPlacements(rng, 200)) {
    GuardedRoi<TypeParam> src(Placement{size(rng), size(rng), 3, 2, 46, 45}, rng), dst(dp, rng);
    const Map m = RandomMap(rng, src.roi()->GetWidth(), src.roi()->GetHeight(), dp.width, dp.height);
    const int bits = (dp.width % 3) * 4;
    ImgLinearTransform(src.roi(), m.a, m.b, m.c, m.d, m.e, m.f, dst.roi(), bits);
    ASSERT_TRUE(VnGetError() == 0 && src.Unchanged() && dst.OutsideUnchanged());
    ASSERT_TRUE(SamePixels<TypeParam>(*dst.roi(), Make<TypeParam>(dp.width, dp.height, [&](int x, int y) { return Expected(*src.roi(), m, bits, x, y); })))
        << "bits " << bits << " width " << dp.width;
  }
}

// The truncated mean of the floor-formula block; an empty block (the destination larger) is the
// single pixel under its start. Mostly smaller destinations, some larger in one direction.
TYPED_TEST(Gray, ShrinkIsTheTruncatedBlockMean) {
  Rng rng(31);
  std::uniform_int_distribution<int> size(1, 60);
  auto block = [](int k, int s, int d) { return std::pair{int(std::int64_t{k} * s / d), std::max(int(std::int64_t{k + 1} * s / d), int(std::int64_t{k} * s / d) + 1)}; };
  for (int n = 0; n < 150; ++n) {
    GuardedRoi<TypeParam> src(Placement{size(rng), size(rng), 2, 3, 66, 65}, rng);
    const VnROI<TypeParam>& s = *src.roi();
    const int dw = n % 5 == 4 ? size(rng) : 1 + size(rng) % s.GetWidth(), dh = n % 7 == 6 ? size(rng) : 1 + size(rng) % s.GetHeight();
    GuardedRoi<TypeParam> dst(Placement{dw, dh, 1 + n % 3, 1, 64, 63}, rng);
    ImgShrink(src.roi(), dst.roi());
    ASSERT_TRUE(VnGetError() == 0 && src.Unchanged() && dst.OutsideUnchanged());
    ASSERT_TRUE(SamePixels<TypeParam>(*dst.roi(), Make<TypeParam>(dw, dh, [&](int i, int j) {
      const auto [x0, x1] = block(i, s.GetWidth(), dw);
      const auto [y0, y1] = block(j, s.GetHeight(), dh);
      std::uint64_t sum = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += s.GetPixel(x, y);
      return sum / (std::uint64_t(x1 - x0) * (y1 - y0));
    }))) << s.GetWidth() << "x" << s.GetHeight() << " into " << dw << "x" << dh;
  }
}

// One and two pivots that only translate: dst(x, y) = src(x - 2, y - 2), 0 where that is outside.
TYPED_TEST(Gray, RegisterTranslates) {
  const auto src = Ramp<TypeParam>(9, 7);
  const auto shifted = Make<TypeParam>(9, 7, [&](int x, int y) { return x >= 2 && y >= 2 ? src.GetPixel(x - 2, y - 2) : 0; });
  VnImage<TypeParam> one(9, 7), two(9, 7);
  ImgRegister(&src, &one, 1, 1, 3, 3, 0);
  ImgRegister(&src, &two, 1, 1, 5, 1, 3, 3, 7, 3, 8, 1);
  EXPECT_TRUE(SamePixels<TypeParam>(one, shifted) && SamePixels<TypeParam>(two, shifted));
}

template <class T> class Mirror : public ::testing::Test {};
using AllTypes = ::testing::Types<VnBW8, VnBW16, VnC24>;
TYPED_TEST_SUITE(Mirror, AllTypes);

// Once: the rows (pixels) in reverse order; twice: every byte of the parent as before.
TYPED_TEST(Mirror, ReversesAndTwiceIsTheIdentity) {
  Rng rng(41);
  for (const Placement& p : RandomPlacements(rng, 60))
    for (bool vertical : {true, false}) {
      GuardedRoi<TypeParam> roi(p, rng);
      const auto flipped = Make<TypeParam>(p.width, p.height, [&](int x, int y) { return roi.roi()->GetPixel(vertical ? x : p.width - 1 - x, vertical ? p.height - 1 - y : y); });
      auto mirror = [&] { vertical ? ImgVerticalMirror(roi.roi()) : ImgHorizontalMirror(roi.roi()); };
      mirror();
      ASSERT_TRUE(VnGetError() == 0 && roi.OutsideUnchanged() && SamePixels<TypeParam>(*roi.roi(), flipped));
      mirror();
      ASSERT_TRUE(roi.Unchanged());
    }
}

// Halving into a guarded ROI that the operation resizes. A missing right or lower neighbour
// counts as a copy of its partner, since (2a + 2b) >> 2 = (a + b) >> 1.
TEST(Halve, FollowsTheBlockRules) {
  Rng rng(35);
  for (const Placement& p : RandomPlacements(rng, 100)) {
    GuardedRoi<VnBW8> src(p, rng);
    auto at = [&](int x, int y) { return src.roi()->GetPixel(std::min(x, p.width - 1), std::min(y, p.height - 1)); };
    for (int dropOdd : {0, 1}) {
      const int w = p.width / 2 + (dropOdd ? 0 : p.width % 2), h = p.height / 2 + (dropOdd ? 0 : p.height % 2);
      GuardedRoi<VnBW8> dst(Placement{1, 1, p.orgX, 1, p.orgX + w + 2, h + 2}, rng);
      ImgHalve(src.roi(), dst.roi(), dropOdd);
      ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged() && src.Unchanged());
      ASSERT_TRUE(SamePixels<VnBW8>(*dst.roi(), Make<VnBW8>(w, h, [&](int i, int j) {
        return (at(2 * i, 2 * j) + at(2 * i + 1, 2 * j) + at(2 * i, 2 * j + 1) + at(2 * i + 1, 2 * j + 1)) >> 2;
      }))) << p.width << "x" << p.height << " dropOdd " << dropOdd;
    }
  }
}

struct RowJob { VnImage<VnBW8> src; std::int32_t p, q, dpX, dqX, dpY, dqY; int bits; };

// Row kernels called directly, every vector variant against the plain loop. The affine rows
// sometimes take steps so large that the coordinates wrap within the row.
TEST(RowKernels, EveryVectorVariantMatchesThePlainLoop) {
  ASSERT_TRUE(!VNIMG_X86 || !VectorVariants(geometry::AffineRowVariants()).empty());
  auto randomRow = [](const Placement& placement, Rng& rng) {
    auto pick = [&](std::int32_t lo, std::int32_t hi) { return std::uniform_int_distribution<std::int32_t>(lo, hi)(rng); };
    const int w = pick(1, 70), h = pick(1, 70);
    const Map m = RandomMap(rng, w, h, w, h);
    const double fix = 65536.0 / (m.a * m.e - m.b * m.d);
    auto job = std::make_unique<RowJob>(RowJob{Make<VnBW8>(w, h, [&](int, int) { return rng(); }), pick(-20 * 65536, (w + 20) * 65536), pick(-20 * 65536, (h + 20) * 65536),
                                                std::int32_t(m.e * fix), std::int32_t(-m.d * fix), std::int32_t(-m.b * fix), std::int32_t(m.a * fix), 4 * pick(0, 2)});
    FillRandomBytes(job->src, rng);  // padding too: a kernel reading past the row sees noise
    if (placement.width % 13 == 5) job->dpX = pick(-0x7FFFFFFF, 0x7FFFFFFF), job->p = 0x7FFF0000;
    // The last pixel of the first row wraps exactly onto column 0, the first-to-last sum fitting in 32 bits.
    const std::int64_t n = placement.width - 1, step = (0xA0000000 + n - 1) / std::max<std::int64_t>(n, 1);
    if (placement.width % 13 == 6) job->p = std::int32_t(0x100000000 - n * step), job->dpX = std::int32_t(step), job->q = h * 32768, job->dqX = 0, job->bits = 0;
    return job;
  };
  for (unsigned seed = 1; seed <= 4; ++seed)
    ExpectVariantsMatchPlain<VnBW8>(geometry::AffineRowVariants(), randomRow, [](geometry::AffineRowFn<VnBW8> fn, const std::unique_ptr<RowJob>& job, VnROI<VnBW8>* dst) {
      const geometry::Source<VnBW8> s{job->src.GetImagePtr(0, 0), job->src.GetRowPitch(), job->src.GetWidth(), job->src.GetHeight()};
      std::int32_t p = job->p, q = job->q;
      frame::ForEachRow(*dst, [&](VnBW8* out, int width) {
        fn(s, p, q, job->dpX, job->dqX, job->bits, out, width);
        p = std::int32_t(std::uint32_t(p) + std::uint32_t(job->dpY)), q = std::int32_t(std::uint32_t(q) + std::uint32_t(job->dqY));
      });
    }, 150, seed);
  auto source = [](int scale) { return [scale](const Placement& p, Rng& rng) { VnImage<VnBW8> src(scale * p.width, scale * p.height); return FillRandomBytes(src, rng), src; }; };
  ExpectVariantsMatchPlain<VnBW32>(geometry::AccumulateRowVariants(), source(1), [](geometry::AccumulateRowFn fn, const VnImage<VnBW8>& src, VnROI<VnBW32>* sums) {
    frame::ForEachRow(src, *sums, [&](const VnBW8* s, VnBW32* d, int width) { fn(s, d, width); });
  });
  ExpectVariantsMatchPlain<VnBW8>(geometry::HalveRowVariants(), source(2), [](geometry::HalveRowFn fn, const VnImage<VnBW8>& src, VnROI<VnBW8>* dst) {
    frame::ForEachRow(*dst, [&, y = 0](VnBW8* d, int width) mutable { fn(src.GetImagePtr(0, 2 * y), src.GetImagePtr(0, 2 * y + 1), d, width), ++y; });
  });
}

// Small cases worked by hand. First the sampling rules on a 6 x 4 ramp translated by (c, f),
// one row per rule: the point sampled for pixel X is x = X + 1/2 - c.
TEST(Geometry, HandWorkedCases) {
  const VnImage<VnBW8> src = Ramp<VnBW8>(6, 4);
  auto R = [&](int x, int y) { return int{src.GetPixel(x, y)}; };
  struct Row { const char* rule; float c, f; int bits, X, Y, expected; };
  const Row rows[] = {
      {"half a pixel right: the mean of two", 0.5f, 0, 8, 3, 1, (R(2, 1) * 128 + R(3, 1) * 128) >> 8},
      {"4-bit weights: three quarters of the right one", 0.25f, 0, 4, 3, 2, (R(2, 2) * 4 + R(3, 2) * 12) >> 4},
      {"left of the image", 1.25f, 0, 8, 0, 1, 0},
      {"between the edge and the first centre: column 0 alone", 1.25f, 0.25f, 8, 1, 1, (R(0, 0) * 64 + R(0, 1) * 192) >> 8},
      {"corner: the pixel itself", 1.25f, 0.25f, 8, 1, 0, R(0, 0)},
      {"right of the last centre: column W-1 alone", -0.25f, 0, 8, 5, 3, R(5, 3)},
      {"on the right edge: outside", -0.5f, 0, 8, 5, 3, 0},
      {"below the last centre: row H-1 alone", 0, -0.25f, 4, 2, 3, R(2, 3)},
      {"on the bottom edge: outside", 0, -0.5f, 4, 2, 3, 0},
      {"nearest: x = 0 is inside", 0.5f, 0, 0, 0, 2, R(0, 2)},
      {"nearest: x = -0.75", 1.25f, 0, 0, 0, 2, 0},
      {"nearest: x = W is outside", -0.5f, 0, 0, 5, 1, 0},
      {"nearest: y = H is outside", 0, -0.5f, 0, 1, 3, 0},
      {"identity, 8 bits", 0, 0, 8, 1, 2, R(1, 2)},
  };
  for (const Row& r : rows) {
    VnImage<VnBW8> dst(6, 4);
    ImgLinearTransform(&src, 1, 0, r.c, 0, 1, r.f, &dst, r.bits);
    EXPECT_EQ(dst.GetPixel(r.X, r.Y), r.expected) << r.rule;
  }
  // Shrinking and halving.
  const VnImage<VnBW8> ten = Make<VnBW8>(10, 1, [](int x, int) { return std::array{0, 0, 3, 30, 30, 33, 100, 100, 100, 104}[x]; });
  VnImage<VnBW8> three(3, 1), dst;
  EXPECT_EQ(ImgShrink(&ten, &three), 0);  // blocks of 3, 3 and 4: 3 / 3, 93 / 3, 404 / 4
  EXPECT_TRUE(SamePixels<VnBW8>(three, Make<VnBW8>(3, 1, [](int x, int) { return std::array{1, 31, 101}[x]; })));
  const VnBW8 pixels[3][5] = {{10, 20, 30, 41, 7}, {50, 60, 70, 80, 8}, {1, 4, 9, 16, 200}};
  const VnImage<VnBW8> five = Make<VnBW8>(5, 3, [&](int x, int y) { return pixels[y][x]; });
  ImgHalve(&five, &dst, 0);  // (140 >> 2, 221 >> 2, 15 >> 1), (5 >> 1, 25 >> 1, the corner)
  EXPECT_TRUE(SamePixels<VnBW8>(dst, Make<VnBW8>(3, 2, [](int x, int y) { return std::array{35, 55, 7, 2, 12, 200}[3 * y + x]; })));
  ImgHalve(&five, &dst, 1);
  EXPECT_TRUE(SamePixels<VnBW8>(dst, Make<VnBW8>(2, 1, [](int x, int) { return 35 + 20 * x; })));
  // Blocks whose sums pass 32 bits.
  VnImage<VnBW16> white16 = Make<VnBW16>(300, 300, [](int, int) { return 65535; }), one16(1, 1), wide(3, 3);
  ImgLinearTransform(&white16, 1.5f, 0, 0, 0, 1.5f, 0, &wide, 8);  // the blend of 16 bits reaches 65535 x 65536
  EXPECT_TRUE(SamePixels<VnBW16>(wide, Make<VnBW16>(3, 3, [](int, int) { return 65535; })));
  VnImage<VnBW8> white = Make<VnBW8>(20000, 1000, [](int, int) { return 255; }), one(1, 1);
  EXPECT_EQ(ImgShrink(&white, &one), 0);
  ImgShrink(&white16, &one16);
  EXPECT_EQ(std::pair(int{one.GetPixel(0, 0)}, int{one16.GetPixel(0, 0)}), std::pair(255, 65535));
  // An empty source gives zeros.
  VnROI<VnBW8> empty(&white, 1, 1, 0, 3);
  VnROI<VnBW16> empty16(&white16, 2, 2, 0, 4);
  ImgLinearTransform(&empty, 1, 0, 0, 0, 1, 0, &three, 8);
  ImgShrink(&empty16, &one16);
  EXPECT_TRUE(SamePixels<VnBW8>(three, Make<VnBW8>(3, 1, [](int, int) { return 0; })) && one16.GetPixel(0, 0) == 0);
  EXPECT_EQ(ImgScaleRotate(&empty, 0, 0, 0, 0, 1, 1, 0, 8), 0);  // in place: nothing to do
  // Halving into pixels shared with the source: a ROI into itself (it becomes its top-left
  // quarter), a ROI into its own parent, an image into itself.
  Rng rng(36);
  VnImage<VnBW8> image = Make<VnBW8>(20, 12, [&](int, int) { return rng(); }), expected;
  VnROI<VnBW8> roi(&image, 3, 2, 12, 8), inner(&image, 1, 1, 10, 10);
  for (VnROI<VnBW8>* s : {&roi, &inner, static_cast<VnROI<VnBW8>*>(&image)}) {
    ImgHalve(s, &expected, 0);
    ImgHalve(s, s == &inner ? static_cast<VnROI<VnBW8>*>(&image) : s, 0);
    EXPECT_TRUE(VnGetError() == 0 && SamePixels<VnBW8>(VnROI<VnBW8>(&image, s == &roi ? 3 : 0, s == &roi ? 2 : 0, expected.GetWidth(), expected.GetHeight()), expected));
  }
  // Halving rows 0 and 1 into a part of row 0 or 1 reads pixels it has already written unless
  // the source is set aside.
  VnImage<VnBW8> band = Make<VnBW8>(40, 3, [&](int, int) { return rng(); });
  VnROI<VnBW8> top(&band, 0, 0, 20, 2), first(&band, 5, 0, 10, 1), second(&band, 5, 1, 10, 1);
  for (VnROI<VnBW8>* d : {&first, &second}) {
    ImgHalve(&top, &expected, 0);
    ImgHalve(&top, d, 0);
    EXPECT_TRUE(SamePixels<VnBW8>(*d, expected));
  }
}


// Each row: a call and what it must equal, side by side (angles in degrees; y grows downwards).
TEST(ScaleRotateAndRegister, MatchTheirDefinitions) {
  const VnImage<VnBW8> src = Ramp<VnBW8>(20, 20);
  using Call = std::function<void(VnImage<VnBW8>*)>;
  auto image = [&](auto f) { return [&src, f](VnImage<VnBW8>* d) { *d = Make<VnBW8>(20, 20, f); }; };
  const std::pair<Call, Call> rows[] = {
      // A quarter turn about the centre sends the top-right corner to the top left.
      {[&](auto* d) { EXPECT_EQ(ImgScaleRotate(&src, 10, 10, 10, 10, 1, 1, 90, d, 0), 0); }, image([&](int x, int y) { return src.GetPixel(19 - y, x); })},
      {[&](auto* d) { ImgScaleRotate(&src, 10, 10, 10, 10, 1, 1, 90, d, 8); }, image([&](int x, int y) { return src.GetPixel(19 - y, x); })},
      {[&](auto* d) { ImgScaleRotate(&src, 0, 0, 0, 0, 2, 1, 0, d, 0); }, image([&](int x, int y) { return src.GetPixel(x / 2, y); })},  // along x
      {[&](auto* d) { ImgRegister(&src, d, 10, 10, 14, 10, 9, 11, 9, 3, 8, 1); }, [&](auto* d) { ImgScaleRotate(&src, 10, 10, 9, 11, 2, 2, 90, d, 8); }},
      {[&](auto* d) { ImgRegister(&src, d, 10, 10, 14, 10, 9, 11, 9, 3, 8, 0); }, [&](auto* d) { ImgScaleRotate(&src, 10, 10, 9, 11, 1, 1, 90, d, 8); }},
      {[&](auto* d) { ImgRegister(&src, d, 10, 10, 10, 10, 9, 11, 9, 3, 8, 1); }, [&](auto* d) { ImgScaleRotate(&src, 10, 10, 9, 11, 1, 1, 90, d, 8); }},
      {[&](auto* d) { ImgRegister(&src, d, 10, 10, 10, 14, 9, 11, 12, 11, 4, 1); }, [&](auto* d) { ImgScaleRotate(&src, 10, 10, 9, 11, 0.75f, 0.75f, 90, d, 4); }},
      {[&](auto* d) { ImgRegister(&src, d, 4, 4, 8, 8, 5, 5, 5, 5, 8, 0); }, [&](auto* d) { ImgScaleRotate(&src, 4, 4, 5, 5, 1, 1, 45, d, 8); }},
      {[&](auto* d) { ImgRegister(&src, d, 2, 3, 9, 5, 2, 3, 9, 5, 8, 1); }, [&](auto* d) { *d = src; }},
      {[&](auto* d) { *d = src, ImgScaleRotate(d, 10.5f, 6.5f, 10, 7, 1.3f, 0.8f, 23, 8); }, [&](auto* d) { ImgScaleRotate(&src, 10.5f, 6.5f, 10, 7, 1.3f, 0.8f, 23, d, 8); }},
      // Three pivots (1, 2), (9, 3), (4, 10) and their images under maps exact in binary.
      {[&](auto* d) { ImgRegister(&src, d, 1, 2, 9, 3, 4, 10, 4, 3.25f, 8.25f, 2, 7.5f, 8.5f, 8); }, [&](auto* d) { ImgLinearTransform(&src, 0.5f, 0.25f, 3, -0.25f, 0.75f, 2, d, 8); }},
      {[&](auto* d) { ImgRegister(&src, d, 1, 2, 9, 3, 4, 10, 3.5f, 0.5f, 11.5f, 1.5f, 6.5f, 8.5f, 0); }, [&](auto* d) { ImgLinearTransform(&src, 1, 0, 2.5f, 0, 1, -1.5f, d, 0); }},
      {[&](auto* d) { ImgRegister(&src, d, 1, 2, 9, 3, 4, 10, 2, 15, 3, 7, 10, 12, 4); }, [&](auto* d) { ImgLinearTransform(&src, 0, 1, 0, -1, 0, 16, d, 4); }},
      {[&](auto* d) { ImgRegister(&src, d, 1, 2, 9, 3, 4, 10, 2, 2, 18, 2.5f, 8, 6, 8); }, [&](auto* d) { ImgLinearTransform(&src, 2, 0, 0, 0, 0.5f, 1, d, 8); }},
  };
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  for (std::size_t n = 0; n < std::size(rows); ++n) {
    VnImage<VnBW8> actual(20, 20), expected(20, 20);
    rows[n].first(&actual);
    EXPECT_EQ(VnGetError(), 0);
    rows[n].second(&expected);
    EXPECT_TRUE(SamePixels<VnBW8>(actual, expected)) << "row " << n;
  }
  VnSetAngleUnit(VN_ANGLE_RADIANS);
}

// The colour forms equal the 8-bit operation on each component.
TEST(Geometry, ColourIsThreeGrayRuns) {
#define BOTH(call) {[](const VnROI<VnC24>* s, VnROI<VnC24>* d) { call; }, [](const VnROI<VnBW8>* s, VnROI<VnBW8>* d) { call; }}
  const std::pair<std::function<void(const VnROI<VnC24>*, VnROI<VnC24>*)>, std::function<void(const VnROI<VnBW8>*, VnROI<VnBW8>*)>> ops[] = {
      BOTH(ImgLinearTransform(s, 0.9f, 0.3f, 1, -0.2f, 1.1f, 2, d, 0)), BOTH(ImgLinearTransform(s, 1.3f, 0, -2, 0.1f, 0.7f, 1, d, 4)),
      BOTH(ImgScaleRotate(s, 5, 4, 6, 5, 1.2f, 0.9f, 0.5f, d, 8)), BOTH(ImgRegister(s, d, 1, 1, 4.5f, 2, 8)),
      BOTH(ImgRegister(s, d, 1, 1, 7, 2, 2, 0, 6, 4, 8, 1)), BOTH(ImgRegister(s, d, 1, 1, 7, 2, 2, 6, 0, 0, 6, 2, 1, 7, 8)), BOTH(ImgShrink(s, d)),
  };
#undef BOTH
  Rng rng(21);
  for (std::size_t n = 0; n < std::size(ops); ++n) {
    GuardedRoi<VnC24> src(Placement{23, 17, 2, 1, 30, 20}, rng), dst(Placement{9, 7, 3, 2, 15, 12}, rng);
    ops[n].first(src.roi(), dst.roi());
    ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged());
    for (unsigned component = 0; component < 3; ++component) {
      VnImage<VnBW8> plane(23, 17), expected(9, 7), actual(9, 7);
      ClrGetComponent(src.roi(), &plane, component, nullptr);
      ops[n].second(&plane, &expected);
      ClrGetComponent(dst.roi(), &actual, component, nullptr);
      EXPECT_TRUE(SamePixels<VnBW8>(actual, expected)) << "row " << n << " component " << component;
    }
  }
}

// Failed checks: the code (also returned by the forms that return one), the trace names
// innermost first, and destinations left as they were.
TEST(Geometry, FailedChecks) {
  Rng rng(3);
  GuardedRoi<VnBW8> g(Placement{5, 5, 1, 1, 8, 8}, rng);
  GuardedRoi<VnBW16> w(Placement{5, 5, 1, 1, 8, 8}, rng);
  GuardedRoi<VnC24> c(Placement{5, 5, 1, 1, 8, 8}, rng);
  VnImage<VnBW8> src = Ramp<VnBW8>(7, 7), none, small(3, 3);
  VnImage<VnBW16> src16 = Ramp<VnBW16>(4, 4), none16;
  VnImage<VnC24> srcC(4, 4), noneC;
  VnROI<VnBW8> outside(&src, 2, 2, 6, 1), corner(&small, 2, 2, 1, 1);
  VnROI<VnBW8>* const null8 = nullptr;  // a typed null pointer picks the overload
  const std::string LT = "ImgLinearTransform", SR = "ImgScaleRotate", R3 = "ImgRegister ( BW8, 3 pivots)", H = "ImgHalve ( BW8)";
  struct Row { std::function<int()> call; int code; std::vector<std::string> trace; };  // call: the returned code, or -1
  const Row rows[] = {
      {[&] { return ImgLinearTransform(&src, 1, 2, 0, 2, 4, 0, g.roi(), 0), -1; }, VN_ERR_TRANSFORM_OUTSIDE, {LT}},
      {[&] { return ImgLinearTransform(&src, 0, 0, 3, 0, 0, 1, g.roi(), 5), -1; }, VN_ERR_TRANSFORM_OUTSIDE, {LT}},  // before the bits
      {[&] { return ImgLinearTransform(&src, 1, 0, 0, 0, 1, 0, &none, 3), -1; }, VN_ERR_NULL_ROI, {LT}},  // before the bits
      {[&] { return ImgLinearTransform(&src, 1, 0, 0, 0, 1, 0, &outside), -1; }, VN_ERR_ROI_OUTSIDE_PARENT, {LT}},
      {[&] { return ImgLinearTransform(&src16, 1, 0, 0, 0, 1, 0, &none16), -1; }, VN_ERR_NULL_ROI, {LT + " (BW16)"}},
      {[&] { return ImgLinearTransform(&srcC, 1, 0, 0, 0, 1, 0, c.roi(), 7), -1; }, VN_ERR_BAD_ARGUMENT_COMBINATION, {LT, LT + " ( C24)"}},
      {[&] { return ImgScaleRotate(&src, 0, 0, 0, 0, 1, 1, 0, g.roi(), 3); }, VN_ERR_BAD_ARGUMENT_COMBINATION, {LT, SR}},
      {[&] { return ImgScaleRotate(null8, 0, 0, 0, 0, 1, 1, 0, 0); }, VN_ERR_NULL_ROI, {SR}},
      {[&] { return ImgScaleRotate(&none16, 0, 0, 0, 0, 1, 1, 0, 0), -1; }, VN_ERR_NULL_ROI, {SR + " (BW16)"}},
      {[&] { return ImgScaleRotate(&srcC, 0, 0, 0, 0, 1, 1, 0, c.roi(), 9), -1; }, VN_ERR_BAD_ARGUMENT_COMBINATION, {LT, SR, SR + " ( C24)"}},
      {[&] { return ImgRegister(&src, g.roi(), 0, 0, 1, 1, 2, 2, 0, 0, 1, 0, 0, 1), -1; }, VN_ERR_SINGULAR_SYSTEM, {R3}},
      {[&] { return ImgRegister(&src, g.roi(), 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 6), -1; }, VN_ERR_BAD_ARGUMENT_COMBINATION, {LT, R3}},
      {[&] { return ImgRegister(&src16, w.roi(), 0, 0, 1, 1, 2, 2, 0, 0, 1, 0, 0, 1), -1; }, VN_ERR_SINGULAR_SYSTEM, {"ImgRegister ( BW16, 3 pivots)"}},
      {[&] { return ImgRegister(&srcC, c.roi(), 0, 0, 1, 1, 2, 2, 0, 0, 1, 0, 0, 1), -1; }, VN_ERR_SINGULAR_SYSTEM, {"ImgRegister ( C24, 3 pivots)"}},
      {[&] { return ImgRegister(&src16, w.roi(), 0, 0, 1, 1, 0, 0, 1, 2, 3), -1; }, VN_ERR_BAD_ARGUMENT_COMBINATION, {LT + " (BW16)", SR + " (BW16)"}},
      {[&] { return ImgShrink(&src, null8); }, VN_ERR_NULL_ROI, {"ImgShrink"}},
      {[&] { return ImgShrink(&src16, &none16), -1; }, VN_ERR_NULL_ROI, {"ImgShrink (BW16)"}},
      {[&] { return ImgShrink(&noneC, c.roi()), -1; }, VN_ERR_NULL_ROI, {"ImgShrink ( C24)"}},
      {[&] { return ImgHalve(&src, nullptr, 0), -1; }, VN_ERR_NULL_ROI, {H}},
      {[&] { return ImgHalve(&src, &corner, 0), -1; }, VN_ERR_ROI_OUTSIDE_PARENT, {H}},  // resized out of its parent
      {[&] { return ImgVerticalMirror(&none), -1; }, VN_ERR_NULL_ROI, {"ImgVerticalMirror ( gray-level)"}},
      {[&] { return ImgVerticalMirror(&none16), -1; }, VN_ERR_NULL_ROI, {"ImgVerticalMirror ( BW16)"}},
      {[&] { return ImgVerticalMirror(&noneC), -1; }, VN_ERR_NULL_ROI, {"ImgVerticalMirror ( color)"}},
      {[&] { return ImgHorizontalMirror(null8), -1; }, VN_ERR_NULL_ROI, {"ImgHorizontalMirror ( gray-level)"}},
      {[&] { return ImgHorizontalMirror(&none16), -1; }, VN_ERR_NULL_ROI, {"ImgHorizontalMirror ( BW16)"}},
      {[&] { return ImgHorizontalMirror(&noneC), -1; }, VN_ERR_NULL_ROI, {"ImgHorizontalMirror ( color)"}},
  };
  for (std::size_t n = 0; n < std::size(rows); ++n) {
    VnSetError(99);
    const int returned = rows[n].call();
    EXPECT_EQ(std::pair(VnGetError(), returned == -1 ? rows[n].code : returned), std::pair(rows[n].code, rows[n].code)) << "row " << n;
    EXPECT_EQ(Trace(), rows[n].trace) << "row " << n;
    EXPECT_TRUE(g.Unchanged() && w.Unchanged() && c.Unchanged()) << "row " << n;
  }
}

}  // namespace
}  // namespace vnimg::test
