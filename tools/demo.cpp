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
    CallOperation("ImgAnalyseHistogram", [&] { value = ImgAnalyseHistogram(&hist, feature); });
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

std::vector<Stage> Stages() {
  std::vector<Stage> stages{{"histogram", "histogram features of the picture", Histogram}};
  for (const EnumName& mode : kThresholdModes) stages.push_back(AutoThresholdStage(mode));
  stages.push_back({"double-threshold", "three levels from the three-class minimum-residue thresholds", DoubleThreshold});
  stages.push_back({"adaptive-threshold", "local automatic thresholds against uneven light", AdaptiveThreshold});
  stages.push_back({"local-mean-threshold", "pixels brighter than their neighbourhood's mean", LocalMeanThreshold});
  stages.push_back({"rotation", "rotated 30 degrees about the centre, bilinear", Rotation});
  stages.push_back({"shrink", "block means down to a third of the size", Shrink});
  stages.push_back({"conversions", "gray through 5-6-5 colour, and its top bit as a bit image", Conversions});
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
      WriteImage(path.string(), picture);
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

  for (const Stage& stage : Stages()) {
    const auto begin = std::chrono::steady_clock::now();
    StageResult result = stage.run(gray);
    record(stage.name, stage.description, Milliseconds(std::chrono::steady_clock::now() - begin), result);
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
