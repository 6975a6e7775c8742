// `vnimg demo`: an inspection pipeline over the built-in scene or a given picture. Every
// stage is timed (the library calls only, not the file writing), writes its pictures as PNG
// and adds its numbers to the report.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.h"
#include "scene.h"

namespace vnimg::tool {
namespace {

namespace fs = std::filesystem;

struct StageResult {
  std::vector<std::pair<std::string, AnyImage>> pictures;
  Report values = Report::Group();

  template <class T>
  void Picture(std::string file, VnImage<T> image) {
    pictures.emplace_back(std::move(file), AnyImage{std::move(image), std::nullopt});
  }
};

struct Stage {
  const char* name;
  const char* description;
  std::function<StageResult(const VnImage<VnBW8>& gray)> run;
};

VnImage<VnBW8> ToGray(AnyImage& image) {
  VnImage<VnBW8> gray = NewImage<VnBW8>(image.Width(), image.Height());
  std::visit(
      [&]<class T>(VnImage<T>& pixels) {
        if constexpr (std::is_same_v<T, VnC24>) {
          KorvaneIDsp_RGBToGray_BW8_C3C1R(reinterpret_cast<const unsigned char*>(pixels.GetImagePtr(0, 0)),
                                          pixels.GetRowPitch(), gray.GetImagePtr(0, 0), gray.GetRowPitch(),
                                          pixels.GetWidth(), pixels.GetHeight());
        } else if constexpr (std::is_floating_point_v<T>) {
          ImgConvert(&pixels, &gray);  // rounded; negatives and NaN to 0, above 255 to 255
        } else {
          for (int y = 0; y < gray.GetHeight(); ++y)
            for (int x = 0; x < gray.GetWidth(); ++x) {
              const unsigned v = pixels.GetPixel(x, y);
              gray.SetPixel(static_cast<VnBW8>(std::is_same_v<T, VnBW1> ? v * 255 : std::is_same_v<T, VnBW16> ? v >> 8 : v), x, y);
            }
        }
      },
      image.pixels);
  return gray;
}

template <class T>
VnImage<T> SameSize(const VnROI<VnBW8>& gray) {
  return NewImage<T>(gray.GetWidth(), gray.GetHeight());
}

StageResult Histogram(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnBWHistogramVector hist;
  StageResult result;
  CallOperation("ImgHistogram", [&] { ImgHistogram(&src, &hist); });
  const std::pair<const char*, IMG_HISTOGRAM_FEATURE> features[] = {
      {"mode-value", IMG_HIST_MODE_VALUE}, {"first-used-value", IMG_HIST_FIRST_USED_VALUE},
      {"last-used-value", IMG_HIST_LAST_USED_VALUE}, {"mean", IMG_HIST_MEAN}, {"std-dev", IMG_HIST_STD_DEV}};
  for (const auto& [name, feature] : features) {
    float value = 0;
    CallOperation("ImgAnalyseHistogram", [&, feature = feature] { value = ImgAnalyseHistogram(&hist, feature); });
    result.values.Set(name, value);
  }
  float entropy = 0;
  CallOperation("VnBWHistogramVector::Entropy", [&] { entropy = hist.Entropy(0, 255); });
  result.values.Set("entropy", entropy);
  return result;
}

// One global automatic threshold: the level and class averages the mode selects, and the
// binarised picture.
Stage AutoThresholdStage(const EnumName& mode) {
  return {mode.name, "automatic global threshold (mode named by the stage)", [mode](const VnImage<VnBW8>& gray) {
            VnImage<VnBW8> src = gray;
            VnImage<VnBW8> dst = SameSize<VnBW8>(gray);
            VnBWHistogramVector hist;
            unsigned int threshold = static_cast<unsigned>(mode.value);
            float below = 0, above = 0;
            CallOperation("ImgHistogram", [&] { ImgHistogram(&src, &hist); });
            CallOperation("ImgHistogramThreshold", [&] { ImgHistogramThreshold(&hist, threshold, below, above); });
            CallOperation("ImgThreshold", [&] { ImgThreshold(&src, &dst, static_cast<unsigned>(mode.value)); });
            StageResult result;
            result.values.Set("threshold", threshold).Set("below-average", below).Set("above-average", above);
            result.Picture(std::string("threshold-") + mode.name + ".png", std::move(dst));
            return result;
          }};
}

// Table, parts and the darkest marks and holes as three levels, the two thresholds from the
// three-class minimum-residue split of the histogram.
StageResult DoubleThreshold(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> dst = SameSize<VnBW8>(gray);
  VnBWHistogramVector hist;
  VnBW8 low = 0, high = 0;
  float a0 = 0, a1 = 0, a2 = 0;
  CallOperation("ImgHistogram", [&] { ImgHistogram(&src, &hist); });
  CallOperation("ImgThreeLevelsMinResidueThreshold", [&] { ImgThreeLevelsMinResidueThreshold(&hist, low, high, a0, a1, a2); });
  CallOperation("ImgDoubleThreshold", [&] { ImgDoubleThreshold(&src, &dst, low, high); });
  StageResult result;
  result.values.Set("low-threshold", low).Set("high-threshold", high);
  result.Picture("double-threshold.png", std::move(dst));
  return result;
}

constexpr int kAdaptiveTile = 160;

// A surface of local thresholds from 160-pixel tiles, the picture binarised against it, and
// the result painted in red over the picture.
StageResult AdaptiveThreshold(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> map = SameSize<VnBW8>(gray), binary = SameSize<VnBW8>(gray);
  VnImage<VnC24> overlay = SameSize<VnC24>(gray);
  CallOperation("ImgAutoAdaptiveThreshold",
                [&] { ImgAutoAdaptiveThreshold(&src, &map, IMG_THRESHOLD_MIN_RESIDUE, kAdaptiveTile, kAdaptiveTile); });
  CallOperation("ImgOper", [&] { ImgOper(GreaterOrEqual, &src, &map, &binary); });
  CallOperation("ImgOper", [&] {
    ImgSetOverlayColor(VnC24{40, 40, 230});
    ImgOper(Overlay, &src, &binary, &overlay);
  });
  StageResult result;
  result.values.Set("tile", kAdaptiveTile);
  result.Picture("adaptive-threshold-map.png", std::move(map));
  result.Picture("adaptive-threshold.png", std::move(binary));
  result.Picture("adaptive-threshold-overlay.png", std::move(overlay));
  return result;
}

StageResult LocalMeanThreshold(const VnImage<VnBW8>& gray) {
  constexpr int kHalfSize = 45, kOffset = 12;
  VnImage<VnBW8> dst = SameSize<VnBW8>(gray);
  CallOperation("ImgLocalMeanThreshold",
                [&] { Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&gray, &dst, kHalfSize, kOffset); });
  StageResult result;
  result.values.Set("half-size", kHalfSize).Set("offset", kOffset);
  result.Picture("local-mean-threshold.png", std::move(dst));
  return result;
}

StageResult Rotation(const VnImage<VnBW8>& gray) {
  constexpr float kDegrees = 30;
  VnImage<VnBW8> dst = SameSize<VnBW8>(gray);
  const float cx = gray.GetWidth() / 2.0f, cy = gray.GetHeight() / 2.0f;
  CallOperation("ImgScaleRotate", [&] {
    const VN_ANGLE_UNIT previous = VnGetAngleUnit();
    VnSetAngleUnit(VN_ANGLE_DEGREES);
    ImgScaleRotate(&gray, cx, cy, cx, cy, 1.0f, 1.0f, kDegrees, &dst, 8);
    VnSetAngleUnit(previous);
  });
  StageResult result;
  result.values.Set("degrees", kDegrees).Set("interpolation-bits", 8);
  result.Picture("rotated.png", std::move(dst));
  return result;
}

StageResult Shrink(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> dst = NewImage<VnBW8>(std::max(1, gray.GetWidth() / 3), std::max(1, gray.GetHeight() / 3));
  CallOperation("ImgShrink", [&] { ImgShrink(&gray, &dst); });
  StageResult result;
  result.values.Set("width", dst.GetWidth()).Set("height", dst.GetHeight());
  result.Picture("shrunk.png", std::move(dst));
  return result;
}

// Kernel convolution: a 5x5 binomial smoothing (fixed point) and the Sobel X magnitude
// (rectifier 3) of the smoothed picture.
// The 5x5 binomial smoothing (1 4 6 4 1 on both axes, fixed point).
VnImage<VnBW8> Binomial5x5(const VnImage<VnBW8>& gray) {
  VnKernel binomial(5, 5, 1.0f, 0, 2, 0);
  const float axis[5] = {1, 4, 6, 4, 1};
  for (int n = 0; n < 25; ++n) binomial.GetDataPtr()[n] = axis[n % 5] * axis[n / 5];
  VnImage<VnBW8> smooth = SameSize<VnBW8>(gray);
  CallOperation("ImgConvolKernel", [&] { ImgConvolKernel(&gray, &smooth, &binomial); });
  return smooth;
}

StageResult KernelConvolution(const VnImage<VnBW8>& gray) {
  VnKernel sobel(KERNEL_SOBEL_X);
  sobel.SetRectifier(3);
  VnImage<VnBW8> smooth = Binomial5x5(gray), edges = SameSize<VnBW8>(gray);
  CallOperation("ImgConvolKernel", [&] { ImgConvolKernel(&smooth, &edges, &sobel); });
  StageResult result;
  result.values.Set("smoothing", "5x5 binomial").Set("edges", "Sobel X, absolute value");
  result.Picture("binomial-5x5.png", std::move(smooth));
  result.Picture("sobel-x-magnitude.png", std::move(edges));
  return result;
}

// Morphology: the parts thresholded against their neighbourhood's mean, closed then opened by
// a 3 x 3 box, which fills the dark specks the noise leaves in the metal and removes the
// bright ones on the table; and a black top-hat by a disk of radius 4, which keeps what is
// darker than its surroundings and narrower than the disk: the engraved marks, not the holes.
long long CountNonZero(const VnImage<VnBW8>& image) {
  long long count = 0;
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x) count += image.GetPixel(x, y) != 0;
  return count;
}

