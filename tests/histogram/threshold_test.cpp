// Thresholding: every row kernel's vector variants against its plain loop, every operation
// against its pixel rule over guarded ROIs, the rules by hand, and the failed checks.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "foundation/frame.h"
#include "histogram/histograms.h"
#include "histogram/local_mean_kernels.h"
#include "histogram/threshold_kernels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

namespace kernels = vnimg::threshold;
using Korvane::Quandor::Segmentation::ImgLocalMeanThreshold;

// Thresholds at and past both ends of the pixel range, a mode code, and random levels.
std::vector<unsigned> Thresholds(Rng& rng, unsigned top) {
  std::vector<unsigned> t = {0, 1, top - 1, top, top + 1, 300, 0xFFFFFFFCu};
  for (int i = 0; i < 3; ++i) t.push_back(rng() % (top + 1));
  return t;
}

// Runs row(fn, s, d, width) of every variant over random sources of `sourceWidth(width)` pixels.
template <class D, class S, class Fn, class Row>
void Differential(const simd::Variants<Fn>& variants, unsigned seed, Row row, int (*sourceWidth)(int) = nullptr) {
  ExpectVariantsMatchPlain<D>(
      variants,
      [&](const Placement& p, Rng& rng) {
        VnImage<S> src(sourceWidth ? sourceWidth(p.width) : p.width, p.height);
        FillRandomBytes(src, rng);
        return src;
      },
      [&](Fn fn, const VnImage<S>& src, VnROI<D>* dst) {
        const frame::Rows<S> in(src);
        const frame::Rows<D> out(*dst);
        for (int y = 0; y < dst->GetHeight(); ++y) row(fn, in.Row(y), out.Row(y), src.GetWidth());
      },
      25, seed);
}

// The bit kernels write ceil(pixels / 8) bytes: sources 0 to 7 pixels short of the last byte.
int PixelsFilling(int bytes) { return 8 * bytes - bytes % 8; }

TEST(ThresholdRows, EveryVariantMatchesThePlainLoop) {
  Rng rng(21);
  for (unsigned t : Thresholds(rng, 255)) {
    const unsigned u = rng() % 300;  // crossed pairs too: no middle band then
    const VnBW8 a = VnBW8(rng()), b = VnBW8(rng()), c = VnBW8(rng());
    SCOPED_TRACE(::testing::Message() << t << " " << u);
    Differential<VnBW8, VnBW8>(kernels::Gray8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, a, b); });
    Differential<VnBW8, VnBW8>(kernels::Double8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, u, a, b, c); });
    Differential<VnBW8, VnBW8>(kernels::Double8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, u, t, a, b, c); });
    Differential<VnBW8, VnBW8>(kernels::Bits8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t); }, PixelsFilling);
    const VnC24 min{VnBW8(t), VnBW8(u), VnBW8(rng() % 64)}, max{VnBW8(u), VnBW8(rng()), VnBW8(255 - rng() % 64)};
    Differential<VnBW8, VnC24>(kernels::BoxVariants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, min, max, a, b); });
  }
  for (unsigned t : Thresholds(rng, 65535)) {
    const unsigned u = rng() % 70000;
    const VnBW16 a = VnBW16(rng()), b = VnBW16(rng()), c = VnBW16(rng());
    SCOPED_TRACE(::testing::Message() << t << " " << u);
    Differential<VnBW16, VnBW16>(kernels::Gray16Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, a, b); });
    Differential<VnBW16, VnBW16>(kernels::Double16Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, u, a, b, c); });
    Differential<VnBW8, VnBW16>(kernels::Bits16Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t); }, PixelsFilling);
  }
  // Local mean: column sums slide (modulo 2^32); compares at the 32-bit path's extreme areas
  // and offsets, with sums near the tie pixel x area - bias so that both outcomes occur.
  ExpectVariantsMatchPlain<VnBW32>(
      local_mean::SlideColumnsVariants(),
      [](const Placement& p, Rng& rng) {
        std::pair<VnImage<VnBW8>, VnImage<VnBW8>> rows{VnImage<VnBW8>(p.width, p.height), VnImage<VnBW8>(p.width, p.height)};
        FillRandomBytes(rows.first, rng), FillRandomBytes(rows.second, rng);
        return rows;
      },
      [](local_mean::SlideColumnsFn fn, const auto& rows, VnROI<VnBW32>* columns) {
        const frame::Rows<VnBW8> added(rows.first), removed(rows.second);
        const frame::Rows<VnBW32> sums(*columns);
        for (int y = 0; y < columns->GetHeight(); ++y) fn(sums.Row(y), added.Row(y), removed.Row(y), columns->GetWidth());
      });
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  for (std::int32_t area : {1, 9, 32767, 32768, 40401, max / 255})
    for (std::int64_t bias : {0ll, 1ll * area, -7ll * area, max - 255ll * area, 255ll * area - max}) {
      if (std::llabs(bias) > max - 255ll * area) continue;
      SCOPED_TRACE(::testing::Message() << "area " << area << " bias " << bias);
      ExpectVariantsMatchPlain<VnBW8>(
          local_mean::CompareRowVariants(),
          [&](const Placement& p, Rng& rng) {
            std::pair<VnImage<VnBW8>, VnImage<VnINT32>> in{VnImage<VnBW8>(p.width, p.height), VnImage<VnINT32>(p.width, p.height)};
            FillRandomBytes(in.first, rng);
            for (int y = 0; y < p.height; ++y)
              for (int x = 0; x < p.width; ++x) {
                const std::int64_t tie = std::int64_t{in.first.GetPixel(x, y)} * area - bias + int(rng() % 3) - 1;
                in.second.SetPixel(std::int32_t(std::clamp<std::int64_t>(rng() % 4 ? tie : rng() % (255ll * area), 0, 255ll * area)), x, y);
              }
            return in;
          },
          [&](local_mean::CompareRowFn fn, const auto& in, VnROI<VnBW8>* dst) {
            const frame::Rows<VnBW8> src(in.first), out(*dst);
            const frame::Rows<VnINT32> sums(in.second);
            for (int y = 0; y < dst->GetHeight(); ++y) fn(src.Row(y), out.Row(y), sums.Row(y), dst->GetWidth(), area, std::int32_t(bias));
          },
          20, unsigned(area));
    }
}

