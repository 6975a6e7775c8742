// Every subcommand against the library call it stands for, one row per form; the tool's
// refusals; its help; the demo.
#include <filesystem>

#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;
using tool::ImageVariant;
using Args = std::vector<std::string>;

// dst of width x height after f(&dst).
template <class T, class F>
ImageVariant Out(int width, int height, F f) {
  VnImage<T> dst(width, height);
  f(&dst);
  return dst;
}
template <class F>
auto InDegrees(F f) {  // angles given to the library directly, restoring its unit
  return [f](auto* d) { VnSetAngleUnit(VN_ANGLE_DEGREES), f(d), VnSetAngleUnit(VN_ANGLE_RADIANS); };
}
::testing::AssertionResult Same(const ImageVariant& a, const ImageVariant& b) {
  if (a.index() != b.index()) return ::testing::AssertionFailure() << tool::PixelTypeName(a) << " against " << tool::PixelTypeName(b);
  return std::visit([&](const auto& image) { return SamePixels(image, std::get<std::decay_t<decltype(image)>>(b)); }, a);
}

class CommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    for (const auto& [name, image] : std::initializer_list<std::pair<const char*, ImageVariant>>{
             {"a.png", a}, {"b.png", b}, {"wide.pgm", wide}, {"wide2.pgm", wide2}, {"colour.png", colour}, {"bits.pbm", bits}, {"bits2.pbm", bits2}})
      tool::WriteImage(Path(name), AnyImage{image, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17), b = RandomImage<VnBW8>(rng, 29, 17);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 29, 17), wide2 = RandomImage<VnBW16>(rng, 29, 17);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 29, 17);
  VnImage<VnBW1> bits = RandomImage<VnBW1>(rng, 29, 17), bits2 = RandomImage<VnBW1>(rng, 29, 17);
};

