// libFuzzer target: arbitrary bytes read as a Netpbm file, then written back and read again.
#include "fuzz/image_read_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  using namespace vnimg::tool::formats;
  const auto read = [](const Bytes& file) { return ReadNetpbm("input", file); };
  const auto write = [](const vnimg::tool::AnyImage& image) { return EncodeNetpbm("written back", NetpbmKind::Any, image); };
  vnimg::fuzz::Expect(vnimg::fuzz::CheckRead(data, size, read, write), "Netpbm reader");
  return 0;
}
