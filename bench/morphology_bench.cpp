// Gray-level morphology beside OpenCV (single-threaded): box erosion at half-sizes 1, 7, 30 and
// 100 against rectangles of 3, 15, 61 and 201, the disk of radius 7 against a 15 x 15 ellipse
// (timing only: the shapes differ), the 3x3 median against medianBlur, and a VnBW16 erosion.
#include <functional>

#include "foundation/simd.h"
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

// {width, height, half-size}; half-size 100 (rows wider than one register's window) at the
// smaller size only.
void BoxArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "half"});
  for (int half : {1, 7, 30}) b->Args({1920, 1080, half})->Args({4096, 4096, half});
  b->Args({1920, 1080, 100});
  b->Unit(benchmark::kMicrosecond);
}

template <class T, class Run>
void Measure(benchmark::State& state, Run run) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  VnImage<T> src = RandomImage<T>(width, height), dst(width, height);
  for (auto _ : state) {
    run(&src, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels * static_cast<std::int64_t>(sizeof(T)));
}

void BM_ErodeBox(benchmark::State& state) {
  const unsigned half = static_cast<unsigned>(state.range(2));
  Measure<VnBW8>(state, [&](auto* s, auto* d) { ImgErodeBox(s, d, half); });
}
BENCHMARK(BM_ErodeBox)->Apply(BoxArgs);

void BM_ErodeBox16(benchmark::State& state) {
  const unsigned half = static_cast<unsigned>(state.range(2));
  Measure<VnBW16>(state, [&](auto* s, auto* d) { ImgErodeBox(s, d, half); });
}
BENCHMARK(BM_ErodeBox16)->Apply(BoxArgs);

void BM_DilateDisk7(benchmark::State& state) {
  Measure<VnBW8>(state, [](auto* s, auto* d) { ImgDilateDisk(s, d, 7); });
}
BENCHMARK(BM_DilateDisk7)->Apply(LargeSizes);

void BM_Median(benchmark::State& state) {
  Measure<VnBW8>(state, [](auto* s, auto* d) { ImgMedian(s, d); });
}
BENCHMARK(BM_Median)->Apply(LargeSizes);

// The variants below the machine's level, 1920 x 1080: the median and the box of half-size 7
// (range(2): the level).
void LevelArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "level"})->Args({1920, 1080, 1})->Args({1920, 1080, 2})->Unit(benchmark::kMicrosecond);
}

template <class Run>
void MeasureAtLevel(benchmark::State& state, Run run) {
  const simd::Level cap = simd::GetLevelCap();
  simd::SetLevelCap(static_cast<simd::Level>(state.range(2)));
  Measure<VnBW8>(state, run);
  simd::SetLevelCap(cap);
}

void BM_MedianAtLevel(benchmark::State& state) {
  MeasureAtLevel(state, [](auto* s, auto* d) { ImgMedian(s, d); });
}
BENCHMARK(BM_MedianAtLevel)->Apply(LevelArgs);

void BM_ErodeBox7AtLevel(benchmark::State& state) {
  MeasureAtLevel(state, [](auto* s, auto* d) { ImgErodeBox(s, d, 7u); });
}
BENCHMARK(BM_ErodeBox7AtLevel)->Apply(LevelArgs);

#if VNIMG_WITH_OPENCV
template <class T>
void MeasureCv(benchmark::State& state, int type, const std::function<void(const cv::Mat&, cv::Mat&)>& run) {
  cv::setNumThreads(1);
  Measure<T>(state, [&](auto* s, auto* d) {
    const cv::Mat src = AsMat(*s, type);
    cv::Mat dst = AsMat(*d, type);
    run(src, dst);
  });
}

void BM_OpenCV_Erode(benchmark::State& state) {
  const int side = 2 * static_cast<int>(state.range(2)) + 1;
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, {side, side});
  MeasureCv<VnBW8>(state, CV_8UC1, [&](const cv::Mat& s, cv::Mat& d) { cv::erode(s, d, kernel, {-1, -1}, 1, cv::BORDER_REPLICATE); });
}
BENCHMARK(BM_OpenCV_Erode)->Apply(BoxArgs);

void BM_OpenCV_Erode16(benchmark::State& state) {
  const int side = 2 * static_cast<int>(state.range(2)) + 1;
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, {side, side});
  MeasureCv<VnBW16>(state, CV_16UC1, [&](const cv::Mat& s, cv::Mat& d) { cv::erode(s, d, kernel, {-1, -1}, 1, cv::BORDER_REPLICATE); });
}
BENCHMARK(BM_OpenCV_Erode16)->Apply(BoxArgs);

void BM_OpenCV_DilateEllipse15(benchmark::State& state) {
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, {15, 15});
  MeasureCv<VnBW8>(state, CV_8UC1, [&](const cv::Mat& s, cv::Mat& d) { cv::dilate(s, d, kernel, {-1, -1}, 1, cv::BORDER_REPLICATE); });
}
BENCHMARK(BM_OpenCV_DilateEllipse15)->Apply(LargeSizes);

void BM_OpenCV_MedianBlur3(benchmark::State& state) {
  MeasureCv<VnBW8>(state, CV_8UC1, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); });
}
BENCHMARK(BM_OpenCV_MedianBlur3)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
