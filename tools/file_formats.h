// The readers and writers behind ReadImage and WriteImage. Each format is one row of
// Formats(): adding a format is one reader/writer pair and one row there.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "image_file.h"

namespace vnimg::tool::formats {

using Bytes = std::vector<unsigned char>;

struct Format {
  const char* name;
  // Lower-case extensions it writes, dot included.
  std::vector<std::string> extensions;
  // True when a file starting with these bytes is of this format (at least 8 bytes are
  // given when the file has them).
  bool (*recognises)(const Bytes& start);
  // Both validate the whole header (sizes against the limit included) before allocating.
  ImageHeader (*readHeader)(const std::string& name, const Bytes& file, const ReadLimits& limits);
  AnyImage (*read)(const std::string& name, const Bytes& file, const ReadLimits& limits);
  // `extension` is the output name's, lower case.
  Bytes (*encode)(const std::string& name, const std::string& extension, const AnyImage& image,
                  const WriteSettings& settings);
};

std::span<const Format> Formats();

// Which Netpbm kinds a file name's extension allows when writing.
enum class NetpbmKind { Bitmap, Graymap, Pixmap, Any, Arbitrary };

// PBM, PGM, PPM (P1 to P6) and PAM (P7). `name` only labels the messages.
bool IsNetpbm(const Bytes& start);
ImageHeader ReadNetpbmHeader(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
AnyImage ReadNetpbm(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
Bytes EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image, bool plain = false);

// Netpbm's float format (PFM), gray and colour.
bool IsPfm(const Bytes& start);
ImageHeader ReadPfmHeader(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
AnyImage ReadPfm(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
Bytes EncodePfm(const std::string& name, const AnyImage& image);

// PNG through libpng: gray 1, 2, 4, 8 and 16 bit, gray with alpha, palette, RGB and RGBA.
bool IsPng(const Bytes& start);
ImageHeader ReadPngHeader(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
AnyImage ReadPng(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
Bytes EncodePng(const std::string& name, const AnyImage& image, int compression = 1);
void WritePng(const std::string& name, const AnyImage& image, std::FILE* out);

// "W x H pixels exceed the limit ..." unless width * height <= limits.maxPixels.
void CheckPixelCount(const std::string& name, std::uint64_t width, std::uint64_t height, const ReadLimits& limits);

}  // namespace vnimg::tool::formats
