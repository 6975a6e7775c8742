// Image files: encoding and decoding a 16-megapixel gray and colour picture as PNG (zlib level
// 1) and as PGM/PPM, in memory, beside OpenCV's imencode/imdecode at the same settings; and
// writing PGM/PPM files into memory-backed storage beside imwrite, as the tool does.
#if VNIMG_WITH_TOOL
#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "file_formats.h"
#include "image_file.h"
#include "scene.h"
#include "support.h"

#if VNIMG_WITH_OPENCV
#include <opencv2/imgcodecs.hpp>
#endif

namespace vnimg::bench {
namespace {

namespace formats = tool::formats;

constexpr int kSide = 4096;

// The pictures of range(2): 0 the demo's scene enlarged to 4096 x 4096 with fresh sensor noise
// (so that it compresses about as a camera picture does), 1 a colour version with its components
// differently scaled, 2 the colour picture's bytes as a 12288 x 4096 gray image (the same bytes
// per image, for comparing the two per byte).
const tool::AnyImage& Picture(int kind) {
  static const std::array<tool::AnyImage, 3> pictures = [] {
    VnImage<VnBW8> scene = tool::MakeInspectionScene();
    VnImage<VnBW8> gray(kSide, kSide);
    ImgLinearTransform(&scene, 480.0f / kSide, 0, 0, 0, 320.0f / kSide, 0, &gray, 8);
    VnImage<VnC24> rgb(kSide, kSide);
    std::uint32_t noise = 1;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        noise = noise * 1664525u + 1013904223u;
        VnBW8& pixel = gray.GetImagePtr(0, y)[x];
        pixel = static_cast<VnBW8>(std::clamp(pixel + static_cast<int>(noise >> 29) - 4, 0, 255));
        const VnBW8 v = pixel;
        rgb.GetImagePtr(0, y)[x] = VnC24{static_cast<unsigned char>(v / 2), v, static_cast<unsigned char>(255 - v)};
      }
    VnImage<VnBW8> wide(3 * kSide, kSide);
    for (int y = 0; y < kSide; ++y) std::memcpy(wide.GetImagePtr(0, y), rgb.GetImagePtr(0, y), 3 * std::size_t{kSide});
    return std::array<tool::AnyImage, 3>{tool::AnyImage{std::move(gray), std::nullopt}, tool::AnyImage{std::move(rgb), std::nullopt},
                                         tool::AnyImage{std::move(wide), std::nullopt}};
  }();
  return pictures[kind];
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "colour"})->Args({kSide, kSide, 0})->Args({kSide, kSide, 1})->Args({3 * kSide, kSide, 2});
  b->Unit(benchmark::kMillisecond);
}

int Kind(const benchmark::State& state) { return static_cast<int>(state.range(2)); }
std::int64_t Pixels(const benchmark::State& state) { return state.range(0) * state.range(1); }
std::int64_t Bytes(const benchmark::State& state) { return std::int64_t{kSide} * kSide * (Kind(state) == 0 ? 1 : 3); }

