// Predefined filters: every 3x3 filter against its table row evaluated per pixel (interior and
// frame per form) at every vector level and in place; the smoothing filters against brute force
// and literal passes; VnC24 as three VnBW8 runs; hand-worked rules; failures.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "support/levels.h"
#include "support/pixels.h"

namespace vnimg::test {
namespace {

using I64 = std::int64_t;
using P = std::function<I64(int, int)>;  // p(dx, dy)
template <class T> constexpr I64 kMax = sizeof(T) == 1 ? 255 : 65535;
template <class T> using Op = void (*)(const VnROI<T>*, VnROI<T>*);

struct Filter {
  const char* name;
  Op<VnBW8> bw8;
  Op<VnBW16> bw16;
  Op<VnC24> c24;
  I64 (*value)(const P&);
  bool absolute;   // the output rule takes |v|; else negative values clip to 0
  bool zeroFrame;  // "frame, outside 0"
  template <class T> Op<T> op() const {
    if constexpr (sizeof(T) == 1) return bw8; else return bw16;
  }
};
#define OPS(name) #name, ImgConvol##name, ImgConvol##name, ImgConvol##name
I64 Sx(const P& p) { return p(1, -1) + 2 * p(1, 0) + p(1, 1) - p(-1, -1) - 2 * p(-1, 0) - p(-1, 1); }
I64 Sy(const P& p) { return p(-1, 1) + 2 * p(0, 1) + p(1, 1) - p(-1, -1) - 2 * p(0, -1) - p(1, -1); }
I64 Px(const P& p) { return std::abs(p(1, -1) + p(1, 0) + p(1, 1) - p(-1, -1) - p(-1, 0) - p(-1, 1)); }
I64 Py(const P& p) { return p(-1, 1) + p(0, 1) + p(1, 1) - p(-1, -1) - p(0, -1) - p(1, -1); }
I64 Sum8(const P& p) { return p(-1, -1) + p(0, -1) + p(1, -1) + p(-1, 0) + p(1, 0) + p(-1, 1) + p(0, 1) + p(1, 1); }
I64 Cross(const P& p) { return p(0, -1) + p(-1, 0) + p(1, 0) + p(0, 1); }
const Filter kFilters[] = {
    {OPS(Highpass1), [](const P& p) { return 5 * p(0, 0) - Cross(p); }, true, true},
    {OPS(Highpass2), [](const P& p) { return 9 * p(0, 0) - Sum8(p); }, false, true},
    {OPS(Lowpass1), [](const P& p) { return (Sum8(p) + p(0, 0)) * 7 / 64; }, false, false},
    {OPS(Lowpass2), [](const P& p) { return Sum8(p) / 8; }, false, true},
    {OPS(Lowpass3), [](const P& p) { return (Sum8(p) + Cross(p) + 4 * p(0, 0)) / 16; }, false, false},
    {OPS(SobelX), Sx, true, true},
    {OPS(SobelY), Sy, true, true},
    {OPS(Sobel), [](const P& p) { return std::abs(Sx(p)) + std::abs(Sy(p)); }, false, true},
    {OPS(PrewittX), Px, false, false},
    {OPS(PrewittY), Py, true, true},
    {OPS(Prewitt), [](const P& p) { return Px(p) + std::abs(Py(p)); }, false, true},
    {OPS(GradientX), [](const P& p) { return std::abs(p(1, 0) - p(-1, 0)); }, false, false},
    {OPS(GradientY), [](const P& p) { return std::abs(p(0, 1) - p(0, -1)); }, false, false},
    {OPS(Gradient), [](const P& p) { return std::abs(p(1, 0) - p(-1, 0)) + std::abs(p(0, 1) - p(0, -1)); }, false, false},
    {OPS(LaplacianX), [](const P& p) { return std::abs(p(-1, 0) - 2 * p(0, 0) + p(1, 0)); }, false, false},
    {OPS(LaplacianY), [](const P& p) { return std::abs(p(0, -1) - 2 * p(0, 0) + p(0, 1)); }, false, false},
    {OPS(Laplacian4), [](const P& p) { return Cross(p) - 4 * p(0, 0); }, true, true},
    {OPS(Laplacian8), [](const P& p) { return Sum8(p) - 8 * p(0, 0); }, true, true},
};

// Roberts by its own three cases, without replication.
template <class T>
I64 Roberts(const VnROI<T>& s, int x, int y) {
  const int w = s.GetWidth(), h = s.GetHeight();
  auto d = [&](int x0, int y0, int x1, int y1) { return std::abs(I64(s.GetPixel(x0, y0)) - s.GetPixel(x1, y1)); };
  if (x < w - 1 && y < h - 1) return std::min(kMax<T>, d(x, y, x + 1, y + 1) + d(x + 1, y, x, y + 1));
  if (x == w - 1 && y < h - 1) return std::min(kMax<T>, 2 * d(x, y, x, y + 1));
  return x < w - 1 ? std::min(kMax<T>, 2 * d(x, y, x + 1, y)) : 0;
}

template <class T>
I64 Expected(const VnROI<T>& s, const Filter& f, int x, int y, bool zeroOutside) {
  const int w = s.GetWidth(), h = s.GetHeight();
  const bool frame = x == 0 || y == 0 || x == w - 1 || y == h - 1;
  const bool zero = zeroOutside && frame && f.zeroFrame;
  const P p = [&](int dx, int dy) -> I64 {
    const int px = x + dx, py = y + dy;
    if (zero && (px < 0 || py < 0 || px >= w || py >= h)) return 0;
    return s.GetPixel(std::clamp(px, 0, w - 1), std::clamp(py, 0, h - 1));
  };
  const I64 v = f.value(p);
  return std::clamp<I64>(f.absolute || zero ? std::abs(v) : v, 0, kMax<T>);
}

template <class T>
VnImage<T> CopyOf(const VnROI<T>& roi) {
  return Make<T>(roi.GetWidth(), roi.GetHeight(), [&](int x, int y) { return roi.GetPixel(x, y); });
}

template <class T> class Predefined : public ::testing::Test {};
using GrayTypes = ::testing::Types<VnBW8, VnBW16>;
TYPED_TEST_SUITE(Predefined, GrayTypes);

// Separate, dst null and dst == src; the zero frame only for the plain separate form.
TYPED_TEST(Predefined, Every3x3FilterMatchesItsRow) {
  using T = TypeParam;
  Rng rng(14);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    int n = 0;
    for (const Filter& f : kFilters)
      for (const Placement& p : RandomPlacements(rng, 14)) {
        const int mode = ++n % 3;
        GuardedRoi<T> src(p, rng), dst(p, rng);
        const VnImage<T> original = CopyOf(*src.roi());
        f.op<T>()(src.roi(), mode == 0 ? dst.roi() : mode == 1 ? nullptr : src.roi());
        const bool zero = mode == 0 && level == simd::Level::Plain;
        const auto expected = Make<T>(p.width, p.height, [&](int x, int y) { return Expected(original, f, x, y, zero); });
        SCOPED_TRACE(::testing::Message() << f.name << " " << simd::LevelName(level) << " mode " << mode << " " << p.width << "x" << p.height);
        ASSERT_EQ(VnGetError(), 0);
        ASSERT_TRUE(SamePixels<T>(mode == 0 ? *dst.roi() : *src.roi(), expected));
        ASSERT_TRUE(mode == 0 ? dst.OutsideUnchanged() && src.Unchanged() : src.OutsideUnchanged());
      }
    for (const Placement& p : RandomPlacements(rng, 40)) {
      GuardedRoi<T> src(p, rng), dst(p, rng);
      const VnImage<T> original = CopyOf(*src.roi());
      const bool inPlace = ++n % 2;
      ImgConvolRoberts(src.roi(), inPlace ? nullptr : dst.roi());
      const auto expected = Make<T>(p.width, p.height, [&](int x, int y) { return Roberts(original, x, y); });
      ASSERT_TRUE(SamePixels<T>(inPlace ? *src.roi() : *dst.roi(), expected) && dst.OutsideUnchanged() && src.OutsideUnchanged());
    }
  }
}

// The box by brute force over the clamped window; the binomial by its literal passes.
template <class T>
VnImage<T> Box(const VnROI<T>& s, I64 hx, I64 hy) {
  const int w = s.GetWidth(), h = s.GetHeight();
  hx = std::min<I64>(hx, w - 1), hy = std::min<I64>(hy, h - 1);
  const I64 factor = (I64{1} << 24) / ((2 * hx + 1) * (2 * hy + 1));
  return Make<T>(w, h, [&](int x, int y) {
    I64 sum = 0;
    for (I64 j = y - hy; j <= y + hy; ++j)
      for (I64 i = x - hx; i <= x + hx; ++i) sum += s.GetPixel(int(std::clamp<I64>(i, 0, w - 1)), int(std::clamp<I64>(j, 0, h - 1)));
    return (sum * factor) >> 24;
  });
}
// One pass of the three-tap mean or of 1 2 1 along x and/or y, edges replicated.
template <class T>
VnImage<T> Pass(const VnROI<T>& s, bool alongX, bool alongY, bool mean = false) {
  const int w = s.GetWidth(), h = s.GetHeight();
  auto at = [&](int x, int y) { return I64(s.GetPixel(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1))); };
  auto tap = [&](int x, int y, int dx, int dy) { return at(x - dx, y - dy) + (mean ? 1 : 2) * at(x, y) + at(x + dx, y + dy); };
  return Make<T>(w, h, [&](int x, int y) {
    if (mean) return tap(x, y, alongX, alongY) * 85 >> 8;
    if (alongX && alongY) return (tap(x - 1, y, 0, 1) + 2 * tap(x, y, 0, 1) + tap(x + 1, y, 0, 1)) >> 4;
    return tap(x, y, alongX, alongY) >> 2;
  });
}

