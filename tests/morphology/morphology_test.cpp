// Gray-level morphology: every row kernel's vector variants against its plain loop; every
// box, disk and median operation at every vector level (and with the variants off) against
// the elementary passes run literally, on random images at odd places in random parents, with
// random half-sizes up to and beyond the ROI, into a separate destination and in place; the
// older bordered family likewise; the VnC24 forms against the VnBW8 form per component.
#include <algorithm>
#include <functional>

#include "morphology/rows.h"
#include "support/levels.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

// Pixels as a grid of integers, and the elementary passes written plainly: each output the
// extremum over the neighbours that lie inside the ROI.
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
    for (int x = 0; x < g.w; ++x) g.v.push_back(static_cast<long>(roi.GetPixel(x, y)));
  return g;
}

enum class Nb { Square, X, Y, Cross };

// One pass: every pixel takes the minimum (maximum) of itself and its neighbours inside.
inline Grid Pass(const Grid& g, Nb nb, bool dilate) {
  Grid out = g;
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x)
      for (int d = 0; d < 9; ++d) {
        const int dx = d % 3 - 1, dy = d / 3 - 1, u = x + dx, w = y + dy;
        const bool used = nb == Nb::Square || (nb == Nb::X ? dy == 0 : nb == Nb::Y ? dx == 0 : dx == 0 || dy == 0);
        if (used && u >= 0 && w >= 0 && u < g.w && w < g.h) out.at(x, y) = dilate ? std::max(out.at(x, y), g.at(u, w)) : std::min(out.at(x, y), g.at(u, w));
      }
  return out;
}
inline Grid Passes(Grid g, Nb nb, bool dilate, long count) {
  for (long i = 0; i < count; ++i) g = Pass(g, nb, dilate);
  return g;
}
// min(halfX, halfY) squares, then the rest along the longer axis.
inline Grid BoxReference(const Grid& g, long hx, long hy, bool dilate) {
  const long m = std::min(hx, hy);
  return Passes(Passes(g, Nb::Square, dilate, m), hx > hy ? Nb::X : Nb::Y, dilate, std::max(hx, hy) - m);
}
inline Grid DiskReference(const Grid& g, long r, bool dilate) {
  const long d = (r + 1) / 2;
  return Passes(Passes(g, Nb::Square, dilate, r - d), Nb::Cross, dilate, d);
}
inline Grid Minus(Grid a, const Grid& b) {
  for (std::size_t i = 0; i < a.v.size(); ++i) a.v[i] = std::max(0L, a.v[i] - b.v[i]);
  return a;
}

using morphology::Extremum;
using morphology::Shape;

template <class T>
T* RowOf(const VnROI<T>& image, int y, int x = 0) { return image.GetImagePtr(x, y); }

