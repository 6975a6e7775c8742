// Which ImgOper values each form accepts: every form, every value 0 to 40 and a few beyond.
// A rejected value raises 1003 before any ROI is read (even an invalid one); a value that
// passes but has no loop raises 32767 only after the ROI checks.
#include <functional>
#include <set>

#include "point/point_support.h"

namespace vnimg::test {
namespace {

using Op = ARITH_LOGIC_OPERATIONS;
using Values = std::set<int>;

struct Outcome {
  int code;
  std::vector<std::string> trace;
  bool unchanged;
};
using FormRun = std::function<Outcome(Op op, bool invalidDestination)>;

Values Range(int first, int last, Values more = {}) {
  for (int v = first; v <= last; ++v) more.insert(v);
  return more;
}

Rng& SharedRng() {
  static Rng rng(17);
  return rng;
}

// A 5x3 source of any pixel type with random pixels.
template <class T>
VnImage<T> Src() {
  VnImage<T> image(5, 3);
  FillRandomBytes(image, SharedRng());
  return image;
}

// Runs call(op, dst) on a 5x3 destination at column 3 of a 10x5 parent (a bit offset for bit
// images), or placed partly outside its parent when invalidDestination.
template <class D, class Call>
FormRun Runner(Call call) {
  return [call](Op op, bool invalidDestination) {
    const Placement p{5, 3, invalidDestination ? 7 : 3, 1, 10, 5};
    GuardedRoi<D> dst(p, SharedRng());
    call(op, dst.roi());
    return Outcome{VnGetError(), Trace(), dst.Unchanged()};
  };
}

struct Form {
  const char* trace;
  Values accepted;
  Values rejected;  // empty: every value not accepted is rejected
  FormRun run;
  Values alsoPassing = {};  // values that pass the first check without being accepted
  // The value passed the first check.
  bool Passes(int op) const {
    return rejected.empty() ? accepted.count(op) + alsoPassing.count(op) > 0 : rejected.count(op) == 0;
  }
};

const Values kConstFirstAccepted = Range(2, 6, Range(9, 15, Range(23, 28, {19, 20, 33})));
const Values kConstFirstRejected = {7, 8, 16, 17, 18, 21, 22};
const Values kImageConstAccepted = Range(2, 15, Range(19, 28, {33}));
const Values kImageConstRejected = {16, 17, 18};
const Values kTwoImageAccepted = Range(2, 6, Range(9, 28, {33}));
const Values kTwoImageRejected = {7, 8};

std::vector<Form> Forms() {
  auto withOverlay = [](Values v) {
    v.insert(34);
    return v;
  };
  return {
      {"ImgOper ( BW8 Const to Image)", {0}, {}, Runner<VnBW8>([](Op op, VnROI<VnBW8>* d) { ImgOper(op, VnBW8{9}, d); })},
      {"ImgOper ( BW8 Image to Image)", {0, 1}, {}, Runner<VnBW8>([](Op op, VnROI<VnBW8>* d) {
         const auto s = Src<VnBW8>();
         ImgOper(op, &s, d);
       })},
      {"ImgOper ( BW8 Image to C24 Image)", {0, 1, 34}, {}, Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto s = Src<VnBW8>();
         ImgOper(op, &s, d);
       })},
      {"ImgOper ( BW8 Const, Image to Image)", kConstFirstAccepted, kConstFirstRejected,
       Runner<VnBW8>([](Op op, VnROI<VnBW8>* d) {
         const auto s = Src<VnBW8>();
         ImgOper(op, VnBW8{9}, &s, d);
       })},
      {"ImgOper ( BW8 Image, Const to Image)", kImageConstAccepted, kImageConstRejected,
       Runner<VnBW8>([](Op op, VnROI<VnBW8>* d) {
         const auto s = Src<VnBW8>();
         ImgOper(op, &s, VnBW8{9}, d);
       })},
      {"ImgOper ( BW8 Image, Image to Image)", kTwoImageAccepted, kTwoImageRejected,
       Runner<VnBW8>([](Op op, VnROI<VnBW8>* d) {
         const auto a = Src<VnBW8>(), b = Src<VnBW8>();
         ImgOper(op, &a, &b, d);
       })},
      {"ImgOper ( BW8 Image and BW8 Image to BW16 Image)", {2, 3, 4, 5}, {}, Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) {
         auto a = Src<VnBW8>(), b = Src<VnBW8>();
         ImgOper(op, &a, &b, d);
       })},
      {"ImgOper ( BW16 Image and BW8 Image to BW16 IMage)", {2, 3, 4, 5, 29, 30}, {},
       Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) {
         auto a = Src<VnBW16>();
         auto b = Src<VnBW8>();
         ImgOper(op, &a, &b, d);
       })},
      {"ImgOper ( C24 Const to Image)", {0}, {}, Runner<VnC24>([](Op op, VnROI<VnC24>* d) { ImgOper(op, VnC24{1, 2, 3}, d); })},
      {"ImgOper ( C24 Image to Image)", {0, 1}, {}, Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto s = Src<VnC24>();
         ImgOper(op, &s, d);
       }), {34}},
      {"ImgOper ( C24 Const, Image to Image)", kConstFirstAccepted, kConstFirstRejected,
       Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto s = Src<VnC24>();
         ImgOper(op, VnC24{9, 0, 200}, &s, d);
       })},
      {"ImgOper ( C24 Image, Const to Image)", kImageConstAccepted, kImageConstRejected,
       Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto s = Src<VnC24>();
         ImgOper(op, &s, VnC24{9, 0, 200}, d);
       })},
      {"ImgOper ( C24 Image, Image to Image)", withOverlay(kTwoImageAccepted), kTwoImageRejected,
       Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto a = Src<VnC24>(), b = Src<VnC24>();
         ImgOper(op, &a, &b, d);
       })},
      {"ImgOper ( BW8 Image, C24 Image to C24 Image)", withOverlay(kTwoImageAccepted), kTwoImageRejected,
       Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto g = Src<VnBW8>();
         auto c = Src<VnC24>();
         ImgOper(op, &g, &c, d);
       })},
      {"ImgOper ( C24 Image, BW8 Image to C24 Image)", withOverlay(kTwoImageAccepted), kTwoImageRejected,
       Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto c = Src<VnC24>();
         auto g = Src<VnBW8>();
         ImgOper(op, &c, &g, d);
       })},
      {"ImgOper ( BW8 Image, BW8 Image to C24 Image)", {34}, {}, Runner<VnC24>([](Op op, VnROI<VnC24>* d) {
         auto g = Src<VnBW8>(), m = Src<VnBW8>();
         ImgOper(op, &g, &m, d);
       })},
      {"ImgOper ( BW16 Const to Image)", {0}, {}, Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) { ImgOper(op, VnBW16{9}, d); })},
      {"ImgOper (BW16 Image to Image)", {0, 1}, {}, Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) {
         auto s = Src<VnBW16>();
         ImgOper(op, &s, d);
       })},
      {"ImgOper ( BW16 Const, Image to Image)", kConstFirstAccepted, kConstFirstRejected,
       Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) {
         auto s = Src<VnBW16>();
         ImgOper(op, VnBW16{900}, &s, d);
       })},
      {"ImgOper ( BW16 Image, Const to Image)", kImageConstAccepted, kImageConstRejected,
       Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) {
         auto s = Src<VnBW16>();
         ImgOper(op, &s, VnBW16{900}, d);
       })},
      {"ImgOper ( BW16 Image, Image to Image)", kTwoImageAccepted, kTwoImageRejected,
       Runner<VnBW16>([](Op op, VnROI<VnBW16>* d) {
         auto a = Src<VnBW16>(), b = Src<VnBW16>();
         ImgOper(op, &a, &b, d);
       })},
      {"ImgOper (BW1)", {0}, {}, Runner<VnBW1>([](Op op, VnROI<VnBW1>* d) { ImgOper(op, VnBW1(1), d); })},
      {"ImgOper (BW1)", {0, 1}, {}, Runner<VnBW1>([](Op op, VnROI<VnBW1>* d) {
         const auto s = Src<VnBW1>();
         ImgOper(op, &s, d);
       })},
      {"ImgOper (BW1)", {13, 14, 15, 21, 22, 26}, {}, Runner<VnBW1>([](Op op, VnROI<VnBW1>* d) {
         const auto a = Src<VnBW1>(), b = Src<VnBW1>();
         ImgOper(op, &a, &b, d);
       })},
  };
}