StageResult OpenThresholded(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> binary = SameSize<VnBW8>(gray), opened = SameSize<VnBW8>(gray);
  CallOperation("ImgLocalMeanThreshold",
                [&] { Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&src, &binary, 45, 12); });
  CallOperation("ImgCloseBox", [&] { ImgCloseBox(&binary, &opened, 1); });
  CallOperation("ImgOpenBox", [&] { ImgOpenBox(&opened, nullptr, 1); });
  StageResult result;
  result.values.Set("half-size", 1).Set("foreground-before", CountNonZero(binary)).Set("foreground-after", CountNonZero(opened));
  result.Picture("open-box-thresholded.png", std::move(binary));
  result.Picture("open-box.png", std::move(opened));
  return result;
}

StageResult MarksTopHat(const VnImage<VnBW8>& gray) {
  constexpr unsigned kRadius = 4;
  constexpr VnBW8 kLevel = 40;
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> hat = SameSize<VnBW8>(gray), marks = SameSize<VnBW8>(gray);
  CallOperation("ImgBlackTopHatDisk", [&] { ImgBlackTopHatDisk(&src, &hat, kRadius); });
  CallOperation("ImgThreshold", [&] { ImgThreshold(&hat, &marks, unsigned{kLevel}); });
  StageResult result;
  result.values.Set("radius", kRadius).Set("mark-level", kLevel).Set("mark-pixels", CountNonZero(marks));
  result.Picture("black-top-hat.png", std::move(hat));
  result.Picture("black-top-hat-marks.png", std::move(marks));
  return result;
}