TYPED_TEST(Predefined, SmoothingOfAnySizeMatchesBruteForce) {
  using T = TypeParam;
  Rng rng(15);
  auto pick = [&](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Placement& p : RandomPlacements(rng, 60)) {
      const unsigned hx = pick(0, 4) ? pick(0, 5) : 0x7fffffff, hy = pick(0, 5) ? pick(0, 5) : UINT_MAX;
      const unsigned ey = hy == UINT_MAX ? hx : hy;
      GuardedRoi<T> src(p, rng), dst(p, rng), smooth(p, rng);
      ImgConvolUniform(src.roi(), dst.roi(), hx, hy);
      const VnImage<T> expected = hx + ey == 1 ? Pass(*src.roi(), hx == 1, ey == 1, true)
                                  : hx == 1 && ey == 1 ? Make<T>(p.width, p.height, [&](int x, int y) { return Expected(*src.roi(), kFilters[2], x, y, false); })
                                                       : Box(*src.roi(), hx, ey);
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " half " << hx << "," << hy << " " << p.width << "x" << p.height);
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(SamePixels<T>(*dst.roi(), expected) && dst.OutsideUnchanged());
      const unsigned gx = std::min(hx, 11u), gy = std::min(ey, 11u);  // past one batch of fused passes
      ImgConvolGaussian(src.roi(), smooth.roi(), gx, gy);
      VnImage<T> passes = CopyOf(*src.roi());
      for (unsigned k = 0; k < std::max(gx, gy); ++k) passes = Pass(passes, k < gx, k < gy);
      ASSERT_TRUE(SamePixels<T>(*smooth.roi(), passes) && smooth.OutsideUnchanged() && src.Unchanged());
    }
  }
  // Passes that change nothing stop the loop, as 2^31 passes would leave the image where 300 do.
  VnImage<T> image(7, 5);
  FillRandomBytes(image, rng);
  VnImage<T> passes = CopyOf(image);
  for (int k = 0; k < 300; ++k) passes = Pass(passes, true, true);
  ImgConvolGaussian(&image, nullptr, 0x7fffffff, UINT_MAX);
  EXPECT_TRUE(SamePixels<T>(image, passes));
}

