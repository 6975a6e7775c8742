// Helpers for the tool's tests: a scratch folder, in-process runs of the tool, random images.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "cli.h"
#include "support/pixels.h"

namespace vnimg::test {

// A fresh folder per test, removed afterwards.
class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string Path(const std::string& name) const { return (m_folder / name).string(); }
  // Names of the files in the folder (to find stray temporaries).
  std::vector<std::string> Files() const;
  void WriteBytes(const std::string& name, const std::string& bytes) const;
  std::string ReadBytes(const std::string& name) const;

  struct Run {
    int status;
    std::string out;
    std::string err;
  };
  static Run Tool(const std::vector<std::string>& args);

  std::mt19937 rng{20240611};

 private:
  std::filesystem::path m_folder;
};

template <class T>
T RandomPixel(std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255);
  if constexpr (std::is_same_v<T, VnBW1>) {
    return VnBW1(byte(rng) & 1);
  } else if constexpr (std::is_same_v<T, VnC24>) {
    return VnC24{static_cast<unsigned char>(byte(rng)), static_cast<unsigned char>(byte(rng)),
                 static_cast<unsigned char>(byte(rng))};
  } else if constexpr (std::is_same_v<T, VnBW16>) {
    return static_cast<VnBW16>(byte(rng) << 8 | byte(rng));
  } else {
    return static_cast<T>(byte(rng));
  }
}

template <class T>
VnImage<T> RandomImage(std::mt19937& rng, int width, int height) {
  VnImage<T> image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(RandomPixel<T>(rng), x, y);
  return image;
}

}  // namespace vnimg::test
