// Every morphology subcommand against the library call it stands for, one row each, and the
// pixel types and options a command refuses.
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

class MorphologyCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    tool::WriteImage(Path("a.png"), AnyImage{a, std::nullopt});
    tool::WriteImage(Path("wide.pgm"), AnyImage{wide, std::nullopt});
    tool::WriteImage(Path("colour.png"), AnyImage{colour, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 29, 17);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 29, 17);
};

TEST_F(MorphologyCommandsTest, ImagesMatchTheLibrary) {
  const std::string A = Path("a.png"), W = Path("wide.pgm"), C = Path("colour.png"), out = Path("out.png"), pgm = Path("out.pgm");
  const std::pair<Args, std::function<ImageVariant()>> rows[] = {
      {{"erode-box", A, out, "--half-x", "3", "--half-y", "1"}, [&] { return Out(a, [](auto* s, auto* d) { ImgErodeBox(s, d, 3, 1); }); }},
      {{"dilate-box", W, pgm, "--half-x", "2"}, [&] { return Out(wide, [](auto* s, auto* d) { ImgDilateBox(s, d, 2, 2); }); }},
      {{"open-box", C, out, "--half-x", "1", "--half-y", "4"}, [&] { return Out(colour, [](auto* s, auto* d) { ImgOpenBox(s, d, 1, 4); }); }},
      {{"close-box", A, out}, [&] { return Out(a, [](auto* s, auto* d) { ImgCloseBox(s, d, 1); }); }},
      {{"white-top-hat-box", A, out, "--half-x", "5"}, [&] { return Out(a, [](auto* s, auto* d) { ImgWhiteTopHatBox(s, d, 5); }); }},
      {{"black-top-hat-box", W, pgm, "--half-y", "0"}, [&] { return Out(wide, [](auto* s, auto* d) { ImgBlackTopHatBox(s, d, 1, 0); }); }},
      {{"morpho-gradient-box", C, out, "--half-x", "2"}, [&] { return Out(colour, [](auto* s, auto* d) { ImgMorphoGradientBox(s, d, 2); }); }},
      {{"erode-disk", A, out, "--half-size", "4"}, [&] { return Out(a, [](auto* s, auto* d) { ImgErodeDisk(s, d, 4); }); }},
      {{"dilate-disk", W, pgm, "--half-size", "3"}, [&] { return Out(wide, [](auto* s, auto* d) { ImgDilateDisk(s, d, 3); }); }},
      {{"open-disk", A, out, "--half-size", "2"}, [&] { return Out(a, [](auto* s, auto* d) { ImgOpenDisk(s, d, 2); }); }},
      {{"close-disk", C, out}, [&] { return Out(colour, [](auto* s, auto* d) { ImgCloseDisk(s, d, 1); }); }},
      {{"white-top-hat-disk", W, pgm, "--half-size", "5"}, [&] { return Out(wide, [](auto* s, auto* d) { ImgWhiteTopHatDisk(s, d, 5); }); }},
      {{"black-top-hat-disk", A, out, "--half-size", "3"}, [&] { return Out(a, [](auto* s, auto* d) { ImgBlackTopHatDisk(s, d, 3); }); }},
      {{"morpho-gradient-disk", A, out, "--half-size", "2"}, [&] { return Out(a, [](auto* s, auto* d) { ImgMorphoGradientDisk(s, d, 2); }); }},
      {{"median", W, pgm}, [&] { return Out(wide, [](auto* s, auto* d) { ImgMedian(s, d); }); }},
      {{"median", A, out, "--border", "200"}, [&] { return Out(a, [](auto* s, auto* d) { ImgMedian(s, d, 200); }); }},
      {{"median", C, out, "--border", "10,20,30"}, [&] { return Out(colour, [](auto* s, auto* d) { ImgMedian(s, d, VnC24{30, 20, 10}); }); }},
  };
  for (const auto& [args, expected] : rows) {
    const Run run = Tool(args);
    ASSERT_EQ(run.status, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_TRUE(Same(tool::ReadImage(args[2]).pixels, expected())) << ::testing::PrintToString(args);
  }
}

// Options that do not apply to the pixel type, and half-sizes that are not counts.
TEST_F(MorphologyCommandsTest, RefusesWhatDoesNotApply) {
  for (const Args& args : {Args{"median", Path("wide.pgm"), Path("o.png"), "--border", "3"}, Args{"median", Path("colour.png"), Path("o.png")},
                           Args{"erode-box", Path("a.png"), Path("o.png"), "--half-x", "-1"}}) {
    EXPECT_EQ(Tool(args).status, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(std::filesystem::exists(Path("o.png")));
  }
}

}  // namespace
}  // namespace vnimg::test
