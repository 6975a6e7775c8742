// Loads arbitrary bytes as a vector file of every element type and checks what the loader
// promises: a known code, count within capacity, every element in use readable, and a file
// that loads cleanly saves back to the same bytes (alignment bytes aside). Shared by the
// libFuzzer target and the corpus replay test.
#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <vnimg.h>

namespace vnimg::fuzz {

inline std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const unsigned char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A scratch file name of this process (tests may run as several processes at once).
inline std::filesystem::path ScratchPath(const char* role) {
  static const std::string tag = std::to_string(std::random_device{}());
  return std::filesystem::temp_directory_path() / ("vnimg_vector_" + tag + "_" + role);
}

// Offset of the alignment byte inside an element's disk image, or -1 when it has none.
template <class V>
int AlignmentByte() {
  using T = typename V::Element;
  if constexpr (std::is_same_v<T, VnBW8Path>) return 5;
  if constexpr (std::is_same_v<T, VnC24Path>) return 7;
  return -1;
}

template <class V, class Codec>
std::string CheckOneType(const std::filesystem::path& file, const std::vector<unsigned char>& bytes, const char* name) {
  const std::string where = std::string(name) + ": ";
  V v;
  v.Load(file.c_str());
  const int code = VnGetError();
  if (v.GetNumElements() > v.GetMaxElements()) return where + "count above capacity";
  if (v.GetMaxElements() && !v.GetDataPtr()) return where + "capacity without buffer";
  if (v.GetNumElements()) {
    // Touch the first and last elements in use: a short buffer shows up under the sanitizer.
    volatile auto first = v.GetDataPtr()[0];
    volatile auto last = v.GetDataPtr()[v.GetNumElements() - 1];
    (void)first;
    (void)last;
  }
  const bool headerMatches = bytes.size() >= 4 && bytes[0] == 0x56 && bytes[1] == Codec::kTypeCode &&
                             bytes[2] == 1 && bytes[3] == (0x56 ^ Codec::kTypeCode ^ 1);
  if (bytes.size() < 4) return code == VN_ERR_FILE_READ ? "" : where + "short header not 1103";
  if (!headerMatches) return code == VN_ERR_FILE_TYPE ? "" : where + "foreign header not 1105";
  if (code == VN_ERR_FILE_READ || code == VN_ERR_OUT_OF_MEMORY) return "";
  if (code != VN_OK) return where + "unexpected code " + std::to_string(code);

  // A clean load consumed exactly the header, the count and count elements.
  const std::size_t used = 8 + std::size_t{v.GetNumElements()} * Codec::kDiskSize;
  if (bytes.size() < used) return where + "loaded more elements than the file holds";
  if (v.GetMaxElements() != v.GetNumElements()) return where + "capacity not the count read";
  const auto copy = ScratchPath("resaved");
  v.Save(copy.c_str());
  if (VnGetError() != VN_OK) return where + "saving the loaded vector failed";
  const std::vector<unsigned char> resaved = ReadFileBytes(copy);
  std::filesystem::remove(copy);
  if (resaved.size() != used) return where + "saved size differs";
  const int pad = AlignmentByte<V>();
  for (std::size_t i = 0; i < used; ++i) {
    const bool alignment = i >= 8 && pad >= 0 && (i - 8) % Codec::kDiskSize == static_cast<std::size_t>(pad);
    if (alignment ? resaved[i] != 0 : resaved[i] != bytes[i]) return where + "byte " + std::to_string(i) + " differs";
  }
  return "";
}

// Empty when every element type behaved; otherwise the first broken promise.
inline std::string CheckLoadAsEveryType(const unsigned char* data, std::size_t size) {
  const auto file = ScratchPath("input");
  WriteFileBytes(file, data, size);
  const std::vector<unsigned char> bytes(data, data + size);
  std::string problem;
  auto check = [&]<class V, class Kind>(const char* name) {
    if (problem.empty()) problem = CheckOneType<V, VnVectorElement<Kind>>(file, bytes, name);
  };
  check.operator()<VnBW8Vector, VnBW8>("VnBW8");
  check.operator()<VnBW16Vector, VnBW16>("VnBW16");
  check.operator()<VnBW32Vector, VnBW32Element>("VnBW32");
  check.operator()<VnC24Vector, VnC24>("VnC24");
  check.operator()<VnINT32Vector, VnINT32>("VnINT32");
  check.operator()<VnBWHistogramVector, unsigned int>("unsigned int");
  check.operator()<VnRunVector, VnRun>("VnRun");
  check.operator()<VnColorVector, VnColor>("VnColor");
  check.operator()<VnPathVector, VnPath>("VnPath");
  check.operator()<VnBW8PathVector, VnBW8Path>("VnBW8Path");
  check.operator()<VnBW16PathVector, VnBW16Path>("VnBW16Path");
  check.operator()<VnC24PathVector, VnC24Path>("VnC24Path");
  check.operator()<VnPeaksVector, VnPeak>("VnPeak");
  std::filesystem::remove(file);
  return problem;
}

}  // namespace vnimg::fuzz
