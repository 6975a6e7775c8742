// The predefined filters: one command per fixed 3x3 filter (from one table), the fixed-size
// smoothing filters, and box and binomial smoothing of any half-size.
#include "cli.h"

namespace vnimg::tool {
namespace {

template <class T>
using Filter = void (*)(const VnROI<T>*, VnROI<T>*);

struct Fixed3x3 {
  const char* name;
  const char* operation;
  Filter<VnBW8> bw8;
  Filter<VnBW16> bw16;
  Filter<VnC24> c24;
};
#define VNIMG_OPERATION(op) #op, op, op, op
const Fixed3x3 kFixed3x3[] = {
    {"convol-highpass-1", VNIMG_OPERATION(ImgConvolHighpass1)},
    {"convol-highpass-2", VNIMG_OPERATION(ImgConvolHighpass2)},
    {"convol-lowpass-1", VNIMG_OPERATION(ImgConvolLowpass1)},
    {"convol-lowpass-2", VNIMG_OPERATION(ImgConvolLowpass2)},
    {"convol-lowpass-3", VNIMG_OPERATION(ImgConvolLowpass3)},
    {"convol-sobel-x", VNIMG_OPERATION(ImgConvolSobelX)},
    {"convol-sobel-y", VNIMG_OPERATION(ImgConvolSobelY)},
    {"convol-sobel", VNIMG_OPERATION(ImgConvolSobel)},
    {"convol-prewitt-x", VNIMG_OPERATION(ImgConvolPrewittX)},
    {"convol-prewitt-y", VNIMG_OPERATION(ImgConvolPrewittY)},
    {"convol-prewitt", VNIMG_OPERATION(ImgConvolPrewitt)},
    {"convol-gradient-x", VNIMG_OPERATION(ImgConvolGradientX)},
    {"convol-gradient-y", VNIMG_OPERATION(ImgConvolGradientY)},
    {"convol-gradient", VNIMG_OPERATION(ImgConvolGradient)},
    {"convol-laplacian-x", VNIMG_OPERATION(ImgConvolLaplacianX)},
    {"convol-laplacian-y", VNIMG_OPERATION(ImgConvolLaplacianY)},
    {"convol-laplacian-4", VNIMG_OPERATION(ImgConvolLaplacian4)},
    {"convol-laplacian-8", VNIMG_OPERATION(ImgConvolLaplacian8)},
    {"convol-roberts", VNIMG_OPERATION(ImgConvolRoberts)},
};
#undef VNIMG_OPERATION

struct FixedSize {
  const char* name;
  const char* operation;
  Filter<VnBW8> bw8;
};
const FixedSize kFixedSizes[] = {
    {"convol-uniform-3x3", "ImgConvolUniform3x3", ImgConvolUniform3x3},    {"convol-gaussian-3x3", "ImgConvolGaussian3x3", ImgConvolGaussian3x3},
    {"convol-uniform-5x5", "ImgConvolUniform5x5", ImgConvolUniform5x5},    {"convol-gaussian-5x5", "ImgConvolGaussian5x5", ImgConvolGaussian5x5},
    {"convol-uniform-7x7", "ImgConvolUniform7x7", ImgConvolUniform7x7},    {"convol-gaussian-7x7", "ImgConvolGaussian7x7", ImgConvolGaussian7x7},
};

constexpr double kMostHalfSize = 4294967294.0;  // all bits set would mean "the same as x"
const std::vector<Option> kHalfSizeOptions = {
    {"half-x", "1", "columns on each side of the window", {}, false, kAnyPixels, Range{0, kMostHalfSize}},
    {"half-y", "half-x", "rows on each side of the window (default: --half-x)", {}, false, kAnyPixels, Range{0, kMostHalfSize}},
};

template <void (*op8)(const VnROI<VnBW8>*, VnROI<VnBW8>*, unsigned, unsigned),
          void (*op16)(const VnROI<VnBW16>*, VnROI<VnBW16>*, unsigned, unsigned),
          void (*opC)(const VnROI<VnC24>*, VnROI<VnC24>*, unsigned, unsigned)>
void Smooth(Invocation& call, const char* operation) {
  const auto halfX = static_cast<unsigned>(call.Integer("half-x"));
  const auto halfY = call.Given("half-y") ? static_cast<unsigned>(call.Integer("half-y")) : halfX;
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation(operation, [&] {
      if constexpr (std::is_same_v<T, VnBW8>) op8(&src, &dst, halfX, halfY);
      else if constexpr (std::is_same_v<T, VnBW16>) op16(&src, &dst, halfX, halfY);
      else opC(&src, &dst, halfX, halfY);
    });
    return dst;
  });
}

}  // namespace

void AddPredefinedFilterCommands(std::vector<Command>& commands) {
  for (const Fixed3x3& f : kFixed3x3)
    commands.push_back({f.name, "IN OUT", std::string("3x3 filter ") + f.operation, {}, [f](Invocation& call) {
                          MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
                            VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
                            CallOperation(f.operation, [&] {
                              if constexpr (std::is_same_v<T, VnBW8>) f.bw8(&src, &dst);
                              else if constexpr (std::is_same_v<T, VnBW16>) f.bw16(&src, &dst);
                              else f.c24(&src, &dst);
                            });
                            return dst;
                          });
                        }});
  for (const FixedSize& f : kFixedSizes)
    commands.push_back({f.name, "IN OUT", std::string("8-bit smoothing ") + f.operation + " (edges replicated)", {}, [f](Invocation& call) {
                          MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
                            VnImage<VnBW8> dst = NewImage<VnBW8>(src.GetWidth(), src.GetHeight());
                            CallOperation(f.operation, [&] { f.bw8(&src, &dst); });
                            return dst;
                          });
                        }});
  commands.push_back({"convol-uniform", "IN OUT", "Box mean over (2 half-x + 1) x (2 half-y + 1), edges replicated", kHalfSizeOptions,
                      [](Invocation& call) { Smooth<ImgConvolUniform, ImgConvolUniform, ImgConvolUniform>(call, "ImgConvolUniform"); },
                      "Half-sizes beyond the image are limited to it; a window of more than 2^24 pixels gives 0."});
  commands.push_back({"convol-gaussian", "IN OUT", "Repeated 1 2 1 binomial passes: min(half-x, half-y) in 2D, the rest along one axis",
                      kHalfSizeOptions,
                      [](Invocation& call) { Smooth<ImgConvolGaussian, ImgConvolGaussian, ImgConvolGaussian>(call, "ImgConvolGaussian"); },
                      "Each pass truncates; half-sizes k and k approximate a binomial of width 2k + 1."});
}

}  // namespace vnimg::tool
