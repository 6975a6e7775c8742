// Lookup, gain/offset, normalisation, equalisation and uniformisation: the vector row kernels
// against their plain loops, every form against its rule written here at every level, the
// documented edge cases by hand, and one failure table.
#include <cmath>
#include <functional>

#include "foundation/frame.h"
#include "point/gain_offset_rows.h"
#include "point/point_support.h"
#include "point/uniformize_rows.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using R = std::int64_t;
using G = VnBW8;
using W = VnBW16;
using C = VnC24;

R Clip(R v, R max) { return std::clamp<R>(v, 0, max); }

template <class T>
T FromChannels(const std::array<R, 3>& c) {
  if constexpr (kChannels<T> == 3) return T{std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2])};
  else return static_cast<T>(c[0]);
}

// At every level, over random placements: `refs` random operands beside the source (rich in
// 0, equal values and M), call(src, refs, dst); each destination channel must equal
// rule(channel k of src, of each ref, x, k) and nothing outside the destination change.
template <class T>
void ExpectRule(int refs, std::function<void(VnROI<T>*, std::vector<VnROI<T>*>&, VnROI<T>*)> call,
                std::function<R(R, const std::vector<R>&, int, int)> rule) {
  Rng rng(23);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (Placement p : RandomPlacements(rng, 12)) {
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " width " << p.width);
      std::vector<std::unique_ptr<GuardedRoi<T>>> in;
      std::vector<VnROI<T>*> r;
      for (int i = 0; i <= refs; ++i) {
        in.push_back(std::make_unique<GuardedRoi<T>>(p, rng));
        EdgeFill(*in.back()->roi(), rng, i > 1 ? in[1]->roi() : nullptr);
        if (i > 0) r.push_back(in.back()->roi());
      }
      GuardedRoi<T> d(p, rng);
      call(in[0]->roi(), r, d.roi());
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(d.OutsideUnchanged());
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          for (int k = 0; k < kChannels<T>; ++k) {
            std::vector<R> refValues;
            for (auto* ref : r) refValues.push_back(Channel(ref->GetPixel(x, y), k));
            const R s = Channel(in[0]->roi()->GetPixel(x, y), k);
            ASSERT_EQ(Channel(d.roi()->GetPixel(x, y), k), rule(s, refValues, x, k)) << x << "," << y << " src " << s;
          }
    }
  }
}

// The 8-bit table entry: unsigned wrapping product, logical shift, offset, then 0 for a
// negative and 255 for a positive value out of range.
R GainOffsetEntry(R x, float gain, float offset) {
  const auto g = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::trunc(gain * 32)));
  const std::uint32_t v = ((static_cast<std::uint32_t>(x) * g) >> 5) + static_cast<std::uint32_t>(static_cast<std::int32_t>(offset));
  return v <= 255 ? R(v) : static_cast<std::int32_t>(v) < 0 ? 0 : 255;
}

TEST(LutHarness, VectorRowsMatchPlain) {
  Rng rng(3);
  const auto bytes = [](Placement p, Rng& rng) {
    auto image = std::make_unique<GuardedRoi<G>>(p, rng);
    EdgeFill(*image->roi(), rng);
    return image;
  };
  std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX), slope(-1044480, 1044480), intercept(-65000, 65000);
  ExpectVariantsMatchPlain<G>(lut::GainOffsetRowVariants(), bytes, [&](lut::GainOffsetRowFn fn, auto& s, VnROI<G>* d) {
    Rng local(d->GetWidth() + 1000 * d->GetHeight());  // the same parameters for every variant
    const std::int32_t gain = local() % 2 ? any(local) : slope(local) / 4096;
    const std::int32_t offset = local() % 2 ? any(local) : intercept(local) / 128;
    frame::ForEachRow(*s->roi(), *d, [&](const G* a, G* o, int n) { fn(a, o, std::size_t(n), gain, offset); });
  });
  ExpectVariantsMatchPlain<G>(lut::RatioRowVariants(), [&](Placement p, Rng& r) { return std::make_pair(bytes(p, r), bytes(p, r)); },
                              [&](lut::RatioRowFn fn, auto& in, VnROI<G>* d) {
    frame::ForEachRow(*in.first->roi(), *in.second->roi(), *d, [&](const G* a, const G* b, G* o, int n) {
      fn(a, b, o, std::size_t(n), std::uint32_t(n * 37 % 256));
    });
  });
  ExpectVariantsMatchPlain<G>(lut::ColumnRowVariants(), bytes, [&](lut::ColumnRowFn fn, auto& s, VnROI<G>* d) {
    std::vector<std::int32_t> f(std::size_t(d->GetWidth())), b(f.size());
    Rng coefficients(d->GetWidth());
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = slope(coefficients), b[i] = intercept(coefficients);
    frame::ForEachRow(*s->roi(), *d, [&](const G* a, G* o, int n) { fn(a, f.data(), b.data(), o, std::size_t(n)); });
  });
}

