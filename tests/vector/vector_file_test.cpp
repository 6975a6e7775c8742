// Vector files: header bytes, little-endian bodies, round trips, and every failure code.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <vnimg.h>

#include "fuzz/vector_load_check.h"
#include "support/images.h"
#include "tests/vector/vector_types.h"

namespace {

namespace fs = std::filesystem;
using vnimg::fuzz::ReadFileBytes;
using vnimg::fuzz::ScratchPath;
using vnimg::test::Trace;
using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

// A scratch file removed at the end of the test.
class ScratchFile {
 public:
  explicit ScratchFile(const char* role) : m_path(ScratchPath(role)) {}
  ~ScratchFile() { std::filesystem::remove(m_path); }
  const char* c_str() const { return m_path.c_str(); }
  Bytes Read() const { return ReadFileBytes(m_path); }
  void Write(const Bytes& bytes) const { vnimg::fuzz::WriteFileBytes(m_path, bytes.data(), bytes.size()); }

 private:
  fs::path m_path;
};

// Loads v from a scratch file holding bytes.
template <class V>
void LoadBytes(V& v, const Bytes& bytes) {
  ScratchFile file("bytes");
  file.Write(bytes);
  v.Load(file.c_str());
}

Bytes Header(unsigned char code) { return {0x56, code, 1, static_cast<unsigned char>(0x56 ^ code ^ 1)}; }

template <class Case>
class VectorFileTyped : public ::testing::Test {};
TYPED_TEST_SUITE(VectorFileTyped, vnimg::test::VectorCases);

TYPED_TEST(VectorFileTyped, EmptyVectorIsTheHeaderAndAZeroCount) {
  ScratchFile file("empty");
  typename TypeParam::Vector v;
  v.Save(file.c_str());
  EXPECT_EQ(VnGetError(), VN_OK);
  Bytes expected = Header(TypeParam::kCode);
  expected.insert(expected.end(), {0, 0, 0, 0});
  EXPECT_EQ(file.Read(), expected);
}

TYPED_TEST(VectorFileTyped, RoundTripGivesBackEveryElement) {
  std::mt19937 rng(TypeParam::kCode);
  // 5000 elements cross the writer's and reader's internal chunks.
  for (unsigned int n : {1u, 3u, 1000u, 5000u}) {
    SCOPED_TRACE(n);
    ScratchFile file("roundtrip");
    auto saved = vnimg::test::RandomVector<TypeParam>(n, rng);
    saved.Save(file.c_str());
    ASSERT_EQ(VnGetError(), VN_OK);
    const Bytes bytes = file.Read();
    ASSERT_EQ(bytes.size(), 8 + n * TypeParam::kSize);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), Header(TypeParam::kCode));
    EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 8),
              (Bytes{static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8), 0, 0}));

    typename TypeParam::Vector fresh;
    fresh.Load(file.c_str());
    EXPECT_EQ(VnGetError(), VN_OK);
    EXPECT_EQ(vnimg::test::Images<TypeParam>(fresh), vnimg::test::Images<TypeParam>(saved));
    EXPECT_EQ(fresh.GetMaxElements(), n);

    // A vector that held other elements in another capacity ends up the same.
    auto used = vnimg::test::RandomVector<TypeParam>(7, rng);
    used.Load(file.c_str());
    EXPECT_EQ(VnGetError(), VN_OK);
    EXPECT_EQ(vnimg::test::Images<TypeParam>(used), vnimg::test::Images<TypeParam>(saved));
    EXPECT_EQ(used.GetMaxElements(), n);
  }
}

TYPED_TEST(VectorFileTyped, WideAndNarrowPathsMeetTheSameFile) {
  std::mt19937 rng(3);
  ScratchFile file("wide");
  const std::string narrow = file.c_str();
  const std::wstring wide(narrow.begin(), narrow.end());  // the scratch path is ASCII
  auto saved = vnimg::test::RandomVector<TypeParam>(9, rng);
  saved.Save(wide.c_str());
  ASSERT_EQ(VnGetError(), VN_OK);
  typename TypeParam::Vector loaded;
  loaded.Load(narrow.c_str());
  EXPECT_EQ(vnimg::test::Images<TypeParam>(loaded), vnimg::test::Images<TypeParam>(saved));
  typename TypeParam::Vector wideLoaded;
  wideLoaded.Load(wide.c_str());
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_EQ(vnimg::test::Images<TypeParam>(wideLoaded), vnimg::test::Images<TypeParam>(saved));
}