// Commands that write an image: the file equals the library's result (the last argument that
// is not an option's value is the output).
TEST_F(CommandsTest, ImagesMatchTheLibrary) {
  const std::string A = Path("a.png"), B = Path("b.png"), W = Path("wide.pgm"), C = Path("colour.png"), out = Path("out.png"), pgm = Path("out.pgm"), pbm = Path("out.pbm");
  const std::pair<Args, std::function<ImageVariant()>> rows[] = {
      {{"oper", A, "40", out, "--op", "subtract"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgOper(Subtract, &a, VnBW8{40}, d); }); }},
      {{"oper", "40", A, out, "--op", "3"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgOper(Subtract, VnBW8{40}, &a, d); }); }},
      {{"oper", A, B, out, "--op", "scaled-divide"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgOper(ScaledDivide, &a, &b, d); }); }},
      {{"oper", A, out, "--op", "invert"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgOper(Invert, &a, d); }); }},
      {{"oper", W, Path("wide2.pgm"), pgm, "--op", "greater-or-equal"}, [&] { return Out<VnBW16>(29, 17, [&](auto* d) { ImgOper(GreaterOrEqual, &wide, &wide2, d); }); }},
      {{"oper", W, A, pgm, "--op", "wrapping-add"}, [&] { return Out<VnBW16>(29, 17, [&](auto* d) { ImgOper(WrappingAdd, &wide, &a, d); }); }},
      {{"oper", C, "1,2,3", out, "--op", "add"}, [&] { return Out<VnC24>(29, 17, [&](auto* d) { ImgOper(Add, &colour, VnC24{3, 2, 1}, d); }); }},  // red, green, blue
      {{"oper", A, C, out, "--op", "min"}, [&] { return Out<VnC24>(29, 17, [&](auto* d) { ImgOper(Min, &a, &colour, d); }); }},
      {{"oper", A, B, out, "--op", "overlay", "--overlay-color", "255,128,0"},
       [&] { return Out<VnC24>(29, 17, [&](auto* d) { ImgSetOverlayColor(VnC24{0, 128, 255}), ImgOper(Overlay, &a, &b, d); }); }},
      {{"oper", Path("bits.pbm"), Path("bits2.pbm"), pbm, "--op", "bitwise-xor"}, [&] { return Out<VnBW1>(29, 17, [&](auto* d) { ImgOper(BitwiseXOR, &bits, &bits2, d); }); }},
      {{"copy", Path("bits.pbm"), Path("bits.png")}, [&] { return ImageVariant(bits); }},
      {{"copy", W, Path("wide.png")}, [&] { return ImageVariant(wide); }},
      {{"threshold", A, out, "--mode", "max-entropy", "--low", "10", "--high", "200"},
       [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgThreshold(&a, d, IMG_THRESHOLD_MAX_ENTROPY, 10, 200, 0.5f); }); }},
      {{"threshold", A, out, "--mode", "relative", "--fraction", "0.25"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgThreshold(&a, d, IMG_THRESHOLD_RELATIVE, 0, 255, 0.25f); }); }},
      {{"threshold", A, out, "--threshold", "99"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgThreshold(&a, d, 99u); }); }},
      {{"threshold", A, pbm, "--mode", "isodata"}, [&] { return Out<VnBW1>(29, 17, [&](auto* d) { ImgThreshold(&a, d, IMG_THRESHOLD_ISODATA, 0.5f); }); }},
      {{"threshold", W, pgm}, [&] { return Out<VnBW16>(29, 17, [&](auto* d) { ImgThreshold(&wide, d, IMG_THRESHOLD_MIN_RESIDUE, 0, 65535, 0.5f); }); }},
      {{"threshold", C, out, "--min", "10,20,30", "--max", "230,240,250", "--outside", "7", "--inside", "77"},
       [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgThreshold(&colour, d, VnC24{30, 20, 10}, VnC24{250, 240, 230}, nullptr, 7, 77); }); }},
      {{"double-threshold", A, out, "--low-threshold", "60", "--high-threshold", "180"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgDoubleThreshold(&a, d, 60, 180); }); }},
      {{"double-threshold", W, pgm, "--low-threshold", "1000", "--high-threshold", "50000", "--low", "1", "--middle", "2", "--high", "3"},
       [&] { return Out<VnBW16>(29, 17, [&](auto* d) { ImgDoubleThreshold(&wide, d, 1000, 50000, 1, 2, 3); }); }},
      {{"auto-adaptive-threshold", A, out, "--mode", "min-abs-error", "--tile-width", "8", "--tile-height", "5"},
       [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgAutoAdaptiveThreshold(&a, d, IMG_THRESHOLD_MIN_ABS_ERROR, 8, 5); }); }},
      {{"local-mean-threshold", A, out, "--half-size", "3", "--offset", "-4"},
       [&] { return Out<VnBW8>(29, 17, [&](auto* d) { Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&a, d, 3, -4); }); }},
      // Geometry: angles in degrees, pivots by default at the centres.
      {{"scale-rotate", A, out, "--rotation", "30", "--scale-x", "1.5", "--interpolation-bits", "8"},
       [&] { return Out<VnBW8>(29, 17, InDegrees([&](auto* d) { ImgScaleRotate(&a, 14.5f, 8.5f, 14.5f, 8.5f, 1.5f, 1.0f, 30.0f, d, 8); })); }},
      {{"scale-rotate", A, out, "--src-pivot-x", "3", "--dst-pivot-y", "4.5", "--scale-y", "0.5", "--width", "20", "--height", "40"},
       [&] { return Out<VnBW8>(20, 40, [&](auto* d) { ImgScaleRotate(&a, 3.0f, 8.5f, 10.0f, 4.5f, 1.0f, 0.5f, 0.0f, d, 0); }); }},
      {{"scale-rotate", W, pgm, "--rotation", "-45", "--interpolation-bits", "8"},
       [&] { return Out<VnBW16>(29, 17, InDegrees([&](auto* d) { ImgScaleRotate(&wide, 14.5f, 8.5f, 14.5f, 8.5f, 1.0f, 1.0f, -45.0f, d, 8); })); }},
      {{"linear-transform", A, out, "--a", "0.5", "--b", "0.25", "--c", "3", "--e", "2", "--width", "20", "--height", "30", "--interpolation-bits", "4"},
       [&] { return Out<VnBW8>(20, 30, [&](auto* d) { ImgLinearTransform(&a, 0.5f, 0.25f, 3.0f, 0.0f, 2.0f, 0.0f, d, 4); }); }},
      {{"register", A, out, "--src-x", "4", "--src-y", "5", "--dst-x", "7.5", "--dst-y", "2"}, [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgRegister(&a, d, 4.0f, 5.0f, 7.5f, 2.0f, 0); }); }},
      {{"register", A, out, "--src-x", "4,20", "--src-y", "5,6", "--dst-x", "5,18", "--dst-y", "3,12", "--resize", "--interpolation-bits", "8"},
       [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgRegister(&a, d, 4.0f, 5.0f, 20.0f, 6.0f, 5.0f, 3.0f, 18.0f, 12.0f, 8, 1); }); }},
      {{"register", A, out, "--src-x", "4,20,10", "--src-y", "5,6,15", "--dst-x", "5,18,12", "--dst-y", "3,12,14"},
       [&] { return Out<VnBW8>(29, 17, [&](auto* d) { ImgRegister(&a, d, 4.0f, 5.0f, 20.0f, 6.0f, 10.0f, 15.0f, 5.0f, 3.0f, 18.0f, 12.0f, 12.0f, 14.0f, 0); }); }},
      {{"shrink", A, out, "--width", "10", "--height", "7"}, [&] { return Out<VnBW8>(10, 7, [&](auto* d) { ImgShrink(&a, d); }); }},
      {{"shrink", C, Path("out.ppm"), "--width", "8", "--height", "5"}, [&] { return Out<VnC24>(8, 5, [&](auto* d) { ImgShrink(&colour, d); }); }},
      {{"halve", A, out, "--drop-odd"}, [&] { return Out<VnBW8>(0, 0, [&](auto* d) { ImgHalve(&a, d, 1); }); }},
      {{"halve", A, out}, [&] { return Out<VnBW8>(0, 0, [&](auto* d) { ImgHalve(&a, d, 0); }); }},
      {{"vertical-mirror", A, out}, [&] { return Out<VnBW8>(0, 0, [&](auto* d) { *d = a, ImgVerticalMirror(d); }); }},
      {{"horizontal-mirror", A, out}, [&] { return Out<VnBW8>(0, 0, [&](auto* d) { *d = a, ImgHorizontalMirror(d); }); }},
  };
  for (const auto& [args, expected] : rows) {
    std::string output;
    for (std::size_t i = 1; i < args.size(); ++i) args[i].starts_with("--") ? void(i += args[i] != "--resize") : void(output = args[i]);
    const Run run = Tool(args);
    ASSERT_EQ(run.status, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_TRUE(Same(tool::ReadImage(output).pixels, expected())) << ::testing::PrintToString(args);
  }
  AnyImage withAlpha{colour, RandomImage<VnBW8>(rng, 29, 17)};  // copy keeps an alpha channel
  tool::WriteImage(Path("rgba.png"), withAlpha);
  ASSERT_EQ(Tool({"copy", Path("rgba.png"), Path("copy.png")}).status, 0);
  const AnyImage copy = tool::ReadImage(Path("copy.png"));
  EXPECT_TRUE(Same(copy.pixels, colour) && copy.alpha && SamePixels<VnBW8>(*copy.alpha, *withAlpha.alpha));
}

