// Binary morphology: bi-level (8-bit 0/255) and packed (1-bit) erosion, dilation and their
// compositions, the majority median, thinning and thickening, distance maps.
#include "cli.h"

namespace vnimg::tool {
namespace {

const Option kHalfX{"half-x", "1", "the box is 2 half-x + 1 pixels wide"};
const Option kHalfY{"half-y", "same", "the box is 2 half-y + 1 pixels high (same: half-x)"};
const Option kHalfSize{"half-size", "1", "radius of the disk (an octagon of squares and crosses)"};
const EnumName kRotations[] = {{"none", 0}, {"clockwise", 1}, {"anticlockwise", 2}};

unsigned HalfOption(const Invocation& call, const std::string& option) {
  return static_cast<unsigned>(call.Integer(option, 0, 0xFFFFFFFEll));
}

// The 8-bit form runs the bi-level operation, the 1-bit one the packed operation.
template <class Bw8, class Bw1>
Command BoxCommand(const char* name, const char* summary, Bw8 bilevel, Bw1 packed) {
  return {name, "IN OUT", summary, {kHalfX, kHalfY}, [bilevel, packed](Invocation& call) {
            const unsigned halfX = HalfOption(call, "half-x");
            const unsigned halfY = call.Text("half-y") == "same" ? kVnSameHalfSize : HalfOption(call, "half-y");
            MapImage<VnBW1, VnBW8>(call, [&]<class T>(VnImage<T>& src) {
              VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
              if constexpr (std::is_same_v<T, VnBW8>) CallOperation(call.command().name, [&] { bilevel(&src, &dst, halfX, halfY); });
              else CallOperation(call.command().name, [&] { packed(&src, &dst, halfX, halfY); });
              return dst;
            });
          }};
}

template <class Bw8, class Bw1>
Command DiskCommand(const char* name, const char* summary, Bw8 bilevel, Bw1 packed) {
  return {name, "IN OUT", summary, {kHalfSize}, [bilevel, packed](Invocation& call) {
            const unsigned radius = HalfOption(call, "half-size");
            MapImage<VnBW1, VnBW8>(call, [&]<class T>(VnImage<T>& src) {
              VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
              if constexpr (std::is_same_v<T, VnBW8>) CallOperation(call.command().name, [&] { bilevel(&src, &dst, radius); });
              else CallOperation(call.command().name, [&] { packed(&src, &dst, radius); });
              return dst;
            });
          }};
}

void Median(Invocation& call) {
  MapImage<VnBW1, VnBW8>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    if constexpr (std::is_same_v<T, VnBW8>) CallOperation("ImgBiLevelMedian", [&] { ImgBiLevelMedian(&src, &dst); });
    else CallOperation("ImgMedian", [&] { ImgMedian(&src, &dst); });
    return dst;
  });
}

// "thinning", "thickening", or nine cells row by row, each 1, 0 or -1.
void SetPattern(const Invocation& call, VnKernel& kernel) {
  const std::string text = call.Text("kernel");
  if (text == "thinning" || text == "thickening") {
    kernel.SetKernel(text == "thinning" ? KERNEL_THINNING : KERNEL_THICKENING);
  } else {
    const std::vector<double> c = call.Reals("kernel");
    if (c.size() != 9) throw UsageError("--kernel is thinning, thickening or nine cells (1, 0 or -1) row by row");
    const auto f = [&](int i) { return static_cast<float>(c[i]); };
    kernel.SetKernelData(f(0), f(1), f(2), f(3), f(4), f(5), f(6), f(7), f(8));
  }
  kernel.SetOutsideValue(static_cast<unsigned>(call.Integer("outside-value")));
}

void HitOrMiss(Invocation& call, bool thick) {
  VnKernel kernel(KERNEL_THINNING);
  SetPattern(call, kernel);
  const auto rotation = static_cast<KERNEL_ROTATION>(call.Enum("rotation", 0, 2));
  const int requested = static_cast<int>(call.Integer("iterations"));
  int passes = requested;
  MapImage<VnBW1, VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation(thick ? "ImgThick" : "ImgThin", [&] {
      passes = requested;
      thick ? ImgThick(&src, &dst, &kernel, rotation, passes) : ImgThin(&src, &dst, &kernel, rotation, passes);
    });
    return dst;
  });
  call.Chose(rotation == 0 ? "passes" : "turns", passes, true);
}

std::vector<Option> HitOrMissOptions() {
  return {{"kernel", "thinning", "thinning, thickening, or nine cells row by row (1 set, 0 clear, -1 either)"},
          {"rotation", "none", "turn the pattern an eighth after each pass: none, clockwise, anticlockwise", kRotations},
          {"iterations", "0", "most passes (turns with rotation); 0: the image width", {}, false, kAnyPixels, Range{-1, 1023}},
          {"outside-value", "0", "0: outside pixels are clear; above 0: they agree with the pattern", {}, false, kAnyPixels,
           Range{0, 255}}};
}

