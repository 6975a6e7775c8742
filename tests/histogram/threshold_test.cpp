// Thresholding: every row kernel's vector variants against its plain loop, every operation
// against its pixel rule over guarded ROIs, the rules by hand, and the failed checks.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "foundation/frame.h"
#include "histogram/histograms.h"
#include "histogram/local_mean_kernels.h"
#include "histogram/threshold_kernels.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

namespace kernels = vnimg::threshold;
using Korvane::Quandor::Segmentation::ImgLocalMeanThreshold;

// Runs row(fn, s, d, width) of every variant over random sources of sourceWidth(width) pixels.
template <class D, class S, class Fn, class Row>
void Differential(const simd::Variants<Fn>& variants, unsigned seed, Row row, int (*sourceWidth)(int) = nullptr) {
  ExpectVariantsMatchPlain<D>(
      variants,
      [&](const Placement& p, Rng& rng) {
        VnImage<S> src(sourceWidth ? sourceWidth(p.width) : p.width, p.height);
        FillRandomBytes(src, rng);
        // A quarter of the 16-bit pixels at the thresholds' edges, which random words rarely hit.
        if constexpr (sizeof(S) == 2)
          for (int y = 0; y < src.GetHeight(); ++y)
            for (int x = 0; x < src.GetWidth(); ++x)
              if (rng() % 4 == 0) src.SetPixel(S(65536 - rng() % 3), x, y);
        return src;
      },
      [&](Fn fn, const VnImage<S>& src, VnROI<D>* dst) {
        for (int y = 0; y < dst->GetHeight(); ++y) row(fn, frame::Rows<S>(src).Row(y), frame::Rows<D>(*dst).Row(y), src.GetWidth());
      },
      25, seed);
}

// The bit kernels write ceil(pixels / 8) bytes: sources 0 to 7 pixels short of the last byte.
int PixelsFilling(int bytes) { return 8 * bytes - bytes % 8; }
int Twice(int width) { return 2 * width; }

TEST(ThresholdRows, EveryVariantMatchesThePlainLoop) {
  Rng rng(21);
  // Thresholds at and past both ends of each pixel range, a mode code, and random levels.
  for (unsigned t : {0u, 1u, 254u, 255u, 256u, 300u, 65534u, 65535u, 65536u, 0xFFFFFFFCu, unsigned(rng() % 256), unsigned(rng() % 65536)}) {
    // Crossed pairs leave no middle band; 65535 pairs with a high threshold past the top.
    const unsigned u = t < 256 ? rng() % 300 : t == 65535 ? 65536 : rng() % 70000, a = rng(), b = rng(), c = rng();
    const VnC24 min{VnBW8(t), VnBW8(u), VnBW8(rng() % 64)}, max{VnBW8(u), VnBW8(rng()), VnBW8(255 - rng() % 64)};
    SCOPED_TRACE(::testing::Message() << t << " " << u);
    Differential<VnBW8, VnBW8>(kernels::Gray8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, VnBW8(a), VnBW8(b)); });
    Differential<VnBW8, VnBW8>(kernels::Double8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, u, VnBW8(a), VnBW8(b), VnBW8(c)); });
    Differential<VnBW8, VnBW8>(kernels::Bits8Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t); }, PixelsFilling);
    Differential<VnBW8, VnC24>(kernels::BoxVariants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, min, max, VnBW8(a), VnBW8(b)); });
    Differential<VnBW16, VnBW16>(kernels::Gray16Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, VnBW16(a), VnBW16(b)); });
    Differential<VnBW16, VnBW16>(kernels::Double16Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t, u, VnBW16(a), VnBW16(b), VnBW16(c)); });
    Differential<VnBW8, VnBW16>(kernels::Bits16Variants(), t, [&](auto fn, auto s, auto d, int w) { fn(s, d, w, t); }, PixelsFilling);
  }
  // Local mean: column sums slide by the first half of a source row minus its second half
  // (modulo 2^32). The compares run at the 32-bit path's extreme areas and offsets, on sums
  // that the second half of the row puts within one of the tie pixel x area - bias mostly.
  Differential<VnBW32, VnBW8>(local_mean::SlideColumnsVariants(), 1, [](auto fn, auto s, auto d, int w) { fn(d, s, s + w / 2, w / 2); }, Twice);
  const std::int64_t max = std::numeric_limits<std::int32_t>::max();
  for (std::int64_t area : {std::int64_t{1}, std::int64_t{9}, std::int64_t{32767}, std::int64_t{32768}, std::int64_t{40401}, max / 255})
    for (std::int64_t bias : {std::int64_t{0}, area, -7 * area, max - 255 * area, 255 * area - max}) {
      if (std::llabs(bias) > max - 255 * area) continue;
      SCOPED_TRACE(::testing::Message() << "area " << area << " bias " << bias);
      Differential<VnBW8, VnBW8>(local_mean::CompareRowVariants(), unsigned(area), [&](auto fn, auto s, auto d, int w) {
        std::vector<std::int32_t> sums(std::size_t(w / 2));
        for (int x = 0; x < w / 2; ++x) {
          const std::int64_t j = s[w / 2 + x], tie = s[x] * area - bias + j % 3 - 1;
          sums[std::size_t(x)] = std::int32_t(std::clamp<std::int64_t>(j < 64 ? j * 4 * area : tie, 0, 255 * area));
        }
        fn(s, d, sums.data(), w / 2, std::int32_t(area), std::int32_t(bias));
      }, Twice);
    }
}

