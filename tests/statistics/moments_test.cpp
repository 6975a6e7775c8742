// Moments, gravity centre, centroid and inertia against their arithmetic written out here, at
// every vector level, on random ROIs at odd places (and on mask runs).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "statistics/moments_kernels.h"
#include "support/levels.h"
#include "support/uint128.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using Moments = std::array<float, 15>;
using u128 = Uint128;  // exact also on 32-bit targets
constexpr int kOutputs[] = {0, 3, 6, 10, 15};

// Every moment form into the first 3, 6, 10 or 15 entries.
template <class T>
Moments Call(VnROI<T>* r, bool binary, int order, unsigned t) {
  Moments m{};
  m.fill(-1);
  auto& [a, b, c, d, e, f, g, h, i, j, k, l, n, o, p] = m;
  if (binary) order == 1 ? ImgBinaryMoments(r, t, a, b, c) : ImgBinaryMoments(r, t, a, b, c, d, e, f);
  else if (order == 1) ImgWeightedMoments(r, a, b, c);
  else if (order == 2) ImgWeightedMoments(r, a, b, c, d, e, f);
  else if (order == 3) ImgWeighedMoments(r, a, b, c, d, e, f, g, h, i, j);
  else ImgWeightedMoments(r, a, b, c, d, e, f, g, h, i, j, k, l, n, o, p);
  return m;
}

// The moments by their own arithmetic, pixel by pixel: each row's integer sums of w x^p y^q
// (exact, 128 bits) go into the float outputs row after row; the second order's m11 is
// (m20 + m02 - D) / 2 with D the float sum of the rows' sums of w (x - y)²; from the third
// order on, every term past m01 is formed per pixel in double and added into its float.
template <class T>
Moments Reference(const VnROI<T>& r, bool binary, int order, unsigned t) {
  constexpr int kPowers[15][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}, {3, 0}, {2, 1},
                                  {1, 2}, {0, 3}, {4, 0}, {3, 1}, {2, 2}, {1, 3}, {0, 4}};
  const int byRow = order <= 2 ? kOutputs[order] : 3;
  const auto term = [&](auto v, int i, int x, int y) {  // v x^p y^q, left to right
    for (int k = 0; k < kPowers[i][0] + kPowers[i][1]; ++k) v *= decltype(v)(k < kPowers[i][0] ? x : y);
    return v;
  };
  Moments m{};
  m.fill(-1);
  std::fill_n(m.begin(), kOutputs[order], 0.0f);
  float distance = 0;
  for (int y = 0; y < r.GetHeight(); ++y) {
    u128 rows[6] = {}, rowDistance = 0;
    for (int x = 0; x < r.GetWidth(); ++x) {
      const unsigned w = binary ? r.GetPixel(x, y) >= t : r.GetPixel(x, y);
      for (int i = 0; i < byRow; ++i) rows[i] += term(u128(w), i, x, y);
      rowDistance += u128(w) * u128(std::abs(x - y)) * u128(std::abs(x - y));
      for (int i = byRow; i < kOutputs[order]; ++i) m[i] = float(m[i] + term(double(w), i, x, y));
    }
    for (int i = 0; i < byRow; ++i) m[i] += float(rows[i]);
    distance += float(rowDistance);
  }
  if (order == 2) m[4] = (m[3] + m[5] - distance) / 2;
  return m;
}

// Every form at every level against the reference.
template <class T>
void ExpectEveryForm(VnROI<T>* src, Rng& rng) {
  for (int form = 0; form < 6; ++form) {
    const bool binary = form < 2;
    const int order = binary ? form + 1 : form - 1;
    const unsigned top = sizeof(T) == 1 ? 256 : 65536, t = std::array<unsigned, 4>{0, 77, top, unsigned(rng() % top)}[rng() % 4];
    SCOPED_TRACE(::testing::Message() << "form " << form << " threshold " << t << " size " << src->GetWidth() << "x" << src->GetHeight());
    const Moments want = Reference(*src, binary, order, t);
    for (simd::Level level : Levels()) {
      LevelSetting setting(level);
      ASSERT_EQ(Call(src, binary, order, t), want) << simd::LevelName(level);
      ASSERT_EQ(VnGetError(), 0);
    }
  }
}

