#include <filesystem>

#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;

class ToolCommandTest : public ToolTest {
 protected:
  template <class T>
  VnImage<T> Output(const std::string& name) {
    AnyImage image = tool::ReadImage(Path(name));
    EXPECT_TRUE(std::holds_alternative<VnImage<T>>(image.pixels)) << tool::PixelTypeName(image.pixels);
    return std::get<VnImage<T>>(std::move(image.pixels));
  }
  template <class T>
  void Input(const std::string& name, const VnImage<T>& image) {
    tool::WriteImage(Path(name), AnyImage{image, std::nullopt});
  }
};

TEST_F(ToolCommandTest, HelpListsEveryCommandAndEveryOption) {
  const Run bare = Tool({});
  EXPECT_EQ(bare.status, 2);
  EXPECT_NE(bare.err.find("usage: vnimg COMMAND"), std::string::npos);
  const Run help = Tool({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const tool::Command& command : tool::Commands()) {
    SCOPED_TRACE(command.name);
    EXPECT_NE(help.out.find("  " + command.name + " "), std::string::npos);
    const Run one = Tool({command.name, "--help"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out.rfind("usage: vnimg " + command.name, 0), 0u) << one.out;
    for (const tool::Option& option : command.options) EXPECT_NE(one.out.find("--" + option.name), std::string::npos) << option.name;
    EXPECT_EQ(Tool({"help", command.name}).out, one.out);
  }
}

TEST_F(ToolCommandTest, BadCommandLinesExitWithTwoAndWriteNothing) {
  Input("in.png", RandomImage<VnBW8>(rng, 9, 7));
  Input("colour.png", RandomImage<VnC24>(rng, 9, 7));
  const std::string out = Path("out.png");
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"no-such-command"}, "unknown command 'no-such-command'"},
      {{"shrink", Path("in.png"), out, "--width", "3", "--height", "2", "--colour", "1"}, "shrink has no option --colour"},
      {{"register", Path("in.png"), out, "--src-x", "3", "--src-y", "3", "--dst-x", "3"}, "register needs --dst-y"},
      {{"shrink", Path("in.png"), out, "--width", "three", "--height", "2"}, "--width wants a whole number, not 'three'"},
      {{"shrink", Path("in.png"), out, "--width", "3", "--height"}, "--height needs a value"},
      {{"shrink", Path("in.png"), "--width", "3", "--height", "2"}, "usage: vnimg shrink IN OUT"},
      {{"halve", Path("colour.png"), out}, "halve takes 8-bit gray images, not colour"},
      {{"scale-rotate", Path("in.png"), out, "--rotation", "1e"}, "--rotation wants a number, not '1e'"},
      {{"register", Path("in.png"), out, "--src-x", "1,2", "--src-y", "1", "--dst-x", "1", "--dst-y", "1"}, "same 1, 2 or 3"},
      {{"halve", Path("missing.png"), out}, "missing.png: cannot open"},
      {{"halve", Path("in.png"), Path("out.jpg")}, "unknown image format"},
  };
  for (const Case& c : cases) {
    const Run run = Tool(c.args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(Files(), (std::vector<std::string>{"colour.png", "in.png"}));
  }
}

TEST_F(ToolCommandTest, MalformedInputFilesExitWithTwo) {
  std::filesystem::create_directories(Path("folder.pgm"));
  WriteBytes("short.pgm", "P5\n4 4\n255\n0123");
  WriteBytes("maxval.pgm", "P5\n1 1\n0\n\x01");
  WriteBytes("header.pgm", "P5\n4");
  for (const char* name : {"folder.pgm", "short.pgm", "maxval.pgm", "header.pgm"}) {
    const Run run = Tool({"halve", Path(name), Path("out.pgm")});
    EXPECT_EQ(run.status, 2) << name;
    EXPECT_NE(run.err.find(Path(name)), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("out.pgm")));
  }
}