// The foreground (the adaptive threshold's, which uneven light leaves clean) measured as one
// blob: its area, gravity centre and principal-axis angle from the binary inertia.
StageResult Foreground(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> map = SameSize<VnBW8>(gray), binary = SameSize<VnBW8>(gray);
  CallOperation("ImgAutoAdaptiveThreshold",
                [&] { ImgAutoAdaptiveThreshold(&src, &map, IMG_THRESHOLD_MIN_RESIDUE, kAdaptiveTile, kAdaptiveTile); });
  CallOperation("ImgOper", [&] { ImgOper(GreaterOrEqual, &src, &map, &binary); });
  float x = 0, y = 0, varX = 0, covXY = 0, varY = 0;
  unsigned int area = 0;
  CallOperation("ImgGravityCenter", [&] { ImgGravityCenter(&binary, 128, x, y); });
  CallOperation("ImgInertia", [&] { ImgInertia(&binary, 128, varX, covXY, varY, nullptr, nullptr, &area); });
  const double degrees = 0.5 * std::atan2(2.0 * covXY, double(varX) - varY) * 180 / 3.14159265358979323846;
  StageResult result;
  result.values.Set("area", area).Set("gravity-center-x", x).Set("gravity-center-y", y);
  result.values.Set("var-x", varX).Set("cov-xy", covXY).Set("var-y", varY).Set("principal-axis-degrees", degrees);
  result.Picture("foreground.png", std::move(binary));
  return result;
}

