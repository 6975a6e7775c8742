// libFuzzer target: arbitrary bytes loaded as a vector file of every element type.
#include <cstdio>
#include <cstdlib>

#include "fuzz/vector_load_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string problem = vnimg::fuzz::CheckLoadAsEveryType(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "vector loader: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
