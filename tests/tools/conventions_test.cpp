// The tool's conventions and its handling of hostile files: one row per reported finding,
// each run through the whole tool.
#include <zlib.h>

#include <filesystem>

#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;
using Args = std::vector<std::string>;

std::string Be32(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string Chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  return Be32(static_cast<std::uint32_t>(data.size())) + body +
         Be32(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}
// A PNG with the given header, chunks before the image data and raw (filtered) rows.
std::string Png(std::uint32_t w, std::uint32_t h, int depth, int colorType, const std::string& chunks, const std::string& raw) {
  std::string packed(compressBound(static_cast<uLong>(raw.size())), '\0');
  uLongf size = static_cast<uLongf>(packed.size());
  compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
  packed.resize(size);
  return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", Be32(w) + Be32(h) + char(depth) + char(colorType) + std::string(3, '\0')) + chunks +
         Chunk("IDAT", packed) + Chunk("IEND", "");
}

class ConventionsTest : public ToolTest {
 protected:
  template <class T>
  VnImage<T> Pixels(const std::string& name) {
    return std::get<VnImage<T>>(tool::ReadImage(Path(name)).pixels);
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17);
  AnyImage rgba{RandomImage<VnC24>(rng, 29, 17), RandomImage<VnBW8>(rng, 29, 17)};
};

TEST_F(ConventionsTest, EveryFindingHasItsFix) {
  tool::WriteImage(Path("a.png"), AnyImage{a, std::nullopt});
  tool::WriteImage(Path("rgba.png"), rgba);
  tool::WriteImage(Path("colour.png"), AnyImage{rgba.pixels, std::nullopt});
  tool::WriteImage(Path("thin.png"), AnyImage{RandomImage<VnBW8>(rng, 1, 5), std::nullopt});
  WriteBytes("png-named.pgm", ReadBytes("a.png"));
  WriteBytes("m15.pgm", std::string("P5 2 1 15\n") + "\x01\x0f");
  WriteBytes("crlf.pgm", "P2\r\n# plain, with CR LF\r\n2 1\r\n255\r\n7 # comment in the raster\r\n8\r\n");
  WriteBytes("comment.pgm", "P5\n1 1\n255# a comment ends the header\n\x07");
  WriteBytes("square.pgm", "P5\n20000 20000\n255\n");
  WriteBytes("huge.png", Png(1048576, 1048576, 8, 0, "", std::string(10, '\0')));
  WriteBytes("big.png", Png(50000, 50000, 8, 0, "", std::string(10, '\0')));
  WriteBytes("palette.png", Png(4, 1, 8, 3, Chunk("PLTE", std::string(6, '\x7f')), std::string("\0\0\1\5\1", 5)));
  const std::string A = Path("a.png"), out = Path("out.png"), longName = Path(std::string(245, 'n') + ".png");
  const unsigned level = ImgAutoThreshold(&a);
  const auto same = [&](const std::string& name, VnImage<VnBW8> expected) { return SamePixels<VnBW8>(Pixels<VnBW8>(name), expected); };
  const auto plusTen = [&] { VnImage<VnBW8> d(29, 17); ImgOper(Add, &a, VnBW8{10}, &d); return d; };
  const auto mirroredAlpha = [&] { VnImage<VnBW8> d = *rgba.alpha; ImgVerticalMirror(&d); return d; };
  struct Row {
    Args args;
    int status;
    std::string text;  // in what the tool printed
    std::function<bool()> check = nullptr;
  };
  const Row rows[] = {
      {{"threshold", A, out, "--json"}, 0, "\"output\": \"" + out + "\",\n  \"width\": 29,\n  \"height\": 17,\n  \"pixels\": \"8-bit gray\""},
      {{"threshold", A, out}, 0, "threshold: " + std::to_string(level) + "\n"},
      {{"threshold", A, out, "--threshold", "300"}, 2, "--threshold must lie between 0 and 255"},
      {{"scale-rotate", A, out, "--interpolation-bits", "3"}, 2, "--interpolation-bits must be one of 0, 4, 8"},
      {{"oper", A, out, "--op", "add"}, 2, "--op add needs a second operand"},
      {{"oper", A, A, out, "--op", "wrapping-add"}, 2, "--op wrapping-add has no form for 8-bit gray and 8-bit gray images; these do: add,"},
      {{"multi-levels-min-residue-threshold", A, "--classes", "0"}, 2, "--classes must lie between 1 and 256"},
      {{"scale-rotate", A, out, "--rotation", "nan"}, 2, "--rotation wants a finite number"},
      {{"linear-transform", A, out, "--a", "inf"}, 2, "--a wants a finite number"},
      {{"register", A, out, "--src-x", "3,3", "--src-y", "4,4", "--dst-x", "1,2", "--dst-y", "1,2"}, 2, "source pivots 1 and 2 coincide"},
      {{"oper", A, "010", out, "--op", "add"}, 0, "", [&] { return same("out.png", plusTen()); }},
      {{"threshold", Path("colour.png"), out, "--threshold", "100"}, 2, "--threshold does not apply to colour images"},
      {{"histogram-threshold", A, "--mode", "relative", "--fraction", "0.25"}, 0, "threshold: "},
      {{"threshold", A, out, "--mode", "isodata", "--fraction", "0.25"}, 2, "--fraction applies only to --mode relative"},
      {{"halve", A, out, "--drop-odd"}, 0, ""},
      {{"--version"}, 0, "vnimg 0."},
      {{"threshold", "-h"}, 0, "usage: vnimg threshold IN OUT"},
      {{"copy", Path("m15.pgm"), Path("out.pgm")}, 0, "", [&] { return ReadBytes("out.pgm") == "P5\n2 1\n255\n\x11\xff"; }},
      {{"vertical-mirror", Path("rgba.png"), out}, 0, "", [&] { return SamePixels<VnBW8>(*tool::ReadImage(out).alpha, mirroredAlpha()); }},
      {{"threshold", Path("rgba.png"), Path("out.pgm")}, 2, "cannot hold an alpha channel; use .png or .pam"},
      {{"histogram", Path("crlf.pgm"), "--feature", "mean"}, 0, "7.5\n"},
      {{"copy", A, Path("out.pgm"), "--plain"}, 0, "", [&] { return ReadBytes("out.pgm").starts_with("P2\n29 17\n255\n") && same("out.pgm", a); }},
      {{"copy", Path("rgba.png"), Path("out.pam")}, 0, "", [&] { return SamePixels<VnBW8>(*tool::ReadImage(Path("out.pam")).alpha, *rgba.alpha); }},
      {{"copy", Path("png-named.pgm"), out}, 0, "", [&] { return same("out.png", a); }},
      {{"halve", Path("thin.png"), Path("empty.png"), "--drop-odd"}, 2, "the result is empty (0 x 2 pixels); nothing written", [&] { return !std::filesystem::exists(Path("empty.png")); }},
      {{"copy", A, longName}, 0, "", [&] { return same(longName.substr(longName.rfind('/') + 1), a); }},
      {{"copy", A, out, "--compression", "10"}, 2, "--compression wants a whole number from 0 to 9"},
      {{"demo", "--out", Path("demo")}, 0, "vnimg demo: stage 1 of "},
      // Hostile files.
      {{"info", Path("huge.png")}, 2, "1048576 x 1048576 pixels exceed the limit of 268435456 (--max-pixels N raises it)"},
      {{"info", Path("big.png"), "--max-pixels", "3000000000"}, 0, "width: 50000\n"},
      {{"copy", Path("big.png"), out, "--max-pixels", "3000000000"}, 2, "bytes of image data cannot hold 50000 x 50000 pixels"},
      {{"copy", A, out, "--max-pixels", "492"}, 2, "29 x 17 pixels exceed the limit of 492"},
      {{"info", Path("square.pgm")}, 2, "20000 x 20000 pixels exceed the limit"},
      {{"copy", Path("palette.png"), out}, 2, "palette index"},
      {{"histogram", Path("comment.pgm"), "--feature", "mean"}, 0, "7\n"},
  };
  for (const Row& row : rows) {
    const Run run = Tool(row.args);
    EXPECT_EQ(run.status, row.status) << ::testing::PrintToString(row.args) << run.err;
    EXPECT_NE((run.out + run.err).find(row.text), std::string::npos) << ::testing::PrintToString(row.args) << run.out << run.err;
    if (row.check && run.status == row.status) {
      EXPECT_TRUE(row.check()) << ::testing::PrintToString(row.args);
    }
  }
}

}  // namespace
}  // namespace vnimg::test