// The focus measure of the picture and of its 5x5 binomial smoothing, which must read lower.
StageResult Focus(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> smooth = Binomial5x5(gray);
  float sharp = 0, smoothed = 0;
  CallOperation("ImgFocusing", [&] { sharp = ImgFocusing(&src), smoothed = ImgFocusing(&smooth); });
  StageResult result;
  result.values.Set("focus", sharp).Set("focus-smoothed", smoothed).Set("smoothing", "5x5 binomial");
  result.Picture("smoothed.png", std::move(smooth));
  return result;
}

// Runs of the pixels whose binary pixel is set (or clear), row by row, as mask runs of an image
// of the binary's size.
std::vector<VnRun> RunsWhere(const VnImage<VnBW8>& binary, bool set) {
  std::vector<VnRun> runs;
  const auto pitch = static_cast<std::uint32_t>(binary.GetRowPitch());
  for (int y = 0; y < binary.GetHeight(); ++y)
    for (int x = 0; x < binary.GetWidth();) {
      const int start = x;
      while (x < binary.GetWidth() && (binary.GetPixel(x, y) != 0) == set) ++x;
      if (x == start) ++x;
      else runs.push_back({y * pitch + start, y * pitch + x, static_cast<std::int16_t>(start), static_cast<std::int16_t>(y)});
    }
  return runs;
}

// The foreground (at or above the minimum-residue threshold): its area, and the mean gray level
// inside and outside it through mask runs; the picture keeps the foreground and blacks out the rest.
StageResult ForegroundStatistics(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> binary = SameSize<VnBW8>(gray), kept = SameSize<VnBW8>(gray);
  VnBW8 threshold = 0;
  int area = 0;
  CallOperation("ImgAutoThreshold", [&] { threshold = ImgAutoThreshold(&src, IMG_THRESHOLD_MIN_RESIDUE); });
  CallOperation("ImgArea", [&] { ImgArea(&src, threshold, area); });
  CallOperation("ImgThreshold", [&] { ImgThreshold(&src, &binary, threshold); });
  CallOperation("ImgOper", [&] { ImgOper(Min, &src, &binary, &kept); });
  StageResult result;
  result.values.Set("threshold", threshold).Set("foreground-area", area)
      .Set("foreground-fraction", static_cast<double>(area) / (static_cast<double>(gray.GetWidth()) * gray.GetHeight()));
  for (const bool inside : {true, false}) {
    const std::vector<VnRun> runs = RunsWhere(binary, inside);
    src.SetMaskRuns(runs.data(), static_cast<unsigned>(runs.size()));
    unsigned count = 0;
    float mean = 0;
    CallOperation("ImgAverage", [&] { mean = ImgAverage(&src, &count); });
    result.values.Set(inside ? "mean-inside" : "mean-outside", mean).Set(inside ? "pixels-inside" : "pixels-outside", count);
  }
  src.ClearMaskRuns();
  float deviation = 0, average = 0;
  CallOperation("ImgPixelStdDev", [&] { ImgPixelStdDev(&src, deviation, average); });
  result.values.Set("mean", average).Set("std-dev", deviation);
  result.Picture("foreground-gray.png", std::move(kept));
  return result;
}

