// The Canny edge detector, printing the thresholds it chose.
#include "cli.h"

namespace vnimg::tool {
namespace {

const EnumName kSmoothModes[] = {{"none", SMOOTH_NONE},
                                 {"gaussian-3x3", SMOOTH_GAUSSIAN_3X3},
                                 {"gaussian-5x5", SMOOTH_GAUSSIAN_5X5},
                                 {"gaussian-7x7", SMOOTH_GAUSSIAN_7X7},
                                 {"median", SMOOTH_MEDIAN}};
const EnumName kEdgeFollowingModes[] = {{"hysteresis", EDGE_FOLLOWING_HYSTERESIS},
                                        {"contour-growing", EDGE_FOLLOWING_CONTOUR_GROWING}};

void CannyDetector(Invocation& call) {
  const auto smooth = static_cast<SMOOTH_MODE>(call.Enum("smooth", SMOOTH_NONE, SMOOTH_MEDIAN));
  const auto follow = static_cast<EDGE_FOLLOWING_MODE>(
      call.Enum("edge-following", EDGE_FOLLOWING_HYSTERESIS, EDGE_FOLLOWING_CONTOUR_GROWING));
  MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
    VnImage<VnBW8> dst = NewImage<VnBW8>(src.GetWidth(), src.GetHeight());
    VnCannyThresholds chosen;
    CallOperation("ImgCannyDetector", [&] { ImgCannyDetector(&src, &dst, smooth, follow, &chosen); });
    call.Chose("low", int{chosen.low}, true);
    call.Chose("high", int{chosen.high}, true);
    return dst;
  });
}

}  // namespace

void AddCannyCommands(std::vector<Command>& commands) {
  commands.push_back({"canny-detector", "IN OUT", "Canny edges, with thresholds chosen from the suppressed magnitudes",
                      {{"smooth", "gaussian-3x3", "none, gaussian-3x3, gaussian-5x5, gaussian-7x7 or median (3x3)", kSmoothModes},
                       {"edge-following", "hysteresis", "hysteresis or contour-growing", kEdgeFollowingModes}},
                      CannyDetector,
                      "The output starts black. Hysteresis: pixels reached by a walk are 255, strong pixels no walk\n"
                      "reaches 80; contour growing: grown pixels 255. The low and high thresholds are printed (a high\n"
                      "of 0 means no three-class split existed and every pixel counted as strong)."});
}

}  // namespace vnimg::tool
