// Binarisation: fixed, automatic, double, colour-box, adaptive and local-mean thresholds.
// An output named .pbm makes `threshold` write a 1-bit image.
#include <filesystem>

#include "cli.h"

namespace vnimg::tool {
namespace {

const Option kMode{"mode", "min-residue", "automatic threshold mode", kThresholdModes, false, kGrayPixels};
const Option kFraction{"fraction", "0.5", "fraction of pixels below the threshold in relative mode", {}, false, kGrayPixels,
                       Range{0, 1}};

// --threshold LEVEL or --mode (with --fraction only for the relative mode), never both.
unsigned ThresholdArgument(const Invocation& call, long long top) {
  if (call.Given("threshold") && (call.Given("mode") || call.Given("fraction")))
    throw UsageError("give --threshold LEVEL or an automatic --mode, not both");
  if (call.Given("threshold")) return static_cast<unsigned>(call.Integer("threshold", 0, top));
  const auto mode = static_cast<unsigned>(call.Enum("mode", 0, -1));
  if (call.Given("fraction") && mode != IMG_THRESHOLD_RELATIVE)
    throw UsageError("--fraction applies only to --mode relative");
  return mode;
}

// The level an automatic mode chose and, for 8-bit images, the class averages it saw.
template <class T>
void ReportChoice(Invocation& call, VnImage<T>& src, unsigned threshold, float fraction) {
  if (call.Given("threshold")) return;
  const auto mode = static_cast<IMG_THRESHOLD_MODES>(threshold);
  unsigned level = 0;
  CallOperation("ImgAutoThreshold", [&] { level = ImgAutoThreshold(&src, mode, fraction); });
  call.Chose("threshold", level, true);
  if constexpr (std::is_same_v<T, VnBW8>) {
    VnBWHistogramVector hist;
    unsigned chosen = threshold;
    float below = 0, above = 0;
    CallOperation("ImgHistogram", [&] { ImgHistogram(&src, &hist); });
    CallOperation("ImgHistogramThreshold", [&] { ImgHistogramThreshold(&hist, chosen, below, above, fraction); });
    call.Chose("below-average", below, true);
    call.Chose("above-average", above, true);
  }
}

// "max" is the top level of the pixel type, "half" its middle.
template <class T>
T Level(const Invocation& call, const std::string& option) {
  constexpr long long kMax = std::is_same_v<T, VnBW16> ? 65535 : 255;
  const std::string text = call.Text(option);
  if (text == "max") return static_cast<T>(kMax);
  if (text == "half") return static_cast<T>(kMax / 2);
  return static_cast<T>(call.Integer(option, 0, kMax));
}

VnC24 Colour(const Invocation& call, const std::string& option) {
  const std::vector<double> rgb = call.Reals(option);
  if (rgb.size() != 3) throw UsageError("--" + option + " is r,g,b");
  const auto c = [&](double v) {
    if (v < 0 || v > 255) throw UsageError("--" + option + " components lie between 0 and 255");
    return static_cast<unsigned char>(v);
  };
  return VnC24{c(rgb[2]), c(rgb[1]), c(rgb[0])};
}

bool WantsBits(const Invocation& call) {
  std::string ext = std::filesystem::path(call.Argument(1)).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".pbm";
}

void Threshold(Invocation& call) {
  const auto fraction = static_cast<float>(call.Real("fraction"));
  if (WantsBits(call)) {
    return MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
      const unsigned threshold = ThresholdArgument(call, std::is_same_v<T, VnBW16> ? 65535 : 255);
      VnImage<VnBW1> dst = NewImage<VnBW1>(src.GetWidth(), src.GetHeight());
      ReportChoice(call, src, threshold, fraction);
      CallOperation("ImgThreshold", [&] { ImgThreshold(&src, &dst, threshold, fraction); });
      return dst;
    });
  }
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    if constexpr (std::is_same_v<T, VnC24>) {
      VnImage<VnBW8> dst = NewImage<VnBW8>(src.GetWidth(), src.GetHeight());
      const VnC24 min = Colour(call, "min"), max = Colour(call, "max");
      CallOperation("ImgThreshold", [&] {
        ImgThreshold(&src, &dst, min, max, nullptr, Level<VnBW8>(call, "outside"), Level<VnBW8>(call, "inside"));
      });
      return dst;
    } else {
      const unsigned threshold = ThresholdArgument(call, std::is_same_v<T, VnBW16> ? 65535 : 255);
      VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
      const T low = Level<T>(call, "low"), high = Level<T>(call, "high");
      ReportChoice(call, src, threshold, fraction);
      CallOperation("ImgThreshold", [&] { ImgThreshold(&src, &dst, threshold, low, high, fraction); });
      return dst;
    }
  });
}

