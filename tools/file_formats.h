// The readers and writers behind ReadImage and WriteImage. Each format is one row of
// Formats(): adding a format is one reader/writer pair and one row there.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "image_file.h"

namespace vnimg::tool::formats {

using Bytes = std::vector<unsigned char>;

// Where an encoder puts the file's bytes, in order. Encoders write a row at a time, so a
// file never needs to be whole in memory.
class ByteSink {
 public:
  virtual void Write(const unsigned char* data, std::size_t size) = 0;
  // Room for the next `size` bytes, to be filled before the next call: encoders that
  // transform a row write it there rather than through a row buffer of their own.
  virtual unsigned char* Append(std::size_t size) = 0;
  void Write(const std::string& text) { Write(reinterpret_cast<const unsigned char*>(text.data()), text.size()); }

 protected:
  ~ByteSink() = default;
};

// Appends to a buffer the caller owns (and may reuse).
class BufferSink final : public ByteSink {
 public:
  explicit BufferSink(Bytes& bytes) : m_bytes(bytes) {}
  using ByteSink::Write;
  void Write(const unsigned char* data, std::size_t size) override { m_bytes.insert(m_bytes.end(), data, data + size); }
  unsigned char* Append(std::size_t size) override {
    m_bytes.resize(m_bytes.size() + size);
    return m_bytes.data() + m_bytes.size() - size;
  }

 private:
  Bytes& m_bytes;
};

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
  // `extension` is the output name's, lower case. Throws FileError, before writing
  // anything, when the format cannot hold the image.
  void (*encode)(const std::string& name, const std::string& extension, const AnyImage& image,
                 const WriteSettings& settings, ByteSink& out);
};

std::span<const Format> Formats();

// Which Netpbm kinds a file name's extension allows when writing.
enum class NetpbmKind { Bitmap, Graymap, Pixmap, Any, Arbitrary };

// PBM, PGM, PPM (P1 to P6) and PAM (P7). `name` only labels the messages.
bool IsNetpbm(const Bytes& start);
ImageHeader ReadNetpbmHeader(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
AnyImage ReadNetpbm(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
void EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image, bool plain, ByteSink& out);
Bytes EncodeNetpbm(const std::string& name, NetpbmKind kind, const AnyImage& image, bool plain = false);

// Netpbm's float format (PFM), gray and colour.
bool IsPfm(const Bytes& start);
ImageHeader ReadPfmHeader(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
AnyImage ReadPfm(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
void EncodePfm(const std::string& name, const AnyImage& image, ByteSink& out);
Bytes EncodePfm(const std::string& name, const AnyImage& image);

// PNG through libpng: gray 1, 2, 4, 8 and 16 bit, gray with alpha, palette, RGB and RGBA.
bool IsPng(const Bytes& start);
ImageHeader ReadPngHeader(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
AnyImage ReadPng(const std::string& name, const Bytes& file, const ReadLimits& limits = {});
void EncodePng(const std::string& name, const AnyImage& image, int compression, ByteSink& out);
Bytes EncodePng(const std::string& name, const AnyImage& image, int compression = 1);

// "W x H pixels exceed the limit ..." unless width * height <= limits.maxPixels.
void CheckPixelCount(const std::string& name, std::uint64_t width, std::uint64_t height, const ReadLimits& limits);

}  // namespace vnimg::tool::formats