// Conversions in a chain: gray through 5-6-5 colour and back to colour (the quantisation
// shows as bands), and the top bit alone as a bit image (through 16 bits and a shift of 15).
StageResult Conversions(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray, topBit = SameSize<VnBW8>(gray);
  VnImage<VnC16> words = SameSize<VnC16>(gray);
  VnImage<VnC24> colour = SameSize<VnC24>(gray);
  VnImage<VnBW16> wide = SameSize<VnBW16>(gray);
  VnImage<VnBW1> bits = SameSize<VnBW1>(gray);
  CallOperation("ImgConvert", [&] { ImgConvert(&src, &words), ImgConvert(&words, &colour); });
  CallOperation("ImgConvert", [&] { ImgConvert(&src, &wide, 8), ImgConvert(&wide, &topBit, 15), ImgConvert(&topBit, &bits); });
  StageResult result;
  result.values.Set("bit-shift", 15);
  result.Picture("convert-c16.png", std::move(colour));
  result.Picture("convert-top-bit.png", std::move(bits));
  return result;
}

// Gradient modulus through the 512 x 512 table (doubled, so that soft edges show), its direction
// codes, and the local deviation over a 7 x 7 window: texture and edges light up, flat parts go dark.
StageResult Gradients(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> modulusTable, argumentTable, modulus = SameSize<VnBW8>(gray), direction = SameSize<VnBW8>(gray);
  VnImage<VnBW8> deviation = SameSize<VnBW8>(gray);
  CallOperation("ImgModulusImage", [&] { ImgModulusImage(&modulusTable, 2.0f); });
  CallOperation("ImgArgumentImage", [&] { ImgArgumentImage(&argumentTable, 0, 0.0f); });
  CallOperation("ImgGradientScalar", [&] { ImgGradientScalar(&gray, &modulus, &modulusTable); });
  CallOperation("ImgGradientScalar", [&] { ImgGradientScalar(&gray, &direction, &argumentTable); });
  CallOperation("ImgLocalDeviation", [&] { ImgLocalDeviation(&gray, &deviation, 3, 3); });
  StageResult result;
  result.values.Set("modulus-gain", 2.0).Set("deviation-half-size", 3);
  result.Picture("gradient-modulus.png", std::move(modulus));
  result.Picture("gradient-direction.png", std::move(direction));
  result.Picture("local-deviation.png", std::move(deviation));
  return result;
}

// The foreground's parts cleaned by a bi-level opening, thinned to a skeleton by the thinning
// pattern turned an eighth after every pass until a whole turn changes nothing; and the
// city-block distance to the parts' boundary on both sides, stretched eight times to be seen.
VnImage<VnBW8> CleanParts(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray;
  VnImage<VnBW8> map = SameSize<VnBW8>(gray), binary = SameSize<VnBW8>(gray);
  CallOperation("ImgAutoAdaptiveThreshold",
                [&] { ImgAutoAdaptiveThreshold(&src, &map, IMG_THRESHOLD_MIN_RESIDUE, kAdaptiveTile, kAdaptiveTile); });
  CallOperation("ImgOper", [&] { ImgOper(GreaterOrEqual, &src, &map, &binary); });
  CallOperation("ImgBiLevelOpenDisk", [&] { ImgBiLevelOpenDisk(&binary, nullptr, 2); });
  return binary;
}

StageResult Skeleton(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> parts = CleanParts(gray), skeleton = SameSize<VnBW8>(gray);
  VnKernel pattern(KERNEL_THINNING);
  int turns = 0;
  CallOperation("ImgBiLevelThin", [&] { ImgBiLevelThin(&parts, &skeleton, &pattern, KERNEL_ROTATION_CLOCKWISE, turns); });
  StageResult result;
  result.values.Set("turns", turns).Set("part-pixels", CountNonZero(parts)).Set("skeleton-pixels", CountNonZero(skeleton));
  result.Picture("skeleton-parts.png", std::move(parts));
  result.Picture("skeleton.png", std::move(skeleton));
  return result;
}

