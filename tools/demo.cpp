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

std::vector<Stage> Stages() {
  return {};
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
