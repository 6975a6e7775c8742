// A first look at vnimg: makes a small scene, runs a few operations on it and prints what
// they produced.
#include <vnimg.h>

#include <cstdio>

namespace {

// A 24 x 8 bit image with a diagonal band, viewed through a ROI at bit offset 3.
void ShowBitAlignment() {
  VnImage<VnBW1> image(24, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 24; ++x) image.SetPixel(VnBW1((x + y) % 6 < 2), x, y);
  VnROI<VnBW1> window(&image, 3, 1, 13, 6);
  VnImage<VnBW1> aligned(13, 6);
  try {
    ImgBW1Alignment(&window, &aligned);
  } catch (const Korvane::Exception& e) {
    std::printf("alignment failed: %s\n", e.GetText());
    return;
  }
  std::printf("13 x 6 window at bit offset %d, copied to a byte-aligned image:\n", window.GetBitOffset(0, 0));
  for (int y = 0; y < aligned.GetHeight(); ++y) {
    for (int x = 0; x < aligned.GetWidth(); ++x) std::putchar(aligned.GetPixel(x, y) ? '#' : '.');
    std::printf("   first byte 0x%02X\n", *aligned.GetImagePtr(0, y));
  }
}

void ShowColourToGray() {
  VnImage<VnC24> colour(4, 1);
  const VnC24 pixels[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {128, 128, 128}};
  for (int x = 0; x < 4; ++x) colour.SetPixel(pixels[x], x, 0);
  VnImage<VnBW8> gray(4, 1);
  KorvaneIDsp_RGBToGray_BW8_C3C1R(reinterpret_cast<const unsigned char*>(colour.GetImagePtr(0, 0)),
                                  colour.GetRowPitch(), gray.GetImagePtr(0, 0), gray.GetRowPitch(), 4, 1);
  std::printf("\nblue, green, red, mid-gray as gray levels: %d %d %d %d\n", gray.GetPixel(0, 0), gray.GetPixel(1, 0),
              gray.GetPixel(2, 0), gray.GetPixel(3, 0));
}

void ShowErrorReporting() {
  VnImage<VnBW1> small(5, 5);
  VnImage<VnBW1> large(9, 9);
  try {
    ImgBW1Alignment(&small, &large);
  } catch (const Korvane::Quandor::Exception& e) {
    std::printf("\naligning a 5 x 5 image into a 9 x 9 one fails with %d: %s\n", e.code, e.GetText());
  }
  VnROI<VnBW8> outside(nullptr, 0, 0, 3, 3);
  VnOk();
  outside.CheckValidity();
  std::printf("a ROI without an image: %d: %s\n", VnGetError(), VnGetErrorText(VnGetError()));
}

}  // namespace

int main() {
  ShowBitAlignment();
  ShowColourToGray();
  ShowErrorReporting();
  return 0;
}
