// The bit-image alignment pair with its funnel-shift variants, and the unaligned-operation frame.
#include <gtest/gtest.h>

#include <functional>

#include "foundation/bw1_pair.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

std::vector<int> PixelsOf(const VnROI<VnBW1>& roi) {
  std::vector<int> bits;
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) bits.push_back(static_cast<int>(roi.GetPixel(x, y)));
  return bits;
}

// Every bit offset, widths around byte boundaries and past the vector widths, plain loop and
// funnel-shift variants: the aligned copy holds the same pixels, and copying it back into a
// fresh misaligned ROI changes no bit outside.
TEST(BW1Alignment, RoundTripAtEveryOffset) {
  Rng rng(5);
  for (int mmx : {0, 1}) {
    VnSetMMX(mmx);
    for (const Placement& p : RandomPlacements(rng, 60))
      for (int offset = 0; offset < 8; ++offset) {
        SCOPED_TRACE(::testing::Message() << "offset " << offset << " width " << p.width << " mmx " << mmx);
        Placement bits = p;
        bits.orgX = offset + 8 * (p.orgX % 3), bits.parentWidth = bits.orgX + p.width + p.parentWidth - p.orgX - p.width;
        GuardedRoi<VnBW1> src(bits, rng), dst(bits, rng);
        VnImage<VnBW1> aligned(p.width, p.height);
        ImgBW1Alignment(src.roi(), &aligned);
        ASSERT_EQ(PixelsOf(aligned), PixelsOf(*src.roi()));
        ASSERT_TRUE(src.Unchanged());
        ImgBW1UnAlignment(&aligned, dst.roi());
        ASSERT_EQ(PixelsOf(*dst.roi()), PixelsOf(aligned));
        ASSERT_TRUE(dst.OutsideUnchanged());
      }
  }
  VnSetMMX(1);
}

TEST(BW1Alignment, HandMadeRows) {
  // Pixels 0..15 of a row at bit offset 3: the aligned bytes are the source shifted left by 3.
  VnImage<VnBW1> parent(24, 1), aligned(16, 1), four(4, 1);
  const VnBW8 row[] = {0b10110101, 0b11001010, 0b01110000};
  std::memcpy(parent.GetImagePtr(0, 0), row, 3);
  VnROI<VnBW1> src(&parent, 3, 0, 16, 1);
  ImgBW1Alignment(&src, &aligned);
  EXPECT_EQ(*aligned.GetImagePtr(0, 0), 0b10101110);
  EXPECT_EQ(*aligned.GetImagePtr(8, 0), 0b01010011);
  // Four pixels back at offset 3: bits 7 to 5 and 0 of the byte keep their value.
  *four.GetImagePtr(0, 0) = 0xF0;
  VnROI<VnBW1> dst(&parent, 3, 0, 4, 1);
  ImgBW1UnAlignment(&four, &dst);
  EXPECT_EQ(*parent.GetImagePtr(0, 0), 0b10111111);
  EXPECT_EQ(*parent.GetImagePtr(8, 0), row[1]);
}

TEST(BW1Alignment, FailuresThrowTheirCode) {
  VnImage<VnBW1> parent(40, 2), other(40, 2), empty, ten(10, 2);
  VnROI<VnBW1> at0(&parent, 0, 0, 10, 2), at3(&parent, 3, 0, 10, 2), wide3(&other, 3, 0, 11, 2), wide0(&other, 0, 0, 11, 2);
  VnROI<VnBW1> outside(&parent, 35, 0, 10, 2);
  const struct {
    const char* name;
    std::function<void()> call;
    int code;
  } cases[] = {
      {"align into a misaligned destination", [&] { ImgBW1Alignment(&at0, &at3); }, VN_ERR_BW1_NOT_ALIGNED},
      {"unalign from a misaligned source", [&] { ImgBW1UnAlignment(&at3, &ten); }, VN_ERR_BW1_NOT_ALIGNED},
      {"different sizes", [&] { ImgBW1Alignment(&at0, &wide0); }, VN_ERR_SIZE_MISMATCH},
      {"different sizes before alignment", [&] { ImgBW1Alignment(&at0, &wide3); }, VN_ERR_SIZE_MISMATCH},
      {"source outside its parent", [&] { ImgBW1Alignment(&outside, &ten); }, VN_ERR_ROI_OUTSIDE_PARENT},
      {"void source", [&] { ImgBW1Alignment(&empty, &ten); }, VN_ERR_NULL_ROI},
      {"null source", [&] { ImgBW1UnAlignment(nullptr, &ten); }, VN_ERR_NULL_ROI},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.call();
      ADD_FAILURE() << "no exception";
    } catch (const Korvane::Exception& e) {
      EXPECT_EQ(dynamic_cast<const Korvane::Quandor::Exception&>(e).code, c.code);
      EXPECT_STREQ(e.GetText(), VnGetErrorText(c.code));
    }
  }
}

// Without a destination the pair works in place: a misaligned source's temporary goes back.
TEST(BW1Pair, InPlaceOnAMisalignedSourceWritesItBack) {
  Rng rng(4);
  GuardedRoi<VnBW1> roi(Placement{13, 3, 5, 1, 30, 5}, rng);
  const std::vector<int> before = PixelsOf(*roi.roi());
  frame::RunBW1Pair<1>("ImgInvert (BW1)", {roi.roi()}, nullptr, [](auto& s, VnROI<VnBW1>* d) {
    ASSERT_EQ(d, nullptr);
    ASSERT_EQ(s[0]->GetBitOffset(0, 0), 0);
    frame::ForEachRow(*s[0], [](VnBW8* row, int w) { for (int i = 0; i < (w + 7) / 8; ++i) row[i] = VnBW8(~row[i]); });
  });
  ASSERT_EQ(VnGetError(), 0);
  const std::vector<int> after = PixelsOf(*roi.roi());
  for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i], 1 - before[i]);
  EXPECT_TRUE(roi.OutsideUnchanged());
}

}  // namespace
}  // namespace vnimg::test
