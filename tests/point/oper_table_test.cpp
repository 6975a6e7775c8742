// ImgOper on small hand-made cases: which values each form accepts (1003 before any ROI is
// read, 32767 after the ROI checks), failed checks, and the rules at their edges.
#include <functional>
#include <set>

#include "point/point_support.h"

namespace vnimg::test {
namespace {

using Values = std::set<int>;

Values Range(int first, int last, Values more = {}) {
  for (int v = first; v <= last; ++v) more.insert(v);
  return more;
}

template <class T>
VnImage<T> Src() {
  static Rng rng(17);
  VnImage<T> image(5, 3);
  FillRandomBytes(image, rng);
  return image;
}

struct Outcome {
  int code;
  std::vector<std::string> trace;
  bool unchanged;
};

// call(op, dst) on a 5x3 destination at column 3 of a 10x5 parent (a bit offset for bit
// images), or at column 7, partly outside its parent, when invalid.
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
  return {
      {"ImgOper ( BW8 Const to Image)", {0}, {}, On<G>([](Op op, auto* d) { ImgOper(op, G{9}, d); })},
      {"ImgOper ( BW8 Image to Image)", {0, 1}, {}, On<G>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, &s, d); })},
      {"ImgOper ( BW8 Image to C24 Image)", {0, 1, 34}, {}, On<C>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, &s, d); })},
      {"ImgOper ( BW8 Const, Image to Image)", kConstFirst, kConstFirstNo, On<G>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, G{9}, &s, d); })},
      {"ImgOper ( BW8 Image, Const to Image)", kImageConst, kImageConstNo, On<G>([](Op op, auto* d) { auto s = Src<G>(); ImgOper(op, &s, G{9}, d); })},
      {"ImgOper ( BW8 Image, Image to Image)", kTwo, kTwoNo, On<G>([](Op op, auto* d) { auto a = Src<G>(), b = Src<G>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( BW8 Image and BW8 Image to BW16 Image)", {2, 3, 4, 5}, {}, On<W>([](Op op, auto* d) { auto a = Src<G>(), b = Src<G>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( BW16 Image and BW8 Image to BW16 IMage)", {2, 3, 4, 5, 29, 30}, {}, On<W>([](Op op, auto* d) { auto a = Src<W>(); auto b = Src<G>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( C24 Const to Image)", {0}, {}, On<C>([](Op op, auto* d) { ImgOper(op, C{1, 2, 3}, d); })},
      {"ImgOper ( C24 Image to Image)", {0, 1}, {}, On<C>([](Op op, auto* d) { auto s = Src<C>(); ImgOper(op, &s, d); }), {34}},
      {"ImgOper ( C24 Const, Image to Image)", kConstFirst, kConstFirstNo, On<C>([](Op op, auto* d) { auto s = Src<C>(); ImgOper(op, C{9, 0, 200}, &s, d); })},
      {"ImgOper ( C24 Image, Const to Image)", kImageConst, kImageConstNo, On<C>([](Op op, auto* d) { auto s = Src<C>(); ImgOper(op, &s, C{9, 0, 200}, d); })},
      {"ImgOper ( C24 Image, Image to Image)", kTwoOverlay, kTwoNo, On<C>([](Op op, auto* d) { auto a = Src<C>(), b = Src<C>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper ( BW8 Image, C24 Image to C24 Image)", kTwoOverlay, kTwoNo, On<C>([](Op op, auto* d) { auto g = Src<G>(); auto c = Src<C>(); ImgOper(op, &g, &c, d); })},
      {"ImgOper ( C24 Image, BW8 Image to C24 Image)", kTwoOverlay, kTwoNo, On<C>([](Op op, auto* d) { auto c = Src<C>(); auto g = Src<G>(); ImgOper(op, &c, &g, d); })},
      {"ImgOper ( BW8 Image, BW8 Image to C24 Image)", {34}, {}, On<C>([](Op op, auto* d) { auto g = Src<G>(), m = Src<G>(); ImgOper(op, &g, &m, d); })},
      {"ImgOper ( BW16 Const to Image)", {0}, {}, On<W>([](Op op, auto* d) { ImgOper(op, W{9}, d); })},
      {"ImgOper (BW16 Image to Image)", {0, 1}, {}, On<W>([](Op op, auto* d) { auto s = Src<W>(); ImgOper(op, &s, d); })},
      {"ImgOper ( BW16 Const, Image to Image)", kConstFirst, kConstFirstNo, On<W>([](Op op, auto* d) { auto s = Src<W>(); ImgOper(op, W{900}, &s, d); })},
      {"ImgOper ( BW16 Image, Const to Image)", kImageConst, kImageConstNo, On<W>([](Op op, auto* d) { auto s = Src<W>(); ImgOper(op, &s, W{900}, d); })},
      {"ImgOper ( BW16 Image, Image to Image)", kTwo, kTwoNo, On<W>([](Op op, auto* d) { auto a = Src<W>(), b = Src<W>(); ImgOper(op, &a, &b, d); })},
      {"ImgOper (BW1)", {0}, {}, On<B>([](Op op, auto* d) { ImgOper(op, B(1), d); })},
      {"ImgOper (BW1)", {0, 1}, {}, On<B>([](Op op, auto* d) { const auto s = Src<B>(); ImgOper(op, &s, d); })},
      {"ImgOper (BW1)", {13, 14, 15, 21, 22, 26}, {}, On<B>([](Op op, auto* d) { const auto a = Src<B>(), b = Src<B>(); ImgOper(op, &a, &b, d); })},
  };
}

TEST(OperTable, EveryFormAcceptsRejectsAndChecksInOrder) {
  for (const Form& form : Forms())
    for (int value : Range(-1, 40, {255, 1 << 30}))
      for (bool invalid : {false, true}) {
        SCOPED_TRACE(::testing::Message() << form.trace << " value " << value << (invalid ? " invalid" : ""));
        const Outcome outcome = form.run(static_cast<Op>(value), invalid);
        if (!invalid && form.accepted.count(value)) {
          EXPECT_EQ(outcome.code, 0);
          EXPECT_TRUE(outcome.trace.empty());
          continue;
        }
        const int afterChecks = invalid ? VN_ERR_ROI_OUTSIDE_PARENT : VN_ERR_NOT_IMPLEMENTED;
        EXPECT_EQ(outcome.code, form.Passes(value) ? afterChecks : VN_ERR_UNSUPPORTED_OPERATION);
        EXPECT_EQ(outcome.trace, std::vector<std::string>{form.trace});
        EXPECT_TRUE(outcome.unchanged);
      }
}

TEST(OperTable, FailedChecksWriteNothing) {
  VnImage<VnBW8> g(5, 3), wide(6, 3), empty;
  VnImage<VnBW16> w(5, 3);
  VnImage<VnC24> c(5, 3);
  const VnROI<VnBW8>* none = nullptr;
  const struct {
    std::function<void(VnROI<VnBW16>*, VnROI<VnC24>*)> call;
    int code;
    const char* trace;
  } cases[] = {
      {[&](auto* d, auto*) { ImgOper(Add, &g, &wide, d); }, VN_ERR_SIZE_MISMATCH, "ImgOper ( BW8 Image and BW8 Image to BW16 Image)"},
      {[&](auto* d, auto*) { ImgOper(Add, &w, &empty, d); }, VN_ERR_NULL_ROI, "ImgOper ( BW16 Image and BW8 Image to BW16 IMage)"},
      {[&](auto*, auto* d) { ImgOper(Overlay, &g, static_cast<VnROI<VnBW8>*>(nullptr), d); }, VN_ERR_NULL_ROI, "ImgOper ( BW8 Image, BW8 Image to C24 Image)"},
      {[&](auto*, auto* d) { ImgOper(Add, &c, &wide, d); }, VN_ERR_SIZE_MISMATCH, "ImgOper ( C24 Image, BW8 Image to C24 Image)"},
      {[&](auto*, auto* d) { ImgOper(Copy, &empty, d); }, VN_ERR_NULL_ROI, "ImgOper ( BW8 Image to C24 Image)"},
      {[&](auto*, auto*) { ImgOper(Add, &g, none, &g); }, VN_ERR_NULL_ROI, "ImgOper ( BW8 Image, Image to Image)"},
      {[&](auto*, auto*) { ImgOper(Add, VnBW8{1}, &g, static_cast<VnROI<VnBW8>*>(nullptr)); }, VN_ERR_NULL_ROI, "ImgOper ( BW8 Const, Image to Image)"},
      {[&](auto*, auto*) { ImgOper(Add, &wide, &g, &g); }, VN_ERR_SIZE_MISMATCH, "ImgOper ( BW8 Image, Image to Image)"},
  };
  Rng rng(8);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    GuardedRoi<VnBW16> d16({5, 3, 1, 1, 8, 5}, rng);
    GuardedRoi<VnC24> d24({5, 3, 2, 1, 8, 5}, rng);
    c.call(d16.roi(), d24.roi());
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(Trace(), std::vector<std::string>{c.trace});
    EXPECT_TRUE(d16.Unchanged() && d24.Unchanged());
  }
}

enum Kind { k8, k16, kWiden, kMixed };

// One row per rule at an edge; 8- and 16-bit rows run through the two-image form (but for
// the shifts) and the image-constant form, at the last pixel of a 40-pixel row.
TEST(OperTable, HandComputedEdges) {
  const struct {
    const char* name;
    Kind kind;
    Op op;
    int a, b, expected;
  } cases[] = {
      {"divide by zero", k8, Divide, 17, 0, 255},          {"divide by zero", k16, Divide, 17, 0, 65535},
      {"modulo by zero", k8, Modulo, 17, 0, 0},            {"scaled divide 100 / 200", k8, ScaledDivide, 100, 200, 128},
      {"scaled divide saturates", k8, ScaledDivide, 200, 100, 255}, {"scaled divide by 65536", k16, ScaledDivide, 1, 2, 32768},
      {"scaled subtract of equals", k8, ScaledSubtract, 90, 90, 127}, {"scaled subtract of equals", k16, ScaledSubtract, 9, 9, 32767},
      {"add saturates", k8, Add, 250, 10, 255},            {"add saturates", k16, Add, 65530, 10, 65535},
      {"subtract saturates", k8, Subtract, 5, 10, 0},      {"multiply saturates", k8, Multiply, 16, 16, 255},
      {"multiply saturates", k16, Multiply, 2, 32768, 65535}, {"multiply at the maximum", k16, Multiply, 255, 257, 65535},
      {"scaled multiply", k8, ScaledMultiply, 255, 255, 254}, {"scaled multiply", k16, ScaledMultiply, 65535, 65535, 65534},
      {"scaled add rounds down", k8, ScaledAdd, 254, 255, 254}, {"scaled add rounds down", k16, ScaledAdd, 65534, 65535, 65534},
      {"compare", k8, Compare, 3, 250, 247},               {"shift left by 8", k8, ShiftLeft, 0x81, 8, 0},
      {"shift left by 33", k8, ShiftLeft, 0x81, 33, 2},    {"shift right by 39", k8, ShiftRight, 0x81, 39, 1},
      {"shift left by 33", k16, ShiftLeft, 0x8001, 33, 2}, {"greater or equal, image first", k8, GreaterOrEqual, 10, 100, 0},
      {"widened add", kWiden, Add, 250, 200, 450},         {"widened multiply", kWiden, Multiply, 250, 200, 50000},
      {"widened divide by zero", kWiden, Divide, 3, 0, 65535}, {"widened subtract", kWiden, Subtract, 5, 10, 0},
      {"mixed add saturates", kMixed, Add, 65500, 200, 65535}, {"mixed wrapping add", kMixed, WrappingAdd, 65500, 200, 164},
      {"mixed wrapping subtract", kMixed, WrappingSubtract, 100, 150, 65486}, {"mixed multiply", kMixed, Multiply, 65500, 2, 65535},
  };
  for (const auto& c : cases)
    for (int mmx : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << c.name << " mmx " << mmx);
      MmxSetting setting(mmx);
      VnImage<VnBW8> a8(40, 1), b8(40, 1), d8(40, 1);
      VnImage<VnBW16> a16(40, 1), b16(40, 1), d16(40, 1);
      ImgOper(Copy, VnBW8(c.a), &a8), ImgOper(Copy, VnBW8(c.b), &b8);
      ImgOper(Copy, VnBW16(c.a), &a16), ImgOper(Copy, VnBW16(c.b), &b16);
      const bool shift = c.op == ShiftLeft || c.op == ShiftRight;
      std::vector<int> results;
      if (c.kind == k8 && !shift) ImgOper(c.op, &a8, &b8, &d8), results.push_back(d8.GetPixel(39, 0));
      if (c.kind == k8) ImgOper(c.op, &a8, VnBW8(c.b), &d8), results.push_back(d8.GetPixel(39, 0));
      if (c.kind == k16 && !shift) ImgOper(c.op, &a16, &b16, &d16), results.push_back(d16.GetPixel(39, 0));
      if (c.kind == k16) ImgOper(c.op, &a16, VnBW16(c.b), &d16), results.push_back(d16.GetPixel(39, 0));
      if (c.kind == kWiden) ImgOper(c.op, &a8, &b8, &d16), results.push_back(d16.GetPixel(39, 0));
      if (c.kind == kMixed) ImgOper(c.op, &a16, &b8, &d16), results.push_back(d16.GetPixel(39, 0));
      for (int r : results) EXPECT_EQ(r, c.expected);
      EXPECT_EQ(VnGetError(), 0);
    }
}

TEST(OperTable, ColourOverlayTreatsOnlyBlackAsTransparent) {
  VnImage<VnC24> a(3, 1), b(3, 1), d(3, 1);
  ImgOper(Copy, VnC24{5, 5, 5}, &a);
  b.SetPixel({0, 0, 1}, 1, 0);
  b.SetPixel({255, 0, 0}, 2, 0);
  ImgOper(Overlay, &a, &b, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{5, 5, 5}));
  EXPECT_EQ(d.GetPixel(1, 0), (VnC24{0, 0, 1}));
  EXPECT_EQ(d.GetPixel(2, 0), (VnC24{255, 0, 0}));
}

}  // namespace
}  // namespace vnimg::test
