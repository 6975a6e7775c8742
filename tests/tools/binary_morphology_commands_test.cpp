// Every binary morphology subcommand against the library call it stands for, one row each.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;
using tool::ImageVariant;
using Args = std::vector<std::string>;

template <class T, class F>
ImageVariant Out(const VnImage<T>& src, F f) {
  VnImage<T> in = src, dst(src.GetWidth(), src.GetHeight());
  f(&in, &dst);
  return dst;
}
::testing::AssertionResult Same(const ImageVariant& a, const ImageVariant& b) {
  if (a.index() != b.index()) return ::testing::AssertionFailure() << tool::PixelTypeName(a) << " against " << tool::PixelTypeName(b);
  return std::visit([&](const auto& image) { return SamePixels(image, std::get<std::decay_t<decltype(image)>>(b)); }, a);
}

class BinaryMorphologyCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    for (int y = 0; y < a.GetHeight(); ++y)
      for (int x = 0; x < a.GetWidth(); ++x) a.SetPixel(a.GetPixel(x, y) < 100 ? 0 : 255, x, y);
    tool::WriteImage(Path("a.png"), AnyImage{a, std::nullopt});
    tool::WriteImage(Path("bits.pbm"), AnyImage{bits, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17);
  VnImage<VnBW1> bits = RandomImage<VnBW1>(rng, 29, 17);
};

TEST_F(BinaryMorphologyCommandsTest, ImagesMatchTheLibrary) {
  const std::string A = Path("a.png"), B = Path("bits.pbm"), out = Path("out.png"), pbm = Path("out.pbm"), pgm = Path("out.pgm");
  VnKernel thinning(KERNEL_THINNING), cells(3, 3, 1, 0, 0, 0);
  cells.SetKernelData(-1, 1, -1, 0, 1, 0, -1, -1, -1);
  const std::pair<Args, std::function<ImageVariant()>> rows[] = {
      {{"bi-level-erode-box", A, out, "--half-x", "3", "--half-y", "1"}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelErodeBox(s, d, 3, 1); }); }},
      {{"bi-level-dilate-box", B, pbm, "--half-x", "2"}, [&] { return Out(bits, [](auto* s, auto* d) { ImgDilateBox(s, d, 2, 2); }); }},
      {{"bi-level-open-box", A, out}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelOpenBox(s, d, 1); }); }},
      {{"bi-level-close-box", B, pbm, "--half-y", "3"}, [&] { return Out(bits, [](auto* s, auto* d) { ImgCloseBox(s, d, 1, 3); }); }},
      {{"bi-level-white-top-hat-box", A, out, "--half-x", "2"}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelWhiteTopHatBox(s, d, 2); }); }},
      {{"bi-level-black-top-hat-box", B, pbm}, [&] { return Out(bits, [](auto* s, auto* d) { ImgBlackTopHatBox(s, d, 1); }); }},
      {{"bi-level-morpho-gradient-box", A, out}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelMorphoGradientBox(s, d, 1); }); }},
      {{"bi-level-erode-disk", B, pbm, "--half-size", "3"}, [&] { return Out(bits, [](auto* s, auto* d) { ImgErodeDisk(s, d, 3); }); }},
      {{"bi-level-dilate-disk", A, out, "--half-size", "2"}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelDilateDisk(s, d, 2); }); }},
      {{"bi-level-open-disk", A, out}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelOpenDisk(s, d, 1); }); }},
      {{"bi-level-close-disk", B, pbm, "--half-size", "2"}, [&] { return Out(bits, [](auto* s, auto* d) { ImgCloseDisk(s, d, 2); }); }},
      {{"bi-level-white-top-hat-disk", B, pbm}, [&] { return Out(bits, [](auto* s, auto* d) { ImgWhiteTopHatDisk(s, d, 1); }); }},
      {{"bi-level-black-top-hat-disk", A, out, "--half-size", "3"}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelBlackTopHatDisk(s, d, 3); }); }},
      {{"bi-level-morpho-gradient-disk", B, pbm}, [&] { return Out(bits, [](auto* s, auto* d) { ImgMorphoGradientDisk(s, d, 1); }); }},
      {{"bi-level-median", A, out}, [&] { return Out(a, [](auto* s, auto* d) { ImgBiLevelMedian(s, d); }); }},
      {{"thin", A, out, "--rotation", "clockwise"}, [&] { return Out(a, [&](auto* s, auto* d) { int n = 0; ImgThin(s, d, &thinning, KERNEL_ROTATION_CLOCKWISE, n); }); }},
      {{"thick", B, pbm, "--kernel", "-1,1,-1,0,1,0,-1,-1,-1", "--iterations", "2"},
       [&] { return Out(bits, [&](auto* s, auto* d) { int n = 2; ImgThick(s, d, &cells, KERNEL_ROTATION_NONE, n); }); }},
      {{"distance", A, pgm}, [&]() -> ImageVariant {
         VnImage<VnBW8> in = a;
         VnImage<VnBW16> d(a.GetWidth(), a.GetHeight());
         return ImgDistance(&in, &d, 0), d;
       }},
      {{"compute-distance-map", A, out, "--maximum", "5"}, [&] { return Out(a, [](auto* s, auto* d) { ImgComputeDistanceMap(s, d, 5); }); }},
  };
  for (const auto& [args, expected] : rows) {
    const Run run = Tool(args);
    ASSERT_EQ(run.status, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_TRUE(Same(tool::ReadImage(args[2]).pixels, expected())) << ::testing::PrintToString(args);
  }
  // thin prints the passes the library made.
  int passes = 0;
  Out(a, [&](auto* s, auto* d) { ImgThin(s, d, &thinning, KERNEL_ROTATION_NONE, passes); });
  const Run run = Tool({"thin", A, out, "--json"});
  EXPECT_NE(run.out.find("\"passes\": " + std::to_string(passes)), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vnimg::test
