// ImgConvert and ImgConvertTo422: every row at every vector level against its rule written
// here, over random ROIs in random parents (exhaustive where the domain is small), the float
// rounding edges, bit images at every bit offset, and one failure table.
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "foundation/simd.h"
#include "point/convert_rows.h"
#include "support/levels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

template <class T>
std::vector<T> Pixels(const VnROI<T>& roi) {
  std::vector<T> pixels;
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) pixels.push_back(roi.GetPixel(x, y));
  return pixels;
}

// Float sources: mostly values in the destinations' ranges, with the edges mixed in.
template <class T>
void FillSource(VnROI<T>& roi, Rng& rng) {
  if constexpr (std::is_floating_point_v<T>) {
    const T edges[] = {T(254.5), T(254.49), T(-0.3), std::numeric_limits<T>::quiet_NaN(), std::numeric_limits<T>::infinity(),
                       -std::numeric_limits<T>::infinity(), T(1e10), T(0.5), T(255), T(255.5), T(65535.5), T(-0.0),
                       std::nextafter(T(0.5), T(0))};
    for (int y = 0; y < roi.GetHeight(); ++y)
      for (int x = 0; x < roi.GetWidth(); ++x) {
        const unsigned pick = rng() % 32;
        const T v = pick < 13 ? edges[pick] : pick < 24 ? T(rng() % 2560) / 10 : T(rng() % 700000) / 10;
        roi.SetPixel(v, x, y);
      }
  } else if constexpr (std::is_integral_v<T>) {
    for (int y = 0; y < roi.GetHeight(); ++y)
      for (int x = 0; x < roi.GetWidth(); ++x)
        if (rng() % 4 == 0) roi.SetPixel(0, x, y);  // zeros for the bit conversions
  }
}

// At every level: call(src, dst) on random placements must leave rule(s, old d) in every
// destination pixel and nothing changed outside it.
template <class S, class D, class Call, class Rule>
void CheckRow(Call call, Rule rule) {
  Rng rng(11);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Placement& p : RandomPlacements(rng, 40)) {
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " width " << p.width << " height " << p.height);
      GuardedRoi<S> src(p, rng);
      FillSource(*src.roi(), rng);
      src.Remember();
      Placement q = p;
      q.orgX = (p.orgX + 5) % 9, q.parentWidth = q.orgX + p.width + 3;
      GuardedRoi<D> dst(q, rng);
      const std::vector<D> old = Pixels(*dst.roi());
      call(src.roi(), dst.roi());
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(dst.OutsideUnchanged() && src.Unchanged());
      const std::vector<S> in = Pixels(*src.roi());
      const std::vector<D> out = Pixels(*dst.roi());
      for (std::size_t i = 0; i < in.size(); ++i) ASSERT_TRUE(out[i] == rule(in[i], old[i])) << "pixel " << i;
    }
  }
}

template <class D, class F>
D Rounded(F v) {
  const long double max = std::numeric_limits<D>::max();
  if (std::isnan(v) || v < 0) return 0;
  if (v > max) return std::numeric_limits<D>::max();
  return static_cast<D>(std::trunc(static_cast<long double>(v) + 0.5L));
}
uint16_t C15(int c0, int c1, int c2, uint16_t old) {
  return static_cast<uint16_t>((old & 0x8000) | c0 >> 3 | (c1 >> 3) << 5 | (c2 >> 3) << 10);
}
uint16_t C16(int c0, int c1, int c2) { return static_cast<uint16_t>(c0 >> 3 | (c1 >> 2) << 5 | (c2 >> 3) << 11); }
VnC24 FromC15(uint16_t w) { return {uint8_t((w & 31) << 3), uint8_t(((w >> 5) & 31) << 3), uint8_t(((w >> 10) & 31) << 3)}; }
VnC24 FromC16(uint16_t w) { return {uint8_t((w & 31) << 3), uint8_t(((w >> 5) & 63) << 2), uint8_t(((w >> 11) & 31) << 3)}; }