TEST(LutRules, LookupsAndGainOffset) {
  Rng rng(8);
  VnBW8Vector bytes(256);
  VnBW16Vector words(65536);
  for (unsigned i = 0; i < 256; ++i) bytes[i] = G(rng());
  for (unsigned i = 0; i < 65536; ++i) words[i] = W(rng());
  ExpectRule<G>(0, [&](auto* s, auto&, auto* d) { ImgLut(s, d, &bytes); }, [&](R x, auto&, int, int) { return R(bytes[unsigned(x)]); });
  ExpectRule<W>(0, [&](auto* s, auto&, auto* d) { ImgLut(s, d, &words); }, [&](R x, auto&, int, int) { return R(words[unsigned(x)]); });
  for (float gain : {1.0f, 0.99f, -0.5f, 3.7f, 1e-3f, 2e7f})
    for (float offset : {0.0f, -20.9f, 300.0f, 17.5f}) {
      SCOPED_TRACE(::testing::Message() << "gain " << gain << " offset " << offset);
      ExpectRule<G>(0, [&](auto* s, auto&, auto* d) { ImgGainOffset(s, d, gain, offset); },
                    [&](R x, auto&, int, int) { return GainOffsetEntry(x, gain, offset); });
      ExpectRule<W>(0, [&](auto* s, auto&, auto* d) { ImgGainOffset(s, d, gain, offset); },
                    [&](R x, auto&, int, int) { return Clip(((x * R(std::trunc(gain * 32))) >> 5) + R(offset), 65535); });
    }
  const VnColor gain{0.5f, 2.0f, -1.0f}, offset{10.0f, -3.5f, 300.0f};
  const float gains[3] = {-1.0f, 2.0f, 0.5f}, offsets[3] = {300.0f, -3.5f, 10.0f};  // reversed: c0 acts on byte 2
  ExpectRule<C>(0, [&](auto* s, auto&, auto* d) { ImgGainOffset(s, d, gain, offset); },
                [&](R x, auto&, int, int k) { return Clip(R(std::trunc(float(x) * gains[k] + offsets[k])), 255); });
}

