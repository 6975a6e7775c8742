#include "image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "file_formats.h"

namespace vnimg::tool {
namespace {

namespace fs = std::filesystem;

std::string Extension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

const formats::Format* FormatForName(const std::string& path) {
  const std::string ext = Extension(path);
  for (const formats::Format& format : formats::Formats())
    if (std::find(format.extensions.begin(), format.extensions.end(), ext) != format.extensions.end()) return &format;
  return nullptr;
}

std::string KnownExtensions() {
  std::string known;
  for (const formats::Format& format : formats::Formats())
    for (const std::string& ext : format.extensions) known += (known.empty() ? "" : ", ") + ext;
  return known;
}

std::string KnownFormats() {
  std::string known;
  for (const formats::Format& format : formats::Formats()) known += (known.empty() ? "" : ", ") + std::string(format.name);
  return known;
}

// At most `most` bytes from the start of the file.
formats::Bytes ReadFileBytes(const std::string& path, std::size_t most = SIZE_MAX) {
  std::error_code error;
  if (fs::is_directory(path, error)) throw FileError(path + ": is a directory, not an image file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path + ": cannot open (" + std::strerror(errno) + ")");
  formats::Bytes bytes;
  const std::uintmax_t size = fs::file_size(path, error);
  if (!error) bytes.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, most)));
  char buffer[1 << 16];
  while (bytes.size() < most && in) {
    in.read(buffer, static_cast<std::streamsize>(std::min(sizeof buffer, most - bytes.size())));
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
  }
  if (in.bad()) throw FileError(path + ": read error");
  return bytes;
}

const formats::Format& FormatOfContent(const std::string& path, const formats::Bytes& bytes) {
  for (const formats::Format& format : formats::Formats())
    if (format.recognises(bytes)) return format;
  throw FileError(path + ": not an image file the tool reads (" + KnownFormats() + ")");
}

// The process's file creation mask, to give the finished file the usual permissions
// (mkstemp creates it readable by its owner only).
mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Buffers the encoder's small writes into large ones. A failed write is remembered, not
// thrown, because the PNG encoder calls it from C code.
class FileSink final : public formats::ByteSink {
 public:
  explicit FileSink(int fd) : m_fd(fd) { m_buffer.reserve(kCapacity); }
  using ByteSink::Write;
  void Write(const unsigned char* data, std::size_t size) override {
    if (m_buffer.size() + size > kCapacity) Flush();
    if (size >= kCapacity) return WriteOut(data, size);
    m_buffer.insert(m_buffer.end(), data, data + size);
  }
  unsigned char* Append(std::size_t size) override {
    if (m_buffer.size() + size > std::max(kCapacity, size)) Flush();
    m_buffer.resize(m_buffer.size() + size);
    return m_buffer.data() + m_buffer.size() - size;
  }
  // 0 when every byte reached the file, else the first error's errno.
  int Finish() {
    Flush();
    return m_error;
  }

 private:
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;
  void Flush() {
    WriteOut(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
  }
  void WriteOut(const unsigned char* data, std::size_t size) {
    while (size && !m_error) {
      const ssize_t n = ::write(m_fd, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        m_error = n < 0 ? errno : EIO;
        break;
      }
      data += n, size -= static_cast<std::size_t>(n);
    }
  }
  int m_fd;
  int m_error = 0;
  std::vector<unsigned char> m_buffer;
};

// Streams the encoder's output into a temporary file that replaces `path` only when whole,
// so a failed encoding or write leaves no file and no partial one.
void WriteAtomically(const std::string& path, const std::function<void(formats::ByteSink&)>& encode) {
  if (fs::is_directory(path)) throw FileError(path + ": is a directory");
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  // A short temporary name, so that any name the folder allows can be written.
  std::string temp = (folder / ".vnimg-XXXXXX").string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) throw FileError(path + ": cannot create a file in " + folder.string() + " (" + std::strerror(errno) + ")");
  int error = 0;
  try {
    FileSink sink(fd);
    encode(sink);
    error = sink.Finish();
  } catch (...) {
    close(fd);
    unlink(temp.c_str());
    throw;
  }
  if (!error && fchmod(fd, CreationMode()) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (error) {
    unlink(temp.c_str());
    throw FileError(path + ": write error (" + std::strerror(error) + ")");
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int renameError = errno;
    unlink(temp.c_str());
    throw FileError(path + ": cannot write (" + std::strerror(renameError) + ")");
  }
}

}  // namespace

