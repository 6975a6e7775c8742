#include <filesystem>

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
  // Writes a random image of type T to `name`, reads it back and compares.
  template <class T>
  void RoundTrip(const std::string& name, int width, int height, bool alpha = false) {
    SCOPED_TRACE(name);
    AnyImage image{RandomImage<T>(rng, width, height), std::nullopt};
    if (alpha) image.alpha = RandomImage<VnBW8>(rng, width, height);
    WriteImage(Path(name), image);
    const AnyImage back = ReadImage(Path(name));
    ASSERT_TRUE(std::holds_alternative<VnImage<T>>(back.pixels)) << tool::PixelTypeName(back.pixels);
    EXPECT_TRUE(SamePixels<T>(std::get<VnImage<T>>(image.pixels), std::get<VnImage<T>>(back.pixels)));
    ASSERT_EQ(back.alpha.has_value(), alpha);
    if (alpha) {
      EXPECT_TRUE(SamePixels<VnBW8>(*image.alpha, *back.alpha));
    }
  }

  // Reading `bytes` as `name` fails with a message containing `message`.
  void ExpectUnreadable(const std::string& name, const std::string& bytes, const std::string& message) {
    SCOPED_TRACE(name);
    WriteBytes(name, bytes);
    try {
      ReadImage(Path(name));
      ADD_FAILURE() << "read without error";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << "the message names the file: " << e.what();
    }
  }

  std::string PngBytes(const AnyImage& image) {
    WriteImage(Path("source.png"), image);
    return ReadBytes("source.png");
  }
};

TEST_F(ImageFileTest, EveryFormatAndPixelTypeRoundTrips) {
  for (const int width : {1, 7, 8, 13, 64}) {
    RoundTrip<VnBW8>("gray.pgm", width, 5);
    RoundTrip<VnBW16>("wide.pgm", width, 5);
    RoundTrip<VnC24>("colour.ppm", width, 5);
    RoundTrip<VnBW1>("bits.pbm", width, 5);
    RoundTrip<VnBW8>("gray.pnm", width, 3);
    RoundTrip<VnBW16>("wide.pnm", width, 3);
    RoundTrip<VnC24>("colour.pnm", width, 3);
    RoundTrip<VnBW1>("bits.pnm", width, 3);
    RoundTrip<VnBW1>("bits.png", width, 5);
    RoundTrip<VnBW8>("gray.png", width, 5);
    RoundTrip<VnBW16>("wide.png", width, 5);
    RoundTrip<VnC24>("colour.png", width, 5);
    RoundTrip<VnC24>("colour-alpha.png", width, 5, true);
    RoundTrip<VnBW8>("gray-alpha.png", width, 5, true);
  }
  RoundTrip<VnBW8>("UPPER.PGM", 3, 3);
}

TEST_F(ImageFileTest, ColourFilesUseTheLibraryByteOrder) {
  // Files hold red, green, blue; VnC24 holds blue in c0.
  WriteBytes("one.ppm", std::string("P6\n1 1\n255\n") + "\x0a\x14\x1e");
  const AnyImage image = ReadImage(Path("one.ppm"));
  EXPECT_EQ(std::get<VnImage<VnC24>>(image.pixels).GetPixel(0, 0), (VnC24{30, 20, 10}));

  VnImage<VnC24> red(1, 1);
  red.SetPixel(VnC24{0, 0, 255}, 0, 0);
  WriteImage(Path("red.ppm"), AnyImage{std::move(red), std::nullopt});
  EXPECT_EQ(ReadBytes("red.ppm"), std::string("P6\n1 1\n255\n\xff", 12) + std::string(2, '\0'));

  const AnyImage fromPng = ReadImage(Path("one.ppm"));
  WriteImage(Path("one.png"), fromPng);
  EXPECT_EQ(std::get<VnImage<VnC24>>(ReadImage(Path("one.png")).pixels).GetPixel(0, 0), (VnC24{30, 20, 10}));
}

TEST_F(ImageFileTest, SixteenBitSamplesAreBigEndianAndKeepTheirValues) {
  WriteBytes("wide.pgm", std::string("P5 2 1 4095\n") + "\x01\x02\x0f\xff");
  const AnyImage image = ReadImage(Path("wide.pgm"));
  const auto& pixels = std::get<VnImage<VnBW16>>(image.pixels);
  EXPECT_EQ(pixels.GetPixel(0, 0), 0x0102);
  EXPECT_EQ(pixels.GetPixel(1, 0), 0x0fff);
}

TEST_F(ImageFileTest, HeaderCommentsAndSmallMaximumsAreRead) {
  WriteBytes("c.pgm", std::string("P5\n# made by hand\n2 # width\n1\n# max\n100\n") + "\x05\x64");
  const AnyImage image = ReadImage(Path("c.pgm"));
  const auto& pixels = std::get<VnImage<VnBW8>>(image.pixels);
  EXPECT_EQ(pixels.GetPixel(0, 0), 5);
  EXPECT_EQ(pixels.GetPixel(1, 0), 100);
}

