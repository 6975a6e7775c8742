// Byte reorderings between files and the library's pixel layouts.
#pragma once

#include <cstddef>

namespace vnimg::tool {

// dst[3i] = src[3i + 2], dst[3i + 1] = src[3i + 1], dst[3i + 2] = src[3i]: files hold red
// first, VnC24 blue first. The buffers must not overlap.
void ReverseTriples(const unsigned char* src, unsigned char* dst, std::size_t pixels);

}  // namespace vnimg::tool
