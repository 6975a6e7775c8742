// The Canny command against the library call, and its printed thresholds.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;

class CannyCommandsTest : public ToolTest {};

TEST_F(CannyCommandsTest, MatchesTheLibrary) {
  const VnImage<VnBW8> a = Make<VnBW8>(41, 29, [](int x, int y) { return (x - 20) * (x - 20) + (y - 14) * (y - 14) < 120 ? 220 : 30 + x; });
  tool::WriteImage(Path("a.png"), tool::AnyImage{a, std::nullopt});
  const std::tuple<Args, SMOOTH_MODE, EDGE_FOLLOWING_MODE> rows[] = {
      {{}, SMOOTH_GAUSSIAN_3X3, EDGE_FOLLOWING_HYSTERESIS},
      {{"--smooth", "median", "--edge-following", "contour-growing"}, SMOOTH_MEDIAN, EDGE_FOLLOWING_CONTOUR_GROWING},
  };
  for (const auto& [options, smooth, follow] : rows) {
    VnImage<VnBW8> expected(41, 29);
    VnCannyThresholds chosen;
    ImgCannyDetector(&a, &expected, smooth, follow, &chosen);
    Args args{"canny-detector", Path("a.png"), Path("e.png")};
    args.insert(args.end(), options.begin(), options.end());
    const auto run = Tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(SamePixels<VnBW8>(std::get<VnImage<VnBW8>>(tool::ReadImage(Path("e.png")).pixels), expected));
    const std::string printed = "low: " + std::to_string(chosen.low) + "\nhigh: " + std::to_string(chosen.high) + "\n";
    EXPECT_NE(run.out.find(printed), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace vnimg::test
