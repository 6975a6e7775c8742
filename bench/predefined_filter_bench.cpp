// Predefined filters of 8-bit images beside OpenCV (single-threaded, BORDER_REPLICATE): the
// binomial 3x3, 5x5 and 7x7 against cv::GaussianBlur, Sobel X against cv::Sobel, Laplacian 4
// against cv::Laplacian (ksize 1), the box of half-sizes 1, 7 and 30 against cv::blur, and the
// binomial of half-size 5 (five 3x3 passes).
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

enum Operation { kGaussian3, kGaussian5, kGaussian7, kSobelX, kLaplacian4, kUniform1, kUniform7, kUniform30, kGaussianHalf5 };

void FilterArgs(benchmark::internal::Benchmark* b, int last) {
  b->ArgNames({"w", "h", "op"});
  for (int op = kGaussian3; op <= last; ++op) b->Args({1920, 1080, op})->Args({4096, 4096, op});
}

void Run(Operation op, const VnImage<VnBW8>& src, VnImage<VnBW8>& dst) {
  switch (op) {
    case kGaussian3: return ImgConvolGaussian3x3(&src, &dst);
    case kGaussian5: return ImgConvolGaussian5x5(&src, &dst);
    case kGaussian7: return ImgConvolGaussian7x7(&src, &dst);
    case kSobelX: return ImgConvolSobelX(&src, &dst);
    case kLaplacian4: return ImgConvolLaplacian4(&src, &dst);
    case kUniform1: return ImgConvolUniform(&src, &dst, 1, 1);
    case kUniform7: return ImgConvolUniform(&src, &dst, 7, 7);
    case kUniform30: return ImgConvolUniform(&src, &dst, 30, 30);
    case kGaussianHalf5: return ImgConvolGaussian(&src, &dst, 5, 5);
  }
}

void BM_PredefinedFilter(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto op = static_cast<Operation>(state.range(2));
  const VnImage<VnBW8> src = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dst(width, height);
  for (auto _ : state) {
    Run(op, src, dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}
BENCHMARK(BM_PredefinedFilter)->Apply([](benchmark::internal::Benchmark* b) { FilterArgs(b, kGaussianHalf5); });

#if VNIMG_WITH_OPENCV
void BM_PredefinedFilter_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto op = static_cast<Operation>(state.range(2));
  VnImage<VnBW8> image = RandomImage<VnBW8>(width, height), out(width, height);
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Mat dst = AsMat(out, CV_8UC1);
  constexpr int kBorder = cv::BORDER_REPLICATE;
  const int side = op <= kGaussian7 ? 3 + 2 * op : std::array{3, 15, 61}[std::max(0, op - kUniform1)];
  for (auto _ : state) {
    if (op <= kGaussian7) cv::GaussianBlur(src, dst, cv::Size(side, side), 0, 0, kBorder);
    else if (op == kSobelX) cv::Sobel(src, dst, CV_8U, 1, 0, 3, 1, 0, kBorder);
    else if (op == kLaplacian4) cv::Laplacian(src, dst, CV_8U, 1, 1, 0, kBorder);
    else cv::blur(src, dst, cv::Size(side, side), cv::Point(-1, -1), kBorder);
    benchmark::DoNotOptimize(dst.data);
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}
BENCHMARK(BM_PredefinedFilter_OpenCV)->Apply([](benchmark::internal::Benchmark* b) { FilterArgs(b, kUniform30); });
#endif

}  // namespace
}  // namespace vnimg::bench
