// Image files for the vnimg tool: binary Netpbm (PBM, PGM, PPM), PFM and PNG.
//
// The format follows the file name's extension, the pixel type follows the file: 1-bit files
// become VnBW1, 8- and 16-bit gray VnBW8 and VnBW16, colour VnC24 in the library's byte order
// (c0 blue, c1 green, c2 red), gray PFM VnFLOAT32 (float images live only in .pfm files).
// An alpha channel is kept beside the colour or gray pixels.
#pragma once

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

// True when the tool can read and write files of this name's extension.
bool IsImageFileName(const std::string& path);

// Throws FileError.
AnyImage ReadImage(const std::string& path);

// Writes through a temporary file in the same folder renamed at the end, so the file is
// either complete or not there (an older file of that name stays as it was). Throws
// FileError, also when the format cannot hold the pixel type (a colour image to .pgm).
void WriteImage(const std::string& path, const AnyImage& image);

}  // namespace vnimg::tool
