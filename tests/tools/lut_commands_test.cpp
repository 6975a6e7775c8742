// The lookup family's commands against the library calls they stand for, and their refusals.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;

class LutCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    tool::WriteImage(Path("a.png"), tool::AnyImage{a, std::nullopt});
    tool::WriteImage(Path("ref.png"), tool::AnyImage{ref, std::nullopt});
    tool::WriteImage(Path("dark.png"), tool::AnyImage{dark, std::nullopt});
    tool::WriteImage(Path("wide.pgm"), tool::AnyImage{wide, std::nullopt});
    tool::WriteImage(Path("colour.png"), tool::AnyImage{colour, std::nullopt});
  }
  template <class T>
  ::testing::AssertionResult Holds(const std::string& name, const VnImage<T>& expected) {
    return SamePixels<T>(std::get<VnImage<T>>(tool::ReadImage(Path(name)).pixels), expected);
  }
  template <class T, class F>
  static VnImage<T> Expected(const VnImage<T>& like, F call) {
    VnImage<T> dst(like.GetWidth(), like.GetHeight());
    call(&dst);
    return dst;
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 23, 15), ref = RandomImage<VnBW8>(rng, 23, 15), dark = RandomImage<VnBW8>(rng, 23, 15);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 23, 15);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 23, 15);
};

TEST_F(LutCommandsTest, ImagesMatchTheLibrary) {
  VnBW8Vector lut(256);
  std::string lines, json = "[";
  for (unsigned i = 0; i < 256; ++i) {
    lut[i] = VnBW8(255 - i / 2);
    lines.append(std::to_string(lut[i])).append("\n");
    json.append(i ? "," : "").append(std::to_string(lut[i]));
  }
  WriteBytes("table.txt", lines);
  WriteBytes("table.json", json + "]");
  const auto mapped = Expected(a, [&](auto* d) { ImgLut(&a, d, &lut); });
  const std::tuple<Args, std::string, std::function<::testing::AssertionResult()>> rows[] = {
      {{"lut", Path("a.png"), Path("o.png"), "--table", Path("table.txt")}, "o.png", [&] { return Holds("o.png", mapped); }},
      {{"lut", Path("a.png"), Path("j.png"), "--table", Path("table.json")}, "j.png", [&] { return Holds("j.png", mapped); }},
      {{"gain-offset", Path("colour.png"), Path("g.png"), "--gain", "1.5", "--offset", "-20"}, "g.png",
       [&] { return Holds("g.png", Expected(colour, [&](auto* d) { ImgGainOffset(&colour, d, VnColor{1.5f, 1.5f, 1.5f}, VnColor{-20, -20, -20}); })); }},
      {{"normalize", Path("wide.pgm"), Path("n.pgm"), "--mean", "3000", "--std-dev", "100"}, "n.pgm",
       [&] { return Holds("n.pgm", Expected(wide, [&](auto* d) { ImgNormalize(&wide, d, 3000.0f, 100.0f); })); }},
      {{"equalize", Path("a.png"), Path("e.png")}, "e.png", [&] { return Holds("e.png", Expected(a, [&](auto* d) { ImgEqualize(&a, d); })); }},
      {{"uniformize", Path("a.png"), Path("ref.png"), Path("u.png"), "--level", "120", "--multiplicative"}, "u.png",
       [&] { return Holds("u.png", Expected(a, [&](auto* d) { ImgUniformize(&a, VnBW8{120}, &ref, d, 1); })); }},
      {{"uniformize-light-dark", Path("a.png"), Path("ref.png"), Path("dark.png"), Path("l.png"), "--light-level", "200", "--dark-level", "10"}, "l.png",
       [&] { return Holds("l.png", Expected(a, [&](auto* d) { ImgUniformize(&a, VnBW8{200}, &ref, VnBW8{10}, &dark, d); })); }},
  };
  for (const auto& [args, file, check] : rows) {
    ASSERT_EQ(Tool(args).status, 0) << args[0];
    EXPECT_TRUE(check()) << args[0];
  }
}

TEST_F(LutCommandsTest, RefusalsWriteNothing) {
  WriteBytes("short.txt", "1 2 3");
  WriteBytes("big.txt", "300");
  const std::string A = Path("a.png"), out = Path("out.png");
  const std::tuple<Args, int, std::string> rows[] = {
      {{"lut", A, out, "--table", Path("short.txt")}, 2, "holds 3 values, not the 256"},
      {{"lut", A, out, "--table", Path("big.txt")}, 2, "'300' is not a value from 0 to 255"},
      {{"uniformize", A, Path("wide.pgm"), out, "--level", "9"}, 2, "must be of the source's pixel type"},
      {{"uniformize", A, A, out, "--level", "300"}, 2, "--level"},
  };
  const std::vector<std::string> files = Files();
  for (const auto& [args, status, message] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, status) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(Files(), files);
  }
}

}  // namespace
}  // namespace vnimg::test
