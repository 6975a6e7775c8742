// The memory baseline every throughput is compared with: copying an 8-bit image's bytes.
#include <cstring>

#include "support.h"

namespace vnimg::bench {
namespace {

void BM_MemoryCopy(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const std::size_t bytes = static_cast<std::size_t>(width) * height;
  std::vector<unsigned char> src(bytes, 3), dst(bytes, 0);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  ReportThroughput(state, static_cast<std::int64_t>(bytes), 2 * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_MemoryCopy)->Apply(SizeSweep);

#if VNIMG_WITH_OPENCV
void BM_OpenCV_CopyTo(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  cv::Mat src(height, width, CV_8UC1, cv::Scalar(3)), dst(height, width, CV_8UC1, cv::Scalar(0));
  for (auto _ : state) {
    src.copyTo(dst);
    benchmark::DoNotOptimize(dst.data);
  }
  ReportThroughput(state, std::int64_t{width} * height, 2 * std::int64_t{width} * height);
}
BENCHMARK(BM_OpenCV_CopyTo)->Apply(SizeSweep);
#endif

}  // namespace
}  // namespace vnimg::bench