// Random ROIs at odd places; rows of 255 past the vector kernels' chunks and stretch (their
// largest products); rows whose sums of w x² are past 32 bits (4096 wide) and past 64 bits
// (100000 16-bit pixels near 65535: above 65235 x 3.3e14).
TEST(Moments, EveryFormRunsItsArithmeticAtEveryLevel) {
  Rng rng(1);
  std::vector<Placement> placements = RandomPlacements(rng, 40);
  placements.push_back({4096, 3, 7, 1, 4107, 5});
  placements.push_back({33, 300, 2, 1, 40, 303});
  for (const Placement& p : placements) {
    GuardedRoi<VnBW8> src(p, rng);
    ExpectEveryForm(src.roi(), rng);
    ASSERT_TRUE(src.Unchanged());
  }
  VnImage<VnBW8> full = Make<VnBW8>(70001, 2, [](int, int) { return 255; });
  ExpectEveryForm(&full, rng);
  for (const Placement& p : RandomPlacements(rng, 20)) {
    GuardedRoi<VnBW16> src(p, rng);
    ExpectEveryForm(src.roi(), rng);
  }
  VnImage<VnBW16> wide = Make<VnBW16>(100000, 2, [](int x, int y) { return VnBW16(65535 - (x * 7 + y) % 300); });
  ExpectEveryForm(&wide, rng);
}

// The third- and fourth-order term sums of the vector variants against the plain loop, from
// sums in every binade up to their tops and past 2^53 (where the double sum rounds first),
// with weights of powers of two and one either side, whose terms land on rounding ties.
TEST(Moments, PixelTermsMatchThePlainLoopFromAnySums) {
  Rng rng(3);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int trial = 0; trial < 3000; ++trial) {
    const int order = 3 + trial % 2, n = 1 + pick(130), first = pick(3) ? pick(70000) : pick(2);
    const double y = pick(3) ? pick(70000) : 0;
    std::vector<double> w(static_cast<std::size_t>(n));
    for (double& v : w) v = pick(3) ? 0 : pick(2) ? pick(65536) : std::ldexp(1.0, pick(40)) + pick(3) - 1;
    std::array<float, 12> start{};
    for (float& m : start) {
      const float binade = std::ldexp(1.0f, pick(90));
      m = std::floor(pick(4) == 0 ? 0.0f : pick(2) ? std::nextafter(binade, 0.0f) : binade * (1 + float(pick(1000)) / 1000));  // sums are integers
    }
    std::array<float, 12> want = start;
    moments::PixelTermsPlain(w.data(), first, n, y, order, want.data());
    for (const auto& [level, fn] : VectorVariants(moments::PixelTermsVariants())) {
      std::array<float, 12> got = start;
      fn(w.data(), first, n, y, order, got.data());
      ASSERT_EQ(got, want) << simd::LevelName(level) << " trial " << trial;
    }
  }
}

// The counted pixels of a ROI: (value, x, y), from the rectangle or from the runs placed by
// their x and y, dropping what leaves the ROI's memory or rectangle.
struct Placed { unsigned v; int x, y; };
std::vector<Placed> CountedPixels(const VnROI<VnBW8>& r) {
  std::vector<Placed> pixels;
  const long long extent = (long long)r.GetRowPitch() * (r.GetHeight() - 1) + r.GetWidth();
  for (unsigned i = 0; i < r.GetMaskRunCount(); ++i) {
    const VnRun run = r.GetMaskRuns()[i];
    for (long long at = run.m_un32Start, x = run.m_n16X; at < std::min<long long>(run.m_un32End, extent); ++at, ++x)
      if (x >= 0 && x < r.GetWidth() && run.m_n16Y >= 0 && run.m_n16Y < r.GetHeight()) pixels.push_back({r.GetImagePtr(0, 0)[at], int(x), run.m_n16Y});
  }
  if (r.GetMaskRunCount() == 0)
    for (int y = 0; y < r.GetHeight(); ++y) for (int x = 0; x < r.GetWidth(); ++x) pixels.push_back({r.GetPixel(x, y), x, y});
  return pixels;
}

// Random runs: mostly one per row piece with its true place, some crossing a row's end, some
// placed off the rectangle, reversed or past the memory.
void SetRandomRuns(VnROI<VnBW8>& r, Rng& rng) {
  std::vector<VnRun> runs;
  const int pitch = r.GetRowPitch(), w = r.GetWidth();
  for (int i = 0; i < 12; ++i) {
    const int y = int(rng() % r.GetHeight()), x = int(rng() % w), n = int(rng() % (w + 8));
    VnRun run{unsigned(y * pitch + x), unsigned(y * pitch + x + n), std::int16_t(x), std::int16_t(y)};
    if (i % 4 == 3) run.m_n16X = std::int16_t(int(rng() % 40) - 20), run.m_n16Y = std::int16_t(int(rng() % 12) - 3);
    if (i == 5) run.m_un32End = run.m_un32Start - 1;
    if (i == 6) run.m_un32End = 0xFFFFFFFFu;
    runs.push_back(run);
  }
  r.SetMaskRuns(runs.data(), unsigned(runs.size()));
}

