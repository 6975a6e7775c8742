// The rules of ImgOper against an independent statement of the table, through every gray and
// colour form, with the vector variants on and off.
#include "point/point_support.h"

namespace vnimg::test {
namespace {

using Op = ARITH_LOGIC_OPERATIONS;

struct MmxSetting {
  explicit MmxSetting(int on) : previous(VnGetMMX()) { VnSetMMX(on); }
  ~MmxSetting() { VnSetMMX(previous); }
  int previous;
};

template <class T>
constexpr std::int64_t kMax = std::numeric_limits<T>::max();

// Runs form(op, a, b, dst) for every value with a rule and compares each pixel with
// expected(op, a, b, old d); a and b are edge-rich images, dst starts random.
template <class T, class Form, class Expected>
void CheckRules(const std::vector<int>& ops, Form form, Expected expected) {
  Rng rng(3);
  for (int mmx : {0, 1}) {
    MmxSetting setting(mmx);
    for (int op : ops) {
      SCOPED_TRACE(::testing::Message() << "value " << op << " mmx " << mmx);
      VnImage<T> a = EdgeImage<T>(37, 5, rng);
      VnImage<T> b = EdgeImage<T>(37, 5, rng, &a);
      const VnImage<T> before = EdgeImage<T>(37, 5, rng);
      VnImage<T> dst = before;
      form(static_cast<Op>(op), a, b, dst);
      ASSERT_EQ(VnGetError(), 0);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
          ASSERT_EQ(dst.GetPixel(x, y), expected(op, a.GetPixel(x, y), b.GetPixel(x, y), before.GetPixel(x, y)))
              << "at " << x << "," << y << " a " << +a.GetPixel(x, y) << " b " << +b.GetPixel(x, y);
    }
  }
}

std::vector<int> Values(std::initializer_list<int> excluded) {
  std::vector<int> ops;
  for (int op = 0; op <= 34; ++op)
    if (HasRule(op) && std::find(excluded.begin(), excluded.end(), op) == excluded.end()) ops.push_back(op);
  return ops;
}
const std::vector<int> kTwoImage = Values({7, 8});
const std::vector<int> kConstFirst = Values({7, 8, 16, 17, 18, 21, 22});
const std::vector<int> kImageConst = Values({16, 17, 18});

template <class T>
auto Rule() {
  return [](int op, T a, T b, T d) { return static_cast<T>(ExpectedRule(op, a, b, d, kMax<T>)); };
}

TEST(OperRules, TwoImages) {
  CheckRules<VnBW8>(kTwoImage, [](Op op, auto& a, auto& b, auto& d) { ImgOper(op, &a, &b, &d); }, Rule<VnBW8>());
  CheckRules<VnBW16>(kTwoImage, [](Op op, auto& a, auto& b, auto& d) { ImgOper(op, &a, &b, &d); }, Rule<VnBW16>());
}

// The constant is b's pixel (0, 0); every value of the table is met across the values.
TEST(OperRules, ConstantFirst) {
  for (int c : {0, 1, 7, 128, 255}) {
    SCOPED_TRACE(c);
    const auto c8 = static_cast<VnBW8>(c);
    CheckRules<VnBW8>(kConstFirst, [&](Op op, auto& a, auto&, auto& d) { ImgOper(op, c8, &a, &d); },
                      [&](int op, VnBW8 a, VnBW8, VnBW8 d) { return Rule<VnBW8>()(op, c8, a, d); });
    const auto c16 = static_cast<VnBW16>(c * 257);
    CheckRules<VnBW16>(kConstFirst, [&](Op op, auto& a, auto&, auto& d) { ImgOper(op, c16, &a, &d); },
                       [&](int op, VnBW16 a, VnBW16, VnBW16 d) { return Rule<VnBW16>()(op, c16, a, d); });
  }
}

TEST(OperRules, ImageConstant) {
  for (int c : {0, 1, 8, 33, 128, 255}) {
    SCOPED_TRACE(c);
    const auto c8 = static_cast<VnBW8>(c);
    CheckRules<VnBW8>(kImageConst, [&](Op op, auto& a, auto&, auto& d) { ImgOper(op, &a, c8, &d); },
                      [&](int op, VnBW8 a, VnBW8, VnBW8 d) { return Rule<VnBW8>()(op, a, c8, d); });
    const auto c16 = static_cast<VnBW16>(c == 255 ? 65535 : c);
    CheckRules<VnBW16>(kImageConst, [&](Op op, auto& a, auto&, auto& d) { ImgOper(op, &a, c16, &d); },
                       [&](int op, VnBW16 a, VnBW16, VnBW16 d) { return Rule<VnBW16>()(op, a, c16, d); });
  }
}

TEST(OperRules, InPlaceOnTheFirstOperand) {
  CheckRules<VnBW8>(kTwoImage, [](Op op, auto& a, auto& b, auto& d) {
    d = a;
    ImgOper(op, &d, &b, &d);
  }, [](int op, VnBW8 a, VnBW8 b, VnBW8) { return Rule<VnBW8>()(op, a, b, a); });
  CheckRules<VnBW16>(kImageConst, [](Op op, auto& a, auto&, auto& d) {
    d = a;
    ImgOper(op, &d, VnBW16{300}, &d);
  }, [](int op, VnBW16 a, VnBW16, VnBW16) { return Rule<VnBW16>()(op, a, 300, a); });
}

std::uint8_t Channel(VnC24 c, int k) { return k == 0 ? c.c0 : k == 1 ? c.c1 : c.c2; }

// VnC24 forms work channel by channel with the 8-bit rules, the constant's first byte serving
// the pixels' first bytes and so on.
TEST(OperRules, ColourChannelByChannel) {
  Rng rng(4);
  const VnC24 c{0, 9, 255};
  const auto inSet = [](const std::vector<int>& set, int op) { return std::find(set.begin(), set.end(), op) != set.end(); };
  for (int op : Values({})) {
    SCOPED_TRACE(op);
    VnImage<VnC24> a(13, 3), b(13, 3), before(13, 3);
    for (auto* image : {&a, &b, &before}) FillRandomBytes(*image, rng);
    VnImage<VnC24> imageConst = before, constFirst = before, twoImages = before;
    if (inSet(kImageConst, op)) ImgOper(static_cast<Op>(op), &a, c, &imageConst);
    if (inSet(kConstFirst, op)) ImgOper(static_cast<Op>(op), c, &a, &constFirst);
    if (inSet(kTwoImage, op)) ImgOper(static_cast<Op>(op), &a, &b, &twoImages);
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 13; ++x)
        for (int k = 0; k < 3; ++k) {
          const int pa = Channel(a.GetPixel(x, y), k), pb = Channel(b.GetPixel(x, y), k);
          const int pc = Channel(c, k), old = Channel(before.GetPixel(x, y), k);
          if (inSet(kImageConst, op)) {
            ASSERT_EQ(Channel(imageConst.GetPixel(x, y), k), ExpectedRule(op, pa, pc, old, 255));
          }
          if (inSet(kConstFirst, op)) {
            ASSERT_EQ(Channel(constFirst.GetPixel(x, y), k), ExpectedRule(op, pc, pa, old, 255));
          }
          if (inSet(kTwoImage, op)) {
            ASSERT_EQ(Channel(twoImages.GetPixel(x, y), k), ExpectedRule(op, pa, pb, old, 255));
          }
        }
  }
}

// Hand-computed cases of the table.
TEST(OperRules, HandComputedCases) {
  struct Case {
    const char* name;
    Op op;
    VnBW8 a, b, expected;
  };
  const Case cases[] = {
      {"divide by zero", Divide, 17, 0, 255},       {"modulo by zero", Modulo, 17, 0, 0},
      {"scaled divide 100 / 200", ScaledDivide, 100, 200, 128},
      {"scaled divide saturates", ScaledDivide, 200, 100, 255},
      {"scaled subtract of equals", ScaledSubtract, 90, 90, 127},
      {"add saturates", Add, 250, 10, 255},         {"subtract saturates", Subtract, 5, 10, 0},
      {"multiply saturates", Multiply, 16, 16, 255}, {"scaled multiply", ScaledMultiply, 255, 255, 254},
      {"scaled add rounds down", ScaledAdd, 254, 255, 254}, {"compare", Compare, 3, 250, 247},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int mmx : {0, 1}) {
      MmxSetting setting(mmx);
      VnImage<VnBW8> a(40, 1), b(40, 1), d(40, 1);
      ImgOper(Copy, c.a, &a);
      ImgOper(Copy, c.b, &b);
      ImgOper(c.op, &a, &b, &d);
      EXPECT_EQ(d.GetPixel(39, 0), c.expected);
      ImgOper(c.op, &a, c.b, &d);
      EXPECT_EQ(d.GetPixel(39, 0), c.expected);
    }
  }
}

