// PNG through libpng's classic interface. libpng reports errors by longjmp; every jump lands
// in the function that called setjmp, whose objects live on, and everything that must survive
// the jump lives in the caller's frame (passed by reference), so no destructor is skipped.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "file_formats.h"

namespace vnimg::tool::formats {
namespace {

struct ErrorSink {
  char message[256] = "unknown libpng error";
};

void OnError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

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

// What libpng decoded: after the transforms below, 1 (gray or gray with alpha), 3 (RGB in
// blue-first order) or 4 channels (with alpha), 1, 8 or 16 bits per sample, native byte order.
struct Decoded {
  png_uint_32 width = 0, height = 0;
  int channels = 0;
  int bitDepth = 0;
  bool alpha = false;
  Bytes data;
  std::size_t rowBytes = 0;
  std::vector<png_bytep> rows;
};

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Returns false with sink.message set when libpng fails.
bool Decode(ReadStructs& structs, MemoryReader& reader, ErrorSink& sink, Decoded& out) {
  if (setjmp(png_jmpbuf(structs.png))) return false;
  png_set_read_fn(structs.png, &reader, ReadFromMemory);
  png_set_user_limits(structs.png, 1u << 20, 1u << 20);
  png_read_info(structs.png, structs.info);
  const int colorType = png_get_color_type(structs.png, structs.info);
  const int depth = png_get_bit_depth(structs.png, structs.info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_palette_to_rgb(structs.png);
    if (png_get_valid(structs.png, structs.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(structs.png);
  } else if ((colorType & PNG_COLOR_MASK_COLOR) && depth == 16) {
    std::snprintf(sink.message, sizeof sink.message, "16-bit colour is not supported");
    return false;
  }
  if (colorType == PNG_COLOR_TYPE_GRAY && depth > 1 && depth < 8) png_set_expand_gray_1_2_4_to_8(structs.png);
  if (depth == 16) png_set_swap(structs.png);
  png_set_bgr(structs.png);
  png_set_interlace_handling(structs.png);
  png_read_update_info(structs.png, structs.info);

  out.width = png_get_image_width(structs.png, structs.info);
  out.height = png_get_image_height(structs.png, structs.info);
  out.channels = png_get_channels(structs.png, structs.info);
  out.bitDepth = png_get_bit_depth(structs.png, structs.info);
  out.alpha = (png_get_color_type(structs.png, structs.info) & PNG_COLOR_MASK_ALPHA) != 0;
  out.rowBytes = png_get_rowbytes(structs.png, structs.info);
  out.data.resize(out.rowBytes * out.height);
  out.rows.resize(out.height);
  for (png_uint_32 y = 0; y < out.height; ++y) out.rows[y] = out.data.data() + y * out.rowBytes;
  png_read_image(structs.png, out.rows.data());
  png_read_end(structs.png, nullptr);
  return true;
}

template <class T>
VnImage<T> Allocate(const std::string& name, const Decoded& d) {
  VnImage<T> image(static_cast<int>(d.width), static_cast<int>(d.height));
  if (image.Void()) throw FileError(name + ": not enough memory for the image");
  return image;
}

AnyImage Convert(const std::string& name, const Decoded& d) {
  const int w = static_cast<int>(d.width), h = static_cast<int>(d.height);
  AnyImage result{VnImage<VnBW1>(), std::nullopt};
  if (d.alpha) result.alpha = Allocate<VnBW8>(name, d);
  const int colourChannels = d.alpha ? d.channels - 1 : d.channels;
  if (d.bitDepth == 1) {
    VnImage<VnBW1> image = Allocate<VnBW1>(name, d);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.SetPixel(VnBW1((d.rows[y][x / 8] >> (7 - x % 8)) & 1u), x, y);
    result.pixels = std::move(image);
  } else if (d.bitDepth == 16) {
    VnImage<VnBW16> image = Allocate<VnBW16>(name, d);
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const std::uint16_t*>(d.rows[y]);
      for (int x = 0; x < w; ++x) {
        image.SetPixel(row[x * d.channels], x, y);
        if (d.alpha) result.alpha->SetPixel(static_cast<VnBW8>(row[x * d.channels + 1] >> 8), x, y);
      }
    }
    result.pixels = std::move(image);
  } else if (colourChannels == 1) {
    VnImage<VnBW8> image = Allocate<VnBW8>(name, d);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        image.SetPixel(d.rows[y][x * d.channels], x, y);
        if (d.alpha) result.alpha->SetPixel(d.rows[y][x * d.channels + 1], x, y);
      }
    result.pixels = std::move(image);
  } else {
    VnImage<VnC24> image = Allocate<VnC24>(name, d);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const png_byte* p = d.rows[y] + x * d.channels;
        image.SetPixel(VnC24{p[0], p[1], p[2]}, x, y);
        if (d.alpha) result.alpha->SetPixel(p[3], x, y);
      }
    result.pixels = std::move(image);
  }
  return result;
}

// Rows in PNG layout, blue first for colour (png_set_bgr swaps them back on writing).
struct Encoded {
  int colorType = PNG_COLOR_TYPE_GRAY;
  int bitDepth = 8;
  std::size_t rowBytes = 0;
  Bytes data;
  std::vector<png_bytep> rows;
};

void Layout(Encoded& e, int w, int h, int colorType, int bitDepth, int channels) {
  e.colorType = colorType;
  e.bitDepth = bitDepth;
  e.rowBytes = (static_cast<std::size_t>(w) * channels * bitDepth + 7) / 8;
  e.data.assign(e.rowBytes * h, 0);
  e.rows.resize(h);
  for (int y = 0; y < h; ++y) e.rows[y] = e.data.data() + y * e.rowBytes;
}

void Fill(Encoded& e, const VnImage<VnBW1>& image, const std::optional<VnImage<VnBW8>>&) {
  Layout(e, image.GetWidth(), image.GetHeight(), PNG_COLOR_TYPE_GRAY, 1, 1);
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x)
      if (image.GetPixel(x, y)) e.rows[y][x / 8] |= static_cast<png_byte>(0x80u >> (x % 8));
}