TEST(ConvertHarness, ShiftsAtEveryShift) {
  for (unsigned shift : {0u, 1u, 7u, 8u, 15u, 16u, 24u, 31u, 32u, 40u}) {
    SCOPED_TRACE(shift);
    const unsigned k = shift % 32;
    const auto call = [shift](auto* s, auto* d) { ImgConvert(s, d, shift); };
    CheckRow<VnBW16, VnBW8>(call, [k](VnBW16 s, VnBW8) { return VnBW8((s >> k) & 0xFF); });
    CheckRow<VnBW32, VnBW8>(call, [k](VnBW32 s, VnBW8) { return VnBW8((s >> k) & 0xFF); });
    CheckRow<VnBW32, VnBW16>(call, [k](VnBW32 s, VnBW16) { return VnBW16((s >> k) & 0xFFFF); });
    CheckRow<VnBW8, VnBW16>(call, [k](VnBW8 s, VnBW16) { return VnBW16((std::uint64_t{s} << k) & 0xFFFF); });
    CheckRow<VnBW8, VnBW32>(call, [k](VnBW8 s, VnBW32) { return VnBW32((std::uint64_t{s} << k) & 0xFFFFFFFF); });
    CheckRow<VnBW16, VnBW32>(call, [k](VnBW16 s, VnBW32) { return VnBW32((std::uint64_t{s} << k) & 0xFFFFFFFF); });
  }
}

TEST(ConvertHarness, GrayAndColour) {
  const auto call = [](auto* s, auto* d) { ImgConvert(s, d); };
  CheckRow<VnBW8, VnC24>(call, [](VnBW8 g, VnC24) { return VnC24{g, g, g}; });
  CheckRow<VnC24, VnBW8>(call, [](VnC24 c, VnBW8) { return VnBW8((29 * c.c0 + 150 * c.c1 + 77 * c.c2 + 128) >> 8); });
  CheckRow<VnC24, VnC15>(call, [](VnC24 c, VnC15 old) { return VnC15{C15(c.c0, c.c1, c.c2, old.m_un16Value)}; });
  CheckRow<VnBW8, VnC15>(call, [](VnBW8 g, VnC15 old) { return VnC15{C15(g, g, g, old.m_un16Value)}; });
  CheckRow<VnC24, VnC16>(call, [](VnC24 c, VnC16) { return VnC16{C16(c.c0, c.c1, c.c2)}; });
  CheckRow<VnBW8, VnC16>(call, [](VnBW8 g, VnC16) { return VnC16{C16(g, g, g)}; });
  CheckRow<VnC15, VnC24>(call, [](VnC15 w, VnC24) { return FromC15(w.m_un16Value); });
  CheckRow<VnC16, VnC24>(call, [](VnC16 w, VnC24) { return FromC16(w.m_un16Value); });
  CheckRow<VnC15, VnBW8>(call, [](VnC15 p, VnBW8) {
    const int w = p.m_un16Value;
    return VnBW8(((w & 31) + ((w >> 5) & 31) + ((w >> 10) & 31)) * 8 / 3);
  });
  CheckRow<VnC16, VnBW8>(call, [](VnC16 p, VnBW8) {
    const int w = p.m_un16Value;
    return VnBW8((2 * (w & 31) + ((w >> 5) & 63) + 2 * ((w >> 11) & 31)) * 4 / 3);
  });
  CheckRow<VnC24, VnC24A>(call, [](VnC24 c, VnC24A old) { return VnC24A{c.c0, c.c1, c.c2, old.c3}; });
  CheckRow<VnC24A, VnC24>(call, [](VnC24A c, VnC24) { return VnC24{c.c0, c.c1, c.c2}; });
  CheckRow<VnBW8, VnBW16>([](auto* s, auto* d) { ImgConvertTo422(s, d); }, [](VnBW8 g, VnBW16) { return VnBW16(0x8000 | g); });
}

