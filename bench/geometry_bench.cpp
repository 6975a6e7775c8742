// Geometric transforms: rotation by 17 degrees about the centre (nearest and 8-bit bilinear),
// shrinking by 3.7 and halving, beside OpenCV's warpAffine and INTER_AREA resize.
#include <cmath>

#include "foundation/simd.h"
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

constexpr float kDegrees = 17.0f;

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({4096, 4096});
}

// Bytes moved by a resampling: each destination pixel written, about one source pixel read.
void ReportResampling(benchmark::State& state, int width, int height) {
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}

void Rotate(benchmark::State& state, int bits, simd::Level cap) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const VnImage<VnBW8> src = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dst(width, height);
  const VN_ANGLE_UNIT unit = VnGetAngleUnit();
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  simd::SetLevelCap(cap);
  const float cx = width / 2.0f, cy = height / 2.0f;
  for (auto _ : state) {
    ImgScaleRotate(&src, cx, cy, cx, cy, 1, 1, kDegrees, &dst, bits);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  simd::SetLevelCap(simd::Level::Avx512);
  VnSetAngleUnit(unit);
  ReportResampling(state, width, height);
}

void BM_RotateNearest(benchmark::State& state) { Rotate(state, 0, simd::Level::Avx512); }
void BM_RotateBilinear8(benchmark::State& state) { Rotate(state, 8, simd::Level::Avx512); }
void BM_RotateBilinear4(benchmark::State& state) { Rotate(state, 4, simd::Level::Avx512); }
void BM_RotateBilinear8_Sse2(benchmark::State& state) { Rotate(state, 8, simd::Level::Sse2); }
void BM_RotateBilinear8_Plain(benchmark::State& state) { Rotate(state, 8, simd::Level::Plain); }
BENCHMARK(BM_RotateNearest)->Apply(Sizes);
BENCHMARK(BM_RotateBilinear8)->Apply(Sizes);
BENCHMARK(BM_RotateBilinear4)->Apply(Sizes);
BENCHMARK(BM_RotateBilinear8_Sse2)->Apply(Sizes);
BENCHMARK(BM_RotateBilinear8_Plain)->Apply(Sizes);

void BM_Shrink37(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const VnImage<VnBW8> src = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dst(static_cast<int>(width / 3.7), static_cast<int>(height / 3.7));
  for (auto _ : state) {
    ImgShrink(&src, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, std::int64_t{width} * height, std::int64_t{width} * height);
}
BENCHMARK(BM_Shrink37)->Apply(Sizes);

void BM_Halve(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const VnImage<VnBW8> src = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dst;
  for (auto _ : state) {
    ImgHalve(&src, &dst, 0);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, std::int64_t{width} * height, std::int64_t{width} * height * 5 / 4);
}
BENCHMARK(BM_Halve)->Apply(Sizes);

#if VNIMG_WITH_OPENCV
void CvRotate(benchmark::State& state, int interpolation) {
  cv::setNumThreads(1);
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const VnImage<VnBW8> srcImage = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dstImage(width, height);
  const cv::Mat src = AsMat(srcImage, CV_8UC1);
  cv::Mat dst = AsMat(dstImage, CV_8UC1);
  // The same turn as ours: counter-clockwise on screen for a positive angle.
  const cv::Mat map = cv::getRotationMatrix2D(cv::Point2f(width / 2.0f, height / 2.0f), kDegrees, 1.0);
  for (auto _ : state) {
    cv::warpAffine(src, dst, map, dst.size(), interpolation, cv::BORDER_CONSTANT, cv::Scalar(0));
    benchmark::DoNotOptimize(dst.data);
  }
  ReportResampling(state, width, height);
}
void BM_CvRotateNearest(benchmark::State& state) { CvRotate(state, cv::INTER_NEAREST); }
void BM_CvRotateLinear(benchmark::State& state) { CvRotate(state, cv::INTER_LINEAR); }
BENCHMARK(BM_CvRotateNearest)->Apply(Sizes);
BENCHMARK(BM_CvRotateLinear)->Apply(Sizes);

void CvResizeArea(benchmark::State& state, double factor) {
  cv::setNumThreads(1);
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const VnImage<VnBW8> srcImage = RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> dstImage(static_cast<int>(width / factor), static_cast<int>(height / factor));
  const cv::Mat src = AsMat(srcImage, CV_8UC1);
  cv::Mat dst = AsMat(dstImage, CV_8UC1);
  for (auto _ : state) {
    cv::resize(src, dst, dst.size(), 0, 0, cv::INTER_AREA);
    benchmark::DoNotOptimize(dst.data);
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, factor == 2 ? pixels * 5 / 4 : pixels);
}
void BM_CvShrink37(benchmark::State& state) { CvResizeArea(state, 3.7); }
void BM_CvHalveArea(benchmark::State& state) { CvResizeArea(state, 2); }
BENCHMARK(BM_CvShrink37)->Apply(Sizes);
BENCHMARK(BM_CvHalveArea)->Apply(Sizes);
#endif

}  // namespace
}  // namespace vnimg::bench
