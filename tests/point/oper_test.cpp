// ImgOper: a harness (every gray and colour form over random operands at odd places in random
// parents against the rule table, at every vector level and with the variants off, the parent
// around the destination guarded), and small
// hand-made cases: the values each form accepts (1003 before any ROI is read, 32767 after the
// ROI checks), failed checks, and the rules at their edges.
#include <functional>
#include <set>

#include "point/point_support.h"

namespace vnimg::test {
namespace {

using R = std::int64_t;

// At every vector level and with the variants off, run(op, a, b, d) must leave
// rule(op, a, b, old d, k) in channel k of every destination pixel (a gray operand gives its
// value to every channel) and change nothing else.
template <class A, class B, class D, class Run, class Rule>
void CheckForm(const std::vector<int>& ops, Run run, Rule rule) {
  Rng rng(5);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (int op : ops)
      for (Placement p : RandomPlacements(rng, 7)) {
        if (p.width == 7) p.width = 191, p.parentWidth += 184;  // two or more vector loops, then the longest tails
        SCOPED_TRACE(::testing::Message() << "value " << op << " " << simd::LevelName(level) << " width " << p.width);
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
        ASSERT_TRUE(d.OutsideUnchanged() && a.Unchanged() && b.Unchanged());
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

const std::vector<int> kTwoImageOps = RuleValues({7, 8});
const std::vector<int> kConstFirstOps = RuleValues({7, 8, 16, 17, 18, 21, 22});
const std::vector<int> kImageConstOps = RuleValues({16, 17, 18});
template <class T>
R Rule(int op, R a, R b, R d, int) { return ExpectedRule(op, a, b, d, kMax<T>); }

TEST(OperHarness, TwoImagesOfOneType) {
  const auto call = [](Op op, auto* a, auto* b, auto* d) { ImgOper(op, a, b, d); };
  CheckForm<VnBW8, VnBW8, VnBW8>(kTwoImageOps, call, Rule<VnBW8>);
  CheckForm<VnBW16, VnBW16, VnBW16>(kTwoImageOps, call, Rule<VnBW16>);
  CheckForm<VnC24, VnC24, VnC24>(kTwoImageOps, call, Rule<VnC24>);
}

// Both constant forms with constant c (a colour constant's first byte serves the pixels'
// first bytes and so on).
template <class T>
void CheckConstant(T c) {
  CheckForm<T, T, T>(kConstFirstOps, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, c, a, d); },
                     [&](int op, R a, R, R d, int k) { return ExpectedRule(op, Channel(c, k), a, d, kMax<T>); });
  CheckForm<T, T, T>(kImageConstOps, [&](Op op, auto* a, auto*, auto* d) { ImgOper(op, a, c, d); },
                     [&](int op, R a, R, R d, int k) { return ExpectedRule(op, a, Channel(c, k), d, kMax<T>); });
}

// The constants reach division by zero, shifts by more than the pixel width and saturation.
TEST(OperHarness, ImageWithConstant) {
  for (int c : {0, 3, 200}) {
    SCOPED_TRACE(c);
    CheckConstant(VnBW8(c));
    CheckConstant(VnBW16(c * 200));
    CheckConstant(VnC24{VnBW8(c), VnBW8(c + 33), VnBW8(255 - c)});
  }
}

TEST(OperHarness, OneOperand) {
  const auto call = [](Op op, auto* a, auto*, auto* d) { ImgOper(op, a, d); };
  const auto copyOrInvert = [](R M) { return [M](int op, R a, R, R, int) { return op == Copy ? a : M - a; }; };
  CheckForm<VnBW16, VnBW16, VnBW16>({Copy, Invert}, call, copyOrInvert(65535));
  CheckForm<VnC24, VnC24, VnC24>({Copy, Invert}, call, copyOrInvert(255));  // as bytes, like VnBW8
  ImgSetOverlayColor({10, 20, 30});
  CheckForm<VnBW8, VnBW8, VnC24>({Copy, Invert, Overlay}, call, [](int op, R g, R, R d, int k) {
    return op == Overlay ? (g ? 10 * (k + 1) : d) : op == Copy ? g : 255 - g;
  });
}

TEST(OperHarness, MixedPixelTypes) {
  ImgSetOverlayColor({10, 20, 30});
  const auto call = [](Op op, auto* a, auto* b, auto* d) { ImgOper(op, a, b, d); };
  std::vector<int> withOverlay = kTwoImageOps;
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


using Values = std::set<int>;

Values Range(int first, int last, Values more = {}) {
  for (int v = first; v <= last; ++v) more.insert(v);
  return more;
}
const Values kAll = Range(-1, 40, {255, 1 << 30});

int g_srcWidth = 5;
template <class T>
VnImage<T> Src() {
  static Rng rng(17);
  VnImage<T> image(g_srcWidth, 3);
  FillRandomBytes(image, rng);
  return image;
}

struct Outcome {
  int code;
  std::vector<std::string> trace;
  bool unchanged;
};

// call(op, dst) on a 5x3 destination at column 3 of a 10x5 parent (a bit offset for bit
// images), or at column 7, partly outside its parent, when invalid; sources are 5x3 (6x3 in
// the mode that checks their size).
template <class D, class Call>
std::function<Outcome(Op, bool)> On(Call call) {
  return [call](Op op, bool invalid) {
    static Rng rng(18);
    GuardedRoi<D> dst({5, 3, invalid ? 7 : 3, 1, 10, 5}, rng);
    call(op, dst.roi());
    return Outcome{VnGetError(), Trace(), dst.Unchanged()};
  };
}

struct Form {
  const char* trace;
  Values accepted;
  Values rejected;  // empty: every value not accepted (nor in alsoPassing) is rejected
  std::function<Outcome(Op, bool)> run;
  Values alsoPassing = {};
  bool fill = false;  // no source
  bool Passes(int op) const { return rejected.empty() ? accepted.count(op) + alsoPassing.count(op) > 0 : !rejected.count(op); }
};

const Values kConstFirst = Range(2, 6, Range(9, 15, Range(23, 28, {19, 20, 33}))), kConstFirstNo = {7, 8, 16, 17, 18, 21, 22};
const Values kImageConst = Range(2, 15, Range(19, 28, {33})), kImageConstNo = {16, 17, 18};
const Values kTwo = Range(2, 6, Range(9, 28, {33})), kTwoNo = {7, 8}, kTwoOverlay = Range(2, 6, Range(9, 28, {33, 34}));

std::vector<Form> Forms() {
  using G = VnBW8;
  using W = VnBW16;
  using C = VnC24;
  using B = VnBW1;
  std::vector<Form> forms{
      {"ImgOper ( BW8 Const to Image)", {0}, {}, On<G>([](Op op, auto* d) { ImgOper(op, G{9}, d); }), {}, true},
      {"ImgOper ( BW8 Image to Image)", {0, 1}, {}, On<G>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, &s, d); })},
      {"ImgOper ( BW8 Image to C24 Image)", {0, 1, 34}, {}, On<C>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, &s, d); })},
      {"ImgOper ( BW8 Const, Image to Image)", kConstFirst, kConstFirstNo, On<G>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, G{9}, &s, d); })},
      {"ImgOper ( BW8 Image, Const to Image)", kImageConst, kImageConstNo, On<G>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, &s, G{9}, d); })},
      {"ImgOper ( BW8 Image, Image to Image)", kTwo, kTwoNo, On<G>([](Op op, auto* d) { auto a = Src<G>(), b = Src<G>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( BW8 Image and BW8 Image to BW16 Image)", {2, 3, 4, 5}, {}, On<W>([](Op op, auto* d) { auto a = Src<G>(), b = Src<G>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( BW16 Image and BW8 Image to BW16 IMage)", {2, 3, 4, 5, 29, 30}, {}, On<W>([](Op op, auto* d) { auto a = Src<W>(); auto b = Src<G>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( C24 Const to Image)", {0}, {}, On<C>([](Op op, auto* d) { ImgOper(op, C{1, 2, 3}, d); }), {}, true},
      {"ImgOper ( C24 Image to Image)", {0, 1}, {}, On<C>([](Op op, auto* d) { auto s = Src<C>(); ImgOper(op, &s, d); }), {34}},
      {"ImgOper ( C24 Const, Image to Image)", kConstFirst, kConstFirstNo, On<C>([](Op op, auto* d) { auto s = Src<C>(); ImgOper(op, C{9, 0, 200}, &s, d); })},
      {"ImgOper ( C24 Image, Const to Image)", kImageConst, kImageConstNo, On<C>([](Op op, auto* d) { auto s = Src<C>(); ImgOper(op, &s, C{9, 0, 200}, d); })},
      {"ImgOper ( C24 Image, Image to Image)", kTwoOverlay, kTwoNo, On<C>([](Op op, auto* d) { auto a = Src<C>(), b = Src<C>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( BW8 Image, C24 Image to C24 Image)", kTwoOverlay, kTwoNo, On<C>([](Op op, auto* d) { auto g = Src<G>(); auto c = Src<C>(); ImgOper(op, &g, &c, d); })},
      {"ImgOper ( C24 Image, BW8 Image to C24 Image)", kTwoOverlay, kTwoNo, On<C>([](Op op, auto* d) { auto c = Src<C>(); auto g = Src<G>(); ImgOper(op, &c, &g, d); })},
      {"ImgOper ( BW8 Image, BW8 Image to C24 Image)", {34}, {}, On<C>([](Op op, auto* d) { auto g = Src<G>(), m = Src<G>(); ImgOper(op, &g, &m, d); })},
      {"ImgOper ( BW16 Const to Image)", {0}, {}, On<W>([](Op op, auto* d) { ImgOper(op, W{9}, d); }), {}, true},
      {"ImgOper (BW16 Image to Image)", {0, 1}, {}, On<W>([](Op op, auto* d) { auto s = Src<W>(); ImgOper(op, &s, d); })},
      {"ImgOper ( BW16 Const, Image to Image)", kConstFirst, kConstFirstNo, On<W>([](Op op, auto* d) { auto s = Src<W>(); ImgOper(op, W{900}, &s, d); })},
      {"ImgOper ( BW16 Image, Const to Image)", kImageConst, kImageConstNo, On<W>([](Op op, auto* d) { auto s = Src<W>(); ImgOper(op, &s, W{900}, d); })},
      {"ImgOper ( BW16 Image, Image to Image)", kTwo, kTwoNo, On<W>([](Op op, auto* d) { auto a = Src<W>(), b = Src<W>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper (BW1)", {0}, {}, On<B>([](Op op, auto* d) { ImgOper(op, B(1), d); }), {}, true},
      {"ImgOper (BW1)", {0, 1}, {}, On<B>([](Op op, auto* d) { const auto s = Src<B>(); ImgOper(op, &s, d); })},
      {"ImgOper (BW1)", {13, 14, 15, 21, 22, 26}, {}, On<B>([](Op op, auto* d) { const auto a = Src<B>(), b = Src<B>(); ImgOper(op, &a, &b, d); })},
  };
  // ImgCopy takes no value: every value is accepted.
  const auto copy = [&forms](auto pixel, const char* image, const char* fill) {
    using T = decltype(pixel);
    forms.push_back({image, kAll, {}, On<T>([](Op, auto* d) { const auto s = Src<T>(); ImgCopy(&s, d); })});
    forms.push_back({fill, kAll, {}, On<T>([pixel](Op, auto* d) { ImgCopy(pixel, d); }), {}, true});
  };
  copy(G{3}, "ImgCopy ( BW8 Image to Image)", "ImgCopy ( BW8 Const to Image)");
  copy(W{3}, "ImgCopy (BW16 Image)", "ImgCopy (BW16 Const)");
  copy(VnBW32{3}, "ImgCopy (BW32 Image)", "ImgCopy (BW32 Const)");
  copy(VnC15{3}, "ImgCopy ( C15 Image)", "ImgCopy (C15 Const)");
  copy(VnC16{3}, "ImgCopy ( C16 Image)", "ImgCopy (C16 Const)");
  copy(C{3, 4, 5}, "ImgCopy ( C24 Image)", "ImgCopy (C24 Const)");
  copy(B(1), "ImgCopy(BW1)", "ImgCopy (BW1)");
  return forms;
}

// Modes: 0 valid operands; 1 the destination partly outside its parent (1420 from its
// validity check); 2 sources one pixel wider than the destination (1403 from the size check);
// 3 both (the validity of every operand is checked before any size).
TEST(OperTable, EveryFormAcceptsRejectsAndChecksInOrder) {
  for (const Form& form : Forms())
    for (int value : kAll)
      for (int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(::testing::Message() << form.trace << " value " << value << " mode " << mode);
        g_srcWidth = mode & 2 ? 6 : 5;
        const Outcome outcome = form.run(static_cast<Op>(value), mode & 1);
        const bool checksPass = mode == 0 || (mode == 2 && form.fill);
        if (checksPass && form.accepted.count(value)) {
          EXPECT_EQ(outcome.code, 0);
          EXPECT_TRUE(outcome.trace.empty());
          continue;
        }
        const int afterChecks = checksPass ? VN_ERR_NOT_IMPLEMENTED : mode & 1 ? VN_ERR_ROI_OUTSIDE_PARENT : VN_ERR_SIZE_MISMATCH;
        EXPECT_EQ(outcome.code, form.Passes(value) ? afterChecks : VN_ERR_UNSUPPORTED_OPERATION);
        EXPECT_EQ(outcome.trace, std::vector<std::string>{form.trace});
        EXPECT_TRUE(outcome.unchanged);
      }
  g_srcWidth = 5;
}

enum Kind { k8, k16, kWiden, kMixed };

// One row per rule at an edge, at the last pixel of a 40-pixel row (the vector loops' tail);
// 8- and 16-bit rows run through the image-constant form (a table or a vector rule).
TEST(OperTable, HandComputedEdges) {
  const struct { const char* name; Kind kind; Op op; int a, b, expected; } cases[] = {
      {"divide by zero", k8, Divide, 17, 0, 255},          {"divide by zero", k16, Divide, 17, 0, 65535},
      {"modulo by zero", k8, Modulo, 17, 0, 0},            {"scaled divide 100 / 200", k8, ScaledDivide, 100, 200, 128},
      {"scaled divide saturates", k8, ScaledDivide, 200, 100, 255}, {"scaled divide by 65536", k16, ScaledDivide, 1, 2, 32768},
      {"scaled subtract of equals", k8, ScaledSubtract, 90, 90, 127},
      {"multiply saturates", k16, Multiply, 2, 32768, 65535}, {"scaled multiply", k16, ScaledMultiply, 65535, 65535, 65534},
      {"scaled add rounds down", k8, ScaledAdd, 254, 255, 254}, {"shift left by 8", k8, ShiftLeft, 0x81, 8, 0},
      {"shift left by 33", k8, ShiftLeft, 0x81, 33, 2},    {"shift left by 33", k16, ShiftLeft, 0x8001, 33, 2},
      {"widened multiply", kWiden, Multiply, 250, 200, 50000},
      {"mixed add saturates", kMixed, Add, 65500, 200, 65535}, {"mixed wrapping add", kMixed, WrappingAdd, 65500, 200, 164},
      {"mixed wrapping subtract", kMixed, WrappingSubtract, 100, 150, 65486},
  };
  for (const auto& c : cases)
    for (simd::Level level : Levels()) {
      SCOPED_TRACE(::testing::Message() << c.name << " " << simd::LevelName(level));
      LevelSetting setting(level);
      VnImage<VnBW8> a8(40, 1), b8(40, 1), d8(40, 1);
      VnImage<VnBW16> a16(40, 1), d16(40, 1);
      ImgOper(Copy, VnBW8(c.a), &a8), ImgOper(Copy, VnBW8(c.b), &b8), ImgOper(Copy, VnBW16(c.a), &a16);
      if (c.kind == k8) ImgOper(c.op, &a8, VnBW8(c.b), &d8);
      if (c.kind == k16) ImgOper(c.op, &a16, VnBW16(c.b), &d16);
      if (c.kind == kWiden) ImgOper(c.op, &a8, &b8, &d16);
      if (c.kind == kMixed) ImgOper(c.op, &a16, &b8, &d16);
      EXPECT_EQ(c.kind == k8 ? d8.GetPixel(39, 0) : d16.GetPixel(39, 0), c.expected);
      EXPECT_EQ(VnGetError(), 0);
    }
}

TEST(OperTable, ColourOverlayTreatsOnlyBlackAsTransparent) {
  VnImage<VnC24> a(3, 1), b(3, 1), d(3, 1);
  ImgOper(Copy, VnC24{5, 5, 5}, &a);
  b.SetPixel({0, 0, 1}, 1, 0), b.SetPixel({255, 0, 0}, 2, 0);
  ImgOper(Overlay, &a, &b, &d);
  EXPECT_EQ(std::vector<VnC24>({d.GetPixel(0, 0), d.GetPixel(1, 0), d.GetPixel(2, 0)}),
            std::vector<VnC24>({{5, 5, 5}, {0, 0, 1}, {255, 0, 0}}));
}

}  // namespace
}  // namespace vnimg::test
