#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "support/images.h"

namespace vnimg::test {
namespace {

TEST(Image, RowsAreAlignedAndPaddedTo64Bytes) {
  const int widths[] = {1, 63, 64, 65, 1000};
  for (int width : widths) {
    VnImage<VnC24> image(width, 3);
    ASSERT_FALSE(image.Void());
    EXPECT_EQ(image.GetRowPitch() % 64, 0);
    EXPECT_GE(image.GetRowPitch(), width * 3);
    EXPECT_LT(image.GetRowPitch(), width * 3 + 64);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.GetImagePtr(0, y)) % 64, 0u);
    EXPECT_EQ(image.GetSkip(), image.GetRowPitch() - 3 * width);
    EXPECT_EQ(image.GetBytesPerPixel(), 3);
  }
}

TEST(Image, NewPixelsAreZeroAndCopiesAreDeep) {
  VnImage<VnBW16> image(5, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetPixel(x, y), 0);
  image.SetPixel(65535, 4, 3);
  VnImage<VnBW16> copy = image;
  copy.SetPixel(7, 4, 3);
  EXPECT_EQ(image.GetPixel(4, 3), 65535);
  EXPECT_EQ(copy.GetPixel(4, 3), 7);
  VnImage<VnBW16> moved = std::move(copy);
  EXPECT_EQ(moved.GetPixel(4, 3), 7);
  EXPECT_TRUE(copy.Void());
}

TEST(Image, BadSizesSetTheirCodeAndKeepTheImage) {
  struct Case {
    int width, height, code;
  } cases[] = {
      {-1, 4, VN_ERR_NEGATIVE_SIZE},
      {4, -1, VN_ERR_NEGATIVE_SIZE},
      {INT_MAX, INT_MAX, VN_ERR_OUT_OF_MEMORY},  // bytes overflow
      {INT_MAX, 1, VN_ERR_OUT_OF_MEMORY},        // the 24-bit pitch passes INT_MAX
      {1 << 20, 1 << 30, VN_ERR_OUT_OF_MEMORY},  // 3 PiB: no such memory
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
    VnImage<VnC24> image(2, 2);
    image.SetPixel(VnC24{1, 2, 3}, 1, 1);
    VnOk();
    image.SetSize(c.width, c.height);
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetPixel(1, 1), (VnC24{1, 2, 3}));
  }
}

TEST(Image, EmptySizesGiveAVoidImage) {
  VnOk();
  VnImage<VnBW8> image(0, 5);
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_TRUE(image.Void());
  EXPECT_FALSE(image.CheckValidity());
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
}

TEST(Roi, AddressesFollowTheParentChain) {
  VnImage<VnBW16> image(40, 30);
  VnROI<VnBW16> outer(&image, 5, 6, 20, 15);
  VnROI<VnBW16> inner(&outer, 3, 2, 4, 4);
  EXPECT_EQ(inner.GetTotalOrgX(), 8);
  EXPECT_EQ(inner.GetTotalOrgY(), 8);
  EXPECT_EQ(inner.GetTotalHeight(), 30);
  EXPECT_EQ(inner.GetImagePtr(1, 1), image.GetImagePtr(9, 9));
  EXPECT_EQ(inner.GetRowPitch(), image.GetRowPitch());
  EXPECT_EQ(inner.GetSkip(), image.GetRowPitch() - 8);
  inner.SetPixel(1234, 2, 3);
  EXPECT_EQ(image.GetPixel(10, 11), 1234);
  EXPECT_TRUE(inner.CheckValidity());
}

