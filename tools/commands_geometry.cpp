// Geometric transforms. Angles are in degrees; pivots default to the centres of the source
// and the destination; the destination has the source's size unless --width / --height say.
#include "cli.h"

namespace vnimg::tool {
namespace {

const Option kInterpolation{"interpolation-bits", "0", "0 nearest pixel, 4 or 8 bilinear with 4- or 8-bit weights", {}, false,
                            kAnyPixels, std::nullopt, {0, 4, 8}};

// Angles given in degrees whatever the library's setting, which is restored afterwards.
class DegreesForThisCall {
 public:
  DegreesForThisCall() : m_previous(VnGetAngleUnit()) { VnSetAngleUnit(VN_ANGLE_DEGREES); }
  ~DegreesForThisCall() { VnSetAngleUnit(m_previous); }
  DegreesForThisCall(const DegreesForThisCall&) = delete;
  DegreesForThisCall& operator=(const DegreesForThisCall&) = delete;

 private:
  VN_ANGLE_UNIT m_previous;
};

float RealOr(const Invocation& call, const std::string& option, double fallback) {
  return static_cast<float>(call.Text(option) == "centre" ? fallback : call.Real(option));
}

int Interpolation(const Invocation& call) { return static_cast<int>(call.Integer("interpolation-bits")); }

// Pivots that coincide (or three on one line) define no transform.
void CheckPivots(const std::vector<float>& xs, const std::vector<float>& ys, const char* which) {
  const std::size_t n = xs.size();
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (xs[i] == xs[j] && ys[i] == ys[j])
        throw UsageError(std::string("the ") + which + " pivots " + std::to_string(i + 1) + " and " + std::to_string(j + 1) +
                         " coincide; give distinct points");
  if (n == 3 && static_cast<double>(xs[1] - xs[0]) * (ys[2] - ys[0]) == static_cast<double>(xs[2] - xs[0]) * (ys[1] - ys[0]))
    throw UsageError(std::string("the three ") + which + " pivots lie on one line; give a triangle");
}

void LinearTransform(Invocation& call) {
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewDestination(call, src);
    const auto r = [&](const char* option) { return static_cast<float>(call.Real(option)); };
    CallOperation("ImgLinearTransform", [&] {
      ImgLinearTransform(&src, r("a"), r("b"), r("c"), r("d"), r("e"), r("f"), &dst, Interpolation(call));
    });
    return dst;
  });
}

void ScaleRotate(Invocation& call) {
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewDestination(call, src);
    const float srcX = RealOr(call, "src-pivot-x", src.GetWidth() / 2.0);
    const float srcY = RealOr(call, "src-pivot-y", src.GetHeight() / 2.0);
    const float dstX = RealOr(call, "dst-pivot-x", dst.GetWidth() / 2.0);
    const float dstY = RealOr(call, "dst-pivot-y", dst.GetHeight() / 2.0);
    const auto scaleX = static_cast<float>(call.Real("scale-x")), scaleY = static_cast<float>(call.Real("scale-y"));
    const auto rotation = static_cast<float>(call.Real("rotation"));
    call.Chose("src-pivot", Report::List().Add(srcX).Add(srcY));
    call.Chose("dst-pivot", Report::List().Add(dstX).Add(dstY));
    CallOperation("ImgScaleRotate", [&] {
      const DegreesForThisCall degrees;
      ImgScaleRotate(&src, srcX, srcY, dstX, dstY, scaleX, scaleY, rotation, &dst, Interpolation(call));
    });
    return dst;
  });
}

void Register(Invocation& call) {
  std::vector<float> p;  // the source xs, source ys, destination xs, destination ys
  std::size_t pivots = 0;
  for (const char* option : {"src-x", "src-y", "dst-x", "dst-y"}) {
    const std::vector<double> values = call.Reals(option);
    if (pivots == 0) pivots = values.size();
    if (values.size() != pivots || pivots > 3)
      throw UsageError("--src-x, --src-y, --dst-x and --dst-y must each list the same 1, 2 or 3 coordinates");
    p.insert(p.end(), values.begin(), values.end());
  }
  const auto sx = [&](std::size_t i) { return p[i]; };
  const auto sy = [&](std::size_t i) { return p[pivots + i]; };
  const auto dx = [&](std::size_t i) { return p[2 * pivots + i]; };
  const auto dy = [&](std::size_t i) { return p[3 * pivots + i]; };
  const int resize = call.Flag("resize") ? 1 : 0;
  if (resize && pivots != 2) throw UsageError("--resize applies to two pivots");
  CheckPivots({p.begin(), p.begin() + pivots}, {p.begin() + pivots, p.begin() + 2 * pivots}, "source");
  CheckPivots({p.begin() + 2 * pivots, p.begin() + 3 * pivots}, {p.begin() + 3 * pivots, p.end()}, "destination");
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewDestination(call, src);
    const int bits = Interpolation(call);
    CallOperation("ImgRegister", [&] {
      if (pivots == 1) {
        ImgRegister(&src, &dst, sx(0), sy(0), dx(0), dy(0), bits);
      } else if (pivots == 2) {
        ImgRegister(&src, &dst, sx(0), sy(0), sx(1), sy(1), dx(0), dy(0), dx(1), dy(1), bits, resize);
      } else {
        ImgRegister(&src, &dst, sx(0), sy(0), sx(1), sy(1), sx(2), sy(2), dx(0), dy(0), dx(1), dy(1), dx(2), dy(2), bits);
      }
    });
    return dst;
  });
}