// What an automatic argument becomes: the selection on the histogram of the whole source.
unsigned Selected(VnROI<VnBW8>* src, unsigned mode, float fraction) {
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist);
  float a, b;
  ImgHistogramThreshold(&hist, mode, a, b, fraction, 0, 255);
  return mode;
}
unsigned Selected(VnROI<VnBW16>* src, unsigned mode, float fraction) {
  VnBWHistogramVector hist;
  ImgHistogram(src, &hist, 15, 16, 1);
  float a, b;
  ImgHistogramThresholdBW16(&hist, mode, a, b, fraction, 0, 65535);
  return mode;
}

// op(src, dst) on random guarded ROIs, vector variants off and on: every pixel of dst is
// rule(src ROI)(src pixel), nothing outside dst changed and src untouched.
template <class S, class D, class Op, class Rule>
void ExpectRule(Op op, Rule rule, unsigned seed, int placements = 16) {
  Rng rng(seed);
  for (const Placement& p : RandomPlacements(rng, placements))
    for (int mmx = 0; mmx <= 1; ++mmx) {
      VnSetMMX(mmx);
      GuardedRoi<S> src(p, rng);
      Placement at = p;
      if constexpr (std::is_same_v<D, VnBW1>) at.orgX = int((seed + unsigned(p.orgX)) % 8) + 8 * (p.orgX % 3), at.parentWidth = at.orgX + p.width + 5;
      GuardedRoi<D> dst(at, rng);
      op(src.roi(), dst.roi());
      ASSERT_EQ(VnGetError(), 0);
      const auto pixelRule = rule(*src.roi());
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          ASSERT_EQ(dst.roi()->GetPixel(x, y), pixelRule(src.roi()->GetPixel(x, y))) << x << "," << y << " mmx " << mmx;
      ASSERT_TRUE(dst.OutsideUnchanged());
      ASSERT_TRUE(src.Unchanged());
    }
  VnSetMMX(1);
}

