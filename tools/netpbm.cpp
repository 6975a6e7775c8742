// Netpbm files: PBM, PGM, PPM in their binary (P4, P5, P6) and plain (P1, P2, P3) forms, and
// PAM (P7). Header tokens are separated by blanks and '#' comments (a comment also ends the
// header after its last number, as libnetpbm reads it); exactly one blank follows the last
// header number of a binary file; 16-bit samples are big-endian. In PBM a set bit is black,
// so a VnBW1 pixel of 1 (foreground, drawn white like the 255 of a thresholded gray image) is
// stored as a clear bit; in PAM's BLACKANDWHITE 1 is white, as in VnBW1.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "byte_order.h"
#include "file_formats.h"

namespace vnimg::tool::formats {
namespace {

constexpr long long kMaxNumber = 0x7fffffff;

enum class Pixels { Bits, Gray, Colour };

struct Header {
  char kind = 0;  // '1' to '7'
  long long width = 0, height = 0, maxValue = 1, depth = 1;
  Pixels pixels = Pixels::Gray;
  bool alpha = false;
  bool plain = false;
  std::size_t dataStart = 0;
  // For plain and binary PBM: a set bit is black.
  bool inverted = false;

  bool Wide() const { return maxValue > 255; }
  int Channels() const { return (pixels == Pixels::Colour ? 3 : 1) + (alpha ? 1 : 0); }
};

class Reader {
 public:
  Reader(const std::string& name, const Bytes& file, std::size_t pos = 0) : m_name(name), m_file(file), m_pos(pos) {}

  [[noreturn]] void Fail(const std::string& what) const { throw FileError(m_name + ": " + what); }

  void SkipBlanksAndComments() {
    while (m_pos < m_file.size()) {
      if (m_file[m_pos] == '#') {
        SkipLine();
      } else if (std::isspace(m_file[m_pos])) {
        ++m_pos;
      } else {
        return;
      }
    }
  }

  // Up to the end of the line; the line end itself stays.
  void SkipLine() {
    while (m_pos < m_file.size() && m_file[m_pos] != '\n' && m_file[m_pos] != '\r') ++m_pos;
  }

  // The newline after ENDHDR (CR LF counts as one).
  void EndOfLine() {
    if (m_pos < m_file.size() && m_file[m_pos] == '\r') ++m_pos;
    if (m_pos >= m_file.size() || m_file[m_pos] != '\n') Fail("malformed header (no newline after ENDHDR)");
    ++m_pos;
  }

  long long Number(const char* what) {
    SkipBlanksAndComments();
    if (m_pos >= m_file.size()) Fail(std::string("truncated header (no ") + what + ")");
    if (!std::isdigit(m_file[m_pos])) Fail(std::string("malformed header (") + what + " is not a number)");
    long long value = 0;
    while (m_pos < m_file.size() && std::isdigit(m_file[m_pos])) {
      value = value * 10 + (m_file[m_pos++] - '0');
      if (value > kMaxNumber) Fail(std::string(what) + " is too large");
    }
    return value;
  }

  std::string Word() {
    SkipBlanksAndComments();
    std::string word;
    while (m_pos < m_file.size() && !std::isspace(m_file[m_pos])) word += static_cast<char>(m_file[m_pos++]);
    return word;
  }

  // The single blank (or comment up to a line end) between the header and binary pixels.
  void EndOfHeader() {
    if (m_pos < m_file.size() && m_file[m_pos] == '#') SkipLine();
    if (m_pos >= m_file.size()) Fail("truncated header");
    if (!std::isspace(m_file[m_pos])) Fail("malformed header (no blank before the pixel data)");
    ++m_pos;
  }

  // A plain sample; `bit` for P1, whose digits need no blank between them.
  unsigned Sample(bool bit) {
    SkipBlanksAndComments();
    if (m_pos >= m_file.size()) Fail("truncated pixel data");
    if (!std::isdigit(m_file[m_pos])) Fail("malformed pixel data (not a number)");
    if (bit) return m_file[m_pos++] - '0';
    unsigned value = 0;
    while (m_pos < m_file.size() && std::isdigit(m_file[m_pos])) {
      value = value * 10 + (m_file[m_pos++] - '0');
      if (value > 65535) Fail("sample value above 65535");
    }
    return value;
  }

