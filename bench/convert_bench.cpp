// Pixel type conversions beside OpenCV's cvtColor and convertTo.
#include <random>

#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

std::int64_t Pixels(const VnGenericROI& image) { return std::int64_t{image.GetWidth()} * image.GetHeight(); }

// Floats from -10 to 300: every rounding case of the 8-bit conversion, saturation included.
VnImage<VnFLOAT32> RandomFloats(int width, int height) {
  VnImage<VnFLOAT32> image(width, height);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> value(-10.0f, 300.0f);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(value(rng), x, y);
  return image;
}

// dst = f(src) over and over; bytesPerPixel counts the reads and writes of one pixel.
template <class S, class D, class F>
void Run(benchmark::State& state, VnImage<S>& src, int bytesPerPixel, F convert) {
  VnImage<D> dst(src.GetWidth(), src.GetHeight());
  for (auto _ : state) {
    convert(&src, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(src), Pixels(src) * bytesPerPixel);
}

int Width(const benchmark::State& state) { return static_cast<int>(state.range(0)); }
int Height(const benchmark::State& state) { return static_cast<int>(state.range(1)); }

void BM_ConvertGrayToC24(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(Width(state), Height(state));
  Run<VnBW8, VnC24>(state, src, 4, [](auto* s, auto* d) { ImgConvert(s, d); });
}
BENCHMARK(BM_ConvertGrayToC24)->Apply(LargeSizes);

void BM_ConvertC24ToGray(benchmark::State& state) {
  VnImage<VnC24> src = RandomImage<VnC24>(Width(state), Height(state));
  Run<VnC24, VnBW8>(state, src, 4, [](auto* s, auto* d) { ImgConvert(s, d); });
}
BENCHMARK(BM_ConvertC24ToGray)->Apply(LargeSizes);

void BM_Convert16To8(benchmark::State& state) {
  VnImage<VnBW16> src = RandomImage<VnBW16>(Width(state), Height(state));
  Run<VnBW16, VnBW8>(state, src, 3, [](auto* s, auto* d) { ImgConvert(s, d, 8); });
}
BENCHMARK(BM_Convert16To8)->Apply(LargeSizes);

void BM_ConvertFloatTo8(benchmark::State& state) {
  VnImage<VnFLOAT32> src = RandomFloats(Width(state), Height(state));
  Run<VnFLOAT32, VnBW8>(state, src, 5, [](auto* s, auto* d) { ImgConvert(s, d); });
}
BENCHMARK(BM_ConvertFloatTo8)->Apply(LargeSizes);

void BM_ConvertGrayToBits(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(Width(state), Height(state));
  Run<VnBW8, VnBW1>(state, src, 1, [](auto* s, auto* d) { ImgConvert(s, d); });
}
BENCHMARK(BM_ConvertGrayToBits)->Apply(LargeSizes);

void BM_ConvertBitsToGray(benchmark::State& state) {
  VnImage<VnBW1> src = RandomImage<VnBW1>(Width(state), Height(state));
  Run<VnBW1, VnBW8>(state, src, 1, [](auto* s, auto* d) { ImgConvert(s, d, 255); });
}
BENCHMARK(BM_ConvertBitsToGray)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
template <class S, class D, class F>
void RunCv(benchmark::State& state, VnImage<S>& src, int srcType, int dstType, int bytesPerPixel, F convert) {
  cv::setNumThreads(1);
  VnImage<D> dst(src.GetWidth(), src.GetHeight());
  const cv::Mat in = AsMat(src, srcType);
  cv::Mat out = AsMat(dst, dstType);
  for (auto _ : state) {
    convert(in, out);
    benchmark::DoNotOptimize(out.data);
  }
  ReportThroughput(state, Pixels(src), Pixels(src) * bytesPerPixel);
}

void BM_OpenCV_GrayToBgr(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(Width(state), Height(state));
  RunCv<VnBW8, VnC24>(state, src, CV_8UC1, CV_8UC3, 4, [](const cv::Mat& s, cv::Mat& d) { cv::cvtColor(s, d, cv::COLOR_GRAY2BGR); });
}
BENCHMARK(BM_OpenCV_GrayToBgr)->Apply(LargeSizes);

void BM_OpenCV_BgrToGray(benchmark::State& state) {
  VnImage<VnC24> src = RandomImage<VnC24>(Width(state), Height(state));
  RunCv<VnC24, VnBW8>(state, src, CV_8UC3, CV_8UC1, 4, [](const cv::Mat& s, cv::Mat& d) { cv::cvtColor(s, d, cv::COLOR_BGR2GRAY); });
}
BENCHMARK(BM_OpenCV_BgrToGray)->Apply(LargeSizes);

void BM_OpenCV_Convert16To8(benchmark::State& state) {
  VnImage<VnBW16> src = RandomImage<VnBW16>(Width(state), Height(state));
  RunCv<VnBW16, VnBW8>(state, src, CV_16UC1, CV_8UC1, 3, [](const cv::Mat& s, cv::Mat& d) { s.convertTo(d, CV_8U, 1.0 / 256); });
}
BENCHMARK(BM_OpenCV_Convert16To8)->Apply(LargeSizes);

void BM_OpenCV_ConvertFloatTo8(benchmark::State& state) {
  VnImage<VnFLOAT32> src = RandomFloats(Width(state), Height(state));
  RunCv<VnFLOAT32, VnBW8>(state, src, CV_32FC1, CV_8UC1, 5, [](const cv::Mat& s, cv::Mat& d) { s.convertTo(d, CV_8U); });
}
BENCHMARK(BM_OpenCV_ConvertFloatTo8)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
