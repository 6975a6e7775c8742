// Moments (beside cv::moments), inertia, focus and the correlogram (beside a 2D cv::calcHist).
#include <cmath>

#include "foundation/simd.h"
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

// A thresholded scene: discs of 255 on 0, a sixth of the height across, on a grid.
VnImage<VnBW8> DiscScene(int width, int height) {
  VnImage<VnBW8> image(width, height);
  const int cell = std::max(8, height / 4), radius = cell / 3;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int dx = x % cell - cell / 2, dy = y % cell - cell / 2;
      image.SetPixel(dx * dx + dy * dy <= radius * radius ? 255 : 0, x, y);
    }
  return image;
}

VnImage<VnBW8> Input(benchmark::State& state, bool scene) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  return scene ? DiscScene(width, height) : RandomImage<VnBW8>(width, height);
}

std::int64_t Pixels(const VnROI<VnBW8>& image) { return std::int64_t{image.GetWidth()} * image.GetHeight(); }

void BM_BinaryMoments2(benchmark::State& state) {
  VnImage<VnBW8> image = Input(state, true);
  float m[6];
  for (auto _ : state) {
    ImgBinaryMoments(&image, 128, m[0], m[1], m[2], m[3], m[4], m[5]);
    benchmark::DoNotOptimize(m);
  }
  ReportThroughput(state, Pixels(image), Pixels(image));
}
BENCHMARK(BM_BinaryMoments2)->Apply(LargeSizes);

void BM_WeightedMoments3(benchmark::State& state) {
  VnImage<VnBW8> image = Input(state, false);
  float m[10];
  for (auto _ : state) {
    ImgWeightedMoments(&image, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9]);
    benchmark::DoNotOptimize(m);
  }
  ReportThroughput(state, Pixels(image), Pixels(image));
}
BENCHMARK(BM_WeightedMoments3)->Apply(LargeSizes);

void BM_WeightedMoments4(benchmark::State& state) {
  VnImage<VnBW8> image = Input(state, false);
  float m[15];
  for (auto _ : state) {
    ImgWeightedMoments(&image, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14]);
    benchmark::DoNotOptimize(m);
  }
  ReportThroughput(state, Pixels(image), Pixels(image));
}
BENCHMARK(BM_WeightedMoments4)->Apply(LargeSizes);

// The variants beside the plain loop at 1920 x 1080: range(0) the level cap, range(1) 1 for the
// binary second order (on the scene), 0 for the weighted third order.
void BM_MomentsAtLevel(benchmark::State& state) {
  const bool binary = state.range(1) != 0;
  const VnImage<VnBW8> image = binary ? DiscScene(1920, 1080) : RandomImage<VnBW8>(1920, 1080);
  VnImage<VnBW8> src = image;
  simd::SetLevelCap(static_cast<simd::Level>(state.range(0)));
  float m[10];
  for (auto _ : state) {
    if (binary) ImgBinaryMoments(&src, 128, m[0], m[1], m[2], m[3], m[4], m[5]);
    else ImgWeightedMoments(&src, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9]);
    benchmark::DoNotOptimize(m);
  }
  simd::SetLevelCap(simd::Level::Avx512);
  ReportThroughput(state, Pixels(src), Pixels(src));
  state.SetLabel(simd::LevelName(static_cast<simd::Level>(state.range(0))));
}
BENCHMARK(BM_MomentsAtLevel)->ArgNames({"level", "binary"})->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

#if VNIMG_WITH_OPENCV
// cv::moments computes every moment to the third order (and the central ones) either way.
void BM_OpenCV_Moments(benchmark::State& state) {
  const bool binary = state.range(2) != 0;
  VnImage<VnBW8> image = Input(state, binary);
  const cv::Mat src = AsMat(image, CV_8UC1);
  for (auto _ : state) {
    cv::Moments m = cv::moments(src, binary);
    benchmark::DoNotOptimize(m);
  }
  ReportThroughput(state, Pixels(image), Pixels(image));
}
BENCHMARK(BM_OpenCV_Moments)->ArgNames({"w", "h", "binary"})->Args({1920, 1080, 1})->Args({4096, 4096, 1})
    ->Args({1920, 1080, 0})->Args({4096, 4096, 0})->Unit(benchmark::kMicrosecond);
#endif

void BM_InertiaWeighted(benchmark::State& state) {
  VnImage<VnBW8> image = Input(state, false);
  float varX = 0, covXY = 0, varY = 0;
  for (auto _ : state) {
    ImgInertia(&image, varX, covXY, varY, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(varX);
  }
  ReportThroughput(state, Pixels(image), Pixels(image));
}
BENCHMARK(BM_InertiaWeighted)->Apply(LargeSizes);

void BM_Focusing(benchmark::State& state) {
  VnImage<VnBW8> image = Input(state, false);
  for (auto _ : state) benchmark::DoNotOptimize(ImgFocusing(&image));
  ReportThroughput(state, Pixels(image), Pixels(image));
}
BENCHMARK(BM_Focusing)->Apply(LargeSizes);

void BM_Correlogram(benchmark::State& state) {
  VnImage<VnBW8> a = Input(state, false), b = RandomImage<VnBW8>(a.GetWidth(), a.GetHeight(), 9);
  VnImage<VnBW16> dst;
  for (auto _ : state) {
    ImgCorrelogram(&a, &b, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(a), 2 * Pixels(a));
}
BENCHMARK(BM_Correlogram)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
void BM_OpenCV_CalcHist2D(benchmark::State& state) {
  VnImage<VnBW8> a = Input(state, false), b = RandomImage<VnBW8>(a.GetWidth(), a.GetHeight(), 9);
  const cv::Mat images[] = {AsMat(a, CV_8UC1), AsMat(b, CV_8UC1)};
  const int channels[] = {0, 1}, bins[] = {256, 256};
  const float range[] = {0, 256};
  const float* ranges[] = {range, range};
  cv::Mat hist;
  for (auto _ : state) {
    cv::calcHist(images, 2, channels, cv::Mat(), hist, 2, bins, ranges);
    benchmark::DoNotOptimize(hist.data);
  }
  ReportThroughput(state, Pixels(a), 2 * Pixels(a));
}
BENCHMARK(BM_OpenCV_CalcHist2D)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
