#include <gtest/gtest.h>

#include <limits>

#include "histogram/brute_force.h"
#include "histogram/histogram_count.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

template <class T>
Counts PixelCounts(const VnROI<T>& roi, std::size_t bins, auto binOf) {
  Counts counts(bins, 0);
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x)
      if (const auto bin = binOf(roi.GetPixel(x, y)); bin < bins) ++counts[bin];
  return counts;
}

void ExpectError(int code, const std::vector<std::string>& trace) {
  EXPECT_EQ(VnGetError(), code);
  EXPECT_EQ(Trace(), trace);
}

TEST(HistogramBW8, CountsEveryPixelOfRoisAtOddPlaces) {
  Rng rng(3);
  for (const Placement& p : RandomPlacements(rng, 120)) {
    GuardedRoi<VnBW8> src(p, rng);
    VnBWHistogramVector hist;
    ImgHistogram(src.roi(), &hist);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_EQ(CountsOf(hist), PixelCounts(*src.roi(), 256, [](VnBW8 v) { return std::size_t{v}; }))
        << p.width << "x" << p.height;
    ASSERT_TRUE(src.Unchanged());
  }
}

TEST(HistogramBW8, ConstantAndTwoLevelImages) {
  VnImage<VnBW8> image(1001, 7);
  VnBWHistogramVector hist;
  for (int v : {0, 77, 255}) {
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 1001; ++x) image.SetPixel(static_cast<VnBW8>(x % 2 ? 255 - v : v), x, y);
    ImgHistogram(&image, &hist);
    Counts expected(256, 0);
    expected[static_cast<std::size_t>(v)] += 501 * 7;
    expected[static_cast<std::size_t>(255 - v)] += 500 * 7;
    EXPECT_EQ(CountsOf(hist), expected);
  }
}

TEST(HistogramBW8, MaskRunsCountOnlyTheirPixels) {
  Rng rng(4);
  VnImage<VnBW8> parent(300, 40);
  FillRandomBytes(parent, rng);
  VnROI<VnBW8> roi(&parent, 13, 5, 250, 30);
  const std::uint32_t pitch = static_cast<std::uint32_t>(roi.GetRowPitch());
  std::vector<VnRun> runs;
  Counts expected(256, 0);
  std::uniform_int_distribution<int> x(0, 249);
  for (int y = 0; y < 30; y += 2) {
    int a = x(rng), b = x(rng);
    if (a > b) std::swap(a, b);
    runs.push_back({y * pitch + static_cast<std::uint32_t>(a), y * pitch + static_cast<std::uint32_t>(b),
                    static_cast<std::int16_t>(a), static_cast<std::int16_t>(y)});
    for (int i = a; i < b; ++i) ++expected[roi.GetPixel(i, y)];
  }
  roi.SetMaskRuns(runs.data(), static_cast<unsigned>(runs.size()));
  VnBWHistogramVector hist;
  ImgHistogram(&roi, &hist);
  EXPECT_EQ(CountsOf(hist), expected);
}

// A run that reaches past the last pixel is cut there; an empty or reversed run counts nothing.
TEST(HistogramBW8, MaskRunsStayInsideTheRoi) {
  VnImage<VnBW8> parent(64, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 64; ++x) parent.SetPixel(static_cast<VnBW8>(y), x, y);
  VnROI<VnBW8> roi(&parent, 4, 2, 10, 3);
  const std::uint32_t pitch = static_cast<std::uint32_t>(roi.GetRowPitch());
  const VnRun runs[] = {{2 * pitch + 6, 0xFFFFFFF0u, 6, 2}, {5, 5, 5, 0}, {9, 3, 9, 0}};
  roi.SetMaskRuns(runs, 3);
  VnBWHistogramVector hist;
  ImgHistogram(&roi, &hist);
  Counts expected(256, 0);
  expected[4] = 4;  // pixels 6..9 of the ROI's last row (parent row 4)
  EXPECT_EQ(CountsOf(hist), expected);
}

