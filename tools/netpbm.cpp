// Binary Netpbm files. Header tokens are separated by blanks and '#' comments; exactly one
// blank follows the maximum value; 16-bit samples are big-endian. Samples keep their values
// (a 12-bit camera file with maximum 4095 stays 0..4095). In PBM a set bit is black, so a
// VnBW1 pixel of 1 (foreground, drawn white like the 255 of a thresholded gray image) is
// stored as a clear bit.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "file_formats.h"

namespace vnimg::tool::formats {
namespace {

// Large enough for any camera, small enough that sizes never overflow.
constexpr long kMaxSide = 1 << 20;

class HeaderReader {
 public:
  HeaderReader(const std::string& name, const Bytes& file) : m_name(name), m_file(file) {}

  long Number(const char* what) {
    SkipBlanksAndComments();
    if (m_pos >= m_file.size()) Fail(std::string("truncated header (no ") + what + ")");
    if (!std::isdigit(m_file[m_pos])) Fail(std::string("malformed header (") + what + " is not a number)");
    long value = 0;
    while (m_pos < m_file.size() && std::isdigit(m_file[m_pos])) {
      value = value * 10 + (m_file[m_pos++] - '0');
      if (value > kMaxSide * 64) Fail(std::string(what) + " is too large");
    }
    return value;
  }

  // The single blank between the header and the pixels.
  void EndOfHeader() {
    if (m_pos >= m_file.size()) Fail("truncated header");
    if (!std::isspace(m_file[m_pos])) Fail("malformed header (no blank before the pixel data)");
    ++m_pos;
  }

  std::size_t Position() const { return m_pos; }
  void Skip(std::size_t count) { m_pos += count; }

  [[noreturn]] void Fail(const std::string& what) const { throw FileError(m_name + ": " + what); }

 private:
  void SkipBlanksAndComments() {
    while (m_pos < m_file.size()) {
      if (m_file[m_pos] == '#') {
        while (m_pos < m_file.size() && m_file[m_pos] != '\n' && m_file[m_pos] != '\r') ++m_pos;
      } else if (std::isspace(m_file[m_pos])) {
        ++m_pos;
      } else {
        return;
      }
    }
  }

  const std::string& m_name;
  const Bytes& m_file;
  std::size_t m_pos = 0;
};

template <class T>
VnImage<T> Allocate(const HeaderReader& header, long width, long height) {
  VnImage<T> image(static_cast<int>(width), static_cast<int>(height));
  if (image.Void()) header.Fail("not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image");
  return image;
}

AnyImage ReadBitmap(HeaderReader& header, const Bytes& file, long width, long height) {
  header.EndOfHeader();
  const std::size_t rowBytes = static_cast<std::size_t>((width + 7) / 8);
  const std::size_t need = rowBytes * static_cast<std::size_t>(height);
  if (file.size() - header.Position() < need)
    header.Fail("truncated pixel data (" + std::to_string(file.size() - header.Position()) + " of " + std::to_string(need) + " bytes)");
  VnImage<VnBW1> image = Allocate<VnBW1>(header, width, height);
  const unsigned char* data = file.data() + header.Position();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetPixel(VnBW1(((data[y * rowBytes + x / 8] >> (7 - x % 8)) & 1u) == 0), x, y);
  return AnyImage{std::move(image), std::nullopt};
}

// Reads one row of `count` pixels after checking every sample against the maximum value.
template <class T>
void ReadRow(HeaderReader& header, const Bytes& file, long maxValue, T* row, int count) {
  constexpr int kChannels = std::is_same_v<T, VnC24> ? 3 : 1;
  const bool wide = maxValue > 255;
  const unsigned char* p = file.data() + header.Position();
  for (int i = 0; i < count * kChannels; ++i) {
    const unsigned value = wide ? (p[2 * i] << 8 | p[2 * i + 1]) : p[i];
    if (value > static_cast<unsigned>(maxValue))
      header.Fail("sample value " + std::to_string(value) + " above the maximum value " + std::to_string(maxValue));
    if constexpr (std::is_same_v<T, VnC24>) {
      // Files hold red, green, blue; the library holds blue first.
      VnC24& pixel = row[i / 3];
      (i % 3 == 0 ? pixel.c2 : i % 3 == 1 ? pixel.c1 : pixel.c0) = static_cast<unsigned char>(value);
    } else {
      row[i] = static_cast<T>(value);
    }
  }
  header.Skip(static_cast<std::size_t>(count) * kChannels * (wide ? 2 : 1));
}

template <class T>
AnyImage ReadSampled(HeaderReader& header, const Bytes& file, long width, long height, long maxValue) {
  constexpr int kChannels = std::is_same_v<T, VnC24> ? 3 : 1;
  header.EndOfHeader();
  const std::size_t need = static_cast<std::size_t>(width) * height * kChannels * (maxValue > 255 ? 2 : 1);
  const std::size_t have = file.size() - header.Position();
  if (have < need) header.Fail("truncated pixel data (" + std::to_string(have) + " of " + std::to_string(need) + " bytes)");
  VnImage<T> image = Allocate<T>(header, width, height);
  for (int y = 0; y < height; ++y) ReadRow(header, file, maxValue, image.GetImagePtr(0, y), static_cast<int>(width));
  return AnyImage{std::move(image), std::nullopt};
}

void PutHeader(Bytes& out, const char* magic, int width, int height, int maxValue) {
  std::string header = std::string(magic) + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
  if (maxValue > 0) header += std::to_string(maxValue) + "\n";
  out.insert(out.end(), header.begin(), header.end());
}

Bytes Encode(const VnImage<VnBW1>& image) {
  Bytes out;
  PutHeader(out, "P4", image.GetWidth(), image.GetHeight(), 0);
  for (int y = 0; y < image.GetHeight(); ++y) {
    unsigned char byte = 0;
    for (int x = 0; x < image.GetWidth(); ++x) {
      if (!image.GetPixel(x, y)) byte |= static_cast<unsigned char>(0x80u >> (x % 8));
      if (x % 8 == 7 || x == image.GetWidth() - 1) {
        out.push_back(byte);
        byte = 0;
      }
    }
  }
  return out;
}

Bytes Encode(const VnImage<VnBW8>& image) {
  Bytes out;
  PutHeader(out, "P5", image.GetWidth(), image.GetHeight(), 255);
  for (int y = 0; y < image.GetHeight(); ++y) {
    const VnBW8* row = image.GetImagePtr(0, y);
    out.insert(out.end(), row, row + image.GetWidth());
  }
  return out;
}

Bytes Encode(const VnImage<VnBW16>& image) {
  Bytes out;
  PutHeader(out, "P5", image.GetWidth(), image.GetHeight(), 65535);
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x) {
      const VnBW16 value = image.GetPixel(x, y);
      out.push_back(static_cast<unsigned char>(value >> 8));
      out.push_back(static_cast<unsigned char>(value & 0xFF));
    }
  return out;
}

Bytes Encode(const VnImage<VnC24>& image) {
  Bytes out;
  PutHeader(out, "P6", image.GetWidth(), image.GetHeight(), 255);
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x) {
      const VnC24 pixel = image.GetPixel(x, y);
      out.insert(out.end(), {pixel.c2, pixel.c1, pixel.c0});
    }
  return out;
}

