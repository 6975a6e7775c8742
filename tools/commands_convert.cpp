// Pixel type conversions. Files hold 1-bit, 8- and 16-bit gray, colour and (.pfm) float
// images; results of a type no file holds are written through one that does: 32-bit gray as
// float (exact up to 2^24), the 16-bit colours as the colour they decode to.
#include "cli.h"

namespace vnimg::tool {
namespace {

enum Target { kBW8, kBW16, kBW32, kC24, kBW1, kFloat32, kFloat64, kC15, kC16 };
const EnumName kTargets[] = {{"bw8", kBW8},         {"bw16", kBW16},       {"bw32", kBW32}, {"c24", kC24}, {"bw1", kBW1},
                             {"float32", kFloat32}, {"float64", kFloat64}, {"c15", kC15},   {"c16", kC16}};

template <class T>
constexpr int kBits = std::is_same_v<T, VnBW8> ? 8 : std::is_same_v<T, VnBW16> ? 16 : 32;
template <class S, class D>
constexpr bool kShifted = std::is_integral_v<S> && std::is_integral_v<D> && !std::is_same_v<S, D>;
template <class S, class D>
constexpr bool kDirect = requires(VnROI<S>* s, VnROI<D>* d) { ImgConvert(s, d); };

void RejectOption(const Invocation& call, const char* option, const char* reason) {
  if (call.Given(option)) throw UsageError(std::string("--") + option + " " + reason);
}

template <class S, class D>
VnImage<D> Converted(Invocation& call, VnImage<S>& src) {
  if constexpr (!std::is_same_v<S, VnBW1>) RejectOption(call, "value", "applies to 1-bit sources only");
  if constexpr (!kShifted<S, D>) RejectOption(call, "shift", "applies between gray depths only");
  VnImage<D> dst = NewImage<D>(src.GetWidth(), src.GetHeight());
  if constexpr (kShifted<S, D>) {
    const long long depth = kBits<S> > kBits<D> ? kBits<S> - kBits<D> : kBits<D> - kBits<S>;
    const auto shift = static_cast<unsigned>(call.Given("shift") ? call.Integer("shift", 0, 4294967295ll) : depth);
    CallOperation("ImgConvert", [&] { ImgConvert(&src, &dst, shift); });
  } else if constexpr (std::is_same_v<S, VnBW1>) {
    constexpr long long kMax = std::numeric_limits<D>::max();
    const auto value = static_cast<D>(call.Given("value") ? call.Integer("value", 0, kMax) : kMax);
    CallOperation("ImgConvert", [&] { ImgConvert(&src, &dst, value); });
  } else {
    CallOperation("ImgConvert", [&] { ImgConvert(&src, &dst); });
  }
  return dst;
}

// The second step for types no file holds.
template <class S, class D>
VnImage<D> ForFile(VnImage<S>& src) {
  VnImage<D> dst = NewImage<D>(src.GetWidth(), src.GetHeight());
  CallOperation("ImgConvert", [&] { ImgConvert(&src, &dst); });
  return dst;
}

// The destination type D, then how it is written.
template <class D, class S>
AnyImage ConvertTo(Invocation& call, VnImage<S>& src) {
  if constexpr (std::is_same_v<S, D>) {
    throw UsageError(std::string("the input is already ") + kPixelTypeName<S>);
  } else if constexpr (!kShifted<S, D> && !kDirect<S, D>) {
    throw UsageError(std::string("convert has no form from ") + kPixelTypeName<S> + " to " + kPixelTypeName<D>);
  } else {
    VnImage<D> dst = Converted<S, D>(call, src);
    if constexpr (std::is_same_v<D, VnBW32>) {
      return AnyImage{ForFile<VnBW32, VnFLOAT64>(dst), std::nullopt};
    } else if constexpr (std::is_same_v<D, VnC15> || std::is_same_v<D, VnC16>) {
      return AnyImage{ForFile<D, VnC24>(dst), std::nullopt};
    } else {
      return AnyImage{std::move(dst), std::nullopt};
    }
  }
}

void Convert(Invocation& call) {
  call.ExpectArguments(2, 2);
  const auto target = static_cast<Target>(call.Enum("to", kBW8, kC16));
  AnyImage input = call.Read(0);
  AnyImage output = std::visit(
      [&]<class S>(VnImage<S>& src) {
        switch (target) {
          case kBW8: return ConvertTo<VnBW8>(call, src);
          case kBW16: return ConvertTo<VnBW16>(call, src);
          case kBW32: return ConvertTo<VnBW32>(call, src);
          case kC24: return ConvertTo<VnC24>(call, src);
          case kBW1: return ConvertTo<VnBW1>(call, src);
          case kFloat32: return ConvertTo<VnFLOAT32>(call, src);
          case kFloat64: return ConvertTo<VnFLOAT64>(call, src);
          case kC15: return ConvertTo<VnC15>(call, src);
          case kC16: break;
        }
        return ConvertTo<VnC16>(call, src);
      },
      input.pixels);
  call.Write(1, std::move(output));
}

}  // namespace

void AddConvertCommands(std::vector<Command>& commands) {
  commands.push_back({"convert", "IN OUT", "Convert an image to another pixel type",
                      {{"to", "", "the pixel type", kTargets},
                       {"shift", "depth", "bits shifted between gray depths (default: the difference of the depths)"},
                       {"value", "max", "gray value of a set bit (1-bit sources; default: the type's maximum)"}},
                      Convert,
                      "Between gray depths pixels shift right (to fewer bits) or left (to more), truncated, shift\n"
                      "taken mod 32. Floats round half up, negatives and NaN give 0, values above the maximum the\n"
                      "maximum. Gray to bw1 sets a bit where the pixel is not 0. Float images are read and written\n"
                      "as .pfm; bw32 results are written as float (.pfm) and c15 or c16 results as the colour\n"
                      "they decode to."});
}

}  // namespace vnimg::tool