// Swaps the first and last components, so that the box is tested on the transformed colour.
class SwapLookup : public VnColorLookup {
 public:
  void Transform(VnC24 in, VnC24& out) override { out = VnC24{in.c2, in.c1, in.c0}; }
};
bool InBox(VnC24 p, VnC24 lo, VnC24 hi) {
  return lo.c0 <= p.c0 && p.c0 <= hi.c0 && lo.c1 <= p.c1 && p.c1 <= hi.c1 && lo.c2 <= p.c2 && p.c2 <= hi.c2;
}

TEST(Threshold, EveryOperationFollowsItsPixelRule) {
  for (unsigned t : {0u, 1u, 100u, 255u, 256u, 0xFFFFFFF8u, 0xFFFFFFF9u, 0xFFFFFFFAu, 0xFFFFFFFBu, 0xFFFFFFFCu, 0xFFFFFFFDu}) {
    SCOPED_TRACE(t);
    const auto above = [t](auto& src, unsigned limit) { return t > limit ? Selected(&src, t, 0.3f) : t; };
    ExpectRule<VnBW8, VnBW8>([&](auto* s, auto* d) { EXPECT_EQ(ImgThreshold(s, d, t, 7, 200, 0.3f), 0); VnOk(); },
                             [&](auto& src) { const unsigned th = above(src, 255); return [=](VnBW8 p) { return p >= th ? 200 : 7; }; }, t);
    ExpectRule<VnBW16, VnBW16>([&](auto* s, auto* d) { ImgThreshold(s, d, t, 9, 60000, 0.3f); },
                               [&](auto& src) { const unsigned th = above(src, 65535); return [=](VnBW16 p) { return p >= th ? 60000 : 9; }; }, t);
    ExpectRule<VnBW8, VnBW1>([&](auto* s, auto* d) { ImgThreshold(s, d, t, 0.3f); },
                             [&](auto& src) { const unsigned th = above(src, 65535); return [=](VnBW8 p) { return VnBW1(p >= th); }; }, t, 8);
    ExpectRule<VnBW16, VnBW1>([&](auto* s, auto* d) { ImgThreshold(s, d, t, 0.3f); },
                              [&](auto& src) { const unsigned th = above(src, 65535); return [=](VnBW16 p) { return VnBW1(p >= th); }; }, t + 1, 8);
    if (t > 255) continue;  // the double thresholds are absolute
    ExpectRule<VnBW8, VnBW8>([&](auto* s, auto* d) { EXPECT_EQ(ImgDoubleThreshold(s, d, t, 200 - t / 2, 1, 2, 3), 0); },
                             [&](auto&) { return [&](VnBW8 p) { return p > 200 - t / 2 ? 3 : p >= t ? 2 : 1; }; }, t);
    ExpectRule<VnBW16, VnBW16>([&](auto* s, auto* d) { ImgDoubleThreshold(s, d, t * 200, 30000, 1, 2, 3); },
                               [&](auto&) { return [&](VnBW16 p) { return p > 30000 ? 3 : p >= t * 200 ? 2 : 1; }; }, t);
  }
  const VnC24 min{40, 60, 10}, max{220, 250, 120};
  SwapLookup swap;
  ExpectRule<VnC24, VnBW8>([&](auto* s, auto* d) { ImgThreshold(s, d, min, max); },
                           [&](auto&) { return [&](VnC24 p) { return InBox(p, min, max) ? 255 : 0; }; }, 1);
  ExpectRule<VnC24, VnBW8>([&](auto* s, auto* d) { ImgThreshold(s, d, min, max, &swap, 3, 4); },
                           [&](auto&) { return [&](VnC24 p) { return InBox(VnC24{p.c2, p.c1, p.c0}, min, max) ? 4 : 3; }; }, 3);
}

