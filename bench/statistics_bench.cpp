// Pixel statistics and projections of 8-bit images beside OpenCV, with a plain read of the
// image as the memory baseline of these reductions.
#include <cstring>
#include <vector>

#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/core.hpp>
#endif

namespace vnimg::bench {
namespace {

VnImage<VnBW8> Image(const benchmark::State& state, unsigned seed = 7) {
  return RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), seed);
}

// Bytes of the ROI read once per iteration.
void ReportRead(benchmark::State& state, std::int64_t readsPerPixel = 1) {
  const std::int64_t pixels = state.range(0) * state.range(1);
  ReportThroughput(state, pixels, readsPerPixel * pixels);
}

// The memory baseline: the C library's memchr over the image's bytes for a value they do not
// hold, which reads them all with the library's widest vector loop (as BM_MemoryCopy's memcpy).
void BM_MemoryRead(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0) * state.range(1));
  const std::vector<unsigned char> src(bytes, 3);
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(src.data(), 7, bytes));
  ReportRead(state);
}
BENCHMARK(BM_MemoryRead)->Apply(LargeSizes);

void BM_PixelVariance8(benchmark::State& state) {
  VnImage<VnBW8> image = Image(state);
  float variance = 0, average = 0;
  for (auto _ : state) {
    ImgPixelVariance(&image, variance, average);
    benchmark::DoNotOptimize(variance);
  }
  ReportRead(state);
}
BENCHMARK(BM_PixelVariance8)->Apply(LargeSizes);

// The plain loops, for the notes.
void BM_PixelVariance8_Plain(benchmark::State& state) {
  VnSetMMX(0);
  BM_PixelVariance8(state);
  VnSetMMX(1);
}
BENCHMARK(BM_PixelVariance8_Plain)->Apply(LargeSizes);

void BM_PixelStat8(benchmark::State& state) {
  VnImage<VnBW8> image = Image(state);
  unsigned char min = 0, max = 0;
  float average = 0;
  for (auto _ : state) {
    ImgPixelStat(&image, min, max, average);
    benchmark::DoNotOptimize(average);
  }
  ReportRead(state);
}
BENCHMARK(BM_PixelStat8)->Apply(LargeSizes);

void BM_PixelCompare8(benchmark::State& state) {
  VnImage<VnBW8> a = Image(state, 7), b = Image(state, 8);
  for (auto _ : state) benchmark::DoNotOptimize(ImgPixelCompare(&a, &b));
  ReportRead(state, 2);
}
BENCHMARK(BM_PixelCompare8)->Apply(LargeSizes);

void BM_PixelCount8(benchmark::State& state) {
  VnImage<VnBW8> image = Image(state);
  int below = 0, between = 0, above = 0;
  for (auto _ : state) {
    ImgPixelCount(&image, 60, 190, below, between, above);
    benchmark::DoNotOptimize(between);
  }
  ReportRead(state);
}
BENCHMARK(BM_PixelCount8)->Apply(LargeSizes);

void BM_ProjectOnARow8(benchmark::State& state) {
  VnImage<VnBW8> image = Image(state);
  VnBW32Vector sums;
  for (auto _ : state) {
    ImgProjectOnARow(&image, &sums);
    benchmark::DoNotOptimize(sums.GetDataPtr());
  }
  ReportRead(state);
}
BENCHMARK(BM_ProjectOnARow8)->Apply(LargeSizes);

void BM_ProjectOnAColumn8(benchmark::State& state) {
  VnImage<VnBW8> image = Image(state);
  VnBW32Vector sums;
  for (auto _ : state) {
    ImgProjectOnAColumn(&image, &sums);
    benchmark::DoNotOptimize(sums.GetDataPtr());
  }
  ReportRead(state);
}
BENCHMARK(BM_ProjectOnAColumn8)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
void BM_OpenCV_MeanStdDev(benchmark::State& state) {
  const VnImage<VnBW8> image = Image(state);
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Scalar mean, deviation;
  for (auto _ : state) {
    cv::meanStdDev(src, mean, deviation);
    benchmark::DoNotOptimize(deviation[0]);
  }
  ReportRead(state);
}
BENCHMARK(BM_OpenCV_MeanStdDev)->Apply(LargeSizes);

void BM_OpenCV_MinMaxLocMean(benchmark::State& state) {
  const VnImage<VnBW8> image = Image(state);
  const cv::Mat src = AsMat(image, CV_8UC1);
  double min = 0, max = 0;
  for (auto _ : state) {
    cv::minMaxLoc(src, &min, &max);
    benchmark::DoNotOptimize(cv::mean(src)[0]);
  }
  ReportRead(state);
}
BENCHMARK(BM_OpenCV_MinMaxLocMean)->Apply(LargeSizes);

void BM_OpenCV_CountNonZeroNotEqual(benchmark::State& state) {
  const VnImage<VnBW8> a = Image(state, 7), b = Image(state, 8);
  const cv::Mat ma = AsMat(a, CV_8UC1), mb = AsMat(b, CV_8UC1);
  for (auto _ : state) benchmark::DoNotOptimize(cv::countNonZero(ma != mb));
  ReportRead(state, 2);
}
BENCHMARK(BM_OpenCV_CountNonZeroNotEqual)->Apply(LargeSizes);

// dim 0 reduces the rows into one row (column sums), dim 1 the columns into one column.
void BM_OpenCV_Reduce(benchmark::State& state, int dim) {
  const VnImage<VnBW8> image = Image(state);
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Mat sums;
  for (auto _ : state) {
    cv::reduce(src, sums, dim, cv::REDUCE_SUM, CV_32S);
    benchmark::DoNotOptimize(sums.data);
  }
  ReportRead(state);
}
BENCHMARK_CAPTURE(BM_OpenCV_Reduce, OntoARow, 0)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Reduce, OntoAColumn, 1)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