// A file saved by one type and loaded by any type of another code fails and leaves the target.
TYPED_TEST(VectorFileTyped, ForeignFilesFailWith1105AndLeaveTheTarget) {
  std::mt19937 rng(5);
  ScratchFile file("foreign");
  vnimg::test::RandomVector<TypeParam>(4, rng).Save(file.c_str());
  ASSERT_EQ(VnGetError(), VN_OK);
  int foreign = 0;
  vnimg::test::AllVectorCases::ForEach([&]<class Other>(Other) {
    if (Other::kCode == TypeParam::kCode) return;
    ++foreign;
    auto target = vnimg::test::RandomVector<Other>(3, rng);
    const Bytes before = vnimg::test::Images<Other>(target);
    const auto* data = target.GetDataPtr();
    target.Load(file.c_str());
    EXPECT_EQ(VnGetError(), VN_ERR_FILE_TYPE) << int{Other::kCode};
    EXPECT_EQ(Trace(), Strings{"VnVector::Load"});
    EXPECT_EQ(vnimg::test::Images<Other>(target), before);
    EXPECT_EQ(target.GetMaxElements(), 4u);
    EXPECT_EQ(target.GetDataPtr(), data);
  });
  EXPECT_GE(foreign, 12);
}

TYPED_TEST(VectorFileTyped, TruncatedBodyFailsWith1103AfterSizingTheVector) {
  std::mt19937 rng(8);
  ScratchFile file("truncated");
  vnimg::test::RandomVector<TypeParam>(5, rng).Save(file.c_str());
  Bytes bytes = file.Read();
  bytes.pop_back();
  file.Write(bytes);
  typename TypeParam::Vector v;
  v.Load(file.c_str());
  EXPECT_EQ(VnGetError(), VN_ERR_FILE_READ);
  EXPECT_EQ(Trace(), Strings{"VnVector::Load"});
  EXPECT_EQ(v.GetNumElements(), 5u);
  EXPECT_EQ(v.GetMaxElements(), 5u);
}

// ---------------------------------------------------------------------------------------------
// Bodies byte for byte, little-endian, alignment bytes written as 0.

template <class V>
Bytes BodyOf(V v) {
  ScratchFile file("body");
  v.Save(file.c_str());
  const Bytes bytes = file.Read();
  return Bytes(bytes.begin() + 8, bytes.end());
}

template <class V>
V With(std::initializer_list<typename V::Element> elements) {
  V v;
  for (auto e : elements) v.AddElement(e);
  return v;
}