TEST(LutRules, EveryUniformizeForm) {
  const auto each = []<class T>(T, T level, T dark) {
    constexpr R M = kMax<T>;
    const auto lv = [&](int k) { return Channel(level, k); };
    const auto dk = [&](int k) { return Channel(dark, k); };
    ExpectRule<T>(1, [&](auto* s, auto& r, auto* d) { ImgUniformize(s, level, r[0], d, 0); },
                  [&](R x, auto& r, int, int k) { return Clip(x - r[0] + lv(k), M); });
    ExpectRule<T>(1, [&](auto* s, auto& r, auto* d) { ImgUniformize(s, level, r[0], d, 1); },
                  [&](R x, auto& r, int, int k) { return r[0] == 0 ? M : std::min(x * lv(k) / r[0], M); });
    ExpectRule<T>(2, [&](auto* s, auto& r, auto* d) { ImgUniformize(s, level, r[0], dark, r[1], d); },
                  [&](R x, auto& r, int, int k) { return r[0] == r[1] ? M : Clip((x - r[1]) * (lv(k) - dk(k)) / (r[0] - r[1]) + dk(k), M); });
    // Vectors: row 0 of the reference images, one value per column.
    using V = VnVectorTemplate<T>;
    const auto row = [](VnROI<T>* ref) {
      V v(unsigned(ref->GetWidth()));
      for (int x = 0; x < ref->GetWidth(); ++x) v[unsigned(x)] = ref->GetPixel(x, 0);
      return v;
    };
    V light, darkRow;  // set by each call, read by its rule
    const auto at = [](const V& v, int x, int k) { return Channel(v[unsigned(x)], k); };
    for (int multiplicative : {0, 1})
      ExpectRule<T>(1, [&](auto* s, auto& r, auto* d) { light = row(r[0]); ImgUniformize(s, level, &light, d, multiplicative); },
                    [&](R v, auto&, int x, int k) {
        const R ref = at(light, x, k);
        if (!multiplicative) return Clip(v + lv(k) - ref, M);
        if (ref == 0) return M;
        const R u = R(std::int32_t(std::uint32_t(v) * std::uint32_t(lv(k) * 4096 / ref))) >> 12;
        return u < 0 || u > M ? M : u;
      });
    ExpectRule<T>(2, [&](auto* s, auto& r, auto* d) {
      light = row(r[0]), darkRow = row(r[1]);
      ImgUniformize(s, level, &light, dark, &darkRow, d);
    }, [&](R v, auto&, int x, int k) {
      const R l = at(light, x, k), b = at(darkRow, x, k), span = lv(k) - dk(k);
      return l == b ? M : Clip(((v * (span * 4096 / (l - b))) >> 12) + dk(k) - span * b / (l - b), M);
    });
  };
  each(G{}, G{200}, G{30});
  each(W{}, W{60000}, W{900});
  each(C{}, C{200, 90, 255}, C{30, 100, 0});
}

TEST(LutRules, NormalizeAndEqualize) {
  float sd = 0, m = 0;
  const auto normalize = [&]<class T>(T, float mean, float dev) {
    ExpectRule<T>(0, [&](auto* s, auto&, auto* d) { ImgPixelStdDev(s, sd, m), ImgNormalize(s, d, mean, dev); }, [&](R x, auto&, int, int) {
      const float k = dev / sd, v = float(double(x) * k + mean - double(k) * m);
      return v >= 0 ? std::min(R(v), kMax<T>) : R(0);
    });
  };
  normalize(G{}, 100.0f, 30.0f);
  normalize(W{}, 30000.0f, 9000.0f);
  std::vector<std::uint64_t> upTo;  // upTo[v]: the pixels of value v or less
  const auto count = [&](auto* s) {
    upTo.assign(65536, 0);
    for (int y = 0; y < s->GetHeight(); ++y)
      for (int x = 0; x < s->GetWidth(); ++x) ++upTo[s->GetPixel(x, y)];
    for (std::size_t i = 1; i < upTo.size(); ++i) upTo[i] += upTo[i - 1];
  };
  ExpectRule<G>(0, [&](auto* s, auto&, auto* d) { count(s), ImgEqualize(s, d); },
                [&](R x, auto&, int, int) { return R(255 * (x ? upTo[x - 1] : 0) / upTo.back()); });
  ExpectRule<W>(0, [&](auto* s, auto&, auto* d) { count(s), ImgEqualize(s, d); },
                [&](R x, auto&, int, int) { return std::min<R>(65535, R(upTo[x] * 65535 / upTo.back())); });
  // A uniform source: s = 0 makes every value not a number, so every pixel 0, without error.
  VnImage<G> flat = Make<G>(7, 3, [](int, int) { return 77; });
  EXPECT_EQ(ImgNormalize(&flat, &flat, 100.0f, 30.0f), 0);
  EXPECT_EQ(flat.GetPixel(3, 2), 0);
}