TEST_F(ToolCommandTest, AFailedOperationPrintsCodeTextAndTraceAndExitsWithOne) {
  Input("in.png", RandomImage<VnBW8>(rng, 9, 7));
  const Run run = Tool({"scale-rotate", Path("in.png"), Path("out.png"), "--interpolation-bits", "3"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("error 1007: " + std::string(VnGetErrorText(1007))), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("trace, innermost first: \"ImgLinearTransform\", \"ImgScaleRotate\""), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
}

TEST_F(ToolCommandTest, InfoPrintsTextOrJson) {
  Input("in.pgm", RandomImage<VnBW16>(rng, 9, 7));
  EXPECT_EQ(Tool({"info", Path("in.pgm")}).out, "width: 9\nheight: 7\npixels: 16-bit gray\nalpha: false\n");
  EXPECT_EQ(Tool({"info", Path("in.pgm"), "--json"}).out,
            "{\n  \"width\": 9,\n  \"height\": 7,\n  \"pixels\": \"16-bit gray\",\n  \"alpha\": false\n}\n");
}

// Angles given to the library directly in degrees, restoring its unit.
template <class F>
void InDegrees(F&& f) {
  const VN_ANGLE_UNIT previous = VnGetAngleUnit();
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  f();
  VnSetAngleUnit(previous);
}

TEST_F(ToolCommandTest, GeometryCommandsMatchTheLibrary) {
  const VnImage<VnBW8> gray = RandomImage<VnBW8>(rng, 37, 23);
  Input("gray.png", gray);
  const std::string in = Path("gray.png"), out = Path("out.png");
  struct Case {
    std::vector<std::string> args;
    std::function<VnImage<VnBW8>()> expected;
  };
  const Case cases[] = {
      {{"scale-rotate", in, out, "--rotation", "30", "--scale-x", "1.5", "--interpolation-bits", "8"},
       [&] {
         VnImage<VnBW8> dst(37, 23);
         InDegrees([&] { ImgScaleRotate(&gray, 18.5f, 11.5f, 18.5f, 11.5f, 1.5f, 1.0f, 30.0f, &dst, 8); });
         return dst;
       }},
      {{"scale-rotate", in, out, "--src-pivot-x", "3", "--dst-pivot-y", "4.5", "--scale-y", "0.5", "--width", "20", "--height", "40"},
       [&] {
         VnImage<VnBW8> dst(20, 40);
         ImgScaleRotate(&gray, 3.0f, 11.5f, 10.0f, 4.5f, 1.0f, 0.5f, 0.0f, &dst, 0);
         return dst;
       }},
      {{"linear-transform", in, out, "--a", "0.5", "--b", "0.25", "--c", "3", "--e", "2", "--width", "20", "--height", "30", "--interpolation-bits", "4"},
       [&] {
         VnImage<VnBW8> dst(20, 30);
         ImgLinearTransform(&gray, 0.5f, 0.25f, 3.0f, 0.0f, 2.0f, 0.0f, &dst, 4);
         return dst;
       }},
      {{"register", in, out, "--src-x", "4", "--src-y", "5", "--dst-x", "7.5", "--dst-y", "2"},
       [&] {
         VnImage<VnBW8> dst(37, 23);
         ImgRegister(&gray, &dst, 4.0f, 5.0f, 7.5f, 2.0f, 0);
         return dst;
       }},
      {{"register", in, out, "--src-x", "4,30", "--src-y", "5,6", "--dst-x", "5,28", "--dst-y", "3,12", "--resize", "--interpolation-bits", "8"},
       [&] {
         VnImage<VnBW8> dst(37, 23);
         ImgRegister(&gray, &dst, 4.0f, 5.0f, 30.0f, 6.0f, 5.0f, 3.0f, 28.0f, 12.0f, 8, 1);
         return dst;
       }},
      {{"register", in, out, "--src-x", "4,30,10", "--src-y", "5,6,20", "--dst-x", "5,28,12", "--dst-y", "3,12,21"},
       [&] {
         VnImage<VnBW8> dst(37, 23);
         ImgRegister(&gray, &dst, 4.0f, 5.0f, 30.0f, 6.0f, 10.0f, 20.0f, 5.0f, 3.0f, 28.0f, 12.0f, 12.0f, 21.0f, 0);
         return dst;
       }},
      {{"shrink", in, out, "--width", "10", "--height", "7"},
       [&] {
         VnImage<VnBW8> dst(10, 7);
         ImgShrink(&gray, &dst);
         return dst;
       }},
      {{"halve", in, out, "--drop-odd", "1"},
       [&] {
         VnImage<VnBW8> dst;
         ImgHalve(&gray, &dst, 1);
         return dst;
       }},
      {{"halve", in, out},
       [&] {
         VnImage<VnBW8> dst;
         ImgHalve(&gray, &dst, 0);
         return dst;
       }},
      {{"vertical-mirror", in, out},
       [&] {
         VnImage<VnBW8> dst = gray;
         ImgVerticalMirror(&dst);
         return dst;
       }},
      {{"horizontal-mirror", in, out},
       [&] {
         VnImage<VnBW8> dst = gray;
         ImgHorizontalMirror(&dst);
         return dst;
       }},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& arg : c.args) line += arg + " ";
    SCOPED_TRACE(line);
    const Run run = Tool(c.args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(SamePixels<VnBW8>(Output<VnBW8>("out.png"), c.expected()));
  }
}

TEST_F(ToolCommandTest, GeometryCommandsKeepSixteenBitAndColourPixels) {
  const VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 21, 13);
  const VnImage<VnC24> colour = RandomImage<VnC24>(rng, 21, 13);
  Input("wide.pgm", wide);
  Input("colour.ppm", colour);
  ASSERT_EQ(Tool({"scale-rotate", Path("wide.pgm"), Path("wide-out.png"), "--rotation", "-45", "--interpolation-bits", "8"}).status, 0);
  VnImage<VnBW16> wideExpected(21, 13);
  InDegrees([&] { ImgScaleRotate(&wide, 10.5f, 6.5f, 10.5f, 6.5f, 1.0f, 1.0f, -45.0f, &wideExpected, 8); });
  EXPECT_TRUE(SamePixels<VnBW16>(Output<VnBW16>("wide-out.png"), wideExpected));

  ASSERT_EQ(Tool({"shrink", Path("colour.ppm"), Path("colour-out.ppm"), "--width", "8", "--height", "5"}).status, 0);
  VnImage<VnC24> colourExpected(8, 5);
  ImgShrink(&colour, &colourExpected);
  EXPECT_TRUE(SamePixels<VnC24>(Output<VnC24>("colour-out.ppm"), colourExpected));
}

TEST_F(ToolCommandTest, DemoWritesEveryFileItAnnounces) {
  const Run run = Tool({"demo", "--out", Path("demo"), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  int pictures = 0;
  // Every quoted string ending in .png is a picture the report announces.
  for (std::size_t end = run.out.find(".png\""); end != std::string::npos; end = run.out.find(".png\"", end + 1)) {
    const std::size_t begin = run.out.rfind('"', end) + 1;
    const std::string path = run.out.substr(begin, end + 4 - begin);
    SCOPED_TRACE(path);
    EXPECT_EQ(path.rfind(Path("demo"), 0), 0u);
    const AnyImage image = tool::ReadImage(path);
    EXPECT_GT(image.Width(), 0);
    ++pictures;
  }
  EXPECT_GE(pictures, 14);  // the input, 6 automatic thresholds, double, 3 adaptive, local mean, rotation, shrink
  EXPECT_TRUE(std::filesystem::exists(Path("demo/report.txt")));
  EXPECT_TRUE(std::filesystem::exists(Path("demo/report.json")));
  EXPECT_EQ(ReadBytes("demo/report.json"), run.out);
}

TEST_F(ToolCommandTest, DemoRunsOnAGivenPicture) {
  Input("photo.png", RandomImage<VnC24>(rng, 64, 48));
  const Run run = Tool({"demo", Path("photo.png"), "--out", Path("demo")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("source: " + Path("photo.png")), std::string::npos);
  EXPECT_NE(run.out.find("the pictures are in"), std::string::npos);
  const VnImage<VnBW8> input = Output<VnBW8>("demo/00-input.png");
  EXPECT_EQ(input.GetWidth(), 64);
  EXPECT_EQ(Tool({"demo", Path("missing.png"), "--out", Path("demo2")}).status, 2);
}

}  // namespace
}  // namespace vnimg::test