int AnyImage::Width() const {
  return std::visit([](const auto& image) { return image.GetWidth(); }, pixels);
}

int AnyImage::Height() const {
  return std::visit([](const auto& image) { return image.GetHeight(); }, pixels);
}

const char* PixelTypeName(const ImageVariant& pixels) {
  return std::visit([]<class T>(const VnImage<T>&) { return kPixelTypeName<T>; }, pixels);
}

bool IsImageFileName(const std::string& path) { return FormatForName(path) != nullptr; }

AnyImage ReadImage(const std::string& path, const ReadLimits& limits) {
  const formats::Bytes bytes = ReadFileBytes(path);
  return FormatOfContent(path, bytes).read(path, bytes, limits);
}

ImageHeader ReadImageHeader(const std::string& path, const ReadLimits& limits) {
  // Headers are small: the first MiB holds all but those with huge comments, which get the
  // whole file.
  constexpr std::size_t kPrefix = 1 << 20;
  const formats::Bytes start = ReadFileBytes(path, kPrefix);
  const formats::Format& format = FormatOfContent(path, start);
  try {
    return format.readHeader(path, start, limits);
  } catch (const FileError&) {
    if (start.size() < kPrefix) throw;
  }
  return format.readHeader(path, ReadFileBytes(path), limits);
}

void WriteImage(const std::string& path, const AnyImage& image, const WriteSettings& settings) {
  const formats::Format* format = FormatForName(path);
  if (!format) throw FileError(path + ": unknown image format (the name must end in " + KnownExtensions() + ")");
  if (image.Width() < 1 || image.Height() < 1)
    throw FileError(path + ": the result is empty (" + std::to_string(image.Width()) + " x " +
                    std::to_string(image.Height()) + " pixels); nothing written");
  WriteAtomically(path, [&](formats::ByteSink& out) { format->encode(path, Extension(path), image, settings, out); });
}

namespace formats {

void CheckPixelCount(const std::string& name, std::uint64_t width, std::uint64_t height, const ReadLimits& limits) {
  if (width > 0x7fffffff || height > 0x7fffffff || width * height > limits.maxPixels)
    throw FileError(name + ": " + std::to_string(width) + " x " + std::to_string(height) + " pixels exceed the limit of " +
                    std::to_string(limits.maxPixels) + " (--max-pixels N raises it)");
}

namespace {

void EncodePngFile(const std::string& name, const std::string&, const AnyImage& image, const WriteSettings& settings,
                   ByteSink& out) {
  EncodePng(name, image, settings.compression, out);
}

void EncodeNetpbmFile(const std::string& name, const std::string& ext, const AnyImage& image, const WriteSettings& settings,
                      ByteSink& out) {
  const NetpbmKind kind = ext == ".pbm"   ? NetpbmKind::Bitmap
                          : ext == ".pgm" ? NetpbmKind::Graymap
                          : ext == ".ppm" ? NetpbmKind::Pixmap
                          : ext == ".pam" ? NetpbmKind::Arbitrary
                                          : NetpbmKind::Any;
  EncodeNetpbm(name, kind, image, settings.plain, out);
}

void EncodePfmFile(const std::string& name, const std::string&, const AnyImage& image, const WriteSettings&, ByteSink& out) {
  EncodePfm(name, image, out);
}

}  // namespace

std::span<const Format> Formats() {
  static const Format formats[] = {
      {"PNG", {".png"}, IsPng, ReadPngHeader, ReadPng, EncodePngFile},
      {"Netpbm (PBM, PGM, PPM, PAM)", {".pbm", ".pgm", ".ppm", ".pnm", ".pam"}, IsNetpbm, ReadNetpbmHeader, ReadNetpbm,
       EncodeNetpbmFile},
      {"PFM", {".pfm"}, IsPfm, ReadPfmHeader, ReadPfm, EncodePfmFile},
  };
  return formats;
}

}  // namespace formats
}  // namespace vnimg::tool