TEST(HistogramBW8, ChecksAndFailures) {
  VnImage<VnBW8> image(4, 4);
  VnBWHistogramVector hist;
  ImgHistogram(nullptr, &hist);
  ExpectError(VN_ERR_NULL_ROI, {"ImgHistogram"});
  ImgHistogram(&image, static_cast<VnBWHistogramVector*>(nullptr));
  ExpectError(VN_ERR_NULL_ROI, {"ImgHistogram"});
  VnImage<VnBW8> empty;
  ImgHistogram(&empty, &hist);
  EXPECT_NE(VnGetError(), 0);
  EXPECT_EQ(Trace().back(), "ImgHistogram");
  EXPECT_EQ(hist.GetNumElements(), 0u);
  VnROI<VnBW8> outside(&image, 2, 2, 4, 4);
  ImgHistogram(&outside, &hist);
  EXPECT_NE(VnGetError(), 0);
  ImgHistogram(&image, &hist);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(hist.GetNumElements(), 256u);
  EXPECT_EQ(hist[0], 16u);
}

TEST(HistogramBW8, EmptyRoiGivesZeroCounts) {
  VnImage<VnBW8> image(4, 4);
  VnROI<VnBW8> none(&image, 1, 1, 0, 2);
  VnBWHistogramVector hist = MakeHistogram(Counts(256, 9));
  ImgHistogram(&none, &hist);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(CountsOf(hist), Counts(256, 0));
}

struct WideCase {
  unsigned msb;
  unsigned bits;
  int saturate;
};

template <class T>
void ExpectWideHistograms(const std::vector<WideCase>& cases, unsigned seed) {
  Rng rng(seed);
  for (const WideCase& c : cases) {
    for (const Placement& p : RandomPlacements(rng, c.bits > 16 ? 4 : 24)) {
      SCOPED_TRACE(::testing::Message() << "msb " << c.msb << " bits " << c.bits << " saturate " << c.saturate);
      GuardedRoi<T> src(p, rng);
      VnBWHistogramVector hist;
      ImgHistogram(src.roi(), &hist, c.msb, c.bits, c.saturate);
      ASSERT_EQ(VnGetError(), 0);
      const std::uint64_t bins = std::uint64_t{1} << c.bits;
      const bool clamp = c.saturate || c.msb == sizeof(T) * 8 - 1;
      const auto binOf = [&](T v) -> std::size_t {
        const std::uint64_t bin = std::uint64_t{v} >> (c.msb + 1 - c.bits);
        return static_cast<std::size_t>(clamp ? std::min(bin, bins - 1) : bin);
      };
      ASSERT_EQ(CountsOf(hist), PixelCounts(*src.roi(), static_cast<std::size_t>(bins), binOf));
      ASSERT_TRUE(src.Unchanged());
    }
  }
}

TEST(HistogramBW16, BinsFromTheChosenBits) {
  ExpectWideHistograms<VnBW16>({{15, 8, 1}, {15, 16, 0}, {11, 8, 1}, {11, 8, 0}, {9, 10, 1}, {3, 2, 0}, {15, 0, 1}, {0, 1, 1}},
                               5);
}

TEST(HistogramBW32, BinsFromTheChosenBits) {
  ExpectWideHistograms<VnBW32>({{31, 8, 1}, {31, 16, 0}, {19, 12, 1}, {19, 12, 0}, {7, 8, 0}, {31, 0, 0}, {31, 18, 0}}, 6);
}

TEST(HistogramBW16, SaturationPutsHighPixelsInTheLastBin) {
  VnImage<VnBW16> image(3, 1);
  image.SetPixel(4095, 0, 0);
  image.SetPixel(65535, 1, 0);
  image.SetPixel(256, 2, 0);
  VnBWHistogramVector hist;
  ImgHistogram(&image, &hist, 11, 8, 1);
  EXPECT_EQ(hist.GetNumElements(), 256u);
  EXPECT_EQ(hist[255], 2u);
  EXPECT_EQ(hist[16], 1u);
  // Without saturation the pixel beyond the range is left out.
  ImgHistogram(&image, &hist, 11, 8, 0);
  EXPECT_EQ(hist[255], 1u);
  // With msb 15 nothing can pass the range, saturation or not.
  ImgHistogram(&image, &hist, 15, 8, 0);
  EXPECT_EQ(hist[255], 1u);
  EXPECT_EQ(hist[15], 1u);
  EXPECT_EQ(hist[1], 1u);
}