  std::size_t Position() const { return m_pos; }
  std::size_t Left() const { return m_file.size() - m_pos; }
  const unsigned char* Here() const { return m_file.data() + m_pos; }
  void Skip(std::size_t count) { m_pos += count; }

 private:
  const std::string& m_name;
  const Bytes& m_file;
  std::size_t m_pos;
};

void ReadPamHeader(Reader& in, Header& h) {
  std::string tupleType;
  bool width = false, height = false, depth = false, maxValue = false;
  for (;;) {
    const std::string word = in.Word();
    if (word.empty()) in.Fail("truncated header (no ENDHDR)");
    if (word == "ENDHDR") break;
    if (word == "WIDTH") h.width = in.Number("width"), width = true;
    else if (word == "HEIGHT") h.height = in.Number("height"), height = true;
    else if (word == "DEPTH") h.depth = in.Number("depth"), depth = true;
    else if (word == "MAXVAL") h.maxValue = in.Number("maximum value"), maxValue = true;
    else if (word == "TUPLTYPE") tupleType = in.Word();
    else in.Fail("malformed header (unknown line " + word + ")");
  }
  in.SkipLine();
  in.EndOfLine();
  if (!width || !height || !depth || !maxValue) in.Fail("malformed header (WIDTH, HEIGHT, DEPTH and MAXVAL are required)");
  h.alpha = tupleType.ends_with("_ALPHA") || (tupleType.empty() && (h.depth == 2 || h.depth == 4));
  const std::string base = tupleType.substr(0, tupleType.size() - (tupleType.ends_with("_ALPHA") ? 6 : 0));
  if (base == "BLACKANDWHITE") {
    h.pixels = Pixels::Bits;
    if (h.maxValue != 1) in.Fail("BLACKANDWHITE needs MAXVAL 1");
  } else if (base == "RGB" || (base.empty() && h.depth >= 3)) {
    h.pixels = Pixels::Colour;
  } else if (base != "GRAYSCALE" && !base.empty()) {
    in.Fail("tuple type " + tupleType + " is not supported (BLACKANDWHITE, GRAYSCALE, RGB, with or without _ALPHA)");
  }
  if (h.depth != h.Channels()) in.Fail("DEPTH " + std::to_string(h.depth) + " does not match tuple type " + tupleType);
}

Header ReadHeader(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  Reader in(name, file);
  if (!IsNetpbm(file)) in.Fail("not a Netpbm file");
  Header h;
  h.kind = static_cast<char>(file[1]);
  in.Skip(2);
  h.plain = h.kind <= '3';
  if (h.kind == '7') {
    ReadPamHeader(in, h);
  } else {
    h.pixels = h.kind == '1' || h.kind == '4' ? Pixels::Bits : h.kind == '3' || h.kind == '6' ? Pixels::Colour : Pixels::Gray;
    h.inverted = h.pixels == Pixels::Bits;
    h.width = in.Number("width");
    h.height = in.Number("height");
    if (h.pixels != Pixels::Bits) h.maxValue = in.Number("maximum value");
    if (!h.plain) in.EndOfHeader();
  }
  h.dataStart = in.Position();
  if (h.width < 1 || h.height < 1) in.Fail("empty image (" + std::to_string(h.width) + " x " + std::to_string(h.height) + ")");
  CheckPixelCount(name, static_cast<std::uint64_t>(h.width), static_cast<std::uint64_t>(h.height), limits);
  if (h.maxValue < 1 || h.maxValue > 65535) in.Fail("bad maximum value " + std::to_string(h.maxValue) + " (1 to 65535)");
  if (h.pixels == Pixels::Colour && h.Wide())
    in.Fail("16-bit colour is not supported (the library's colour pixels have 8 bits per component)");
  return h;
}

const char* KindName(const Header& h) {
  if (h.kind == '7') return "PAM";
  return h.pixels == Pixels::Bits ? "PBM" : h.pixels == Pixels::Gray ? "PGM" : "PPM";
}

// Every sample value to its full-range value; the table's size is the check against maxval.
class Scale {
 public:
  Scale(long long maxValue, unsigned top) : m_table(static_cast<std::size_t>(maxValue) + 1) {
    for (std::size_t v = 0; v < m_table.size(); ++v)
      m_table[v] = static_cast<std::uint16_t>((v * top + static_cast<std::size_t>(maxValue) / 2) / static_cast<std::size_t>(maxValue));
  }
  template <class R>
  std::uint16_t operator()(unsigned v, const R& in) const {
    if (v >= m_table.size()) in.Fail("sample value " + std::to_string(v) + " above the maximum value " + std::to_string(m_table.size() - 1));
    return m_table[v];
  }

