// Gray-level morphology by hand: the shapes of the structuring elements, the border of the
// older passes, the median's edge cases; properties (duality, idempotence, top-hats of a
// constant image); and one failure table (codes, traces innermost first, untouched outputs).
#include <functional>

#include "support/levels.h"
#include "support/pixels.h"

namespace vnimg::test {
namespace {

// The pixels of a 9 x 7 image equal to `value`, as a picture ('#' where equal).
template <class T>
std::string Picture(const VnROI<T>& roi, long value) {
  std::string out;
  for (int y = 0; y < roi.GetHeight(); ++y, out += '/')
    for (int x = 0; x < roi.GetWidth(); ++x) out += static_cast<long>(roi.GetPixel(x, y)) == value ? '#' : '.';
  return out;
}

TEST(MorphologyCases, StructuringElementsAndEdges) {
  const auto dot = Make<VnBW8>(9, 7, [](int x, int y) { return x == 4 && y == 3 ? 200 : 10; });
  const auto block = Make<VnBW8>(9, 7, [](int x, int y) { return x >= 3 && x <= 4 && y >= 2 && y <= 3 ? 200 : 10; });
  const struct {
    const char* what;
    std::function<void(VnImage<VnBW8>*, VnImage<VnBW8>*)> run;
    const VnImage<VnBW8>& src;
    std::string bright;
  } rows[] = {
      {"box 2, 0: two X passes", [](auto* s, auto* d) { ImgDilateBox(s, d, 2, 0); }, dot, "........./........./........./..#####../........./........./.........//"},
      {"disk 1: a cross", [](auto* s, auto* d) { ImgDilateDisk(s, d, 1); }, dot, "........./........./....#..../...###.../....#..../........./.........//"},
      {"disk 2: the 5 x 5 square without its corners", [](auto* s, auto* d) { ImgDilateDisk(s, d, 2); }, dot, "........./...###.../..#####../..#####../..#####../...###.../.........//"},
      {"median removes a bright pixel", [](auto* s, auto* d) { ImgMedian(s, d); }, dot, "........./........./........./........./........./........./.........//"},
      {"median keeps nothing of a 2 x 2 block", [](auto* s, auto* d) { ImgMedian(s, d); }, block, "........./........./........./........./........./........./.........//"},
  };
  for (const auto& row : rows) {
    VnImage<VnBW8> src = row.src, dst(9, 7);
    row.run(&src, &dst);
    EXPECT_EQ(Picture(dst, 200) + "/", row.bright) << row.what;
  }
  // The older erosion with border 0 darkens the whole frame in one pass, and only the frame.
  VnImage<VnBW8> flat = Make<VnBW8>(6, 5, [](int, int) { return 200; }), out(6, 5);
  EXPECT_EQ(ImgErode(&flat, &out, 1, 0), 0);
  EXPECT_EQ(Picture(out, 0), "######/#....#/#....#/#....#/######/");
  EXPECT_EQ(Picture(out, 200), "....../.####./.####./.####./....../");
  // A border of 255 for an erosion is neutral; a larger value saturates to it.
  EXPECT_EQ(ImgErode(&flat, &out, 1, 900), 0);
  EXPECT_EQ(Picture(out, 200), "######/######/######/######/######/");
}

template <class T>
void CheckProperties(long max) {
  Rng rng(12);
  const Placement p{31, 13, 2, 1, 36, 15};
  GuardedRoi<T> src(p, rng);
  VnImage<T> inverted(p.width, p.height), a(p.width, p.height), b(p.width, p.height), flat(p.width, p.height);
  ImgOper(Invert, src.roi(), &inverted);
  for (unsigned h : {1u, 2u, 5u}) {
    SCOPED_TRACE(h);
    // Duality: eroding the inverted image inverts the dilation.
    ImgErodeBox(&inverted, &a, h, h + 1), ImgDilateBox(src.roi(), &b, h, h + 1), ImgOper(Invert, &b, &b);
    EXPECT_TRUE(SamePixels(a, b));
    ImgErodeDisk(&inverted, &a, h), ImgDilateDisk(src.roi(), &b, h), ImgOper(Invert, &b, &b);
    EXPECT_TRUE(SamePixels(a, b));
    // Idempotence: opening an opening (closing a closing) changes nothing.
    ImgOpenBox(src.roi(), &a, h), ImgOpenBox(&a, &b, h);
    EXPECT_TRUE(SamePixels(a, b));
    ImgCloseDisk(src.roi(), &a, h), ImgCloseDisk(&a, &b, h);
    EXPECT_TRUE(SamePixels(a, b));
    // Top-hats and gradient of a constant image are 0.
    ImgCopy(static_cast<T>(max / 3), &flat);
    using Op = void (*)(VnROI<T>*, VnROI<T>*, unsigned, unsigned);
    for (Op op : {Op(ImgWhiteTopHatBox), Op(ImgBlackTopHatBox), Op(ImgMorphoGradientBox)}) {
      ImgCopy(static_cast<T>(max), &a);
      op(&flat, &a, h, 2 * h);
      EXPECT_EQ(Picture(a, 0), Picture(flat, max / 3));
    }
  }
}

TEST(MorphologyCases, DualityIdempotenceAndFlatTopHats) {
  CheckProperties<VnBW8>(255);
  CheckProperties<VnBW16>(65535);
}

TEST(MorphologyFailures, CodesTracesAndUntouchedOutputs) {
  Rng rng(13);
  const Placement at{12, 5, 3, 1, 20, 8};
  GuardedRoi<VnBW8> s8(at, rng), d8(at, rng);
  GuardedRoi<VnBW16> s16(at, rng), d16(at, rng);
  GuardedRoi<VnC24> sc(at, rng), dc(at, rng);
  VnROI<VnBW8> narrow8(&d8.parent(), 3, 1, 11, 5), outside8(&s8.parent(), 12, 0, 10, 5), alsoS8(&s8.parent(), 0, 0, 12, 5);
  VnROI<VnBW16> narrow16(&d16.parent(), 3, 1, 11, 5);
  VnROI<VnC24> narrowC(&dc.parent(), 3, 1, 11, 5), alsoSc(&sc.parent(), 0, 0, 12, 5);
  VnROI<VnBW8>* const null8 = nullptr;
  VnROI<VnC24>* const nullC = nullptr;
  const VnC24 c{1, 2, 3};
  struct Outcome {
    long result;
    int code;
    std::vector<std::string> trace;
    bool operator==(const Outcome&) const = default;
  };
  const struct {
    std::function<long()> call;
    Outcome expected;
  } rows[] = {
      {[&] { return ImgErodeBox(null8, d8.roi(), 1), 0L; }, 0, VN_ERR_NULL_ROI, {"ImgErodeBox"}},
      {[&] { return ImgDilateBox(s8.roi(), &narrow8, 2), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgDilateBox"}},
      {[&] { return ImgErodeBox(&outside8, d8.roi(), 2), 0L; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgErodeBox"}},
      {[&] { return ImgOpenDisk(s8.roi(), &narrow8, 2), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgErodeDisk", "ImgOpenDisk "}},
      {[&] { return ImgCloseBox(s16.roi(), &narrow16, 2), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgDilateBox (BW16)", "ImgCloseBox (BW16)"}},
      {[&] { return ImgOpenBox(sc.roi(), &narrowC, 1), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgOpenBox ( C24)"}},
      {[&] { return ImgWhiteTopHatBox(s8.roi(), &narrow8, 1), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgWhiteTopHatBox (BW8)"}},
      {[&] { return ImgBlackTopHatDisk(s16.roi(), &narrow16, 1), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgBlackTopHatDisk (BW16)"}},
      {[&] { return ImgMorphoGradientDisk(sc.roi(), &narrowC, 1), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgMorphoGradientDisk ( C24)"}},
      {[&] { return ImgMedian(s8.roi(), null8), 0L; }, 0, VN_ERR_NULL_ROI, {"ImgMedian"}},
      {[&] { return ImgMedian(s16.roi(), &narrow16), 0L; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgMedian (BW16)"}},
      {[&] { return long{ImgMedian(s8.roi(), &narrow8, 0)}; }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH, {"ImgMedian"}},
      {[&] { return long{ImgMedian(nullC, dc.roi(), c)}; }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgMedian ( C24)"}},
      {[&] { return long{ImgErode(null8, d8.roi(), 1, 0)}; }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgErode"}},
      {[&] { return long{ImgOpen(s8.roi(), &narrow8, 1, 255, 0)}; }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH, {"ImgErode", "ImgOpen"}},
      {[&] { return long{ImgWhiteTopHat(s8.roi(), &alsoS8, 1, 255, 0)}; }, VN_ERR_NEED_DISTINCT_DESTINATION,
       VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgWhiteTopHat"}},
      {[&] { return long{ImgBlackTopHat(s8.roi(), &narrow8, 1, 0, 255)}; }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH,
       {"ImgDilate", "ImgClose", "ImgBlackTopHat"}},
      {[&] { return long{ImgBlackTopHat(sc.roi(), &alsoSc, 1, c, c)}; }, VN_ERR_NEED_DISTINCT_DESTINATION,
       VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgBlackTopHat ( C24)"}},
      {[&] { return long{ImgWhiteTopHat(nullC, dc.roi(), 1, c, c)}; }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgWhiteTopHat ( C24)"}},
  };
  for (const auto& [call, expected] : rows) {
    VnSetError(77);
    const long result = call();
    EXPECT_EQ((Outcome{result, VnGetError(), Trace()}), expected) << expected.trace.back();
    EXPECT_TRUE(d8.Unchanged() && d16.Unchanged() && dc.Unchanged() && s8.Unchanged() && s16.Unchanged() && sc.Unchanged())
        << expected.trace.back();
  }
  ImgErodeBox(s8.roi(), d8.roi(), 1);
  EXPECT_EQ(VnGetError(), 0);
}

}  // namespace
}  // namespace vnimg::test
