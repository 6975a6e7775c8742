// Kernel convolution: a user kernel (--kernel with --size) or a preset (--preset), with the
// kernel's gain, offset, rectifier and outside value as options.
#include <cmath>
#include <memory>
#include <sstream>

#include "cli.h"

namespace vnimg::tool {
namespace {

const EnumName kPresets[] = {
    {"thinning", KERNEL_THINNING},     {"thickening", KERNEL_THICKENING}, {"box", KERNEL_BOX},
    {"sobel-x", KERNEL_SOBEL_X},       {"sobel-y", KERNEL_SOBEL_Y},       {"prewitt-x", KERNEL_PREWITT_X},
    {"prewitt-y", KERNEL_PREWITT_Y},   {"laplacian-4", KERNEL_LAPLACIAN_4}, {"laplacian-8", KERNEL_LAPLACIAN_8},
    {"lowpass-3", KERNEL_LOWPASS_3},   {"lowpass-2", KERNEL_LOWPASS_2},   {"lowpass-1", KERNEL_LOWPASS_1},
    {"highpass-1", KERNEL_HIGHPASS_1}, {"highpass-2", KERNEL_HIGHPASS_2},
};

const std::vector<Option> kKernelOptions = {
    {"kernel", "none", "coefficients row by row, separated by blanks: \"1 2 1 2 4 2 1 2 1\""},
    {"size", "square", "WxH of --kernel; square sizes follow from the count"},
    {"preset", "none", "a 3x3 preset instead of --kernel", kPresets},
    {"gain", "1", "multiplies the coefficients (a preset keeps its own unless given)"},
    {"offset", "0", "added after rectification"},
    {"rectifier", "2", "0 none, 1 negative part, 2 positive part, 3 absolute value"},
    {"outside-value", "0", "the value beyond the image on the double-precision path"},
};

// Blank-separated finite reals.
std::vector<float> Coefficients(const std::string& text) {
  std::istringstream in(text);
  std::vector<float> values;
  for (std::string word; in >> word;) {
    std::size_t used = 0;
    double value = 0;
    try {
      value = std::stod(word, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != word.size() || !std::isfinite(value)) throw UsageError("--kernel wants numbers, not '" + word + "'");
    values.push_back(static_cast<float>(value));
  }
  return values;
}

// The columns and rows of n coefficients: --size, or the side of a square count.
std::pair<int, int> KernelSize(const Invocation& call, std::size_t n) {
  const std::string size = call.Text("size");
  int width = 0, height = 0;
  if (size == "square") {
    width = height = static_cast<int>(std::lround(std::sqrt(static_cast<double>(n))));
  } else {
    char x = 0, rest = 0;
    std::istringstream in(size);
    if (!(in >> width >> x >> height) || x != 'x' || in >> rest || width < 1 || height < 1 || width > 32767 || height > 32767)
      throw UsageError("--size wants WxH (1 to 32767 each), not '" + size + "'");
  }
  if (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) != n || n == 0)
    throw UsageError("--kernel has " + std::to_string(n) + " coefficients, not the " + (size == "square" ? "square number" : size) + " it needs");
  return {width, height};
}

std::unique_ptr<VnKernel> KernelOf(const Invocation& call) {
  if (call.Given("kernel") == call.Given("preset")) throw UsageError(call.command().name + " needs either --kernel or --preset");
  std::unique_ptr<VnKernel> kernel;
  const bool preset = call.Given("preset");
  if (preset) {
    kernel = std::make_unique<VnKernel>(static_cast<KERNEL_TYPE>(call.Enum("preset", KERNEL_THINNING, KERNEL_HIGHPASS_2)));
  } else {
    const std::vector<float> values = Coefficients(call.Text("kernel"));
    const auto [width, height] = KernelSize(call, values.size());
    kernel = std::make_unique<VnKernel>(static_cast<short>(width), static_cast<short>(height), 1.0f, 0, 2, 0);
    if (!kernel->GetDataPtr()) throw OperationError("VnKernel::VnKernel", VnGetError(), {});
    std::copy(values.begin(), values.end(), kernel->GetDataPtr());
  }
  if (!preset || call.Given("gain")) kernel->SetGain(static_cast<float>(call.Real("gain")));
  if (!preset || call.Given("offset")) kernel->SetOffset(static_cast<unsigned>(call.Integer("offset", 0, 0xFFFFFFFFll)));
  if (!preset || call.Given("rectifier")) kernel->SetRectifier(static_cast<short>(call.Integer("rectifier", -32768, 32767)));
  if (!preset || call.Given("outside-value")) kernel->SetOutsideValue(static_cast<unsigned>(call.Integer("outside-value", 0, 0xFFFFFFFFll)));
  return kernel;
}

template <bool kSymmetric>
void Convolve(Invocation& call) {
  const std::unique_ptr<VnKernel> kernel = KernelOf(call);
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation(kSymmetric ? "ImgConvolSymmetricKernel" : "ImgConvolKernel", [&] {
      if constexpr (kSymmetric) {
        ImgConvolSymmetricKernel(&src, &dst, kernel.get());
      } else {
        ImgConvolKernel(&src, &dst, kernel.get());
      }
    });
    return dst;
  });
}

}  // namespace

void AddFilterCommands(std::vector<Command>& commands) {
  commands.push_back({"convol-kernel", "IN OUT", "Convolve with a kernel (a correlation: the kernel is not flipped)", kKernelOptions,
                      Convolve<false>,
                      "Rectifier 0 or a kernel that is not square 3, 5 or 7 sums in double precision with the\n"
                      "outside value beyond the image; the others run in fixed point with the edges replicated.\n"
                      "The coefficients are normalised by their sum unless they cancel out:\n"
                      "vnimg convol-kernel in.png out.png --kernel \"1 2 1 2 4 2 1 2 1\""});
  commands.push_back({"convol-symmetric-kernel", "IN OUT", "Convolve with a kernel symmetric about both axes and the diagonal",
                      kKernelOptions, Convolve<true>,
                      "Only the cells (i, j) with j <= i <= size / 2 are read; square 3, 5 or 7, rectifier not 0."});
}

}  // namespace vnimg::tool