 private:
  std::vector<std::uint16_t> m_table;
};

// Samples of a binary raster, one or two bytes each.
struct BinarySamples {
  Reader& in;
  const unsigned char* p;
  bool wide;
  unsigned Next() {
    const unsigned v = wide ? (p[0] << 8 | p[1]) : p[0];
    p += wide ? 2 : 1;
    return v;
  }
};

struct PlainSamples {
  Reader& in;
  bool bit;
  unsigned Next() { return in.Sample(bit); }
};

// Bytes the raster needs at least: exact for binary files, one per sample (and a blank
// between numbers) for plain ones.
std::uint64_t RasterBytes(const Header& h) {
  const auto w = static_cast<std::uint64_t>(h.width), rows = static_cast<std::uint64_t>(h.height);
  const std::uint64_t samples = w * rows * static_cast<std::uint64_t>(h.Channels());
  if (h.plain) return h.kind == '1' ? samples : 2 * samples - 1;
  if (h.kind == '4') return (w + 7) / 8 * rows;
  return samples * (h.Wide() ? 2 : 1);
}

template <class T>
VnImage<T> Allocate(const Reader& in, const Header& h) {
  VnImage<T> image(static_cast<int>(h.width), static_cast<int>(h.height));
  if (image.Void()) in.Fail("not enough memory for a " + std::to_string(h.width) + " x " + std::to_string(h.height) + " image");
  return image;
}

// Packed binary PBM rows: one bit per pixel, set for black.
void ReadPackedBits(const Header& h, const unsigned char* data, VnImage<VnBW1>& image) {
  const std::size_t rowBytes = static_cast<std::size_t>((h.width + 7) / 8);
  for (int y = 0; y < h.height; ++y) {
    unsigned char* row = image.GetImagePtr(0, y);
    for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(~data[y * rowBytes + i]);
    if (h.width % 8) row[rowBytes - 1] &= static_cast<unsigned char>(0xFF00u >> (h.width % 8));
  }
}

template <class T, class Source>
void ReadSamples(const Reader& in, const Header& h, Source& source, VnImage<T>& image, VnImage<VnBW8>* alpha) {
  const Scale scale(h.maxValue, std::is_same_v<T, VnBW16> ? 65535 : h.pixels == Pixels::Bits ? 1 : 255);
  const Scale alphaScale(h.maxValue, 255);
  for (int y = 0; y < h.height; ++y) {
    VnBW8* a = alpha ? alpha->GetImagePtr(0, y) : nullptr;
    for (int x = 0; x < h.width; ++x) {
      if constexpr (std::is_same_v<T, VnC24>) {
        VnC24& pixel = image.GetImagePtr(0, y)[x];  // files hold red first, the library blue
        pixel.c2 = static_cast<unsigned char>(scale(source.Next(), in));
        pixel.c1 = static_cast<unsigned char>(scale(source.Next(), in));
        pixel.c0 = static_cast<unsigned char>(scale(source.Next(), in));
      } else if constexpr (std::is_same_v<T, VnBW1>) {
        const unsigned bit = scale(source.Next(), in);
        image.SetPixel(VnBW1(h.inverted ? !bit : bit), x, y);
      } else {
        image.GetImagePtr(0, y)[x] = static_cast<T>(scale(source.Next(), in));
      }
      if (a) a[x] = static_cast<VnBW8>(alphaScale(source.Next(), in));
    }
  }
}

// The common full-range binary files without alpha, a row at a time.
template <class T>
bool ReadFullRange(const Header& h, const unsigned char* data, VnImage<T>& image) {
  if constexpr (std::is_same_v<T, VnBW1>) return false;
  if (h.plain || h.alpha || !(h.maxValue == 255 || h.maxValue == 65535)) return false;
  const auto w = static_cast<std::size_t>(h.width);
  for (int y = 0; y < h.height; ++y) {
    auto* row = image.GetImagePtr(0, y);
    if constexpr (std::is_same_v<T, VnBW8>) {
      std::memcpy(row, data + y * w, w);
    } else if constexpr (std::is_same_v<T, VnBW16>) {
      const unsigned char* p = data + 2 * y * w;
      for (std::size_t x = 0; x < w; ++x) row[x] = static_cast<VnBW16>(p[2 * x] << 8 | p[2 * x + 1]);
    } else if constexpr (std::is_same_v<T, VnC24>) {
      ReverseTriples(data + 3 * y * w, reinterpret_cast<unsigned char*>(row), w);
    }
  }
  return true;
}

template <class T>
AnyImage ReadRaster(Reader& in, const Header& h) {
  VnImage<T> image = Allocate<T>(in, h);
  std::optional<VnImage<VnBW8>> alpha;
  if (h.alpha) alpha = Allocate<VnBW8>(in, h);
  bool done = ReadFullRange(h, in.Here(), image);
  if constexpr (std::is_same_v<T, VnBW1>) {
    if (h.kind == '4') ReadPackedBits(h, in.Here(), image), done = true;
  }
  if (!done) {
    if (h.plain) {
      PlainSamples source{in, h.kind == '1'};
      ReadSamples(in, h, source, image, alpha ? &*alpha : nullptr);
    } else {
      BinarySamples source{in, in.Here(), h.Wide()};
      ReadSamples(in, h, source, image, alpha ? &*alpha : nullptr);
    }
  }
  return AnyImage{std::move(image), std::move(alpha)};
}

std::string Text(long long value) { return std::to_string(value); }

// Plain samples, at most 70 characters a line, handed on a line at a time.
class PlainWriter {
 public:
  explicit PlainWriter(ByteSink& out) : m_out(out) {}
  void Add(unsigned value, bool bit) {
    const std::string text = std::to_string(value);
    if (m_line.size() + text.size() + (bit ? 0 : 1) > 70) EndLine();
    if (!m_line.empty() && !bit) m_line += ' ';
    m_line += text;
  }
  void EndLine() {
    m_line += '\n';
    m_out.Write(m_line);
    m_line.clear();
  }

