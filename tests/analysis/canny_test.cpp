// The Canny stages at every vector level against references written from their rules, the
// threshold search against every (t1, t2), the detector's edge cases, contour growing on a long
// spiral, and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

#include "support/levels.h"
#include "support/pixels.h"

namespace vnimg::test {
namespace {

int Gx(VnBW32 g) { return static_cast<std::int16_t>(g & 0xFFFF); }
int Gy(VnBW32 g) { return static_cast<std::int16_t>(g >> 16); }
VnBW32 Pack(int gx, int gy) { return (VnBW32(std::uint16_t(gx))) | VnBW32(std::uint16_t(gy)) << 16; }

VnBW32 Code(VnBW32 g) {
  const double ax = std::abs(Gx(g)), ay = std::abs(Gy(g));
  if (ax > 2.42 * ay) return 0;
  if (ay > 2.42 * ax) return 90;
  return (Gx(g) < 0) != (Gy(g) < 0) ? 135 : 45;
}
int Magnitude(const VnROI<VnBW32>& g, int x, int y) {
  if (x < 0 || y < 0 || x >= g.GetWidth() || y >= g.GetHeight()) return 0;
  const double gx = Gx(g.GetPixel(x, y)), gy = Gy(g.GetPixel(x, y));
  return static_cast<int>(std::min(255.0, std::sqrt(gx * gx + gy * gy)));
}
int Suppressed(const VnROI<VnBW32>& g, int x, int y) {
  const int d = static_cast<int>(Code(g.GetPixel(x, y))) / 45, dx[4] = {1, 1, 0, -1}, dy[4] = {0, 1, 1, 1};
  const int m = Magnitude(g, x, y);
  return m >= Magnitude(g, x - dx[d], y - dy[d]) && m >= Magnitude(g, x + dx[d], y + dy[d]) ? m : 0;
}

// The two passes as written: visited map, 128 / 255 forward, 80 / 255 backward.
void ReferenceHysteresis(const VnROI<VnBW8>& s, VnROI<VnBW8>& dst, const VnROI<VnBW32>& dir, int low, int high) {
  const int w = s.GetWidth(), h = s.GetHeight();
  std::vector<char> seen(std::size_t(w) * h, 0);
  const int forward[4][6] = {{1, 1, -1, 1, 0, 1}, {-1, 1, 0, 1, -1, 0}, {1, 1, 1, -1, 1, 0}, {1, 1, 0, 1, 1, 0}};
  const int backward[4][6] = {{-1, -1, 1, -1, 0, -1}, {1, -1, 0, -1, 1, 0}, {-1, 1, -1, -1, -1, 0}, {-1, -1, 0, -1, -1, 0}};
  for (int pass = 0; pass < 2; ++pass)
    for (int y0 = 0; y0 < h; ++y0)
      for (int x0 = 0; x0 < w; ++x0) {
        if (s.GetPixel(x0, y0) < high || (pass == 0 && seen[y0 * w + x0])) continue;
        dst.SetPixel(pass ? 80 : 128, x0, y0), seen[y0 * w + x0] = 1;
        for (int x = x0, y = y0;;) {
          const VnBW32 c = dir.GetPixel(x, y);
          if (c % 45 || c > 135) break;
          const int* cand = (pass ? backward : forward)[c / 45];
          int bx = 0, by = 0, best = -1;
          for (int k = 0; k < 3; ++k) {
            const int cx = x + cand[2 * k], cy = y + cand[2 * k + 1];
            if (cx >= 0 && cy >= 0 && cx < w && cy < h && !seen[cy * w + cx] && (best < 0 || s.GetPixel(cx, cy) > best))
              bx = cx, by = cy, best = s.GetPixel(cx, cy);
          }
          if (best < low) break;
          x = bx, y = by, dst.SetPixel(255, x, y), seen[y * w + x] = 1;
        }
      }
}

// Random gradients with small components (ties, every code) or any 32 bits.
TEST(Canny, SuppressionFollowsTheDirectionAndNeighbourRules) {
  Rng rng(5);
  std::uniform_int_distribution<VnBW32> any;
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    int n = 0;
    for (const Placement& p : RandomPlacements(rng, 40)) {
      const int range = ++n % 3 * 6;
      std::uniform_int_distribution<int> c(-range, range);
      const VnImage<VnBW32> g = Make<VnBW32>(p.width, p.height, [&](int, int) { return range ? Pack(c(rng), c(rng)) : any(rng); });
      GuardedRoi<VnBW32> dir(p, rng);
      GuardedRoi<VnBW8> out(p, rng);
      NonMaximaSuppression(&g, dir.roi(), out.roi());
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " width " << p.width);
      ASSERT_TRUE(dir.OutsideUnchanged() && out.OutsideUnchanged());
      ASSERT_TRUE(SamePixels<VnBW32>(*dir.roi(), Make<VnBW32>(p.width, p.height, [&](int x, int y) { return Code(g.GetPixel(x, y)); })));
      ASSERT_TRUE(SamePixels<VnBW8>(*out.roi(), Make<VnBW8>(p.width, p.height, [&](int x, int y) { return Suppressed(g, x, y); })));
    }
  }
}