// What an automatic argument becomes: the selection on the histogram of the whole source.
template <class T>
unsigned Selected(VnROI<T>* src, unsigned mode, float fraction) {
  VnBWHistogramVector hist;
  float a, b;
  if constexpr (sizeof(T) == 1) ImgHistogram(src, &hist), ImgHistogramThreshold(&hist, mode, a, b, fraction, 0, 255);
  else ImgHistogram(src, &hist, 15, 16, 1), ImgHistogramThresholdBW16(&hist, mode, a, b, fraction, 0, 65535);
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
      ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged() && src.Unchanged()) << "mmx " << mmx;
      const auto pixelRule = rule(*src.roi());
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) ASSERT_EQ(dst.roi()->GetPixel(x, y), pixelRule(src.roi()->GetPixel(x, y))) << x << "," << y << " mmx " << mmx;
    }
  VnSetMMX(1);
}

// Swaps the first and last components, so that the box is tested on the transformed colour.
struct SwapLookup : VnColorLookup {
  void Transform(VnC24 in, VnC24& out) override { out = VnC24{in.c2, in.c1, in.c0}; }
};
bool InBox(VnC24 p, VnC24 lo, VnC24 hi) { return lo.c0 <= p.c0 && p.c0 <= hi.c0 && lo.c1 <= p.c1 && p.c1 <= hi.c1 && lo.c2 <= p.c2 && p.c2 <= hi.c2; }