// One pixel through one call: the rules at their edges, worked out by hand.
TEST(LutRules, HandCases) {
  const auto one = []<class T, class D = T>(T v, auto call) {
    VnImage<T> s(1, 1);
    VnImage<D> d(1, 1);
    s.SetPixel(v, 0, 0);
    call(&s, &d);
    return std::pair{VnGetError(), R(d.GetPixel(0, 0))};
  };
  VnBW8Vector ramp(256), sixteen(16), single(1);
  for (unsigned i = 0; i < 256; ++i) ramp[i] = G(i);
  for (unsigned i = 0; i < 16; ++i) sixteen[i] = G(100 + i);
  single[0] = 42;
  VnBW8Vector full(65536);
  for (unsigned i = 0; i < 65536; ++i) full[i] = G((i & 0xFF) ^ (i >> 8));
  const auto lut16 = [&](VnBW8Vector& lut, unsigned shift) { return [&lut, shift](auto* s, auto* d) { ImgLut(s, d, &lut, shift); }; };
  using P = std::pair<int, R>;
  EXPECT_EQ((one.operator()<W, G>(W{0xABCD}, lut16(ramp, 4294967295u))), P(0, 0xAB));  // 256 entries: shift 8
  EXPECT_EQ((one.operator()<W, G>(W{0xABCD}, lut16(ramp, 4))), P(0, 0xBC));
  EXPECT_EQ((one.operator()<W, G>(W{0xABCD}, lut16(sixteen, 0))), P(0, 100 + 0xD));
  EXPECT_EQ((one.operator()<W, G>(W{0xABCD}, lut16(sixteen, 4294967295u))), P(0, 100 + 0xA));  // shift 12
  EXPECT_EQ((one.operator()<W, G>(W{0xABCD}, lut16(single, 4294967295u))), P(0, 42));
  EXPECT_EQ((one.operator()<W, G>(W{0xABCD}, lut16(full, 4294967295u))), P(0, 0xCD ^ 0xAB));  // shift 0
  const auto gain = [](float g, float o) { return [g, o](auto* s, auto* d) { ImgGainOffset(s, d, g, o); }; };
  EXPECT_EQ(one(G{255}, gain(0.99f, 0.0f)), P(0, 247));  // 31/32
  EXPECT_EQ(one(G{0}, gain(-1.0f, 20.0f)), P(0, 20));
  EXPECT_EQ(one(G{1}, gain(-1.0f, 20.0f)), P(0, 255));  // the product wraps to a huge unsigned value
  // Equalising two values in equal numbers: inclusive sums, so the upper one reaches 65535.
  VnImage<W> two = Make<W>(4, 1, [](int x, int) { return x % 2 ? 200 : 100; }), out(4, 1);
  ImgEqualize(&two, &out);
  EXPECT_EQ(out.GetPixel(0, 0), 32767);
  EXPECT_EQ(out.GetPixel(1, 0), 65535);
  // ImgTransform: one call per pixel in row order, or one per value 0..255 in order.
  static std::vector<int> calls;
  VnBW8 (*record)(VnBW8) = [](VnBW8 v) { calls.push_back(v); return VnBW8(255 - v); };
  VnImage<G> pixels = Make<G>(3, 2, [](int x, int y) { return 9 - x - 3 * y; }), mapped(3, 2);
  ImgTransform(&pixels, &mapped, record, 0);
  EXPECT_EQ(calls, (std::vector<int>{9, 8, 7, 6, 5, 4}));
  calls.clear();
  ImgTransform(&pixels, &mapped, record, 1);
  EXPECT_EQ(calls.size(), 256u);
  EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end()));
  EXPECT_EQ(mapped.GetPixel(2, 1), 255 - 4);
}

struct Failure {
  const char* what;
  int code;
  std::vector<std::string> trace;
  std::function<void(VnROI<G>* ok, VnROI<G>* invalid, VnROI<G>* wider)> call8;
};

