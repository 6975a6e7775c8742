// Images built from a formula and pixel-by-pixel comparison of ROIs (padding ignored).
#pragma once

#include <gtest/gtest.h>

#include <vnimg.h>

namespace vnimg::test {

// The image of width x height with pixel (x, y) = f(x, y).
template <class T, class F>
VnImage<T> Make(int width, int height, F f) {
  VnImage<T> image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(static_cast<T>(f(x, y)), x, y);
  return image;
}

// Same size and the same pixels inside the ROI.
template <class T>
::testing::AssertionResult SamePixels(const VnROI<T>& a, const VnROI<T>& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
    return ::testing::AssertionFailure() << a.GetWidth() << " x " << a.GetHeight() << " against " << b.GetWidth() << " x "
                                         << b.GetHeight();
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      if (!(a.GetPixel(x, y) == b.GetPixel(x, y))) return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
  return ::testing::AssertionSuccess();
}

}  // namespace vnimg::test