// Both direction tests are monotone in the larger component, so checking, for every b, the
// values of a about 2.42 b (and the swapped pairs, of either sign) checks every 16-bit input.
TEST(Canny, DirectionDecisionsAreExactOverEvery16BitGradient) {
  VnImage<VnBW32> g(1024, 257);
  for (int b = 0, i = 0; b <= 32768; ++b)
    for (int a = int(std::floor(2.42 * b)) - 1, k = 0; k < 4; ++k, ++a, i += 2) {
      const int ca = std::min(a, 32768), sa = b % 2 ? -ca : ca, sb = b % 3 ? -b : b;
      g.SetPixel(Pack(sa, sb), i % 1024, i / 1024), g.SetPixel(Pack(sb, sa), (i + 1) % 1024, (i + 1) / 1024);
    }
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    VnImage<VnBW32> dir(1024, 257);
    VnImage<VnBW8> out(1024, 257);
    NonMaximaSuppression(&g, &dir, &out);
    ASSERT_TRUE(SamePixels<VnBW32>(dir, Make<VnBW32>(1024, 257, [&](int x, int y) { return Code(g.GetPixel(x, y)); }))) << simd::LevelName(level);
  }
}

// Every (t1, t2) with direct class sums; the first strictly greater criterion wins.
VnCannyThresholds BruteForceThresholds(const std::vector<unsigned>& h) {
  const auto term = [&](int from, int to, bool& empty) {
    std::uint64_t n = 0, s = 0;
    for (int i = from; i < to; ++i) n += h[i], s += std::uint64_t{h[i]} * i;
    empty = empty || n == 0;
    return double(s) * double(s) / double(n);
  };
  bool none = false;
  double best = term(0, 256, none);
  VnCannyThresholds result;
  for (int t1 = 0; t1 < 256; ++t1)
    for (int t2 = t1; t2 < 256; ++t2) {
      bool empty = false;
      const double v = term(0, t1, empty) + term(t1, t2, empty) + term(t2, 256, empty);
      if (!empty && v > best) best = v, result = {(unsigned char)t1, (unsigned char)t2};
    }
  if (result.low == 0) result.low = 1;
  return result;
}

VnBWHistogramVector Histogram(const std::vector<unsigned>& bins) {
  VnBWHistogramVector h(256);
  for (unsigned b : bins) h.AddElement(b);
  return h;
}

TEST(Canny, ThresholdSearchMatchesEveryPair) {
  Rng rng(9);
  for (int n = 0; n < 12; ++n) {
    std::vector<unsigned> bins(256, 0);
    std::uniform_int_distribution<unsigned> count(0, n % 2 ? 3 : 4000000), level(0, 255);
    for (int k = 0; k < 1 + n * 20; ++k) bins[level(rng)] = count(rng);
    const VnCannyThresholds expected = BruteForceThresholds(bins), actual = CannyThresholdSearch(Histogram(bins));
    EXPECT_EQ(std::pair(actual.low, actual.high), std::pair(expected.low, expected.high)) << n;
  }
  // By hand: three levels at 10, 20, 30 tie over t1 in 11..20 and t2 in 21..30; the first wins.
  std::vector<unsigned> bins(256, 0);
  bins[10] = bins[20] = bins[30] = 7;
  const VnCannyThresholds t = CannyThresholdSearch(Histogram(bins));
  EXPECT_EQ(std::pair(int(t.low), int(t.high)), std::pair(11, 21));
}