TEST(HistogramWide, ChecksInOrder) {
  VnImage<VnBW16> image16(2, 2);
  VnImage<VnBW32> image32(2, 2);
  VnBWHistogramVector hist = MakeHistogram(Counts(4, 7));
  ImgHistogram(&image16, &hist, 16, 8, 1);
  ExpectError(VN_ERR_PARAM_3, {"ImgHistogram ( VnBW16)"});
  ImgHistogram(&image16, &hist, 6, 8, 1);
  ExpectError(VN_ERR_PARAM_4, {"ImgHistogram ( VnBW16)"});
  ImgHistogram(&image32, &hist, 32, 8, 1);
  ExpectError(VN_ERR_PARAM_3, {"ImgHistogram ( VnBW32)"});
  ImgHistogram(&image32, &hist, 30, 32, 1);
  ExpectError(VN_ERR_PARAM_4, {"ImgHistogram ( VnBW32)"});
  // 2^32 bins cannot be counted.
  ImgHistogram(&image32, &hist, 31, 32, 1);
  ExpectError(VN_ERR_PARAM_4, {"ImgHistogram ( VnBW32)"});
  VnImage<VnBW16> empty;
  ImgHistogram(&empty, &hist, 16, 8, 1);  // the parameter checks come first
  ExpectError(VN_ERR_PARAM_3, {"ImgHistogram ( VnBW16)"});
  ImgHistogram(&empty, &hist, 15, 8, 1);
  EXPECT_NE(VnGetError(), 0);
  ImgHistogram(static_cast<VnROI<VnBW16>*>(nullptr), &hist, 15, 8, 1);
  ExpectError(VN_ERR_NULL_ROI, {"ImgHistogram ( VnBW16)"});
  EXPECT_EQ(CountsOf(hist), Counts(4, 7));
}

// A histogram too large for the container fails with its allocation code and both traces.
TEST(HistogramWide, TooManyBinsFailWithTheContainersCode) {
  VnImage<VnBW32> image(2, 2);
  VnBWHistogramVector hist;
  ImgHistogram(&image, &hist, 31, 31, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace().back(), "ImgHistogram ( VnBW32)");
}

TEST(CountKernels, PartialTablesSumToThePlainCount) {
  Rng rng(8);
  std::vector<std::uint8_t> bytes(5000);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 100u, 4999u}) {
    std::uint32_t even[256] = {}, odd[256] = {};
    histogram::CountBW8(bytes.data() + 1, n, {even, odd});
    Counts expected(256, 0);
    for (std::size_t i = 0; i < n; ++i) ++expected[bytes[i + 1]];
    for (int v = 0; v < 256; ++v) ASSERT_EQ(even[v] + odd[v], expected[static_cast<std::size_t>(v)]) << n;
  }
}

TEST(LegacyHistogram, CountsTheRectangleIntoATypeTwoVector) {
  Rng rng(9);
  VnImage<VnBW8> parent(40, 20);
  FillRandomBytes(parent, rng);
  VnROI<VnBW8> roi(&parent, 3, 2, 31, 15);
  const VnRun run{0, 1, 0, 0};
  roi.SetMaskRuns(&run, 1);  // the legacy form ignores runs
  VnVector hist;
  EXPECT_EQ(ImgHistogram(&roi, &hist), 0);
  EXPECT_EQ(hist.GetVectType(), 2);
  const auto* counts = static_cast<const std::uint32_t*>(hist.GetDataPtr());
  EXPECT_EQ(Counts(counts, counts + 256), PixelCounts(roi, 256, [](VnBW8 v) { return std::size_t{v}; }));

  VnROI<VnBW8> flat(&parent, 0, 0, 10, 0);
  EXPECT_EQ(ImgHistogram(&flat, &hist), 0);
  EXPECT_EQ(Counts(counts, counts + 256), Counts(256, 0));
}