TEST(PredefinedFixedSizes, MatchTheirWeightedSums) {
  struct Row { Op<VnBW8> op; std::vector<I64> taps; I64 factor; int shift; };
  const Row rows[] = {{ImgConvolUniform5x5, {1, 1, 1, 1, 1}, 335544, 23}, {ImgConvolUniform7x7, {1, 1, 1, 1, 1, 1, 1}, 171196, 23},
                      {ImgConvolGaussian5x5, {1, 4, 6, 4, 1}, 1, 8}, {ImgConvolGaussian7x7, {1, 6, 15, 20, 15, 6, 1}, 1, 12}};
  Rng rng(16);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Row& r : rows)
      for (const Placement& p : RandomPlacements(rng, 25)) {
        GuardedRoi<VnBW8> src(p, rng), dst(p, rng);
        r.op(src.roi(), dst.roi());
        const int half = int(r.taps.size() / 2);
        const auto expected = Make<VnBW8>(p.width, p.height, [&](int x, int y) {
          I64 sum = 0;
          for (int j = -half; j <= half; ++j)
            for (int i = -half; i <= half; ++i)
              sum += r.taps[i + half] * r.taps[j + half] * src.roi()->GetPixel(std::clamp(x + i, 0, p.width - 1), std::clamp(y + j, 0, p.height - 1));
          return sum * r.factor >> r.shift;
        });
        ASSERT_TRUE(SamePixels<VnBW8>(*dst.roi(), expected) && dst.OutsideUnchanged()) << simd::LevelName(level) << " " << r.taps.size();
      }
  }
}

