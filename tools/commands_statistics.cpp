// Pixel statistics and projections. Colour results are listed red, green, blue (the library's
// component 2, 1, 0).
#include "cli.h"

namespace vnimg::tool {
namespace {

template <class T>
constexpr long long kTop = std::is_same_v<T, VnBW16> ? 65535 : 255;

Report Colours(float red, float green, float blue) { return Report::Group().Set("red", red).Set("green", green).Set("blue", blue); }

// Runs f(VnImage<T>&) on the only image argument.
template <class... Ts, class F>
void OnImage(Invocation& call, F&& f) {
  call.ExpectArguments(1, 1);
  AnyImage image = call.Read(0);
  WithPixels<Ts...>(call, image, f);
}

void PixelStat(Invocation& call) {
  OnImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    T min = 0, max = 0;
    float average = 0;
    CallOperation("ImgPixelStat", [&] { ImgPixelStat(&src, min, max, average); });
    call.Print(Report::Group().Set("min", min).Set("max", max).Set("average", average));
  });
}

void PixelAverage(Invocation& call) {
  OnImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    float a[3] = {};
    CallOperation("ImgPixelAverage", [&] {
      if constexpr (std::is_same_v<T, VnC24>) ImgPixelAverage(&src, a[0], a[1], a[2]);
      else ImgPixelAverage(&src, a[0]);
    });
    call.Print(std::is_same_v<T, VnC24> ? Colours(a[0], a[1], a[2]) : Report(a[0]));
  });
}

// Variances (deviations) with averages; colour images add the covariances (correlations).
void Spread(Invocation& call, bool deviations) {
  OnImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    const char* spread = deviations ? "std-dev" : "variance";
    float v[9] = {};
    CallOperation(deviations ? "ImgPixelStdDev" : "ImgPixelVariance", [&] {
      if constexpr (std::is_same_v<T, VnC24>) {
        if (deviations) ImgPixelStdDev(&src, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
        else ImgPixelVariance(&src, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
      } else if (deviations) {
        ImgPixelStdDev(&src, v[0], v[6]);
      } else {
        ImgPixelVariance(&src, v[0], v[6]);
      }
    });
    if constexpr (!std::is_same_v<T, VnC24>) return call.Print(Report::Group().Set(spread, v[0]).Set("average", v[6]));
    call.Print(Report::Group()
                   .Set(spread, Colours(v[0], v[1], v[2]))
                   .Set(deviations ? "correlation" : "covariance",
                        Report::Group().Set("red-green", v[3]).Set("green-blue", v[4]).Set("red-blue", v[5]))
                   .Set("average", Colours(v[6], v[7], v[8])));
  });
}

void PixelCount(Invocation& call) {
  OnImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    const auto low = static_cast<T>(call.Integer("low", 0, kTop<T>)), high = static_cast<T>(call.Integer("high", 0, kTop<T>));
    int below = 0, between = 0, above = 0;
    CallOperation("ImgPixelCount", [&] { ImgPixelCount(&src, low, high, below, between, above); });
    call.Print(Report::Group().Set("below", below).Set("between", between).Set("above", above));
  });
}

void Area(Invocation& call) {
  OnImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    const auto threshold = static_cast<T>(call.Integer("threshold", 0, kTop<T>));
    int area = 0;
    CallOperation("ImgArea", [&] { ImgArea(&src, threshold, area); });
    call.Print(area);
  });
}

void PixelCompare(Invocation& call) {
  call.ExpectArguments(2, 2);
  AnyImage a = call.Read(0), b = call.Read(1);
  WithPixels<VnBW1, VnBW8, VnBW16, VnC24>(call, a, [&]<class T>(VnImage<T>& first) {
    auto* second = std::get_if<VnImage<T>>(&b.pixels);
    if (!second) throw UsageError("pixel-compare takes two images of one pixel type, not " + std::string(kPixelTypeName<T>) + " and " + PixelTypeName(b.pixels));
    unsigned int count = 0;
    CallOperation("ImgPixelCompare", [&] { count = ImgPixelCompare(&first, second); });
    call.Print(count);
  });
}

// One value per line (colour: red green blue), or a JSON array.
void PrintEach(Invocation& call, std::vector<Report> values) {
  if (!call.json()) {
    for (const Report& value : values) value.WriteText(call.out());
    return;
  }
  Report list = Report::List();
  for (Report& value : values) list.Add(std::move(value));
  call.Print(list);
}

template <class V>
std::vector<Report> Values(const V& v) {
  std::vector<Report> values;
  for (unsigned i = 0; i < v.GetNumElements(); ++i) {
    if constexpr (std::is_same_v<typename V::Element, VnC24>) values.push_back(Report::List().Add(v[i].c2).Add(v[i].c1).Add(v[i].c0));
    else values.push_back(Report(v[i]));
  }
  return values;
}

void Project(Invocation& call, bool ontoRow) {
  const bool average = call.Flag("average");
  OnImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    const char* name = ontoRow ? "ImgProjectOnARow" : "ImgProjectOnAColumn";
    const auto project = [&](auto& projection) {
      CallOperation(name, [&] { ontoRow ? ImgProjectOnARow(&src, &projection) : ImgProjectOnAColumn(&src, &projection); });
      PrintEach(call, Values(projection));
    };
    if (average) {
      VnVectorTemplate<T> averages;
      return project(averages);
    }
    if constexpr (std::is_same_v<T, VnC24>) throw UsageError(call.command().name + " sums gray images only: colour images need --average");
    else {
      VnBW32Vector sums;
      project(sums);
    }
  });
}

}  // namespace

void AddStatisticsCommands(std::vector<Command>& commands) {
  commands.push_back({"pixel-stat", "IN", "Minimum, maximum and mean of the row means of a gray image", {}, PixelStat});
  commands.push_back({"pixel-average", "IN", "Mean gray level (colour: of each component)", {}, PixelAverage});
  commands.push_back({"pixel-variance", "IN", "Population variance and mean (colour: with the covariances)", {},
                      [](Invocation& call) { Spread(call, false); }});
  commands.push_back({"pixel-std-dev", "IN", "Standard deviation and mean (colour: with the correlations)", {},
                      [](Invocation& call) { Spread(call, true); }});
  commands.push_back({"pixel-count", "IN", "Pixels below low, from low to below high, and from high up",
                      {{"low", "", "first level of the middle class"}, {"high", "", "first level of the upper class"}}, PixelCount});
  commands.push_back({"area", "IN", "Pixels at or above the threshold", {{"threshold", "", "lowest level counted"}}, Area});
  commands.push_back({"pixel-compare", "A B", "Pixels where two images of one type differ", {}, PixelCompare});
  const Option average{"average", "", "each column's (row's) mean instead of its sum", {}, true};
  commands.push_back({"project-on-a-row", "IN", "Sum (or mean) of every column, one value per line", {average},
                      [](Invocation& call) { Project(call, true); }});
  commands.push_back({"project-on-a-column", "IN", "Sum (or mean) of every row, one value per line", {average},
                      [](Invocation& call) { Project(call, false); }});
}

}  // namespace vnimg::tool
