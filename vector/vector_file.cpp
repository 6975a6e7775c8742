// Opening vector files by narrow or wide path.
#include <cstdio>
#include <cwchar>
#include <string>

#include "vnimg/vector.h"

namespace vnimg::vector_file {

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
  std::string narrow(length, '\0');
  source = path;
  state = std::mbstate_t{};
  std::wcsrtombs(narrow.data(), &source, length + 1, &state);
  return Open(narrow.c_str(), write);
}
#endif

}  // namespace vnimg::vector_file
