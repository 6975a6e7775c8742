// The same bits on every target and at every vector level: a fixed set of operations over fixed
// pseudo-random images, each output folded into an FNV-1a digest. The expected digests were
// recorded on x86-64 with the plain loops, which the family tests check against their rules;
// 32-bit Windows, 64-bit ARM and every vector level must reproduce them exactly.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include <vnimg.h>

#include "support/levels.h"

namespace vnimg::test {
namespace {

// FNV-1a over little-endian bytes, so that the byte order of the host does not matter.
class Digest {
 public:
  void Byte(unsigned char b) { m_hash = (m_hash ^ b) * 0x100000001b3ull; }
  void Word(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<unsigned char>(v >> (8 * i)));
  }
  void Real(float v) { Word(std::bit_cast<std::uint32_t>(v), 4); }
  void Pixel(VnBW8 v) { Byte(v); }
  void Pixel(VnBW16 v) { Word(v, 2); }
  void Pixel(VnC24 v) { Byte(v.c0), Byte(v.c1), Byte(v.c2); }
  template <class T>
  void Pixels(VnROI<T>& roi) {
    for (int y = 0; y < roi.GetHeight(); ++y)
      for (int x = 0; x < roi.GetWidth(); ++x) Pixel(roi.GetPixel(x, y));
  }
  std::string Hex() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(m_hash));
    return text;
  }

 private:
  std::uint64_t m_hash = 0xcbf29ce484222325ull;
};

constexpr int kWidth = 101, kHeight = 67;

// A gradient under noise: a histogram with structure for the threshold searches. Only the raw
// output of mt19937 is used, which the standard fixes on every platform.
template <class T>
VnImage<T> Scene(std::uint32_t seed) {
  std::mt19937 rng(seed);
  VnImage<T> image(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t r = rng();
      const auto level = [&](int shift) { return static_cast<unsigned>((x * 2 + y * 3 + (r >> shift) % 61) & 255); };
      if constexpr (std::is_same_v<T, VnC24>)
        image.SetPixel(VnC24{static_cast<unsigned char>(level(0)), static_cast<unsigned char>(level(8)),
                             static_cast<unsigned char>(level(16))}, x, y);
      else if constexpr (std::is_same_v<T, VnBW16>)
        image.SetPixel(static_cast<VnBW16>(level(0) << 8 | (r >> 24)), x, y);
      else
        image.SetPixel(static_cast<T>(level(0)), x, y);
    }
  return image;
}

template <class T>
std::string Output(const std::function<void(VnImage<T>&)>& write) {
  VnImage<T> dst(kWidth, kHeight);
  ImgCopy(T{}, &dst);
  write(dst);
  Digest d;
  d.Pixels(dst);
  return d.Hex();
}

std::string Numbers(const std::function<void(Digest&)>& measure) {
  Digest d;
  measure(d);
  return d.Hex();
}

VnBWHistogramVector HistogramOf(VnImage<VnBW8>& image) {
  VnBWHistogramVector hist(256);
  ImgHistogram(&image, &hist);
  return hist;
}

struct Case {
  const char* name;
  std::function<std::string()> digest;
  const char* expected;
};