TEST(Threshold, EveryOperationFollowsItsPixelRule) {
  for (unsigned t : {0u, 1u, 100u, 255u, 256u, 0xFFFFFFF8u, 0xFFFFFFF9u, 0xFFFFFFFAu, 0xFFFFFFFBu, 0xFFFFFFFCu, 0xFFFFFFFDu}) {
    SCOPED_TRACE(t);
    const auto above = [t](auto& src, unsigned limit) { return t > limit ? Selected(&src, t, 0.3f) : t; };
    const auto op8 = [&](auto* s, auto* d) { EXPECT_EQ(ImgThreshold(s, d, t, 7, 200, 0.3f), 0); VnOk(); };  // 256 sets 1012: the hand table
    ExpectRule<VnBW8, VnBW8>(op8, [&](auto& src) { return [th = above(src, 255)](VnBW8 p) { return p >= th ? 200 : 7; }; }, t);
    ExpectRule<VnBW16, VnBW16>([&](auto* s, auto* d) { ImgThreshold(s, d, t, 9, 60000, 0.3f); },
                               [&](auto& src) { return [th = above(src, 65535)](VnBW16 p) { return p >= th ? 60000 : 9; }; }, t);
    ExpectRule<VnBW8, VnBW1>([&](auto* s, auto* d) { ImgThreshold(s, d, t, 0.3f); }, [&](auto& src) { return [th = above(src, 65535)](VnBW8 p) { return VnBW1(p >= th); }; }, t, 8);
    ExpectRule<VnBW16, VnBW1>([&](auto* s, auto* d) { ImgThreshold(s, d, t, 0.3f); }, [&](auto& src) { return [th = above(src, 65535)](VnBW16 p) { return VnBW1(p >= th); }; }, t + 1, 8);
  }
  const VnC24 min{40, 60, 10}, max{220, 250, 120};
  SwapLookup swap;
  ExpectRule<VnC24, VnBW8>([&](auto* s, auto* d) { ImgThreshold(s, d, min, max); }, [&](auto&) { return [&](VnC24 p) { return InBox(p, min, max) ? 255 : 0; }; }, 1);
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
    const int r = std::min(half, (std::min(w, h) - 1) / 2), n = (2 * r + 1) * (2 * r + 1);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int x0 = std::clamp(x - r, 0, w - 1 - 2 * r), y0 = std::clamp(y - r, 0, h - 1 - 2 * r);
        int sum = 0;
        for (int j = y0; j <= y0 + 2 * r; ++j) for (int i = x0; i <= x0 + 2 * r; ++i) sum += src.roi()->GetPixel(i, j);
        ASSERT_EQ(dst.roi()->GetPixel(x, y), src.roi()->GetPixel(x, y) * n < sum + n * offset ? 0 : 255) << x << "," << y;
      }
    ASSERT_TRUE(dst.OutsideUnchanged());
    ImgLocalMeanThreshold(src.roi(), src.roi(), half, offset);  // in place: the same image
    for (int y = 0; y < h; ++y) for (int x = 0; x < w; ++x) ASSERT_EQ(src.roi()->GetPixel(x, y), dst.roi()->GetPixel(x, y));
  }
}

// The adaptive surface: one selection per tile-corner window, enlarged bilinearly. Bands of 10,
// 50 and 90 under the relative mode rise from 10 towards 90; a tile wider than the image gives
// the image's own selection everywhere.
TEST(AutoAdaptiveThreshold, SurfaceOfTheTileSelections) {
  Rng rng(47);
  GuardedRoi<VnBW8> src(Placement{64, 32, 2, 1, 70, 35}, rng), dst(Placement{64, 32, 4, 2, 70, 34}, rng), flat(Placement{64, 32, 1, 1, 66, 33}, rng);
  for (int y = 0; y < 32; ++y) for (int x = 0; x < 64; ++x) src.roi()->SetPixel(x < 16 ? 10 : x < 48 ? 50 : 90, x, y);
  ImgAutoAdaptiveThreshold(src.roi(), dst.roi(), IMG_THRESHOLD_RELATIVE, 32, 32);
  ImgAutoAdaptiveThreshold(src.roi(), flat.roi(), IMG_THRESHOLD_ISODATA, 200, 0);
  ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged() && flat.OutsideUnchanged());
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      ASSERT_TRUE(x ? dst.roi()->GetPixel(x, y) >= dst.roi()->GetPixel(x - 1, y) : dst.roi()->GetPixel(x, y) == 10);
      ASSERT_EQ(flat.roi()->GetPixel(x, y), Selected(src.roi(), IMG_THRESHOLD_ISODATA, 0.5f));
    }
  EXPECT_TRUE(dst.roi()->GetPixel(63, 0) > 50 && dst.roi()->GetPixel(63, 0) < 90);
  ImgAutoAdaptiveThreshold(src.roi(), dst.roi(), IMG_THRESHOLD_ISODATA, INT_MAX, INT_MAX);  // one tile, as 200
  EXPECT_TRUE(VnGetError() == 0 && SamePixels(*dst.roi(), *flat.roi()));
}