TEST(Canny, HysteresisWalksAsWritten) {
  Rng rng(3);
  std::uniform_int_distribution<int> code(0, 4), value(0, 40);
  for (int n = 0; n < 30; ++n) {
    const int w = 1 + n * 7 % 61, h = 1 + n % 13;
    // ROIs inside random parents: nothing beside them is read or written.
    const Placement p{w, h, n % 3, n % 2, w + 4, h + 2};
    GuardedRoi<VnBW8> s(p, rng), dst(p, rng), expected(p, rng);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) s.roi()->SetPixel(VnBW8(value(rng) * (value(rng) < 25)), x, y);
    const VnImage<VnBW32> dir = Make<VnBW32>(w, h, [&](int, int) { return VnBW32(code(rng) * 45 + (n % 5 == 0)); });
    expected.StartLike(dst);
    const int low = value(rng), high = low + value(rng);
    Hysteresis(s.roi(), dst.roi(), &dir, VnBW8(low), VnBW8(high));
    ReferenceHysteresis(*s.roi(), *expected.roi(), dir, low, high);
    ASSERT_TRUE(dst.SameBytesAs(expected)) << n;
  }
}

// A vertical step (100) and a weak one (30), not smoothed: both columns beside each step
// survive; the thresholds are 1 and 31 (by hand), so the weak columns are no seeds and no walk
// reaches them.
TEST(Canny, DetectorOnASteppedImage) {
  const int w = 40, h = 12;
  const VnImage<VnBW8> steps = Make<VnBW8>(w, h, [](int x, int) { return (x >= 10) * 100 + (x >= 30) * 30; });
  VnImage<VnBW8> dst = Make<VnBW8>(w, h, [](int x, int y) { return x + y; }), expected = dst;
  VnCannyThresholds chosen;
  ImgCannyDetector(&steps, &dst, SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS, &chosen);
  ASSERT_EQ(std::pair(int(chosen.low), int(chosen.high)), std::pair(1, 31));
  VnImage<VnBW32> g(w, h);
  ImgGradientVector(&steps, &g);
  const VnImage<VnBW8> s = Make<VnBW8>(w, h, [&](int x, int y) { return Suppressed(g, x, y); });
  ReferenceHysteresis(s, expected, Make<VnBW32>(w, h, [&](int x, int y) { return Code(g.GetPixel(x, y)); }), 1, 31);
  EXPECT_TRUE(SamePixels<VnBW8>(dst, expected));
  for (int y = 0; y < h; ++y) EXPECT_TRUE(s.GetPixel(9, y) == 100 && s.GetPixel(10, y) == 100 && dst.GetPixel(29, y) == 29 + y);
}

TEST(Canny, EdgeCases) {
  // A constant image: no split, low 1 and high 0, every pixel a seed that no walk leaves: 80.
  VnImage<VnBW8> flat = Make<VnBW8>(9, 7, [](int, int) { return 77; }), dst(9, 7);
  VnCannyThresholds chosen;
  ImgCannyDetector(&flat, &dst, SMOOTH_MEDIAN, EDGE_FOLLOWING_HYSTERESIS, &chosen);
  EXPECT_EQ(std::pair(int(chosen.low), int(chosen.high)), std::pair(1, 0));
  EXPECT_TRUE(SamePixels<VnBW8>(dst, Make<VnBW8>(9, 7, [](int, int) { return 80; })));
  // The 7x7 smoothing on a 6x6 ROI smooths nothing; mode 2 follows nothing.
  Rng rng(4);
  const Placement p{6, 6, 3, 1, 11, 9};
  GuardedRoi<VnBW8> src(p, rng), a(p, rng), b(p, rng), c(p, rng);
  b.StartLike(a);
  ImgCannyDetector(src.roi(), a.roi(), SMOOTH_GAUSSIAN_7X7, EDGE_FOLLOWING_HYSTERESIS);
  ImgCannyDetector(src.roi(), b.roi(), SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS);
  EXPECT_TRUE(a.SameBytesAs(b));
  ImgCannyDetector(src.roi(), c.roi(), SMOOTH_GAUSSIAN_3X3, EDGE_FOLLOWING_MODE(2));
  EXPECT_TRUE(c.Unchanged() && src.Unchanged());
}

