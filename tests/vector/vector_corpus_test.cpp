// The fuzz target's seed corpus: real vector files written by Save, and truncated and
// corrupted variants of them, replayed through Load in the normal build. Files the fuzzer
// found troublesome are kept in the same folder and replayed as well.
//
// To rewrite the seeds after a deliberate format change, run this suite with
// VNIMG_REWRITE_SEEDS=1 in the environment.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <vnimg.h>

#include "fuzz/vector_load_check.h"
#include "tests/vector/vector_types.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

const fs::path kCorpus = VNIMG_VECTOR_CORPUS;

struct Seed {
  std::string name;
  Bytes bytes;
  std::function<int(const fs::path&)> loadAsOwnType;  // the code Load leaves
  int expected;
};

Bytes SavedBytes(auto& vector) {
  const fs::path file = vnimg::fuzz::ScratchPath("seed");
  vector.Save(file.c_str());
  Bytes bytes = vnimg::fuzz::ReadFileBytes(file);
  fs::remove(file);
  return bytes;
}

Bytes WithCount(Bytes bytes, std::uint32_t count) {
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(count >> (8 * i));
  return bytes;
}

std::vector<Seed> Seeds() {
  std::vector<Seed> seeds;
  vnimg::test::AllVectorCases::ForEach([&]<class Case>(Case) {
    const std::string type = "code" + std::to_string(Case::kCode);
    for (const Seed& s : seeds)
      if (s.name.starts_with(type + "-")) return;  // histogram and unsigned int share a code
    std::mt19937 rng(Case::kCode);
    auto vector = vnimg::test::RandomVector<Case>(5, rng);
    const Bytes real = SavedBytes(vector);
    const auto load = [](const fs::path& file) {
      typename Case::Vector v;
      v.Load(file.c_str());
      return VnGetError();
    };
    const auto add = [&](const char* variant, Bytes bytes, int expected) {
      seeds.push_back({type + "-" + variant + ".vec", std::move(bytes), load, expected});
    };
    add("real", real, VN_OK);
    typename Case::Vector empty;
    add("empty", SavedBytes(empty), VN_OK);
    add("trailing-bytes", [&] { Bytes b = real; b.insert(b.end(), {0xAA, 0xBB}); return b; }(), VN_OK);
    add("last-byte-cut", Bytes(real.begin(), real.end() - 1), VN_ERR_FILE_READ);
    add("header-only", Bytes(real.begin(), real.begin() + 4), VN_ERR_FILE_READ);
    add("count-cut", Bytes(real.begin(), real.begin() + 6), VN_ERR_FILE_READ);
    add("three-bytes", Bytes(real.begin(), real.begin() + 3), VN_ERR_FILE_READ);
    add("count-plus-one", WithCount(real, 6), VN_ERR_FILE_READ);
    add("count-max", WithCount(Bytes(real.begin(), real.begin() + 12), 0xFFFFFFFFu),
        Case::kSize > 1 ? VN_ERR_OUT_OF_MEMORY : VN_ERR_FILE_READ);
    add("bad-magic", [&] { Bytes b = real; b[0] = 0x57; return b; }(), VN_ERR_FILE_TYPE);
    add("bad-version", [&] { Bytes b = real; b[2] = 2; b[3] ^= 3; return b; }(), VN_ERR_FILE_TYPE);
    add("bad-check", [&] { Bytes b = real; b[3] ^= 0x10; return b; }(), VN_ERR_FILE_TYPE);
  });
  return seeds;
}

TEST(VectorCorpus, CommittedSeedsAreWhatSaveWrites) {
  const std::vector<Seed> seeds = Seeds();
  EXPECT_EQ(seeds.size(), 13u * 12u);
  if (std::getenv("VNIMG_REWRITE_SEEDS")) {
    fs::create_directories(kCorpus);
    for (const Seed& seed : seeds) vnimg::fuzz::WriteFileBytes(kCorpus / seed.name, seed.bytes.data(), seed.bytes.size());
  }
  for (const Seed& seed : seeds) {
    SCOPED_TRACE(seed.name);
    ASSERT_TRUE(fs::exists(kCorpus / seed.name));
    EXPECT_EQ(vnimg::fuzz::ReadFileBytes(kCorpus / seed.name), seed.bytes);
  }
}

TEST(VectorCorpus, SeedsLoadAsTheirOwnTypeWithTheExpectedCode) {
  for (const Seed& seed : Seeds()) {
    // A count of 0xFFFFFFFF bytes may or may not be allocatable: either way the read fails.
    const int code = seed.loadAsOwnType(kCorpus / seed.name);
    if (seed.expected == VN_ERR_FILE_READ && seed.name.ends_with("count-max.vec"))
      EXPECT_TRUE(code == VN_ERR_FILE_READ || code == VN_ERR_OUT_OF_MEMORY) << seed.name;
    else
      EXPECT_EQ(code, seed.expected) << seed.name;
  }
}

TEST(VectorCorpus, EveryFileKeepsTheLoaderPromisesForEveryType) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus)) {
    const Bytes bytes = vnimg::fuzz::ReadFileBytes(entry.path());
    EXPECT_EQ(vnimg::fuzz::CheckLoadAsEveryType(bytes.data(), bytes.size()), "") << entry.path().filename();
    ++files;
  }
  EXPECT_GE(files, 13 * 12);
}

}  // namespace