template <class T>
void CheckRowKernels() {
  const auto make = [](const Placement& p, Rng& rng) {
    VnImage<T> image(p.width + 2, p.height + 2);
    return FillRandomBytes(image, rng), image;
  };
  const auto threeRows = [](auto fn, VnImage<T>& in, VnROI<T>* d) {
    for (int y = 0; y < d->GetHeight(); ++y) fn(RowOf(in, y, 1), RowOf(in, y + 1, 1), RowOf(in, y + 2, 1), RowOf(*d, y), d->GetWidth());
  };
  for (Extremum e : {Extremum::Min, Extremum::Max}) {
    for (Shape s : {Shape::Square, Shape::Row, Shape::Column, Shape::Cross})
      ExpectVariantsMatchPlain<T>(morphology::NeighbourRowVariants<T>(e, s), make, threeRows);
    ExpectVariantsMatchPlain<T>(morphology::PairRowVariants<T>(e), make, [](auto fn, VnImage<T>& in, VnROI<T>* d) {
      for (int y = 0; y < d->GetHeight(); ++y) fn(RowOf(in, y), RowOf(in, y + 1), RowOf(*d, y), d->GetWidth());
    });
    // Shifts from 1 to past the register widths; the buffer is row y of the input.
    ExpectVariantsMatchPlain<T>(morphology::ShiftRowVariants<T>(e), make, [](auto fn, VnImage<T>& in, VnROI<T>* d) {
      const int w = d->GetWidth();
      for (int y = 0; y < d->GetHeight(); ++y) {
        std::vector<T> buffer(RowOf(in, y), RowOf(in, y) + w + 2);
        const int shift = 1 + (y * 37 + w) % std::max(1, (w + 2) / 3);
        fn(buffer.data(), shift, w + 2 - 3 * shift);
        std::copy_n(buffer.begin(), w, RowOf(*d, y));
      }
    });
    // Rows read in place (the pixels beside them must not count), every half-size the variant
    // takes; rows 4k and 4k + 1 get a step's output and its prefix (from input row 4k + 2).
    ExpectVariantsMatchPlain<T>(morphology::WindowRowVariants<T>(e), make, [](auto fn, VnImage<T>& in, VnROI<T>* d) {
      const int w = d->GetWidth();
      std::vector<T> filtered(w);
      for (int y = 0; y < d->GetHeight(); ++y) {
        const int half = 1 + (y * 13 + w) % morphology::kWindowRowMaxHalf<T>;
        if (y % 4 == 0 && y + 1 < d->GetHeight()) {
          std::copy_n(RowOf(in, y + 2, 1), w, RowOf(*d, y + 1));
          const morphology::PrefixStep<T> step{RowOf(in, y, 1), RowOf(*d, y + 1), RowOf(*d, y)};
          fn(RowOf(in, y + 1, 1), half, filtered.data(), w, &step);
          ++y;
        } else {
          fn(RowOf(in, y + 1, 1), half, RowOf(*d, y), w, nullptr);
        }
      }
    });
    // Spans of one register's width from every offset, some wholly beside the row (neutral).
    ExpectVariantsMatchPlain<T>(morphology::SpanRowVariants<T>(e), make, [](auto fn, VnImage<T>& in, VnROI<T>* d) {
      const int w = d->GetWidth();
      for (int y = 0; y < d->GetHeight(); ++y) fn(RowOf(in, y + 1, 1), (y * 29 + w) % (w + 80), RowOf(*d, y), w, w);
    });
    // The input's rows as one block; its suffixes into the output, clipped to its height.
    ExpectVariantsMatchPlain<T>(morphology::SuffixColumnsVariants<T>(e), make, [](auto fn, VnImage<T>& in, VnROI<T>* d) {
      const int w = d->GetWidth(), window = in.GetHeight();
      std::vector<const T*> rows;
      for (int t = 0; t < window; ++t) rows.push_back(RowOf(in, t, 1));
      std::vector<T> suffix(std::size_t(window) * w);
      fn(rows.data(), window, suffix.data(), std::size_t(w), w);
      for (int t = 0; t < d->GetHeight(); ++t) std::copy_n(suffix.data() + std::size_t(t) * w, w, RowOf(*d, t));
    });
  }
  ExpectVariantsMatchPlain<T>(morphology::MedianRowVariants<T>(), make, threeRows);
}

TEST(MorphologyRows, VectorKernelsMatchPlain) {
  CheckRowKernels<VnBW8>();
  CheckRowKernels<VnBW16>();
}

// Taller than RandomPlacements (blocks of rows), and a few wider than one strip of columns.
std::vector<Placement> Placements(Rng& rng, int count) {
  std::vector<Placement> out = RandomPlacements(rng, count);
  for (std::size_t i = 0; i < out.size(); ++i) {
    Placement& p = out[i];
    p.width = i % 9 == 8 ? 1025 + static_cast<int>(rng() % 80) : 1 + static_cast<int>(rng() % 48);
    p.height = 1 + static_cast<int>(rng() % (i % 9 == 8 ? 6 : 30));
    p.parentWidth = p.orgX + p.width + 2, p.parentHeight = p.orgY + p.height + 1;
  }
  return out;
}

// A half-size: mostly up to a little beyond the ROI, sometimes absurd (small ROIs only).
long HalfSize(Rng& rng, const Placement& p) {
  const long side = std::max(p.width, p.height);
  if (side < 100 && rng() % 8 == 0) return 0x7fffffffL;
  return static_cast<long>(rng() % static_cast<unsigned>(std::min(side + 4, 40L)));
}
// Passes beyond the width plus the height change nothing: the reference stops there.
long Capped(long h, const Placement& p) { return std::min(h, 2L * (p.width + p.height)); }

