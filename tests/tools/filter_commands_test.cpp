// The filter commands against the library calls they stand for, and their refusals.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;

class FilterCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    tool::WriteImage(Path("a.png"), tool::AnyImage{a, std::nullopt});
    tool::WriteImage(Path("wide.pgm"), tool::AnyImage{wide, std::nullopt});
    tool::WriteImage(Path("colour.png"), tool::AnyImage{colour, std::nullopt});
  }
  // The file `name` holds src convolved (symmetric or not) with kernel.
  template <class T>
  ::testing::AssertionResult Holds(const std::string& name, const VnImage<T>& src, VnKernel& kernel, bool symmetric) {
    VnImage<T> dst(src.GetWidth(), src.GetHeight());
    symmetric ? ImgConvolSymmetricKernel(&src, &dst, &kernel) : ImgConvolKernel(&src, &dst, &kernel);
    return SamePixels<T>(std::get<VnImage<T>>(tool::ReadImage(Path(name)).pixels), dst);
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 23, 15);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 23, 15);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 23, 15);
};

TEST_F(FilterCommandsTest, ImagesMatchTheLibrary) {
  VnKernel user(3, 2, 0.5f, 7, 0, 200), sobel(KERNEL_SOBEL_X), symmetric(5, 5, 2.0f, 3, 3, 0), binomial(KERNEL_LOWPASS_3);
  for (int n = 0; n < 6; ++n) user.GetDataPtr()[n] = float(n - 2);
  for (int n = 0; n < 25; ++n) symmetric.GetDataPtr()[n] = float(n % 7);
  sobel.SetRectifier(3);
  ASSERT_EQ(Tool({"convol-kernel", Path("a.png"), Path("user.png"), "--kernel", "-2 -1 0 1 2 3", "--size", "3x2", "--gain", "0.5", "--offset", "7",
                  "--rectifier", "0", "--outside-value", "200"}).status, 0);
  EXPECT_TRUE(Holds("user.png", a, user, false));
  ASSERT_EQ(Tool({"convol-kernel", Path("wide.pgm"), Path("sobel.pgm"), "--preset", "sobel-x", "--rectifier", "3"}).status, 0);
  EXPECT_TRUE(Holds("sobel.pgm", wide, sobel, false));
  ASSERT_EQ(Tool({"convol-kernel", Path("colour.png"), Path("smooth.png"), "--preset", "lowpass-3"}).status, 0);
  EXPECT_TRUE(Holds("smooth.png", colour, binomial, false));
  std::string cells;
  for (int n = 0; n < 25; ++n) cells += std::to_string(n % 7) + " ";
  ASSERT_EQ(Tool({"convol-symmetric-kernel", Path("a.png"), Path("sym.png"), "--kernel", cells, "--gain", "2", "--offset", "3", "--rectifier", "3"}).status, 0);
  EXPECT_TRUE(Holds("sym.png", a, symmetric, true));
}

TEST_F(FilterCommandsTest, RefusalsWriteNothing) {
  const std::string A = Path("a.png"), out = Path("out.png");
  const std::tuple<Args, int, std::string> rows[] = {
      {{"convol-kernel", A, out}, 2, "needs either --kernel or --preset"},
      {{"convol-kernel", A, out, "--kernel", "1 2", "--preset", "box"}, 2, "needs either --kernel or --preset"},
      {{"convol-kernel", A, out, "--kernel", "1 2 x"}, 2, "--kernel wants numbers, not 'x'"},
      {{"convol-kernel", A, out, "--kernel", "1 2 3"}, 2, "3 coefficients, not the square number"},
      {{"convol-kernel", A, out, "--kernel", "1 2 3", "--size", "2x2"}, 2, "not the 2x2 it needs"},
      {{"convol-kernel", A, out, "--preset", "sobel"}, 2, ""},
      {{"convol-symmetric-kernel", A, out, "--kernel", "1 2 3 4", "--rectifier", "1"}, 1, "error 1703"},
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
