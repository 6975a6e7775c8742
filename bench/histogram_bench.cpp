// Histograms (beside cv::calcHist) and threshold selection from histograms.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

// 1920 x 1080 and 4096 x 4096, each as noise and as a constant image; a small ROI's noise,
// where the byte-pair count's fixed cost shows.
void HistogramImages(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "constant"});
  for (int constant : {0, 1}) b->Args({1920, 1080, constant})->Args({4096, 4096, constant});
  b->Args({224, 224, 0});
}

// Both sizes at 12 and 16 bits.
void WideHistogramImages(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "bits"});
  for (int bits : {12, 16}) b->Args({1920, 1080, bits})->Args({4096, 4096, bits});
}

// range(2): 0 uniform noise, 1 a constant image (every increment hits the same bin).
VnImage<VnBW8> TestImage(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  if (state.range(2) == 0) return RandomImage<VnBW8>(width, height);
  VnImage<VnBW8> image(width, height);
  for (int y = 0; y < height; ++y) std::fill_n(image.GetImagePtr(0, y), width, VnBW8{77});
  return image;
}

void Label(benchmark::State& state) { state.SetLabel(state.range(2) == 0 ? "noise" : "constant"); }

void BM_HistogramBW8(benchmark::State& state) {
  VnImage<VnBW8> image = TestImage(state);
  VnBWHistogramVector hist;
  for (auto _ : state) {
    ImgHistogram(&image, &hist);
    benchmark::DoNotOptimize(hist.GetDataPtr());
  }
  const std::int64_t pixels = std::int64_t{image.GetWidth()} * image.GetHeight();
  ReportThroughput(state, pixels, pixels);
  Label(state);
}
BENCHMARK(BM_HistogramBW8)->Apply(HistogramImages);

#if VNIMG_WITH_OPENCV
void BM_HistogramBW8_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  VnImage<VnBW8> image = TestImage(state);
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Mat hist;
  const int channel = 0, bins = 256;
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  for (auto _ : state) {
    cv::calcHist(&src, 1, &channel, cv::Mat(), hist, 1, &bins, ranges);
    benchmark::DoNotOptimize(hist.data);
  }
  const std::int64_t pixels = std::int64_t{image.GetWidth()} * image.GetHeight();
  ReportThroughput(state, pixels, pixels);
  Label(state);
}
BENCHMARK(BM_HistogramBW8_OpenCV)->Apply(HistogramImages);
#endif

// Sets a centred disc as the image's mask, one run per row, its radius 46 % of the height;
// returns the pixels it counts.
std::int64_t SetDiscRuns(VnImage<VnBW8>& image) {
  const int width = image.GetWidth(), height = image.GetHeight();
  const int radius = height * 46 / 100;
  std::vector<VnRun> runs;
  std::int64_t pixels = 0;
  for (int y = height / 2 - radius; y < height / 2 + radius; ++y) {
    const int dy = y - height / 2, half = static_cast<int>(std::sqrt(double(radius) * radius - dy * dy));
    const std::uint32_t row = static_cast<std::uint32_t>(y * image.GetRowPitch());
    runs.push_back({row + static_cast<std::uint32_t>(width / 2 - half), row + static_cast<std::uint32_t>(width / 2 + half),
                    static_cast<std::int16_t>(width / 2 - half), static_cast<std::int16_t>(y)});
    pixels += 2 * half;
  }
  image.SetMaskRuns(runs.data(), static_cast<unsigned>(runs.size()));
  return pixels;
}

// The disc's runs; items per second are counted pixels, to set beside the plain form's.
void BM_HistogramBW8MaskRuns(benchmark::State& state) {
  VnImage<VnBW8> image = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::int64_t pixels = SetDiscRuns(image);
  VnBWHistogramVector hist;
  for (auto _ : state) {
    ImgHistogram(&image, &hist);
    benchmark::DoNotOptimize(hist.GetDataPtr());
  }
  ReportThroughput(state, pixels, pixels);
}
BENCHMARK(BM_HistogramBW8MaskRuns)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({4096, 4096});

