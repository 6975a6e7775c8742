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

enum class Format { Netpbm, Pfm, Png, Unknown };

std::string Extension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

Format FormatOf(const std::string& path) {
  const std::string ext = Extension(path);
  if (ext == ".pbm" || ext == ".pgm" || ext == ".ppm" || ext == ".pnm") return Format::Netpbm;
  if (ext == ".pfm") return Format::Pfm;
  if (ext == ".png") return Format::Png;
  return Format::Unknown;
}

formats::NetpbmKind NetpbmKindOf(const std::string& path) {
  const std::string ext = Extension(path);
  if (ext == ".pbm") return formats::NetpbmKind::Bitmap;
  if (ext == ".pgm") return formats::NetpbmKind::Graymap;
  if (ext == ".ppm") return formats::NetpbmKind::Pixmap;
  return formats::NetpbmKind::Any;
}

[[noreturn]] void UnknownFormat(const std::string& path) {
  throw FileError(path + ": unknown image format (the name must end in .png, .pgm, .ppm, .pbm, .pnm or .pfm)");
}

formats::Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path + ": cannot open (" + std::strerror(errno) + ")");
  formats::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw FileError(path + ": read error");
  return bytes;
}

// The process's file creation mask, to give the finished file the usual permissions
// (mkstemp creates it readable by its owner only).
mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

void WriteAtomically(const std::string& path, const std::function<void(std::FILE*)>& write) {
  if (fs::is_directory(path)) throw FileError(path + ": is a directory");
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::string hidden = ".";
  hidden += fs::path(path).filename().string();
  hidden += ".XXXXXX";
  std::string temp = (folder / hidden).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) throw FileError(path + ": cannot create a file in " + folder.string() + " (" + std::strerror(errno) + ")");
  std::FILE* out = fdopen(fd, "wb");
  if (!out) {
    close(fd);
    unlink(temp.c_str());
    throw FileError(path + ": cannot write (" + std::strerror(errno) + ")");
  }
  try {
    write(out);
    if (std::fflush(out) != 0 || std::ferror(out)) throw FileError(path + ": write error (" + std::strerror(errno) + ")");
    fchmod(fd, CreationMode());
  } catch (...) {
    std::fclose(out);
    unlink(temp.c_str());
    throw;
  }
  if (std::fclose(out) != 0) {
    unlink(temp.c_str());
    throw FileError(path + ": write error (" + std::strerror(errno) + ")");
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    throw FileError(path + ": cannot write (" + std::strerror(error) + ")");
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

bool IsImageFileName(const std::string& path) { return FormatOf(path) != Format::Unknown; }

AnyImage ReadImage(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) throw FileError(path + ": is a directory, not an image file");
  const Format format = FormatOf(path);
  if (format == Format::Unknown) UnknownFormat(path);
  const formats::Bytes bytes = ReadFileBytes(path);
  if (format == Format::Pfm) return formats::ReadPfm(path, bytes);
  return format == Format::Png ? formats::ReadPng(path, bytes) : formats::ReadNetpbm(path, bytes);
}

void WriteImage(const std::string& path, const AnyImage& image) {
  switch (FormatOf(path)) {
    case Format::Png:
      WriteAtomically(path, [&](std::FILE* out) { formats::WritePng(path, image, out); });
      return;
    case Format::Netpbm:
    case Format::Pfm: {
      // Encoded first, so that a type the format cannot hold creates no file at all.
      const formats::Bytes bytes = FormatOf(path) == Format::Pfm ? formats::EncodePfm(path, image)
                                                                 : formats::EncodeNetpbm(path, NetpbmKindOf(path), image);
      WriteAtomically(path, [&](std::FILE* out) { std::fwrite(bytes.data(), 1, bytes.size(), out); });
      return;
    }
    case Format::Unknown:
      UnknownFormat(path);
  }
}

}  // namespace vnimg::tool