TEST(ConvertHarness, FloatsBothWays) {
  const auto call = [](auto* s, auto* d) { ImgConvert(s, d); };
  const auto rounded = []<class F, class D>(F v, D) { return Rounded<D>(v); };
  CheckRow<VnFLOAT32, VnBW8>(call, rounded);
  CheckRow<VnFLOAT32, VnBW16>(call, rounded);
  CheckRow<VnFLOAT32, VnBW32>(call, rounded);
  CheckRow<VnFLOAT64, VnBW8>(call, rounded);
  CheckRow<VnFLOAT64, VnBW16>(call, rounded);
  CheckRow<VnFLOAT64, VnBW32>(call, rounded);
  const auto exact = []<class I, class F>(I v, F) { return static_cast<F>(v); };
  CheckRow<VnBW8, VnFLOAT32>(call, exact);
  CheckRow<VnBW16, VnFLOAT32>(call, exact);
  CheckRow<VnBW32, VnFLOAT32>(call, exact);
  CheckRow<VnBW8, VnFLOAT64>(call, exact);
  CheckRow<VnBW16, VnFLOAT64>(call, exact);
  CheckRow<VnBW32, VnFLOAT64>(call, exact);
}

// The rows with streamed stores (large images only) straight against the plain loops: their
// peel to the destination's 64-byte lines starts from every ROI offset.
TEST(ConvertHarness, StreamedRowsMatchPlain) {
  const auto source = []<class S>(S) {
    return [](const Placement& p, Rng& rng) {
      VnImage<S> image(p.width, p.height);
      FillRandomBytes(image, rng);
      FillSource(image, rng);
      return image;
    };
  };
  const auto rows = [](auto fn, auto& in, auto* d, auto... shift) {
    for (int y = 0; y < d->GetHeight(); ++y)
      fn(in.GetImagePtr(0, y), reinterpret_cast<uint8_t*>(d->GetImagePtr(0, y)), std::size_t(d->GetWidth()), shift...);
  };
  ExpectVariantsMatchPlain<VnC24>(convert::GrayToC24StreamedVariants(), source(VnBW8{}), rows);
  ExpectVariantsMatchPlain<VnBW8>(convert::Float32To8StreamedVariants(), source(VnFLOAT32{}), rows);
  for (unsigned shift : {0u, 5u, 8u, 31u})
    ExpectVariantsMatchPlain<VnBW8>(convert::Shift16To8StreamedVariants(), source(VnBW16{}),
                                    [&](auto fn, auto& in, auto* d) { rows(fn, in, d, shift); });
}

// A source and destination of a little over 24 MiB together take the streamed rows; the
// shift and the ROI's offset reach them.
TEST(ConvertHarness, LargeImageTakesTheShift) {
  VnImage<VnBW16> words(4100, 2050);
  VnImage<VnBW8> parent(4108, 2053);
  VnROI<VnBW8> bytes(&parent, 7, 2, 4100, 2050);
  for (int y = 0; y < 2050; ++y)
    for (int x = 0; x < 4100; ++x) words.SetPixel(static_cast<uint16_t>((x * 40503u) ^ (y * 2654435761u >> 13)), x, y);
  ImgConvert(&words, &bytes, 41);
  for (int y = 0; y < 2050; ++y)
    for (int x = 0; x < 4100; ++x) ASSERT_EQ(bytes.GetPixel(x, y), (words.GetPixel(x, y) >> 9) & 0xFF) << x << "," << y;
}