// Gravity centre, centroid (with and without a lut) and both inertias against their formulas
// over the counted pixels, with and without runs, at every level. The inertia's sums are
// integers below 2^53, so double holds them exactly in any order and its results are exact.
TEST(Centre, GravityCentroidAndInertiaMatchTheirFormulas) {
  Rng rng(4);
  VnBW8Vector lut;
  for (int i = 0; i < 256; ++i) lut.AddElement(VnBW8((i * 37) % 256));
  for (const Placement& p : RandomPlacements(rng, 60)) {
    GuardedRoi<VnBW8> src(p, rng);
    if (rng() % 2) SetRandomRuns(*src.roi(), rng);
    const std::vector<Placed> pixels = CountedPixels(*src.roi());
    const unsigned t = unsigned(rng() % 300);
    for (int kind = 0; kind < 3; ++kind) {  // binary, weighted, weighted through the lut
      const auto weight = [&](unsigned v) -> double { return kind == 0 ? v >= t : kind == 1 ? v : lut[v]; };
      double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
      for (const Placed& q : pixels) {
        const double w = weight(q.v);
        n += w, sx += w * q.x, sy += w * q.y, sxx += w * q.x * q.x, sxy += w * q.x * q.y, syy += w * q.y * q.y;
      }
      for (simd::Level level : Levels()) {
        LevelSetting setting(level);
        float cx = -1, cy = -1, vx = -3, cov = -3, vy = -3, ix = -3, iy = -3;
        unsigned mass = 7;
        if (kind == 0) ImgGravityCenter(src.roi(), t, cx, cy), ImgInertia(src.roi(), t, vx, cov, vy, &ix, &iy, &mass);
        else ImgCentroid(src.roi(), cx, cy, kind == 2 ? &lut : nullptr), ImgInertia(src.roi(), vx, cov, vy, &ix, &iy, &mass, kind == 2 ? &lut : nullptr);
        ASSERT_EQ(VnGetError(), 0);
        SCOPED_TRACE(::testing::Message() << "kind " << kind << " " << simd::LevelName(level) << " runs " << src.roi()->GetMaskRunCount());
        if (n == 0) {
          ASSERT_TRUE(cx == 0 && cy == 0 && vx == -3 && cov == -3 && vy == -3 && ix == -3 && iy == -3 && mass == 7);
          continue;
        }
        ASSERT_EQ(cx, float(sx / n));
        ASSERT_EQ(cy, float(sy / n));
        ASSERT_TRUE(ix == cx && iy == cy && mass == unsigned(n));
        ASSERT_EQ(vx, float((n * sxx - sx * sx) / (n * n)));
        ASSERT_EQ(cov, float((n * sxy - sx * sy) / (n * n)));
        ASSERT_EQ(vy, float((n * syy - sy * sy) / (n * n)));
      }
    }
  }
}

// The 16-bit gravity centre counts the rectangle (enough rows for the column counts to move to
// 64 bits on the way) and answers 0, 0 for a ROI with runs.
TEST(Centre, SixteenBitGravityCentreUsesTheRectangleOnly) {
  VnImage<VnBW16> image(9, 70000);
  image.SetPixel(40000, 3, 5), image.SetPixel(40000, 8, 1), image.SetPixel(40000, 0, 69999), image.SetPixel(39999, 0, 0);
  float x = -1, y = -1;
  ImgGravityCenter(&image, 40000, x, y);
  EXPECT_TRUE(x == float(11.0 / 3) && y == 23335.0f);
  const VnRun run{0, 9, 0, 0};
  image.SetMaskRuns(&run, 1);
  ImgGravityCenter(&image, 40000, x, y);
  EXPECT_TRUE(x == 0 && y == 0 && VnGetError() == 0);
}

// The rules by hand: a 2 x 2 block, a single pixel's centre, a line's inertia.
TEST(Moments, HandRules) {
  VnImage<VnBW8> block(2, 2), dot(8, 8), line(6, 3);
  std::fill_n(block.GetImagePtr(0, 0), 2, 9), std::fill_n(block.GetImagePtr(0, 1), 2, 200);
  dot.SetPixel(90, 3, 5);
  std::fill_n(line.GetImagePtr(1, 1), 4, 1);
  float m[6], x, y, vx, cov, vy, cx = 0, cy = 0;
  unsigned count = 0;
  ImgBinaryMoments(&block, 9, m[0], m[1], m[2], m[3], m[4], m[5]);
  EXPECT_TRUE(m[0] == 4 && m[1] == 2 && m[2] == 2 && m[3] == 2 && m[4] == 1 && m[5] == 2);
  ImgWeightedMoments(&block, m[0], m[1], m[2], m[3], m[4], m[5]);  // rows of 9 and 200
  EXPECT_TRUE(m[0] == 418 && m[1] == 209 && m[2] == 400 && m[3] == 209 && m[4] == 200 && m[5] == 400);
  ImgGravityCenter(&dot, 90, x, y);
  EXPECT_TRUE(x == 3 && y == 5);
  ImgInertia(&line, 1, vx, cov, vy, &cx, &cy, &count);
  EXPECT_TRUE(vx == 1.25f && cov == 0 && vy == 0 && cx == 2.5f && cy == 1 && count == 4);
}

}  // namespace
}  // namespace vnimg::test
