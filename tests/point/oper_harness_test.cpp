// Differential harnesses of ImgOper: every vector row against its plain loop, and every gray
// and colour form over random operands at odd places in random parents, against the rule
// table, with the vector variants off and on and the parent around the destination guarded.
#include "foundation/frame.h"
#include "point/oper_rows.h"
#include "point/point_support.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using R = std::int64_t;

template <class T, class Fn>
void RowsMatchPlain(const simd::Variants<Fn>& variants, unsigned seed) {
  struct In {
    VnImage<T> a, b;
  };
  ExpectVariantsMatchPlain<T>(
      variants,
      [](const Placement& p, Rng& rng) {
        In in{VnImage<T>(p.width, p.height), VnImage<T>(p.width, p.height)};
        EdgeFill<T>(in.a, rng);
        EdgeFill<T>(in.b, rng, &in.a);
        return in;
      },
      [](Fn fn, const In& in, VnROI<T>* dst) {
        frame::ForEachRow(in.a, in.b, *dst, [&](const T* a, const T* b, T* d, int w) { fn(a, b, d, std::size_t(w)); });
      },
      24, seed);
}

TEST(OperHarness, VectorRowsMatchThePlainLoop) {
  int vectorised = 0;
  for (int op = 0; op < point::kOperCount; ++op) {
    SCOPED_TRACE(op);
    if (point::ByteRowVariants(op).plain) RowsMatchPlain<VnBW8>(point::ByteRowVariants(op), op);
    if (point::WordRowVariants(op).plain) RowsMatchPlain<VnBW16>(point::WordRowVariants(op), op);
    if (point::BitRowVariants(op).plain) RowsMatchPlain<VnBW8>(point::BitRowVariants(op), op);
    vectorised += !VectorVariants(point::ByteRowVariants(op)).empty();
  }
  if (VNIMG_X86) EXPECT_EQ(vectorised, 23);  // all but divide, modulo, scaled divide and the shifts
}

TEST(OperHarness, TableRowsMatchThePlainLoop) {
  Rng rng(2);
  std::vector<std::uint8_t> table(256);
  for (auto& entry : table) entry = static_cast<std::uint8_t>(rng());
  ExpectVariantsMatchPlain<VnBW8>(
      point::TableRowVariants(),
      [](const Placement& p, Rng& r) {
        VnImage<VnBW8> x(p.width, p.height);
        FillRandomBytes(x, r);
        return x;
      },
      [&](point::TableRowFn fn, const VnImage<VnBW8>& x, VnROI<VnBW8>* dst) {
        frame::ForEachRow(x, *dst, [&](const VnBW8* s, VnBW8* d, int w) { fn(table.data(), s, d, std::size_t(w)); });
      });
}

// run(op, a, b, d) must leave rule(op, a, b, old d, k) in channel k of every destination pixel
// (a gray operand gives its value to every channel) and change nothing else.
template <class A, class B, class D, class Run, class Rule>
void CheckForm(const std::vector<int>& ops, Run run, Rule rule) {
  Rng rng(5);
  for (int mmx : {0, 1}) {
    MmxSetting setting(mmx);
    for (int op : ops)
      for (Placement p : RandomPlacements(rng, 7)) {
        if (p.width == 7) p.width = 70, p.parentWidth += 63;  // one row long enough for the vector loops
        SCOPED_TRACE(::testing::Message() << "value " << op << " mmx " << mmx << " width " << p.width);
        Placement q = p;
        q.orgX = (p.orgX + 3) % 8, q.parentWidth = q.orgX + p.width + 1;
        GuardedRoi<A> a(p, rng);
        GuardedRoi<B> b(q, rng);
        GuardedRoi<D> d(p, rng);
        EdgeFill(*a.roi(), rng);
        if constexpr (std::is_same_v<A, B>) EdgeFill(*b.roi(), rng, a.roi());
        else EdgeFill(*b.roi(), rng);
        EdgeFill(*d.roi(), rng);
        a.Remember(), b.Remember(), d.Remember();
        std::vector<D> old;
        for (int y = 0; y < p.height; ++y)
          for (int x = 0; x < p.width; ++x) old.push_back(d.roi()->GetPixel(x, y));
        run(static_cast<Op>(op), a.roi(), b.roi(), d.roi());
        ASSERT_EQ(VnGetError(), 0);
        ASSERT_TRUE(d.OutsideUnchanged());
        ASSERT_TRUE(a.Unchanged() && b.Unchanged());
        for (int y = 0; y < p.height; ++y)
          for (int x = 0; x < p.width; ++x)
            for (int k = 0; k < kChannels<D>; ++k) {
              const R va = Channel(a.roi()->GetPixel(x, y), k % kChannels<A>);
              const R vb = Channel(b.roi()->GetPixel(x, y), k % kChannels<B>);
              ASSERT_EQ(Channel(d.roi()->GetPixel(x, y), k), rule(op, va, vb, Channel(old[y * p.width + x], k), k))
                  << "at " << x << "," << y << " channel " << k << " a " << va << " b " << vb;
            }
      }
  }
}

const std::vector<int> kTwoImages = RuleValues({7, 8});
const std::vector<int> kConstFirst = RuleValues({7, 8, 16, 17, 18, 21, 22});
const std::vector<int> kImageConst = RuleValues({16, 17, 18});
template <class T>
R Rule(int op, R a, R b, R d, int) { return ExpectedRule(op, a, b, d, kMax<T>); }