// The rule of the local mean written directly: the window around (x, y), moved inside the image.
TEST(LocalMeanThreshold, MatchesTheWindowSumEverywhereAlsoInPlace) {
  Rng rng(31);
  for (const Placement& p : RandomPlacements(rng, 40)) {
    if (p.width > 300) continue;  // the direct sums are slow on the large placements
    GuardedRoi<VnBW8> src(p, rng), dst(p, rng);
    const int half = int(rng() % 7), offset = int(rng() % 41) - 20, w = p.width, h = p.height;
    ImgLocalMeanThreshold(src.roi(), dst.roi(), half, offset);
    ASSERT_EQ(VnGetError(), 0);
    const int r = std::min(half, (std::min(w, h) - 1) / 2);
    const long long n = (2LL * r + 1) * (2LL * r + 1);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int x0 = std::clamp(x - r, 0, w - 1 - 2 * r), y0 = std::clamp(y - r, 0, h - 1 - 2 * r);
        long long sum = 0;
        for (int j = y0; j <= y0 + 2 * r; ++j)
          for (int i = x0; i <= x0 + 2 * r; ++i) sum += src.roi()->GetPixel(i, j);
        ASSERT_EQ(dst.roi()->GetPixel(x, y), src.roi()->GetPixel(x, y) * n < sum + n * offset ? 0 : 255) << x << "," << y;
      }
    ASSERT_TRUE(dst.OutsideUnchanged());
    ImgLocalMeanThreshold(src.roi(), src.roi(), half, offset);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(src.roi()->GetPixel(x, y), dst.roi()->GetPixel(x, y));
  }
}

// The adaptive surface built as documented: one selection per tile-corner window, enlarged.
TEST(AutoAdaptiveThreshold, SurfaceOfTheTileSelections) {
  Rng rng(47);
  const struct {
    int width, height, tileWidth, tileHeight;
  } cases[] = {{64, 32, 16, 0}, {61, 37, 10, 7}, {100, 20, 33, 33}, {20, 10, 64, 0}};
  for (const auto& c : cases)
    for (IMG_THRESHOLD_MODES mode : {IMG_THRESHOLD_RELATIVE, IMG_THRESHOLD_ISODATA, IMG_THRESHOLD_MIN_RESIDUE}) {
      GuardedRoi<VnBW8> src(Placement{c.width, c.height, 2, 1, c.width + 5, c.height + 3}, rng);
      GuardedRoi<VnBW8> dst(Placement{c.width, c.height, 4, 2, c.width + 6, c.height + 2}, rng);
      ImgAutoAdaptiveThreshold(src.roi(), dst.roi(), mode, c.tileWidth, c.tileHeight);
      ASSERT_EQ(VnGetError(), 0);
      const int w = c.width, h = c.height, tw = c.tileWidth, th = c.tileHeight ? c.tileHeight : tw;
      const int nx = int(std::ceil(float(w) / float(tw))), ny = int(std::ceil(float(h) / float(th)));
      VnImage<VnBW8> map(nx + 1, ny + 1), surface(w, h);
      for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
          const int cx = i * w / nx, cy = j * h / ny, x0 = std::max(cx - tw / 2, 0), y0 = std::max(cy - th / 2, 0);
          VnROI<VnBW8> window(src.roi(), x0, y0, std::min(cx + tw / 2, w) - x0, std::min(cy + th / 2, h) - y0);
          map.SetPixel(VnBW8(std::min(Selected(&window, mode, 0.5f), 255u)), i, j);
        }
      ImgScaleRotate(&map, 0, 0, 0, 0, float(w) / float(nx), float(h) / float(ny), 0, &surface, 8);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(dst.roi()->GetPixel(x, y), surface.GetPixel(x, y)) << x << "," << y;
      ASSERT_TRUE(dst.OutsideUnchanged());
    }
}

