// Thinning and thickening against the passes written from their definition (the neighbour
// code with column-major weights, the pattern turned cell by cell), for every pixel type; the
// distance map of binary sources against the brute-force city-block distance and its gray path
// against the rings written plainly; the failure table of the binary operations.
#include <functional>

#include "support/images.h"
#include "support/levels.h"
#include "support/pixels.h"

namespace vnimg::test {
namespace {

struct Grid {
  int w = 0, h = 0;
  std::vector<long> v;
  long& at(int x, int y) { return v[static_cast<std::size_t>(y) * w + x]; }
  long at(int x, int y) const { return v[static_cast<std::size_t>(y) * w + x]; }
  bool operator==(const Grid&) const = default;
};
template <class T>
Grid GridOf(const VnROI<T>& roi) {
  Grid g{roi.GetWidth(), roi.GetHeight(), {}};
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) {
      if constexpr (std::is_same_v<T, VnBW1>) g.v.push_back(roi.GetPixel(x, y).m_bw1Value);
      else g.v.push_back(static_cast<long>(roi.GetPixel(x, y)));
    }
  return g;
}

using Cells = std::array<int, 9>;  // row by row, as in the kernel

// An eighth clockwise: each ring cell's value moves one place along BR, BC, BL, ML, TL, TC, TR, MR.
Cells Turned(const Cells& c, int step) {
  const int ring[8] = {8, 7, 6, 3, 0, 1, 2, 5};
  Cells out = c;
  for (int i = 0; i < 8; ++i) out[ring[(i + step + 8) % 8]] = c[ring[i]];
  return out;
}

// The passes as defined: codes from the image before the pass, outside cells clear or agreeing.
std::pair<Grid, int> ThinReference(const Grid& src, Cells cells, int rotation, bool outsideAgrees, int requested, bool thick, long max) {
  Grid g = src;
  int n = requested == 0 ? src.w : requested, count = 0, unchanged = 8;
  const int step = rotation == 0 ? 0 : rotation == 1 ? 1 : -1;
  if (step) n *= 8;
  for (int pass = 0; pass < n; ++pass) {
    if (pass % 8 == 0) unchanged = 8;
    const Grid before = g;
    bool changed = pass == 0;
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x) {
        bool match = true;
        for (int c = 0; c < 3; ++c)
          for (int r = 0; r < 3; ++r) {
            const int u = x + c - 1, w = y + r - 1, cell = cells[3 * r + c];
            const bool inside = u >= 0 && w >= 0 && u < g.w && w < g.h;
            const bool set = inside ? before.at(u, w) != 0 : outsideAgrees && cell == 1;
            if (cell != -1 && set != (cell == 1)) match = false;
          }
        const long v = before.at(x, y);
        if (match) changed |= thick ? v == 0 : v != 0;
        g.at(x, y) = match ? (thick ? max : 0) : pass == 0 ? (v ? max : 0) : v;
      }
    ++count;
    if (step) cells = Turned(cells, step);
    if (step ? !changed && --unchanged == 0 : !changed) break;
  }
  return {g, step ? count / 8 : count};
}

struct ThinCase {
  Cells cells;
  int rotation, iterations;
  bool outsideAgrees, thick;
};
ThinCase RandomCase(Rng& rng) {
  ThinCase c{{}, static_cast<int>(rng() % 4) - 1, static_cast<int>(rng() % 5) - 1, rng() % 2 == 0, rng() % 2 == 0};
  for (int& cell : c.cells) cell = rng() % 5 < 2 ? -1 : static_cast<int>(rng() % 2);
  return c;
}
void Configure(VnKernel& k, const ThinCase& c) {
  k.SetKernelData(c.cells[0], c.cells[1], c.cells[2], c.cells[3], c.cells[4], c.cells[5], c.cells[6], c.cells[7], c.cells[8]);
  k.SetOutsideValue(c.outsideAgrees ? 200 : 0);
}
KERNEL_ROTATION RotationOf(const ThinCase& c) { return static_cast<KERNEL_ROTATION>(c.rotation); }