template <class T>
VnImage<T> Mirrored(VnImage<T>& image, bool vertical) {
  CallOperation(vertical ? "ImgVerticalMirror" : "ImgHorizontalMirror", [&] {
    if (vertical) {
      ImgVerticalMirror(&image);
    } else {
      ImgHorizontalMirror(&image);
    }
  });
  return std::move(image);
}

}  // namespace

void AddGeometryCommands(std::vector<Command>& commands) {
  commands.push_back({"linear-transform", "IN OUT", "Resample under the affine map X = a x + b y + c, Y = d x + e y + f",
                      {{"a", "1", "x scale"}, {"b", "0", "y to X"}, {"c", "0", "X shift"}, {"d", "0", "x to Y"},
                       {"e", "1", "y scale"}, {"f", "0", "Y shift"}, kInterpolation, kWidthOption, kHeightOption},
                      LinearTransform,
                      "Destination pixels whose source point falls outside the source become 0.", AlphaRule::Transform});
  commands.push_back({"scale-rotate", "IN OUT", "Scale and rotate about a pivot",
                      {{"src-pivot-x", "centre", "source pivot x"}, {"src-pivot-y", "centre", "source pivot y"},
                       {"dst-pivot-x", "centre", "destination pivot x"}, {"dst-pivot-y", "centre", "destination pivot y"},
                       {"scale-x", "1", "scale along the source's x axis"}, {"scale-y", "1", "scale along the source's y axis"},
                       {"rotation", "0", "angle in degrees, counter-clockwise on screen"}, kInterpolation, kWidthOption,
                       kHeightOption},
                      ScaleRotate,
                      "The source pivot lands on the destination pivot; coordinates are continuous (pixel (i, j)\n"
                      "covers [i, i+1) x [j, j+1)). The pivots used are printed with --json.", AlphaRule::Transform});
  commands.push_back({"register", "IN OUT", "Register by one, two or three pivot points",
                      {{"src-x", "", "source pivots' x, comma-separated"}, {"src-y", "", "source pivots' y"},
                       {"dst-x", "", "destination pivots' x"}, {"dst-y", "", "destination pivots' y"},
                       {"resize", "", "with two pivots, scale by the ratio of their distances", {}, true}, kInterpolation,
                       kWidthOption, kHeightOption},
                      Register,
                      "One pivot translates, two rotate (and scale with --resize), three give an affine map:\n"
                      "vnimg register in.png out.png --src-x 10,200 --src-y 20,40 --dst-x 12,198 --dst-y 25,60",
                      AlphaRule::Transform});
  commands.push_back({"shrink", "IN OUT", "Shrink by block means to --width x --height", {kWidthOption, kHeightOption},
                      [](Invocation& call) {
                        MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
                          VnImage<T> dst = NewDestination(call, src);
                          CallOperation("ImgShrink", [&] { ImgShrink(&src, &dst); });
                          return dst;
                        });
                      },
                      "", AlphaRule::Transform});
  commands.push_back({"halve", "IN OUT", "Halve the size (means of 2 x 2 blocks)",
                      {{"drop-odd", "", "ignore an odd last column or row", {}, true}}, [](Invocation& call) {
                        const int dropOdd = call.Flag("drop-odd") ? 1 : 0;
                        MapImage<VnBW8>(call, [&](VnImage<VnBW8>& src) {
                          VnImage<VnBW8> dst;
                          CallOperation("ImgHalve", [&] { ImgHalve(&src, &dst, dropOdd); });
                          return dst;
                        });
                      },
                      "", AlphaRule::Transform});
  commands.push_back({"vertical-mirror", "IN OUT", "Flip upside down", {}, [](Invocation& call) {
                        MapImage<VnBW8, VnBW16, VnC24>(call, [](auto& image) { return Mirrored(image, true); });
                      },
                      "", AlphaRule::Transform});
  commands.push_back({"horizontal-mirror", "IN OUT", "Flip left to right", {}, [](Invocation& call) {
                        MapImage<VnBW8, VnBW16, VnC24>(call, [](auto& image) { return Mirrored(image, false); });
                      },
                      "", AlphaRule::Transform});
}

}  // namespace vnimg::tool
