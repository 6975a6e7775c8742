// libFuzzer target: arbitrary bytes read as a PNG file, then written back and read again.
#include "fuzz/image_read_check.h"

namespace {

using vnimg::fuzz::Bytes;

Bytes WritePngBytes(const vnimg::tool::AnyImage& image) { return vnimg::tool::formats::EncodePng("written back", image); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const auto read = [](const Bytes& file) { return vnimg::tool::formats::ReadPng("input", file); };
  vnimg::fuzz::Expect(vnimg::fuzz::CheckRead(data, size, read, WritePngBytes), "PNG reader");
  return 0;
}