enum Kind { kErode, kDilate, kOpen, kClose, kWhiteTopHat, kBlackTopHat, kGradient, kKinds };
using Element = std::function<Grid(const Grid&, bool dilate)>;

// Each composition as the passes define it, from the erosion and dilation `f`.
Grid Reference(int kind, const Grid& g, const Element& f) {
  switch (kind) {
    case kErode: return f(g, false);
    case kDilate: return f(g, true);
    case kOpen: return f(f(g, false), true);
    case kClose: return f(f(g, true), false);
    case kWhiteTopHat: return Minus(g, f(f(g, false), true));
    case kBlackTopHat: return Minus(f(f(g, true), false), g);
    default: return Minus(f(g, true), f(g, false));
  }
}

template <class T>
struct Operations {
  using R = VnROI<T>;
  void (*box[kKinds])(R*, R*, unsigned, unsigned) = {ImgErodeBox, ImgDilateBox, ImgOpenBox, ImgCloseBox,
                                                     ImgWhiteTopHatBox, ImgBlackTopHatBox, ImgMorphoGradientBox};
  void (*disk[kKinds])(R*, R*, unsigned) = {ImgErodeDisk, ImgDilateDisk, ImgOpenDisk, ImgCloseDisk,
                                            ImgWhiteTopHatDisk, ImgBlackTopHatDisk, ImgMorphoGradientDisk};
};

// Every operation into a separate destination and in place (a null dst, or dst = src),
// at every level, against the reference; nothing outside the destination changes.
template <class T>
void CheckOperations(int placements, unsigned seed) {
  Rng rng(seed);
  const Operations<T> ops;
  for (const Placement& p : Placements(rng, placements))
    for (int kind = 0; kind < kKinds; ++kind)
      for (bool disk : {false, true}) {
        const long hx = HalfSize(rng, p), hy = rng() % 4 == 0 ? -1 : HalfSize(rng, p);
        const unsigned ux = static_cast<unsigned>(hx), uy = hy < 0 ? kVnSameHalfSize : static_cast<unsigned>(hy);
        GuardedRoi<T> src(p, rng);
        const Grid expected = Reference(kind, GridOf(*src.roi()), [&](const Grid& g, bool dilate) {
          return disk ? DiskReference(g, Capped(hx, p), dilate) : BoxReference(g, Capped(hx, p), Capped(hy < 0 ? hx : hy, p), dilate);
        });
        for (simd::Level level : Levels()) {
          LevelSetting setting(level);
          SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << (disk ? " disk " : " box ") << kind << " " << hx << "," << hy
                                            << " size " << p.width << "x" << p.height);
          GuardedRoi<T> dst(p, rng), inPlace(p, rng);
          inPlace.StartLike(src);
          const auto run = [&](VnROI<T>* s, VnROI<T>* d) { disk ? ops.disk[kind](s, d, ux) : ops.box[kind](s, d, ux, uy); };
          run(src.roi(), dst.roi());
          ASSERT_TRUE(VnGetError() == 0 && GridOf(*dst.roi()) == expected && dst.OutsideUnchanged() && src.Unchanged());
          run(inPlace.roi(), level == simd::Level::Plain ? inPlace.roi() : nullptr);
          ASSERT_TRUE(GridOf(*inPlace.roi()) == expected && inPlace.OutsideUnchanged());
        }
      }
}

TEST(MorphologyHarness, BoxAndDiskAgainstTheLiteralPasses) {
  CheckOperations<VnBW8>(36, 3);
  CheckOperations<VnBW16>(18, 4);
}

