// Histograms, their features and automatic threshold selection.
#include "cli.h"

namespace vnimg::tool {
namespace {

const EnumName kFeatures[] = {
    {"mode-value", IMG_HIST_MODE_VALUE},       {"mode-count", IMG_HIST_MODE_COUNT},
    {"rarest-value", IMG_HIST_RAREST_VALUE},   {"rarest-count", IMG_HIST_RAREST_COUNT},
    {"first-used-value", IMG_HIST_FIRST_USED_VALUE}, {"last-used-value", IMG_HIST_LAST_USED_VALUE},
    {"total-count", IMG_HIST_TOTAL_COUNT},     {"mean", IMG_HIST_MEAN},
    {"std-dev", IMG_HIST_STD_DEV},
};

}  // namespace

const EnumName kThresholdModes[] = {
    {"relative", IMG_THRESHOLD_RELATIVE}, {"min-residue", IMG_THRESHOLD_MIN_RESIDUE},
    {"max-entropy", IMG_THRESHOLD_MAX_ENTROPY}, {"isodata", IMG_THRESHOLD_ISODATA},
    {"min-abs-error", IMG_THRESHOLD_MIN_ABS_ERROR}, {"min-sq-error", IMG_THRESHOLD_MIN_SQ_ERROR},
};

namespace {

// 8-bit images: 256 bins. 16-bit images: bins from bits msb - bits + 1 .. msb of each pixel.
VnBWHistogramVector HistogramOf(const Invocation& call, AnyImage& image, unsigned msb, unsigned bits, int saturate) {
  VnBWHistogramVector hist;
  WithPixels<VnBW8, VnBW16>(call, image, [&]<class T>(VnImage<T>& src) {
    CallOperation("ImgHistogram", [&] {
      if constexpr (std::is_same_v<T, VnBW8>) {
        ImgHistogram(&src, &hist);
      } else {
        ImgHistogram(&src, &hist, msb, bits, saturate);
      }
    });
  });
  return hist;
}

int Bound(const Invocation& call, const std::string& option, int bins) {
  return call.Text(option) == "last" ? bins - 1 : static_cast<int>(call.Integer(option, 0, bins - 1));
}

float Feature(VnBWHistogramVector& hist, IMG_HISTOGRAM_FEATURE feature, int lo, int hi) {
  float value = 0;
  CallOperation("ImgAnalyseHistogram", [&] {
    value = hist.GetNumElements() == 256 ? ImgAnalyseHistogram(&hist, feature, lo, hi)
                                         : ImgAnalyseHistogramBW16(&hist, feature, lo, hi);
  });
  return value;
}

void Histogram(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  VnBWHistogramVector hist = HistogramOf(call, image, static_cast<unsigned>(call.Integer("msb", 0, 1000)),
                                         static_cast<unsigned>(call.Integer("bits", 0, 1000)), call.Flag("saturate") ? 1 : 0);
  const int bins = static_cast<int>(hist.GetNumElements());
  const int lo = Bound(call, "lo", bins), hi = Bound(call, "hi", bins);
  if (call.Text("feature") != "all") {
    call.Print(Feature(hist, static_cast<IMG_HISTOGRAM_FEATURE>(call.Enum("feature", 0, 1000)), lo, hi));
    return;
  }
  Report report = Report::Group().Set("bins", bins);
  for (const EnumName& feature : kFeatures)
    report.Set(feature.name, Feature(hist, static_cast<IMG_HISTOGRAM_FEATURE>(feature.value), lo, hi));
  float entropy = 0;
  CallOperation("VnBWHistogramVector::Entropy", [&] { entropy = hist.Entropy(static_cast<unsigned>(lo), static_cast<unsigned>(hi)); });
  report.Set("entropy", entropy);
  if (call.Flag("counts")) {
    Report counts = Report::List();
    for (int i = 0; i < bins; ++i) counts.Add(hist[i]);
    report.Set("counts", std::move(counts));
  }
  call.Print(report);
}

void HistogramThreshold(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  VnBWHistogramVector hist = HistogramOf(call, image, 15, 16, 1);
  const bool wide = hist.GetNumElements() != 256;
  const int bins = static_cast<int>(hist.GetNumElements());
  const auto lo = static_cast<unsigned>(Bound(call, "lo", bins)), hi = static_cast<unsigned>(Bound(call, "hi", bins));
  const auto fraction = static_cast<float>(call.Real("fraction"));
  if (call.Given("threshold") && call.Given("mode")) throw UsageError("give --threshold LEVEL or --mode, not both");
  const auto select = [&](unsigned int mode) {
    unsigned int threshold = mode;
    float below = 0, above = 0;
    CallOperation("ImgHistogramThreshold", [&] {
      if (wide) {
        ImgHistogramThresholdBW16(&hist, threshold, below, above, fraction, lo, hi);
      } else {
        ImgHistogramThreshold(&hist, threshold, below, above, fraction, lo, hi);
      }
    });
    return Report::Group().Set("threshold", threshold).Set("below-average", below).Set("above-average", above);
  };
  if (call.Given("threshold")) return call.Print(select(static_cast<unsigned>(call.Integer("threshold", 0, bins - 1))));
  if (call.Text("mode") != "all") return call.Print(select(static_cast<unsigned>(call.Enum("mode", 0, -1))));
  Report report = Report::Group();
  for (const EnumName& mode : kThresholdModes) report.Set(mode.name, select(static_cast<unsigned>(mode.value)));
  call.Print(report);
}

VnBWHistogramVector Histogram8(Invocation& call) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  VnBWHistogramVector hist;
  WithPixels<VnBW8>(call, image, [&](VnImage<VnBW8>& src) { CallOperation("ImgHistogram", [&] { ImgHistogram(&src, &hist); }); });
  return hist;
}

void ThreeLevels(Invocation& call) {
  VnBWHistogramVector hist = Histogram8(call);
  VnBW8 low = 0, high = 0;
  float a0 = 0, a1 = 0, a2 = 0, residual = 0;
  CallOperation("ImgThreeLevelsMinResidueThreshold",
                [&] { residual = ImgThreeLevelsMinResidueThreshold(&hist, low, high, a0, a1, a2); });
  call.Print(Report::Group()
                 .Set("low-threshold", low)
                 .Set("high-threshold", high)
                 .Set("averages", Report::List().Add(a0).Add(a1).Add(a2))
                 .Set("residual", residual));
}

void MultiLevels(Invocation& call) {
  VnBWHistogramVector hist = Histogram8(call);
  Korvane::Quandor::Utils::Vector<VnRegionDescriptor> regions;
  float residual = 0;
  const auto classes = static_cast<unsigned>(call.Integer("classes"));
  CallOperation("ImgMultiLevelsMinResidueThreshold",
                [&] { residual = ImgMultiLevelsMinResidueThreshold(&hist, classes, regions); });
  Report list = Report::List();
  for (int i = 0; i < regions.GetSize(); ++i) {
    const VnRegionDescriptor& r = regions.GetData()[i];
    list.Add(Report::Group()
                 .Set("first", r.m_un32First)
                 .Set("last", r.m_un32Last)
                 .Set("mean", r.m_f32Mean)
                 .Set("variance", r.m_f32Variance)
                 .Set("count", r.m_n32Count));
  }
  call.Print(Report::Group().Set("residual", residual).Set("classes", std::move(list)));
}

const Option kLo{"lo", "0", "first bin"};
const Option kHi{"hi", "last", "last bin"};

}  // namespace