// Random pixels: either kind of value, often zero, sometimes a gray level.
template <class T>
void Scatter(VnROI<T>& roi, Rng& rng, long max) {
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) roi.SetPixel(static_cast<T>(rng() % 3 == 0 ? 0 : rng() % 4 ? max : 1 + rng() % max), x, y);
}

std::vector<Placement> Placements(Rng& rng, int count) {
  std::vector<Placement> out = RandomPlacements(rng, count);
  for (Placement& p : out) {
    p.width = 1 + static_cast<int>(rng() % 90), p.height = 1 + static_cast<int>(rng() % 12);
    p.parentWidth = p.orgX + p.width + 3, p.parentHeight = p.orgY + p.height + 1;
  }
  return out;
}

template <class T, class Run>
void CheckThinning(long max, unsigned seed, Run run) {
  Rng rng(seed);
  for (const Placement& p : Placements(rng, 120)) {
    const ThinCase c = RandomCase(rng);
    VnKernel kernel;
    Configure(kernel, c);
    GuardedRoi<T> src(p, rng), dst(p, rng), inPlace(p, rng);
    Scatter(*src.roi(), rng, max);
    src.Remember();
    inPlace.StartLike(src);
    const auto [image, passes] = ThinReference(GridOf(*src.roi()), c.cells, c.rotation, c.outsideAgrees, c.iterations, c.thick, max);
    SCOPED_TRACE(::testing::Message() << p.width << "x" << p.height << " rotation " << c.rotation << " n " << c.iterations);
    for (simd::Level level : Levels()) {
      LevelSetting setting(level);
      SCOPED_TRACE(simd::LevelName(level));
      dst.StartLike(dst), inPlace.StartLike(src);  // each level from the same bytes
      int iterations = c.iterations;
      run(src.roi(), dst.roi(), &kernel, RotationOf(c), iterations, c.thick);
      ASSERT_TRUE(VnGetError() == 0 && iterations == passes);
      ASSERT_TRUE(c.iterations >= 0 ? GridOf(*dst.roi()) == image : dst.Unchanged());
      ASSERT_TRUE(dst.OutsideUnchanged() && src.Unchanged());
      run(inPlace.roi(), inPlace.roi(), &kernel, RotationOf(c), iterations = c.iterations, c.thick);
      ASSERT_TRUE(iterations == passes && GridOf(*inPlace.roi()) == GridOf(*(c.iterations >= 0 ? dst : src).roi()));
    }
  }
}

TEST(ThinningHarness, EveryTypeAgainstTheDefinedPasses) {
  const auto thinOrThick = [](auto s, auto d, VnKernel* k, KERNEL_ROTATION r, int& n, bool thick) {
    thick ? ImgThick(s, d, k, r, n) : ImgThin(s, d, k, r, n);
  };
  CheckThinning<VnBW8>(255, 1, thinOrThick);
  CheckThinning<VnBW16>(65535, 3, thinOrThick);
  CheckThinning<VnBW1>(1, 4, thinOrThick);  // ROIs at every bit offset
  CheckThinning<VnBW8>(255, 2, [](auto s, auto d, VnKernel* k, KERNEL_ROTATION r, int& n, bool thick) {
    thick ? ImgBiLevelThick(s, d, k, r, n) : ImgBiLevelThin(s, d, k, r, n);
  });
}

TEST(ThinningHarness, ColourRunsEachComponent) {
  Rng rng(6);
  for (const Placement& p : Placements(rng, 20)) {
    const ThinCase c = RandomCase(rng);
    VnKernel kernel;
    Configure(kernel, c);
    GuardedRoi<VnC24> src(p, rng), dst(p, rng);
    int n = c.iterations, largest = 0;
    ImgThin(src.roi(), dst.roi(), &kernel, RotationOf(c), n);
    if (c.iterations < 0) {
      ASSERT_TRUE(n == 0 && dst.Unchanged());  // no pass: dst as it was
      continue;
    }
    for (unsigned component = 0; component < 3; ++component) {
      VnImage<VnBW8> s(p.width, p.height), got(p.width, p.height), d = got;
      ClrGetComponent(src.roi(), &s, component, nullptr), ClrGetComponent(dst.roi(), &got, component, nullptr);
      int m = c.iterations;
      ImgThin(&s, &d, &kernel, RotationOf(c), m);
      largest = std::max(largest, m);
      ASSERT_TRUE(SamePixels(got, d));
    }
    ASSERT_EQ(n, largest);
  }
}

