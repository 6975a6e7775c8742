// Gradients through a modulus or argument table, and the local standard deviation. A gradient
// vector image has no file format of its own, so the tool offers no gradient-vector command.
#include <cmath>

#include "cli.h"

namespace vnimg::tool {
namespace {

const EnumName kTables[] = {{"modulus", 0}, {"argument", 1}};

const std::vector<Option> kScalarOptions = {
    {"table", "modulus", "modulus (gradient magnitude) or argument (direction code)", kTables},
    {"gain", "1", "modulus table: the magnitude's factor"},
    {"offset", "0", "argument table: added to the direction code (0 to 255, 16-bit images 0 to 65535)"},
    {"period", "0", "argument table: the turn, in degrees, that the codes span once (0: 360)"},
};

// The table the options ask for, in the image's pixel type (a VnBW16 table holds the gradients
// quantised to 256 levels a cell).
template <class T>
VnImage<T> Table(const Invocation& call) {
  const bool argument = call.Enum("table", 0, 1) == 1;
  if (argument && call.Given("gain")) throw UsageError("--gain applies to --table modulus only");
  if (!argument && (call.Given("offset") || call.Given("period"))) throw UsageError("--offset and --period apply to --table argument only");
  VnImage<T> table;
  if (!argument) {
    const double gain = call.Real("gain");
    CallOperation("ImgModulusImage", [&] { ImgModulusImage(&table, static_cast<float>(gain)); });
    return table;
  }
  const auto offset = static_cast<T>(call.Integer("offset", 0, sizeof(T) == 1 ? 255 : 65535));
  const double period = call.Real("period");
  const VN_ANGLE_UNIT previous = VnGetAngleUnit();
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  CallOperation("ImgArgumentImage", [&] { ImgArgumentImage(&table, offset, static_cast<float>(period)); });
  VnSetAngleUnit(previous);
  return table;
}

void GradientScalar(Invocation& call) {
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    const VnImage<T> table = Table<T>(call);
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgGradientScalar", [&] { ImgGradientScalar(&src, &dst, &table); });
    return dst;
  });
}

void LocalAverage(Invocation& call) {
  const auto halfX = static_cast<unsigned>(call.Integer("half-x", 0, 0xFFFFFFFEll));
  const auto halfY = call.Text("half-y") == "same" ? halfX : static_cast<unsigned>(call.Integer("half-y", 0, 0xFFFFFFFEll));
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgLocalAverage", [&] { ImgLocalAverage(&src, &dst, halfX, halfY); });
    return dst;
  });
}

void LocalDeviation(Invocation& call) {
  const auto halfX = static_cast<unsigned>(call.Integer("half-x", 0, 32767));
  const auto halfY = call.Text("half-y") == "same" ? halfX : static_cast<unsigned>(call.Integer("half-y", 0, 32767));
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgLocalDeviation", [&] { ImgLocalDeviation(&src, &dst, halfX, halfY); });
    return dst;
  });
}

}  // namespace

void AddGradientCommands(std::vector<Command>& commands) {
  commands.push_back({"gradient-scalar", "IN OUT", "Map each pixel's central-difference gradient through a modulus or argument table",
                      kScalarOptions, GradientScalar,
                      "gx = left - right and gy = above - below neighbour, edges replicated. The modulus table gives\n"
                      "min(max, sqrt(gx^2 + gy^2) x gain rounded); the argument table the direction from +x towards +y\n"
                      "(downwards) as a code of 256 (16-bit images: 65536) per period, plus the offset; a flat pixel gives 0.\n"
                      "16-bit gradients are rounded to multiples of 256 before the lookup.",
                      AlphaRule::Keep});
  commands.push_back({"local-average", "IN OUT", "Mean over a (2 half-x + 1) x (2 half-y + 1) window (the uniform box filter)",
                      {{"half-x", "1", "the window is 2 half-x + 1 pixels wide", {}, false, kAnyPixels, Range{0, 4294967294.0}},
                       {"half-y", "same", "the window is 2 half-y + 1 pixels high (same: half-x)"}},
                      LocalAverage, "Rows and columns beyond the image repeat its edges; the result is truncated.", AlphaRule::Keep});
  commands.push_back({"local-deviation", "IN OUT", "Population standard deviation over a (2 half-x + 1) x (2 half-y + 1) window",
                      {{"half-x", "1", "the window is 2 half-x + 1 pixels wide (at most 32767)", {}, false, kAnyPixels, Range{0, 32767}},
                       {"half-y", "same", "the window is 2 half-y + 1 pixels high (same: half-x)"}},
                      LocalDeviation, "Rows and columns beyond the image repeat its edges; the result is truncated.", AlphaRule::Keep});
}

}  // namespace vnimg::tool
