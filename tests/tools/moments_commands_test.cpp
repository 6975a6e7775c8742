// Every moment and measurement subcommand against the library call it stands for, one row per
// command; the refusals that name an option or a pixel type.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;
std::string Value(float v) { return tool::Report(v).Dump(); }

class MomentsCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    for (const auto& [name, image] : std::initializer_list<std::pair<const char*, tool::ImageVariant>>{
             {"a.png", a}, {"b.png", b}, {"wide.pgm", wide}, {"colour.png", colour}})
      tool::WriteImage(Path(name), tool::AnyImage{image, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17), b = RandomImage<VnBW8>(rng, 29, 17);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 29, 17);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 29, 17);
};

// "name: value" lines of a text report.
std::string Lines(std::initializer_list<std::pair<const char*, float>> values) {
  std::string text;
  for (const auto& [name, value] : values) text += std::string(name) + ": " + Value(value) + "\n";
  return text;
}

TEST_F(MomentsCommandsTest, PrintsMatchTheLibrary) {
  const std::string A = Path("a.png"), B = Path("b.png"), W = Path("wide.pgm"), C = Path("colour.png");
  float m[15], x, y, v[5];
  unsigned mass;
  const std::pair<Args, std::string> rows[] = {
      {{"binary-moments", A, "--threshold", "100"}, (ImgBinaryMoments(&a, 100, m[0], m[1], m[2], m[3], m[4], m[5]), Lines({{"m00", m[0]}, {"m10", m[1]}, {"m01", m[2]}, {"m20", m[3]}, {"m11", m[4]}, {"m02", m[5]}}))},
      {{"binary-moments", W, "--threshold", "30000", "--order", "1", "--json"},
       (ImgBinaryMoments(&wide, 30000, m[0], m[1], m[2]), "{\n  \"m00\": " + Value(m[0]) + ",\n  \"m10\": " + Value(m[1]) + ",\n  \"m01\": " + Value(m[2]) + "\n}\n")},
      {{"weighted-moments", A, "--order", "4"}, (ImgWeightedMoments(&a, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14]), Lines({{"m13", m[13]}, {"m04", m[14]}}))},
      {{"weighted-moments", W, "--order", "1"}, (ImgWeightedMoments(&wide, m[0], m[1], m[2]), Lines({{"m01", m[2]}}))},
      {{"gravity-center", W, "--threshold", "40000"}, (ImgGravityCenter(&wide, 40000, x, y), Lines({{"x", x}, {"y", y}}))},
      {{"centroid", A}, (ImgCentroid(&a, x, y), Lines({{"x", x}, {"y", y}}))},
      {{"inertia", A, "--threshold", "77"}, (ImgInertia(&a, 77, v[0], v[1], v[2], &v[3], &v[4], &mass), Lines({{"var-y", v[2]}, {"center-x", v[3]}, {"center-y", v[4]}}) + "count: " + std::to_string(mass))},
      {{"inertia", A}, (ImgInertia(&a, v[0], v[1], v[2], &v[3], &v[4], &mass, nullptr), Lines({{"var-x", v[0]}, {"cov-xy", v[1]}}))},
      {{"focusing", C}, Lines({{"focus", ImgFocusing(&colour)}})},
      {{"focusing", W, "--json"}, "\"focus\": " + Value(ImgFocusing(&wide))},
      {{"linear-regression", A, B, "--skip-extremes"}, (ImgLinearRegression(&a, &b, v[0], v[1], v[2], 1), Lines({{"slope", v[0]}, {"offset", v[1]}, {"correlation", v[2]}}))},
      {{"rms-noise", A, B, "--mode", "independent"}, Value(ImgRmsNoise(&a, &b, IMG_REFERENCE_INDEPENDENT)) + "\n"},
      {{"rms-noise", A, W, "--n", "256", "--mode", "includes-source"}, Value(ImgRmsNoise(&a, &wide, 256, IMG_REFERENCE_INCLUDES_SOURCE)) + "\n"},
      {{"signal-noise-ratio", C, C}, "0\n"},
      {{"signal-noise-ratio", A, W, "--n", "128"}, Value(ImgSignalNoiseRatio(&a, &wide, 128, IMG_REFERENCE_NOISE_FREE)) + "\n"},
  };
  for (const auto& [args, text] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_NE(run.out.find(text), std::string::npos) << ::testing::PrintToString(args) << " printed\n" << run.out << "\nnot\n" << text;
  }
}

TEST_F(MomentsCommandsTest, CorrelogramWritesTheLibrarysImage) {
  for (const char* bits : {"8", "16"}) {
    const std::string out = Path(std::string("c") + bits + ".pgm");
    ASSERT_EQ(Tool({"correlogram", Path("a.png"), Path("b.png"), out, "--bits", bits}).status, 0);
    VnImage<VnBW8> d8;
    VnImage<VnBW16> d16;
    const tool::AnyImage written = tool::ReadImage(out);
    EXPECT_TRUE(bits[0] == '8' ? (ImgCorrelogram(&a, &b, &d8), SamePixels<VnBW8>(std::get<VnImage<VnBW8>>(written.pixels), d8))
                               : (ImgCorrelogram(&a, &b, &d16), SamePixels<VnBW16>(std::get<VnImage<VnBW16>>(written.pixels), d16)));
  }
}

TEST_F(MomentsCommandsTest, RefusalsNameTheOptionOrType) {
  const std::string A = Path("a.png");
  const std::tuple<Args, int, std::string> rows[] = {
      {{"binary-moments", A, "--order", "3"}, 2, "--order"},
      {{"centroid", Path("wide.pgm")}, 2, "centroid takes 8-bit gray images"},
      {{"rms-noise", A, Path("b.png"), "--n", "4"}, 2, "--n applies"},
      {{"rms-noise", Path("wide.pgm"), A}, 2, "cannot compare"},
      {{"correlogram", A, Path("b.png"), Path("c.pgm"), "--bits", "12"}, 2, "--bits is 8 or 16"},
      {{"rms-noise", A, Path("wide.pgm"), "--n", "3"}, 1, "error 1013"},
  };
  for (const auto& [args, status, message] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, status) << args[0] << " " << message << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace vnimg::test