// Hand cases: a full ROI with agreeing outside loses one row per pass from the top.
TEST(ThinningCases, FilledRoiLosesARowPerPass) {
  VnKernel kernel(KERNEL_THINNING);
  kernel.SetOutsideValue(1);
  VnImage<VnBW8> full = Make<VnBW8>(8, 4, [](int, int) { return 255; }), out(8, 4);
  int n = 0;
  EXPECT_EQ(ImgThin(&full, &out, &kernel, KERNEL_ROTATION_NONE, n), 0);
  EXPECT_EQ(n, 5);  // four rows, then a pass without change
  EXPECT_TRUE(SamePixels(out, Make<VnBW8>(8, 4, [](int, int) { return 0; })));
}

// The raster passes: each pixel the brute-force distance to the nearest pixel of the other value.
TEST(DistanceMapHarness, BinaryIsTheCityBlockDistance) {
  Rng rng(9);
  for (const Placement& p : Placements(rng, 60)) {
    GuardedRoi<VnBW8> src(p, rng), dst(p, rng);
    const unsigned density = 1 + static_cast<unsigned>(rng() % 15);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) src.roi()->SetPixel(rng() % 16 < density ? 255 : 0, x, y);
    const unsigned maximum = rng() % 4 == 0 ? 1000 : static_cast<unsigned>(rng() % 40);
    ImgComputeDistanceMap(src.roi(), dst.roi(), maximum);
    const Grid s = GridOf(*src.roi());
    Grid expected = s;
    for (int y = 0; y < s.h; ++y)
      for (int x = 0; x < s.w; ++x) {
        long best = 255;
        for (int v = 0; v < s.h; ++v)
          for (int u = 0; u < s.w; ++u)
            if (s.at(u, v) != s.at(x, y)) best = std::min<long>(best, std::abs(u - x) + std::abs(v - y));
        expected.at(x, y) = best <= static_cast<long>(std::min(maximum, 255u)) ? best : 255;
      }
    ASSERT_TRUE(VnGetError() == 0 && GridOf(*dst.roi()) == expected && dst.OutsideUnchanged());
  }
}

// Gray sources: the rings as the definition forms them, scaled, masked in, inverted.
TEST(DistanceMapHarness, GrayFollowsTheRings) {
  Rng rng(10);
  for (const Placement& p : Placements(rng, 30)) {
    GuardedRoi<VnBW8> src(p, rng), dst(p, rng);
    const unsigned maximum = static_cast<unsigned>(rng() % 12);
    src.roi()->SetPixel(77, 0, 0);  // not binary
    ImgComputeDistanceMap(src.roi(), dst.roi(), maximum);
    Grid a = GridOf(*src.roi()), b = a, out{a.w, a.h, std::vector<long>(a.v.size())};
    for (unsigned k = 1; k <= maximum; ++k) {
      Grid na = a, nb = b;
      for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x)
          for (auto [u, v] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}})
            if (u >= 0 && v >= 0 && u < a.w && v < a.h)
              na.at(x, y) = std::min(na.at(x, y), a.at(u, v)), nb.at(x, y) = std::max(nb.at(x, y), b.at(u, v));
      const double gain = static_cast<float>((255.0 - k) / 255.0);
      for (std::size_t i = 0; i < out.v.size(); ++i)
        for (long ring : {a.v[i] - na.v[i], nb.v[i] - b.v[i]})
          if (out.v[i] == 0) out.v[i] = static_cast<long>(std::floor(ring * gain));
      a = na, b = nb;
    }
    for (long& v : out.v) v = 255 - v;
    ASSERT_TRUE(VnGetError() == 0 && GridOf(*dst.roi()) == out && dst.OutsideUnchanged());
  }
}