StageResult DistanceMap(const VnImage<VnBW8>& gray) {
  constexpr unsigned kMaximum = 31;
  VnImage<VnBW8> parts = CleanParts(gray), map = SameSize<VnBW8>(gray), shown = SameSize<VnBW8>(gray);
  CallOperation("ImgComputeDistanceMap", [&] { ImgComputeDistanceMap(&parts, &map, kMaximum); });
  CallOperation("ImgOper", [&] { ImgOper(Multiply, &map, VnBW8{8}, &shown); });
  StageResult result;
  result.values.Set("maximum", kMaximum).Set("stretch", 8);
  result.Picture("distance-map.png", std::move(shown));
  return result;
}

// Flat-field uniformisation: the light's fall-off estimated by block means over 32-pixel
// blocks (ImgShrink) enlarged back bilinearly (ImgScaleRotate), then each pixel multiplied by
// the reference's mean over the reference (ImgUniformize, multiplicative). The minimum-residue
// global threshold of the picture before and after shows the effect.
VnImage<VnBW8> LightReference(const VnImage<VnBW8>& gray) {
  constexpr int kBlock = 32;
  VnImage<VnBW8> blocks = NewImage<VnBW8>(std::max(1, gray.GetWidth() / kBlock), std::max(1, gray.GetHeight() / kBlock));
  VnImage<VnBW8> light = SameSize<VnBW8>(gray);
  CallOperation("ImgShrink", [&] { ImgShrink(&gray, &blocks); });
  const float sx = float(gray.GetWidth()) / blocks.GetWidth(), sy = float(gray.GetHeight()) / blocks.GetHeight();
  CallOperation("ImgScaleRotate", [&] {
    ImgScaleRotate(&blocks, blocks.GetWidth() / 2.0f, blocks.GetHeight() / 2.0f, gray.GetWidth() / 2.0f, gray.GetHeight() / 2.0f,
                   sx, sy, 0.0f, &light, 8);
  });
  return light;
}

StageResult FlatField(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray, light = LightReference(gray), flat = SameSize<VnBW8>(gray);
  float average = 0;
  CallOperation("ImgPixelAverage", [&] { ImgPixelAverage(&light, average); });
  const auto level = static_cast<VnBW8>(std::lround(average));
  CallOperation("ImgUniformize", [&] { ImgUniformize(&src, level, &light, &flat, 1); });
  StageResult result;
  result.values.Set("reference", "32-pixel block means, enlarged bilinearly").Set("level", level);
  for (auto& [name, image] : {std::pair{"before", &src}, std::pair{"after", &flat}}) {
    VnImage<VnBW8> binary = SameSize<VnBW8>(gray);
    VnBW8 threshold = 0;
    CallOperation("ImgAutoThreshold", [&, image = image] { threshold = ImgAutoThreshold(image, IMG_THRESHOLD_MIN_RESIDUE); });
    CallOperation("ImgThreshold", [&, image = image] { ImgThreshold(image, &binary, threshold); });
    result.values.Set(std::string("threshold-") + name, threshold);
    result.Picture(std::string("flat-field-threshold-") + name + ".png", std::move(binary));
  }
  result.Picture("flat-field-reference.png", std::move(light));
  result.Picture("flat-field.png", std::move(flat));
  return result;
}

// Smoothing before a threshold: a binomial of half-size 2 quiets the noise the threshold would
// otherwise break into specks; the automatic threshold of both pictures for comparison.
StageResult SmoothedThreshold(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray, smooth = SameSize<VnBW8>(gray), binary = SameSize<VnBW8>(gray);
  VnBW8 before = 0, after = 0;
  CallOperation("ImgConvolGaussian", [&] { ImgConvolGaussian(&src, &smooth, 2, 2); });
  CallOperation("ImgAutoThreshold", [&] { before = ImgAutoThreshold(&src, IMG_THRESHOLD_MIN_RESIDUE); });
  CallOperation("ImgAutoThreshold", [&] { after = ImgAutoThreshold(&smooth, IMG_THRESHOLD_MIN_RESIDUE); });
  CallOperation("ImgThreshold", [&] { ImgThreshold(&smooth, &binary, after); });
  StageResult result;
  result.values.Set("threshold-raw", before).Set("threshold-smoothed", after);
  result.Picture("gaussian-2.png", std::move(smooth));
  result.Picture("threshold-smoothed.png", std::move(binary));
  return result;
}