void AutoThreshold(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  const auto mode = static_cast<IMG_THRESHOLD_MODES>(call.Enum("mode", 0, -1));
  const auto fraction = static_cast<float>(call.Real("fraction"));
  WithPixels<VnBW8, VnBW16>(call, image, [&](auto& src) {
    unsigned threshold = 0;
    CallOperation("ImgAutoThreshold", [&] { threshold = ImgAutoThreshold(&src, mode, fraction); });
    call.Print(Report::Group().Set("threshold", threshold));
  });
}

void DoubleThreshold(Invocation& call) {
  const auto lowThreshold = static_cast<unsigned>(call.Integer("low-threshold", 0, 0xFFFFFFFFll));
  const auto highThreshold = static_cast<unsigned>(call.Integer("high-threshold", 0, 0xFFFFFFFFll));
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    const T low = Level<T>(call, "low"), middle = Level<T>(call, "middle"), high = Level<T>(call, "high");
    CallOperation("ImgDoubleThreshold", [&] { ImgDoubleThreshold(&src, &dst, lowThreshold, highThreshold, low, middle, high); });
    return dst;
  });
}

void AutoAdaptiveThreshold(Invocation& call) {
  const auto mode = static_cast<IMG_THRESHOLD_MODES>(call.Enum("mode", 0, -1));
  const int tileWidth = static_cast<int>(call.Integer("tile-width"));
  const int tileHeight = static_cast<int>(call.Integer("tile-height"));
  MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
    VnImage<VnBW8> dst = NewImage<VnBW8>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgAutoAdaptiveThreshold", [&] { ImgAutoAdaptiveThreshold(&src, &dst, mode, tileWidth, tileHeight); });
    return dst;
  });
}

void LocalMeanThreshold(Invocation& call) {
  const int halfSize = static_cast<int>(call.Integer("half-size"));
  const int offset = static_cast<int>(call.Integer("offset"));
  MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
    VnImage<VnBW8> dst = NewImage<VnBW8>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgLocalMeanThreshold",
                  [&] { Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&src, &dst, halfSize, offset); });
    return dst;
  });
}

}  // namespace

void AddThresholdCommands(std::vector<Command>& commands) {
  const Option colourOnly[] = {{"min", "0,0,0", "r,g,b lower corner of the box", {}, false, kPixels<VnC24>},
                               {"max", "255,255,255", "r,g,b upper corner of the box", {}, false, kPixels<VnC24>},
                               {"outside", "0", "value outside the box", {}, false, kPixels<VnC24>},
                               {"inside", "255", "value inside the box", {}, false, kPixels<VnC24>}};
  commands.push_back({"threshold", "IN OUT", "Binarise: pixels at or above the threshold become high, the others low",
                      {{"threshold", "auto", "a level (0 to the pixel type's top); auto: chosen by --mode", {}, false, kGrayPixels},
                       kMode, kFraction, {"low", "0", "value below the threshold", {}, false, kGrayPixels},
                       {"high", "max", "value at or above it", {}, false, kGrayPixels}, colourOnly[0], colourOnly[1],
                       colourOnly[2], colourOnly[3]},
                      Threshold,
                      "Gray images give gray images, or 1-bit images when OUT ends in .pbm; the automatic level\n"
                      "is printed (with --json, beside the output). Colour images give --inside where every\n"
                      "component lies within --min .. --max and --outside elsewhere.",
                      AlphaRule::Keep});
  commands.push_back({"auto-threshold", "IN", "Print the automatic threshold of an image", {kMode, kFraction}, AutoThreshold});
  commands.push_back({"double-threshold", "IN OUT", "Three levels: below, between and above two thresholds",
                      {{"low-threshold", "", "pixels below it get --low"},
                       {"high-threshold", "", "pixels above it get --high, the rest --middle"},
                       {"low", "0", "low value"}, {"middle", "half", "middle value"}, {"high", "max", "high value"}},
                      DoubleThreshold, "", AlphaRule::Keep});
  commands.push_back({"auto-adaptive-threshold", "IN OUT", "Map of local automatic thresholds, one per pixel",
                      {{"mode", "min-residue", "the mode in each tile", kThresholdModes},
                       {"tile-width", "64", "tile width in pixels", {}, false, kAnyPixels, Range{1, 1 << 20}},
                       {"tile-height", "0", "tile height (0: the width)", {}, false, kAnyPixels, Range{0, 1 << 20}}},
                      AutoAdaptiveThreshold,
                      "The map is a gray image; `vnimg oper IN MAP OUT --op greater-or-equal` binarises against it.",
                      AlphaRule::Keep});
  commands.push_back({"local-mean-threshold", "IN OUT", "255 where a pixel is at least its window's mean plus --offset",
                      {{"half-size", "7", "the window is 2 half-size + 1 pixels square", {}, false, kAnyPixels, Range{0, 1 << 20}},
                       {"offset", "0", "added to the mean", {}, false, kAnyPixels, Range{-255, 255}}},
                      LocalMeanThreshold, "", AlphaRule::Keep});
}

}  // namespace vnimg::tool
