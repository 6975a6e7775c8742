// Kernel convolution of 8-bit images beside cv::filter2D (BORDER_REPLICATE): binomial 3x3 and
// 5x5 kernels with rectifier 2 (the fixed-point paths) and rectifier 0 (the double path).
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

void ConvolArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "size", "rectifier"});
  for (int size : {3, 5})
    for (int rectifier : {2, 0}) b->Args({1920, 1080, size, rectifier})->Args({4096, 4096, size, rectifier});
}

// The binomial coefficients of one axis.
std::vector<float> Binomial(int size) { return size == 3 ? std::vector<float>{1, 2, 1} : std::vector<float>{1, 4, 6, 4, 1}; }

void BM_ConvolKernel(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto size = static_cast<short>(state.range(2));
  const VnImage<VnBW8> src = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dst(width, height);
  VnKernel kernel(size, size, 1.0f, 0, static_cast<short>(state.range(3)), 0);
  const std::vector<float> axis = Binomial(size);
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
  const std::vector<float> axis = Binomial(size);
  const float total = size == 3 ? 16.0f : 256.0f;
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