// One box against the literal passes at every level, erosion and dilation. With `bands`, row y
// holds values 250 y to 250 y + 199 (VnBW16): every window's extremum then comes from its
// first or last row, so a row wrongly counted in or left out shows.
template <class T>
void CheckBox(const Placement& p, unsigned hx, unsigned hy, unsigned seed, bool bands = false) {
  Rng rng(seed);
  GuardedRoi<T> src(p, rng);
  for (int y = 0; bands && y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) src.roi()->SetPixel(T(250 * y + rng() % 200), x, y);
  for (bool dilate : {false, true}) {
    const Grid expected = BoxReference(GridOf(*src.roi()), hx, hy, dilate);
    for (simd::Level level : Levels()) {
      LevelSetting setting(level);
      GuardedRoi<T> dst(p, rng);
      Operations<T>{}.box[dilate ? 1 : 0](src.roi(), dst.roi(), hx, hy);
      EXPECT_TRUE(VnGetError() == 0 && GridOf(*dst.roi()) == expected && dst.OutsideUnchanged())
          << simd::LevelName(level) << " " << hx << "," << hy;
    }
  }
}

// A block of rows too large for the cache (the whole width, 125 rows): the columns then run
// strip by strip, the last strip partial, over three blocks.
TEST(MorphologyHarness, LargeBlocksRunInColumnStrips) { CheckBox<VnBW16>({4100, 260, 3, 1, 4105, 263}, 2, 62, 5, true); }
// Rows of 16 and 32 whole lines, whose block buffers are padded apart.
TEST(MorphologyHarness, PaddedBlockRows) {
  CheckBox<VnBW8>({1024, 40, 3, 1, 1029, 43}, 3, 6, 8);
  CheckBox<VnBW16>({1010, 40, 3, 1, 1015, 43}, 5, 4, 9, true);
}

// Rows wider than one register's window: the in-register spans, then steps; up to the ROI's width.
TEST(MorphologyHarness, WideWindowsGoOnFromSpans) {
  const Placement p{300, 9, 5, 2, 307, 12};
  for (unsigned hx : {64u, 70u, 150u, 299u}) CheckBox<VnBW8>(p, hx, hx % 3, hx), CheckBox<VnBW16>(p, hx - 32, hx % 3, hx);
}

// Median of the nine window values, edge pixels repeated or the border value outside.
Grid MedianReference(const Grid& g, const long* border) {
  Grid out = g;
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) {
      std::vector<long> window;
      for (int d = 0; d < 9; ++d) {
        const int u = x + d % 3 - 1, w = y + d / 3 - 1;
        const bool inside = u >= 0 && w >= 0 && u < g.w && w < g.h;
        window.push_back(inside || !border ? g.at(std::clamp(u, 0, g.w - 1), std::clamp(w, 0, g.h - 1)) : *border);
      }
      std::sort(window.begin(), window.end());
      out.at(x, y) = window[4];
    }
  return out;
}

// The older passes as written: a horizontal 3-tap extremum, then a vertical one in place,
// the border value standing for every neighbour outside.
Grid LegacyPasses(Grid g, long h, long b, bool dilate) {
  const auto of = [dilate](long a, long c) { return dilate ? std::max(a, c) : std::min(a, c); };
  for (long pass = 0; pass < h; ++pass) {
    Grid row = g;
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x) row.at(x, y) = of(of(x > 0 ? g.at(x - 1, y) : b, g.at(x, y)), x + 1 < g.w ? g.at(x + 1, y) : b);
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x) g.at(x, y) = of(of(y > 0 ? row.at(x, y - 1) : b, row.at(x, y)), y + 1 < g.h ? row.at(x, y + 1) : b);
  }
  return g;
}