// Each component of a colour image filtered as an 8-bit image.
TEST(PredefinedColour, IsThreeGrayRuns) {
  Rng rng(17);
  using Call = std::function<void(const VnROI<VnBW8>*, VnROI<VnBW8>*)>;
  using ColourCall = std::function<void(const VnROI<VnC24>*, VnROI<VnC24>*)>;
  std::vector<std::pair<Call, ColourCall>> calls;
  for (const Filter& f : kFilters) calls.emplace_back(f.bw8, f.c24);
  calls.emplace_back([](auto s, auto d) { ImgConvolRoberts(s, d); }, [](auto s, auto d) { ImgConvolRoberts(s, d); });
  calls.emplace_back([](auto s, auto d) { ImgConvolUniform(s, d, 3, 2); }, [](auto s, auto d) { ImgConvolUniform(s, d, 3, 2); });
  calls.emplace_back([](auto s, auto d) { ImgConvolGaussian(s, d, 1, 3); }, [](auto s, auto d) { ImgConvolGaussian(s, d, 1, 3); });
  const auto placements = RandomPlacements(rng, int(calls.size()));
  for (std::size_t n = 0; n < calls.size(); ++n) {
    const Placement& p = placements[n];
    GuardedRoi<VnC24> src(p, rng), dst(p, rng);
    calls[n].second(src.roi(), dst.roi());
    ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged() && src.Unchanged());
    for (int k = 0; k < 3; ++k) {
      auto byte = [k](VnC24 v) { return k == 0 ? v.c0 : k == 1 ? v.c1 : v.c2; };
      const auto in = Make<VnBW8>(p.width, p.height, [&](int x, int y) { return byte(src.roi()->GetPixel(x, y)); });
      VnImage<VnBW8> gray(p.width, p.height);
      calls[n].first(&in, &gray);
      ASSERT_TRUE(SamePixels<VnBW8>(gray, Make<VnBW8>(p.width, p.height, [&](int x, int y) { return byte(dst.roi()->GetPixel(x, y)); }))) << n;
    }
  }
}

// Rules worked by hand on uniform and tiny images.
TEST(PredefinedRules, HandWorked) {
  const auto white = Make<VnBW8>(5, 4, [](int, int) { return 255; });
  const auto spike = Make<VnBW8>(3, 1, [](int x, int) { return x == 1 ? 255 : 0; });
  const auto ramp = Make<VnBW8>(3, 3, [](int x, int y) { return 10 * x + 100 * y; });
  struct Row { const char* rule; std::function<void(VnROI<VnBW8>*)> call; const VnImage<VnBW8>* src; int x, y, expected; };
  const Row rows[] = {
      {"low-pass 1 of 255: 9 x 255 x 7 >> 6", [&](auto d) { ImgConvolLowpass1(&white, d); }, &white, 0, 0, 251},
      {"three-tap mean of 255: 765 x 85 >> 8", [&](auto d) { ImgConvolUniform(&white, d, 1, 0); }, &white, 2, 1, 254},
      {"5x5 mean of 255: 6375 x 335544 >> 23", [&](auto d) { ImgConvolUniform5x5(&white, d); }, &white, 2, 2, 254},
      {"7x7 mean of 255: 12495 x 171196 >> 23", [&](auto d) { ImgConvolUniform7x7(&white, d); }, &white, 4, 3, 254},
      {"box 3 x 5 of 255: 255 x 15 x (2^24 / 15) >> 24", [&](auto d) { ImgConvolUniform(&white, d, 1, 2); }, &white, 1, 1, 254},
      {"laplacian X of 0 255 0 clamps 510", [&](auto d) { ImgConvolLaplacianX(&spike, d); }, &spike, 1, 0, 255},
      {"roberts leaves the bottom-right 0", [&](auto d) { ImgConvolRoberts(&white, d); }, &white, 4, 3, 0},
      {"roberts last column: 2 x |10 x 2 + 100 - (10 x 2 + 200)|", [&](auto d) { ImgConvolRoberts(&ramp, d); }, &ramp, 2, 1, 200},
      {"high-pass 2 clips: 9 x 0 - 255 - 2 x 0", [&](auto d) { ImgConvolHighpass2(&spike, d); }, &spike, 2, 0, 0},
  };
  for (const Row& r : rows) {
    VnImage<VnBW8> dst(r.src->GetWidth(), r.src->GetHeight());
    r.call(&dst);
    EXPECT_EQ(dst.GetPixel(r.x, r.y), r.expected) << r.rule;
  }
}

