// Vector files: round trips for every element type, the bytes of each layout, corrupt files,
// and the committed fuzzing corpus replayed through Load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "fuzz/vector_load_check.h"
#include "support/images.h"
#include "tests/vector/vector_types.h"

namespace vnimg::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

// A scratch file removed at the end of the test.
struct ScratchFile {
  inline static int count = 0;
  fs::path path = fuzz::ScratchPath(("file" + std::to_string(count++)).c_str());
  ~ScratchFile() { fs::remove(path); }
  Bytes Read() const { return fuzz::ReadFileBytes(path); }
  const ScratchFile& Write(const Bytes& bytes) const { return fuzz::WriteFileBytes(path, bytes.data(), bytes.size()), *this; }
  template <class V>
  Bytes Saving(V& v) const { return v.Save(path.c_str()), Read(); }
};
template <class V>
Bytes SavedBytes(V v) { return ScratchFile{}.Saving(v); }

template <class Case>
class VectorFile : public ::testing::Test {};
TYPED_TEST_SUITE(VectorFile, VectorCases);

// The header, the count in little-endian order, the elements; loaded back bit for bit into a
// fresh vector or one that held others (5000 elements cross the internal chunks), through narrow
// and wide names; refused (1105, the target untouched) by every type of another code.
TYPED_TEST(VectorFile, RoundTripsAndForeignCodes) {
  std::mt19937 rng(TypeParam::kCode);
  for (unsigned int n : {0u, 1u, 3u, 1000u, 5000u}) {
    ScratchFile file;
    auto saved = RandomVector<TypeParam>(n, rng), fresh = RandomVector<TypeParam>(0, rng), used = RandomVector<TypeParam>(7, rng);
    const std::string narrow = file.path.string();
    saved.Save(std::wstring(narrow.begin(), narrow.end()).c_str());  // the scratch path is ASCII
    const unsigned char code = TypeParam::kCode;
    const Bytes bytes = file.Read(), head = {0x56, code, 1, static_cast<unsigned char>(0x56 ^ code ^ 1), static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8), 0, 0};
    EXPECT_TRUE(bytes.size() == 8 + n * TypeParam::kSize && Bytes(bytes.begin(), bytes.begin() + 8) == head && bytes == SavedBytes(saved));
    fresh.Load(narrow.c_str()), used.Load(std::wstring(narrow.begin(), narrow.end()).c_str());
    EXPECT_TRUE(VnGetError() == VN_OK && Images<TypeParam>(fresh) == Images<TypeParam>(saved) && Images<TypeParam>(used) == Images<TypeParam>(saved) &&
                fresh.GetMaxElements() == n && used.GetMaxElements() == n) << n;
    AllVectorCases::ForEach([&]<class Other>(Other) {
      if (Other::kCode == TypeParam::kCode) return;
      auto target = RandomVector<Other>(3, rng);
      const Bytes before = Images<Other>(target);
      target.Load(narrow.c_str());
      EXPECT_TRUE(VnGetError() == VN_ERR_FILE_TYPE && Trace() == Strings{"VnVector::Load"} && Images<Other>(target) == before && target.GetMaxElements() == 4u)
          << int{Other::kCode};
    });
  }
}

template <class V>
V With(std::initializer_list<typename V::Element> elements) {
  V v;
  for (auto e : elements) v.AddElement(e);
  return v;
}
template <class V>
Bytes Body(const V& v) { Bytes b = SavedBytes(v); return b.erase(b.begin(), b.begin() + 8), b; }