void Distance(Invocation& call) {
  MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
    VnImage<VnBW16> dst = NewImage<VnBW16>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgDistance", [&] { ImgDistance(&src, &dst, 0); });
    return dst;
  });
}

void DistanceMap(Invocation& call) {
  const unsigned maximum = static_cast<unsigned>(call.Integer("maximum"));
  MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
    VnImage<VnBW8> dst = NewImage<VnBW8>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgComputeDistanceMap", [&] { ImgComputeDistanceMap(&src, &dst, maximum); });
    return dst;
  });
}

#define VNIMG_BOX(Name) [](auto* s, auto* d, unsigned x, unsigned y) { Name(s, d, x, y); }
#define VNIMG_DISK(Name) [](auto* s, auto* d, unsigned r) { Name(s, d, r); }
#define VNIMG_BOTH_BOX(Name) VNIMG_BOX(ImgBiLevel##Name##Box), VNIMG_BOX(Img##Name##Box)
#define VNIMG_BOTH_DISK(Name) VNIMG_DISK(ImgBiLevel##Name##Disk), VNIMG_DISK(Img##Name##Disk)

}  // namespace

void AddBinaryMorphologyCommands(std::vector<Command>& commands) {
  commands.push_back(BoxCommand("bi-level-erode-box", "AND over a box (0/255 or 1-bit images)", VNIMG_BOTH_BOX(Erode)));
  commands.push_back(BoxCommand("bi-level-dilate-box", "OR over a box", VNIMG_BOTH_BOX(Dilate)));
  commands.push_back(BoxCommand("bi-level-open-box", "Bi-level erosion then dilation by a box", VNIMG_BOTH_BOX(Open)));
  commands.push_back(BoxCommand("bi-level-close-box", "Bi-level dilation then erosion by a box", VNIMG_BOTH_BOX(Close)));
  commands.push_back(BoxCommand("bi-level-white-top-hat-box", "The image minus its bi-level opening", VNIMG_BOTH_BOX(WhiteTopHat)));
  commands.push_back(BoxCommand("bi-level-black-top-hat-box", "The bi-level closing minus the image", VNIMG_BOTH_BOX(BlackTopHat)));
  commands.push_back(BoxCommand("bi-level-morpho-gradient-box", "Bi-level dilation minus erosion: the boundary", VNIMG_BOTH_BOX(MorphoGradient)));
  commands.push_back(DiskCommand("bi-level-erode-disk", "AND over a disk", VNIMG_BOTH_DISK(Erode)));
  commands.push_back(DiskCommand("bi-level-dilate-disk", "OR over a disk", VNIMG_BOTH_DISK(Dilate)));
  commands.push_back(DiskCommand("bi-level-open-disk", "Bi-level erosion then dilation by a disk", VNIMG_BOTH_DISK(Open)));
  commands.push_back(DiskCommand("bi-level-close-disk", "Bi-level dilation then erosion by a disk", VNIMG_BOTH_DISK(Close)));
  commands.push_back(DiskCommand("bi-level-white-top-hat-disk", "The image minus its bi-level opening by a disk", VNIMG_BOTH_DISK(WhiteTopHat)));
  commands.push_back(DiskCommand("bi-level-black-top-hat-disk", "The bi-level closing by a disk minus the image", VNIMG_BOTH_DISK(BlackTopHat)));
  commands.push_back(DiskCommand("bi-level-morpho-gradient-disk", "Bi-level dilation minus erosion by a disk", VNIMG_BOTH_DISK(MorphoGradient)));
  commands.push_back({"bi-level-median", "IN OUT", "255 where at least 5 of the 3x3 window are set", {}, Median});
  commands.push_back({"thin", "IN OUT", "Clear the pixels matching a 3x3 hit-or-miss pattern, pass after pass", HitOrMissOptions(),
                      [](Invocation& call) { HitOrMiss(call, false); },
                      "Stops after a pass (with rotation a whole turn) that changes nothing, or after\n"
                      "--iterations; prints the passes made (whole turns with rotation)."});
  commands.push_back({"thick", "IN OUT", "Set the pixels matching a 3x3 hit-or-miss pattern, pass after pass", HitOrMissOptions(),
                      [](Invocation& call) { HitOrMiss(call, true); }});
  commands.push_back({"distance", "IN OUT", "3x3 chamfer distance (steps 1 and sqrt 2) to the nearest 0, as 16-bit", {}, Distance});
  commands.push_back({"compute-distance-map", "IN OUT", "City-block distance to the boundary on both sides, by rings",
                      {{"maximum", "255", "largest distance; farther pixels are 255", {}, false, kAnyPixels, Range{0, 4294967295.0}}},
                      DistanceMap});
}

}  // namespace vnimg::tool