TEST(MorphologyHarness, MedianAndOlderFamilyAgainstTheirDefinitions) {
  Rng rng(6);
  for (const Placement& p : Placements(rng, 40)) {
    GuardedRoi<VnBW8> src(p, rng);
    GuardedRoi<VnBW16> wide(p, rng);
    const Grid g = GridOf(*src.roi());
    const int b = static_cast<int>(rng() % 256), b2 = static_cast<int>(rng() % 256), h = static_cast<int>(rng() % 5) - 1;
    const long border = b;
    const Grid erodeRef = LegacyPasses(g, h, b, false), openRef = LegacyPasses(erodeRef, h, b2, true);
    const Grid closeRef = LegacyPasses(LegacyPasses(g, h, b, true), h, b2, false);
    for (simd::Level level : Levels()) {
      LevelSetting setting(level);
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " size " << p.width << "x" << p.height << " h " << h);
      GuardedRoi<VnBW8> dst(p, rng), inPlace(p, rng);
      GuardedRoi<VnBW16> dst16(p, rng);
      ImgMedian(src.roi(), dst.roi()), ImgMedian(wide.roi(), dst16.roi());
      ASSERT_TRUE(GridOf(*dst.roi()) == MedianReference(g, nullptr) && GridOf(*dst16.roi()) == MedianReference(GridOf(*wide.roi()), nullptr));
      ASSERT_TRUE(ImgMedian(src.roi(), dst.roi(), b) == 0 && GridOf(*dst.roi()) == MedianReference(g, &border));
      inPlace.StartLike(src);
      ImgMedian(inPlace.roi(), inPlace.roi());
      ASSERT_TRUE(GridOf(*inPlace.roi()) == MedianReference(g, nullptr));
      const Grid before = GridOf(*dst.roi());
      ASSERT_TRUE(ImgErode(src.roi(), dst.roi(), h, b) == 0 && GridOf(*dst.roi()) == (h > 0 ? erodeRef : before));
      ASSERT_TRUE(ImgOpen(src.roi(), dst.roi(), h, b, b2) == 0 && GridOf(*dst.roi()) == (h > 0 ? openRef : before));
      ASSERT_TRUE(ImgBlackTopHat(src.roi(), dst.roi(), h, b, b2) == 0 && GridOf(*dst.roi()) == Minus(h > 0 ? closeRef : before, g));
      ASSERT_TRUE(dst.OutsideUnchanged() && dst16.OutsideUnchanged() && inPlace.OutsideUnchanged() && src.Unchanged());
    }
  }
}

// The VnC24 forms: component k of the result is the VnBW8 form on component k (the older
// forms with the border byte c2, c1, c0), also in place.
TEST(MorphologyHarness, ColourComponentsRunTheGrayForms) {
  Rng rng(9);
  const Placement p{23, 9, 3, 1, 30, 12};
  GuardedRoi<VnC24> src(p, rng);
  const VnC24 b1{10, 200, 30}, b2{250, 5, 99};
  const std::pair<std::function<void(VnROI<VnC24>*, VnROI<VnC24>*)>, std::function<void(VnROI<VnBW8>*, VnROI<VnBW8>*, int)>> rows[] = {
      {[](auto* s, auto* d) { ImgOpenDisk(s, d, 3); }, [](auto* s, auto* d, int) { ImgOpenDisk(s, d, 3); }},
      {[&](auto* s, auto* d) { ImgClose(s, d, 2, b1, b2); },
       [&](auto* s, auto* d, int k) { ImgClose(s, d, 2, (&b1.c0)[2 - k], (&b2.c0)[2 - k]); }},
      {[&](auto* s, auto* d) { ImgMedian(s, d, b1); }, [&](auto* s, auto* d, int k) { ImgMedian(s, d, (&b1.c0)[2 - k]); }},
  };
  for (const auto& [colour, gray] : rows) {
    GuardedRoi<VnC24> dst(p, rng), inPlace(p, rng);
    inPlace.StartLike(src);
    colour(src.roi(), dst.roi()), colour(inPlace.roi(), inPlace.roi());
    ASSERT_EQ(VnGetError(), 0);
    for (unsigned k = 0; k < 3; ++k) {
      VnImage<VnBW8> in(p.width, p.height), expected(p.width, p.height), got(p.width, p.height), gotInPlace(p.width, p.height);
      ClrGetComponent(src.roi(), &in, k, nullptr), ClrGetComponent(dst.roi(), &got, k, nullptr);
      ClrGetComponent(inPlace.roi(), &gotInPlace, k, nullptr);
      gray(&in, &expected, static_cast<int>(k));
      ASSERT_TRUE(SamePixels(got, expected) && SamePixels(gotInPlace, expected)) << k;
    }
    ASSERT_TRUE(dst.OutsideUnchanged() && inPlace.OutsideUnchanged() && src.Unchanged());
  }
}

}  // namespace
}  // namespace vnimg::test