TEST(OperHarness, TwoImagesOfOneType) {
  const auto call = [](Op op, auto* a, auto* b, auto* d) { ImgOper(op, a, b, d); };
  CheckForm<VnBW8, VnBW8, VnBW8>(kTwoImages, call, Rule<VnBW8>);
  CheckForm<VnBW16, VnBW16, VnBW16>(kTwoImages, call, Rule<VnBW16>);
  CheckForm<VnC24, VnC24, VnC24>(kTwoImages, call, Rule<VnC24>);
  // In place on the first operand: each pixel is read before it is written.
  CheckForm<VnBW8, VnBW8, VnBW8>(kTwoImages, [](Op op, auto*, auto* b, auto* d) { ImgOper(op, d, b, d); },
                                 [](int op, R, R b, R d, int k) { return Rule<VnBW8>(op, d, b, d, k); });
}

// The constants reach division by zero, shifts by more than the pixel width and saturation;
// a colour constant's first byte serves the pixels' first bytes and so on.
TEST(OperHarness, ImageWithConstant) {
  for (int c : {0, 3, 200}) {
    SCOPED_TRACE(c);
    const auto c8 = VnBW8(c);
    const auto c16 = VnBW16(c * 200);
    const VnC24 c24{VnBW8(c), VnBW8(c + 33), VnBW8(255 - c)};
    const auto channel = [&](int k) { return Channel(c24, k); };
    CheckForm<VnBW8, VnBW8, VnBW8>(kConstFirst, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, c8, a, d); },
                                   [&](int op, R a, R, R d, int) { return ExpectedRule(op, c8, a, d, 255); });
    CheckForm<VnBW8, VnBW8, VnBW8>(kImageConst, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, a, c8, d); },
                                   [&](int op, R a, R, R d, int) { return ExpectedRule(op, a, c8, d, 255); });
    CheckForm<VnBW16, VnBW16, VnBW16>(kConstFirst, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, c16, a, d); },
                                      [&](int op, R a, R, R d, int) { return ExpectedRule(op, c16, a, d, 65535); });
    CheckForm<VnBW16, VnBW16, VnBW16>(kImageConst, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, a, c16, d); },
                                      [&](int op, R a, R, R d, int) { return ExpectedRule(op, a, c16, d, 65535); });
    CheckForm<VnC24, VnC24, VnC24>(kConstFirst, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, c24, a, d); },
                                   [&](int op, R a, R, R d, int k) { return ExpectedRule(op, channel(k), a, d, 255); });
    CheckForm<VnC24, VnC24, VnC24>(kImageConst, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, a, c24, d); },
                                   [&](int op, R a, R, R d, int k) { return ExpectedRule(op, a, channel(k), d, 255); });
  }
}

TEST(OperHarness, OneOperandAndFill) {
  const auto call = [](Op op, auto* a, auto*, auto* d) { ImgOper(op, a, d); };
  const auto copyOrInvert = [](R M) { return [M](int op, R a, R, R, int) { return op == Copy ? a : M - a; }; };
  CheckForm<VnBW8, VnBW8, VnBW8>({Copy, Invert}, call, copyOrInvert(255));
  CheckForm<VnBW16, VnBW16, VnBW16>({Copy, Invert}, call, copyOrInvert(65535));
  CheckForm<VnC24, VnC24, VnC24>({Copy, Invert}, call, copyOrInvert(255));
  ImgSetOverlayColor({10, 20, 30});
  CheckForm<VnBW8, VnBW8, VnC24>({Copy, Invert, Overlay}, call, [](int op, R g, R, R d, int k) {
    return op == Overlay ? (g ? 10 * (k + 1) : d) : op == Copy ? g : 255 - g;
  });
  const auto fill = [](Op op, auto*, auto*, auto* d) { ImgOper(op, decltype(d->GetPixel(0, 0)){7}, d); };
  CheckForm<VnBW8, VnBW8, VnBW8>({Copy}, fill, [](int, R, R, R, int) { return R{7}; });
  CheckForm<VnBW16, VnBW16, VnBW16>({Copy}, fill, [](int, R, R, R, int) { return R{7}; });
  CheckForm<VnC24, VnC24, VnC24>({Copy}, fill, [](int, R, R, R, int k) { return R{k == 0 ? 7 : 0}; });
}

TEST(OperHarness, MixedPixelTypes) {
  ImgSetOverlayColor({10, 20, 30});
  const auto call = [](Op op, auto* a, auto* b, auto* d) { ImgOper(op, a, b, d); };
  std::vector<int> withOverlay = kTwoImages;
  withOverlay.push_back(Overlay);
  CheckForm<VnBW8, VnC24, VnC24>(withOverlay, call, [](int op, R g, R c, R d, int k) {
    return op == Overlay ? (g ? 10 * (k + 1) : c) : ExpectedRule(op, g, c, d, 255);
  });
  CheckForm<VnC24, VnBW8, VnC24>(withOverlay, call, [](int op, R c, R g, R d, int k) {
    return op == Overlay ? (g ? 10 * (k + 1) : c) : ExpectedRule(op, c, g, d, 255);
  });
  CheckForm<VnBW8, VnBW8, VnC24>({Overlay}, call, [](int, R g, R m, R, int k) { return m ? 10 * (k + 1) : g; });
  // Widened to 16 bits: no saturation, a zero divisor gives 65535.
  CheckForm<VnBW8, VnBW8, VnBW16>({Add, Subtract, Multiply, Divide}, call, Rule<VnBW16>);
  CheckForm<VnBW16, VnBW8, VnBW16>({Add, Subtract, Multiply, Divide, WrappingAdd, WrappingSubtract}, call,
                                   [](int op, R a, R b, R d, int k) {
                                     if (op == WrappingAdd) return (a + b) & 0xFFFF;
                                     return op == WrappingSubtract ? (a - b) & 0xFFFF : Rule<VnBW16>(op, a, b, d, k);
                                   });
}

}  // namespace
}  // namespace vnimg::test
