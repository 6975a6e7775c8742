// The Canny detector beside cv::Canny (single-threaded, given our automatic thresholds), and
// each of its stages alone, on a blurred random image and on the demo scene scaled up.
#include <string>

#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgproc.hpp>
#endif
#if VNIMG_WITH_TOOL
#include "tools/scene.h"
#endif

namespace vnimg::bench {
namespace {

// 1920 x 1080 and 4096 x 4096, as blurred noise (0) and as the scene (1).
void CannyImages(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "scene"});
  for (int scene : {0, 1}) b->Args({1920, 1080, scene})->Args({4096, 4096, scene});
}

// Noise under a 5 x 5 binomial: edges everywhere. The scene: the demo's picture enlarged by the
// nearest pixel and smoothed the same way (without the tool, the noise again).
VnImage<VnBW8> TestImage(const benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  VnImage<VnBW8> raw = RandomImage<VnBW8>(width, height), blurred(width, height);
#if VNIMG_WITH_TOOL
  if (state.range(2) == 1) {
    const VnImage<VnBW8> scene = tool::MakeInspectionScene();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        raw.SetPixel(scene.GetPixel(x * scene.GetWidth() / width, y * scene.GetHeight() / height), x, y);
  }
#endif
  ImgConvolGaussian5x5(&raw, &blurred);
  return blurred;
}

void Finish(benchmark::State& state, const VnROI<VnBW8>& image) {
  const std::int64_t pixels = std::int64_t{image.GetWidth()} * image.GetHeight();
  ReportThroughput(state, pixels, 2 * pixels);
  state.SetLabel(state.range(2) == 0 ? "noise" : "scene");
}

// The working images of the detector, filled by its stages once.
struct Stages {
  explicit Stages(const VnImage<VnBW8>& image)
      : width(image.GetWidth()), height(image.GetHeight()), gradient(width, height), direction(width, height),
        suppressed(width, height), edges(width, height) {
    ImgGradientVector(&image, &gradient);
    NonMaximaSuppression(&gradient, &direction, &suppressed);
    ImgHistogram(&suppressed, &histogram);
    thresholds = CannyThresholdSearch(histogram);
  }
  int width, height;
  VnImage<VnBW32> gradient, direction;
  VnImage<VnBW8> suppressed, edges;
  VnBWHistogramVector histogram;
  VnCannyThresholds thresholds;
};

template <SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow>
void BM_CannyDetector(benchmark::State& state) {
  const VnImage<VnBW8> image = TestImage(state);
  VnImage<VnBW8> dst(image.GetWidth(), image.GetHeight());
  for (auto _ : state) {
    ImgCannyDetector(&image, &dst, smooth, follow);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  Finish(state, image);
}
BENCHMARK(BM_CannyDetector<SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS>)->Apply(CannyImages);
BENCHMARK(BM_CannyDetector<SMOOTH_GAUSSIAN_3X3, EDGE_FOLLOWING_HYSTERESIS>)->Apply(CannyImages);
BENCHMARK(BM_CannyDetector<SMOOTH_NONE, EDGE_FOLLOWING_CONTOUR_GROWING>)->Apply(CannyImages);

#if VNIMG_WITH_OPENCV
void BM_CannyDetector_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  const VnImage<VnBW8> image = TestImage(state);
  const Stages stages(image);
  const cv::Mat src = AsMat(image, CV_8UC1);
  cv::Mat edges;
  cv::Canny(src, edges, stages.thresholds.low, stages.thresholds.high);  // edges allocated before the timing, as our dst
  for (auto _ : state) {
    cv::Canny(src, edges, stages.thresholds.low, stages.thresholds.high);
    benchmark::DoNotOptimize(edges.data);
  }
  Finish(state, image);
}
BENCHMARK(BM_CannyDetector_OpenCV)->Apply(CannyImages);
#endif

void BM_CannyGradient(benchmark::State& state) {
  const VnImage<VnBW8> image = TestImage(state);
  Stages stages(image);
  for (auto _ : state) ImgGradientVector(&image, &stages.gradient);
  Finish(state, image);
}
BENCHMARK(BM_CannyGradient)->Apply(CannyImages);

void BM_CannySuppression(benchmark::State& state) {
  const VnImage<VnBW8> image = TestImage(state);
  Stages stages(image);
  for (auto _ : state) NonMaximaSuppression(&stages.gradient, &stages.direction, &stages.suppressed);
  Finish(state, image);
}
BENCHMARK(BM_CannySuppression)->Apply(CannyImages);

void BM_CannyThresholds(benchmark::State& state) {
  const VnImage<VnBW8> image = TestImage(state);
  Stages stages(image);
  for (auto _ : state) {
    ImgHistogram(&stages.suppressed, &stages.histogram);
    benchmark::DoNotOptimize(CannyThresholdSearch(stages.histogram));
  }
  Finish(state, image);
}
BENCHMARK(BM_CannyThresholds)->Apply(CannyImages);

void BM_CannyHysteresis(benchmark::State& state) {
  const VnImage<VnBW8> image = TestImage(state);
  Stages stages(image);
  for (auto _ : state)
    Hysteresis(&stages.suppressed, &stages.edges, &stages.direction, stages.thresholds.low, stages.thresholds.high);
  Finish(state, image);
}
BENCHMARK(BM_CannyHysteresis)->Apply(CannyImages);

void BM_CannyContourGrowing(benchmark::State& state) {
  const VnImage<VnBW8> image = TestImage(state);
  Stages stages(image);
  for (auto _ : state) ContourGrowing(&stages.suppressed, &stages.edges, &stages.direction, stages.thresholds.low);
  Finish(state, image);
}
BENCHMARK(BM_CannyContourGrowing)->Apply(CannyImages);

}  // namespace
}  // namespace vnimg::bench