template <class T>
constexpr NetpbmKind kKindFor = std::is_same_v<T, VnBW1>   ? NetpbmKind::Bitmap
                                : std::is_same_v<T, VnC24> ? NetpbmKind::Pixmap
                                                           : NetpbmKind::Graymap;

constexpr const char* ExtensionFor(NetpbmKind kind) {
  return kind == NetpbmKind::Bitmap ? ".pbm" : kind == NetpbmKind::Pixmap ? ".ppm" : ".pgm";
}

}  // namespace

AnyImage ReadNetpbm(const std::string& name, const Bytes& file) {
  HeaderReader header(name, file);
  if (file.size() < 2 || file[0] != 'P') header.Fail("not a Netpbm file");
  const char kind = static_cast<char>(file[1]);
  if (kind >= '1' && kind <= '3') header.Fail("plain (text) Netpbm files are not supported; use the binary P4, P5 or P6");
  if (kind < '4' || kind > '6') header.Fail("not a PBM, PGM or PPM file");
  header.Skip(2);
  const long width = header.Number("width");
  const long height = header.Number("height");
  if (width < 1 || height < 1) header.Fail("empty image (" + std::to_string(width) + " x " + std::to_string(height) + ")");
  if (width > kMaxSide || height > kMaxSide) header.Fail("image too large");
  if (kind == '4') return ReadBitmap(header, file, width, height);
  const long maxValue = header.Number("maximum value");
  if (maxValue < 1 || maxValue > 65535) header.Fail("bad maximum value " + std::to_string(maxValue) + " (1 to 65535)");
  if (kind == '6') {
    if (maxValue > 255) header.Fail("16-bit colour is not supported");
    return ReadSampled<VnC24>(header, file, width, height, maxValue);
  }
  if (maxValue > 255) return ReadSampled<VnBW16>(header, file, width, height, maxValue);
  return ReadSampled<VnBW8>(header, file, width, height, maxValue);
}

Bytes EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image) {
  return std::visit(
      [&]<class T>(const VnImage<T>& pixels) -> Bytes {
        if constexpr (std::is_floating_point_v<T>) {
          throw FileError(name + ": a float image needs a .pfm file");
        } else {
          if (kind != NetpbmKind::Any && kind != kKindFor<T>)
            throw FileError(name + ": a " + ExtensionFor(kind) + " file cannot hold a " + kPixelTypeName<T> +
                            " image; use " + ExtensionFor(kKindFor<T>) + " or .png");
          return Encode(pixels);
        }
      },
      image.pixels);
}

}  // namespace vnimg::tool::formats