TEST(Roi, ValidityChecksEveryLevel) {
  VnImage<VnBW8> image(10, 10);
  struct Case {
    const char* name;
    int x, y, w, h, code;
  } cases[] = {
      {"whole image", 0, 0, 10, 10, 0},
      {"empty at the far corner", 10, 10, 0, 0, 0},
      {"one column too wide", 1, 0, 10, 10, VN_ERR_ROI_OUTSIDE_PARENT},
      {"one row too high", 0, 1, 10, 10, VN_ERR_ROI_OUTSIDE_PARENT},
      {"negative origin", -1, 0, 2, 2, VN_ERR_ROI_OUTSIDE_PARENT},
      {"negative width", 0, 0, -2, 2, VN_ERR_NEGATIVE_SIZE},
      {"origin and width overflow int", INT_MAX, 0, INT_MAX, 1, VN_ERR_ROI_OUTSIDE_PARENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VnROI<VnBW8> roi(&image, c.x, c.y, c.w, c.h);
    VnOk();
    EXPECT_EQ(roi.CheckValidity(), c.code == 0);
    EXPECT_EQ(VnGetError(), c.code);
    // A valid ROI inside a bad one is bad too.
    VnROI<VnBW8> child(&roi, 0, 0, 0, 0);
    VnOk();
    EXPECT_EQ(child.CheckValidity(), c.code == 0);
  }
  VnROI<VnBW8> orphan;
  EXPECT_TRUE(orphan.Void());
  VnOk();
  EXPECT_FALSE(orphan.CheckValidity());
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
}

TEST(Roi, FollowsItsImageWhenResized) {
  VnImage<VnBW8> image(4, 4);
  VnROI<VnBW8> roi(&image, 1, 1, 2, 2);
  image.SetSize(100, 100);
  EXPECT_EQ(roi.GetImagePtr(0, 0), image.GetImagePtr(1, 1));
  image.SetSize(1, 1);
  VnOk();
  EXPECT_FALSE(roi.CheckValidity());
  EXPECT_EQ(VnGetError(), VN_ERR_ROI_OUTSIDE_PARENT);
}

TEST(Roi, CopiesViewTheSamePixels) {
  VnImage<VnBW8> image(8, 8);
  VnROI<VnBW8> whole = image;  // a ROI over the whole image
  EXPECT_EQ(whole.GetImagePtr(3, 3), image.GetImagePtr(3, 3));
  VnROI<VnBW8> part(&image, 2, 2, 3, 3);
  VnROI<VnBW8> copy = part;
  EXPECT_EQ(copy.GetImagePtr(0, 0), image.GetImagePtr(2, 2));
}

TEST(Roi, SameSizeCheck) {
  VnImage<VnBW8> a(4, 5), b(4, 5), c(5, 4);
  VnOk();
  EXPECT_TRUE(a.CheckSameSize(&b));
  EXPECT_FALSE(a.CheckSameSize(&c));
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  VnOk();
  EXPECT_FALSE(a.CheckSameSize(nullptr));
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
}

TEST(Roi, SetSizeFromAnotherRoi) {
  VnImage<VnBW8> a(7, 3);
  VnImage<VnBW1> b;
  b.SetSize(&a);
  EXPECT_EQ(b.GetWidth(), 7);
  EXPECT_EQ(b.GetHeight(), 3);
  EXPECT_FALSE(b.Void());
}

TEST(BitRoi, BitsAreMostSignificantFirstAtAnyOffset) {
  VnImage<VnBW1> image(37, 2);
  EXPECT_EQ(image.GetBytesPerPixel(), 0);
  VnROI<VnBW1> roi(&image, 11, 1, 20, 1);
  EXPECT_EQ(roi.GetBitOffset(0, 0), 3);
  EXPECT_EQ(roi.GetBitOffset(5, 0), 0);
  EXPECT_EQ(roi.GetImagePtr(0, 0), image.GetImagePtr(8, 1));
  EXPECT_EQ(roi.GetImagePtr(5, 0), image.GetImagePtr(16, 1));
  roi.SetPixel(VnBW1(1), 0, 0);
  EXPECT_EQ(*image.GetImagePtr(8, 1), 0x10);
  roi.SetPixel(VnBW1(1), 19, 0);  // pixel 30 of the row: bit 6 of byte 3
  EXPECT_EQ(*image.GetImagePtr(24, 1), 0x02);
  roi.SetPixel(VnBW1(0), 0, 0);
  EXPECT_EQ(*image.GetImagePtr(8, 1), 0);
  EXPECT_EQ(roi.GetPixel(19, 0), 1u);
  // 11..30 touch bytes 1 to 3 of the 64-byte row.
  EXPECT_EQ(roi.GetSkip(), image.GetRowPitch() - 3);
}

TEST(MaskRuns, AreKeptAsOffsets) {
  VnImage<VnBW8> image(10, 10);
  VnROI<VnBW8> roi(&image, 2, 2, 6, 6);
  EXPECT_EQ(roi.GetMaskRunCount(), 0u);
  EXPECT_EQ(roi.GetMaskRuns(), nullptr);
  const int pitch = image.GetRowPitch();
  const VnRun runs[] = {{0, 3, 0, 0}, {static_cast<std::uint32_t>(pitch) + 1, static_cast<std::uint32_t>(pitch) + 5, 1, 1}};
  roi.SetMaskRuns(runs, 2);
  ASSERT_EQ(roi.GetMaskRunCount(), 2u);
  EXPECT_NE(roi.GetMaskOffsets(), 0);
  EXPECT_EQ(roi.GetImagePtr(0, 0) + roi.GetMaskRuns()[1].m_un32Start, roi.GetImagePtr(1, 1));
  roi.ClearMaskRuns();
  EXPECT_EQ(roi.GetMaskRunCount(), 0u);
}

}  // namespace
}  // namespace vnimg::test
