// Binary morphology beside OpenCV (single-threaded), on a thresholded scene (blobs of a few
// dozen pixels): packed VnBW1 box erosion at half-sizes 1 and 7 against cv::erode of the same
// picture as 8-bit, the bi-level 3x3 erosion, one turn of rotated thinning, and the distance
// map (maximum 255, both sides of the boundary) against cv::distanceTransform DIST_L1, mask 3
// (one side).
#include <cmath>
#include <functional>

#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

// {width, height, half-size}.
void HalfArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "half"});
  for (int half : {1, 7}) b->Args({1920, 1080, half})->Args({4096, 4096, half});
  b->Unit(benchmark::kMicrosecond);
}

// 255 where a sum of two waves is positive: blobs and bands of 20 to 60 pixels.
VnImage<VnBW8> Scene(int width, int height) {
  VnImage<VnBW8> image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetPixel(std::sin(x * 0.071) + std::cos(y * 0.053 + x * 0.011) > 0.3 ? 255 : 0, x, y);
  return image;
}

template <class T, class Run>
void Measure(benchmark::State& state, VnImage<T>& src, Run run) {
  VnImage<T> dst(src.GetWidth(), src.GetHeight());
  for (auto _ : state) {
    run(&src, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  const std::int64_t pixels = std::int64_t{src.GetWidth()} * src.GetHeight();
  ReportThroughput(state, pixels, 2 * pixels * VnROI<T>::kBitsPerPixel / 8);
}

VnImage<VnBW8> SceneOf(const benchmark::State& state) {
  return Scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}

void BM_PackedErodeBox(benchmark::State& state) {
  VnImage<VnBW8> scene = SceneOf(state);
  VnImage<VnBW1> bits(scene.GetWidth(), scene.GetHeight());
  ImgConvert(&scene, &bits);
  const unsigned half = static_cast<unsigned>(state.range(2));
  Measure(state, bits, [&](auto* s, auto* d) { ImgErodeBox(s, d, half); });
}
BENCHMARK(BM_PackedErodeBox)->Apply(HalfArgs);

void BM_BiLevelErodeBox(benchmark::State& state) {
  VnImage<VnBW8> scene = SceneOf(state);
  const unsigned half = static_cast<unsigned>(state.range(2));
  Measure(state, scene, [&](auto* s, auto* d) { ImgBiLevelErodeBox(s, d, half); });
}
BENCHMARK(BM_BiLevelErodeBox)->Apply(HalfArgs);

void BM_ThinRotatedTurn(benchmark::State& state) {
  VnImage<VnBW8> scene = SceneOf(state);
  VnKernel kernel(KERNEL_THINNING);
  Measure(state, scene, [&](auto* s, auto* d) {
    int turns = 1;
    ImgBiLevelThin(s, d, &kernel, KERNEL_ROTATION_CLOCKWISE, turns);
  });
}
BENCHMARK(BM_ThinRotatedTurn)->Apply(LargeSizes);

void BM_DistanceMap255(benchmark::State& state) {
  VnImage<VnBW8> scene = SceneOf(state);
  Measure(state, scene, [&](auto* s, auto* d) { ImgComputeDistanceMap(s, d, 255); });
}
BENCHMARK(BM_DistanceMap255)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
void MeasureCv(benchmark::State& state, const std::function<void(const cv::Mat&, cv::Mat&)>& run) {
  cv::setNumThreads(1);
  VnImage<VnBW8> scene = SceneOf(state);
  Measure(state, scene, [&](auto* s, auto* d) {
    const cv::Mat src = AsMat(*s, CV_8UC1);
    cv::Mat dst = AsMat(*d, CV_8UC1);
    run(src, dst);
  });
}

void BM_OpenCV_ErodeScene(benchmark::State& state) {
  const int side = 2 * static_cast<int>(state.range(2)) + 1;
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, {side, side});
  MeasureCv(state, [&](const cv::Mat& s, cv::Mat& d) { cv::erode(s, d, kernel, {-1, -1}, 1, cv::BORDER_REPLICATE); });
}
BENCHMARK(BM_OpenCV_ErodeScene)->Apply(HalfArgs);

void BM_OpenCV_DistanceL1(benchmark::State& state) {
  MeasureCv(state, [](const cv::Mat& s, cv::Mat& d) { cv::distanceTransform(s, d, cv::DIST_L1, 3, CV_8U); });
}
BENCHMARK(BM_OpenCV_DistanceL1)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
