// Reads arbitrary bytes as an image file and checks what the tool's readers promise: an image
// or a FileError (std::bad_alloc when memory is refused), never a crash, and an image that
// written back by the tool's own writer reads again to the same pixels. Shared by the PNG and
// Netpbm targets.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <variant>

#include "file_formats.h"

namespace vnimg::fuzz {

using tool::AnyImage;
using tool::formats::Bytes;

template <class T>
bool SamePixels(const VnImage<T>& a, const VnImage<T>& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      if (!(a.GetPixel(x, y) == b.GetPixel(x, y))) return false;
  return true;
}

inline bool SameImage(const AnyImage& a, const AnyImage& b) {
  if (a.pixels.index() != b.pixels.index() || a.alpha.has_value() != b.alpha.has_value()) return false;
  const bool pixels = std::visit(
      [&](const auto& p) { return SamePixels(p, std::get<std::decay_t<decltype(p)>>(b.pixels)); }, a.pixels);
  return pixels && (!a.alpha || SamePixels(*a.alpha, *b.alpha));
}

// Empty when read(bytes) kept the promises above; otherwise what broke.
template <class Read, class Write>
std::string CheckRead(const unsigned char* data, std::size_t size, Read read, Write write) {
  AnyImage image;
  try {
    image = read(Bytes(data, data + size));
  } catch (const tool::FileError&) {
    return "";
  } catch (const std::bad_alloc&) {
    return "";
  }
  try {
    return SameImage(image, read(write(image))) ? "" : "written back and read again, the pixels differ";
  } catch (const tool::FileError& e) {
    return std::string("its own image does not go back and forth: ") + e.what();
  }
}

// Aborts (the fuzzer's finding) when the check found a broken promise.
inline void Expect(const std::string& problem, const char* reader) {
  if (problem.empty()) return;
  std::fprintf(stderr, "%s: %s\n", reader, problem.c_str());
  std::abort();
}

}  // namespace vnimg::fuzz