// Columns of code 0 (vertical edges): from the seed 100, 80 (>= 0.8 x 100), 64, 52 grow; 49 is
// below half the seed. In another column 90 is a seed but 70 above it is not (below 90) and is
// not grown (below 0.8 x 90).
TEST(Canny, ContourGrowingRules) {
  const int column[] = {0, 100, 80, 64, 52, 49, 0}, other[] = {0, 0, 70, 90, 0, 0, 0};
  const VnImage<VnBW8> s = Make<VnBW8>(6, 7, [&](int x, int y) { return x == 1 ? column[y] : x == 4 ? other[y] : 0; });
  const VnImage<VnBW32> dir(6, 7);
  VnImage<VnBW8> dst = Make<VnBW8>(6, 7, [](int, int) { return 7; });
  ContourGrowing(&s, &dst, &dir, 60);
  const int expected[] = {7, 255, 255, 255, 255, 7, 7}, expectedOther[] = {7, 7, 7, 255, 7, 7, 7};
  EXPECT_TRUE(SamePixels<VnBW8>(dst, Make<VnBW8>(6, 7, [&](int x, int y) { return x == 1 ? expected[y] : x == 4 ? expectedOther[y] : 7; })));
}

// The pixels growing continues into, by code: a seed 100 at the centre and one pixel 90 (no
// seed under low 100, grown when it is in the set) at each of the eight places about it.
TEST(Canny, ContourGrowingNeighbourSets) {
  const int dx[8] = {-1, 0, 1, -1, 1, -1, 0, 1}, dy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
  const int sets[4] = {0b11100111, 0b01111110, 0b10111101, 0b11011011};  // bit k: place k grows
  for (int c = 0; c < 4; ++c)
    for (int k = 0; k < 8; ++k) {
      const VnImage<VnBW8> s = Make<VnBW8>(5, 5, [&](int x, int y) { return x == 2 && y == 2 ? 100 : x == 2 + dx[k] && y == 2 + dy[k] ? 90 : 0; });
      VnImage<VnBW8> dst(5, 5);
      const VnImage<VnBW32> dir = Make<VnBW32>(5, 5, [&](int, int) { return 45 * c; });
      ContourGrowing(&s, &dst, &dir, 100);
      EXPECT_EQ(dst.GetPixel(2 + dx[k], 2 + dy[k]), (sets[c] >> k & 1) * 255) << c << " " << k;
    }
}

// A square spiral with cut corners over 4096 x 4096, one pixel wide, rings 4 apart: its first
// pixels ramp down from 200 to 110 (each at least 0.8 times the one before), so that with low
// 111 its start is the only seed and more than 4 million pixels grow from it, without recursion.
TEST(Canny, ContourGrowingFollowsALongSpiral) {
  const int n = 4096, ramp[] = {200, 170, 140, 115};
  VnImage<VnBW8> s(n, n), dst(n, n);
  VnImage<VnBW32> dir(n, n);
  int x = 2, y = 2, dx = 1, dy = 0, length = n - 5, pixels = 0;
  for (int turn = 0; length > 2; ++turn) {
    for (int k = 0; k < length; ++k, x += dx, y += dy, ++pixels)
      s.SetPixel(VnBW8(pixels < 4 ? ramp[pixels] : 110), x, y), dir.SetPixel(dx ? 90 : 0, x, y);
    std::tie(dx, dy) = std::pair(-dy, dx);
    x += dx, y += dy;  // the cut corner: one diagonal step
    if (turn % 2) length -= 4;
  }
  ASSERT_GT(pixels, 4000000);
  ContourGrowing(&s, &dst, &dir, 111);
  long long stray = 0;  // pixels other than 255 on the spiral and 0 off it
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) stray += dst.GetPixel(i, j) != (s.GetPixel(i, j) ? 255 : 0);
  EXPECT_EQ(stray, 0);
}

