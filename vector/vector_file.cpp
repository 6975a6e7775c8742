// Opening, header and closing of vector files, shared by every element type.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "vnimg/vector.h"

namespace vnimg::vector_file {
namespace {

constexpr unsigned char kMagic = 0x56;
constexpr unsigned char kVersion = 1;

struct Header {
  unsigned char bytes[4];
  explicit Header(unsigned char typeCode)
      : bytes{kMagic, typeCode, kVersion, static_cast<unsigned char>(kMagic ^ typeCode ^ kVersion)} {}
};

}  // namespace

std::FILE* Open(const char* path, bool write) {
  if (!path) return nullptr;
  return std::fopen(path, write ? "wb" : "rb");
}

#if defined(_WIN32)
std::FILE* Open(const wchar_t* path, bool write) {
  if (!path) return nullptr;
  return _wfopen(path, write ? L"wb" : L"rb");
}
#else
// Elsewhere file names are bytes: the wide path goes through the locale's multibyte form.
std::FILE* Open(const wchar_t* path, bool write) {
  if (!path) return nullptr;
  std::mbstate_t state{};
  const wchar_t* source = path;
  const std::size_t length = std::wcsrtombs(nullptr, &source, 0, &state);
  if (length == static_cast<std::size_t>(-1)) return nullptr;
  std::string narrow(length + 1, '\0');
  source = path;
  state = std::mbstate_t{};
  std::wcsrtombs(narrow.data(), &source, narrow.size(), &state);
  return Open(narrow.c_str(), write);
}
#endif

int WriteHeader(std::FILE* file, unsigned char typeCode) {
  const Header header(typeCode);
  return std::fwrite(header.bytes, 1, 4, file) == 4 ? VN_OK : VN_ERR_FILE_WRITE;
}

int ReadHeader(std::FILE* file, unsigned char typeCode) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, 4, file) != 4) return VN_ERR_FILE_READ;
  return std::memcmp(bytes, Header(typeCode).bytes, 4) == 0 ? VN_OK : VN_ERR_FILE_TYPE;
}

void Abandon(std::FILE* file, int code, const char* trace) {
  VnSetError(code);
  std::fclose(file);
  VnTraceError(trace);
}

void Finish(std::FILE* file, const char* trace) {
  if (VnGetError() != VN_OK) {
    // The partly written or read file is closed; the body's code stands.
    std::fclose(file);
    VnTraceError(trace);
    return;
  }
  if (std::fclose(file) != 0) {
    VnSetError(VN_ERR_FILE_CLOSE);
    VnTraceError(trace);
  }
}

}  // namespace vnimg::vector_file