// Commands that print: the text holds the library's values as the tool's report writes them.
TEST_F(CommandsTest, PrintsMatchTheLibrary) {
  VnBWHistogramVector hist, wideHist;
  ImgHistogram(&a, &hist);
  ImgHistogram(&wide, &wideHist, 11, 6, 1);
  auto thresholds = [&](const char* name, unsigned mode) {
    float below = 0, above = 0;
    ImgHistogramThreshold(&hist, mode, below, above);
    return std::string("\"") + name + "\": {\n    \"threshold\": " + std::to_string(mode) + ",\n    \"below-average\": " + tool::Report(below).Dump() +
           ",\n    \"above-average\": " + tool::Report(above).Dump();
  };
  VnBW8 low = 0, high = 0;
  float a0 = 0, a1 = 0, a2 = 0;
  const float residual = ImgThreeLevelsMinResidueThreshold(&hist, low, high, a0, a1, a2);
  Korvane::Quandor::Utils::Vector<VnRegionDescriptor> regions;
  const float multi = ImgMultiLevelsMinResidueThreshold(&hist, 4, regions);
  const VnRegionDescriptor& last = regions.GetData()[regions.GetSize() - 1];
  const std::pair<Args, std::string> rows[] = {
      {{"histogram", Path("a.png"), "--lo", "10", "--hi", "200"}, "mean: " + tool::Report(ImgAnalyseHistogram(&hist, IMG_HIST_MEAN, 10, 200)).Dump() + "\n"},
      {{"histogram", Path("a.png"), "--feature", "total-count", "--json"}, "493\n"},
      {{"histogram", Path("a.png"), "--counts", "--json"}, "\"counts\": [" + std::to_string(hist[0]) + ", " + std::to_string(hist[1]) + ","},
      {{"histogram", Path("wide.pgm"), "--msb", "11", "--bits", "6", "--saturate", "--feature", "mode-value"}, tool::Report(ImgAnalyseHistogramBW16(&wideHist, IMG_HIST_MODE_VALUE, 0, 63)).Dump() + "\n"},
      {{"histogram-threshold", Path("a.png"), "--json"}, thresholds("relative", IMG_THRESHOLD_RELATIVE)},
      {{"histogram-threshold", Path("a.png"), "--json"}, thresholds("min-sq-error", IMG_THRESHOLD_MIN_SQ_ERROR)},
      {{"auto-threshold", Path("a.png"), "--mode", "isodata"}, "threshold: " + std::to_string(ImgAutoThreshold(&a, IMG_THRESHOLD_ISODATA)) + "\n"},
      {{"three-levels-min-residue-threshold", Path("a.png"), "--json"},
       tool::Report::Group().Set("low-threshold", low).Set("high-threshold", high).Set("averages", tool::Report::List().Add(a0).Add(a1).Add(a2)).Set("residual", residual).Dump()},
      {{"multi-levels-min-residue-threshold", Path("a.png"), "--classes", "4", "--json"},
       "\"residual\": " + tool::Report(multi).Dump() + ",\n  \"classes\": ["},
      {{"multi-levels-min-residue-threshold", Path("a.png"), "--classes", "4", "--json"}, "\"last\": " + std::to_string(last.m_un32Last) + ","},
      {{"info", Path("wide.pgm")}, "width: 29\nheight: 17\npixels: 16-bit gray\nalpha: false\nmax-value: 65535\n"},
      {{"info", Path("wide.pgm"), "--json"}, "{\n  \"format\": \"PGM\",\n  \"width\": 29,\n  \"height\": 17,\n  \"pixels\": \"16-bit gray\",\n  \"alpha\": false,\n  \"max-value\": 65535\n}\n"},
  };
  for (const auto& [args, text] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, 0) << args[0] << run.err;
    EXPECT_NE(run.out.find(text), std::string::npos) << args[0] << " printed\n" << run.out << "\nnot\n" << text;
  }
}