// The Sobel magnitude |Sobel X| + |Sobel Y| of the smoothed picture: the part outlines.
StageResult SobelEdges(const VnImage<VnBW8>& gray) {
  VnImage<VnBW8> src = gray, smooth = SameSize<VnBW8>(gray), edges = SameSize<VnBW8>(gray);
  CallOperation("ImgConvolGaussian3x3", [&] { ImgConvolGaussian3x3(&src, &smooth); });
  CallOperation("ImgConvolSobel", [&] { ImgConvolSobel(&smooth, &edges); });
  StageResult result;
  result.Picture("sobel.png", std::move(edges));
  return result;
}

// Canny edges of the parts: 5x5 Gaussian smoothing, thresholds from the suppressed magnitudes,
// both ways of following (the thresholds are the same for both); on a black picture, so that
// only the edges show.
StageResult CannyEdges(const VnImage<VnBW8>& gray) {
  StageResult result;
  const std::pair<const char*, EDGE_FOLLOWING_MODE> modes[] = {{"hysteresis", EDGE_FOLLOWING_HYSTERESIS},
                                                               {"contour-growing", EDGE_FOLLOWING_CONTOUR_GROWING}};
  for (const auto& [name, mode] : modes) {
    VnImage<VnBW8> edges = SameSize<VnBW8>(gray);
    VnCannyThresholds chosen;
    CallOperation("ImgCannyDetector", [&, mode = mode] { ImgCannyDetector(&gray, &edges, SMOOTH_GAUSSIAN_5X5, mode, &chosen); });
    if (mode == EDGE_FOLLOWING_HYSTERESIS) result.values.Set("low", int{chosen.low}).Set("high", int{chosen.high});
    result.Picture(std::string("canny-") + name + ".png", std::move(edges));
  }
  return result;
}

