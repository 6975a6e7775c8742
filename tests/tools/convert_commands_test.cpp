// vnimg convert against the library calls it stands for, PFM files, and the refusals.
#include <bit>

#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;
using tool::ImageVariant;
using Args = std::vector<std::string>;

template <class S, class D, class... P>
VnImage<D> Converted(VnImage<S>& src, P... parameter) {
  VnImage<D> dst(src.GetWidth(), src.GetHeight());
  ImgConvert(&src, &dst, parameter...);
  return dst;
}
::testing::AssertionResult Same(const ImageVariant& a, const ImageVariant& b) {
  if (a.index() != b.index()) return ::testing::AssertionFailure() << tool::PixelTypeName(a) << " against " << tool::PixelTypeName(b);
  return std::visit([&](const auto& image) { return SamePixels(image, std::get<std::decay_t<decltype(image)>>(b)); }, a);
}

class ConvertCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 21; ++x) floats.SetPixel(static_cast<float>((x * 37 + y * 101) % 700) / 2.5f - 20.0f, x, y);
    for (const auto& [name, image] : std::initializer_list<std::pair<const char*, ImageVariant>>{
             {"a.pgm", a}, {"w.pgm", wide}, {"c.png", colour}, {"b.pbm", bits}, {"f.pfm", floats}})
      tool::WriteImage(Path(name), AnyImage{image, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 21, 9);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 21, 9);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 21, 9);
  VnImage<VnBW1> bits = RandomImage<VnBW1>(rng, 21, 9);
  VnImage<VnFLOAT32> floats{21, 9};
};