 private:
  ByteSink& m_out;
  std::string m_line;
};

template <class T>
constexpr int kChannels = std::is_same_v<T, VnC24> ? 3 : 1;

// Samples of pixel x of a row, red first for colour.
template <class T>
void Samples(const T* row, int x, unsigned* s) {
  if constexpr (std::is_same_v<T, VnC24>) {
    s[0] = row[x].c2, s[1] = row[x].c1, s[2] = row[x].c0;
  } else {
    s[0] = row[x];
  }
}

// One row of raw samples, most significant byte first, red first for colour.
template <class T>
void RawRow(const VnImage<T>& image, const std::optional<VnImage<VnBW8>>& alpha, int y, unsigned char* p) {
  constexpr bool kWide = std::is_same_v<T, VnBW16>;
  const int w = image.GetWidth();
  const auto* row = image.GetImagePtr(0, y);
  const VnBW8* a = alpha ? alpha->GetImagePtr(0, y) : nullptr;
  if constexpr (!std::is_same_v<T, VnBW1>) {
    if (!a) {  // the common files
      if constexpr (std::is_same_v<T, VnBW8>) {
        std::memcpy(p, row, static_cast<std::size_t>(w));
      } else if constexpr (kWide) {
        for (int x = 0; x < w; ++x) p[2 * x] = static_cast<unsigned char>(row[x] >> 8), p[2 * x + 1] = static_cast<unsigned char>(row[x]);
      } else {
        ReverseTriples(reinterpret_cast<const unsigned char*>(row), p, static_cast<std::size_t>(w));
      }
      return;
    }
  }
  for (int x = 0; x < w; ++x) {
    unsigned s[4] = {};
    if constexpr (std::is_same_v<T, VnBW1>) {
      s[0] = image.GetPixel(x, y);
    } else {
      Samples(row, x, s);
    }
    if (a) s[kChannels<T>] = kWide ? a[x] * 257u : a[x];
    for (int c = 0; c < kChannels<T> + (a ? 1 : 0); ++c) {
      if (kWide) *p++ = static_cast<unsigned char>(s[c] >> 8);
      *p++ = static_cast<unsigned char>(s[c]);
    }
  }
}

template <class T>
void EncodeBinary(const VnImage<T>& image, const std::optional<VnImage<VnBW8>>& alpha, bool pam, ByteSink& out) {
  constexpr bool kWide = std::is_same_v<T, VnBW16>;
  const int w = image.GetWidth(), h = image.GetHeight();
  const int channels = kChannels<T> + (alpha ? 1 : 0);
  const unsigned top = kWide ? 65535 : std::is_same_v<T, VnBW1> ? 1 : 255;
  if (pam) {
    const char* type = std::is_same_v<T, VnBW1> ? "BLACKANDWHITE" : std::is_same_v<T, VnC24> ? "RGB" : "GRAYSCALE";
    out.Write("P7\nWIDTH " + Text(w) + "\nHEIGHT " + Text(h) + "\nDEPTH " + Text(channels) + "\nMAXVAL " + Text(top) +
              "\nTUPLTYPE " + type + (alpha ? "_ALPHA" : "") + "\nENDHDR\n");
  } else {
    out.Write(std::string(std::is_same_v<T, VnC24> ? "P6" : "P5") + "\n" + Text(w) + " " + Text(h) + "\n" + Text(top) + "\n");
  }
  const std::size_t rowBytes = static_cast<std::size_t>(w) * channels * (kWide ? 2 : 1);
  for (int y = 0; y < h; ++y) {
    if constexpr (std::is_same_v<T, VnBW8>) {
      if (!alpha) {  // already the file's bytes
        out.Write(image.GetImagePtr(0, y), rowBytes);
        continue;
      }
    }
    RawRow(image, alpha, y, out.Append(rowBytes));
  }
}

void EncodePbm(const VnImage<VnBW1>& image, ByteSink& out) {
  const int w = image.GetWidth(), h = image.GetHeight();
  out.Write("P4\n" + Text(w) + " " + Text(h) + "\n");
  std::vector<unsigned char> row(static_cast<std::size_t>((w + 7) / 8));
  for (int y = 0; y < h; ++y) {
    const unsigned char* bits = image.GetImagePtr(0, y);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(~bits[i]);
    if (w % 8) row.back() &= static_cast<unsigned char>(0xFF00u >> (w % 8));  // padding bits clear
    out.Write(row.data(), row.size());
  }
}

template <class T>
void EncodePlain(const VnImage<T>& image, ByteSink& out) {
  constexpr bool kBits = std::is_same_v<T, VnBW1>;
  const int w = image.GetWidth(), h = image.GetHeight();
  const char* magic = kBits ? "P1" : std::is_same_v<T, VnC24> ? "P3" : "P2";
  out.Write(std::string(magic) + "\n" + Text(w) + " " + Text(h) + "\n");
  if (!kBits) out.Write(Text(std::is_same_v<T, VnBW16> ? 65535 : 255) + "\n");
  PlainWriter writer(out);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      unsigned s[3] = {};
      if constexpr (kBits) {
        s[0] = !image.GetPixel(x, y);
      } else {
        Samples(image.GetImagePtr(0, y), x, s);
      }
      for (int c = 0; c < kChannels<T>; ++c) writer.Add(s[c], kBits);
    }
    writer.EndLine();
  }
}