// The vector levels (the detector in one pass into compact planes, the edge following over
// them) against the plain level (the stages on whole images): every smoothing and following
// mode, and the following alone with codes that are none of the four; odd sizes, ROIs at odd
// offsets, guard bytes about the destination.
TEST(Canny, VectorLevelsMatchTheStagesOnWholeImages) {
  Rng rng(11);
  std::uniform_int_distribution<int> side(1, 60), margin(0, 5), code(0, 4), value(0, 40);
  for (int n = 0; n < 24; ++n) {
    const int w = n % 8 == 7 ? 301 : side(rng), h = n % 8 == 7 ? 157 : side(rng), x0 = margin(rng), y0 = margin(rng);
    const Placement p{w, h, x0, y0, x0 + w + margin(rng), y0 + h + margin(rng)};
    GuardedRoi<VnBW8> src(p, rng);
    for (int y = 0; y < h && n % 3 == 0; ++y)  // a narrow range makes ties and low thresholds
      for (int x = 0; x < w; ++x) src.roi()->SetPixel(VnBW8(src.roi()->GetPixel(x, y) % 10), x, y);
    const VnImage<VnBW8> s = Make<VnBW8>(w, h, [&](int, int) { return value(rng) * (value(rng) < 25); });
    const VnImage<VnBW32> dir = Make<VnBW32>(w, h, [&](int, int) { return VnBW32(code(rng) * 45 + (n % 5 == 0)); });
    const VnBW8 low = VnBW8(value(rng));
    std::vector<std::function<void(VnROI<VnBW8>*, VnCannyThresholds*)>> runs = {
        [&](VnROI<VnBW8>* d, VnCannyThresholds*) { ContourGrowing(&s, d, &dir, low); }};
    for (int smooth = 0; smooth <= 5; ++smooth)
      for (int follow = 0; follow <= 2; ++follow)
        runs.push_back([&src, smooth, follow](VnROI<VnBW8>* d, VnCannyThresholds* t) {
          ImgCannyDetector(src.roi(), d, SMOOTH_MODE(smooth), EDGE_FOLLOWING_MODE(follow), t);
        });
    for (std::size_t r = 0; r < runs.size(); ++r) {
      GuardedRoi<VnBW8> expected(p, rng);
      VnCannyThresholds plainChosen, chosen;
      {
        LevelSetting plain(simd::Level::Plain);
        runs[r](expected.roi(), &plainChosen);
      }
      ASSERT_TRUE(expected.OutsideUnchanged());
      for (simd::Level level : Levels()) {
        SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " " << w << "x" << h << " run " << r);
        LevelSetting setting(level);
        GuardedRoi<VnBW8> actual(p, rng);
        actual.StartLike(expected);
        runs[r](actual.roi(), &chosen);
        ASSERT_TRUE(actual.SameBytesAs(expected));
        ASSERT_EQ(std::pair(chosen.low, chosen.high), std::pair(plainChosen.low, plainChosen.high));
      }
    }
  }
}

TEST(Canny, Failures) {
  VnImage<VnBW8> a(5, 5), keep = Make<VnBW8>(6, 5, [](int x, int y) { return x * y; }), b = keep;
  VnImage<VnBW32> g(5, 5);
  // code -1: the core's size code, whatever its number.
  const std::tuple<std::function<void()>, int, std::vector<std::string>> rows[] = {
      {[&] { ImgCannyDetector(nullptr, &b, SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS); }, 1400, {"Failed canny detection !"}},
      {[&] { ImgCannyDetector(&a, &b, SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS); }, -1, {"Failed canny detection !"}},
      {[&] { NonMaximaSuppression(&g, &g, &b); }, -1, {"NonMaximaSuppression"}},
      {[&] { Hysteresis(&a, &b, &g, 1, 2); }, 0, {}},
  };
  for (const auto& [call, code, trace] : rows) {
    call();
    EXPECT_TRUE(code < 0 ? VnGetError() != 0 : VnGetError() == code) << VnGetError();
    EXPECT_EQ(Trace(), trace);
    EXPECT_TRUE(SamePixels<VnBW8>(b, keep));
  }
}

}  // namespace
}  // namespace vnimg::test
