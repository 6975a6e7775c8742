// Point operations beside their OpenCV equivalents (single-threaded) and the memory baseline.
#include "support.h"

#include "foundation/simd.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/core.hpp>
#endif

namespace vnimg::bench {
namespace {

using Op = ARITH_LOGIC_OPERATIONS;

struct Shape {
  int width, height;
  std::int64_t pixels() const { return std::int64_t{width} * height; }
};
Shape ShapeOf(const benchmark::State& state) {
  return {static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
}

// Runs ImgOper(op, ...) at the CPU's best level, or capped at `level`.
struct LevelCap {
  explicit LevelCap(simd::Level level) : previous(simd::GetLevelCap()) { simd::SetLevelCap(level); }
  ~LevelCap() { simd::SetLevelCap(previous); }
  simd::Level previous;
};

template <class T>
void TwoImages(benchmark::State& state, Op op, simd::Level level) {
  const LevelCap cap(level);
  const Shape s = ShapeOf(state);
  const VnImage<T> a = RandomImage<T>(s.width, s.height, 1), b = RandomImage<T>(s.width, s.height, 2);
  VnImage<T> d(s.width, s.height);
  for (auto _ : state) {
    ImgOper(op, &a, &b, &d);
    benchmark::DoNotOptimize(d.GetImagePtr(0, 0));
  }
  ReportThroughput(state, s.pixels(), 3 * s.pixels() * static_cast<std::int64_t>(sizeof(T)));
}

void BM_Oper8(benchmark::State& state, Op op) { TwoImages<VnBW8>(state, op, simd::Level::Avx512); }
void BM_Oper8Avx2(benchmark::State& state, Op op) { TwoImages<VnBW8>(state, op, simd::Level::Avx2); }
void BM_Oper8Sse2(benchmark::State& state, Op op) { TwoImages<VnBW8>(state, op, simd::Level::Sse2); }
void BM_Oper8Plain(benchmark::State& state, Op op) { TwoImages<VnBW8>(state, op, simd::Level::Plain); }

void BM_Oper16(benchmark::State& state, Op op) {
  const Shape s = ShapeOf(state);
  VnImage<VnBW16> a = RandomImage<VnBW16>(s.width, s.height, 1), b = RandomImage<VnBW16>(s.width, s.height, 2);
  VnImage<VnBW16> d(s.width, s.height);
  for (auto _ : state) {
    ImgOper(op, &a, &b, &d);
    benchmark::DoNotOptimize(d.GetImagePtr(0, 0));
  }
  ReportThroughput(state, s.pixels(), 6 * s.pixels());
}

void ImageConstant(benchmark::State& state, Op op, simd::Level level) {
  const LevelCap cap(level);
  const Shape s = ShapeOf(state);
  const VnImage<VnBW8> a = RandomImage<VnBW8>(s.width, s.height, 1);
  VnImage<VnBW8> d(s.width, s.height);
  for (auto _ : state) {
    ImgOper(op, &a, VnBW8{100}, &d);
    benchmark::DoNotOptimize(d.GetImagePtr(0, 0));
  }
  ReportThroughput(state, s.pixels(), 2 * s.pixels());
}
void BM_Oper8Const(benchmark::State& state, Op op) { ImageConstant(state, op, simd::Level::Avx512); }
void BM_Oper8ConstAvx2(benchmark::State& state, Op op) { ImageConstant(state, op, simd::Level::Avx2); }

void BM_Copy8(benchmark::State& state) {
  const Shape s = ShapeOf(state);
  const VnImage<VnBW8> a = RandomImage<VnBW8>(s.width, s.height, 1);
  VnImage<VnBW8> d(s.width, s.height);
  for (auto _ : state) {
    ImgCopy(&a, &d);
    benchmark::DoNotOptimize(d.GetImagePtr(0, 0));
  }
  ReportThroughput(state, s.pixels(), 2 * s.pixels());
}

void BM_Fill8(benchmark::State& state) {
  const Shape s = ShapeOf(state);
  VnImage<VnBW8> d(s.width, s.height);
  for (auto _ : state) {
    ImgCopy(VnBW8{7}, &d);
    benchmark::DoNotOptimize(d.GetImagePtr(0, 0));
  }
  ReportThroughput(state, s.pixels(), s.pixels());
}

BENCHMARK_CAPTURE(BM_Oper8, Add, Add)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, Subtract, Subtract)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, Compare, Compare)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, Min, Min)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, BitwiseAND, BitwiseAND)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, GreaterOrEqual, GreaterOrEqual)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, ScaledAdd, ScaledAdd)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8, Multiply, Multiply)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Avx2, Add, Add)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Sse2, Add, Add)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Plain, Add, Add)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Avx2, ScaledAdd, ScaledAdd)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Sse2, ScaledAdd, ScaledAdd)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Plain, ScaledAdd, ScaledAdd)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Const, GreaterOrEqual, GreaterOrEqual)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8Const, Subtract, Subtract)->Apply(LargeSizes);
// Divide has no vector rule: the image-constant form maps through a 256-entry table.
BENCHMARK_CAPTURE(BM_Oper8Const, DivideByTable, Divide)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper8ConstAvx2, DivideByTable, Divide)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_Oper16, Add, Add)->Apply(LargeSizes);
BENCHMARK(BM_Copy8)->Apply(LargeSizes);
BENCHMARK(BM_Fill8)->Apply(LargeSizes);

