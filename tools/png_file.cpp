// PNG through libpng's classic interface. libpng reports errors by longjmp; every jump lands
// in the function that called setjmp, whose objects live on, and everything that must survive
// the jump lives in the caller's frame (passed by reference), so no destructor is skipped.
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>

#include "file_formats.h"

namespace vnimg::tool::formats {
namespace {

// PNG samples of 16 bits are big-endian; the images hold them in the host's order.
constexpr bool kSwap16 = std::endian::native == std::endian::little;

struct ErrorSink {
  char message[256] = "unknown libpng error";
};

void OnError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}

// Warnings are about ancillary data the tool ignores, except a palette index past the
// palette's end, which the format calls an error.
void OnWarning(png_structp png, png_const_charp message) {
  if (std::strstr(message, "palette index")) OnError(png, message);
}

struct MemoryReader {
  const Bytes* file;
  std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* in = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (in->file->size() - in->pos < length) png_error(png, "truncated file");
  std::memcpy(data, in->file->data() + in->pos, length);
  in->pos += length;
}

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

// What the header says and what the transforms below make of it: 1 (gray) or 3 (RGB, blue
// first) colour channels, maybe alpha, 1, 8 or 16 bits per sample, native byte order.
struct Layout {
  png_uint_32 width = 0, height = 0;
  int colorType = 0, fileDepth = 0, interlace = 0;
  int channels = 0, depth = 0;
  bool alpha = false;
  std::size_t rowBytes = 0;
};

struct Decoded {
  Layout layout;
  AnyImage image{VnImage<VnBW1>(), std::nullopt};
  Bytes scratch;  // interleaved rows when there is alpha
  std::vector<png_bytep> rows;
};

// The bytes of every IDAT chunk: a zlib stream expands at most about 1032 times, so a claimed
// size that this data cannot fill is refused before the image is allocated.
std::uint64_t CompressedBytes(const Bytes& file) {
  std::uint64_t total = 0;
  for (std::size_t pos = 8; file.size() - pos >= 12;) {
    const std::uint64_t length = std::uint64_t{file[pos]} << 24 | file[pos + 1] << 16 | file[pos + 2] << 8 | file[pos + 3];
    if (std::memcmp(&file[pos + 4], "IDAT", 4) == 0) total += length;
    if (length > file.size() - pos - 12) break;
    pos += 12 + static_cast<std::size_t>(length);
  }
  return total;
}

// These return false, with the sink's message set, when libpng fails.
bool ReadLayout(ReadStructs& s, MemoryReader& reader, Layout& out) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_read_fn(s.png, &reader, ReadFromMemory);
  png_set_user_limits(s.png, 0x7fffffff, 0x7fffffff);
  png_read_info(s.png, s.info);
  out.width = png_get_image_width(s.png, s.info);
  out.height = png_get_image_height(s.png, s.info);
  out.colorType = png_get_color_type(s.png, s.info);
  out.fileDepth = png_get_bit_depth(s.png, s.info);
  out.interlace = png_get_interlace_type(s.png, s.info);
  out.alpha = (out.colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(s.png, s.info, PNG_INFO_tRNS);
  return true;
}

bool SetTransforms(ReadStructs& s, Layout& l) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  // Palette indices come through as bytes, checked against the palette by ExpandPalette:
  // libpng lets an 8-bit index past the palette's end through as black.
  if (l.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_packing(s.png);
  } else if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(s.png);
  }
  if (l.colorType == PNG_COLOR_TYPE_GRAY && l.fileDepth > 1 && l.fileDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
  if (l.fileDepth == 16 && kSwap16) png_set_swap(s.png);
  png_set_bgr(s.png);
  if (l.interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  l.channels = png_get_channels(s.png, s.info);
  l.depth = png_get_bit_depth(s.png, s.info);
  if (l.colorType != PNG_COLOR_TYPE_PALETTE) l.alpha = (png_get_color_type(s.png, s.info) & PNG_COLOR_MASK_ALPHA) != 0;
  l.rowBytes = png_get_rowbytes(s.png, s.info);
  return true;
}

bool ReadRows(ReadStructs& s, Decoded& d) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_read_image(s.png, d.rows.data());
  png_read_end(s.png, nullptr);
  return true;
}