std::vector<Case> Cases() {
  static VnImage<VnBW8> gray = Scene<VnBW8>(1);
  static VnImage<VnBW16> wide = Scene<VnBW16>(2);
  static VnImage<VnC24> colour = Scene<VnC24>(3);
  return {
      {"scale-rotate BW8 8 bits", [] { return Output<VnBW8>([](auto& d) { ImgScaleRotate(&gray, 50.3f, 33.7f, 49.5f, 34.5f, 1.13f, 0.87f, 0.31f, &d, 8); }); }, "70512e87676c01af"},
      {"scale-rotate BW8 nearest", [] { return Output<VnBW8>([](auto& d) { ImgScaleRotate(&gray, 12.f, 60.f, 30.f, 20.f, 0.7f, 1.9f, -2.2f, &d, 0); }); }, "eef63d4ac948d72d"},
      {"linear transform BW16 4 bits", [] { return Output<VnBW16>([](auto& d) { ImgLinearTransform(&wide, 0.93f, 0.21f, -3.3f, -0.17f, 1.07f, 2.9f, &d, 4); }); }, "94ef987ad6c5cf48"},
      {"scale-rotate C24 8 bits", [] { return Output<VnC24>([](auto& d) { ImgScaleRotate(&colour, 40.f, 30.f, 41.f, 29.f, 0.97f, 1.01f, 0.05f, &d, 8); }); }, "673e036eb4292c58"},
      {"convolution BW8 double sums", [] { return Output<VnBW8>([](auto& d) {
         VnKernel k;
         k.SetKernelData(0.11f, -0.37f, 0.23f, 0.71f, 1.3f, -0.41f, 0.05f, 0.62f, -0.19f);
         k.SetRectifier(0), k.SetGain(0.9f), k.SetOffset(7);
         ImgConvolKernel(&gray, &d, &k); }); }, "f73df656e893f234"},
      {"convolution BW16 5x5 fixed point", [] { return Output<VnBW16>([](auto& d) {
         VnKernel k;
         k.SetKernelData(1, 2, 3, 2, 1, 2, 4, 6, 4, 2, 3, 6, 9.5f, 6, 3, 2, 4, 6, 4, 2, 1, 2, 3, 2, 1);
         ImgConvolKernel(&wide, &d, &k); }); }, "34cab270ce5842eb"},
      {"median and dilate", [] { return Output<VnBW8>([](auto& d) { ImgMedian(&gray, &d), ImgDilate(&d, &d, 2, 0); }); }, "e56ba3e9ab723bef"},
      {"threshold min residue", [] { return Output<VnBW8>([](auto& d) { ImgThreshold(&gray, &d); }); }, "90069dea2c3a1654"},
      {"colour to gray", [] { return Output<VnBW8>([](auto& d) { ImgConvert(&colour, &d); }); }, "caa0a857b8fe8723"},
      {"multi-level thresholds", [] { return Numbers([](Digest& d) {
         VnBWHistogramVector hist = HistogramOf(gray);
         Korvane::Quandor::Utils::Vector<VnBW8> values;
         d.Real(ImgMultiLevelsMinResidueThreshold(&hist, 4u, values));
         for (int i = 0; i < values.GetSize(); ++i) d.Byte(values.GetData()[i]);
         VnBW8 low = 0, high = 0;
         float a0 = 0, a1 = 0, a2 = 0;
         d.Real(ImgThreeLevelsMinResidueThreshold(&hist, low, high, a0, a1, a2));
         d.Byte(low), d.Byte(high), d.Real(a0), d.Real(a1), d.Real(a2); }); }, "f1f86cb380db19a3"},
      {"histogram features", [] { return Numbers([](Digest& d) {
         VnBWHistogramVector hist = HistogramOf(gray);
         d.Real(ImgAnalyseHistogram(&hist, IMG_HIST_MEAN)), d.Real(ImgAnalyseHistogram(&hist, IMG_HIST_STD_DEV, 10, 200));
         d.Real(hist.Entropy(0, 0xFFFFFFFFu)), d.Word(ImgIsodataThreshold(&hist), 1);
         float below = 0, above = 0;
         d.Word(ImgMaxEntropyThreshold(&hist, below, above), 1), d.Real(below), d.Real(above); }); }, "ebe1c9420c0bbe66"},
      {"moments and statistics", [] { return Numbers([](Digest& d) {
         float m[15] = {};
         ImgWeightedMoments(&gray, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14]);
         for (float v : m) d.Real(v);
         float variance = 0, average = 0;
         ImgPixelVariance(&wide, variance, average);
         d.Real(variance), d.Real(average), d.Real(ImgFocusing(&gray)), d.Real(ImgFocusing(&colour)); }); }, "eeb875fc2b843b8d"},
  };
}

TEST(PortableDigests, EveryTargetAndLevelGivesTheRecordedBits) {
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Case& c : Cases()) {
      const std::string digest = c.digest();
      EXPECT_EQ(digest, c.expected) << c.name << " at " << simd::LevelName(level);
      EXPECT_EQ(VnGetError(), VN_OK) << c.name;
    }
  }
}

}  // namespace
}  // namespace vnimg::test