TEST(LegacyHistogram, Failures) {
  VnImage<VnBW8> empty;
  VnVector hist;
  EXPECT_EQ(ImgHistogram(&empty, &hist), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgHistogram ( VnVector)"});
  VnImage<VnBW8> image(2, 2);
  EXPECT_EQ(ImgHistogram(&image, static_cast<VnVector*>(nullptr)), VN_ERR_NULL_ROI);
  VnROI<VnBW8> outside(&image, 1, 1, 4, 4);
  EXPECT_NE(ImgHistogram(&outside, &hist), 0);
}

TEST(CumulateHistogram, RunningSums) {
  VnBWHistogramVector src = MakeHistogram({1, 0, 2});
  VnBWHistogramVector dst;
  ImgCumulateHistogram(&src, &dst);
  EXPECT_EQ(CountsOf(dst), (Counts{1, 1, 3}));
  ImgCumulateHistogram(&src, &src);  // in place
  EXPECT_EQ(CountsOf(src), (Counts{1, 1, 3}));
  VnBWHistogramVector wraps = MakeHistogram({0xFFFFFFFFu, 2});
  ImgCumulateHistogram(&wraps, &dst);
  EXPECT_EQ(CountsOf(dst), (Counts{0xFFFFFFFFu, 1}));
  ImgCumulateHistogram(nullptr, &dst);
  ExpectError(VN_ERR_NULL_ROI, {"ImgCumulateHistogram"});
}

TEST(SetupEqualize, OneLevelMapsToZeroUpToItAnd255Above) {
  Counts counts(256, 0);
  counts[100] = 1234;
  VnBWHistogramVector hist = MakeHistogram(counts);
  VnBW8Vector lut;
  ImgSetupEqualize(&hist, &lut);
  ASSERT_EQ(lut.GetNumElements(), 256u);
  for (unsigned i = 0; i < 256; ++i) EXPECT_EQ(lut[i], i <= 100 ? 0 : 255) << i;

  VnVector legacyHist, legacyLut;
  legacyHist.SetType(2, 0, 0);
  std::copy(counts.begin(), counts.end(), static_cast<std::uint32_t*>(legacyHist.GetDataPtr()));
  EXPECT_EQ(ImgSetupEqualize(&legacyHist, &legacyLut), 0);
  EXPECT_EQ(legacyLut.GetVectType(), 3);
  const auto* table = static_cast<const unsigned char*>(legacyLut.GetDataPtr());
  for (unsigned i = 0; i < 256; ++i) EXPECT_EQ(table[i], 0) << i;  // 256 above the level, kept in 8 bits
}

TEST(SetupEqualize, ExclusiveRunningSumScaled) {
  Rng rng(10);
  const Counts counts = RandomCounts(rng, 256, 120, 100000);
  VnBWHistogramVector hist = MakeHistogram(counts);
  VnBW8Vector lut;
  ImgSetupEqualize(&hist, &lut);
  VnVector legacyHist, legacyLut;
  legacyHist.SetType(2, 0, 0);
  std::copy(counts.begin(), counts.end(), static_cast<std::uint32_t*>(legacyHist.GetDataPtr()));
  ImgSetupEqualize(&legacyHist, &legacyLut);
  const auto* table = static_cast<const unsigned char*>(legacyLut.GetDataPtr());
  std::uint64_t total = 0, below = 0;
  for (auto c : counts) total += c;
  for (unsigned i = 0; i < 256; ++i) {
    EXPECT_EQ(lut[i], 255 * below / total);
    EXPECT_EQ(table[i], static_cast<unsigned char>(256 * below / total));
    below += counts[i];
  }
}

// Left open: an empty histogram has no equalisation; both forms give the identity.
TEST(SetupEqualize, EmptyHistogramGivesTheIdentity) {
  VnBWHistogramVector hist = MakeHistogram(Counts(256, 0));
  VnBW8Vector lut;
  ImgSetupEqualize(&hist, &lut);
  EXPECT_EQ(VnGetError(), 0);
  for (unsigned i = 0; i < 256; ++i) EXPECT_EQ(lut[i], i);
  VnVector legacyHist, legacyLut;
  legacyHist.SetType(2, 0, 0);
  EXPECT_EQ(ImgSetupEqualize(&legacyHist, &legacyLut), 0);
  for (unsigned i = 0; i < 256; ++i) EXPECT_EQ(static_cast<const unsigned char*>(legacyLut.GetDataPtr())[i], i);
}

TEST(SetupEqualize, Failures) {
  VnBWHistogramVector shortHist = MakeHistogram(Counts(255, 1));
  VnBW8Vector lut;
  lut.AddElement(7);
  ImgSetupEqualize(&shortHist, &lut);
  ExpectError(VN_ERR_VECTOR_SIZE, {"ImgSetupEqualize ( VnBWHistogramVector)"});
  EXPECT_EQ(lut.GetNumElements(), 1u);
  VnVector notHist, legacyLut;
  notHist.SetType(3, 1, 256);
  EXPECT_EQ(ImgSetupEqualize(&notHist, &legacyLut), VN_ERR_LEGACY_NOT_HISTOGRAM);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgSetupEqualize ( VnVector)"});
  VnVector shortType2;
  shortType2.SetType(2, 1, 10);  // a histogram vector too short to read 256 counts from
  EXPECT_EQ(ImgSetupEqualize(&shortType2, &legacyLut), VN_ERR_LEGACY_NO_DATA);
}

}  // namespace
}  // namespace vnimg::test
