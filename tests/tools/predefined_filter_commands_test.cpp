// The predefined filter commands against the library calls they stand for, and their refusals.
#include <functional>

#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;
template <class T> using Call = std::function<void(const VnROI<T>*, VnROI<T>*)>;

class PredefinedFilterCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    tool::WriteImage(Path("a.png"), tool::AnyImage{a, std::nullopt});
    tool::WriteImage(Path("wide.pgm"), tool::AnyImage{wide, std::nullopt});
    tool::WriteImage(Path("colour.png"), tool::AnyImage{colour, std::nullopt});
  }
  // The command run on `input` writes what call computes from src.
  template <class T>
  ::testing::AssertionResult Matches(Args args, const std::string& input, const VnImage<T>& src, const Call<T>& call) {
    args.insert(args.begin() + 1, {Path(input), Path("out" + input)});
    const Run run = Tool(args);
    if (run.status != 0) return ::testing::AssertionFailure() << args[0] << ": " << run.err;
    VnImage<T> dst(src.GetWidth(), src.GetHeight());
    call(&src, &dst);
    return SamePixels<T>(std::get<VnImage<T>>(tool::ReadImage(Path("out" + input)).pixels), dst) << " " << args[0];
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 23, 15);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 23, 15);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 23, 15);
};

#define ROW(name, op) {name, [](auto s, auto d) { op(s, d); }, [](auto s, auto d) { op(s, d); }, [](auto s, auto d) { op(s, d); }}
TEST_F(PredefinedFilterCommandsTest, ImagesMatchTheLibrary) {
  const std::tuple<std::string, Call<VnBW8>, Call<VnBW16>, Call<VnC24>> rows[] = {
      ROW("convol-highpass-1", ImgConvolHighpass1),   ROW("convol-highpass-2", ImgConvolHighpass2), ROW("convol-lowpass-1", ImgConvolLowpass1),
      ROW("convol-lowpass-2", ImgConvolLowpass2),     ROW("convol-lowpass-3", ImgConvolLowpass3),   ROW("convol-sobel-x", ImgConvolSobelX),
      ROW("convol-sobel-y", ImgConvolSobelY),         ROW("convol-sobel", ImgConvolSobel),          ROW("convol-prewitt-x", ImgConvolPrewittX),
      ROW("convol-prewitt-y", ImgConvolPrewittY),     ROW("convol-prewitt", ImgConvolPrewitt),      ROW("convol-gradient-x", ImgConvolGradientX),
      ROW("convol-gradient-y", ImgConvolGradientY),   ROW("convol-gradient", ImgConvolGradient),    ROW("convol-laplacian-x", ImgConvolLaplacianX),
      ROW("convol-laplacian-y", ImgConvolLaplacianY), ROW("convol-laplacian-4", ImgConvolLaplacian4), ROW("convol-laplacian-8", ImgConvolLaplacian8),
      ROW("convol-roberts", ImgConvolRoberts),
  };
  for (const auto& [name, bw8, bw16, c24] : rows) {
    EXPECT_TRUE(Matches<VnBW8>({name}, "a.png", a, bw8));
    EXPECT_TRUE(Matches<VnBW16>({name}, "wide.pgm", wide, bw16));
    EXPECT_TRUE(Matches<VnC24>({name}, "colour.png", colour, c24));
  }
  const std::pair<std::string, Call<VnBW8>> fixedSizes[] = {
      {"convol-uniform-3x3", ImgConvolUniform3x3}, {"convol-gaussian-3x3", ImgConvolGaussian3x3}, {"convol-uniform-5x5", ImgConvolUniform5x5},
      {"convol-gaussian-5x5", ImgConvolGaussian5x5}, {"convol-uniform-7x7", ImgConvolUniform7x7}, {"convol-gaussian-7x7", ImgConvolGaussian7x7},
  };
  for (const auto& [name, bw8] : fixedSizes) EXPECT_TRUE(Matches<VnBW8>({name}, "a.png", a, bw8));
  EXPECT_TRUE(Matches<VnBW8>({"convol-uniform", "--half-x", "4", "--half-y", "2"}, "a.png", a, [](auto s, auto d) { ImgConvolUniform(s, d, 4, 2); }));
  EXPECT_TRUE(Matches<VnBW16>({"convol-uniform", "--half-x", "3"}, "wide.pgm", wide, [](auto s, auto d) { ImgConvolUniform(s, d, 3, 3); }));
  EXPECT_TRUE(Matches<VnC24>({"convol-gaussian", "--half-x", "3", "--half-y", "1"}, "colour.png", colour, [](auto s, auto d) { ImgConvolGaussian(s, d, 3, 1); }));
  EXPECT_TRUE(Matches<VnBW16>({"convol-gaussian"}, "wide.pgm", wide, [](auto s, auto d) { ImgConvolGaussian(s, d, 1, 1); }));
}

TEST_F(PredefinedFilterCommandsTest, RefusalsWriteNothing) {
  const std::string A = Path("a.png"), W = Path("wide.pgm"), out = Path("out.png");
  const std::tuple<Args, int, std::string> rows[] = {
      {{"convol-gaussian-5x5", W, out}, 2, "takes 8-bit gray images"},
      {{"convol-uniform", A, out, "--half-x", "-1"}, 2, "--half-x"},
      {{"convol-gaussian", A, out, "--half-y", "2.5"}, 2, "--half-y"},
  };
  const std::vector<std::string> files = Files();
  for (const auto& [args, status, message] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, status) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(Files(), files);
  }
}

}  // namespace
}  // namespace vnimg::test
