#include <gtest/gtest.h>
#include <functional>

#include "support/images.h"

namespace vnimg::test {
namespace {

template <class T>
std::vector<T> PixelsOf(const VnROI<T>& roi) {
  std::vector<T> pixels;
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) pixels.push_back(roi.GetPixel(x, y));
  return pixels;
}

template <class T>
void ExpectMirrors(unsigned seed) {
  Rng rng(seed);
  for (const Placement& p : RandomPlacements(rng, 60)) {
    GuardedRoi<T> roi(p, rng);
    const std::vector<T> before = PixelsOf(*roi.roi());
    const int w = p.width, h = p.height;
    ImgVerticalMirror(roi.roi());
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_TRUE(roi.roi()->GetPixel(x, y) == before[std::size_t(h - 1 - y) * w + x]);
    ImgVerticalMirror(roi.roi());
    ASSERT_TRUE(roi.Unchanged());
    ImgHorizontalMirror(roi.roi());
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_TRUE(roi.roi()->GetPixel(x, y) == before[std::size_t(y) * w + (w - 1 - x)]);
    ASSERT_TRUE(roi.OutsideUnchanged());
    ImgHorizontalMirror(roi.roi());
    ASSERT_TRUE(roi.Unchanged());
  }
}

TEST(Mirror, BW8TwiceIsTheIdentity) { ExpectMirrors<VnBW8>(41); }
TEST(Mirror, BW16TwiceIsTheIdentity) { ExpectMirrors<VnBW16>(42); }
// Colour pixels move whole: each keeps its component order.
TEST(Mirror, C24TwiceIsTheIdentity) { ExpectMirrors<VnC24>(43); }

TEST(Mirror, MissingPixelsAre1400WithEachTrace) {
  VnImage<VnBW8> voidBW8;
  VnImage<VnBW16> voidBW16;
  VnImage<VnC24> voidC24;
  struct Case {
    std::function<void()> call;
    const char* trace;
  };
  const Case cases[] = {
      {[&] { ImgVerticalMirror(&voidBW8); }, "ImgVerticalMirror ( gray-level)"},
      {[&] { ImgVerticalMirror(static_cast<VnROI<VnBW8>*>(nullptr)); }, "ImgVerticalMirror ( gray-level)"},
      {[&] { ImgVerticalMirror(&voidBW16); }, "ImgVerticalMirror ( BW16)"},
      {[&] { ImgVerticalMirror(&voidC24); }, "ImgVerticalMirror ( color)"},
      {[&] { ImgHorizontalMirror(&voidBW8); }, "ImgHorizontalMirror ( gray-level)"},
      {[&] { ImgHorizontalMirror(static_cast<VnROI<VnBW16>*>(nullptr)); }, "ImgHorizontalMirror ( BW16)"},
      {[&] { ImgHorizontalMirror(&voidC24); }, "ImgHorizontalMirror ( color)"},
  };
  for (const Case& c : cases) {
    c.call();
    EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI) << c.trace;
    EXPECT_EQ(Trace(), std::vector<std::string>{c.trace});
  }
}

}  // namespace
}  // namespace vnimg::test