// Every 16-bit word (and so every 8-bit value) at every level, on a 256 x 256 image.
TEST(ConvertExhaustive, EveryWord) {
  VnImage<VnBW16> words(256, 256);
  VnImage<VnC15> c15(256, 256);
  VnImage<VnC16> c16(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const auto w = static_cast<uint16_t>(y << 8 | x);
      words.SetPixel(w, x, y), c15.SetPixel({w}, x, y), c16.SetPixel({w}, x, y);
    }
  VnImage<VnBW8> gray(256, 256), low(256, 256), from15(256, 256), from16(256, 256);
  VnImage<VnC24> colour15(256, 256), colour16(256, 256);
  VnImage<VnBW16> back(256, 256);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    ImgConvert(&words, &gray);
    ImgConvert(&words, &low, 0);
    ImgConvert(&gray, &back);
    ImgConvert(&c15, &colour15), ImgConvert(&c16, &colour16), ImgConvert(&c15, &from15), ImgConvert(&c16, &from16);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const uint16_t w = words.GetPixel(x, y);
        ASSERT_EQ(gray.GetPixel(x, y), w >> 8);
        ASSERT_EQ(low.GetPixel(x, y), w & 0xFF);
        ASSERT_EQ(back.GetPixel(x, y), w & 0xFF00);
        ASSERT_EQ(colour15.GetPixel(x, y), FromC15(w));
        ASSERT_EQ(colour16.GetPixel(x, y), FromC16(w));
        ASSERT_EQ(from15.GetPixel(x, y), ((w & 31) + ((w >> 5) & 31) + ((w >> 10) & 31)) * 8 / 3);
        ASSERT_EQ(from16.GetPixel(x, y), (2 * (w & 31) + ((w >> 5) & 63) + 2 * ((w >> 11) & 31)) * 4 / 3);
      }
  }
}

// The worked examples, each at the end of a 70-pixel row (the vector loops' tail).
TEST(ConvertTable, HandComputedEdges) {
  const auto last = [](auto& image) { return image.GetPixel(69, 0); };
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    VnImage<VnBW16> w16(70, 1);
    VnImage<VnBW8> g8(70, 1);
    w16.SetPixel(65535, 69, 0);
    ImgConvert(&w16, &g8, 0);
    EXPECT_EQ(last(g8), 255);
    w16.SetPixel(256, 69, 0);
    ImgConvert(&w16, &g8, 0);
    EXPECT_EQ(last(g8), 0);
    ImgConvert(&w16, &g8);
    EXPECT_EQ(last(g8), 1);
    g8.SetPixel(255, 69, 0);
    ImgConvert(&g8, &w16);
    EXPECT_EQ(last(w16), 65280);
    VnImage<VnC15> c15(70, 1);
    c15.SetPixel({0x8000}, 69, 0);
    VnImage<VnC24> c24(70, 1);
    c24.SetPixel({255, 0, 255}, 69, 0);
    ImgConvert(&c24, &c15);
    EXPECT_EQ(last(c15).m_un16Value, 0xFC1F);
    c15.SetPixel({0x7FFF}, 69, 0);
    ImgConvert(&c15, &c24);
    EXPECT_EQ(last(c24), (VnC24{248, 248, 248}));
    VnImage<VnC16> c16(70, 1);
    c16.SetPixel({0xFFFF}, 69, 0);
    ImgConvert(&c16, &g8);
    EXPECT_EQ(last(g8), 249);
    const struct { double v; int to8; unsigned to32; } floats[] = {
        {254.5, 255, 255}, {254.49, 254, 254}, {-0.3, 0, 0}, {NAN, 0, 0}, {INFINITY, 255, 4294967295u},
        {1e10, 255, 4294967295u}, {0.49999999999999994, 0, 0}, {4294967294.5, 255, 4294967295u}};
    for (const auto& f : floats) {
      VnImage<VnFLOAT64> d64(70, 1);
      VnImage<VnFLOAT32> d32(70, 1);
      VnImage<VnBW32> w32(70, 1);
      d64.SetPixel(f.v, 69, 0), d32.SetPixel(static_cast<float>(f.v), 69, 0);
      ImgConvert(&d64, &g8);
      EXPECT_EQ(last(g8), f.to8) << f.v;
      ImgConvert(&d64, &w32);
      EXPECT_EQ(last(w32), f.to32) << f.v;
      ImgConvert(&d32, &g8);
      EXPECT_EQ(last(g8), f.v == 0.49999999999999994 ? 1 : f.to8) << f.v;  // as a float the value is 0.5
    }
    VnImage<VnBW32> big(70, 1);
    VnImage<VnFLOAT32> f32(70, 1);
    big.SetPixel(16777217, 69, 0);
    ImgConvert(&big, &f32);
    EXPECT_EQ(last(f32), 16777216.0f);
  }
}

