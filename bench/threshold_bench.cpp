// Thresholding: fixed and automatic 8-bit thresholds, double threshold, colour box, gray to
// bit image and local mean, beside OpenCV's threshold and adaptiveThreshold.
#include "foundation/simd.h"
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

struct Frame8 {
  VnImage<VnBW8> src;
  VnImage<VnBW8> dst;
  Frame8(int width, int height) : src(RandomImage<VnBW8>(width, height)), dst(width, height) {}
};

int Width(const benchmark::State& state) { return static_cast<int>(state.range(0)); }
int Height(const benchmark::State& state) { return static_cast<int>(state.range(1)); }
std::int64_t Pixels(const benchmark::State& state) { return std::int64_t{Width(state)} * Height(state); }

void BM_Threshold8(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  for (auto _ : state) {
    ImgThreshold(&f.src, &f.dst, 128, 0, 255, 0.5f);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_Threshold8)->Apply(LargeSizes);

void BM_Threshold8_Plain(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  const simd::Level cap = simd::GetLevelCap();
  simd::SetLevelCap(simd::Level::Plain);
  for (auto _ : state) {
    ImgThreshold(&f.src, &f.dst, 128, 0, 255, 0.5f);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  simd::SetLevelCap(cap);
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_Threshold8_Plain)->Apply(LargeSizes);

void BM_Threshold8_MinResidue(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  for (auto _ : state) {
    ImgThreshold(&f.src, &f.dst, IMG_THRESHOLD_MIN_RESIDUE, 0, 255, 0.5f);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 3 * Pixels(state));
}
BENCHMARK(BM_Threshold8_MinResidue)->Apply(LargeSizes);

// What the automatic threshold should cost: a histogram, then a fixed threshold.
void BM_Histogram_Then_Threshold8(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  VnBWHistogramVector hist;
  for (auto _ : state) {
    ImgHistogram(&f.src, &hist);
    ImgThreshold(&f.src, &f.dst, 128, 0, 255, 0.5f);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 3 * Pixels(state));
}
BENCHMARK(BM_Histogram_Then_Threshold8)->Apply(LargeSizes);

void BM_Threshold16(benchmark::State& state) {
  VnImage<VnBW16> src = RandomImage<VnBW16>(Width(state), Height(state)), dst(Width(state), Height(state));
  for (auto _ : state) {
    ImgThreshold(&src, &dst, 30000, VnBW16{0}, VnBW16{65535}, 0.5f);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 4 * Pixels(state));
}
BENCHMARK(BM_Threshold16)->Apply(LargeSizes);

void BM_DoubleThreshold8(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  for (auto _ : state) {
    ImgDoubleThreshold(&f.src, &f.dst, 80, 170, 0, 127, 255);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_DoubleThreshold8)->Apply(LargeSizes);

void BM_ThresholdColourBox(benchmark::State& state) {
  VnImage<VnC24> src = RandomImage<VnC24>(Width(state), Height(state));
  VnImage<VnBW8> dst(Width(state), Height(state));
  for (auto _ : state) {
    ImgThreshold(&src, &dst, VnC24{40, 50, 60}, VnC24{200, 210, 220});
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 4 * Pixels(state));
}
BENCHMARK(BM_ThresholdColourBox)->Apply(LargeSizes);

void BM_ThresholdToBits8(benchmark::State& state) {
  VnImage<VnBW8> src = RandomImage<VnBW8>(Width(state), Height(state));
  VnImage<VnBW1> dst(Width(state), Height(state));
  for (auto _ : state) {
    ImgThreshold(&src, &dst, 128, 0.5f);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), Pixels(state) + Pixels(state) / 8);
}
BENCHMARK(BM_ThresholdToBits8)->Apply(LargeSizes);

void BM_LocalMeanThreshold(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  for (auto _ : state) {
    Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&f.src, &f.dst, 7, 0);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_LocalMeanThreshold)->Apply(LargeSizes);

void BM_LocalMeanThreshold_Plain(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  const simd::Level cap = simd::GetLevelCap();
  simd::SetLevelCap(simd::Level::Plain);
  for (auto _ : state) {
    Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&f.src, &f.dst, 7, 0);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  simd::SetLevelCap(cap);
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_LocalMeanThreshold_Plain)->Apply(LargeSizes);

void BM_AutoAdaptiveThreshold(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  for (auto _ : state) {
    ImgAutoAdaptiveThreshold(&f.src, &f.dst, IMG_THRESHOLD_MIN_RESIDUE, 64, 64);
    benchmark::DoNotOptimize(f.dst.GetImagePtr(0, 0));
  }
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_AutoAdaptiveThreshold)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
void BM_OpenCV_ThresholdBinary(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  cv::Mat src = AsMat(f.src, CV_8UC1), dst = AsMat(f.dst, CV_8UC1);
  for (auto _ : state) {
    cv::threshold(src, dst, 127, 255, cv::THRESH_BINARY);  // > 127 is >= 128
    benchmark::DoNotOptimize(dst.data);
  }
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_OpenCV_ThresholdBinary)->Apply(LargeSizes);

void BM_OpenCV_ThresholdOtsu(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  cv::Mat src = AsMat(f.src, CV_8UC1), dst = AsMat(f.dst, CV_8UC1);
  for (auto _ : state) {
    cv::threshold(src, dst, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    benchmark::DoNotOptimize(dst.data);
  }
  ReportThroughput(state, Pixels(state), 3 * Pixels(state));
}
BENCHMARK(BM_OpenCV_ThresholdOtsu)->Apply(LargeSizes);

void BM_OpenCV_AdaptiveMean15(benchmark::State& state) {
  Frame8 f(Width(state), Height(state));
  cv::Mat src = AsMat(f.src, CV_8UC1), dst = AsMat(f.dst, CV_8UC1);
  for (auto _ : state) {
    cv::adaptiveThreshold(src, dst, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 15, 0);
    benchmark::DoNotOptimize(dst.data);
  }
  ReportThroughput(state, Pixels(state), 2 * Pixels(state));
}
BENCHMARK(BM_OpenCV_AdaptiveMean15)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