template <class T>
constexpr NetpbmKind kKindFor = std::is_same_v<T, VnBW1>   ? NetpbmKind::Bitmap
                                : std::is_same_v<T, VnC24> ? NetpbmKind::Pixmap
                                                           : NetpbmKind::Graymap;

constexpr const char* ExtensionFor(NetpbmKind kind) {
  switch (kind) {
    case NetpbmKind::Bitmap: return ".pbm";
    case NetpbmKind::Pixmap: return ".ppm";
    case NetpbmKind::Graymap: return ".pgm";
    case NetpbmKind::Arbitrary: return ".pam";
    default: return ".pnm";
  }
}

}  // namespace

bool IsNetpbm(const Bytes& start) { return start.size() >= 2 && start[0] == 'P' && start[1] >= '1' && start[1] <= '7'; }

ImageHeader ReadNetpbmHeader(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  const Header h = ReadHeader(name, file, limits);
  const char* pixels = h.pixels == Pixels::Bits ? kPixelTypeName<VnBW1>
                       : h.pixels == Pixels::Colour ? kPixelTypeName<VnC24>
                       : h.Wide() ? kPixelTypeName<VnBW16>
                                  : kPixelTypeName<VnBW8>;
  return {KindName(h), static_cast<int>(h.width), static_cast<int>(h.height), pixels, h.alpha, static_cast<unsigned>(h.maxValue)};
}