// Encodes into one buffer, sized by a first encoding and reused, as OpenCV's rows below
// reuse their output vector.
template <class Encode>
void EncodeIntoBuffer(benchmark::State& state, Encode encode) {
  const tool::AnyImage& image = Picture(Kind(state));
  formats::Bytes file;
  formats::BufferSink out(file);
  encode(image, out);
  for (auto _ : state) {
    file.clear();
    encode(image, out);
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["file MB"] = static_cast<double>(file.size()) / 1e6;
  ReportThroughput(state, Pixels(state), Bytes(state));
}

void BM_FileEncodePng(benchmark::State& state) {
  EncodeIntoBuffer(state, [](const tool::AnyImage& image, formats::ByteSink& out) {
    formats::EncodePng("bench.png", image, 1, out);
  });
}
BENCHMARK(BM_FileEncodePng)->Apply(Sizes);

void BM_FileDecodePng(benchmark::State& state) {
  const formats::Bytes file = formats::EncodePng("bench.png", Picture(Kind(state)), 1);
  state.counters["file MB"] = static_cast<double>(file.size()) / 1e6;
  for (auto _ : state) benchmark::DoNotOptimize(formats::ReadPng("bench.png", file));
  ReportThroughput(state, Pixels(state), Bytes(state));
}
BENCHMARK(BM_FileDecodePng)->Apply(Sizes);

void BM_FileEncodePnm(benchmark::State& state) {
  EncodeIntoBuffer(state, [](const tool::AnyImage& image, formats::ByteSink& out) {
    formats::EncodeNetpbm("bench.pnm", formats::NetpbmKind::Any, image, false, out);
  });
}
BENCHMARK(BM_FileEncodePnm)->Apply(Sizes);

// A file in memory-backed storage where there is one, so that the disk does not set the time.
std::string PnmFileName(int kind) {
  return std::string(std::filesystem::is_directory("/dev/shm") ? "/dev/shm/" : "") + "vnimg-bench" + (kind == 1 ? ".ppm" : ".pgm");
}

void BM_FileWritePnm(benchmark::State& state) {
  const std::string name = PnmFileName(Kind(state));
  for (auto _ : state) tool::WriteImage(name, Picture(Kind(state)));
  std::filesystem::remove(name);
  ReportThroughput(state, Pixels(state), Bytes(state));
}
BENCHMARK(BM_FileWritePnm)->Apply(Sizes);

void BM_FileDecodePnm(benchmark::State& state) {
  const formats::Bytes file = formats::EncodeNetpbm("bench.pnm", formats::NetpbmKind::Any, Picture(Kind(state)));
  for (auto _ : state) benchmark::DoNotOptimize(formats::ReadNetpbm("bench.pnm", file));
  ReportThroughput(state, Pixels(state), Bytes(state));
}
BENCHMARK(BM_FileDecodePnm)->Apply(Sizes);

#if VNIMG_WITH_OPENCV
cv::Mat PictureMat(int kind) {
  return std::visit([&]<class T>(const VnImage<T>& image) { return AsMat(image, kind == 1 ? CV_8UC3 : CV_8UC1); },
                    Picture(kind).pixels);
}

void OpenCvEncode(benchmark::State& state, const char* extension, std::vector<int> parameters) {
  const cv::Mat image = PictureMat(Kind(state));
  std::vector<uchar> file;
  cv::imencode(extension, image, file, parameters);
  state.counters["file MB"] = static_cast<double>(file.size()) / 1e6;
  for (auto _ : state) {
    cv::imencode(extension, image, file, parameters);
    benchmark::DoNotOptimize(file.data());
  }
  ReportThroughput(state, Pixels(state), Bytes(state));
}

// Decodes the file our encoder wrote, so that both read the same bytes.
void OpenCvDecode(benchmark::State& state, const formats::Bytes& file) {
  state.counters["file MB"] = static_cast<double>(file.size()) / 1e6;
  if (cv::imdecode(file, cv::IMREAD_UNCHANGED).total() != static_cast<std::size_t>(Pixels(state))) state.SkipWithError("imdecode failed");
  for (auto _ : state) benchmark::DoNotOptimize(cv::imdecode(file, cv::IMREAD_UNCHANGED));
  ReportThroughput(state, Pixels(state), Bytes(state));
}

void BM_OpenCvEncodePng(benchmark::State& state) { OpenCvEncode(state, ".png", {cv::IMWRITE_PNG_COMPRESSION, 1}); }
BENCHMARK(BM_OpenCvEncodePng)->Apply(Sizes);
void BM_OpenCvDecodePng(benchmark::State& state) { OpenCvDecode(state, formats::EncodePng("bench.png", Picture(Kind(state)), 1)); }
BENCHMARK(BM_OpenCvDecodePng)->Apply(Sizes);
void BM_OpenCvEncodePnm(benchmark::State& state) { OpenCvEncode(state, Kind(state) == 1 ? ".ppm" : ".pgm", {}); }
BENCHMARK(BM_OpenCvEncodePnm)->Apply(Sizes);
void BM_OpenCvDecodePnm(benchmark::State& state) {
  OpenCvDecode(state, formats::EncodeNetpbm("bench.pnm", formats::NetpbmKind::Any, Picture(Kind(state))));
}
BENCHMARK(BM_OpenCvDecodePnm)->Apply(Sizes);
void BM_OpenCvWritePnm(benchmark::State& state) {
  const cv::Mat image = PictureMat(Kind(state));
  const std::string name = PnmFileName(Kind(state));
  for (auto _ : state) cv::imwrite(name, image);
  std::filesystem::remove(name);
  ReportThroughput(state, Pixels(state), Bytes(state));
}
BENCHMARK(BM_OpenCvWritePnm)->Apply(Sizes);
#endif

}  // namespace
}  // namespace vnimg::bench
#endif
