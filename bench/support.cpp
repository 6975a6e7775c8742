#include "support.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#if VNIMG_WITH_OPENCV
#include <opencv2/core/utility.hpp>
#endif

namespace vnimg::bench {

namespace {

// OpenCV runs on one thread, as vnimg does.
[[maybe_unused]] const bool g_singleThreaded = [] {
#if VNIMG_WITH_OPENCV
  cv::setNumThreads(1);
#endif
  return true;
}();

}  // namespace

void SizeSweep(benchmark::internal::Benchmark* b) {
  for (const Size& size : kSizes) b->Args({size.width, size.height});
  b->Unit(benchmark::kMicrosecond);
}

void LargeSizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({4096, 4096})->Unit(benchmark::kMicrosecond);
}

double CopyBytesPerSecond(std::size_t bytes) {
  static std::map<std::size_t, double> cache;
  if (auto it = cache.find(bytes); it != cache.end()) return it->second;
  std::vector<unsigned char> src(bytes, 1), dst(bytes, 0);
  for (int warmUp = 0; warmUp < 5; ++warmUp) std::memcpy(dst.data(), src.data(), bytes);
  // Each run copies for at least 20 ms, so that small copies are not lost in timer noise.
  std::vector<double> rates;
  for (int run = 0; run < 7; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::chrono::duration<double> elapsed{};
    long copies = 0;
    do {
      std::memcpy(dst.data(), src.data(), bytes);
      benchmark::DoNotOptimize(dst.data());
      benchmark::ClobberMemory();
      ++copies;
      elapsed = std::chrono::steady_clock::now() - start;
    } while (elapsed.count() < 0.02);
    rates.push_back(2.0 * static_cast<double>(bytes) * static_cast<double>(copies) / elapsed.count());
  }
  std::nth_element(rates.begin(), rates.begin() + rates.size() / 2, rates.end());
  return cache[bytes] = rates[rates.size() / 2];
}

void ReportThroughput(benchmark::State& state, std::int64_t pixels, std::int64_t bytesMoved) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["px/s"] = benchmark::Counter(static_cast<double>(pixels) * iterations, benchmark::Counter::kIsRate);
  // Copying N bytes moves 2N; compare with memcpy over half the bytes this operation moves.
  const double copyRate = CopyBytesPerSecond(static_cast<std::size_t>(bytesMoved / 2));
  state.counters["of_copy"] =
      benchmark::Counter(static_cast<double>(bytesMoved) * iterations / copyRate, benchmark::Counter::kIsRate);
}

template <class T>
VnImage<T> RandomImage(int width, int height, unsigned seed) {
  VnImage<T> image(width, height);
  std::mt19937 rng(seed);
  auto* bytes = reinterpret_cast<unsigned char*>(image.GetImagePtr(0, 0));
  const std::size_t size = static_cast<std::size_t>(image.GetRowPitch()) * height;
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(rng());
  return image;
}

template VnImage<VnBW1> RandomImage(int, int, unsigned);
template VnImage<VnBW8> RandomImage(int, int, unsigned);
template VnImage<VnBW16> RandomImage(int, int, unsigned);
template VnImage<VnBW32> RandomImage(int, int, unsigned);
template VnImage<VnC24> RandomImage(int, int, unsigned);

}  // namespace vnimg::bench
