// Local deviation (beside an OpenCV composite of box filters), the modulus gradient scalar
// (beside cv::Sobel and cv::magnitude) and the gradient vector.
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

// Both sizes at half-sizes 1, 7 and 30.
void DeviationImages(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "half"});
  for (int half : {1, 7, 30}) b->Args({1920, 1080, half})->Args({4096, 4096, half});
  b->Unit(benchmark::kMicrosecond);
}

std::int64_t Pixels(const VnImage<VnBW8>& image) { return std::int64_t{image.GetWidth()} * image.GetHeight(); }

void BM_LocalDeviation(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  VnImage<VnBW8> dst(src.GetWidth(), src.GetHeight());
  const auto half = static_cast<unsigned>(state.range(2));
  for (auto _ : state) {
    ImgLocalDeviation(&src, &dst, half, half);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(src), 2 * Pixels(src));
}
BENCHMARK(BM_LocalDeviation)->Apply(DeviationImages);

void BM_GradientScalarModulus(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  VnImage<VnBW8> dst(src.GetWidth(), src.GetHeight()), table;
  ImgModulusImage(&table, 1.0f);
  for (auto _ : state) {
    ImgGradientScalar(&src, &dst, &table);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(src), 2 * Pixels(src));
}
BENCHMARK(BM_GradientScalarModulus)->Apply(LargeSizes);

void BM_GradientVector(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  VnImage<VnBW32> dst(src.GetWidth(), src.GetHeight());
  for (auto _ : state) {
    ImgGradientVector(&src, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(src), 5 * Pixels(src));
}
BENCHMARK(BM_GradientVector)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
// sqrt(box(p^2) - box(p)^2) in CV_32F, the usual composite for a local deviation.
void BM_LocalDeviation_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  VnImage<VnBW8> image = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const cv::Mat src = AsMat(image, CV_8UC1);
  const int side = 2 * static_cast<int>(state.range(2)) + 1;
  cv::Mat f, mean, square, meanSquare, variance, deviation, out;
  const auto run = [&] {
    src.convertTo(f, CV_32F);
    cv::boxFilter(f, mean, CV_32F, cv::Size(side, side), cv::Point(-1, -1), true, cv::BORDER_REPLICATE);
    cv::multiply(f, f, square);
    cv::boxFilter(square, meanSquare, CV_32F, cv::Size(side, side), cv::Point(-1, -1), true, cv::BORDER_REPLICATE);
    cv::multiply(mean, mean, mean);
    cv::subtract(meanSquare, mean, variance);
    cv::max(variance, 0.0, variance);
    cv::sqrt(variance, deviation);
    deviation.convertTo(out, CV_8U);
  };
  run();  // the working matrices allocated and faulted in before the timing, as our destination is
  for (auto _ : state) {
    run();
    benchmark::DoNotOptimize(out.data);
  }
  ReportThroughput(state, Pixels(image), 2 * Pixels(image));
}
BENCHMARK(BM_LocalDeviation_OpenCV)->Apply(DeviationImages);

void BM_GradientScalarModulus_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  VnImage<VnBW8> image = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Mat dx, dy, magnitude, out;
  const auto run = [&] {
    cv::Sobel(src, dx, CV_32F, 1, 0);
    cv::Sobel(src, dy, CV_32F, 0, 1);
    cv::magnitude(dx, dy, magnitude);
    magnitude.convertTo(out, CV_8U);
  };
  run();  // as above
  for (auto _ : state) {
    run();
    benchmark::DoNotOptimize(out.data);
  }
  ReportThroughput(state, Pixels(image), 2 * Pixels(image));
}
BENCHMARK(BM_GradientScalarModulus_OpenCV)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