TEST(DistanceCases, ChamferSteps) {
  VnImage<VnBW8> src = Make<VnBW8>(4, 3, [](int x, int y) { return x == 0 && y == 0 ? 0 : 255; });
  VnImage<VnBW16> dst(4, 3);
  EXPECT_EQ(ImgDistance(&src, &dst, 0), 0);
  EXPECT_EQ(dst.GetPixel(1, 1), 1);  // sqrt 2 rounds to 1
  EXPECT_EQ(dst.GetPixel(2, 2), 3);  // 2 sqrt 2 = 2.83
  EXPECT_EQ(dst.GetPixel(3, 1), 3);  // sqrt 2 + 2 = 3.41
}

// The failure table: code, trace (innermost first), destination untouched.
TEST(BinaryFailures, Table) {
  Rng rng(11);
  const Placement p{9, 5, 3, 1, 14, 7};
  GuardedRoi<VnBW8> src(p, rng), dst(p, rng);
  GuardedRoi<VnBW1> bits(p, rng), bitsDst(p, rng);
  VnImage<VnBW8> small(4, 4);
  VnImage<VnBW16> wrong(3, 3);
  VnKernel wide(3, 5, 1.0f, 0, 0, 0), half(KERNEL_THINNING), thinning(KERNEL_THINNING);
  half.SetKernelData(1, 1, 0, 1, 0.5f, 0, 0, 0, 0);
  struct Row {
    std::function<int()> call;
    int code;
    std::vector<std::string> trace;
  };
  int n = 0;
  const std::vector<Row> rows = {
      {[&] { return ImgThin(src.roi(), dst.roi(), &wide, KERNEL_ROTATION_NONE, n = 0); }, 1703, {"ImgThin"}},
      {[&] { return ImgBiLevelThin(src.roi(), dst.roi(), &half, KERNEL_ROTATION_NONE, n = 0); }, 1701, {"ImgBiLevelThin"}},
      {[&] { return ImgThick(src.roi(), dst.roi(), &thinning, static_cast<KERNEL_ROTATION>(3), n = 0); }, 1014, {"ImgThick"}},
      {[&] { return ImgThin(src.roi(), dst.roi(), &thinning, KERNEL_ROTATION_NONE, n = 1024); }, 1015, {"ImgThin"}},
      {[&] { return ImgThin(src.roi(), &small, &thinning, KERNEL_ROTATION_NONE, n = 0); }, 1403, {"ImgThin"}},
      {[&] { return ImgThin(src.roi(), dst.roi(), &thinning, KERNEL_ROTATION_NONE, n = -1); }, 0, {}},
      {[&] { return ImgThin(bits.roi(), bitsDst.roi(), &wide, KERNEL_ROTATION_NONE, n = 0); }, 1703, {"ImgThin (BW1)"}},
      {[&] { return ImgErodeBox(static_cast<VnROI<VnBW1>*>(nullptr), bitsDst.roi(), 1), VnGetError(); }, 1400, {"ImgErodeBox (BW1)"}},
      {[&] { return ImgMedian(bits.roi(), nullptr), VnGetError(); }, 1400, {"ImgMedian (BW1)"}},
      {[&] { return ImgBiLevelMorphoGradientDisk(src.roi(), &small, 1), VnGetError(); }, 1403,
       {"ImgMorphoGradientDisk (BiLevel Images)"}},
      {[&] { return ImgComputeDistanceMap(src.roi(), src.roi(), 3), VnGetError(); }, 1402, {"ImgComputeDistanceMap"}},
      {[&] { return ImgDistance(src.roi(), &wrong, 0); }, 1403, {"ImgDistance"}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].call(), rows[i].code);
    EXPECT_EQ(VnGetError(), rows[i].code);
    EXPECT_EQ(Trace(), rows[i].trace);
    EXPECT_TRUE(src.Unchanged() && dst.Unchanged() && bits.Unchanged() && bitsDst.Unchanged());
  }
  EXPECT_EQ(n, 0);  // reset even when no pass runs
}

}  // namespace
}  // namespace vnimg::test
