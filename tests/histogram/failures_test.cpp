// Every failed check of the histogram and threshold operations, one row each: the result, the
// code, the trace (innermost first; none for the local mean and the throwing bit workers), and
// every output left as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "histogram/histogram_moments.h"
#include "histogram/histograms.h"

namespace vnimg::test {
namespace {

using Korvane::Quandor::Segmentation::ImgLocalMeanThreshold;
using Korvane::Quandor::Utils::Vector;

struct NoLookup : VnColorLookup {
  void Transform(VnC24 in, VnC24& out) override { out = in; }
};

TEST(Failures, CodesTracesAndUntouchedOutputs) {
  Rng rng(8);
  const Placement at{37, 5, 3, 1, 45, 8}, bitsAt{37, 5, 3, 1, 48, 8};
  GuardedRoi<VnBW8> s8(at, rng), d8(at, rng);
  GuardedRoi<VnBW16> s16(at, rng), d16(at, rng);
  GuardedRoi<VnC24> c24(at, rng);
  GuardedRoi<VnBW1> bits(bitsAt, rng);
  VnROI<VnBW8> narrow8(&d8.parent(), 3, 1, 36, 5), outside8(&s8.parent(), 40, 0, 10, 5);
  VnROI<VnBW16> narrow16(&d16.parent(), 3, 1, 36, 5);
  VnROI<VnC24> outsideC(&c24.parent(), 40, 0, 10, 5);
  VnROI<VnBW1> narrowBits(&bits.parent(), 3, 1, 36, 5), alignedBits(&bits.parent(), 8, 1, 37, 5);
  VnImage<VnBW8> void8;
  VnImage<VnBW16> void16;
  VnImage<VnBW32> s32(2, 2);
  VnROI<VnBW8>* const null8 = nullptr;
  NoLookup lookup;
  VnBWHistogramVector h256 = MakeHistogram(Counts(256, 1)), h255 = MakeHistogram(Counts(255, 1)), out, h65536 = MakeHistogram(Counts(65536, 1));
  VnBWHistogramVector empty = MakeHistogram(Counts(256, 0)), two = MakeHistogram(Bins(256, {{50, 7}, {200, 7}}));
  VnBW8Vector lut;
  VnVector legacyTable, legacyOut, legacyShort;
  legacyTable.SetType(3, 1, 256), legacyShort.SetType(2, 1, 10);  // a lookup table, and a histogram too short for 256 counts
  unsigned t = 0;
  float below = -7, above = -8, f = -9;
  VnBW8 b8 = 3, c8 = 4;
  Vector<VnRegionDescriptor> regions;
  Vector<VnLabelisationDescriptor> partitions;
  // How far the threshold moved from `mode` (0 when it stayed).
  const auto select = [&](VnBWHistogramVector* h, unsigned mode, float fraction, unsigned lo, unsigned hi) {
    t = mode;
    (h->GetNumElements() == 65536 ? ImgHistogramThresholdBW16 : ImgHistogramThreshold)(h, t, below, above, fraction, lo, hi);
    return double(t) - mode;
  };
  const auto thrown = [](auto&& call) {
    try { call(); } catch (const Korvane::Quandor::Exception& e) { return double(e.code); }
    return 0.0;
  };
  const struct { std::function<double()> call; double result; int code; std::vector<std::string> trace; } rows[] = {
      {[&] { return ImgHistogram(&outside8, &out), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgHistogram"}},
      {[&] { return ImgHistogram(s16.roi(), &out, 16, 8, 1), 0.0; }, 0, VN_ERR_PARAM_3, {"ImgHistogram ( VnBW16)"}},
      {[&] { return ImgHistogram(s16.roi(), &out, 6, 8, 1), 0.0; }, 0, VN_ERR_PARAM_4, {"ImgHistogram ( VnBW16)"}},
      {[&] { return ImgHistogram(&s32, &out, 32, 8, 1), 0.0; }, 0, VN_ERR_PARAM_3, {"ImgHistogram ( VnBW32)"}},
      {[&] { return ImgHistogram(&s32, &out, 30, 32, 1), 0.0; }, 0, VN_ERR_PARAM_4, {"ImgHistogram ( VnBW32)"}},
      {[&] { return ImgHistogram(&s32, &out, 31, 32, 1), 0.0; }, 0, VN_ERR_PARAM_4, {"ImgHistogram ( VnBW32)"}},  // 2^32 bins
      {[&] { return double(ImgHistogram(&void8, &legacyOut)); }, VN_ERR_NULL_ROI, VN_ERR_NULL_ROI, {"ImgHistogram ( VnVector)"}},
      {[&] { return ImgCumulateHistogram(nullptr, &out), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgCumulateHistogram"}},
      {[&] { return ImgSetupEqualize(&h255, &lut), 0.0; }, 0, VN_ERR_VECTOR_SIZE, {"ImgSetupEqualize ( VnBWHistogramVector)"}},
      {[&] { return double(ImgSetupEqualize(&legacyTable, &legacyOut)); }, VN_ERR_LEGACY_NOT_HISTOGRAM, VN_ERR_LEGACY_NOT_HISTOGRAM, {"ImgSetupEqualize ( VnVector)"}},
      {[&] { VnVector table; return double(ImgSetupEqualize(&legacyShort, &table)); }, VN_ERR_LEGACY_NO_DATA, VN_ERR_LEGACY_NO_DATA, {"ImgSetupEqualize ( VnVector)"}},
      {[&] { return double(ImgAnalyseHistogram(&h255, IMG_HIST_MEAN, -1, 300)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgAnalyseHistogram"}},
      {[&] { return double(ImgAnalyseHistogram(&h256, IMG_HIST_MEAN, -1, 300)); }, 0, VN_ERR_PARAM_3, {"ImgAnalyseHistogram"}},
      {[&] { return double(ImgAnalyseHistogram(&h256, IMG_HIST_MEAN, 0, 256)); }, 0, VN_ERR_PARAM_4, {"ImgAnalyseHistogram"}},
      {[&] { return double(ImgAnalyseHistogram(&h256, IMG_HIST_MEAN, 10, 5)); }, 0, VN_ERR_BAD_ARGUMENT_COMBINATION, {"ImgAnalyseHistogram"}},
      {[&] { return double(ImgAnalyseHistogramBW16(&h255, IMG_HIST_MEAN, 0, 255)); }, 0, VN_ERR_PARAM_4, {"ImgAnalyseHistogram (BW16)"}},
      {[&] { int r = 5; return ImgAnalyseHistogram(&legacyTable, 0, 255, 0, r) + r - 5.0; }, VN_ERR_LEGACY_VECTOR, VN_ERR_LEGACY_VECTOR, {"ImgAnalyseHistogram"}},
      {[&] { float r = 5; return ImgAnalyseHistogram(&legacyShort, 0, 255, 7, r) + r - 5.0; }, VN_ERR_LEGACY_NO_DATA, VN_ERR_LEGACY_NO_DATA, {"ImgAnalyseHistogram"}},
      {[&] { return double(h256.Entropy(256, 3)); }, 0, VN_ERR_PARAM_1, {"VnBWHistogramVector::Entropy"}},
      {[&] { return double(h256.Entropy(0, 256)); }, 0, VN_ERR_PARAM_2, {"VnBWHistogramVector::Entropy"}},
      {[&] { float m = 5; return histogram::HistogramFirstMoment(h256, 300, 400, m) + m - 5.0; }, 0, VN_ERR_EMPTY_HISTOGRAM_RANGE, {"ImgHistogramMoments ( 1)"}},
      {[&] { float m = 5, v = 5; return histogram::HistogramCenteredMoments(h255, 0, 5, m, v) + m + v - 10.0; }, 0, VN_ERR_VECTOR_SIZE, {"ImgHistogramCenteredMoments ( 2)"}},
      {[&] { return select(&h255, 300, 2, 300, 300); }, 0, VN_ERR_VECTOR_SIZE, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 300, 2, 256, 300); }, 0, VN_ERR_PARAM_5, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 300, 2, 0, 256); }, 0, VN_ERR_PARAM_6, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 300, 2, 0, 255); }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 300, 2, 9, 9); }, 0, VN_ERR_BAD_ARGUMENT_COMBINATION, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, IMG_THRESHOLD_RELATIVE, 1.01f, 0, 255); }, 0, VN_ERR_PARAM_5, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, IMG_THRESHOLD_RELATIVE, NAN, 0, 255); }, 0, VN_ERR_PARAM_5, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 5, 0.5f, 6, 255); }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 8, 0.5f, 0, 7); }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 0xFFFFFFFEu, 0.5f, 0, 255); }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold"}},
      {[&] { return select(&h256, 0xFFFFFFFFu, 0.5f, 0, 255); }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold"}},
      {[&] { return select(&h65536, 70000, 0.5f, 0, 65535); }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold (BW16)"}},
      {[&] { t = 9; ImgHistogramThresholdBW16(&h256, t, below, above); return t - 9.0; }, 0, VN_ERR_VECTOR_SIZE, {"ImgHistogramThreshold (BW16)"}},
      {[&] { return double(ImgIsodataThreshold(&two, 256, 7)); }, 0, VN_ERR_PARAM_2, {"ImgIsodataThreshold ( VnBWHistogramVector)"}},
      {[&] { return double(ImgIsodataThreshold(&two, 0, 256)); }, 0, VN_ERR_PARAM_3, {"ImgIsodataThreshold ( VnBWHistogramVector)"}},
      {[&] { return double(ImgIsodataThreshold(&h255)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgIsodataThreshold ( VnBWHistogramVector)"}},
      {[&] { return double(ImgIsodataThresholdBW16(&two)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgIsodataThreshold ( VnBWHistogramVector)"}},
      {[&] { return double(ImgIsodataThreshold(&legacyOut, 256, 300)); }, 0, VN_ERR_PARAM_2, {"ImgIsodataThreshold ( VnVector)"}},
      {[&] { return double(ImgIsodataThreshold(&legacyOut, 0, 256)); }, 0, VN_ERR_PARAM_3, {"ImgIsodataThreshold ( VnVector)"}},
      {[&] { return double(ImgIsodataThreshold(&legacyTable, 10, 20)); }, 15, VN_ERR_LEGACY_VECTOR_TYPE, {"ImgIsodataThreshold ( VnVector)"}},  // the middle
      {[&] { return double(ImgIsodataThreshold(&legacyShort, 10, 21)); }, 16, VN_ERR_LEGACY_NO_DATA, {"ImgIsodataThreshold ( VnVector)"}},
      {[&] { return double(ImgMinResidueThreshold(&h255, below, above)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgMinResidueThreshold"}},
      {[&] { return double(ImgTwoLevelsMinResidueThreshold(&h255, b8, below, above)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgTwoLevelsMinResidueThreshold"}},
      {[&] { return double(ImgThreeLevelsMinResidueThreshold(&h255, b8, c8, below, above, f)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgThreeLevelsMinResidueThreshold"}},
      {[&] { return double(ImgMaxEntropyThreshold(&h255, below, above)); }, 0, VN_ERR_VECTOR_SIZE, {"ImgMaxEntropyThreshold"}},
      {[&] { return double(ImgMultiLevelsMinResidueThreshold(&two, 3, regions)); }, -1, VN_ERR_NOT_IMPLEMENTED, {"ImgMultiLevelsMinResidueThreshold"}},
      {[&] { return double(ImgMultiLevelsMinResidueThreshold(&empty, 2, regions)); }, -1, VN_ERR_VECTOR_SIZE, {"ImgMultiLevelsMinResidueThreshold"}},
      {[&] { return double(ImgAllMultiLevelsMinResidueThreshold(&h255, 2, partitions)); }, -1, VN_ERR_VECTOR_SIZE, {"ImgAllMultiLevelsMinResidueThreshold"}},
      {[&] { return double(ImgAllMultiLevelsMinResidueThreshold(&two, 3, partitions)); }, -1, VN_ERR_NOT_IMPLEMENTED, {"ImgAllMultiLevelsMinResidueThreshold"}},
      {[&] { Vector<VnBW8> v; return thrown([&] { ImgMultiLevelsMinResidueThreshold(&two, 2, v); }); }, VN_ERR_PARAM_1, VN_ERR_NOT_IMPLEMENTED, {"ImgMultiLevelsMinResidueThreshold"}},
      {[&] { return double(ImgThreshold(&outside8, d8.roi(), 10)); }, VN_ERR_ROI_OUTSIDE_PARENT, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgThreshold"}},
      {[&] { return double(ImgThreshold(s8.roi(), &narrow8, IMG_THRESHOLD_ISODATA)); }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH, {"ImgThreshold"}},
      {[&] { return double(ImgDoubleThreshold(s8.roi(), &narrow8, 10, 20)); }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH, {"ImgDoubleThreshold ( BW8 to BW8)"}},
      {[&] { return ImgThreshold(s16.roi(), &narrow16, 10, 0, 1), 0.0; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgThreshold (BW16)"}},
      {[&] { return ImgDoubleThreshold(s16.roi(), &narrow16, 10, 20), 0.0; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgDoubleThreshold ( BW16 to BW16)"}},
      {[&] { return ImgThreshold(c24.roi(), &narrow8, VnC24{}, VnC24{9, 9, 9}, &lookup, 1, 2), 0.0; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgThreshold ( C24 to BW8)"}},
      {[&] { return ImgThreshold(s8.roi(), &narrowBits, 5), 0.0; }, 0, VN_ERR_SIZE_MISMATCH, {"ImgThreshold (BW8 -> BW1)"}},
      {[&] { return ImgThreshold(&outside8, bits.roi(), 5), 0.0; }, 0, VN_ERR_ROI_OUTSIDE_PARENT, {"ImgThreshold (BW8 -> BW1)"}},
      {[&] { return ImgThreshold(&void16, bits.roi(), 5), 0.0; }, 0, VN_ERR_NULL_ROI, {"ImgThreshold (BW16 -> BW1)"}},
      {[&] { return thrown([&] { ImgThresholdAligned(s8.roi(), bits.roi(), 5); }); }, VN_ERR_BW1_NOT_ALIGNED, 0, {}},
      {[&] { return thrown([&] { ImgThresholdAligned(s8.roi(), &narrowBits, 5); }); }, VN_ERR_SIZE_MISMATCH, VN_ERR_SIZE_MISMATCH, {}},
      {[&] { VnOk(); return thrown([&] { ImgThresholdAligned(null8, &alignedBits, 5); }); }, VN_ERR_NULL_ROI, 0, {}},  // thrown, not set
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), d8.roi(), IMG_THRESHOLD_ISODATA, 0, 8), 0.0; }, 0, VN_ERR_PARAM_4, {"ImgAutoAdaptiveThreshold"}},
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), d8.roi(), IMG_THRESHOLD_ISODATA, 8, -1), 0.0; }, 0, VN_ERR_PARAM_5, {"ImgAutoAdaptiveThreshold"}},
      {[&] { return ImgAutoAdaptiveThreshold(s8.roi(), d8.roi(), IMG_THRESHOLD_MODES(~0u), 8, 8), 0.0; }, 0, VN_ERR_PARAM_2, {"ImgHistogramThreshold", "ImgAutoAdaptiveThreshold"}},
      {[&] { return ImgLocalMeanThreshold(null8, d8.roi(), 1, 0), 0.0; }, 0, VN_ERR_NULL_ROI, {}},
      {[&] { return ImgLocalMeanThreshold(s8.roi(), d8.roi(), -1, 0), 0.0; }, 0, VN_ERR_PARAM_3, {}},
      {[&] { return ImgLocalMeanThreshold(s8.roi(), &narrow8, 1, 0), 0.0; }, 0, VN_ERR_SIZE_MISMATCH, {}},
  };
  for (const auto& r : rows) {
    out = MakeHistogram({7, 8});
    lut.Empty(), lut.AddElement(7);
    regions.Clear(), regions.Append({1, 2, 3, 4, 5});
    VnOk();
    VnSetError(5);  // a stale code, which every operation clears first
    const double result = r.call();
    const std::string name = (r.trace.empty() ? "" : r.trace.back()) + " row " + std::to_string(&r - rows);
    EXPECT_EQ(result, r.result) << name;
    EXPECT_TRUE(r.trace.empty() ? VnGetError() == r.code && VnGetErrorTraceCount() == 0 : Failed(r.code, r.trace)) << name;
    EXPECT_TRUE(CountsOf(out) == Counts({7, 8}) && lut.GetNumElements() == 1 && regions.GetSize() == 1) << name;
    EXPECT_TRUE(below == -7.0f && above == -8.0f && f == -9.0f && b8 == 3 && c8 == 4) << name;
    EXPECT_TRUE(d8.Unchanged() && d16.Unchanged() && bits.Unchanged() && legacyOut.GetVectType() == 0) << name;
  }
  // A histogram too large for the container fails with its allocation code, traced after it.
  ImgHistogram(&s32, &out, 31, 31, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace().back(), "ImgHistogram ( VnBW32)");
}

}  // namespace
}  // namespace vnimg::test
