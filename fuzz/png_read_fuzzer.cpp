// libFuzzer target: arbitrary bytes read as a PNG file, then written back and read again.
#include <cstdint>

#include "fuzz/image_read_check.h"

namespace {

using vnimg::fuzz::Bytes;

// The reader allocates the decoded image before it reads a row: a header claiming more pixels
// than the tool's default limit (2^28) would only measure the allocator until the reader
// refuses such headers itself, so those inputs are skipped.
bool ClaimsTooManyPixels(const unsigned char* data, std::size_t size) {
  if (size < 24) return false;
  const auto be32 = [&](std::size_t at) {
    return std::uint64_t{data[at]} << 24 | std::uint64_t{data[at + 1]} << 16 | std::uint64_t{data[at + 2]} << 8 | data[at + 3];
  };
  return be32(16) * be32(20) > (std::uint64_t{1} << 28);
}

Bytes WritePngBytes(const vnimg::tool::AnyImage& image) {
  char* buffer = nullptr;
  std::size_t length = 0;
  std::FILE* out = open_memstream(&buffer, &length);
  try {
    vnimg::tool::formats::WritePng("written back", image, out);
  } catch (...) {
    std::fclose(out), std::free(buffer);
    throw;
  }
  std::fclose(out);
  const Bytes bytes(buffer, buffer + length);
  std::free(buffer);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (ClaimsTooManyPixels(data, size)) return 0;
  const auto read = [](const Bytes& file) { return vnimg::tool::formats::ReadPng("input", file); };
  vnimg::fuzz::Expect(vnimg::fuzz::CheckRead(data, size, read, WritePngBytes), "PNG reader");
  return 0;
}