TEST_F(ConvertCommandsTest, FilesMatchTheLibrary) {
  const std::string A = Path("a.pgm"), W = Path("w.pgm"), C = Path("c.png"), B = Path("b.pbm"), F = Path("f.pfm");
  const std::string pgm = Path("out.pgm"), png = Path("out.png"), pbm = Path("out.pbm"), pfm = Path("out.pfm");
  const std::tuple<Args, std::string, std::function<ImageVariant()>> rows[] = {
      {{"convert", W, pgm, "--to", "bw8"}, pgm, [&] { return Converted<VnBW16, VnBW8>(wide, 8u); }},
      {{"convert", W, pgm, "--to", "bw8", "--shift", "36"}, pgm, [&] { return Converted<VnBW16, VnBW8>(wide, 4u); }},
      {{"convert", A, pgm, "--to", "bw16"}, pgm, [&] { return Converted<VnBW8, VnBW16>(a, 8u); }},
      {{"convert", A, png, "--to", "c24"}, png, [&] { return Converted<VnBW8, VnC24>(a); }},
      {{"convert", C, pgm, "--to", "bw8"}, pgm, [&] { return Converted<VnC24, VnBW8>(colour); }},
      {{"convert", A, pbm, "--to", "bw1"}, pbm, [&] { return Converted<VnBW8, VnBW1>(a); }},
      {{"convert", B, pgm, "--to", "bw8", "--value", "7"}, pgm, [&] { return Converted<VnBW1, VnBW8>(bits, VnBW8{7}); }},
      {{"convert", B, pgm, "--to", "bw16"}, pgm, [&] { return Converted<VnBW1, VnBW16>(bits, VnBW16{65535}); }},
      {{"convert", A, pfm, "--to", "float32"}, pfm, [&] { return Converted<VnBW8, VnFLOAT32>(a); }},
      {{"convert", W, pfm, "--to", "float64"}, pfm, [&] { return Converted<VnBW16, VnFLOAT32>(wide); }},
      {{"convert", F, pgm, "--to", "bw8"}, pgm, [&] { return Converted<VnFLOAT32, VnBW8>(floats); }},
      {{"convert", F, pgm, "--to", "bw16"}, pgm, [&] { return Converted<VnFLOAT32, VnBW16>(floats); }},
      {{"convert", A, pfm, "--to", "bw32", "--shift", "24"}, pfm,
       [&] { auto w32 = Converted<VnBW8, VnBW32>(a, 24u); return Converted<VnBW32, VnFLOAT32>(w32); }},
      {{"convert", C, png, "--to", "c16"}, png, [&] { auto w = Converted<VnC24, VnC16>(colour); return Converted<VnC16, VnC24>(w); }},
      {{"convert", A, png, "--to", "c15"}, png, [&] { auto w = Converted<VnBW8, VnC15>(a); return Converted<VnC15, VnC24>(w); }},
  };
  for (const auto& [args, output, expected] : rows) {
    const Run run = Tool(args);
    ASSERT_EQ(run.status, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_TRUE(Same(tool::ReadImage(output).pixels, expected())) << ::testing::PrintToString(args);
  }
}

TEST_F(ConvertCommandsTest, PfmRoundTripsAndByteOrders) {
  EXPECT_TRUE(Same(tool::ReadImage(Path("f.pfm")).pixels, floats));
  tool::WriteImage(Path("c.pfm"), AnyImage{colour, std::nullopt});
  EXPECT_TRUE(Same(tool::ReadImage(Path("c.pfm")).pixels, colour));
  // Rows bottom to top; a positive scale means big-endian samples.
  std::string little = "Pf\n2 2\n-1.0\n", big = "Pf 2 2 4.0\n", rgb = "PF\n1 1\n-1\n";
  for (float v : {1.0f, 2.0f, 3.0f, -4.5f}) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) little += static_cast<char>(bits >> (8 * i)), big += static_cast<char>(bits >> (24 - 8 * i));
  }
  for (float v : {300.0f, 0.5f, -1.0f}) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) rgb += static_cast<char>(bits >> (8 * i));
  }
  WriteBytes("little.pfm", little), WriteBytes("big.pfm", big), WriteBytes("rgb.pfm", rgb);
  const VnImage<VnFLOAT32> expected = Make<VnFLOAT32>(2, 2, [](int x, int y) { return y ? (x ? 2.0f : 1.0f) : (x ? -4.5f : 3.0f); });
  EXPECT_TRUE(Same(tool::ReadImage(Path("little.pfm")).pixels, expected));
  EXPECT_TRUE(Same(tool::ReadImage(Path("big.pfm")).pixels, expected));
  EXPECT_EQ(std::get<VnImage<VnC24>>(tool::ReadImage(Path("rgb.pfm")).pixels).GetPixel(0, 0), (VnC24{0, 1, 255}));
  WriteBytes("short.pfm", little.substr(0, little.size() - 1));
  WriteBytes("zero.pfm", "Pf\n2 2\n0\n" + little.substr(12));
  for (const char* name : {"short.pfm", "zero.pfm"}) EXPECT_THROW(tool::ReadImage(Path(name)), tool::FileError) << name;
}

TEST_F(ConvertCommandsTest, Refusals) {
  const Args rows[] = {
      {"convert", Path("b.pbm"), Path("o.pgm"), "--to", "bw8", "--shift", "2"},
      {"convert", Path("a.pgm"), Path("o.pgm"), "--to", "bw16", "--value", "2"},
      {"convert", Path("a.pgm"), Path("o.pgm"), "--to", "bw8"},
      {"convert", Path("c.png"), Path("o.pgm"), "--to", "bw16"},
      {"convert", Path("b.pbm"), Path("o.pgm"), "--to", "bw8", "--value", "256"},
      {"convert", Path("a.pgm"), Path("o.png"), "--to", "float32"},
      {"convert", Path("a.pgm"), Path("o.pfm"), "--to", "bw16"},
  };
  for (const Args& args : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(Path("o.pgm")) || std::filesystem::exists(Path("o.png")) || std::filesystem::exists(Path("o.pfm")));
}

}  // namespace
}  // namespace vnimg::test