TEST(ConvertTable, AlphaFormsTakeAndGiveTheFourthByte) {
  Rng rng(3);
  const Placement p{13, 3, 2, 1, 20, 5};
  GuardedRoi<VnC24> colour(p, rng), colourOut(p, rng);
  GuardedRoi<VnBW8> alpha(p, rng), alphaOut(p, rng);
  GuardedRoi<VnC24A> both(p, rng);
  ImgConvert(colour.roi(), alpha.roi(), both.roi());
  ImgConvert(both.roi(), colourOut.roi(), alphaOut.roi());
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_TRUE(both.OutsideUnchanged() && colourOut.OutsideUnchanged() && alphaOut.OutsideUnchanged());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 13; ++x) {
      const VnC24 c = colour.roi()->GetPixel(x, y);
      EXPECT_EQ(both.roi()->GetPixel(x, y), (VnC24A{c.c0, c.c1, c.c2, alpha.roi()->GetPixel(x, y)}));
      EXPECT_EQ(colourOut.roi()->GetPixel(x, y), c);
      EXPECT_EQ(alphaOut.roi()->GetPixel(x, y), alpha.roi()->GetPixel(x, y));
    }
}

// Bit images at every bit offset with odd widths, at every level. A byte-aligned destination
// gets whole bytes (the bits past the width 0); any other keeps every bit outside the ROI.
template <class G>
void CheckBits(G value) {
  Rng rng(21);
  for (simd::Level level : Levels())
    for (int offset = 0; offset < 8; ++offset)
      for (int width : {1, 7, 13, 31, 65, 129, 301}) {
        LevelSetting setting(level);
        SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " offset " << offset << " width " << width);
        const Placement p{width, 3, 8 + offset, 1, width + 24, 5};
        GuardedRoi<G> gray(p, rng);
        FillSource(*gray.roi(), rng);
        GuardedRoi<VnBW1> bits(p, rng);
        ImgConvert(gray.roi(), bits.roi());
        ASSERT_EQ(VnGetError(), 0);
        for (int y = 0; y < 3; ++y) {
          for (int x = 0; x < width; ++x) ASSERT_EQ(bits.roi()->GetPixel(x, y), gray.roi()->GetPixel(x, y) != 0);
          VnROI<VnBW1> tail(&bits.parent(), p.orgX + width, 1 + y, (8 - width % 8) % 8, 1);
          for (int x = 0; x < tail.GetWidth() && offset == 0; ++x) ASSERT_EQ(tail.GetPixel(x, 0), 0u);
        }
        ASSERT_TRUE(offset == 0 || bits.OutsideUnchanged());
        GuardedRoi<G> back(p, rng);
        ImgConvert(bits.roi(), back.roi(), value);
        ASSERT_TRUE(back.OutsideUnchanged());
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < width; ++x) ASSERT_EQ(back.roi()->GetPixel(x, y), bits.roi()->GetPixel(x, y) ? value : G{0});
      }
}

TEST(ConvertBits, EveryOffsetBothWays) {
  CheckBits<VnBW8>(255);
  CheckBits<VnBW8>(7);
  CheckBits<VnBW16>(65535);
  CheckBits<VnBW16>(0x1234);
  CheckBits<VnBW32>(4294967295u);
  CheckBits<VnBW32>(0x80000001u);
}

TEST(ConvertBits, WidthThirteenWritesTwoBytesPerRow) {
  VnImage<VnBW8> gray(13, 2);
  ImgCopy(VnBW8{9}, &gray);
  VnImage<VnBW1> bits(20, 2);
  ImgCopy(VnBW1(1), &bits);
  VnROI<VnBW1> roi(&bits, 0, 0, 13, 2);
  ImgConvertAligned(&gray, &roi);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(bits.GetImagePtr(0, y)[0], 0xFF);
    EXPECT_EQ(bits.GetImagePtr(0, y)[1], 0xF8);
    EXPECT_EQ(bits.GetImagePtr(0, y)[2], 0xFF);
  }
}