// Codes, trace names innermost first, destinations untouched.
TEST(FilterFailures, PredefinedFilters) {
  Rng rng(19);
  const Placement p{6, 5, 1, 1, 9, 8};
  GuardedRoi<VnBW8> a(p, rng), b(p, rng);
  GuardedRoi<VnBW16> a16(p, rng), b16(p, rng);
  GuardedRoi<VnC24> ac(p, rng), bc(p, rng);
  VnROI<VnBW8> small(&a.parent(), 0, 0, 5, 5);
  const VnROI<VnBW8>* none = nullptr;
  struct Row { std::function<void()> call; int code; std::vector<std::string> trace; };
  const Row rows[] = {
      {[&] { ImgConvolSobelX(none, b.roi()); }, VN_ERR_NULL_ROI, {"ImgConvolSobelX (BW8)"}},
      {[&] { ImgConvolRoberts(&small, b.roi()); }, VN_ERR_SIZE_MISMATCH, {"ImgConvolRoberts"}},
      {[&] { ImgConvolLaplacian8(static_cast<const VnROI<VnBW16>*>(nullptr), b16.roi()); }, VN_ERR_NULL_ROI, {"ImgConvolLaplacian8 (BW16)"}},
      {[&] { ImgConvolSobelX(ac.roi(), ac.roi()); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolSobelX ( C24)"}},
      {[&] { ImgConvolRoberts(ac.roi(), nullptr); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolRoberts ( C24)"}},
      {[&] { ImgConvolUniform(a.roi(), a.roi(), 2, 2); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolUniform"}},
      {[&] { ImgConvolUniform(a16.roi(), nullptr, 0, 2); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolUniform (BW16)"}},
      {[&] { ImgConvolUniform(ac.roi(), ac.roi(), 0, 0); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolUniform ( C24)"}},
      {[&] { ImgConvolGaussian(&small, b.roi(), 1, 1); }, VN_ERR_SIZE_MISMATCH, {"ImgConvolGaussian"}},
      {[&] { ImgConvolGaussian(ac.roi(), nullptr, 1, 1); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolGaussian ( C24)"}},
      {[&] { ImgConvolUniform5x5(none, b.roi()); }, VN_ERR_NULL_ROI, {"ConvolUniform5x5"}},
      {[&] { ImgConvolGaussian5x5(&small, b.roi()); }, VN_ERR_SIZE_MISMATCH, {"ConvolGaussian5x5"}},
      {[&] { ImgConvolUniform7x7(a.roi(), nullptr); }, VN_ERR_NULL_ROI, {"ImgConvolUniform7x7"}},
      {[&] { ImgConvolGaussian3x3(a.roi(), nullptr); }, VN_ERR_NULL_ROI, {"ImgConvolGaussian3x3 (BW8)"}},
  };
  for (const Row& r : rows) {
    r.call();
    EXPECT_TRUE(VnGetError() == r.code && Trace() == r.trace) << r.code << " " << ::testing::PrintToString(Trace());
    EXPECT_TRUE(a.Unchanged() && b.Unchanged() && a16.Unchanged() && b16.Unchanged() && ac.Unchanged() && bc.Unchanged()) << r.code;
  }
}

}  // namespace
}  // namespace vnimg::test