// Refusals: exit status 2 for a bad command line or input file, 1 for a failed operation (its
// code, text and trace printed); nothing written either way.
TEST_F(CommandsTest, RefusalsWriteNothing) {
  std::filesystem::create_directories(Path("folder.pgm"));
  WriteBytes("short.pgm", "P5\n4 4\n255\n0123");
  WriteBytes("maxval.pgm", "P5\n1 1\n0\n\x01");
  WriteBytes("header.pgm", "P5\n4");
  const std::string A = Path("a.png"), out = Path("out.png");
  const std::tuple<Args, int, std::string> rows[] = {
      {{"no-such-command"}, 2, "unknown command 'no-such-command'"},
      {{"shrink", A, out, "--width", "3", "--height", "2", "--colour", "1"}, 2, "shrink has no option --colour"},
      {{"register", A, out, "--src-x", "3", "--src-y", "3", "--dst-x", "3"}, 2, "register needs --dst-y"},
      {{"shrink", A, out, "--width", "three", "--height", "2"}, 2, "--width wants a whole number, not 'three'"},
      {{"shrink", A, out, "--width", "3", "--height"}, 2, "--height needs a value"},
      {{"shrink", A, "--width", "3", "--height", "2"}, 2, "usage: vnimg shrink IN OUT"},
      {{"halve", Path("colour.png"), out}, 2, "halve takes 8-bit gray images, not colour"},
      {{"scale-rotate", A, out, "--rotation", "1e"}, 2, "--rotation wants a finite number, not '1e'"},
      {{"register", A, out, "--src-x", "1,2", "--src-y", "1", "--dst-x", "1", "--dst-y", "1"}, 2, "same 1, 2 or 3"},
      {{"halve", Path("missing.png"), out}, 2, "missing.png: cannot open"},
      {{"halve", A, Path("out.jpg")}, 2, "unknown image format"},
      {{"oper", "1", "2", out, "--op", "add"}, 2, ""}, {{"oper", A, "300", out, "--op", "add"}, 2, ""},
      {{"oper", A, Path("b.png"), out, "--op", "plus"}, 2, ""}, {{"oper", Path("colour.png"), Path("wide.pgm"), out, "--op", "add"}, 2, ""},
      {{"halve", Path("folder.pgm"), out}, 2, Path("folder.pgm")}, {{"halve", Path("short.pgm"), out}, 2, Path("short.pgm")},
      {{"halve", Path("maxval.pgm"), out}, 2, Path("maxval.pgm")}, {{"halve", Path("header.pgm"), out}, 2, Path("header.pgm")},
      {{"histogram", A, "--lo", "20", "--hi", "10"}, 1, "error 1007: " + std::string(VnGetErrorText(1007)) + "\n  here: --lo must lie below --hi"},
      {{"histogram-threshold", A, "--mode", "isodata", "--lo", "20", "--hi", "20"}, 1, "trace, innermost first: \"ImgHistogramThreshold\""},
  };
  const std::vector<std::string> files = Files();
  for (const auto& [args, status, message] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, status) << args[0] << " " << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(Files(), files);
  }
}

