// ImgCopy of every pixel type, ImgOverlay and the per-thread overlay colour.
#include <thread>

#include "point/point_support.h"

namespace vnimg::test {
namespace {

template <class T>
void CheckCopyAndFill(T value, const char* copyTrace, const char* fillTrace) {
  Rng rng(31);
  const Placement p{7, 3, 2, 1, 12, 5};
  GuardedRoi<T> src(p, rng), dst(p, rng);
  ImgCopy(src.roi(), dst.roi());
  ASSERT_EQ(VnGetError(), 0);
  EXPECT_TRUE(dst.OutsideUnchanged());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_TRUE(dst.roi()->GetPixel(x, y) == src.roi()->GetPixel(x, y));
  ImgCopy(value, dst.roi());
  EXPECT_TRUE(dst.OutsideUnchanged());
  EXPECT_TRUE(dst.roi()->GetPixel(6, 2) == value);

  dst.Remember();
  VnImage<T> other(8, 3);
  ImgCopy(&other, dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{copyTrace});
  VnImage<T> empty;
  ImgCopy(value, &empty);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{fillTrace});
  EXPECT_TRUE(dst.Unchanged());
}

TEST(ImgCopy, EveryPixelType) {
  CheckCopyAndFill<VnBW8>(7, "ImgCopy ( BW8 Image to Image)", "ImgCopy ( BW8 Const to Image)");
  CheckCopyAndFill<VnBW16>(700, "ImgCopy (BW16 Image)", "ImgCopy (BW16 Const)");
  CheckCopyAndFill<VnBW32>(70000, "ImgCopy (BW32 Image)", "ImgCopy (BW32 Const)");
  CheckCopyAndFill<VnC15>({0x1234}, "ImgCopy ( C15 Image)", "ImgCopy (C15 Const)");
  CheckCopyAndFill<VnC16>({0x4321}, "ImgCopy ( C16 Image)", "ImgCopy (C16 Const)");
  CheckCopyAndFill<VnC24>({1, 2, 3}, "ImgCopy ( C24 Image)", "ImgCopy (C24 Const)");
}

TEST(ImgOverlay, PaintsAllButTheTransparentColourAndClipsToTheDestination) {
  VnImage<VnC24> overlay(2, 2), dst(4, 3);
  const VnC24 clear{1, 1, 1}, red{0, 0, 255};
  ImgOper(Copy, red, &overlay);
  overlay.SetPixel(clear, 1, 0);
  ImgOper(Copy, VnC24{9, 9, 9}, &dst);
  ImgOverlay(&overlay, &dst, 3, 1, clear);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(dst.GetPixel(3, 1), red);
  EXPECT_EQ(dst.GetPixel(3, 2), red);
  EXPECT_EQ(dst.GetPixel(2, 1), (VnC24{9, 9, 9}));
  ImgOverlay(&overlay, &dst, -1, -1, clear);
  EXPECT_EQ(dst.GetPixel(0, 0), red);
  EXPECT_EQ(dst.GetPixel(1, 0), (VnC24{9, 9, 9}));
}

TEST(ImgOverlay, SixteenBitDestinationsTakeTheConvertedColour) {
  VnImage<VnC24> overlay(1, 1);
  overlay.SetPixel({0xF8, 0xFC, 0x08}, 0, 0);  // c0 blue, c1 green, c2 red
  VnImage<VnC16> d16(1, 1);
  VnImage<VnC15> d15(1, 1);
  ImgOverlay(&overlay, &d16, 0, 0, VnC24{});
  ImgOverlay(&overlay, &d15, 0, 0, VnC24{});
  EXPECT_EQ(d16.GetPixel(0, 0).m_un16Value, (1 << 11) | (0x3F << 5) | 0x1F);
  EXPECT_EQ(d15.GetPixel(0, 0).m_un16Value, (1 << 10) | (0x1F << 5) | 0x1F);
}

TEST(ImgOverlay, ADestinationSmallerThanTheOverlayIsLeftWithoutACode) {
  Rng rng(32);
  VnImage<VnC24> overlay(5, 2);
  GuardedRoi<VnC24> dst({4, 4, 1, 1, 6, 6}, rng);
  ImgOverlay(&overlay, dst.roi(), 0, 0, VnC24{1, 2, 3});
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgOverlay ( C24 on C24 Image)"});
  EXPECT_TRUE(dst.Unchanged());
  VnImage<VnC16> empty;
  ImgOverlay(&overlay, &empty, 0, 0, VnC24{});
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgOverlay ( C24 on C16 Image)"});
}

TEST(ImgOverlay, GraySourceTakesTheOverlayWhereItIsOpaque) {
  VnImage<VnBW8> gray(3, 2);
  ImgOper(Copy, VnBW8{50}, &gray);
  VnImage<VnC24> overlay(3, 2), dst;
  const VnC24 clear{0, 0, 0}, green{0, 200, 0};
  ImgOper(Copy, green, &overlay);
  overlay.SetPixel(clear, 0, 0);
  ImgOverlay(&gray, &overlay, &dst, 1, 0, clear);
  ASSERT_EQ(VnGetError(), 0);
  ASSERT_EQ(dst.GetWidth(), 3);
  EXPECT_EQ(dst.GetPixel(0, 0), (VnC24{50, 50, 50}));  // outside the shifted overlay
  EXPECT_EQ(dst.GetPixel(1, 0), (VnC24{50, 50, 50}));  // transparent overlay pixel
  EXPECT_EQ(dst.GetPixel(2, 0), green);
  EXPECT_EQ(dst.GetPixel(1, 1), green);

  VnImage<VnC24> smallOverlay(2, 2);
  ImgOverlay(&gray, &smallOverlay, &dst, 0, 0, clear);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgOverlay ( BW8 source, C24 overlay and destination)"});
  EXPECT_EQ(dst.GetPixel(2, 0), green);
}

TEST(ImgOverlay, AResizedRoiOutsideItsParentIsNotWritten) {
  Rng rng(33);
  VnImage<VnBW8> gray(5, 5);
  VnImage<VnC24> overlay(5, 5);
  GuardedRoi<VnC24> dst({2, 2, 2, 2, 5, 5}, rng);
  ImgOverlay(&gray, &overlay, dst.roi(), 0, 0, VnC24{});
  EXPECT_EQ(VnGetError(), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_TRUE(dst.Unchanged());
}

TEST(OverlayColor, IsKeptPerThread) {
  ImgSetOverlayColor({1, 2, 3});
  VnC24 seen{}, afterSet{};
  std::thread other([&] {
    seen = ImgGetOverlayColor();
    ImgSetOverlayColor({7, 8, 9});
    afterSet = ImgGetOverlayColor();
  });
  other.join();
  EXPECT_EQ(seen, (VnC24{0, 0, 0}));
  EXPECT_EQ(afterSet, (VnC24{7, 8, 9}));
  EXPECT_EQ(ImgGetOverlayColor(), (VnC24{1, 2, 3}));
}

}  // namespace
}  // namespace vnimg::test
