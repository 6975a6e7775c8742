// The readers and writers behind ReadImage and WriteImage, one pair per format.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "image_file.h"

namespace vnimg::tool::formats {

using Bytes = std::vector<unsigned char>;

// Which Netpbm kinds a file name's extension allows when writing.
enum class NetpbmKind { Bitmap, Graymap, Pixmap, Any };

// Binary PBM (P4), PGM (P5) and PPM (P6). `name` only labels the messages.
AnyImage ReadNetpbm(const std::string& name, const Bytes& file);
Bytes EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image);

// Netpbm's float format (PFM), gray and colour.
AnyImage ReadPfm(const std::string& name, const Bytes& file);
Bytes EncodePfm(const std::string& name, const AnyImage& image);

// PNG through libpng: gray 1, 2, 4, 8 and 16 bit, gray with alpha, palette, RGB and RGBA.
AnyImage ReadPng(const std::string& name, const Bytes& file);
void WritePng(const std::string& name, const AnyImage& image, std::FILE* out);

}  // namespace vnimg::tool::formats
