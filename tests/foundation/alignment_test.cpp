// The bit-image alignment pair with its funnel-shift variants.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "foundation/frame.h"
#include "support/levels.h"

namespace vnimg::test {
namespace {

std::vector<int> PixelsOf(const VnROI<VnBW1>& roi) {
  std::vector<int> bits;
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) bits.push_back(static_cast<int>(roi.GetPixel(x, y)));
  return bits;
}

// The parent's bytes but those of the ROI's rows (whole bytes: the aligned copy writes the
// last byte of a row whole).
std::vector<int> BytesAroundRows(VnImage<VnBW1>& parent, const Placement& p) {
  std::vector<int> bytes;
  const auto* base = reinterpret_cast<const unsigned char*>(parent.GetImagePtr(0, 0));
  for (int y = 0; y < parent.GetHeight(); ++y)
    for (int i = 0; i < parent.GetRowPitch(); ++i)
      if (y < p.orgY || y >= p.orgY + p.height || i < p.orgX / 8 || i >= (p.orgX + p.width + 7) / 8) bytes.push_back(base[y * parent.GetRowPitch() + i]);
  return bytes;
}

// Every bit offset, widths around byte boundaries and past the vector widths, plain loop and
// funnel-shift variants: the aligned copy holds the same pixels, and copying it back into a
// fresh misaligned ROI changes no bit outside.
TEST(BW1Alignment, RoundTripAtEveryOffset) {
  Rng rng(5);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (const Placement& p : RandomPlacements(rng, 60))
      for (int offset = 0; offset < 8; ++offset) {
        SCOPED_TRACE(::testing::Message() << "offset " << offset << " width " << p.width << " " << simd::LevelName(level));
        Placement bits = p, whole;
        if (p.width % 3 == 0) bits.width = 8 * (p.width / 3);  // rows that end on a byte
        bits.orgX = offset + 8 * (p.orgX % 3), bits.parentWidth = bits.orgX + bits.width + p.parentWidth - p.orgX - p.width;
        whole = bits, whole.orgX = 8 * (p.orgX % 2), whole.parentWidth = whole.orgX + bits.width + 9;
        GuardedRoi<VnBW1> src(bits, rng), dst(bits, rng), aligned(whole, rng);
        const std::vector<int> around = BytesAroundRows(aligned.parent(), whole);
        ImgBW1Alignment(src.roi(), aligned.roi());
        ASSERT_EQ(PixelsOf(*aligned.roi()), PixelsOf(*src.roi()));
        ASSERT_TRUE(src.Unchanged() && BytesAroundRows(aligned.parent(), whole) == around);
        ImgBW1UnAlignment(aligned.roi(), dst.roi());
        ASSERT_EQ(PixelsOf(*dst.roi()), PixelsOf(*aligned.roi()));
        ASSERT_TRUE(dst.OutsideUnchanged());
      }
  }
}

TEST(BW1Alignment, FailuresThrowTheirCode) {
  VnImage<VnBW1> parent(40, 2), other(40, 2), empty, ten(10, 2);
  VnROI<VnBW1> at0(&parent, 0, 0, 10, 2), at3(&parent, 3, 0, 10, 2), wide0(&other, 0, 0, 11, 2);
  VnROI<VnBW1> outside(&parent, 35, 0, 10, 2);
  const VnImage<VnBW1> before = parent;
  const struct { const char* name; std::function<void()> call; int code; } cases[] = {
      {"align into a misaligned destination", [&] { ImgBW1Alignment(&at0, &at3); }, VN_ERR_BW1_NOT_ALIGNED},
      {"unalign from a misaligned source", [&] { ImgBW1UnAlignment(&at3, &ten); }, VN_ERR_BW1_NOT_ALIGNED},
      {"different sizes", [&] { ImgBW1Alignment(&at0, &wide0); }, VN_ERR_SIZE_MISMATCH},
      {"source outside its parent", [&] { ImgBW1Alignment(&outside, &ten); }, VN_ERR_ROI_OUTSIDE_PARENT},
      {"void source", [&] { ImgBW1Alignment(&empty, &ten); }, VN_ERR_NULL_ROI},
      {"null source", [&] { ImgBW1UnAlignment(nullptr, &ten); }, VN_ERR_NULL_ROI},
      // The aligned bit-image operations report the same way.
      {"aligned operation, rejected value", [&] { ImgOperAligned(Add, &ten, &ten, &ten); }, VN_ERR_UNSUPPORTED_OPERATION},
      {"aligned fill, rejected value", [&] { ImgOperAligned(Invert, VnBW1(1), &ten); }, VN_ERR_UNSUPPORTED_OPERATION},
      {"aligned operation, sizes", [&] { ImgOperAligned(BitwiseOR, &at0, &wide0, &ten); }, VN_ERR_SIZE_MISMATCH},
      {"aligned copy, null source", [&] { ImgCopyAligned(nullptr, &ten); }, VN_ERR_NULL_ROI},
      // Operands off a byte boundary, checked last (whole-byte writes would change bits before them).
      {"aligned fill, misaligned destination", [&] { ImgOperAligned(Copy, VnBW1(1), &at3); }, VN_ERR_BW1_NOT_ALIGNED},
      {"aligned invert, misaligned destination", [&] { ImgOperAligned(Invert, &ten, &at3); }, VN_ERR_BW1_NOT_ALIGNED},
      {"aligned operation, misaligned source", [&] { ImgOperAligned(BitwiseAND, &ten, &at3, &at0); }, VN_ERR_BW1_NOT_ALIGNED},
      {"aligned copy, misaligned source", [&] { ImgCopyAligned(&at3, &at0); }, VN_ERR_BW1_NOT_ALIGNED},
      {"aligned copy fill, misaligned destination", [&] { ImgCopyAligned(VnBW1(0), &at3); }, VN_ERR_BW1_NOT_ALIGNED},
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
    EXPECT_EQ(std::memcmp(parent.GetImagePtr(0, 0), before.GetImagePtr(0, 0), 2 * std::size_t(parent.GetRowPitch())), 0);
  }
}

}  // namespace
}  // namespace vnimg::test