TEST_F(ImageFileTest, BitmapsStoreForegroundAsClearBits) {
  // PBM's set bit is black; a VnBW1 pixel of 1 is the (white) foreground.
  WriteBytes("b.pbm", std::string("P4\n10 1\n") + "\xa5\x40");
  const AnyImage image = ReadImage(Path("b.pbm"));
  const auto& bits = std::get<VnImage<VnBW1>>(image.pixels);
  const int expected[10] = {0, 1, 0, 1, 1, 0, 1, 0, 1, 0};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(static_cast<int>(bits.GetPixel(x, 0)), expected[x]) << x;
  WriteImage(Path("again.pbm"), image);
  EXPECT_EQ(ReadBytes("again.pbm"), std::string("P4\n10 1\n") + "\xa5\x40");  // padding bits clear
}

TEST_F(ImageFileTest, MalformedNetpbmFilesAreRefused) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty.pgm", "", "not a Netpbm file"},
      {"text.pgm", "hello world", "not a Netpbm file"},
      {"p7.pgm", "P7\n1 1\n255\n\x01", "not a PBM, PGM or PPM file"},
      {"plain.pgm", "P2\n1 1\n255\n1\n", "plain (text)"},
      {"header-cut.pgm", "P5\n12", "truncated header"},
      {"header-cut2.pgm", "P5\n12 4\n", "truncated header"},
      {"no-blank.pgm", "P5\n1 1\n255", "truncated header"},
      {"letters.pgm", "P5\nab 4\n255\n", "width is not a number"},
      {"zero-width.pgm", "P5\n0 4\n255\n", "empty image"},
      {"huge.pgm", "P5\n99999999 99999999\n255\n", "too large"},
      {"maxval-0.pgm", "P5\n1 1\n0\n\x00", "bad maximum value 0"},
      {"maxval-big.pgm", "P5\n1 1\n70000\n\x00\x00", "bad maximum value 70000"},
      {"wide-colour.ppm", "P6\n1 1\n65535\n\x00\x00\x00\x00\x00\x00", "16-bit colour"},
      {"short.pgm", "P5\n4 4\n255\n0123456789", "truncated pixel data (10 of 16 bytes)"},
      {"short16.pgm", "P5\n2 2\n65535\n1234567", "truncated pixel data (7 of 8 bytes)"},
      {"short.ppm", "P6\n2 2\n255\n01234567890", "truncated pixel data (11 of 12 bytes)"},
      {"short.pbm", "P4\n9 3\n12345", "truncated pixel data (5 of 6 bytes)"},
      {"above-max.pgm", "P5\n2 1\n100\n\x05\x65", "sample value 101 above the maximum value 100"},
  };
  for (const Case& c : cases) ExpectUnreadable(c.name, c.bytes, c.message);
}

TEST_F(ImageFileTest, MalformedPngFilesAreRefused) {
  const std::string good = PngBytes(AnyImage{RandomImage<VnBW8>(rng, 40, 30), std::nullopt});
  ExpectUnreadable("pgm-inside.png", "P5\n1 1\n255\n\x01", "not a PNG file");
  ExpectUnreadable("signature-only.png", good.substr(0, 8), "truncated");
  ExpectUnreadable("half.png", good.substr(0, good.size() / 2), "truncated");
  std::string corrupt = good;
  corrupt[20] ^= 0x55;  // inside the header chunk: its checksum no longer matches
  ExpectUnreadable("corrupt.png", corrupt, "CRC");
}

TEST_F(ImageFileTest, MissingFilesDirectoriesAndUnknownNamesAreRefused) {
  std::filesystem::create_directories(Path("folder.png"));
  for (const auto& [name, message] : {std::pair{"folder.png", "is a directory"}, std::pair{"missing.pgm", "cannot open"},
                                      std::pair{"picture.jpg", "unknown image format"}}) {
    try {
      ReadImage(Path(name));
      ADD_FAILURE() << name << " read without error";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

TEST_F(ImageFileTest, FailedWritesLeaveNothingBehind) {
  const AnyImage colour{RandomImage<VnC24>(rng, 5, 5), std::nullopt};
  WriteBytes("old.pgm", "previous content");
  for (const char* name : {"old.pgm", "new.pbm", "new.jpg"}) {
    EXPECT_THROW(WriteImage(Path(name), colour), FileError) << name;
  }
  EXPECT_EQ(ReadBytes("old.pgm"), "previous content");
  EXPECT_EQ(Files(), std::vector<std::string>{"old.pgm"});
  EXPECT_THROW(WriteImage(Path("no-such-folder/x.png"), colour), FileError);
  std::filesystem::create_directories(Path("folder.png"));
  EXPECT_THROW(WriteImage(Path("folder.png"), colour), FileError);
}

TEST_F(ImageFileTest, WritingReplacesAnOldFileCompletely) {
  WriteBytes("out.png", std::string(100000, 'x'));
  const AnyImage image{RandomImage<VnBW8>(rng, 3, 2), std::nullopt};
  WriteImage(Path("out.png"), image);
  EXPECT_TRUE(SamePixels<VnBW8>(std::get<VnImage<VnBW8>>(image.pixels), std::get<VnImage<VnBW8>>(ReadImage(Path("out.png")).pixels)));
  EXPECT_EQ(Files(), std::vector<std::string>{"out.png"});
  const auto permissions = std::filesystem::status(Path("out.png")).permissions();
  EXPECT_NE(permissions & std::filesystem::perms::owner_read, std::filesystem::perms::none);
}

}  // namespace
}  // namespace vnimg::test
