// Netpbm's float format: "Pf" (gray) or "PF" (colour), width and height, then a scale whose
// sign gives the byte order (negative little-endian, positive big-endian), one blank, and
// 32-bit samples row by row from the bottom row up. Gray files become VnFLOAT32 images;
// colour files become VnC24 through the library's float-to-byte rule per component (colour
// floats have no pixel type here). VnFLOAT64 images are written as 32-bit samples.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "file_formats.h"

namespace vnimg::tool::formats {
namespace {

constexpr long kMaxSide = 1 << 20;

struct Header {
  bool colour = false;
  long width = 0;
  long height = 0;
  bool littleEndian = true;
  std::size_t dataStart = 0;
};

[[noreturn]] void Fail(const std::string& name, const std::string& what) { throw FileError(name + ": " + what); }

// Three blank-separated tokens after the magic, then exactly one blank.
Header ReadHeader(const std::string& name, const Bytes& file) {
  if (file.size() < 3 || file[0] != 'P' || (file[1] != 'f' && file[1] != 'F')) Fail(name, "not a PFM file");
  Header header;
  header.colour = file[1] == 'F';
  std::size_t pos = 2;
  std::string tokens[3];
  for (std::string& token : tokens) {
    while (pos < file.size() && std::isspace(file[pos])) ++pos;
    while (pos < file.size() && !std::isspace(file[pos]) && token.size() < 32) token += static_cast<char>(file[pos++]);
    if (token.empty()) Fail(name, "truncated header");
  }
  if (pos >= file.size() || !std::isspace(file[pos])) Fail(name, "malformed header (no blank before the pixel data)");
  header.dataStart = pos + 1;
  std::size_t used = 0;
  try {
    header.width = std::stol(tokens[0], &used);
    if (used != tokens[0].size()) throw std::invalid_argument("width");
    header.height = std::stol(tokens[1], &used);
    if (used != tokens[1].size()) throw std::invalid_argument("height");
    const double scale = std::stod(tokens[2], &used);
    if (used != tokens[2].size() || scale == 0 || !std::isfinite(scale)) throw std::invalid_argument("scale");
    header.littleEndian = scale < 0;
  } catch (const std::exception&) {
    Fail(name, "malformed header (width, height and a non-zero scale expected)");
  }
  if (header.width < 1 || header.height < 1) Fail(name, "empty image");
  if (header.width > kMaxSide || header.height > kMaxSide) Fail(name, "image too large");
  return header;
}

float Sample(const unsigned char* p, bool littleEndian) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= std::uint32_t{p[i]} << (littleEndian ? 8 * i : 8 * (3 - i));
  return std::bit_cast<float>(bits);
}

// Written little-endian (scale -1) on every host.
void PutSample(unsigned char* out, float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

template <class T>
VnImage<T> Allocate(const std::string& name, long width, long height) {
  VnImage<T> image(static_cast<int>(width), static_cast<int>(height));
  if (image.Void()) Fail(name, "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image");
  return image;
}

std::string Start(const char* magic, int width, int height) {
  return std::string(magic) + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n-1.0\n";
}

// Rows bottom first, as the format stores them; `put(x, samples)` gives pixel x of a row.
template <int kChannels, class Put>
void EmitRows(const char* magic, int width, int height, ByteSink& out, Put put) {
  out.Write(Start(magic, width, height));
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * kChannels * 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) put(x, y, row.data() + std::size_t{4} * kChannels * x);
    out.Write(row.data(), row.size());
  }
}

}  // namespace

bool IsPfm(const Bytes& start) { return start.size() >= 2 && start[0] == 'P' && (start[1] == 'f' || start[1] == 'F'); }

ImageHeader ReadPfmHeader(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  const Header header = ReadHeader(name, file);
  CheckPixelCount(name, static_cast<std::uint64_t>(header.width), static_cast<std::uint64_t>(header.height), limits);
  return {"PFM", static_cast<int>(header.width), static_cast<int>(header.height),
          header.colour ? kPixelTypeName<VnC24> : kPixelTypeName<VnFLOAT32>, false, 0};
}

AnyImage ReadPfm(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  const Header header = ReadHeader(name, file);
  CheckPixelCount(name, static_cast<std::uint64_t>(header.width), static_cast<std::uint64_t>(header.height), limits);
  const int channels = header.colour ? 3 : 1;
  const std::size_t need = static_cast<std::size_t>(header.width) * header.height * channels * 4;
  if (file.size() - header.dataStart < need)
    Fail(name, "truncated pixel data (" + std::to_string(file.size() - header.dataStart) + " of " + std::to_string(need) + " bytes)");
  VnImage<VnFLOAT32> samples = Allocate<VnFLOAT32>(name, header.width * channels, header.height);
  const unsigned char* data = file.data() + header.dataStart;
  for (long y = 0; y < header.height; ++y) {
    float* row = samples.GetImagePtr(0, static_cast<int>(header.height - 1 - y));
    for (long i = 0; i < header.width * channels; ++i) row[i] = Sample(data + 4 * (y * header.width * channels + i), header.littleEndian);
  }
  if (!header.colour) return AnyImage{std::move(samples), std::nullopt};
  // Files hold red, green, blue; the library holds blue first.
  VnImage<VnBW8> bytes = Allocate<VnBW8>(name, header.width * 3, header.height);
  ImgConvert(&samples, &bytes);
  VnImage<VnC24> colour = Allocate<VnC24>(name, header.width, header.height);
  for (int y = 0; y < colour.GetHeight(); ++y)
    for (int x = 0; x < colour.GetWidth(); ++x) {
      const VnBW8* rgb = bytes.GetImagePtr(3 * x, y);
      colour.SetPixel({rgb[2], rgb[1], rgb[0]}, x, y);
    }
  return AnyImage{std::move(colour), std::nullopt};
}

void EncodePfm(const std::string& name, const AnyImage& image, ByteSink& out) {
  std::visit(
      [&]<class T>(const VnImage<T>& pixels) {
        if constexpr (std::is_floating_point_v<T>) {
          EmitRows<1>("Pf", pixels.GetWidth(), pixels.GetHeight(), out, [&](int x, int y, unsigned char* p) {
            PutSample(p, static_cast<float>(pixels.GetPixel(x, y)));
          });
        } else if constexpr (std::is_same_v<T, VnC24>) {
          EmitRows<3>("PF", pixels.GetWidth(), pixels.GetHeight(), out, [&](int x, int y, unsigned char* p) {
            const VnC24 c = pixels.GetPixel(x, y);
            PutSample(p, c.c2), PutSample(p + 4, c.c1), PutSample(p + 8, c.c0);
          });
        } else {
          throw FileError(name + ": a .pfm file holds float or colour images, not " + kPixelTypeName<T> +
                          " (convert it with --to float32 first)");
        }
      },
      image.pixels);
}

Bytes EncodePfm(const std::string& name, const AnyImage& image) {
  Bytes bytes;
  BufferSink out(bytes);
  EncodePfm(name, image, out);
  return bytes;
}

}  // namespace vnimg::tool::formats
