// Point, histogram and threshold commands against direct library calls.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using tool::AnyImage;

class CommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    Save("a.png", a);
    Save("b.png", b);
    Save("wide.pgm", wide);
    Save("wide2.pgm", wide2);
    Save("colour.png", colour);
    Save("bits.pbm", bits);
    Save("bits2.pbm", bits2);
  }
  template <class T>
  void Save(const std::string& name, const VnImage<T>& image) {
    tool::WriteImage(Path(name), AnyImage{image, std::nullopt});
  }
  template <class T>
  VnImage<T> Result(const std::vector<std::string>& args) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, 0) << run.err;
    AnyImage image = tool::ReadImage(FindOutput(args));
    EXPECT_TRUE(std::holds_alternative<VnImage<T>>(image.pixels)) << tool::PixelTypeName(image.pixels);
    return std::get<VnImage<T>>(std::move(image.pixels));
  }
  // The last positional argument (every option here takes a value).
  static std::string FindOutput(const std::vector<std::string>& args) {
    std::string last;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (args[i].rfind("--", 0) == 0) {
        ++i;
        continue;
      }
      last = args[i];
    }
    return last;
  }

  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17);
  VnImage<VnBW8> b = RandomImage<VnBW8>(rng, 29, 17);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 29, 17);
  VnImage<VnBW16> wide2 = RandomImage<VnBW16>(rng, 29, 17);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 29, 17);
  VnImage<VnBW1> bits = RandomImage<VnBW1>(rng, 29, 17);
  VnImage<VnBW1> bits2 = RandomImage<VnBW1>(rng, 29, 17);
};

TEST_F(CommandsTest, OperTakesImagesAndConstantsInTheOperationsOrder) {
  const std::string out = Path("out.png");
  VnImage<VnBW8> expected(29, 17);
  ImgOper(Subtract, &a, VnBW8{40}, &expected);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"oper", Path("a.png"), "40", out, "--op", "subtract"}), expected));
  ImgOper(Subtract, VnBW8{40}, &a, &expected);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"oper", "40", Path("a.png"), out, "--op", "3"}), expected));
  ImgOper(ScaledDivide, &a, &b, &expected);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"oper", Path("a.png"), Path("b.png"), out, "--op", "scaled-divide"}), expected));
  ImgOper(Invert, &a, &expected);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"oper", Path("a.png"), out, "--op", "invert"}), expected));

  VnImage<VnBW16> wideExpected(29, 17);
  ImgOper(GreaterOrEqual, &wide, &wide2, &wideExpected);
  EXPECT_TRUE(SamePixels<VnBW16>(Result<VnBW16>({"oper", Path("wide.pgm"), Path("wide2.pgm"), out, "--op", "greater-or-equal"}), wideExpected));
  ImgOper(WrappingAdd, &wide, &a, &wideExpected);
  EXPECT_TRUE(SamePixels<VnBW16>(Result<VnBW16>({"oper", Path("wide.pgm"), Path("a.png"), out, "--op", "wrapping-add"}), wideExpected));

  VnImage<VnC24> colourExpected(29, 17);
  ImgOper(Add, &colour, VnC24{3, 2, 1}, &colourExpected);
  EXPECT_TRUE(SamePixels<VnC24>(Result<VnC24>({"oper", Path("colour.png"), "1,2,3", out, "--op", "add"}), colourExpected));
  ImgOper(Min, &a, &colour, &colourExpected);
  EXPECT_TRUE(SamePixels<VnC24>(Result<VnC24>({"oper", Path("a.png"), Path("colour.png"), out, "--op", "min"}), colourExpected));
  ImgSetOverlayColor(VnC24{0, 128, 255});
  ImgOper(Overlay, &a, &b, &colourExpected);
  EXPECT_TRUE(SamePixels<VnC24>(
      Result<VnC24>({"oper", Path("a.png"), Path("b.png"), out, "--op", "overlay", "--overlay-color", "255,128,0"}), colourExpected));

  VnImage<VnBW1> bitsExpected(29, 17);
  ImgOper(BitwiseXOR, &bits, &bits2, &bitsExpected);
  EXPECT_TRUE(SamePixels<VnBW1>(Result<VnBW1>({"oper", Path("bits.pbm"), Path("bits2.pbm"), Path("out.pbm"), "--op", "bitwise-xor"}), bitsExpected));
}

