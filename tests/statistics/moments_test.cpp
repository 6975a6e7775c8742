// Moments, gravity centre, centroid and inertia against sums written out here, at every vector
// level, on random ROIs at odd places (and on mask runs); the row kernels of every variant
// against the plain loop.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "statistics/moments_kernels.h"
#include "support/levels.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using Moments = std::array<float, 15>;
using u128 = unsigned __int128;
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
  Moments m{};
  m.fill(-1);
  std::fill_n(m.begin(), kOutputs[order], 0.0f);
  float distance = 0;
  for (int y = 0; y < r.GetHeight(); ++y) {
    u128 rows[6] = {}, rowDistance = 0;
    for (int x = 0; x < r.GetWidth(); ++x) {
      const unsigned w = binary ? r.GetPixel(x, y) >= t : r.GetPixel(x, y);
      for (int i = 0; i < byRow; ++i) {
        u128 term = w;
        for (int k = 0; k < kPowers[i][0]; ++k) term *= unsigned(x);
        for (int k = 0; k < kPowers[i][1]; ++k) term *= unsigned(y);
        rows[i] += term;
      }
      const long long d = x - y;
      rowDistance += u128(w) * static_cast<unsigned long long>(d * d);
      for (int i = byRow; i < kOutputs[order]; ++i) {
        double term = w;
        for (int k = 0; k < kPowers[i][0]; ++k) term *= x;
        for (int k = 0; k < kPowers[i][1]; ++k) term *= y;
        m[i] = float(m[i] + term);
      }
    }
    for (int i = 0; i < byRow; ++i) m[i] += float(rows[i]);
    distance += float(rowDistance);
  }
  if (order == 2) m[4] = (m[3] + m[5] - distance) / 2;
  return m;
}

template <class T>
void ExpectMomentsOfRandomRois(unsigned seed, std::vector<Placement> placements) {
  Rng rng(seed);
  for (const Placement& p : placements) {
    GuardedRoi<T> src(p, rng);
    for (int form = 0; form < 6; ++form) {
      const bool binary = form < 2;
      const int order = binary ? form + 1 : form - 1;
      const unsigned t = std::array<unsigned, 4>{0, 77, sizeof(T) == 1 ? 256u : 65536u, unsigned(rng() % (sizeof(T) == 1 ? 256 : 65536))}[rng() % 4];
      SCOPED_TRACE(::testing::Message() << "form " << form << " threshold " << t << " size " << p.width << "x" << p.height);
      const Moments want = Reference(*src.roi(), binary, order, t);
      for (simd::Level level : Levels()) {
        LevelSetting setting(level);
        ASSERT_EQ(Call(src.roi(), binary, order, t), want) << simd::LevelName(level);
        ASSERT_EQ(VnGetError(), 0);
      }
      ASSERT_TRUE(src.Unchanged());
    }
  }
}

TEST(Moments, EveryFormRunsItsArithmeticAtEveryLevel) {
  Rng rng(1);
  std::vector<Placement> placements = RandomPlacements(rng, 40);
  placements.push_back({4096, 3, 7, 1, 4107, 5});   // sum of w x² past 32 bits in a row
  placements.push_back({70001, 1, 3, 0, 70010, 1});  // past the kernels' stretch
  placements.push_back({33, 300, 2, 1, 40, 303});
  ExpectMomentsOfRandomRois<VnBW8>(2, placements);
  ExpectMomentsOfRandomRois<VnBW16>(3, RandomPlacements(rng, 20));
}

// A 16-bit row of 100000 pixels near 65535: its sum of w x² is past 64 bits, and the second
// order still adds the row's true sum.
TEST(Moments, RowSumsPastSixtyFourBitsStayExact) {
  VnImage<VnBW16> wide = Make<VnBW16>(100000, 2, [](int x, int y) { return VnBW16(65535 - (x * 7 + y) % 300); });
  const auto rowSum = [&](int y) {
    u128 s = 0;
    for (int x = 0; x < 100000; ++x) s += u128(wide.GetPixel(x, y)) * unsigned(x) * unsigned(x);
    return s;
  };
  ASSERT_GT(rowSum(0) >> 64, 0u);
  const Moments m = Call(&wide, false, 2, 0);
  EXPECT_EQ(m[3], float(rowSum(0)) + float(rowSum(1)));
  EXPECT_EQ(m, Reference(wide, false, 2, 0));
}

// The vector row kernels give the plain loop's integers: spans of every length to 300 and long
// ones, random and all 255 (the largest products), both orders, thresholds 0, inside, above.
TEST(Moments, RowKernelsMatchThePlainLoop) {
  Rng rng(3);
  std::vector<VnBW8> bytes(moments::kStretch + 64);
  for (auto& b : bytes) b = VnBW8(rng());
  const auto same = [](const moments::PowerSums& a, const moments::PowerSums& b) { return std::equal(a.s, a.s + 3, b.s); };
  for (bool full : {false, true}) {
    if (full) std::fill(bytes.begin(), bytes.end(), VnBW8{255});
    for (int n = 0; n < 300 + 3; ++n) {
      const int length = n < 300 ? n : std::array<int, 3>{1024, 4096, moments::kStretch}[n - 300];
      const VnBW8* p = bytes.data() + rng() % 64;
      for (int order = 1; order <= moments::kMaxOrder; ++order) {
        moments::PowerSums want, got;
        moments::Weighted8Plain(p, length, order, want);
        for (const auto& [level, fn] : VectorVariants(moments::Weighted8Variants()))
          ASSERT_TRUE(same((got = {}, fn(p, length, order, got), got), want)) << simd::LevelName(level) << " " << length << " " << order;
        for (unsigned t : {0u, 1u, 128u, 255u, 256u}) {
          moments::Binary8Plain(p, length, t, order, want = {});
          for (const auto& [level, fn] : VectorVariants(moments::Binary8Variants()))
            ASSERT_TRUE(same((got = {}, fn(p, length, t, order, got), got), want)) << simd::LevelName(level) << " " << length << " " << t;
        }
      }
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
