// The gradient commands against the library calls they stand for, and their refusals.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;

class GradientCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    tool::WriteImage(Path("a.png"), tool::AnyImage{a, std::nullopt});
    tool::WriteImage(Path("wide.pgm"), tool::AnyImage{wide, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 23, 15);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 23, 15);
};

TEST_F(GradientCommandsTest, ImagesMatchTheLibrary) {
  auto scalar = [&]<class T>(const VnImage<T>& src, auto fill) {
    VnImage<T> table, dst(src.GetWidth(), src.GetHeight());
    fill(table);
    ImgGradientScalar(&src, &dst, &table);
    return dst;
  };
  struct Row { Args args; std::function<bool(const tool::AnyImage&)> holds; };
  auto same = []<class T>(VnImage<T> expected) { return [e = std::move(expected)](const tool::AnyImage& got) { return bool(SamePixels<T>(std::get<VnImage<T>>(got.pixels), e)); }; };
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  auto argument8 = scalar(a, [](VnImage<VnBW8>& t) { ImgArgumentImage(&t, 17, 180.0f); });
  auto argument16 = scalar(wide, [](VnImage<VnBW16>& t) { ImgArgumentImage(&t, 1000, 0.0f); });
  VnSetAngleUnit(VN_ANGLE_RADIANS);
  VnImage<VnBW8> deviation(23, 15);
  VnImage<VnBW16> deviation16(23, 15);
  ImgLocalDeviation(&a, &deviation, 2, 5);
  ImgLocalDeviation(&wide, &deviation16, 40, 40);
  VnImage<VnBW8> average(23, 15);
  VnImage<VnBW16> average16(23, 15);
  ImgConvolUniform(&a, &average, 3, 2);
  ImgConvolUniform(&wide, &average16, 9, 9);
  const Row rows[] = {
      {{"gradient-scalar", Path("a.png"), Path("m.png"), "--gain", "1.5"}, same(scalar(a, [](VnImage<VnBW8>& t) { ImgModulusImage(&t, 1.5f); }))},
      {{"gradient-scalar", Path("a.png"), Path("g.png"), "--table", "argument", "--offset", "17", "--period", "180"}, same(std::move(argument8))},
      {{"gradient-scalar", Path("wide.pgm"), Path("g16.pgm"), "--table", "argument", "--offset", "1000"}, same(std::move(argument16))},
      {{"local-deviation", Path("a.png"), Path("d.png"), "--half-x", "2", "--half-y", "5"}, same(std::move(deviation))},
      {{"local-deviation", Path("wide.pgm"), Path("d16.pgm"), "--half-x", "40"}, same(std::move(deviation16))},
      {{"local-average", Path("a.png"), Path("m.png"), "--half-x", "3", "--half-y", "2"}, same(std::move(average))},
      {{"local-average", Path("wide.pgm"), Path("m16.pgm"), "--half-x", "9"}, same(std::move(average16))},
  };
  for (const Row& r : rows) {
    ASSERT_EQ(Tool(r.args).status, 0) << r.args[0];
    EXPECT_TRUE(r.holds(tool::ReadImage(r.args[2]))) << r.args[2];
  }
}

TEST_F(GradientCommandsTest, RefusalsWriteNothing) {
  const std::string A = Path("a.png"), out = Path("out.png");
  const std::tuple<Args, int, std::string> rows[] = {
      {{"gradient-scalar", A, out, "--table", "argument", "--gain", "2"}, 2, "--gain applies to --table modulus only"},
      {{"gradient-scalar", A, out, "--period", "90"}, 2, "apply to --table argument only"},
      {{"local-deviation", A, out, "--half-x", "32768"}, 2, ""},
  };
  const std::vector<std::string> files = Files();
  for (const auto& [args, status, message] : rows) {
    const auto result = Tool(args);
    EXPECT_EQ(result.status, status) << args[3];
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(Files(), files);
  }
}

}  // namespace
}  // namespace vnimg::test
