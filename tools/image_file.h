// Image files for the vnimg tool: PNG, Netpbm (PBM, PGM, PPM in binary and plain form), PAM and
// PFM (float images: gray PFM reads as VnFLOAT32; float images live only in .pfm files).
//
// The format is recognised from the file's first bytes when reading and follows the name's
// extension when writing. The pixel type follows the file: 1-bit files become VnBW1, 8- and
// 16-bit gray VnBW8 and VnBW16, colour VnC24 in the library's byte order (c0 blue, c1 green,
// c2 red). An alpha channel is kept beside the colour or gray pixels.
//
// Sample values: a file's maximum value means white, as in PNG. Samples are read at the full
// range of the pixel type, v * 255 / maxval (maxval up to 255) or v * 65535 / maxval (above),
// rounded to nearest; this is exactly what PNG does for its 1-, 2- and 4-bit gray samples.
// Files are written at 255 or 65535.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include <vnimg.h>

namespace vnimg::tool {

// A file that cannot be read or written: missing, malformed, truncated or of a kind the tool
// does not handle. The text names the file and says what is wrong.
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using ImageVariant = std::variant<VnImage<VnBW1>, VnImage<VnBW8>, VnImage<VnBW16>, VnImage<VnC24>, VnImage<VnFLOAT32>,
                                  VnImage<VnFLOAT64>>;

struct AnyImage {
  ImageVariant pixels;
  std::optional<VnImage<VnBW8>> alpha;

  int Width() const;
  int Height() const;
};

// "1-bit", "8-bit gray", "16-bit gray", "colour", "32-bit float" or "64-bit float".
template <class T>
constexpr const char* kPixelTypeName = "colour";
template <>
inline constexpr const char* kPixelTypeName<VnBW1> = "1-bit";
template <>
inline constexpr const char* kPixelTypeName<VnBW8> = "8-bit gray";
template <>
inline constexpr const char* kPixelTypeName<VnBW16> = "16-bit gray";
template <>
inline constexpr const char* kPixelTypeName<VnFLOAT32> = "32-bit float";
template <>
inline constexpr const char* kPixelTypeName<VnFLOAT64> = "64-bit float";
const char* PixelTypeName(const ImageVariant& pixels);

// Files claiming more pixels than this are refused before anything is allocated (2^28: a
// 16384 x 16384 picture; `--max-pixels` raises it).
inline constexpr std::uint64_t kDefaultMaxPixels = std::uint64_t{1} << 28;

struct ReadLimits {
  std::uint64_t maxPixels = kDefaultMaxPixels;
};

struct WriteSettings {
  // PNG: zlib level 0 (none) to 9 (smallest, slowest).
  int compression = 1;
  // Netpbm: the plain (text) forms P1, P2, P3.
  bool plain = false;
};

// What a file's header says, read without decoding (or allocating) its pixels.
struct ImageHeader {
  std::string format;  // "PNG", "PGM", "PAM" ...
  int width = 0, height = 0;
  const char* pixels = "";  // the pixel type it reads as
  bool alpha = false;
  unsigned maxValue = 0;  // the largest sample value the file declares
};

// True when the tool can write files of this name's extension.
bool IsImageFileName(const std::string& path);

// Throw FileError.
AnyImage ReadImage(const std::string& path, const ReadLimits& limits = {});
ImageHeader ReadImageHeader(const std::string& path, const ReadLimits& limits = {});

// Writes through a temporary file in the same folder renamed at the end, so the file is
// either complete or not there (an older file of that name stays as it was). Throws
// FileError, also when the format cannot hold the image (a colour image to .pgm, an alpha
// channel to .ppm) or the image is empty.
void WriteImage(const std::string& path, const AnyImage& image, const WriteSettings& settings = {});

}  // namespace vnimg::tool