TEST(OperRules, ShiftsTakeTheCountModulo32) {
  VnImage<VnBW8> a(3, 1), d(3, 1);
  ImgOper(Copy, VnBW8{0x81}, &a);
  ImgOper(ShiftLeft, &a, VnBW8{8}, &d);
  EXPECT_EQ(d.GetPixel(0, 0), 0);
  ImgOper(ShiftLeft, &a, VnBW8{33}, &d);
  EXPECT_EQ(d.GetPixel(0, 0), 0x02);
  ImgOper(ShiftRight, &a, VnBW8{39}, &d);
  EXPECT_EQ(d.GetPixel(0, 0), 0x01);
  VnImage<VnBW16> w(3, 1), e(3, 1);
  ImgOper(Copy, VnBW16{0x8001}, &w);
  ImgOper(ShiftLeft, &w, VnBW16{33}, &e);
  EXPECT_EQ(e.GetPixel(2, 0), 0x0002);
}

TEST(OperRules, GreaterOrEqualComparesImageAgainstConstant) {
  VnImage<VnBW8> a(2, 1), d(2, 1);
  a.SetPixel(10, 0, 0);
  a.SetPixel(200, 1, 0);
  ImgOper(GreaterOrEqual, &a, VnBW8{100}, &d);
  EXPECT_EQ(d.GetPixel(0, 0), 0);
  EXPECT_EQ(d.GetPixel(1, 0), 255);
  ImgOper(Lesser, &a, VnBW8{100}, &d);
  EXPECT_EQ(d.GetPixel(0, 0), 255);
  EXPECT_EQ(d.GetPixel(1, 0), 0);
}