// The median over the iterations of (plain's time per pixel) / (runs' time per counted pixel),
// the two timed call by call, which one first alternating, so that the machine's drift and
// whatever the first call leaves in the caches fall on both alike: 1 or more when the runs are
// no slower per counted pixel.
double PairedRatio(benchmark::State& state, VnROI<VnBW8>& plain, double plainPixels, VnROI<VnBW8>& runs,
                   double runsPixels) {
  VnBWHistogramVector hist;
  const auto seconds = [&](VnROI<VnBW8>& roi) {
    const auto start = std::chrono::steady_clock::now();
    ImgHistogram(&roi, &hist);
    benchmark::DoNotOptimize(hist.GetDataPtr());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::vector<double> ratios;
  bool plainFirst = true;
  for (auto _ : state) {
    double plainTime, runsTime;
    if (plainFirst) {
      plainTime = seconds(plain);
      runsTime = seconds(runs);
    } else {
      runsTime = seconds(runs);
      plainTime = seconds(plain);
    }
    plainFirst = !plainFirst;
    ratios.push_back((plainTime / plainPixels) / (runsTime / runsPixels));
  }
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  return ratios.empty() ? 0 : ratios[ratios.size() / 2];
}

// The disc's runs against the plain form of another noise image, whole.
void BM_HistogramBW8MaskRunsPaired(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  VnImage<VnBW8> plain = RandomImage<VnBW8>(width, height, 5), disc = RandomImage<VnBW8>(width, height);
  const double discPixels = static_cast<double>(SetDiscRuns(disc)), plainPixels = double(width) * height;
  state.counters["paired_ratio"] = PairedRatio(state, plain, plainPixels, disc, discPixels);
}
BENCHMARK(BM_HistogramBW8MaskRunsPaired)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({4096, 4096});

// Like with like: the disc's bounding square as a ROI of a noise image, and the same square's
// rows given as runs of another: the same pixels, the same memory skipped, only the form differs.
void BM_HistogramBW8SquareRunsPaired(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int side = 2 * (height * 46 / 100), x0 = width / 2 - side / 2, y0 = height / 2 - side / 2;
  VnImage<VnBW8> plainImage = RandomImage<VnBW8>(width, height, 5), runs = RandomImage<VnBW8>(width, height);
  VnROI<VnBW8> square(&plainImage, x0, y0, side, side);
  std::vector<VnRun> rows;
  for (int y = y0; y < y0 + side; ++y) {
    const std::uint32_t row = static_cast<std::uint32_t>(y * runs.GetRowPitch() + x0);
    rows.push_back({row, row + static_cast<std::uint32_t>(side), static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y)});
  }
  runs.SetMaskRuns(rows.data(), static_cast<unsigned>(rows.size()));
  const double pixels = double(side) * side;
  state.counters["paired_ratio"] = PairedRatio(state, square, pixels, runs, pixels);
}
BENCHMARK(BM_HistogramBW8SquareRunsPaired)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({4096, 4096});

void BM_HistogramBW16(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const unsigned bits = static_cast<unsigned>(state.range(2));
  VnImage<VnBW16> image = RandomImage<VnBW16>(width, height);
  VnBWHistogramVector hist;
  for (auto _ : state) {
    ImgHistogram(&image, &hist, 15, bits, 1);
    benchmark::DoNotOptimize(hist.GetDataPtr());
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}
BENCHMARK(BM_HistogramBW16)->Apply(WideHistogramImages);

#if VNIMG_WITH_OPENCV
void BM_HistogramBW16_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int bins = 1 << state.range(2);
  VnImage<VnBW16> image = RandomImage<VnBW16>(width, height);
  const cv::Mat src = AsMat(image, CV_16UC1);
  cv::Mat hist;
  const int channel = 0;
  const float range[] = {0, 65536};
  const float* ranges[] = {range};
  for (auto _ : state) {
    cv::calcHist(&src, 1, &channel, cv::Mat(), hist, 1, &bins, ranges);
    benchmark::DoNotOptimize(hist.data);
  }
  const std::int64_t pixels = std::int64_t{width} * height;
  ReportThroughput(state, pixels, 2 * pixels);
}
BENCHMARK(BM_HistogramBW16_OpenCV)->Apply(WideHistogramImages);
#endif

// A two-peaked histogram with noise in every bin.
VnBWHistogramVector BimodalHistogram(unsigned bins) {
  VnBWHistogramVector hist;
  hist.SetNumElements(bins);
  std::mt19937 rng(5);
  for (unsigned k = 0; k < bins; ++k) {
    const double x = static_cast<double>(k) / bins;
    hist.GetDataPtr()[k] = static_cast<unsigned>(1000 * std::exp(-50 * (x - 0.3) * (x - 0.3)) +
                                                 600 * std::exp(-80 * (x - 0.7) * (x - 0.7)) + rng() % 20);
  }
  return hist;
}

constexpr unsigned kModeCodes[] = {IMG_THRESHOLD_RELATIVE, IMG_THRESHOLD_MIN_RESIDUE, IMG_THRESHOLD_MAX_ENTROPY,
                                   IMG_THRESHOLD_ISODATA, IMG_THRESHOLD_MIN_ABS_ERROR, IMG_THRESHOLD_MIN_SQ_ERROR};
constexpr const char* kModeNames[] = {"relative", "min_residue", "max_entropy", "isodata", "min_abs_error", "min_sq_error"};

void BM_HistogramThreshold(benchmark::State& state) {
  const bool wide = state.range(1) != 0;
  VnBWHistogramVector hist = BimodalHistogram(wide ? 65536 : 256);
  const unsigned mode = kModeCodes[state.range(0)];
  unsigned threshold = 0;
  float below = 0, above = 0;
  for (auto _ : state) {
    threshold = mode;
    if (wide)
      ImgHistogramThresholdBW16(&hist, threshold, below, above);
    else
      ImgHistogramThreshold(&hist, threshold, below, above);
    benchmark::DoNotOptimize(threshold);
  }
  state.SetLabel(std::string(kModeNames[state.range(0)]) + (wide ? " 65536 bins" : " 256 bins"));
}
BENCHMARK(BM_HistogramThreshold)->ArgNames({"mode", "wide"})->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}});

void BM_MultiLevelsMinResidue(benchmark::State& state) {
  VnBWHistogramVector hist = BimodalHistogram(256);
  Korvane::Quandor::Utils::Vector<VnRegionDescriptor> regions;
  for (auto _ : state) benchmark::DoNotOptimize(ImgMultiLevelsMinResidueThreshold(&hist, static_cast<unsigned>(state.range(0)), regions));
}
BENCHMARK(BM_MultiLevelsMinResidue)->ArgNames({"classes"})->Arg(3)->Arg(5);

}  // namespace
}  // namespace vnimg::bench
