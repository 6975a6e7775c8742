// Lookup, gain/offset, equalisation, normalisation and uniformisation of VnBW8 images, beside
// their nearest OpenCV calls (single-threaded).
#include <cmath>

#include "foundation/simd.h"
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vnimg::bench {
namespace {

struct Pair {
  VnImage<VnBW8> src, dst;
  explicit Pair(benchmark::State& state)
      : src(RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)))),
        dst(src.GetWidth(), src.GetHeight()) {}
  std::int64_t Pixels() const { return std::int64_t{src.GetWidth()} * src.GetHeight(); }
};

template <class Call>
void Run(benchmark::State& state, Call call, simd::Level cap = simd::Level::Avx512) {
  Pair images(state);
  simd::SetLevelCap(cap);
  for (auto _ : state) {
    call(images);
    benchmark::DoNotOptimize(images.dst.GetImagePtr(0, 0));
  }
  simd::SetLevelCap(simd::Level::Avx512);
  ReportThroughput(state, images.Pixels(), 2 * images.Pixels());
}

VnBW8Vector Gamma() {
  VnBW8Vector lut(256);
  for (unsigned i = 0; i < 256; ++i) lut[i] = static_cast<VnBW8>(255.0 * std::sqrt(i / 255.0));
  return lut;
}

void BM_Lut8(benchmark::State& state) {
  VnBW8Vector lut = Gamma();
  Run(state, [&](Pair& p) { ImgLut(&p.src, &p.dst, &lut); });
}
void BM_Lut8Avx2(benchmark::State& state) {
  VnBW8Vector lut = Gamma();
  Run(state, [&](Pair& p) { ImgLut(&p.src, &p.dst, &lut); }, simd::Level::Avx2);
}
void BM_GainOffset8(benchmark::State& state) {
  Run(state, [](Pair& p) { ImgGainOffset(&p.src, &p.dst, 1.5f, -20.0f); });
}
void BM_GainOffset8Avx2(benchmark::State& state) {
  Run(state, [](Pair& p) { ImgGainOffset(&p.src, &p.dst, 1.5f, -20.0f); }, simd::Level::Avx2);
}
void BM_Equalize8(benchmark::State& state) {
  Run(state, [](Pair& p) { ImgEqualize(&p.src, &p.dst); });
}
void BM_Normalize8(benchmark::State& state) {
  Run(state, [](Pair& p) { ImgNormalize(&p.src, &p.dst, 128.0f, 40.0f); });
}
void BM_UniformizeMul8(benchmark::State& state) {
  const VnImage<VnBW8> ref = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 11);
  VnImage<VnBW8> r(ref);
  Run(state, [&](Pair& p) { ImgUniformize(&p.src, VnBW8{128}, &r, &p.dst, 1); });
}
BENCHMARK(BM_Lut8)->Apply(LargeSizes);
BENCHMARK(BM_Lut8Avx2)->Apply(LargeSizes);
BENCHMARK(BM_GainOffset8)->Apply(LargeSizes);
BENCHMARK(BM_GainOffset8Avx2)->Apply(LargeSizes);
BENCHMARK(BM_Equalize8)->Apply(LargeSizes);
BENCHMARK(BM_Normalize8)->Apply(LargeSizes);
BENCHMARK(BM_UniformizeMul8)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
template <class Call>
void RunOpenCV(benchmark::State& state, Call call) {
  cv::setNumThreads(1);
  Pair images(state);
  const cv::Mat src = AsMat(images.src, CV_8UC1);
  cv::Mat dst = AsMat(images.dst, CV_8UC1);
  for (auto _ : state) {
    call(src, dst);
    benchmark::DoNotOptimize(dst.data);
  }
  ReportThroughput(state, images.Pixels(), 2 * images.Pixels());
}

void BM_OpenCV_LUT(benchmark::State& state) {
  VnBW8Vector lut = Gamma();
  const cv::Mat table(1, 256, CV_8UC1, lut.GetDataPtr());
  RunOpenCV(state, [&](const cv::Mat& s, cv::Mat& d) { cv::LUT(s, table, d); });
}
void BM_OpenCV_ConvertScaleAbs(benchmark::State& state) {
  RunOpenCV(state, [](const cv::Mat& s, cv::Mat& d) { cv::convertScaleAbs(s, d, 1.5, -20.0); });
}
void BM_OpenCV_EqualizeHist(benchmark::State& state) {
  RunOpenCV(state, [](const cv::Mat& s, cv::Mat& d) { cv::equalizeHist(s, d); });
}
void BM_OpenCV_MeanStdDevConvertTo(benchmark::State& state) {
  RunOpenCV(state, [](const cv::Mat& s, cv::Mat& d) {
    cv::Scalar mean, dev;
    cv::meanStdDev(s, mean, dev);
    const double k = 40.0 / dev[0];
    s.convertTo(d, CV_8U, k, 128.0 - k * mean[0]);
  });
}
void BM_OpenCV_DivideScale(benchmark::State& state) {
  const VnImage<VnBW8> refImage = RandomImage<VnBW8>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 11);
  const cv::Mat ref = AsMat(refImage, CV_8UC1);
  RunOpenCV(state, [&](const cv::Mat& s, cv::Mat& d) { cv::divide(s, ref, d, 128.0); });
}
BENCHMARK(BM_OpenCV_LUT)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_ConvertScaleAbs)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_EqualizeHist)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_MeanStdDevConvertTo)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_DivideScale)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