// One row per rule, by hand: a row of pixels and an operation give pixels, then the code.
TEST(Threshold, RulesByHand) {
  using Row = std::vector<int>;
  const Row ramp = {0, 1, 99, 100, 101, 128, 199, 200, 201, 254, 255};
  // The pixels of dst, or for a bit image its bytes, then the code.
  const auto run = [](const Row& in, auto op, auto dst) {
    VnImage<VnBW8> src(int(in.size()), 1);
    for (std::size_t x = 0; x < in.size(); ++x) src.SetPixel(VnBW8(in[x]), int(x), 0);
    op(&src, &dst);
    constexpr bool packed = std::is_same_v<decltype(dst), VnImage<VnBW1>>;
    Row out;
    for (int x = 0; x < (packed ? int(in.size() + 7) / 8 : int(in.size())); ++x) out.push_back(packed ? dst.GetImagePtr(0, 0)[x] : int(dst.GetPixel(x, 0)));
    return out.push_back(VnGetError()), out;
  };
  const auto gray = [&](const Row& in, auto op) { return run(in, op, VnImage<VnBW8>(int(in.size()), 1)); };
  const auto bits = [&](const Row& in, unsigned t) {
    return run(in, [t](auto* s, auto* d) { ImgThreshold(s, d, t, 0.5f); }, VnImage<VnBW1>(int(in.size()), 1));
  };
  const struct { Row got, want; } rows[] = {
      {gray(ramp, [](auto* s, auto* d) { ImgThreshold(s, d, 0, 0, 255, 0.5f); }), {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgThreshold(s, d, 255, 0, 255, 0.5f); }), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgThreshold(s, d, 256, 3, 9, 0.5f); }), {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, VN_ERR_PARAM_2}},  // no mode
      {gray(ramp, [](auto* s, auto* d) { ImgDoubleThreshold(s, d, 100, 200, 1, 2, 3); }), {1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgDoubleThreshold(s, d, 200, 100, 1, 2, 3); }), {1, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 0}},
      {gray(ramp, [](auto* s, auto* d) { ImgDoubleThreshold(s, d, 100, 200); }), {0, 0, 0, 127, 127, 127, 127, 127, 255, 255, 255, 0}},
      {bits({0, 255, 0, 255, 0, 255, 0, 255, 0, 255}, 128), {0x55, 0x40, 0}},
      {bits({255, 255, 255}, 300), {0, 0}},  // 300 is absolute for the bit forms
      {{ImgAutoThreshold(static_cast<VnROI<VnBW8>*>(nullptr), static_cast<IMG_THRESHOLD_MODES>(77)), VnGetError()}, {77, 0}},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, r.want);
  // ImgAutoThreshold: the selection; one past the top (relative, fraction 1) saturates; 0 on failure.
  Rng rng(46);
  VnImage<VnBW8> src(16, 16);
  VnImage<VnBW16> src16(16, 16);
  FillRandomBytes(src, rng), FillRandomBytes(src16, rng);
  EXPECT_EQ(std::vector<int>({ImgAutoThreshold(&src, IMG_THRESHOLD_RELATIVE, 1.0f), ImgAutoThreshold(&src16, IMG_THRESHOLD_RELATIVE, 1.0f),
                              ImgAutoThreshold(&src, IMG_THRESHOLD_ISODATA, 0.5f), ImgAutoThreshold(&src16, IMG_THRESHOLD_MIN_SQ_ERROR, 0.5f)}),
            std::vector<int>({255, 65535, int(Selected(&src, IMG_THRESHOLD_ISODATA, 0.5f)), int(Selected(&src16, IMG_THRESHOLD_MIN_SQ_ERROR, 0.5f))}));
  for (unsigned notAMode : {256u, 300u}) EXPECT_EQ((VnOk(), ImgAutoThreshold(&src, IMG_THRESHOLD_MODES(notAMode), 0.5f)) + VnGetError(), VN_ERR_PARAM_2);
  VnOk();
  EXPECT_EQ(ImgAutoThreshold(&src16, IMG_THRESHOLD_MODES(65536), 0.5f) + VnGetError(), VN_ERR_PARAM_2);
}

}  // namespace
}  // namespace vnimg::test