TEST_F(CommandsTest, OperReportsTheLibrarysRefusals) {
  // Shifts exist only with the constant second; the library says so with 1003.
  const Run run = Tool({"oper", Path("a.png"), Path("b.png"), Path("out.png"), "--op", "shift-left"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("error 1003"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\"ImgOper ( BW8 Image, Image to Image)\""), std::string::npos) << run.err;
  EXPECT_EQ(Tool({"oper", "1", "2", Path("out.png"), "--op", "add"}).status, 2);
  EXPECT_EQ(Tool({"oper", Path("a.png"), "300", Path("out.png"), "--op", "add"}).status, 2);
  EXPECT_EQ(Tool({"oper", Path("a.png"), Path("b.png"), Path("out.png"), "--op", "plus"}).status, 2);
  EXPECT_EQ(Tool({"oper", Path("colour.png"), Path("wide.pgm"), Path("out.png"), "--op", "add"}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
}

TEST_F(CommandsTest, CopyKeepsPixelsAndAlpha) {
  AnyImage withAlpha{colour, RandomImage<VnBW8>(rng, 29, 17)};
  tool::WriteImage(Path("rgba.png"), withAlpha);
  ASSERT_EQ(Tool({"copy", Path("rgba.png"), Path("copy.png")}).status, 0);
  const AnyImage copy = tool::ReadImage(Path("copy.png"));
  EXPECT_TRUE(SamePixels<VnC24>(std::get<VnImage<VnC24>>(copy.pixels), colour));
  ASSERT_TRUE(copy.alpha.has_value());
  EXPECT_TRUE(SamePixels<VnBW8>(*copy.alpha, *withAlpha.alpha));
  EXPECT_TRUE(SamePixels<VnBW1>(Result<VnBW1>({"copy", Path("bits.pbm"), Path("bits.png")}), bits));
  EXPECT_TRUE(SamePixels<VnBW16>(Result<VnBW16>({"copy", Path("wide.pgm"), Path("wide.png")}), wide));
}

TEST_F(CommandsTest, HistogramPrintsTheLibrarysFeatures) {
  VnBWHistogramVector hist;
  ImgHistogram(&a, &hist);
  const Run all = Tool({"histogram", Path("a.png"), "--lo", "10", "--hi", "200"});
  ASSERT_EQ(all.status, 0) << all.err;
  std::ostringstream mean;
  mean << "mean: " << tool::Report(ImgAnalyseHistogram(&hist, IMG_HIST_MEAN, 10, 200)).Dump();
  EXPECT_NE(all.out.find(mean.str() + "\n"), std::string::npos) << all.out;
  const Run one = Tool({"histogram", Path("a.png"), "--feature", "total-count", "--json"});
  EXPECT_EQ(one.out, "493\n");
  const Run counts = Tool({"histogram", Path("a.png"), "--counts", "--json"});
  EXPECT_NE(counts.out.find("\"counts\": [" + std::to_string(hist[0]) + ", " + std::to_string(hist[1]) + ","), std::string::npos);

  VnBWHistogramVector wideHist;
  ImgHistogram(&wide, &wideHist, 11, 6, 1);
  const Run wideRun = Tool({"histogram", Path("wide.pgm"), "--msb", "11", "--bits", "6", "--feature", "mode-value"});
  EXPECT_EQ(wideRun.out, tool::Report(ImgAnalyseHistogramBW16(&wideHist, IMG_HIST_MODE_VALUE, 0, 63)).Dump() + "\n");
  EXPECT_EQ(Tool({"histogram", Path("a.png"), "--hi", "256"}).status, 1);
}

TEST_F(CommandsTest, HistogramThresholdPrintsEveryMode) {
  VnBWHistogramVector hist;
  ImgHistogram(&a, &hist);
  const Run run = Tool({"histogram-threshold", Path("a.png"), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const auto& [name, mode] : {std::pair{"relative", IMG_THRESHOLD_RELATIVE}, std::pair{"min-residue", IMG_THRESHOLD_MIN_RESIDUE},
                                   std::pair{"max-entropy", IMG_THRESHOLD_MAX_ENTROPY}, std::pair{"isodata", IMG_THRESHOLD_ISODATA},
                                   std::pair{"min-abs-error", IMG_THRESHOLD_MIN_ABS_ERROR}, std::pair{"min-sq-error", IMG_THRESHOLD_MIN_SQ_ERROR}}) {
    unsigned int threshold = mode;
    float below = 0, above = 0;
    ImgHistogramThreshold(&hist, threshold, below, above);
    const std::string expected = std::string("\"") + name + "\": {\n    \"threshold\": " + std::to_string(threshold) +
                                 ",\n    \"below-average\": " + tool::Report(below).Dump() +
                                 ",\n    \"above-average\": " + tool::Report(above).Dump();
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
  }
  EXPECT_EQ(Tool({"histogram-threshold", Path("a.png"), "--threshold", "isodata", "--lo", "20", "--hi", "20"}).status, 1);
}

TEST_F(CommandsTest, ThresholdFormsMatchTheLibrary) {
  const std::string out = Path("out.png");
  VnImage<VnBW8> expected(29, 17);
  ImgThreshold(&a, &expected, IMG_THRESHOLD_MAX_ENTROPY, 10, 200, 0.5f);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"threshold", Path("a.png"), out, "--threshold", "max-entropy", "--low", "10", "--high", "200"}), expected));
  ImgThreshold(&a, &expected, IMG_THRESHOLD_RELATIVE, 0, 255, 0.25f);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"threshold", Path("a.png"), out, "--threshold", "relative", "--fraction", "0.25"}), expected));
  ImgThreshold(&a, &expected, 99u);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"threshold", Path("a.png"), out, "--threshold", "99"}), expected));

  VnImage<VnBW1> bitsExpected(29, 17);
  ImgThreshold(&a, &bitsExpected, IMG_THRESHOLD_ISODATA, 0.5f);
  EXPECT_TRUE(SamePixels<VnBW1>(Result<VnBW1>({"threshold", Path("a.png"), Path("out.pbm"), "--threshold", "isodata"}), bitsExpected));

  VnImage<VnBW16> wideExpected(29, 17);
  ImgThreshold(&wide, &wideExpected, IMG_THRESHOLD_MIN_RESIDUE, 0, 65535, 0.5f);
  EXPECT_TRUE(SamePixels<VnBW16>(Result<VnBW16>({"threshold", Path("wide.pgm"), Path("out.pgm")}), wideExpected));

  ImgThreshold(&colour, &expected, VnC24{30, 20, 10}, VnC24{250, 240, 230}, nullptr, 7, 77);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"threshold", Path("colour.png"), out, "--min", "10,20,30", "--max", "230,240,250",
                                               "--outside", "7", "--inside", "77"}),
                                expected));

  ImgDoubleThreshold(&a, &expected, 60, 180);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"double-threshold", Path("a.png"), out, "--low-threshold", "60", "--high-threshold", "180"}), expected));
  ImgDoubleThreshold(&wide, &wideExpected, 1000, 50000, 1, 2, 3);
  EXPECT_TRUE(SamePixels<VnBW16>(Result<VnBW16>({"double-threshold", Path("wide.pgm"), Path("out.pgm"), "--low-threshold", "1000",
                                                 "--high-threshold", "50000", "--low", "1", "--middle", "2", "--high", "3"}),
                                 wideExpected));

  ImgAutoAdaptiveThreshold(&a, &expected, IMG_THRESHOLD_MIN_ABS_ERROR, 8, 5);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"auto-adaptive-threshold", Path("a.png"), out, "--mode", "min-abs-error",
                                               "--tile-width", "8", "--tile-height", "5"}),
                                expected));
  Korvane::Quandor::Segmentation::ImgLocalMeanThreshold(&a, &expected, 3, -4);
  EXPECT_TRUE(SamePixels<VnBW8>(Result<VnBW8>({"local-mean-threshold", Path("a.png"), out, "--half-size", "3", "--offset", "-4"}), expected));

  const Run automatic = Tool({"auto-threshold", Path("a.png"), "--mode", "isodata"});
  EXPECT_EQ(automatic.out, "threshold: " + std::to_string(ImgAutoThreshold(&a, IMG_THRESHOLD_ISODATA)) + "\n");
}

}  // namespace
}  // namespace vnimg::test
