// The tool's image files: round trips of every format and pixel type, byte orders worked by
// hand, malformed files, failed writes.
#include <array>
#include <filesystem>

#include "byte_order.h"
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;
using tool::FileError;
using tool::ReadImage;
using tool::WriteImage;

class ImageFileTest : public ToolTest {
 protected:
  template <class T>
  void RoundTrip(const std::string& name, int width, int height, bool alpha = false, bool plain = false) {
    AnyImage image{RandomImage<T>(rng, width, height), std::nullopt};
    if (alpha) image.alpha = RandomImage<VnBW8>(rng, width, height);
    WriteImage(Path(name), image, {.plain = plain});
    const AnyImage back = ReadImage(Path(name));
    ASSERT_TRUE(std::holds_alternative<VnImage<T>>(back.pixels)) << name << ": " << tool::PixelTypeName(back.pixels);
    EXPECT_TRUE(SamePixels<T>(std::get<VnImage<T>>(image.pixels), std::get<VnImage<T>>(back.pixels))) << name << " " << width;
    ASSERT_EQ(back.alpha.has_value(), alpha) << name;
    EXPECT_TRUE(!alpha || SamePixels<VnBW8>(*image.alpha, *back.alpha)) << name;
  }
  // Reading `bytes` as `name` fails with a message naming the file and containing `message`.
  void ExpectUnreadable(const std::string& name, const std::string& bytes, const std::string& message) {
    if (!bytes.empty() || name == "empty.pgm") WriteBytes(name, bytes);
    try {
      ReadImage(Path(name));
      ADD_FAILURE() << name << " read without error";
    } catch (const FileError& e) {
      EXPECT_TRUE(std::string(e.what()).find(message) != std::string::npos && std::string(e.what()).find(name) != std::string::npos) << e.what();
    }
  }
};

TEST_F(ImageFileTest, EveryFormatAndPixelTypeRoundTrips) {
  for (const int width : {1, 7, 8, 13, 64}) {
    RoundTrip<VnBW8>("gray.pgm", width, 5), RoundTrip<VnBW16>("wide.pgm", width, 5), RoundTrip<VnC24>("colour.ppm", width, 5);
    RoundTrip<VnBW1>("bits.pbm", width, 5), RoundTrip<VnBW8>("gray.pnm", width, 3), RoundTrip<VnBW16>("wide.pnm", width, 3);
    RoundTrip<VnC24>("colour.pnm", width, 3), RoundTrip<VnBW1>("bits.pnm", width, 3), RoundTrip<VnBW1>("bits.png", width, 5);
    RoundTrip<VnBW8>("gray.png", width, 5), RoundTrip<VnBW16>("wide.png", width, 5), RoundTrip<VnC24>("colour.png", width, 5);
    RoundTrip<VnC24>("colour-alpha.png", width, 5, true), RoundTrip<VnBW8>("gray-alpha.png", width, 5, true);
    RoundTrip<VnBW16>("wide-alpha.png", width, 5, true), RoundTrip<VnBW1>("bits.pam", width, 3);
    RoundTrip<VnBW8>("gray-alpha.pam", width, 3, true), RoundTrip<VnBW16>("wide-alpha.pam", width, 3, true);
    RoundTrip<VnC24>("colour-alpha.pam", width, 3, true), RoundTrip<VnC24>("colour.pam", width, 3);
    RoundTrip<VnBW1>("plain.pbm", width, 3, false, true), RoundTrip<VnBW8>("plain.pgm", width, 3, false, true);
    RoundTrip<VnBW16>("plain16.pgm", width, 3, false, true), RoundTrip<VnC24>("plain.ppm", width, 3, false, true);
  }
  RoundTrip<VnBW8>("UPPER.PGM", 3, 3);
}