// One row per rule, by hand: a row of pixels and an operation give pixels, then the code.
TEST(Threshold, RulesByHand) {
  using Row = std::vector<int>;
  const Row ramp = {0, 1, 99, 100, 101, 128, 199, 200, 201, 254, 255};
  const auto gray = [](const Row& in, auto op) {
    VnImage<VnBW8> src(int(in.size()), 1), dst(int(in.size()), 1);
    for (std::size_t x = 0; x < in.size(); ++x) src.SetPixel(VnBW8(in[x]), int(x), 0);
    op(&src, &dst);
    Row out;
    for (std::size_t x = 0; x < in.size(); ++x) out.push_back(dst.GetPixel(int(x), 0));
    out.push_back(VnGetError());
    return out;
  };
  const auto bits = [](const Row& in, unsigned t) {
    VnImage<VnBW8> src(int(in.size()), 1);
    VnImage<VnBW1> dst(int(in.size()), 1);
    for (std::size_t x = 0; x < in.size(); ++x) src.SetPixel(VnBW8(in[x]), int(x), 0);
    ImgThreshold(&src, &dst, t, 0.5f);
    Row out(dst.GetImagePtr(0, 0), dst.GetImagePtr(0, 0) + (in.size() + 7) / 8);
    out.push_back(VnGetError());
    return out;
  };
  const struct {
    Row got, want;
  } rows[] = {
      {gray(ramp, [](auto* s, auto* d) { ImgThreshold(s, d, 0, 0, 255, 0.5f); }), {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgThreshold(s, d, 255, 0, 255, 0.5f); }), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgThreshold(s, d, 256, 3, 9, 0.5f); }), {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, VN_ERR_PARAM_2}},  // no mode
      {gray(ramp, [](auto* s, auto* d) { ImgDoubleThreshold(s, d, 100, 200, 1, 2, 3); }), {1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgDoubleThreshold(s, d, 200, 100, 1, 2, 3); }), {1, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgDoubleThreshold(s, d, 100, 200); }), {0, 0, 0, 127, 127, 127, 127, 127, 255, 255, 255, 0}},
      {bits({0, 255, 0, 255, 0, 255, 0, 255, 0, 255}, 128), {0x55, 0x40, 0}},
      {bits({255, 255, 255}, 300), {0, 0}},  // 300 is absolute for the bit forms
      {gray(Row(9, 77), [](auto* s, auto* d) { ImgLocalMeanThreshold(s, d, 1, 0); }), {255, 255, 255, 255, 255, 255, 255, 255, 255, 0}},
      {gray(Row(9, 77), [](auto* s, auto* d) { ImgLocalMeanThreshold(s, d, 1, 1); }), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {gray({10, 10, 10, 0, 255}, [](auto* s, auto* d) { ImgLocalMeanThreshold(s, d, 0, 0); }), {255, 255, 255, 255, 255, 0}},
      {gray({10, 20, 30, 40}, [](auto* s, auto* d) { ImgLocalMeanThreshold(s, d, 5, 0); }), {255, 255, 255, 255, 0}},
      {{ImgAutoThreshold(static_cast<VnROI<VnBW8>*>(nullptr), static_cast<IMG_THRESHOLD_MODES>(77)), VnGetError()}, {77, 0}},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, r.want);
  // One past the top (the relative mode with fraction 1) saturates in the returned level.
  Rng rng(46);
  VnImage<VnBW8> src(16, 16);
  VnImage<VnBW16> src16(16, 16);
  FillRandomBytes(src, rng), FillRandomBytes(src16, rng);
  EXPECT_EQ(ImgAutoThreshold(&src, IMG_THRESHOLD_RELATIVE, 1.0f), 255);
  EXPECT_EQ(ImgAutoThreshold(&src16, IMG_THRESHOLD_RELATIVE, 1.0f), 65535);
  EXPECT_EQ(ImgAutoThreshold(&src, IMG_THRESHOLD_ISODATA, 0.5f), Selected(&src, IMG_THRESHOLD_ISODATA, 0.5f));
  EXPECT_EQ(ImgAutoThreshold(&src16, IMG_THRESHOLD_MIN_SQ_ERROR, 0.5f), Selected(&src16, IMG_THRESHOLD_MIN_SQ_ERROR, 0.5f));
  EXPECT_EQ(ImgAutoThreshold(&src, static_cast<IMG_THRESHOLD_MODES>(300), 0.5f), 0);
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_2);
}