template <class T>
VnImage<T> Allocate(const std::string& name, const Layout& l) {
  VnImage<T> image(static_cast<int>(l.width), static_cast<int>(l.height));
  if (image.Void()) throw FileError(name + ": not enough memory for the image");
  return image;
}

template <class T>
void PointRows(Decoded& d, VnImage<T>& image) {
  for (png_uint_32 y = 0; y < d.layout.height; ++y) d.rows[y] = reinterpret_cast<png_bytep>(image.GetImagePtr(0, static_cast<int>(y)));
}

// Allocates the destination and points libpng's rows at it, or at scratch rows to be split
// into pixels and alpha afterwards.
template <class T>
void Prepare(const std::string& name, Decoded& d) {
  d.image.pixels = Allocate<T>(name, d.layout);
  d.rows.resize(d.layout.height);
  if (!d.layout.alpha) return PointRows(d, std::get<VnImage<T>>(d.image.pixels));
  d.image.alpha = Allocate<VnBW8>(name, d.layout);
  d.scratch.resize(d.layout.rowBytes * d.layout.height);
  for (png_uint_32 y = 0; y < d.layout.height; ++y) d.rows[y] = d.scratch.data() + y * d.layout.rowBytes;
}

void PrepareIndices(const std::string& name, Decoded& d) {
  d.image.pixels = Allocate<VnC24>(name, d.layout);
  if (d.layout.alpha) d.image.alpha = Allocate<VnBW8>(name, d.layout);
  d.scratch.resize(d.layout.rowBytes * d.layout.height);
  d.rows.resize(d.layout.height);
  for (png_uint_32 y = 0; y < d.layout.height; ++y) d.rows[y] = d.scratch.data() + y * d.layout.rowBytes;
}

void ExpandPalette(const std::string& name, ReadStructs& s, Decoded& d) {
  png_colorp palette = nullptr;
  int entries = 0;
  png_get_PLTE(s.png, s.info, &palette, &entries);
  png_bytep opacity = nullptr;
  int opaque = 0;
  png_get_tRNS(s.png, s.info, &opacity, &opaque, nullptr);
  auto& image = std::get<VnImage<VnC24>>(d.image.pixels);
  for (png_uint_32 y = 0; y < d.layout.height; ++y) {
    VnC24* row = image.GetImagePtr(0, static_cast<int>(y));
    for (png_uint_32 x = 0; x < d.layout.width; ++x) {
      const int i = d.rows[y][x];
      if (i >= entries)
        throw FileError(name + ": palette index " + std::to_string(i) + " at (" + std::to_string(x) + ", " + std::to_string(y) +
                        ") is past the palette's " + std::to_string(entries) + " entries");
      row[x] = VnC24{palette[i].blue, palette[i].green, palette[i].red};
      if (d.image.alpha) d.image.alpha->GetImagePtr(0, static_cast<int>(y))[x] = i < opaque ? opacity[i] : 255;
    }
  }
}

template <class T>
void SplitAlpha(Decoded& d) {
  auto& image = std::get<VnImage<T>>(d.image.pixels);
  const int c = d.layout.channels;
  for (png_uint_32 y = 0; y < d.layout.height; ++y) {
    T* row = image.GetImagePtr(0, static_cast<int>(y));
    VnBW8* alpha = d.image.alpha->GetImagePtr(0, static_cast<int>(y));
    for (png_uint_32 x = 0; x < d.layout.width; ++x) {
      if constexpr (std::is_same_v<T, VnBW16>) {
        const auto* p = reinterpret_cast<const std::uint16_t*>(d.rows[y]) + x * c;
        row[x] = p[0];
        alpha[x] = static_cast<VnBW8>((p[1] * 255u + 32767) / 65535);
      } else {
        const png_byte* p = d.rows[y] + x * c;
        std::memcpy(&row[x], p, sizeof(T));
        alpha[x] = p[c - 1];
      }
    }
  }
}