// Files hold red, green, blue (VnC24 holds blue in c0), 16-bit samples big-endian, and a set PBM
// bit is black (a VnBW1 pixel of 1 is the white foreground); comments read; small maximums
// scale to the full range.
TEST_F(ImageFileTest, ByteOrdersWorkedByHand) {
  WriteBytes("one.ppm", std::string("P6\n1 1\n255\n") + "\x0a\x14\x1e");
  WriteImage(Path("one.png"), ReadImage(Path("one.ppm")));
  for (const char* name : {"one.ppm", "one.png"}) EXPECT_EQ(std::get<VnImage<VnC24>>(ReadImage(Path(name)).pixels).GetPixel(0, 0), (VnC24{30, 20, 10})) << name;
  WriteImage(Path("red.ppm"), AnyImage{Make<VnC24>(1, 1, [](int, int) { return VnC24{0, 0, 255}; }), std::nullopt});
  EXPECT_EQ(ReadBytes("red.ppm"), std::string("P6\n1 1\n255\n\xff", 12) + std::string(2, '\0'));
  // Rows long enough for the vector reordering, with a tail.
  const auto byte = [](int v) { return static_cast<unsigned char>(v); };
  const VnImage<VnC24> row = Make<VnC24>(13, 2, [&](int x, int y) { return VnC24{byte(x), byte(y), byte(40 + x)}; });
  WriteImage(Path("long.ppm"), AnyImage{row, std::nullopt});
  std::string expected = "P6\n13 2\n255\n";
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 13; ++x) expected += {static_cast<char>(40 + x), static_cast<char>(y), static_cast<char>(x)};
  EXPECT_EQ(ReadBytes("long.ppm"), expected);
  EXPECT_TRUE(SamePixels<VnC24>(std::get<VnImage<VnC24>>(ReadImage(Path("long.ppm")).pixels), row));
  WriteBytes("wide.pgm", std::string("P5 2 1 4095\n") + "\x01\x02\x0f\xff");
  EXPECT_TRUE(SamePixels<VnBW16>(std::get<VnImage<VnBW16>>(ReadImage(Path("wide.pgm")).pixels), Make<VnBW16>(2, 1, [](int x, int) { return x ? 65535 : 4129; })));  // 258 * 65535 / 4095 = 4128.9
  WriteBytes("c.pgm", std::string("P5\n# made by hand\n2 # width\n1\n# max\n100\n") + "\x05\x64");
  EXPECT_TRUE(SamePixels<VnBW8>(std::get<VnImage<VnBW8>>(ReadImage(Path("c.pgm")).pixels), Make<VnBW8>(2, 1, [](int x, int) { return x ? 255 : 13; })));  // 5 * 255 / 100 = 12.75
  WriteBytes("b.pbm", std::string("P4\n10 1\n") + "\xa5\x40");
  const AnyImage bits = ReadImage(Path("b.pbm"));
  EXPECT_TRUE(SamePixels<VnBW1>(std::get<VnImage<VnBW1>>(bits.pixels), Make<VnBW1>(10, 1, [](int x, int) { return VnBW1(std::array{0, 1, 0, 1, 1, 0, 1, 0, 1, 0}[x]); })));
  WriteImage(Path("again.pbm"), bits);
  EXPECT_EQ(ReadBytes("again.pbm"), std::string("P4\n10 1\n") + "\xa5\x40");  // padding bits clear
}

// Every length through the widest vector steps and their tails, at an odd source offset; not a
// byte written past the last triple.
TEST(ByteOrder, ReverseTriplesAtEveryLength) {
  std::mt19937 rng(5);
  std::vector<unsigned char> src(3 * 150 + 1), dst(3 * 150 + 64);
  for (unsigned char& b : src) b = static_cast<unsigned char>(rng());
  for (std::size_t n = 0; n <= 150; ++n) {
    std::fill(dst.begin(), dst.end(), 0xA5);
    tool::ReverseTriples(src.data() + 1, dst.data(), n);
    for (std::size_t i = 0; i < 3 * n; ++i) ASSERT_EQ(dst[i], src[1 + i / 3 * 3 + 2 - i % 3]) << n << " " << i;
    ASSERT_TRUE(std::all_of(dst.begin() + 3 * n, dst.end(), [](unsigned char b) { return b == 0xA5; })) << n;
  }
}