TEST(VectorFileBody, EachElementTypeLaysOutLittleEndian) {
  EXPECT_EQ(BodyOf(With<VnBW16Vector>({0x1234})), (Bytes{0x34, 0x12}));
  EXPECT_EQ(BodyOf(With<VnBW32Vector>({0x12345678})), (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(BodyOf(With<VnINT32Vector>({-2})), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(BodyOf(With<VnC24Vector>({VnC24{1, 2, 3}, VnC24{4, 5, 6}})), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(BodyOf(With<VnRunVector>({VnRun{0x01020304, 0x0A0B0C0D, -1, 0x0102}})),
            (Bytes{4, 3, 2, 1, 0x0D, 0x0C, 0x0B, 0x0A, 0xFF, 0xFF, 2, 1}));
  EXPECT_EQ(BodyOf(With<VnColorVector>({VnColor{1.0f, -2.0f, 0.5f}})),
            (Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0, 0, 0, 0, 0x3F}));
  EXPECT_EQ(BodyOf(With<VnPathVector>({VnPath{0x0102, -2}})), (Bytes{2, 1, 0xFE, 0xFF}));
  EXPECT_EQ(BodyOf(With<VnBW8PathVector>({VnBW8Path{0x0102, -1, 0xAB}})), (Bytes{2, 1, 0xFF, 0xFF, 0xAB, 0}));
  EXPECT_EQ(BodyOf(With<VnBW16PathVector>({VnBW16Path{3, 4, 0xBEEF}})), (Bytes{3, 0, 4, 0, 0xEF, 0xBE}));
  EXPECT_EQ(BodyOf(With<VnC24PathVector>({VnC24Path{-1, 1, VnC24{7, 8, 9}}})), (Bytes{0xFF, 0xFF, 1, 0, 7, 8, 9, 0}));
  EXPECT_EQ(BodyOf(With<VnPeaksVector>({VnPeak{0x01020304, 5, 1.0f, -2, 0x7FFFFFFF}})),
            (Bytes{4, 3, 2, 1, 5, 0, 0, 0, 0, 0, 0x80, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(VectorFileBody, AlignmentBytesAreIgnoredOnReading) {
  Bytes bytes = Header(7);
  bytes.insert(bytes.end(), {1, 0, 0, 0, 2, 0, 3, 0, 65, 0xEE});
  VnBW8PathVector v;
  LoadBytes(v, bytes);
  EXPECT_EQ(VnGetError(), VN_OK);
  ASSERT_EQ(v.GetNumElements(), 1u);
  EXPECT_EQ(v[0], (VnBW8Path{2, 3, 65}));
}

TEST(VectorFileBody, SameSizedTypesKeepTheirOwnCodes) {
  // unsigned int, VnBW32 and VnINT32 share a body but never a header.
  VnBWHistogramVector histogram(4);
  histogram.AddElement(9);
  ScratchFile file("codes");
  histogram.Save(file.c_str());
  EXPECT_EQ(file.Read()[1], 12);
  VnVectorTemplate<unsigned int> counts;
  counts.Load(file.c_str());
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_EQ(counts[0], 9u);
  VnBW32Vector pixels;
  pixels.Load(file.c_str());
  EXPECT_EQ(VnGetError(), VN_ERR_FILE_TYPE);
  VnINT32Vector ints;
  ints.Load(file.c_str());
  EXPECT_EQ(VnGetError(), VN_ERR_FILE_TYPE);
}

// ---------------------------------------------------------------------------------------------
// Edge cases and failures of Load.

VnPathVector ThreePoints() { return With<VnPathVector>({VnPath{1, 2}, VnPath{3, 4}, VnPath{5, 6}}); }

Bytes ThreePointFile() {
  ScratchFile file("three");
  ThreePoints().Save(file.c_str());
  return file.Read();
}

TEST(VectorFileLoad, ZeroCountReleasesTheBuffer) {
  ScratchFile file("zero");
  VnPathVector().Save(file.c_str());
  EXPECT_EQ(file.Read().size(), 8u);
  VnPathVector v = ThreePoints();
  v.Load(file.c_str());
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_EQ(v.GetNumElements(), 0u);
  EXPECT_EQ(v.GetMaxElements(), 0u);
  EXPECT_EQ(v.GetDataPtr(), nullptr);
}

TEST(VectorFileLoad, ShortFilesFailWith1103) {
  const Bytes whole = ThreePointFile();
  // Up to 3 bytes the header is short; from 4 to 7 the count; beyond, the elements.
  for (std::size_t size = 0; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    VnPathVector v = With<VnPathVector>({VnPath{9, 9}});
    LoadBytes(v, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
    EXPECT_EQ(VnGetError(), VN_ERR_FILE_READ);
    EXPECT_EQ(Trace(), Strings{"VnVector::Load"});
    if (size < 8) EXPECT_EQ(v[0], (VnPath{9, 9}));  // nothing read, nothing changed
    else EXPECT_EQ(v.GetNumElements(), 3u);
  }
}

TEST(VectorFileLoad, AnyWrongHeaderByteFailsWith1105) {
  const Bytes whole = ThreePointFile();
  for (std::size_t i = 0; i < 4; ++i)
    for (unsigned char flip : {0x01, 0x80, 0xFF}) {
      Bytes bytes = whole;
      bytes[i] ^= flip;
      VnPathVector v = With<VnPathVector>({VnPath{9, 9}});
      LoadBytes(v, bytes);
      EXPECT_EQ(VnGetError(), VN_ERR_FILE_TYPE) << "byte " << i;
      EXPECT_EQ(Trace(), Strings{"VnVector::Load"});
      EXPECT_EQ(v.GetNumElements(), 1u);
      EXPECT_EQ(v[0], (VnPath{9, 9}));
    }
}

TEST(VectorFileLoad, BytesAfterTheLastElementAreNotRead) {
  Bytes bytes = ThreePointFile();
  bytes.insert(bytes.end(), {1, 2, 3});
  VnPathVector v;
  LoadBytes(v, bytes);
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_EQ(v.GetNumElements(), 3u);
  EXPECT_EQ(v[2], (VnPath{5, 6}));
}

TEST(VectorFileLoad, CountBeyond32BitsOfBytesFailsWith1303BeforeReading) {
  Bytes bytes = Header(9);
  bytes.insert(bytes.end(), {0xCD, 0xCC, 0xCC, 0x0C});  // 0x0CCCCCCD peaks of 20 bytes
  bytes.resize(bytes.size() + 40, 0x11);
  VnPeaksVector v(6);
  v.AddElement(VnPeak{1, 1, 1.0f, 1, 1});
  LoadBytes(v, bytes);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace(), (Strings{"VnVector::SetMaxElements", "VnVector::Load"}));
  EXPECT_EQ(v.GetNumElements(), 0u);  // emptied before the capacity change was tried
  EXPECT_EQ(v.GetMaxElements(), 6u);
}

TEST(VectorFileLoad, LargeCountInAShortFileFailsWith1103) {
  Bytes bytes = Header(1);
  bytes.insert(bytes.end(), {0, 0, 0, 0x01, 42});  // 16 Mi bytes announced, one present
  VnBW8Vector v;
  LoadBytes(v, bytes);
  EXPECT_EQ(VnGetError(), VN_ERR_FILE_READ);
  EXPECT_EQ(v.GetNumElements(), 0x01000000u);
  EXPECT_EQ(v[0], 42);
}

TEST(VectorFileLoad, UnopenableFilesFailWith1102) {
  const std::string missing = (ScratchPath("no-such-dir") / "vector.vec").string();
  const std::wstring wideMissing(missing.begin(), missing.end());
  VnPathVector v = ThreePoints();
  struct Case {
    std::function<void()> call;
    const char* trace;
  };
  const Case cases[] = {
      {[&] { v.Load(missing.c_str()); }, "VnVector::Load"},
      {[&] { v.Load(wideMissing.c_str()); }, "VnVector::Load ( Unicode)"},
      {[&] { v.Load(static_cast<const char*>(nullptr)); }, "VnVector::Load"},
      {[&] { v.Load(static_cast<const wchar_t*>(nullptr)); }, "VnVector::Load ( Unicode)"},
      {[&] { v.Save(missing.c_str()); }, "VnVector::Save"},
      {[&] { v.Save(wideMissing.c_str()); }, "VnVector::Save ( Unicode)"},
      {[&] { v.Save(static_cast<const char*>(nullptr)); }, "VnVector::Save"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace);
    VnSetError(VN_ERR_PARAM_2);  // a stale error is cleared first
    VnTraceError("stale");
    c.call();
    EXPECT_EQ(VnGetError(), VN_ERR_FILE_OPEN);
    EXPECT_EQ(Trace(), Strings{c.trace});
    EXPECT_EQ(v.GetNumElements(), 3u);
  }
}

TEST(VectorFileSave, SuccessClearsAStaleError) {
  ScratchFile file("clear");
  VnSetError(VN_ERR_PARAM_2);
  ThreePoints().Save(file.c_str());
  EXPECT_EQ(VnGetError(), VN_OK);
  EXPECT_TRUE(Trace().empty());
}

TEST(VectorFileSave, WideNamesGoThroughTheLocaleMultibyteForm) {
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no UTF-8 locale";
  const fs::path dir = ScratchPath("wide-dir");
  fs::create_directories(dir);
  const std::string narrowDir = dir.string();
  const std::wstring wide = std::wstring(narrowDir.begin(), narrowDir.end()) + L"/caf\u00e9.vec";
  ThreePoints().Save(wide.c_str());
  const int code = VnGetError();
  std::setlocale(LC_CTYPE, previous.c_str());
  EXPECT_EQ(code, VN_OK);
  EXPECT_TRUE(fs::exists(narrowDir + "/caf\xc3\xa9.vec"));
  fs::remove_all(dir);
}

TEST(VectorFileSave, FullDeviceFailsOnWriteOrClose) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // A small file fits the stream's buffer and fails when flushed at close ...
  ThreePoints().Save("/dev/full");
  EXPECT_EQ(VnGetError(), VN_ERR_FILE_CLOSE);
  EXPECT_EQ(Trace(), Strings{"VnVector::Save"});
  // ... a large one fails while the elements are written.
  VnPeaksVector big(100000);
  big.SetNumElements(100000);
  big.Save("/dev/full");
  EXPECT_EQ(VnGetError(), VN_ERR_FILE_WRITE);
  EXPECT_EQ(Trace(), Strings{"VnVector::Save"});
}

}  // namespace