void CheckLayout(const std::string& name, const Bytes& file, const Layout& l, const ReadLimits& limits) {
  CheckPixelCount(name, l.width, l.height, limits);
  if ((l.colorType & PNG_COLOR_MASK_COLOR) && l.fileDepth == 16)
    throw FileError(name + ": 16-bit colour is not supported (the library's colour pixels have 8 bits per component)");
  const std::uint64_t channels = (l.colorType & PNG_COLOR_MASK_COLOR ? 3 : 1) + (l.colorType & PNG_COLOR_MASK_ALPHA ? 1 : 0);
  const std::uint64_t raw = (std::uint64_t{l.width} * channels * static_cast<unsigned>(l.fileDepth) + 15) / 8 * l.height;
  const std::uint64_t compressed = CompressedBytes(file);
  if (raw > compressed * 1032 + 4096)
    throw FileError(name + ": truncated or corrupt (" + std::to_string(compressed) + " bytes of image data cannot hold " +
                    std::to_string(l.width) + " x " + std::to_string(l.height) + " pixels)");
}

void BeginRead(const std::string& name, const Bytes& file, ReadStructs& s, ErrorSink& sink, MemoryReader& reader,
               Layout& layout) {
  if (!IsPng(file)) throw FileError(name + ": not a PNG file");
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  if (s.png) s.info = png_create_info_struct(s.png);
  if (!s.info) throw FileError(name + ": not enough memory to read it");
  if (!ReadLayout(s, reader, layout)) throw FileError(name + ": " + sink.message);
}

// Rows in PNG layout, blue first for colour (png_set_bgr swaps them back on writing).
struct Encoded {
  int colorType = PNG_COLOR_TYPE_GRAY;
  int bitDepth = 8;
  Bytes data;
  std::vector<png_bytep> rows;
  ByteSink* out = nullptr;
};

template <class T>
void Fill(Encoded& e, const VnImage<T>& image, const std::optional<VnImage<VnBW8>>& alpha) {
  constexpr bool kColour = std::is_same_v<T, VnC24>, kBits = std::is_same_v<T, VnBW1>;
  const int w = image.GetWidth(), h = image.GetHeight();
  e.colorType = (kColour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY) | (alpha ? PNG_COLOR_MASK_ALPHA : 0);
  e.bitDepth = kBits ? 1 : std::is_same_v<T, VnBW16> ? 16 : 8;
  e.rows.resize(h);
  if (!alpha) {
    for (int y = 0; y < h; ++y) e.rows[y] = static_cast<png_bytep>(const_cast<void*>(static_cast<const void*>(image.GetImagePtr(0, y))));
    return;
  }
  if constexpr (!kBits) {
    const std::size_t pixelBytes = sizeof(T) * 2 - (kColour ? 2 : 0);  // sample size times channels
    const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(w);
    e.data.resize(rowBytes * h);
    for (int y = 0; y < h; ++y) {
      png_bytep out = e.rows[y] = e.data.data() + y * rowBytes;
      const T* row = image.GetImagePtr(0, y);
      const VnBW8* a = alpha->GetImagePtr(0, y);
      for (int x = 0; x < w; ++x, out += pixelBytes) {
        std::memcpy(out, &row[x], sizeof(T));
        if constexpr (std::is_same_v<T, VnBW16>) {
          const std::uint16_t wide = static_cast<std::uint16_t>(a[x] * 257u);
          std::memcpy(out + 2, &wide, 2);
        } else {
          out[sizeof(T)] = a[x];
        }
      }
    }
  }
}

void WriteToSink(png_structp png, png_bytep data, png_size_t length) {
  static_cast<Encoded*>(png_get_io_ptr(png))->out->Write(data, length);
}

void Flush(png_structp) {}

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStructs() { png_destroy_write_struct(&png, &info); }
};

bool Emit(WriteStructs& s, Encoded& e, int width, int height, int compression) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_write_fn(s.png, &e, WriteToSink, Flush);
  png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), e.bitDepth, e.colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(s.png, compression);
  // At the fast levels one cheap filter beats trying all five on every row; the slow levels
  // are asked for small files, which the adaptive choice gives.
  png_set_filter(s.png, PNG_FILTER_TYPE_BASE, compression <= 3 ? PNG_FILTER_SUB : PNG_ALL_FILTERS);
  png_write_info(s.png, s.info);
  if (e.bitDepth == 16 && kSwap16) png_set_swap(s.png);
  if (e.colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(s.png);
  png_write_image(s.png, e.rows.data());
  png_write_end(s.png, nullptr);
  return true;
}

}  // namespace