std::vector<Stage> Stages() {
  std::vector<Stage> stages{{"histogram", "histogram features of the picture", Histogram}};
  for (const EnumName& mode : kThresholdModes) stages.push_back(AutoThresholdStage(mode));
  stages.push_back({"double-threshold", "three levels from the three-class minimum-residue thresholds", DoubleThreshold});
  stages.push_back({"adaptive-threshold", "local automatic thresholds against uneven light", AdaptiveThreshold});
  stages.push_back({"local-mean-threshold", "pixels brighter than their neighbourhood's mean", LocalMeanThreshold});
  stages.push_back({"rotation", "rotated 30 degrees about the centre, bilinear", Rotation});
  stages.push_back({"shrink", "block means down to a third of the size", Shrink});
  stages.push_back({"kernel-convolution", "5x5 binomial smoothing, then the Sobel X magnitude", KernelConvolution});
  stages.push_back({"open-box", "thresholded parts closed and opened by a 3 x 3 box: the noise specks go", OpenThresholded});
  stages.push_back({"black-top-hat-disk", "black top-hat by a disk of radius 4: the dark marks stand out", MarksTopHat});
  stages.push_back({"foreground", "area, gravity centre and principal axis of the thresholded foreground", Foreground});
  stages.push_back({"focus", "focus measure of the picture and of a smoothed copy", Focus});
  stages.push_back({"foreground-statistics", "area of the foreground and the mean gray inside and outside it", ForegroundStatistics});
  stages.push_back({"conversions", "gray through 5-6-5 colour, and its top bit as a bit image", Conversions});
  stages.push_back({"gradients", "gradient modulus and direction through lookup tables, local deviation 7 x 7", Gradients});
  stages.push_back({"skeleton", "the cleaned parts thinned to a skeleton by the rotated thinning pattern", Skeleton});
  stages.push_back({"distance-map", "city-block distance to the parts' boundary, both sides, stretched x8", DistanceMap});
  stages.push_back({"flat-field", "uniformised against a blurred light reference, thresholded before and after", FlatField});
  stages.push_back({"smoothed-threshold", "binomial smoothing of half-size 2, then the minimum-residue threshold", SmoothedThreshold});
  stages.push_back({"sobel", "Sobel magnitude of the 3x3 binomial-smoothed picture", SobelEdges});
  stages.push_back({"canny", "Canny edges of the parts after 5x5 Gaussian smoothing (hysteresis, contour growing)", CannyEdges});
  return stages;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

void RunDemo(Invocation& call) {
  call.ExpectArguments(0, 1);
  const fs::path folder = call.Text("out");
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw FileError(folder.string() + ": cannot create the folder (" + error.message() + ")");

  Report stages = Report::List();
  std::vector<std::string> written;
  auto record = [&](const char* name, const char* description, double ms, StageResult& result) {
    Report files = Report::List();
    for (auto& [file, picture] : result.pictures) {
      const fs::path path = folder / file;
      WriteImage(path.string(), picture, call.common().write);
      files.Add(path.string());
      written.push_back(path.string());
    }
    stages.Add(Report::Group()
                   .Set("stage", name)
                   .Set("what", description)
                   .Set("ms", std::round(ms * 1000) / 1000)
                   .Set("pictures", std::move(files))
                   .Set("values", std::move(result.values)));
  };

  const auto start = std::chrono::steady_clock::now();
  StageResult input;
  VnImage<VnBW8> gray;
  if (call.ArgumentCount() == 1) {
    AnyImage image = call.Read(0);
    input.values.Set("source", call.Argument(0)).Set("pixels", PixelTypeName(image.pixels));
    gray = ToGray(image);
  } else {
    gray = MakeInspectionScene();
    input.values.Set("source", "built-in scene");
  }
  input.values.Set("width", gray.GetWidth()).Set("height", gray.GetHeight());
  const double inputMs = Milliseconds(std::chrono::steady_clock::now() - start);
  input.Picture("00-input.png", gray);
  record("input", "the picture every stage works on, as 8-bit gray", inputMs, input);

  const std::vector<Stage> all = Stages();
  for (std::size_t i = 0; i < all.size(); ++i) {
    const auto begin = std::chrono::steady_clock::now();
    StageResult result = all[i].run(gray);
    const double ms = Milliseconds(std::chrono::steady_clock::now() - begin);
    record(all[i].name, all[i].description, ms, result);
    call.Progress("stage " + std::to_string(i + 1) + " of " + std::to_string(all.size()) + ", " + all[i].name + ": " +
                      std::to_string(static_cast<long long>(std::round(ms))) + " ms, pictures written",
                  true);
  }

  const Report report = Report::Group().Set("folder", folder.string()).Set("stages", std::move(stages));
  std::ostringstream text, json;
  report.WriteText(text);
  report.WriteJson(json);
  for (const auto& [file, content] : {std::pair{"report.txt", text.str()}, std::pair{"report.json", json.str()}}) {
    const fs::path path = folder / file;
    std::ofstream(path) << content;
    written.push_back(path.string());
  }
  call.Print(report);
  if (!call.json())
    call.out() << "\nThe demo wrote " << written.size() << " files; the pictures are in " << fs::absolute(folder).string()
               << "\n";
}

}  // namespace

void AddDemoCommand(std::vector<Command>& commands) {
  commands.push_back({"demo", "[IMAGE]", "Run the inspection demo and write every stage as a PNG",
                      {{"out", "vnimg-demo", "folder for the pictures and report.txt / report.json"}},
                      RunDemo,
                      "Without IMAGE the demo draws its own scene: machined parts with holes and marks on a\n"
                      "table under uneven light, with noise. Colour and 16-bit pictures are turned into\n"
                      "8-bit gray first. Each stage lists its pictures, its numbers and its time in ms."});
}

}  // namespace vnimg::tool
