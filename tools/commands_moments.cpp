// Moments and measurements: moments, gravity centre, centroid, inertia, focus, correlogram,
// regression and noise. Each prints its numbers (text or --json); the correlogram writes an image.
#include "cli.h"

namespace vnimg::tool {
namespace {

const EnumName kReferenceNoise[] = {
    {"noise-free", IMG_REFERENCE_NOISE_FREE},
    {"independent", IMG_REFERENCE_INDEPENDENT},
    {"includes-source", IMG_REFERENCE_INCLUDES_SOURCE},
};

const char* const kMomentNames[] = {"m00", "m10", "m01", "m20", "m11", "m02", "m30", "m21",
                                    "m12", "m03", "m40", "m31", "m22", "m13", "m04"};

Report MomentReport(const float* m, int order) {
  Report report = Report::Group();
  for (int i = 0; i < (order + 1) * (order + 2) / 2; ++i) report.Set(kMomentNames[i], m[i]);
  return report;
}

unsigned Threshold(const Invocation& call) { return static_cast<unsigned>(call.Integer("threshold", 0, 0xFFFFFFFFll)); }

void BinaryMoments(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  const int order = static_cast<int>(call.Integer("order", 1, 2));
  const unsigned threshold = Threshold(call);
  float m[6] = {};
  WithPixels<VnBW8, VnBW16>(call, image, [&](auto& src) {
    CallOperation("ImgBinaryMoments", [&] {
      if (order == 1) ImgBinaryMoments(&src, threshold, m[0], m[1], m[2]);
      else ImgBinaryMoments(&src, threshold, m[0], m[1], m[2], m[3], m[4], m[5]);
    });
  });
  call.Print(MomentReport(m, order));
}

void WeightedMoments(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  const int order = static_cast<int>(call.Integer("order", 1, 4));
  float m[15] = {};
  WithPixels<VnBW8, VnBW16>(call, image, [&](auto& src) {
    CallOperation("ImgWeightedMoments", [&] {
      if (order == 1) ImgWeightedMoments(&src, m[0], m[1], m[2]);
      else if (order == 2) ImgWeightedMoments(&src, m[0], m[1], m[2], m[3], m[4], m[5]);
      else if (order == 3) ImgWeightedMoments(&src, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9]);
      else ImgWeightedMoments(&src, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14]);
    });
  });
  call.Print(MomentReport(m, order));
}

void GravityCenter(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  const unsigned threshold = Threshold(call);
  float x = 0, y = 0;
  WithPixels<VnBW8, VnBW16>(call, image, [&](auto& src) { CallOperation("ImgGravityCenter", [&] { ImgGravityCenter(&src, threshold, x, y); }); });
  call.Print(Report::Group().Set("x", x).Set("y", y));
}

void Centroid(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  float x = 0, y = 0;
  WithPixels<VnBW8>(call, image, [&](auto& src) { CallOperation("ImgCentroid", [&] { ImgCentroid(&src, x, y); }); });
  call.Print(Report::Group().Set("x", x).Set("y", y));
}

// Binary with --threshold, weighted by the pixel values otherwise.
void Inertia(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  float varX = 0, covXY = 0, varY = 0, cx = 0, cy = 0;
  unsigned int mass = 0;
  WithPixels<VnBW8>(call, image, [&](auto& src) {
    CallOperation("ImgInertia", [&] {
      if (call.Given("threshold")) ImgInertia(&src, Threshold(call), varX, covXY, varY, &cx, &cy, &mass);
      else ImgInertia(&src, varX, covXY, varY, &cx, &cy, &mass, nullptr);
    });
  });
  call.Print(Report::Group().Set("var-x", varX).Set("cov-xy", covXY).Set("var-y", varY).Set("center-x", cx).Set("center-y", cy).Set(call.Given("threshold") ? "count" : "mass", mass));
}

void Focusing(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  float focus = 0;
  WithPixels<VnBW8, VnBW16, VnC24>(call, image, [&](auto& src) { CallOperation("ImgFocusing", [&] { focus = ImgFocusing(&src); }); });
  call.Print(Report::Group().Set("focus", focus));
}

// Both inputs as 8-bit gray images.
template <class F>
void WithGrayPair(Invocation& call, F&& f) {
  AnyImage a = call.Read(0), b = call.Read(1);
  WithPixels<VnBW8>(call, a, [&](VnImage<VnBW8>& first) { WithPixels<VnBW8>(call, b, [&](VnImage<VnBW8>& second) { f(first, second); }); });
}

void Correlogram(Invocation& call) {
  call.ExpectArguments(3, 3);
  const long long bits = call.Integer("bits", 8, 16);
  if (bits != 8 && bits != 16) throw UsageError("--bits is 8 or 16");
  WithGrayPair(call, [&](VnImage<VnBW8>& a, VnImage<VnBW8>& b) {
    if (bits == 8) {
      VnImage<VnBW8> dst;
      CallOperation("ImgCorrelogram", [&] { ImgCorrelogram(&a, &b, &dst); });
      call.Write(2, std::move(dst));
    } else {
      VnImage<VnBW16> dst;
      CallOperation("ImgCorrelogram", [&] { ImgCorrelogram(&a, &b, &dst); });
      call.Write(2, std::move(dst));
    }
  });
}

