// Gray images into packed bit images.
#include <gtest/gtest.h>

#include "support/images.h"

namespace vnimg::test {
namespace {

// The bit placement of a gray placement: the same size at bit offset `offset`.
Placement AtBitOffset(const Placement& p, int offset) {
  Placement bits = p;
  bits.orgX = offset + 8 * (p.orgX % 3);
  bits.parentWidth = bits.orgX + p.width + 5;
  return bits;
}

template <class T>
void ExpectBitsMatchEveryPixel(unsigned threshold, unsigned seed) {
  Rng rng(seed);
  for (const Placement& p : RandomPlacements(rng, 40)) {
    for (int offset = 0; offset < 8; ++offset) {
      SCOPED_TRACE(::testing::Message() << "offset " << offset << " width " << p.width << " threshold " << threshold);
      GuardedRoi<T> src(p, rng);
      GuardedRoi<VnBW1> dst(AtBitOffset(p, offset), rng);
      ImgThreshold(src.roi(), dst.roi(), threshold, 0.5f);
      ASSERT_EQ(VnGetError(), 0);
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          ASSERT_EQ(unsigned(dst.roi()->GetPixel(x, y)), src.roi()->GetPixel(x, y) >= threshold ? 1u : 0u);
      ASSERT_TRUE(dst.OutsideUnchanged());
      ASSERT_TRUE(src.Unchanged());
    }
  }
}

TEST(ImgThresholdBits, EveryBitOffsetMatchesThePixelRule) {
  for (unsigned t : {0u, 1u, 128u, 255u, 256u, 300u, 65535u}) ExpectBitsMatchEveryPixel<VnBW8>(t, t + 1);
  for (unsigned t : {0u, 255u, 32768u, 65535u}) ExpectBitsMatchEveryPixel<VnBW16>(t, t + 2);
}

TEST(ImgThresholdBits, VariantsOffGiveTheSameBits) {
  VnSetMMX(0);
  ExpectBitsMatchEveryPixel<VnBW8>(100, 5);
  ExpectBitsMatchEveryPixel<VnBW16>(1000, 6);
  VnSetMMX(1);
}

TEST(ImgThresholdBits, AlternatingRowPacksFirstPixelIntoBit7) {
  VnImage<VnBW8> src(10, 1);
  for (int x = 0; x < 10; ++x) src.SetPixel(x % 2 ? 255 : 0, x, 0);
  VnImage<VnBW1> dst(10, 1);
  ImgThreshold(&src, &dst, 128, 0.5f);
  ASSERT_EQ(VnGetError(), 0);
  EXPECT_EQ(dst.GetImagePtr(0, 0)[0], 0x55);
  EXPECT_EQ(dst.GetImagePtr(0, 0)[1], 0x40);
}

TEST(ImgThresholdBits, ThreeHundredIsAnAbsoluteThresholdForEightBits) {
  VnImage<VnBW8> src(20, 2);
  for (int x = 0; x < 20; ++x) src.SetPixel(255, x, 0), src.SetPixel(255, x, 1);
  VnImage<VnBW1> dst(20, 2);
  ImgThreshold(&src, &dst, 0, 0.5f);
  EXPECT_EQ(dst.GetImagePtr(0, 1)[0], 0xFF);
  ImgThreshold(&src, &dst, 300, 0.5f);
  EXPECT_EQ(VnGetError(), 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 20; ++x) EXPECT_EQ(unsigned(dst.GetPixel(x, y)), 0u);
}

// The bits of the last byte past the width keep their value (the ROI's neighbours own them).
TEST(ImgThresholdBits, AlignedWorkerKeepsTheBitsPastTheWidth) {
  VnImage<VnBW8> src(5, 1);
  VnImage<VnBW1> parent(16, 1);
  parent.GetImagePtr(0, 0)[0] = 0x07;
  VnROI<VnBW1> dst(&parent, 0, 0, 5, 1);
  ImgThresholdAligned(&src, &dst, 0, 0.5f);
  EXPECT_EQ(parent.GetImagePtr(0, 0)[0], 0xFF);
}

TEST(ImgThresholdBits, AlignedWorkerThrowsItsChecks) {
  VnImage<VnBW8> src(12, 2), wide(13, 2);
  VnImage<VnBW1> parent(24, 2);
  VnROI<VnBW1> aligned(&parent, 8, 0, 12, 2), misaligned(&parent, 3, 0, 12, 2), outside(&parent, 16, 0, 12, 2);
  const auto codeOf = [](auto&& call) {
    try {
      call();
    } catch (const Korvane::Quandor::Exception& e) {
      return e.code;
    }
    return 0;
  };
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(&src, &aligned, 5, 0.5f); }), 0);
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(&src, &misaligned, 5, 0.5f); }), VN_ERR_BW1_NOT_ALIGNED);
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(&wide, &aligned, 5, 0.5f); }), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(&src, &outside, 5, 0.5f); }), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(static_cast<VnROI<VnBW8>*>(nullptr), &aligned, 5, 0.5f); }),
            VN_ERR_NULL_ROI);
  VnImage<VnBW16> src16(12, 2), wide16(13, 2);
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(&src16, &aligned, 5, 0.5f); }), 0);
  EXPECT_EQ(codeOf([&] { ImgThresholdAligned(&wide16, &aligned, 5, 0.5f); }), VN_ERR_SIZE_MISMATCH);
}

template <class T>
void ExpectUnalignedFormRefuses(const std::string& trace) {
  Rng rng(12);
  VnImage<T> src(12, 2), wide(13, 2);
  for (int offset : {0, 3}) {
    GuardedRoi<VnBW1> dst(Placement{12, 2, offset, 0, 24, 2}, rng);
    ImgThreshold(static_cast<VnROI<T>*>(nullptr), dst.roi(), 5, 0.5f);
    EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
    EXPECT_EQ(Trace(), std::vector<std::string>{trace});
    ImgThreshold(&src, static_cast<VnROI<VnBW1>*>(nullptr), 5, 0.5f);
    EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
    ImgThreshold(&wide, dst.roi(), 5, 0.5f);
    EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
    EXPECT_EQ(Trace(), std::vector<std::string>{trace});
    EXPECT_TRUE(dst.Unchanged());
  }
}

TEST(ImgThresholdBits, UnalignedFormsReportThroughTheErrorState) {
  ExpectUnalignedFormRefuses<VnBW8>("ImgThreshold (BW8 -> BW1)");
  ExpectUnalignedFormRefuses<VnBW16>("ImgThreshold (BW16 -> BW1)");
}

}  // namespace
}  // namespace vnimg::test
