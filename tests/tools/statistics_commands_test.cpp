// The statistics subcommands against the library calls they stand for, one row each, and their
// refusals.
#include "image_file.h"
#include "tool_support.h"

namespace vnimg::test {
namespace {

using Args = std::vector<std::string>;
using tool::Report;

class StatisticsCommandsTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    for (const auto& [name, image] : std::initializer_list<std::pair<const char*, tool::ImageVariant>>{
             {"a.png", a}, {"b.png", b}, {"small.png", small}, {"wide.pgm", wide}, {"colour.png", colour}, {"bits.pbm", bits}, {"bits2.pbm", bits2}})
      tool::WriteImage(Path(name), tool::AnyImage{image, std::nullopt});
  }
  VnImage<VnBW8> a = RandomImage<VnBW8>(rng, 29, 17), b = RandomImage<VnBW8>(rng, 29, 17), small = RandomImage<VnBW8>(rng, 5, 4);
  VnImage<VnBW16> wide = RandomImage<VnBW16>(rng, 29, 17);
  VnImage<VnC24> colour = RandomImage<VnC24>(rng, 29, 17);
  VnImage<VnBW1> bits = RandomImage<VnBW1>(rng, 29, 17), bits2 = RandomImage<VnBW1>(rng, 29, 17);
};

std::string Lines(const std::vector<Report>& values) {
  std::string text;
  for (const Report& v : values) text += v.Dump() + "\n";
  return text;
}

TEST_F(StatisticsCommandsTest, PrintsMatchTheLibrary) {
  unsigned char min = 0, max = 0;
  VnBW16 min16 = 0, max16 = 0;
  float average = 0, stat16 = 0, v[9], d[9], deviation = 0, mean = 0;
  int below = 0, between = 0, above = 0, area = 0;
  ImgPixelStat(&a, min, max, average), ImgPixelStat(&wide, min16, max16, stat16);
  ImgPixelVariance(&colour, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  ImgPixelStdDev(&colour, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8]);
  ImgPixelStdDev(&wide, deviation, mean), ImgPixelCount(&a, 50, 200, below, between, above), ImgArea(&wide, VnBW16{30000}, area);
  VnBW32Vector columns;
  VnBW8Vector rows;
  VnC24Vector colourColumns;
  ImgProjectOnARow(&a, &columns), ImgProjectOnAColumn(&a, &rows), ImgProjectOnARow(&colour, &colourColumns);
  std::vector<Report> columnSums, rowMeans;
  for (unsigned i = 0; i < columns.GetNumElements(); ++i) columnSums.emplace_back(columns[i]);
  Report rowList = Report::List();
  for (unsigned i = 0; i < rows.GetNumElements(); ++i) rowList.Add(rows[i]);
  const auto f = [](float x) { return Report(x).Dump(); };
  const std::pair<Args, std::string> printed[] = {
      {{"pixel-stat", Path("a.png")}, "min: " + std::to_string(min) + "\nmax: " + std::to_string(max) + "\naverage: " + f(average) + "\n"},
      {{"pixel-stat", Path("wide.pgm"), "--json"}, "\"max\": " + std::to_string(max16) + ",\n  \"average\": " + f(stat16)},
      {{"pixel-average", Path("colour.png")}, "red: " + f(v[6]) + "\ngreen: " + f(v[7]) + "\nblue: " + f(v[8]) + "\n"},
      {{"pixel-variance", Path("colour.png"), "--json"}, "\"covariance\": {\n    \"red-green\": " + f(v[3]) + ",\n    \"green-blue\": " + f(v[4]) + ",\n    \"red-blue\": " + f(v[5])},
      {{"pixel-std-dev", Path("colour.png")}, "correlation:\n  red-green: " + f(d[3]) + "\n  green-blue: " + f(d[4]) + "\n  red-blue: " + f(d[5]) + "\n"},
      {{"pixel-std-dev", Path("wide.pgm")}, "std-dev: " + f(deviation) + "\naverage: " + f(mean) + "\n"},
      {{"pixel-count", Path("a.png"), "--low", "50", "--high", "200"}, "below: " + std::to_string(below) + "\nbetween: " + std::to_string(between) + "\nabove: " + std::to_string(above) + "\n"},
      {{"area", Path("wide.pgm"), "--threshold", "30000"}, std::to_string(area) + "\n"},
      {{"pixel-compare", Path("a.png"), Path("b.png")}, std::to_string(ImgPixelCompare(&a, &b)) + "\n"},
      {{"pixel-compare", Path("bits.pbm"), Path("bits2.pbm"), "--json"}, std::to_string(ImgPixelCompare(&bits, &bits2)) + "\n"},
      {{"project-on-a-row", Path("a.png")}, Lines(columnSums)},
      {{"project-on-a-column", Path("a.png"), "--average", "--json"}, rowList.Dump()},
      {{"project-on-a-row", Path("colour.png"), "--average"}, std::to_string(colourColumns[0].c2) + " " + std::to_string(colourColumns[0].c1) + " " + std::to_string(colourColumns[0].c0) + "\n"},
  };
  for (const auto& [args, text] : printed) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, 0) << args[0] << run.err;
    EXPECT_NE(run.out.find(text), std::string::npos) << args[0] << " printed\n" << run.out << "\nnot\n" << text;
  }
}

TEST_F(StatisticsCommandsTest, Refusals) {
  const std::tuple<Args, int, std::string> rows[] = {
      {{"project-on-a-row", Path("colour.png")}, 2, "colour images need --average"},
      {{"pixel-count", Path("a.png"), "--low", "300", "--high", "2"}, 2, "--low must lie between 0 and 255"},
      {{"area", Path("colour.png"), "--threshold", "3"}, 2, "area takes 8-bit gray or 16-bit gray images, not colour"},
      {{"pixel-compare", Path("a.png"), Path("wide.pgm")}, 2, "two images of one pixel type, not 8-bit gray and 16-bit gray"},
      {{"pixel-compare", Path("a.png"), Path("small.png")}, 1, "\"ImgPixelCompare ( BW8)\""},
  };
  for (const auto& [args, status, message] : rows) {
    const Run run = Tool(args);
    EXPECT_EQ(run.status, status) << args[0] << " " << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace vnimg::test