void LinearRegression(Invocation& call) {
  call.ExpectArguments(2, 2);
  float slope = 0, offset = 0, correlation = 0;
  WithGrayPair(call, [&](VnImage<VnBW8>& x, VnImage<VnBW8>& y) {
    CallOperation("ImgLinearRegression", [&] { ImgLinearRegression(&x, &y, slope, offset, correlation, call.Flag("skip-extremes")); });
  });
  call.Print(Report::Group().Set("slope", slope).Set("offset", offset).Set("correlation", correlation));
}

// RMS noise or signal-to-noise ratio: same-type pairs, or an 8-bit source against a 16-bit
// reference holding the sum of --n frames.
template <class Measure>
void Noise(Invocation& call, const char* name, Measure measure) {
  call.ExpectArguments(2, 2);
  AnyImage src = call.Read(0), ref = call.Read(1);
  const auto mode = static_cast<IMG_REFERENCE_NOISE>(call.Enum("mode", 0, 2));
  const auto n = static_cast<unsigned>(call.Integer("n", 0, 0xFFFFFFFFll));
  float value = 0;
  WithPixels<VnBW8, VnBW16, VnC24>(call, src, [&]<class S>(VnImage<S>& s) {
    WithPixels<VnBW8, VnBW16, VnC24>(call, ref, [&]<class R>(VnImage<R>& r) {
      if constexpr (std::is_same_v<S, VnBW8> && std::is_same_v<R, VnBW16>) {
        CallOperation(name, [&] { value = measure(&s, &r, n, mode); });
      } else if constexpr (std::is_same_v<S, R>) {
        if (call.Given("n")) throw UsageError("--n applies to an 8-bit source with a 16-bit reference only");
        CallOperation(name, [&] { value = measure(&s, &r, 1, mode); });
      } else {
        throw UsageError(call.command().name + " cannot compare a " + kPixelTypeName<S> + " source with a " + kPixelTypeName<R> + " reference");
      }
    });
  });
  call.Print(value);
}

struct RmsNoise {
  template <class S, class R>
  float operator()(VnImage<S>* s, VnImage<R>* r, unsigned n, IMG_REFERENCE_NOISE mode) const {
    if constexpr (std::is_same_v<S, R>) return ImgRmsNoise(s, r, mode);
    else return ImgRmsNoise(s, r, n, mode);
  }
};
struct SignalNoiseRatio {
  template <class S, class R>
  float operator()(VnImage<S>* s, VnImage<R>* r, unsigned n, IMG_REFERENCE_NOISE mode) const {
    if constexpr (std::is_same_v<S, R>) return ImgSignalNoiseRatio(s, r, mode);
    else return ImgSignalNoiseRatio(s, r, n, mode);
  }
};

const Option kThresholdOption{"threshold", "128", "pixels at or above it count"};
const Option kModeOption{"mode", "noise-free", "what the reference is", kReferenceNoise};
const Option kFramesOption{"n", "1", "8-bit source, 16-bit reference: the reference sums n frames (a power of two to 256)"};

}  // namespace

void AddMomentsCommands(std::vector<Command>& commands) {
  commands.push_back({"binary-moments", "IN", "Moments of the pixels at or above a threshold",
                      {kThresholdOption, {"order", "2", "1 or 2"}}, BinaryMoments});
  commands.push_back({"weighted-moments", "IN", "Moments weighted by the pixel values", {{"order", "2", "1 to 4"}}, WeightedMoments});
  commands.push_back({"gravity-center", "IN", "Centre of the pixels at or above a threshold", {kThresholdOption}, GravityCenter});
  commands.push_back({"centroid", "IN", "Centre weighted by the pixel values", {}, Centroid});
  commands.push_back({"inertia", "IN", "Second-order inertia, centre and mass",
                      {{"threshold", "128", "given: binary inertia of the pixels at or above it; otherwise weighted by the values"}},
                      Inertia});
  commands.push_back({"focusing", "IN", "Focus measure: RMS of the right and lower differences", {}, Focusing});
  commands.push_back({"correlogram", "A B OUT", "Joint histogram: column a, row 255 - b",
                      {{"bits", "8", "8 or 16: the counts' image depth (they saturate)"}}, Correlogram});
  commands.push_back({"linear-regression", "A B", "Line b = slope a + offset and correlation",
                      {{"skip-extremes", "", "leave out pairs holding a 0 or a 255", {}, true}}, LinearRegression});
  commands.push_back({"rms-noise", "SRC REF", "RMS difference to a reference", {kModeOption, kFramesOption},
                      [](Invocation& call) { Noise(call, "ImgRmsNoise", RmsNoise{}); }});
  commands.push_back({"signal-noise-ratio", "SRC REF", "Signal-to-noise ratio in dB against a reference", {kModeOption, kFramesOption},
                      [](Invocation& call) { Noise(call, "ImgSignalNoiseRatio", SignalNoiseRatio{}); }});
}

}  // namespace vnimg::tool
