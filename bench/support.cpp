#include "support.h"

#include <random>

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

void ReportThroughput(benchmark::State& state, std::int64_t pixels, std::int64_t bytesMoved) {
  state.counters["px/s"] =
      benchmark::Counter(static_cast<double>(pixels) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(bytesMoved * static_cast<std::int64_t>(state.iterations()));
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