TEST(OperRules, SetZeroChangesOnlyWhereTheFirstOperandIsZero) {
  VnImage<VnBW8> a(3, 1), d(3, 1);
  a.SetPixel(0, 0, 0);
  a.SetPixel(5, 1, 0);
  a.SetPixel(0, 2, 0);
  ImgOper(Copy, VnBW8{77}, &d);
  ImgOper(SetZero, &a, VnBW8{9}, &d);
  EXPECT_EQ(d.GetPixel(0, 0), 9);
  EXPECT_EQ(d.GetPixel(1, 0), 77);
  EXPECT_EQ(d.GetPixel(2, 0), 9);
  ImgOper(SetNonZero, &a, VnBW8{1}, &d);
  EXPECT_EQ(d.GetPixel(1, 0), 1);
  EXPECT_EQ(d.GetPixel(0, 0), 9);
}

TEST(OperRules, OneOperandForms) {
  VnImage<VnBW8> g(4, 2), g2(4, 2);
  ImgOper(Copy, VnBW8{200}, &g);
  ImgOper(Invert, &g, &g2);
  EXPECT_EQ(g2.GetPixel(3, 1), 55);
  VnImage<VnBW16> w(4, 2), w2(4, 2);
  ImgOper(Copy, VnBW16{1000}, &w);
  ImgOper(Invert, &w, &w2);
  EXPECT_EQ(w2.GetPixel(3, 1), 64535);
  ImgOper(Copy, &w2, &w);
  EXPECT_EQ(w.GetPixel(0, 0), 64535);
  VnImage<VnC24> c(4, 2), c2(4, 2);
  ImgOper(Copy, VnC24{1, 2, 250}, &c);
  ImgOper(Invert, &c, &c2);
  EXPECT_EQ(c2.GetPixel(3, 1), (VnC24{254, 253, 5}));
  ImgOper(Copy, &g, &c);
  EXPECT_EQ(c.GetPixel(2, 1), (VnC24{200, 200, 200}));
  ImgOper(Invert, &g, &c);
  EXPECT_EQ(c.GetPixel(2, 1), (VnC24{55, 55, 55}));
}

TEST(OperRules, WideningForms) {
  VnImage<VnBW8> a(2, 1), b(2, 1);
  a.SetPixel(250, 0, 0);
  b.SetPixel(200, 0, 0);
  a.SetPixel(3, 1, 0);
  b.SetPixel(0, 1, 0);
  VnImage<VnBW16> d(2, 1);
  const std::pair<Op, std::pair<int, int>> wide[] = {
      {Add, {450, 3}}, {Subtract, {50, 3}}, {Multiply, {50000, 0}}, {Divide, {1, 65535}}};
  for (const auto& [op, expected] : wide) {
    ImgOper(op, &a, &b, &d);
    EXPECT_EQ(d.GetPixel(0, 0), expected.first) << op;
    EXPECT_EQ(d.GetPixel(1, 0), expected.second) << op;
  }
  VnImage<VnBW16> w(2, 1), e(2, 1);
  w.SetPixel(65500, 0, 0);
  w.SetPixel(100, 1, 0);
  const std::pair<Op, std::pair<int, int>> mixed[] = {{Add, {65535, 100}},       {Subtract, {65300, 100}},
                                                      {Multiply, {65535, 0}},    {Divide, {327, 65535}},
                                                      {WrappingAdd, {164, 100}}, {WrappingSubtract, {65300, 100}}};
  for (const auto& [op, expected] : mixed) {
    ImgOper(op, &w, &b, &e);
    EXPECT_EQ(e.GetPixel(0, 0), expected.first) << op;
    EXPECT_EQ(e.GetPixel(1, 0), expected.second) << op;
  }
  b.SetPixel(150, 1, 0);
  ImgOper(WrappingSubtract, &w, &b, &e);
  EXPECT_EQ(e.GetPixel(1, 0), 65486);
}

