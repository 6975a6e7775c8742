// Gray-level morphology: box and disk erosion, dilation and their compositions, the median.
#include "cli.h"

namespace vnimg::tool {
namespace {

const Option kHalfX{"half-x", "1", "the box is 2 half-x + 1 pixels wide"};
const Option kHalfY{"half-y", "same", "the box is 2 half-y + 1 pixels high (same: half-x)"};
const Option kHalfSize{"half-size", "1", "radius of the disk (an octagon of squares and crosses)"};
const Option kBorder{"border", "edges", "edges repeated, or a value for every window position outside (colour: r,g,b)"};

unsigned HalfOption(const Invocation& call, const std::string& option) {
  return static_cast<unsigned>(call.Integer(option, 0, 0xFFFFFFFEll));
}

template <class Op>
Command BoxCommand(const char* name, const char* summary, Op op) {
  return {name, "IN OUT", summary, {kHalfX, kHalfY}, [op](Invocation& call) {
            const unsigned halfX = HalfOption(call, "half-x");
            const unsigned halfY = call.Text("half-y") == "same" ? kVnSameHalfSize : HalfOption(call, "half-y");
            MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
              VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
              CallOperation(call.command().name, [&] { op(&src, &dst, halfX, halfY); });
              return dst;
            });
          }};
}

template <class Op>
Command DiskCommand(const char* name, const char* summary, Op op) {
  return {name, "IN OUT", summary, {kHalfSize}, [op](Invocation& call) {
            const unsigned radius = HalfOption(call, "half-size");
            MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
              VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
              CallOperation(call.command().name, [&] { op(&src, &dst, radius); });
              return dst;
            });
          }};
}

VnC24 Colour(const Invocation& call, const std::string& option) {
  const std::vector<double> rgb = call.Reals(option);
  for (double v : rgb)
    if (rgb.size() != 3 || v < 0 || v > 255) throw UsageError("--" + option + " is r,g,b with components from 0 to 255");
  return VnC24{static_cast<VnBW8>(rgb[2]), static_cast<VnBW8>(rgb[1]), static_cast<VnBW8>(rgb[0])};
}

// Repeated edges by default; --border selects the bordered form (8-bit gray and colour).
void Median(Invocation& call) {
  const bool bordered = call.Text("border") != "edges";
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    if constexpr (std::is_same_v<T, VnBW16>) {
      if (bordered) throw UsageError("--border does not apply to VnBW16 images");
      CallOperation("ImgMedian", [&] { ImgMedian(&src, &dst); });
    } else if constexpr (std::is_same_v<T, VnC24>) {
      if (!bordered) throw UsageError("median of VnC24 images needs --border r,g,b");
      const VnC24 border = Colour(call, "border");
      CallOperation("ImgMedian", [&] { ImgMedian(&src, &dst, border); });
    } else if (bordered) {
      const int border = static_cast<int>(call.Integer("border", 0, 255));
      CallOperation("ImgMedian", [&] { ImgMedian(&src, &dst, border); });
    } else {
      CallOperation("ImgMedian", [&] { ImgMedian(&src, &dst); });
    }
    return dst;
  });
}

#define VNIMG_BOX(Name) [](auto* s, auto* d, unsigned x, unsigned y) { Name(s, d, x, y); }
#define VNIMG_DISK(Name) [](auto* s, auto* d, unsigned r) { Name(s, d, r); }

}  // namespace

void AddMorphologyCommands(std::vector<Command>& commands) {
  commands.push_back(BoxCommand("erode-box", "Minimum over a box", VNIMG_BOX(ImgErodeBox)));
  commands.push_back(BoxCommand("dilate-box", "Maximum over a box", VNIMG_BOX(ImgDilateBox)));
  commands.push_back(BoxCommand("open-box", "Erosion then dilation by a box (removes small bright parts)", VNIMG_BOX(ImgOpenBox)));
  commands.push_back(BoxCommand("close-box", "Dilation then erosion by a box (fills small dark parts)", VNIMG_BOX(ImgCloseBox)));
  commands.push_back(BoxCommand("white-top-hat-box", "The image minus its opening: small bright details", VNIMG_BOX(ImgWhiteTopHatBox)));
  commands.push_back(BoxCommand("black-top-hat-box", "The closing minus the image: small dark details", VNIMG_BOX(ImgBlackTopHatBox)));
  commands.push_back(BoxCommand("morpho-gradient-box", "Dilation minus erosion by a box: edges", VNIMG_BOX(ImgMorphoGradientBox)));
  commands.push_back(DiskCommand("erode-disk", "Minimum over a disk", VNIMG_DISK(ImgErodeDisk)));
  commands.push_back(DiskCommand("dilate-disk", "Maximum over a disk", VNIMG_DISK(ImgDilateDisk)));
  commands.push_back(DiskCommand("open-disk", "Erosion then dilation by a disk", VNIMG_DISK(ImgOpenDisk)));
  commands.push_back(DiskCommand("close-disk", "Dilation then erosion by a disk", VNIMG_DISK(ImgCloseDisk)));
  commands.push_back(DiskCommand("white-top-hat-disk", "The image minus its opening by a disk", VNIMG_DISK(ImgWhiteTopHatDisk)));
  commands.push_back(DiskCommand("black-top-hat-disk", "The closing by a disk minus the image", VNIMG_DISK(ImgBlackTopHatDisk)));
  commands.push_back(DiskCommand("morpho-gradient-disk", "Dilation minus erosion by a disk", VNIMG_DISK(ImgMorphoGradientDisk)));
  commands.push_back({"median", "IN OUT", "The median of each 3x3 window", {kBorder}, Median,
                      "Edges repeat beyond the image; with --border that value stands for every window\n"
                      "position outside instead (8-bit gray, or r,g,b for colour images, which need it)."});
}

}  // namespace vnimg::tool
