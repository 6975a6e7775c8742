// Kernel convolution of 8-bit images beside cv::filter2D (BORDER_REPLICATE): binomial 3x3 and
// 5x5 kernels with rectifier 2 (the fixed-point paths) and rectifier 0 (the general path, whose
// sixteenths take the integer route), and uniform ones with rectifier 0 (ninths: the double route).
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

void ConvolArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "size", "rectifier", "uniform"});
  for (int size : {3, 5})
    for (int kind : {0, 1, 2}) {
      const int rectifier = kind == 0 ? 2 : 0, uniform = kind == 2;
      b->Args({1920, 1080, size, rectifier, uniform})->Args({4096, 4096, size, rectifier, uniform});
    }
}

// The coefficients of one axis: binomial, or all ones.
std::vector<float> Axis(int size, bool uniform) {
  if (uniform) return std::vector<float>(static_cast<std::size_t>(size), 1.0f);
  return size == 3 ? std::vector<float>{1, 2, 1} : std::vector<float>{1, 4, 6, 4, 1};
}

void BM_ConvolKernel(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto size = static_cast<short>(state.range(2));
  const VnImage<VnBW8> src = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dst(width, height);
  VnKernel kernel(size, size, 1.0f, 0, static_cast<short>(state.range(3)), 0);
  const std::vector<float> axis = Axis(size, state.range(4) != 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) kernel.SetKernelData(x, y, axis[x] * axis[y]);
  for (auto _ : state) {
    ImgConvolKernel(&src, &dst, &kernel);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}
BENCHMARK(BM_ConvolKernel)->Apply(ConvolArgs);

#if VNIMG_WITH_OPENCV
void BM_ConvolKernel_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int size = static_cast<int>(state.range(2));
  VnImage<VnBW8> image = RandomImage<VnBW8>(width, height), out(width, height);
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Mat dst = AsMat(out, CV_8UC1);
  const std::vector<float> axis = Axis(size, state.range(4) != 0);
  float total = 0;
  for (float a : axis)
    for (float b : axis) total += a * b;
  cv::Mat kernel(size, size, CV_32F);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) kernel.at<float>(y, x) = axis[x] * axis[y] / total;
  for (auto _ : state) {
    cv::filter2D(src, dst, CV_8U, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    benchmark::DoNotOptimize(dst.data);
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}
BENCHMARK(BM_ConvolKernel_OpenCV)->Apply(ConvolArgs);
#endif

}  // namespace
}  // namespace vnimg::bench