TEST_F(ImageFileTest, MalformedFilesAreRefused) {
  std::filesystem::create_directories(Path("folder.png"));
  const std::string png = (WriteImage(Path("source.png"), AnyImage{RandomImage<VnBW8>(rng, 40, 30), std::nullopt}), ReadBytes("source.png"));
  std::string corrupt = png;
  corrupt[20] ^= 0x55;  // inside the header chunk: its checksum no longer matches
  const std::tuple<const char*, std::string, const char*> rows[] = {
      {"empty.pgm", "", "not an image file"}, {"text.pgm", "hello world", "not an image file"}, {"p8.pgm", "P8\n1 1\n255\n\x01", "not an image file"},
      {"header-cut.pgm", "P5\n12", "truncated header"}, {"header-cut2.pgm", "P5\n12 4\n", "truncated header"},
      {"no-blank.pgm", "P5\n1 1\n255", "truncated header"}, {"letters.pgm", "P5\nab 4\n255\n", "width is not a number"}, {"zero-width.pgm", "P5\n0 4\n255\n", "empty image"},
      {"huge.pgm", "P5\n99999999 99999999\n255\n", "exceed the limit"}, {"maxval-0.pgm", "P5\n1 1\n0\n", "bad maximum value 0"},
      {"maxval-big.pgm", "P5\n1 1\n70000\n", "bad maximum value 70000"},
      {"wide-colour.ppm", "P6\n1 1\n65535\n", "16-bit colour"},
      {"short.pgm", "P5\n4 4\n255\n0123456789", "truncated pixel data (10 of 16 bytes)"}, {"short16.pgm", "P5\n2 2\n65535\n1234567", "truncated pixel data (7 of 8 bytes)"},
      {"short.ppm", "P6\n2 2\n255\n01234567890", "truncated pixel data (11 of 12 bytes)"}, {"short.pbm", "P4\n9 3\n12345", "truncated pixel data (5 of 6 bytes)"},
      {"above-max.pgm", "P5\n2 1\n100\n\x05\x65", "sample value 101 above the maximum value 100"},
      {"signature-only.png", png.substr(0, 8), "truncated"},
      {"half.png", png.substr(0, png.size() / 2), "truncated"}, {"corrupt.png", corrupt, "CRC"},
      {"folder.png", "", "is a directory"}, {"missing.pgm", "", "cannot open"},
  };
  for (const auto& [name, bytes, message] : rows) ExpectUnreadable(name, bytes, message);
}

// A failed write leaves an older file as it was and no temporary behind; a good one replaces
// the old file completely, readable.
TEST_F(ImageFileTest, WritesAreAllOrNothing) {
  const AnyImage colour{RandomImage<VnC24>(rng, 5, 5), std::nullopt}, gray{RandomImage<VnBW8>(rng, 3, 2), std::nullopt};
  WriteBytes("old.pgm", "previous content");
  for (const char* name : {"old.pgm", "new.pbm", "new.jpg", "no-such-folder/x.png"}) EXPECT_THROW(WriteImage(Path(name), colour), FileError) << name;
  EXPECT_EQ(ReadBytes("old.pgm"), "previous content");
  EXPECT_EQ(Files(), std::vector<std::string>{"old.pgm"});
  std::filesystem::create_directories(Path("folder.png"));
  EXPECT_THROW(WriteImage(Path("folder.png"), colour), FileError);
  WriteBytes("out.png", std::string(100000, 'x'));
  WriteImage(Path("out.png"), gray);
  EXPECT_TRUE(SamePixels<VnBW8>(std::get<VnImage<VnBW8>>(gray.pixels), std::get<VnImage<VnBW8>>(ReadImage(Path("out.png")).pixels)));
  EXPECT_NE(std::filesystem::status(Path("out.png")).permissions() & std::filesystem::perms::owner_read, std::filesystem::perms::none);
}

}  // namespace
}  // namespace vnimg::test