#if VNIMG_WITH_OPENCV
enum class CvOp { Add, Subtract, AbsDiff, Min, And, GreaterOrEqual, AddWeighted, Multiply };

// The destinations are filled before the timing, as our images are at their allocation: a
// first touch of fresh pages inside the loop would be counted against OpenCV.

void BM_OpenCV_Oper8(benchmark::State& state, CvOp op, int type) {
  const Shape s = ShapeOf(state);
  const std::int64_t bytes = type == CV_16U ? 2 : 1;
  cv::Mat a(s.height, s.width, type), b(s.height, s.width, type), d(s.height, s.width, type, cv::Scalar(0));
  cv::randu(a, 0, bytes == 2 ? 65536 : 256);
  cv::randu(b, 0, bytes == 2 ? 65536 : 256);
  for (auto _ : state) {
    switch (op) {
      case CvOp::Add: cv::add(a, b, d); break;
      case CvOp::Subtract: cv::subtract(a, b, d); break;
      case CvOp::AbsDiff: cv::absdiff(a, b, d); break;
      case CvOp::Min: cv::min(a, b, d); break;
      case CvOp::And: cv::bitwise_and(a, b, d); break;
      case CvOp::GreaterOrEqual: cv::compare(a, b, d, cv::CMP_GE); break;
      // Rounds to nearest where ScaledAdd rounds down: a speed reference only.
      case CvOp::AddWeighted: cv::addWeighted(a, 0.5, b, 0.5, 0.0, d); break;
      case CvOp::Multiply: cv::multiply(a, b, d); break;
    }
    benchmark::DoNotOptimize(d.data);
  }
  ReportThroughput(state, s.pixels(), 3 * s.pixels() * bytes);
}

void BM_OpenCV_Const8(benchmark::State& state, CvOp op) {
  const Shape s = ShapeOf(state);
  cv::Mat a(s.height, s.width, CV_8UC1), d(s.height, s.width, CV_8UC1, cv::Scalar(0));
  cv::randu(a, 0, 256);
  for (auto _ : state) {
    if (op == CvOp::GreaterOrEqual) cv::compare(a, 100, d, cv::CMP_GE);
    else cv::subtract(a, cv::Scalar(100), d);
    benchmark::DoNotOptimize(d.data);
  }
  ReportThroughput(state, s.pixels(), 2 * s.pixels());
}

void BM_OpenCV_DivideConst8(benchmark::State& state) {
  const Shape s = ShapeOf(state);
  cv::Mat a(s.height, s.width, CV_8UC1), d(s.height, s.width, CV_8UC1, cv::Scalar(0));
  cv::randu(a, 0, 256);
  for (auto _ : state) {
    cv::divide(a, cv::Scalar(100), d);  // rounds to nearest: a speed reference only
    benchmark::DoNotOptimize(d.data);
  }
  ReportThroughput(state, s.pixels(), 2 * s.pixels());
}

void BM_OpenCV_Copy8(benchmark::State& state) {
  const Shape s = ShapeOf(state);
  cv::Mat a(s.height, s.width, CV_8UC1), d(s.height, s.width, CV_8UC1, cv::Scalar(0));
  cv::randu(a, 0, 256);
  for (auto _ : state) {
    a.copyTo(d);
    benchmark::DoNotOptimize(d.data);
  }
  ReportThroughput(state, s.pixels(), 2 * s.pixels());
}

void BM_OpenCV_Fill8(benchmark::State& state) {
  const Shape s = ShapeOf(state);
  cv::Mat d(s.height, s.width, CV_8UC1, cv::Scalar(0));
  for (auto _ : state) {
    d.setTo(7);
    benchmark::DoNotOptimize(d.data);
  }
  ReportThroughput(state, s.pixels(), s.pixels());
}

BENCHMARK_CAPTURE(BM_OpenCV_Oper8, Add, CvOp::Add, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, Subtract, CvOp::Subtract, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, AbsDiff, CvOp::AbsDiff, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, Min, CvOp::Min, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, BitwiseAnd, CvOp::And, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, CompareGE, CvOp::GreaterOrEqual, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, AddWeighted, CvOp::AddWeighted, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, Multiply, CvOp::Multiply, CV_8UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Oper8, Add16, CvOp::Add, CV_16UC1)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Const8, CompareGE, CvOp::GreaterOrEqual)->Apply(LargeSizes);
BENCHMARK_CAPTURE(BM_OpenCV_Const8, Subtract, CvOp::Subtract)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_DivideConst8)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_Copy8)->Apply(LargeSizes);
BENCHMARK(BM_OpenCV_Fill8)->Apply(LargeSizes);
#endif

}  // namespace
}  // namespace vnimg::bench
