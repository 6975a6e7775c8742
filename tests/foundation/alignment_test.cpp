#include <gtest/gtest.h>

#include "foundation/alignment_kernels.h"
#include "foundation/frame.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using Bits = std::vector<int>;

Bits PixelsOf(const VnROI<VnBW1>& roi) {
  Bits bits;
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) bits.push_back(static_cast<int>(roi.GetPixel(x, y)));
  return bits;
}

Placement BitPlacement(const Placement& p, int offset) {
  Placement bits = p;
  bits.orgX = offset + 8 * (p.orgX % 3);
  bits.parentWidth = bits.orgX + p.width + p.parentWidth - p.orgX - p.width;
  return bits;
}

TEST(FunnelShift, EveryVectorVariantMatchesThePlainLoop) {
  ASSERT_TRUE(!VNIMG_X86 || !VectorVariants(bw1::FunnelShiftVariants()).empty());
  for (int shift = 1; shift <= 7; ++shift) {
    SCOPED_TRACE(shift);
    ExpectVariantsMatchPlain<VnBW8>(
        bw1::FunnelShiftVariants(),
        [](const Placement& p, Rng& rng) {
          VnImage<VnBW8> src(p.width + 1, p.height);
          FillRandomBytes(src, rng);
          return src;
        },
        [shift](bw1::FunnelShiftFn fn, const VnImage<VnBW8>& src, VnROI<VnBW8>* dst) {
          frame::ForEachRow(*dst, src, [&](VnBW8* d, const VnBW8* s, int width) {
            fn(s, s + 1, d, static_cast<std::size_t>(width), shift);
          });
        },
        60, static_cast<unsigned>(shift));
  }
}

// Every bit offset, widths around byte boundaries: the aligned copy holds the same pixels,
// and copying it back into a fresh misaligned ROI changes no bit outside that ROI.
TEST(BW1Alignment, RoundTripAtEveryOffset) {
  Rng rng(5);
  for (const Placement& p : RandomPlacements(rng, 90)) {
    for (int offset = 0; offset < 8; ++offset) {
      SCOPED_TRACE(::testing::Message() << "offset " << offset << " width " << p.width);
      const Placement bits = BitPlacement(p, offset);
      GuardedRoi<VnBW1> src(bits, rng);
      VnImage<VnBW1> aligned(p.width, p.height);
      ImgBW1Alignment(src.roi(), &aligned);
      ASSERT_EQ(PixelsOf(aligned), PixelsOf(*src.roi()));
      ASSERT_TRUE(src.Unchanged());

      GuardedRoi<VnBW1> dst(bits, rng);
      ImgBW1UnAlignment(&aligned, dst.roi());
      ASSERT_EQ(PixelsOf(*dst.roi()), PixelsOf(aligned));
      ASSERT_TRUE(dst.OutsideUnchanged());
    }
  }
}

TEST(BW1Alignment, VariantsGiveTheSameBytesAsThePlainLoop) {
  Rng rng(9);
  for (const Placement& p : RandomPlacements(rng, 60)) {
    const Placement bits = BitPlacement(p, 1 + p.width % 7);
    GuardedRoi<VnBW1> src(bits, rng);
    VnImage<VnBW1> plain(p.width, p.height), fast(p.width, p.height);
    VnSetMMX(0);
    ImgBW1Alignment(src.roi(), &plain);
    VnSetMMX(1);
    ImgBW1Alignment(src.roi(), &fast);
    const int rowBytes = (p.width + 7) / 8;
    for (int y = 0; y < p.height; ++y)
      ASSERT_EQ(0, std::memcmp(plain.GetImagePtr(0, y), fast.GetImagePtr(0, y), rowBytes));
  }
}

TEST(BW1Alignment, FormulaOnAHandMadeRow) {
  // Pixels 0..15 of a row at bit offset 3: the aligned bytes are the source shifted left by 3.
  VnImage<VnBW1> parent(24, 1);
  *parent.GetImagePtr(0, 0) = 0b10110101;
  *parent.GetImagePtr(8, 0) = 0b11001010;
  *parent.GetImagePtr(16, 0) = 0b01110000;
  VnROI<VnBW1> src(&parent, 3, 0, 16, 1);
  VnImage<VnBW1> dst(16, 1);
  ImgBW1Alignment(&src, &dst);
  EXPECT_EQ(*dst.GetImagePtr(0, 0), 0b10101110);
  EXPECT_EQ(*dst.GetImagePtr(8, 0), 0b01010011);
}

TEST(BW1UnAlignment, KeepsTheBitsBeforeTheRoiInTheFirstByte) {
  VnImage<VnBW1> parent(16, 1);
  *parent.GetImagePtr(0, 0) = 0b10100000;
  VnROI<VnBW1> dst(&parent, 3, 0, 4, 1);
  VnImage<VnBW1> src(4, 1);
  *src.GetImagePtr(0, 0) = 0xF0;
  ImgBW1UnAlignment(&src, &dst);
  EXPECT_EQ(*parent.GetImagePtr(0, 0), 0b10111110);
  EXPECT_EQ(*parent.GetImagePtr(8, 0), 0);
}

struct ThrowCase {
  const char* name;
  int srcOffset;
  int dstOffset;
  int dstWidth;
  bool unalign;
  int code;
};

TEST(BW1Alignment, FailuresThrowTheirCode) {
  const ThrowCase cases[] = {
      {"align into a misaligned destination", 0, 3, 10, false, VN_ERR_BW1_NOT_ALIGNED},
      {"unalign from a misaligned source", 3, 0, 10, true, VN_ERR_BW1_NOT_ALIGNED},
      {"different sizes", 0, 0, 11, false, VN_ERR_SIZE_MISMATCH},
      {"different sizes before alignment", 0, 3, 11, false, VN_ERR_SIZE_MISMATCH},
  };
  for (const ThrowCase& c : cases) {
    SCOPED_TRACE(c.name);
    VnImage<VnBW1> srcParent(40, 2), dstParent(40, 2);
    VnROI<VnBW1> src(&srcParent, c.srcOffset, 0, 10, 2);
    VnROI<VnBW1> dst(&dstParent, c.dstOffset, 0, c.dstWidth, 2);
    try {
      if (c.unalign) ImgBW1UnAlignment(&src, &dst);
      else ImgBW1Alignment(&src, &dst);
      ADD_FAILURE() << "no exception";
    } catch (const Korvane::Exception& e) {
      const auto& quandor = dynamic_cast<const Korvane::Quandor::Exception&>(e);
      EXPECT_EQ(quandor.code, c.code);
      EXPECT_STREQ(e.GetText(), VnGetErrorText(c.code));
    }
  }
}

TEST(BW1Alignment, InvalidOrVoidOperandsThrowTheValidityCode) {
  VnImage<VnBW1> parent(16, 4), empty;
  VnROI<VnBW1> outside(&parent, 10, 0, 10, 4);
  VnImage<VnBW1> dst(10, 4);
  auto codeOf = [](auto&& call) {
    try {
      call();
    } catch (const Korvane::Quandor::Exception& e) {
      return e.code;
    }
    return 0;
  };
  EXPECT_EQ(codeOf([&] { ImgBW1Alignment(&outside, &dst); }), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_EQ(codeOf([&] { ImgBW1Alignment(&empty, &dst); }), VN_ERR_NULL_ROI);
  EXPECT_EQ(codeOf([&] { ImgBW1UnAlignment(nullptr, &dst); }), VN_ERR_NULL_ROI);
}

}  // namespace
}  // namespace vnimg::test