struct Outcome {
  int code;
  std::vector<std::string> trace;
  bool unchanged;
};

// Modes: 1 null source, 2 null destination, 3 destination partly outside its parent, 4 a
// source one pixel wider than the destination.
template <class S, class D>
std::function<Outcome(int)> Failing(std::function<void(VnROI<S>*, VnROI<D>*)> call) {
  return [call](int mode) {
    Rng rng(5);
    VnImage<S> src(mode == 4 ? 6 : 5, 3);
    GuardedRoi<D> dst({5, 3, mode == 3 ? 7 : 3, 1, 10, 5}, rng);
    call(mode == 1 ? nullptr : &src, mode == 2 ? nullptr : dst.roi());
    return Outcome{VnGetError(), Trace(), dst.Unchanged()};
  };
}
template <class S, class D>
std::pair<const char*, std::function<Outcome(int)>> Row(const char* trace) {
  return {trace, Failing<S, D>([](VnROI<S>* s, VnROI<D>* d) { ImgConvert(s, d); })};
}

TEST(ConvertTable, FailedChecksTraceAndWriteNothing) {
  const std::pair<const char*, std::function<Outcome(int)>> rows[] = {
      Row<VnBW16, VnBW8>("ImgConvert ( BW16 to BW8)"), Row<VnBW8, VnBW16>("ImgConvert ( BW8 to BW16)"),
      {"ImgConvert ( BW32 to BW8)", Failing<VnBW32, VnBW8>([](auto* s, auto* d) { ImgConvert(s, d, 8); })},
      {"ImgConvert ( BW32 to BW16)", Failing<VnBW32, VnBW16>([](auto* s, auto* d) { ImgConvert(s, d, 8); })},
      {"ImgConvert ( BW8 to BW32)", Failing<VnBW8, VnBW32>([](auto* s, auto* d) { ImgConvert(s, d, 8); })},
      {"ImgConvert ( BW16 to BW32)", Failing<VnBW16, VnBW32>([](auto* s, auto* d) { ImgConvert(s, d, 8); })},
      Row<VnBW8, VnC24>("ImgConvert ( BW8 to C24)"), Row<VnC24, VnBW8>("ImgConvert ( C24 to BW8)"),
      Row<VnC24, VnC15>("ImgConvert ( C24 to C15)"), Row<VnBW8, VnC15>("ImgConvert ( BW8 to C15)"),
      Row<VnC15, VnC24>("ImgConvert ( C15 to C24)"), Row<VnC15, VnBW8>("ImgConvert ( C15 to BW8)"),
      Row<VnC24, VnC16>("ImgConvert ( C24 to C16)"), Row<VnBW8, VnC16>("ImgConvert ( BW8 to C16)"),
      Row<VnC16, VnC24>("ImgConvert ( C16 to C24)"), Row<VnC16, VnBW8>("ImgConvert ( C16 to BW8)"),
      Row<VnC24, VnC24A>("ImgConvert ( C24 to C24A)"), Row<VnC24A, VnC24>("ImgConvert ( C24A to C24)"),
      {"ImgConvert ( C24 to C24A with Alpha)",
       Failing<VnC24, VnC24A>([](auto* s, auto* d) { VnImage<VnBW8> a(5, 3); ImgConvert(s, &a, d); })},
      {"ImgConvert ( C24A to C24 with Alpha)",
       Failing<VnC24A, VnC24>([](auto* s, auto* d) { VnImage<VnBW8> a(5, 3); ImgConvert(s, d, &a); })},
      Row<VnBW8, VnBW1>("ImgConvert (BW8 -> BW1)"), Row<VnBW16, VnBW1>("ImgConvert (BW16 -> BW1)"),
      Row<VnBW32, VnBW1>("ImgConvert (BW32 -> BW1)"), Row<VnBW1, VnBW8>("ImgConvert (BW1 -> BW8)"),
      Row<VnBW1, VnBW16>("ImgConvert (BW1 -> BW16)"), Row<VnBW1, VnBW32>("ImgConvert (BW1 -> BW32)"),
      Row<VnFLOAT32, VnBW8>("ImgConvert (VnROIFLOAT32 to VnROIBW8)"), Row<VnFLOAT32, VnBW16>("ImgConvert (VnROIFLOAT32 to VnROIBW16)"),
      Row<VnFLOAT32, VnBW32>("ImgConvert (VnROIFLOAT32 to VnROIBW32)"), Row<VnFLOAT64, VnBW8>("ImgConvert (VnROIFLOAT64 to VnROIBW8)"),
      Row<VnFLOAT64, VnBW16>("ImgConvert (VnROIFLOAT64 to VnROIBW16)"), Row<VnFLOAT64, VnBW32>("ImgConvert (VnROIFLOAT64 to VnROIBW32)"),
      Row<VnBW8, VnFLOAT32>("ImgConvert (VnROIBW8 to VnROIFLOAT32)"), Row<VnBW16, VnFLOAT32>("ImgConvert (VnROIBW16 to VnROIFLOAT32)"),
      Row<VnBW32, VnFLOAT32>("ImgConvert (VnROIBW32 to VnROIFLOAT32)"), Row<VnBW8, VnFLOAT64>("ImgConvert (VnROIBW8 to VnROIFLOAT64)"),
      Row<VnBW16, VnFLOAT64>("ImgConvert (VnROIBW16 to VnROIFLOAT64)"), Row<VnBW32, VnFLOAT64>("ImgConvert (VnROIBW32 to VnROIFLOAT64)"),
      {"ImgConvertTo422 ( BW8 to BW16)", Failing<VnBW8, VnBW16>([](auto* s, auto* d) { ImgConvertTo422(s, d); })},
  };
  const int codes[] = {0, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, VN_ERR_ROI_OUTSIDE_PARENT, VN_ERR_SIZE_MISMATCH};
  for (const auto& [trace, run] : rows)
    for (int mode = 0; mode <= 4; ++mode) {
      SCOPED_TRACE(::testing::Message() << trace << " mode " << mode);
      const Outcome outcome = run(mode);
      EXPECT_EQ(outcome.code, codes[mode]);
      if (mode == 0) continue;
      EXPECT_EQ(outcome.trace, std::vector<std::string>{trace});
      EXPECT_TRUE(outcome.unchanged);
    }
}