// Little-endian fields, alignment bytes written as 0.
TEST(VectorFile, EachLayoutByteForByte) {
  EXPECT_EQ(Body(With<VnBW8Vector>({7, 0xFF})), (Bytes{7, 0xFF}));
  EXPECT_EQ(Body(With<VnBW16Vector>({0x1234})), (Bytes{0x34, 0x12}));
  EXPECT_EQ(Body(With<VnBW32Vector>({0x12345678})), (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(Body(With<VnINT32Vector>({-2})), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Body(With<VnC24Vector>({VnC24{1, 2, 3}, VnC24{4, 5, 6}})), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Body(With<VnRunVector>({VnRun{0x01020304, 0x0A0B0C0D, -1, 0x0102}})), (Bytes{4, 3, 2, 1, 0x0D, 0x0C, 0x0B, 0x0A, 0xFF, 0xFF, 2, 1}));
  EXPECT_EQ(Body(With<VnColorVector>({VnColor{1.0f, -2.0f, 0.5f}})), (Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0, 0, 0, 0, 0x3F}));
  EXPECT_EQ(Body(With<VnPathVector>({VnPath{0x0102, -2}})), (Bytes{2, 1, 0xFE, 0xFF}));
  EXPECT_EQ(Body(With<VnBW8PathVector>({VnBW8Path{0x0102, -1, 0xAB}})), (Bytes{2, 1, 0xFF, 0xFF, 0xAB, 0}));
  EXPECT_EQ(Body(With<VnBW16PathVector>({VnBW16Path{3, 4, 0xBEEF}})), (Bytes{3, 0, 4, 0, 0xEF, 0xBE}));
  EXPECT_EQ(Body(With<VnC24PathVector>({VnC24Path{-1, 1, VnC24{7, 8, 9}}})), (Bytes{0xFF, 0xFF, 1, 0, 7, 8, 9, 0}));
  EXPECT_EQ(Body(With<VnPeaksVector>({VnPeak{0x01020304, 5, 1.0f, -2, 0x7FFFFFFF}})),
            (Bytes{4, 3, 2, 1, 5, 0, 0, 0, 0, 0, 0x80, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
}

// Files that cannot be opened or written, each after a stale error: 1102, 1106 (a small file
// fails when the stream is flushed at close), 1104.
TEST(VectorFile, OpenWriteAndCloseFailures) {
  const std::string missing = (fuzz::ScratchPath("no-such-dir") / "vector.vec").string();
  const std::wstring wideMissing(missing.begin(), missing.end());
  VnPathVector v = With<VnPathVector>({VnPath{1, 2}}), big;
  big.SetNumElements(100000);
  ScratchFile file;
  const std::tuple<std::function<void()>, int, const char*> rows[] = {
      {[&] { v.Load(missing.c_str()); }, VN_ERR_FILE_OPEN, "VnVector::Load"}, {[&] { v.Load(wideMissing.c_str()); }, VN_ERR_FILE_OPEN, "VnVector::Load ( Unicode)"},
      {[&] { v.Load(static_cast<const char*>(nullptr)); }, VN_ERR_FILE_OPEN, "VnVector::Load"},
      {[&] { v.Load(static_cast<const wchar_t*>(nullptr)); }, VN_ERR_FILE_OPEN, "VnVector::Load ( Unicode)"},
      {[&] { v.Save(missing.c_str()); }, VN_ERR_FILE_OPEN, "VnVector::Save"}, {[&] { v.Save(wideMissing.c_str()); }, VN_ERR_FILE_OPEN, "VnVector::Save ( Unicode)"},
      {[&] { v.Save(static_cast<const char*>(nullptr)); }, VN_ERR_FILE_OPEN, "VnVector::Save"},
      {[&] { v.Save(static_cast<const wchar_t*>(nullptr)); }, VN_ERR_FILE_OPEN, "VnVector::Save ( Unicode)"},
      {[&] { v.Save("/dev/full"); }, VN_ERR_FILE_CLOSE, "VnVector::Save"}, {[&] { big.Save("/dev/full"); }, VN_ERR_FILE_WRITE, "VnVector::Save"},
      {[&] { v.Save(file.path.c_str()); }, VN_OK, nullptr},  // success clears the stale error
  };
  for (const auto& [call, code, trace] : rows) {
    if ((code == VN_ERR_FILE_CLOSE || code == VN_ERR_FILE_WRITE) && !fs::exists("/dev/full")) continue;
    VnSetError(VN_ERR_PARAM_2), VnTraceError("stale");
    call();
    EXPECT_TRUE(VnGetError() == code && Trace() == (trace ? Strings{trace} : Strings{}) && v.GetNumElements() == 1u) << code;
  }
}

// The fuzz target's seed corpus doubles as the table of corrupt files: files written by Save,
// truncated and corrupted forms of them, each loaded as its own type into a vector holding 3
// elements, which keeps them when the file fails before its count. Every file of the folder
// (the fuzzer's finds too) keeps the loader's promises for every type. To rewrite the seeds
// after a deliberate format change, run with VNIMG_REWRITE_SEEDS=1.
TEST(VectorFile, CorpusOfCorruptFiles) {
  const fs::path corpus = VNIMG_VECTOR_CORPUS;
  AllVectorCases::ForEach([&]<class Case>(Case) {
    if (std::is_same_v<typename Case::Vector, VnBWHistogramVector>) return;  // its code is unsigned int's
    std::mt19937 rng(Case::kCode);
    const Bytes real = SavedBytes(RandomVector<Case>(5, rng));
    auto edit = [&](std::function<void(Bytes&)> f, std::size_t size = 0) { Bytes b(real.begin(), size ? real.begin() + size : real.end()); f(b); return b; };
    auto count = [](std::uint32_t n) { return [n](Bytes& b) { for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<unsigned char>(n >> (8 * i)); }; };
    const int huge = Case::kSize > 1 ? VN_ERR_OUT_OF_MEMORY : VN_ERR_FILE_READ;  // 0xFFFFFFFF bytes may be allocatable
    const std::tuple<const char*, Bytes, int, int> rows[] = {  // name, bytes, code, the count after (-1: as before)
        {"real", real, VN_OK, 5}, {"empty", SavedBytes(typename Case::Vector()), VN_OK, 0}, {"trailing-bytes", edit([](Bytes& b) { b.insert(b.end(), {0xAA, 0xBB}); }), VN_OK, 5},
        {"last-byte-cut", Bytes(real.begin(), real.end() - 1), VN_ERR_FILE_READ, 5}, {"count-plus-one", edit(count(6)), VN_ERR_FILE_READ, 6},
        {"header-only", edit([](Bytes&) {}, 4), VN_ERR_FILE_READ, -1}, {"count-cut", edit([](Bytes&) {}, 6), VN_ERR_FILE_READ, -1},
        {"three-bytes", edit([](Bytes&) {}, 3), VN_ERR_FILE_READ, -1},
        {"count-max", edit(count(0xFFFFFFFFu), 12), huge, huge == VN_ERR_FILE_READ ? -2 : 0},
        {"bad-magic", edit([](Bytes& b) { b[0] = 0x57; }), VN_ERR_FILE_TYPE, -1}, {"bad-version", edit([](Bytes& b) { b[2] = 2, b[3] ^= 3; }), VN_ERR_FILE_TYPE, -1},
        {"bad-check", edit([](Bytes& b) { b[3] ^= 0x10; }), VN_ERR_FILE_TYPE, -1},
    };
    for (const auto& [variant, bytes, code, after] : rows) {
      const fs::path path = corpus / ("code" + std::to_string(Case::kCode) + "-" + variant + ".vec");
      if (std::getenv("VNIMG_REWRITE_SEEDS")) fuzz::WriteFileBytes(path, bytes.data(), bytes.size());
      EXPECT_EQ(fuzz::ReadFileBytes(path), bytes) << path;
      auto v = RandomVector<Case>(3, rng);
      const Bytes before = Images<Case>(v);
      v.Load(path.string().c_str());  // the narrow overload everywhere (Windows paths are wide)
      if (after == -2) continue;  // either code, with the count as far as memory went
      EXPECT_EQ(VnGetError(), code) << path;
      EXPECT_EQ(Trace(), (code == VN_OK ? Strings{} : code == VN_ERR_OUT_OF_MEMORY ? Strings{"VnVector::SetMaxElements", "VnVector::Load"} : Strings{"VnVector::Load"})) << path;
      EXPECT_TRUE(after == -1 ? Images<Case>(v) == before : v.GetNumElements() == unsigned(after)) << path;
    }
  });
  int files = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const Bytes bytes = fuzz::ReadFileBytes(entry.path());
    EXPECT_EQ(fuzz::CheckLoadAsEveryType(bytes.data(), bytes.size()), "") << entry.path().filename();
    ++files;
  }
  EXPECT_GE(files, 13 * 12);
  VnBW8PathVector bw8;  // the alignment byte of a VnBW8Path file is ignored
  bw8.Load(ScratchFile{}.Write({0x56, 7, 1, 0x56 ^ 7 ^ 1, 1, 0, 0, 0, 2, 0, 3, 0, 65, 0xEE}).path.c_str());
  EXPECT_TRUE(VnGetError() == 0 && bw8.GetNumElements() == 1 && bw8[0] == (VnBW8Path{2, 3, 65}));
}

}  // namespace
}  // namespace vnimg::test
