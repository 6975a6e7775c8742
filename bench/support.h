// Shared set-up of the benchmarks: image sizes, random images, and throughput counters that
// relate every operation to the speed of copying the same bytes.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include <vnimg.h>

#if VNIMG_WITH_OPENCV
#include <opencv2/core.hpp>
#endif

namespace vnimg::bench {

struct Size {
  int width;
  int height;
};
inline constexpr Size kSizes[] = {{640, 480}, {1920, 1080}, {4096, 4096}};

// Registers {width, height} argument pairs for the sizes of the sweep (the large ones only
// when `largeOnly`).
void SizeSweep(benchmark::internal::Benchmark* b);
void LargeSizes(benchmark::internal::Benchmark* b);

// Sets the counters every benchmark reports: pixels per second ("px/s") and the bytes it
// reads and writes per second (`bytesMoved` counts one iteration's reads plus writes), which
// bench/report.py relates to BM_MemoryCopy of the same image size in the same run.
void ReportThroughput(benchmark::State& state, std::int64_t pixels, std::int64_t bytesMoved);

// Random pixels in every byte of the image.
template <class T>
VnImage<T> RandomImage(int width, int height, unsigned seed = 7);

#if VNIMG_WITH_OPENCV
// A cv::Mat viewing the pixels of a ROI (no copy).
template <class T>
cv::Mat AsMat(const VnROI<T>& roi, int type) {
  return cv::Mat(roi.GetHeight(), roi.GetWidth(), type, roi.GetGenericImagePtr(0, 0),
                 static_cast<std::size_t>(roi.GetRowPitch()));
}
#endif

}  // namespace vnimg::bench