void AddHistogramCommands(std::vector<Command>& commands) {
  const std::vector<CodeMeaning> bounds{{VN_ERR_BAD_ARGUMENT_COMBINATION, "--lo must lie below --hi"},
                                        {VN_ERR_EMPTY_HISTOGRAM_RANGE, "no pixel lies between --lo and --hi"}};
  commands.push_back({"histogram", "IN", "Histogram features (and counts) of a gray image",
                      {{"feature", "all", "one feature, or all of them and the entropy", kFeatures}, kLo, kHi,
                       {"msb", "15", "highest pixel bit that counts", {}, false, kPixels<VnBW16>, Range{0, 15}},
                       {"bits", "8", "bits that index the bins (2^bits bins)", {}, false, kPixels<VnBW16>, Range{1, 16}},
                       {"saturate", "", "put pixels above the bins' range in the last bin (else they are left out)", {}, true,
                        kPixels<VnBW16>},
                       {"counts", "", "also print every bin's count", {}, true}},
                      Histogram, "", AlphaRule::Refuse, bounds});
  commands.push_back({"histogram-threshold", "IN", "Automatic threshold and class averages, for each mode",
                      {{"mode", "all", "the mode, or all modes", kThresholdModes},
                       {"threshold", "auto", "an absolute threshold instead of a mode (the class averages it gives)"},
                       {"fraction", "0.5", "fraction of pixels below the threshold in relative mode", {}, false, kAnyPixels,
                        Range{0, 1}},
                       kLo, kHi},
                      HistogramThreshold, "16-bit images use a 65536-bin histogram.", AlphaRule::Refuse, bounds});
  commands.push_back({"three-levels-min-residue-threshold", "IN", "Two thresholds splitting the histogram in three classes",
                      {}, ThreeLevels});
  commands.push_back({"multi-levels-min-residue-threshold", "IN", "Optimal partition of the histogram into classes",
                      {{"classes", "", "number of classes", {}, false, kAnyPixels, Range{1, 256}}}, MultiLevels, "",
                      AlphaRule::Refuse,
                      {{VN_ERR_NOT_IMPLEMENTED, "--classes is more than the gray levels from the darkest to the brightest pixel"}}});
}

}  // namespace vnimg::tool