AnyImage ReadNetpbm(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  const Header h = ReadHeader(name, file, limits);
  Reader in(name, file, h.dataStart);
  const std::uint64_t need = RasterBytes(h);
  if (in.Left() < need) in.Fail("truncated pixel data (" + std::to_string(in.Left()) + " of " + std::to_string(need) + " bytes)");
  switch (h.pixels) {
    case Pixels::Bits: return ReadRaster<VnBW1>(in, h);
    case Pixels::Colour: return ReadRaster<VnC24>(in, h);
    default: return h.Wide() ? ReadRaster<VnBW16>(in, h) : ReadRaster<VnBW8>(in, h);
  }
}

namespace {

template <class T>
void EncodeIntegers(const std::string& name, NetpbmKind kind, const AnyImage& image, const VnImage<T>& pixels, bool plain,
                    ByteSink& out) {
  if (kind != NetpbmKind::Any && kind != NetpbmKind::Arbitrary && kind != kKindFor<T>)
    throw FileError(name + ": a " + ExtensionFor(kind) + " file cannot hold " + kPixelTypeName<T> + " images; use " +
                    ExtensionFor(kKindFor<T>) + " or .png");
  if (image.alpha && kind != NetpbmKind::Arbitrary)
    throw FileError(name + ": a " + ExtensionFor(kind) + " file cannot hold an alpha channel; use .png or .pam");
  if (plain && kind == NetpbmKind::Arbitrary) throw FileError(name + ": PAM has no plain form");
  if (plain) return EncodePlain(pixels, out);
  if constexpr (std::is_same_v<T, VnBW1>) {
    if (kind != NetpbmKind::Arbitrary) return EncodePbm(pixels, out);
  }
  EncodeBinary(pixels, image.alpha, kind == NetpbmKind::Arbitrary, out);
}

}  // namespace

void EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image, bool plain, ByteSink& out) {
  std::visit(
      [&]<class T>(const VnImage<T>& pixels) {
        if constexpr (std::is_floating_point_v<T>) {
          throw FileError(name + ": a float image needs a .pfm file");
        } else {
          EncodeIntegers(name, kind, image, pixels, plain, out);
        }
      },
      image.pixels);
}

Bytes EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image, bool plain) {
  Bytes bytes;
  BufferSink out(bytes);
  EncodeNetpbm(name, kind, image, plain, out);
  return bytes;
}

}  // namespace vnimg::tool::formats