TEST(OperRules, MixedSizesRaise1403AndWriteNothing) {
  Rng rng(8);
  VnImage<VnBW8> a(5, 3), b(6, 3);
  GuardedRoi<VnBW16> d({5, 3, 1, 1, 8, 5}, rng);
  ImgOper(Add, &a, &b, d.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgOper ( BW8 Image and BW8 Image to BW16 Image)"});
  EXPECT_TRUE(d.Unchanged());
  GuardedRoi<VnBW8> same({5, 3, 1, 1, 8, 5}, rng);
  ImgOper(Add, &a, &b, same.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_TRUE(same.Unchanged());
  ImgOper(Add, &a, &a, same.roi());
  EXPECT_EQ(VnGetError(), 0);
}

TEST(OperRules, NullOperandsRaise1400) {
  VnImage<VnBW8> a(5, 3);
  VnImage<VnC24> c(5, 3);
  ImgOper(Add, &a, static_cast<const VnROI<VnBW8>*>(nullptr), &a);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  ImgOper(Add, VnBW8{1}, &a, static_cast<VnROI<VnBW8>*>(nullptr));
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  ImgOper(Overlay, &a, static_cast<VnROI<VnBW8>*>(nullptr), &c);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  VnImage<VnBW8> empty;
  ImgOper(Copy, &empty, &c);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
}

// Value 34 paints with the calling thread's overlay colour.
TEST(OperRules, OverlayValue) {
  ImgSetOverlayColor({10, 20, 30});
  VnImage<VnBW8> g(2, 1), m(2, 1);
  g.SetPixel(0, 0, 0);
  g.SetPixel(7, 1, 0);
  m.SetPixel(1, 0, 0);
  VnImage<VnC24> c(2, 1), d(2, 1);
  ImgOper(Copy, VnC24{1, 2, 3}, &c);
  ImgOper(Copy, VnC24{9, 9, 9}, &d);
  ImgOper(Overlay, &g, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{9, 9, 9}));
  EXPECT_EQ(d.GetPixel(1, 0), (VnC24{10, 20, 30}));
  ImgOper(Overlay, &g, &m, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{10, 20, 30}));
  EXPECT_EQ(d.GetPixel(1, 0), (VnC24{7, 7, 7}));
  ImgOper(Overlay, &g, &c, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{1, 2, 3}));
  EXPECT_EQ(d.GetPixel(1, 0), (VnC24{10, 20, 30}));
  ImgOper(Overlay, &c, &g, &d);
  EXPECT_EQ(d.GetPixel(1, 0), (VnC24{10, 20, 30}));
  EXPECT_EQ(VnGetError(), 0);
}

TEST(OperRules, ColourOverlayTreatsOnlyBlackAsTransparent) {
  VnImage<VnC24> a(3, 1), b(3, 1), d(3, 1);
  ImgOper(Copy, VnC24{5, 5, 5}, &a);
  b.SetPixel({0, 0, 0}, 0, 0);
  b.SetPixel({0, 0, 1}, 1, 0);
  b.SetPixel({255, 255, 255}, 2, 0);
  ImgOper(Overlay, &a, &b, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{5, 5, 5}));
  EXPECT_EQ(d.GetPixel(1, 0), (VnC24{0, 0, 1}));
  EXPECT_EQ(d.GetPixel(2, 0), (VnC24{255, 255, 255}));
}

TEST(OperRules, GrayWithColourUsesTheGrayValueAgainstEachChannel) {
  VnImage<VnBW8> g(1, 1);
  g.SetPixel(100, 0, 0);
  VnImage<VnC24> c(1, 1), d(1, 1);
  c.SetPixel({50, 150, 250}, 0, 0);
  ImgOper(Subtract, &g, &c, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{50, 0, 0}));
  ImgOper(Subtract, &c, &g, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{0, 50, 150}));
  d.SetPixel({1, 2, 3}, 0, 0);
  g.SetPixel(0, 0, 0);
  ImgOper(SetZero, &g, &c, &d);
  EXPECT_EQ(d.GetPixel(0, 0), (VnC24{50, 150, 250}));
}

TEST(OperRules, ASuccessAfterAFailureClearsTheCode) {
  VnImage<VnBW8> a(3, 3);
  ImgOper(ShiftLeft, &a, &a, &a);
  EXPECT_EQ(VnGetError(), VN_ERR_UNSUPPORTED_OPERATION);
  ImgOper(Add, &a, &a, &a);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_TRUE(Trace().empty());
}

}  // namespace
}  // namespace vnimg::test