// Each call writes into a guarded 5x3 destination that must stay untouched (the 16-bit and
// colour rows: into images of their own). Operands: a valid 5x3 source, one partly outside its
// parent (1420) and a 6x3 one (1403).
TEST(LutFailures, CodesTracesAndUntouchedDestinations) {
  VnBW8Vector lut(256), short8(255), odd(300), row5(5), row4(4);
  VnBW16Vector short16(65535);
  VnC24Vector colours4(4);
  VnImage<W> p16(5, 3), p16Wide(6, 3);
  VnImage<C> c(5, 3);
  const std::vector<Failure> rows{
      {"lut null table", 1400, {"ImgLut"}, [&](auto* s, auto*, auto*) { ImgLut(s, s, static_cast<VnBW8Vector*>(nullptr)); }},
      {"lut 255 entries", 1613, {"ImgLut"}, [&](auto* s, auto*, auto*) { ImgLut(s, s, &short8); }},
      {"lut sizes before the table", 1403, {"ImgLut"}, [&](auto* s, auto*, auto* w) { ImgLut(w, s, &short8); }},
      {"lut worker: no trace", 1420, {}, [&](auto*, auto* bad, auto*) { ImgLut(bad, bad, lut.GetDataPtr()); }},
      {"lut 16 bits", 1613, {"ImgLut (BW16)"}, [&](auto*, auto*, auto*) { ImgLut(&p16, &p16, &short16); }},
      {"lut 16 to 8, 300", 1613, {"ImgLut ( BW16 to BW8)"}, [&](auto* s, auto*, auto*) { ImgLut(&p16, s, &odd, 4294967295u); }},
      {"lut 16 to 8, shift 9", 1014, {"ImgLut ( BW16 to BW8)"}, [&](auto* s, auto*, auto*) { ImgLut(&p16, s, &lut, 9); }},
      {"lut 16 to 8, no wrap", 1014, {"ImgLut ( BW16 to BW8)"}, [&](auto* s, auto*, auto*) { ImgLut(&p16, s, &odd, 4294967290u); }},
      {"transform null function", 1400, {"ImgTransform"}, [&](auto* s, auto*, auto*) { ImgTransform(s, s, nullptr, 1); }},
      {"gain offset 16 sizes", 1403, {"ImgGainOffset (BW16)"}, [&](auto*, auto*, auto*) { ImgGainOffset(&p16Wide, &p16, 1.0f, 0.0f); }},
      {"normalize sizes", 1403, {"ImgNormalize"}, [&](auto* s, auto*, auto* w) { EXPECT_EQ(ImgNormalize(w, s, 1.0f, 1.0f), 1403); }},
      {"normalize invalid", 1420, {"ImgPixelVariance ( BW8)", "ImgPixelStdDev", "ImgNormalize"},
       [&](auto*, auto* bad, auto*) { EXPECT_EQ(ImgNormalize(bad, bad, 1.0f, 1.0f), 1420); }},
      {"equalize invalid", 1420, {"ImgHistogram", "ImgEqualize"}, [&](auto*, auto* bad, auto*) { ImgEqualize(bad, bad); }},
      {"equalize 16 sizes", 1403, {"ImgEqualize (BW16)"}, [&](auto*, auto*, auto*) { ImgEqualize(&p16Wide, &p16); }},
      {"uniformize vector length", 1613, {"ImgUniformize ( BW8 Single Vector)"},
       [&](auto* s, auto*, auto*) { ImgUniformize(s, G{9}, &row4, s, 1); }},
      {"uniformize colour vector", 1613, {"ImgUniformize ( C24 Single Vector)"},
       [&](auto*, auto*, auto*) { ImgUniformize(&c, C{}, &colours4, &c, 0); }},
      {"uniformize null vector", 1400, {"ImgUniformize ( BW8 Light/Dark Vectors)"},
       [&](auto* s, auto*, auto*) { ImgUniformize(s, G{9}, &row5, G{0}, nullptr, s); }},
      {"uniformize reference size", 1403, {"ImgUniformize ( BW8 Light/Dark Images)"},
       [&](auto* s, auto*, auto* w) { ImgUniformize(s, G{9}, s, G{0}, w, s); }},
  };
  for (const Failure& row : rows) {
    Rng rng(2);
    GuardedRoi<G> dst({5, 3, 2, 1, 9, 5}, rng), bad({5, 3, 7, 0, 10, 3}, rng), wide({6, 3, 0, 0, 6, 3}, rng);
    dst.Remember();
    row.call8(dst.roi(), bad.roi(), wide.roi());
    EXPECT_EQ(VnGetError(), row.code) << row.what;
    EXPECT_EQ(Trace(), row.trace) << row.what;
    EXPECT_TRUE(dst.Unchanged()) << row.what;
  }
}

}  // namespace
}  // namespace vnimg::test