template <class T>
void Fill(Encoded& e, const VnImage<T>& image, const std::optional<VnImage<VnBW8>>& alpha) {
  constexpr bool kColour = std::is_same_v<T, VnC24>;
  constexpr int kBytes = kColour ? 3 : static_cast<int>(sizeof(T));
  const int colorType = (kColour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY) | (alpha ? PNG_COLOR_MASK_ALPHA : 0);
  const int channels = (kColour ? 3 : 1) + (alpha ? 1 : 0);
  Layout(e, image.GetWidth(), image.GetHeight(), colorType, kColour ? 8 : 8 * kBytes, channels);
  const int sample = kColour ? 1 : kBytes;
  for (int y = 0; y < image.GetHeight(); ++y) {
    png_bytep out = e.rows[y];
    for (int x = 0; x < image.GetWidth(); ++x) {
      const T pixel = image.GetPixel(x, y);
      std::memcpy(out, &pixel, kBytes);
      out += kBytes;
      if (alpha) {
        const VnBW8 a = alpha->GetPixel(x, y);
        if (sample == 2) *out++ = a;  // 16-bit alpha: a * 257, stored in native order
        *out++ = a;
      }
    }
  }
}

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStructs() { png_destroy_write_struct(&png, &info); }
};

bool Emit(WriteStructs& structs, Encoded& e, int width, int height, std::FILE* out) {
  if (setjmp(png_jmpbuf(structs.png))) return false;
  png_init_io(structs.png, out);
  png_set_IHDR(structs.png, structs.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), e.bitDepth,
               e.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(structs.png, structs.info);
  if (e.bitDepth == 16) png_set_swap(structs.png);
  if (e.colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(structs.png);
  png_write_image(structs.png, e.rows.data());
  png_write_end(structs.png, nullptr);
  return true;
}

}  // namespace

AnyImage ReadPng(const std::string& name, const Bytes& file) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) throw FileError(name + ": not a PNG file");
  ErrorSink sink;
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  if (structs.png) structs.info = png_create_info_struct(structs.png);
  if (!structs.info) throw FileError(name + ": not enough memory to read it");
  MemoryReader reader{&file, 0};
  Decoded decoded;
  if (!Decode(structs, reader, sink, decoded)) throw FileError(name + ": " + sink.message);
  return Convert(name, decoded);
}

void WritePng(const std::string& name, const AnyImage& image, std::FILE* out) {
  Encoded encoded;
  std::visit(
      [&]<class T>(const VnImage<T>& pixels) {
        if constexpr (std::is_floating_point_v<T>) throw FileError(name + ": a float image needs a .pfm file");
        else Fill(encoded, pixels, image.alpha);
      },
      image.pixels);
  ErrorSink sink;
  WriteStructs structs;
  structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  if (structs.png) structs.info = png_create_info_struct(structs.png);
  if (!structs.info) throw FileError(name + ": not enough memory to write it");
  if (!Emit(structs, encoded, image.Width(), image.Height(), out)) throw FileError(name + ": " + sink.message);
}

}  // namespace vnimg::tool::formats