bool IsPng(const Bytes& start) { return start.size() >= 8 && png_sig_cmp(start.data(), 0, 8) == 0; }

ImageHeader ReadPngHeader(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  ErrorSink sink;
  ReadStructs structs;
  MemoryReader reader{&file, 0};
  Layout l;
  BeginRead(name, file, structs, sink, reader, l);
  CheckPixelCount(name, l.width, l.height, limits);
  const bool colour = l.colorType & PNG_COLOR_MASK_COLOR;
  const char* pixels = colour ? (l.fileDepth == 16 ? "16-bit colour" : kPixelTypeName<VnC24>)
                       : l.fileDepth == 1 ? kPixelTypeName<VnBW1>
                       : l.fileDepth == 16 ? kPixelTypeName<VnBW16>
                                           : kPixelTypeName<VnBW8>;
  const unsigned maxValue = l.colorType == PNG_COLOR_TYPE_PALETTE ? 255u : (1u << l.fileDepth) - 1;
  return {"PNG", static_cast<int>(l.width), static_cast<int>(l.height), pixels, l.alpha, maxValue};
}

AnyImage ReadPng(const std::string& name, const Bytes& file, const ReadLimits& limits) {
  ErrorSink sink;
  ReadStructs structs;
  MemoryReader reader{&file, 0};
  Decoded d;
  BeginRead(name, file, structs, sink, reader, d.layout);
  CheckLayout(name, file, d.layout, limits);
  if (!SetTransforms(structs, d.layout)) throw FileError(name + ": " + sink.message);
  const int colourChannels = d.layout.channels - (d.layout.alpha ? 1 : 0);
  // Transparency expands 1-bit gray to 8 bits, so 1-bit rows never carry alpha.
  const bool indexed = d.layout.colorType == PNG_COLOR_TYPE_PALETTE;
  if (indexed) {
    PrepareIndices(name, d);
  } else if (d.layout.depth == 1) {
    Prepare<VnBW1>(name, d);
  } else if (d.layout.depth == 16) {
    Prepare<VnBW16>(name, d);
  } else if (colourChannels == 1) {
    Prepare<VnBW8>(name, d);
  } else {
    Prepare<VnC24>(name, d);
  }
  if (!ReadRows(structs, d)) throw FileError(name + ": " + sink.message);
  if (auto* bits = std::get_if<VnImage<VnBW1>>(&d.image.pixels); bits && d.layout.width % 8) {
    for (png_uint_32 y = 0; y < d.layout.height; ++y) d.rows[y][d.layout.width / 8] &= static_cast<png_byte>(0xFF00u >> (d.layout.width % 8));
  }
  if (indexed) {
    ExpandPalette(name, structs, d);
  } else if (d.layout.alpha) {
    std::visit([&]<class T>(VnImage<T>&) {
      if constexpr (!std::is_same_v<T, VnBW1>) SplitAlpha<T>(d);
    }, d.image.pixels);
  }
  return std::move(d.image);
}

void EncodePng(const std::string& name, const AnyImage& image, int compression, ByteSink& out) {
  Encoded encoded;
  encoded.out = &out;
  std::visit([&]<class T>(const VnImage<T>& pixels) {
    if constexpr (std::is_floating_point_v<T>) {
      throw FileError(name + ": a float image needs a .pfm file");
    } else {
      if (std::is_same_v<T, VnBW1> && image.alpha)
        throw FileError(name + ": PNG cannot hold a 1-bit image with alpha; use .pam, or copy it to 8-bit first");
      Fill(encoded, pixels, image.alpha);
    }
  }, image.pixels);
  ErrorSink sink;
  WriteStructs structs;
  structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  if (structs.png) structs.info = png_create_info_struct(structs.png);
  if (!structs.info) throw FileError(name + ": not enough memory to write it");
  if (!Emit(structs, encoded, image.Width(), image.Height(), compression)) throw FileError(name + ": " + sink.message);
}

Bytes EncodePng(const std::string& name, const AnyImage& image, int compression) {
  Bytes bytes;
  BufferSink out(bytes);
  EncodePng(name, image, compression, out);
  return bytes;
}

}  // namespace vnimg::tool::formats