// The aligned forms throw instead, and need their bit image on a byte boundary.
TEST(ConvertTable, AlignedFormsThrow) {
  const auto code = [](auto call) {
    try {
      call();
    } catch (const Korvane::Quandor::Exception& e) {
      return e.code;
    }
    return 0;
  };
  VnImage<VnBW8> gray(5, 3), wide(6, 3);
  VnImage<VnBW1> parent(16, 3);
  VnROI<VnBW1> aligned(&parent, 8, 0, 5, 3), offset(&parent, 3, 0, 5, 3), outside(&parent, 12, 0, 5, 3);
  EXPECT_EQ(code([&] { ImgConvertAligned(&gray, &aligned); }), 0);
  EXPECT_EQ(code([&] { ImgConvertAligned(&gray, &offset); }), VN_ERR_BW1_NOT_ALIGNED);
  EXPECT_EQ(code([&] { ImgConvertAligned(&offset, &gray); }), VN_ERR_BW1_NOT_ALIGNED);
  EXPECT_EQ(code([&] { ImgConvertAligned(&wide, &aligned); }), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(code([&] { ImgConvertAligned(&outside, &gray); }), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(code([&] { ImgConvertAligned(static_cast<VnROI<VnBW1>*>(nullptr), &gray); }), VN_ERR_NULL_ROI);
}

}  // namespace
}  // namespace vnimg::test