TEST_F(CommandsTest, HelpListsEveryCommandAndEveryOption) {
  const Run bare = Tool({}), help = Tool({"--help"});
  EXPECT_TRUE(bare.status == 2 && bare.err.find("usage: vnimg COMMAND") != std::string::npos && help.status == 0);
  for (const tool::Command& command : tool::Commands()) {
    const Run one = Tool({command.name, "--help"});
    EXPECT_TRUE(help.out.find("  " + command.name + " ") != std::string::npos && one.status == 0 && one.out.starts_with("usage: vnimg " + command.name)) << command.name;
    for (const tool::Option& option : command.options) EXPECT_NE(one.out.find("--" + option.name), std::string::npos) << option.name;
    EXPECT_EQ(Tool({"help", command.name}).out, one.out);
  }
}

// Every picture the report announces exists and reads; a given picture is the demo's input.
TEST_F(CommandsTest, DemoWritesEveryFileItAnnounces) {
  const Run run = Tool({"demo", "--out", Path("demo"), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  int pictures = 0;
  for (std::size_t end = run.out.find(".png\""); end != std::string::npos; end = run.out.find(".png\"", end + 1), ++pictures) {
    const std::string path = run.out.substr(run.out.rfind('"', end) + 1, end + 4 - run.out.rfind('"', end) - 1);
    EXPECT_TRUE(path.starts_with(Path("demo")) && tool::ReadImage(path).Width() > 0) << path;
  }
  EXPECT_GE(pictures, 14);  // the input, 6 automatic thresholds, double, 3 adaptive, local mean, rotation, shrink
  EXPECT_TRUE(std::filesystem::exists(Path("demo/report.txt")) && ReadBytes("demo/report.json") == run.out);
  tool::WriteImage(Path("photo.png"), AnyImage{RandomImage<VnC24>(rng, 64, 48), std::nullopt});
  const Run given = Tool({"demo", Path("photo.png"), "--out", Path("demo2")});
  ASSERT_EQ(given.status, 0) << given.err;
  EXPECT_NE(given.out.find("source: " + Path("photo.png")), std::string::npos);
  EXPECT_EQ(tool::ReadImage(Path("demo2/00-input.png")).Width(), 64);
  EXPECT_EQ(Tool({"demo", Path("missing.png"), "--out", Path("demo3")}).status, 2);
}

}  // namespace
}  // namespace vnimg::test
