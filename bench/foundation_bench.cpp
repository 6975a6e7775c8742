// Bit-image alignment: moving a bit image at bit offset 3 to byte-aligned storage and back.
#include "support.h"

namespace vnimg::bench {
namespace {

void BM_BW1Alignment(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  VnImage<VnBW1> parent = RandomImage<VnBW1>(width + 8, height);
  VnROI<VnBW1> src(&parent, 3, 0, width, height);
  VnImage<VnBW1> dst(width, height);
  for (auto _ : state) {
    ImgBW1Alignment(&src, &dst);
    benchmark::DoNotOptimize(dst.GetImagePtr(0, 0));
  }
  const std::int64_t bytes = (std::int64_t{width} + 7) / 8 * height;
  ReportThroughput(state, std::int64_t{width} * height, 2 * bytes);
}
BENCHMARK(BM_BW1Alignment)->Apply(SizeSweep);

void BM_BW1UnAlignment(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  VnImage<VnBW1> src = RandomImage<VnBW1>(width, height);
  VnImage<VnBW1> parent = RandomImage<VnBW1>(width + 8, height);
  VnROI<VnBW1> dst(&parent, 3, 0, width, height);
  for (auto _ : state) {
    ImgBW1UnAlignment(&src, &dst);
    benchmark::DoNotOptimize(parent.GetImagePtr(0, 0));
  }
  const std::int64_t bytes = (std::int64_t{width} + 7) / 8 * height;
  ReportThroughput(state, std::int64_t{width} * height, 3 * bytes);
}
BENCHMARK(BM_BW1UnAlignment)->Apply(SizeSweep);

}  // namespace
}  // namespace vnimg::bench
