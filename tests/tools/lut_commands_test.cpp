// The lookup family's commands against the library calls they stand for.
#include <filesystem>

#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

class LutCommandsTest : public ToolTest {
 protected:
  template <class T>
  void Write(const std::string& name, const VnImage<T>& image) {
    tool::WriteImage(Path(name), tool::AnyImage{image, std::nullopt});
  }
  // The tool's output `name` against call(dst) on an image of like's size.
  template <class T, class F>
  ::testing::AssertionResult Holds(const std::string& name, const VnImage<T>& like, F call) {
    VnImage<T> dst(like.GetWidth(), like.GetHeight());
    call(&dst);
    return SamePixels<T>(std::get<VnImage<T>>(tool::ReadImage(Path(name)).pixels), dst);
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 23, 15), ref = RandomImage<VnBW8>(rng, 23, 15), dark = RandomImage<VnBW8>(rng, 23, 15);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 23, 15);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 23, 15);
};

TEST_F(LutCommandsTest, ImagesMatchTheLibrary) {
  Write("a.png", a), Write("ref.png", ref), Write("dark.png", dark), Write("wide.pgm", wide), Write("colour.png", colour);
  VnBW8Vector lut(256);
  std::string lines, json = "[";
  for (unsigned i = 0; i < 256; ++i) {
    lut[i] = VnBW8(255 - i / 2);
    lines.append(std::to_string(lut[i])).append("\n");
    json.append(i ? "," : "").append(std::to_string(lut[i]));
  }
  WriteBytes("table.txt", lines);
  WriteBytes("table.json", json + "]");
  const auto tool = [&](std::vector<std::string> args) { return Tool(args).status == 0; };
  ASSERT_TRUE(tool({"lut", Path("a.png"), Path("o.png"), "--table", Path("table.txt")}));
  EXPECT_TRUE(Holds("o.png", a, [&](auto* d) { ImgLut(&a, d, &lut); }));
  ASSERT_TRUE(tool({"lut", Path("a.png"), Path("j.png"), "--table", Path("table.json")}));
  EXPECT_TRUE(Holds("j.png", a, [&](auto* d) { ImgLut(&a, d, &lut); }));
  ASSERT_TRUE(tool({"gain-offset", Path("colour.png"), Path("g.png"), "--gain", "1.5", "--offset", "-20"}));
  EXPECT_TRUE(Holds("g.png", colour, [&](auto* d) { ImgGainOffset(&colour, d, VnColor{1.5f, 1.5f, 1.5f}, VnColor{-20, -20, -20}); }));
  ASSERT_TRUE(tool({"normalize", Path("wide.pgm"), Path("n.pgm"), "--mean", "3000", "--std-dev", "100"}));
  EXPECT_TRUE(Holds("n.pgm", wide, [&](auto* d) { ImgNormalize(&wide, d, 3000.0f, 100.0f); }));
  ASSERT_TRUE(tool({"equalize", Path("a.png"), Path("e.png")}));
  EXPECT_TRUE(Holds("e.png", a, [&](auto* d) { ImgEqualize(&a, d); }));
  ASSERT_TRUE(tool({"uniformize", Path("a.png"), Path("ref.png"), Path("u.png"), "--level", "120", "--multiplicative"}));
  EXPECT_TRUE(Holds("u.png", a, [&](auto* d) { ImgUniformize(&a, VnBW8{120}, &ref, d, 1); }));
  ASSERT_FALSE(tool({"uniformize", Path("a.png"), Path("wide.pgm"), Path("x.png"), "--level", "120"}));  // types differ
  ASSERT_TRUE(tool({"uniformize-light-dark", Path("a.png"), Path("ref.png"), Path("dark.png"), Path("l.png"), "--light-level", "200",
                    "--dark-level", "10"}));
  EXPECT_TRUE(Holds("l.png", a, [&](auto* d) { ImgUniformize(&a, VnBW8{200}, &ref, VnBW8{10}, &dark, d); }));
  EXPECT_FALSE(std::filesystem::exists(Path("x.png")));
}

}  // namespace
}  // namespace vnimg::test