// Failed checks, one row each: the code, the trace (none for the local mean), an untouched
// destination; the aligned bit workers throw the code instead.
TEST(ThresholdFailures, CodesTracesAndUntouchedDestinations) {
  Rng rng(8);
  const Placement at{37, 5, 3, 1, 45, 8}, bitsAt{37, 5, 3, 1, 48, 8};
  GuardedRoi<VnBW8> s8(at, rng), d8(at, rng);
  GuardedRoi<VnBW16> s16(at, rng), d16(at, rng);
  GuardedRoi<VnC24> c24(at, rng);
  GuardedRoi<VnBW1> bits(bitsAt, rng);
  VnROI<VnBW8> narrow8(&d8.parent(), 3, 1, 36, 5), outside8(&s8.parent(), 40, 0, 10, 5);
  VnROI<VnBW16> narrow16(&d16.parent(), 3, 1, 36, 5);
  VnROI<VnC24> outsideC(&c24.parent(), 40, 0, 10, 5);
  VnROI<VnBW1> narrowBits(&bits.parent(), 3, 1, 36, 5), alignedBits(&bits.parent(), 8, 1, 37, 5);
  VnImage<VnBW8> void8;
  VnImage<VnBW16> void16;
  SwapLookup swap;
  const VnC24 lo{}, hi{9, 9, 9};
  const std::string t8 = "ImgThreshold", dt8 = "ImgDoubleThreshold ( BW8 to BW8)", c = "ImgThreshold ( C24 to BW8)";
  const std::string b8 = "ImgThreshold (BW8 -> BW1)", b16 = "ImgThreshold (BW16 -> BW1)", ad = "ImgAutoAdaptiveThreshold";
  VnROI<VnBW8>* const null8 = nullptr;
  const auto codeOf = [](auto&& call) {
    try {
      call();
    } catch (const Korvane::Quandor::Exception& e) {
      return int(e.code);
    }
    return 0;
  };
  const struct {
    std::function<int()> call;  // the returned code, or -1 for a void form
    int code;
    std::vector<std::string> trace;
  } rows[] = {
      {[&] { return ImgThreshold(null8, d8.roi(), 10); }, VN_ERR_NULL_ROI, {t8}},
      {[&] { return ImgThreshold(s8.roi(), null8, 10); }, VN_ERR_NULL_ROI, {t8}},
      {[&] { return ImgThreshold(&void8, d8.roi(), 10); }, VN_ERR_NULL_ROI, {t8}},
      {[&] { return ImgThreshold(&outside8, d8.roi(), 10); }, VN_ERR_ROI_OUTSIDE_PARENT, {t8}},
      {[&] { return ImgThreshold(s8.roi(), &narrow8, IMG_THRESHOLD_ISODATA); }, VN_ERR_SIZE_MISMATCH, {t8}},
      {[&] { return ImgDoubleThreshold(&void8, d8.roi(), 10, 20); }, VN_ERR_NULL_ROI, {dt8}},
      {[&] { return ImgDoubleThreshold(s8.roi(), &narrow8, 10, 20); }, VN_ERR_SIZE_MISMATCH, {dt8}},
      {[&] { return ImgDoubleThreshold(&outside8, d8.roi(), 10, 20); }, VN_ERR_ROI_OUTSIDE_PARENT, {dt8}},
      {[&] { return ImgThreshold(&void16, d16.roi(), 10, 0, 1), -1; }, VN_ERR_NULL_ROI, {"ImgThreshold (BW16)"}},
      {[&] { return ImgThreshold(s16.roi(), &narrow16, 10, 0, 1), -1; }, VN_ERR_SIZE_MISMATCH, {"ImgThreshold (BW16)"}},
      {[&] { return ImgDoubleThreshold(s16.roi(), &narrow16, 10, 20), -1; }, VN_ERR_SIZE_MISMATCH, {"ImgDoubleThreshold ( BW16 to BW16)"}},
      {[&] { return ImgDoubleThreshold(&void16, d16.roi(), 10, 20), -1; }, VN_ERR_NULL_ROI, {"ImgDoubleThreshold ( BW16 to BW16)"}},
      {[&] { return ImgThreshold(&outsideC, d8.roi(), lo, hi), -1; }, VN_ERR_ROI_OUTSIDE_PARENT, {c}},
      {[&] { return ImgThreshold(c24.roi(), &narrow8, lo, hi), -1; }, VN_ERR_SIZE_MISMATCH, {c}},
      {[&] { return ImgThreshold(c24.roi(), null8, lo, hi, &swap, 1, 2), -1; }, VN_ERR_NULL_ROI, {c}},
      {[&] { return ImgThreshold(c24.roi(), &narrow8, lo, hi, &swap, 1, 2), -1; }, VN_ERR_SIZE_MISMATCH, {c}},
      {[&] { return ImgThreshold(null8, bits.roi(), 5), -1; }, VN_ERR_NULL_ROI, {b8}},
      {[&] { return ImgThreshold(s8.roi(), static_cast<VnROI<VnBW1>*>(nullptr), 5), -1; }, VN_ERR_NULL_ROI, {b8}},
      {[&] { return ImgThreshold(s8.roi(), &narrowBits, 5), -1; }, VN_ERR_SIZE_MISMATCH, {b8}},
      {[&] { return ImgThreshold(&outside8, bits.roi(), 5), -1; }, VN_ERR_ROI_OUTSIDE_PARENT, {b8}},
      {[&] { return ImgThreshold(s16.roi(), &narrowBits, 5), -1; }, VN_ERR_SIZE_MISMATCH, {b16}},
      {[&] { return ImgThreshold(&void16, bits.roi(), 5), -1; }, VN_ERR_NULL_ROI, {b16}},
      {[&] { return codeOf([&] { ImgThresholdAligned(s8.roi(), bits.roi(), 5); }); }, VN_ERR_BW1_NOT_ALIGNED, {}},
      {[&] { return codeOf([&] { ImgThresholdAligned(s8.roi(), &narrowBits, 5); }); }, VN_ERR_SIZE_MISMATCH, {}},
      {[&] { return codeOf([&] { ImgThresholdAligned(&outside8, &alignedBits, 5); }); }, VN_ERR_ROI_OUTSIDE_PARENT, {}},
      {[&] { return codeOf([&] { ImgThresholdAligned(null8, &alignedBits, 5); }); }, VN_ERR_NULL_ROI, {}},
      {[&] { return codeOf([&] { ImgThresholdAligned(&void16, &alignedBits, 5); }); }, VN_ERR_NULL_ROI, {}},
      {[&] { return ImgAutoAdaptiveThreshold(null8, d8.roi(), IMG_THRESHOLD_ISODATA, 8, 8), -1; }, VN_ERR_NULL_ROI, {ad}},
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), d8.roi(), IMG_THRESHOLD_ISODATA, 0, 8), -1; }, VN_ERR_PARAM_4, {ad}},
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), d8.roi(), IMG_THRESHOLD_ISODATA, 8, -1), -1; }, VN_ERR_PARAM_5, {ad}},
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), &narrow8, IMG_THRESHOLD_ISODATA, 8, 8), -1; }, VN_ERR_SIZE_MISMATCH, {ad}},
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), d8.roi(), static_cast<IMG_THRESHOLD_MODES>(~0u), 8, 8), -1; }, VN_ERR_PARAM_2, {"ImgHistogramThreshold", ad}},
      {[&] { return ImgLocalMeanThreshold(null8, d8.roi(), 1, 0), -1; }, VN_ERR_NULL_ROI, {}},
      {[&] { return ImgLocalMeanThreshold(s8.roi(), null8, 1, 0), -1; }, VN_ERR_NULL_ROI, {}},
      {[&] { return ImgLocalMeanThreshold(s8.roi(), d8.roi(), -1, 0), -1; }, VN_ERR_PARAM_3, {}},
      {[&] { return ImgLocalMeanThreshold(&void8, d8.roi(), 1, 0), -1; }, VN_ERR_NULL_ROI, {}},
      {[&] { return ImgLocalMeanThreshold(s8.roi(), &narrow8, 1, 0), -1; }, VN_ERR_SIZE_MISMATCH, {}},
      {[&] { return ImgLocalMeanThreshold(&outside8, d8.roi(), 1, 0), -1; }, VN_ERR_ROI_OUTSIDE_PARENT, {}},
  };
  for (const auto& r : rows) {
    VnOk();
    VnSetError(5);
    const int returned = r.call();
    const std::string name = r.trace.empty() ? "" : r.trace.back();
    EXPECT_EQ(returned >= 0 ? returned : VnGetError(), r.code) << name;
    EXPECT_TRUE(r.trace.empty() ? VnGetErrorTraceCount() == 0 : Failed(r.code, r.trace)) << name;
    EXPECT_TRUE(d8.Unchanged() && d16.Unchanged() && bits.Unchanged()) << name;
  }
}

}  // namespace
}  // namespace vnimg::test