Values TestedValues() { return Range(-1, 40, {255, 1000, 1 << 30}); }

TEST(OperValues, EveryFormAcceptsAndRejectsItsTable) {
  for (const Form& form : Forms()) {
    for (int value : TestedValues()) {
      SCOPED_TRACE(::testing::Message() << form.trace << " value " << value);
      const Op op = static_cast<Op>(value);
      const Outcome outcome = form.run(op, false);
      if (!form.Passes(value)) {
        EXPECT_EQ(outcome.code, VN_ERR_UNSUPPORTED_OPERATION);
      } else if (form.accepted.count(value)) {
        EXPECT_EQ(outcome.code, 0);
        continue;
      } else {
        EXPECT_EQ(outcome.code, VN_ERR_NOT_IMPLEMENTED);
      }
      EXPECT_EQ(outcome.trace, std::vector<std::string>{form.trace});
      EXPECT_TRUE(outcome.unchanged);
    }
  }
}

TEST(OperValues, RejectionComesBeforeAndNotImplementedAfterTheRoiChecks) {
  for (const Form& form : Forms()) {
    for (int value : TestedValues()) {
      SCOPED_TRACE(::testing::Message() << form.trace << " value " << value);
      const Outcome outcome = form.run(static_cast<Op>(value), true);
      EXPECT_EQ(outcome.code, form.Passes(value) ? VN_ERR_ROI_OUTSIDE_PARENT : VN_ERR_UNSUPPORTED_OPERATION);
      EXPECT_EQ(outcome.trace, std::vector<std::string>{form.trace});
      EXPECT_TRUE(outcome.unchanged);
    }
  }
}

}  // namespace
}  // namespace vnimg::test
