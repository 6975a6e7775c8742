// Binary morphology: the bi-level row kernels' vector variants against their plain loops; every
// bi-level operation against the gray-level one on 0/255 images at every level, and every packed
// operation on the same pixels at each bit offset 0 to 7 and every level, into a separate
// destination and in place.
#include <functional>

#include "morphology/bilevel_rows.h"
#include "support/levels.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using morphology::Extremum;
using morphology::Shape;
using Bw8 = VnROI<VnBW8>;
using Bw1 = VnROI<VnBW1>;

// Half the bytes zero (so that majority counts near 5 occur), the others random.
TEST(BinaryMorphologyRows, VectorKernelsMatchPlain) {
  const auto make = [](const Placement& p, Rng& rng) {
    VnImage<VnBW8> image(p.width + 2, p.height + 2);
    for (int y = 0; y < p.height + 2; ++y)
      for (int x = 0; x < p.width + 2; ++x) image.SetPixel(rng() % 2 ? static_cast<VnBW8>(rng()) : 0, x, y);
    return image;
  };
  const auto threeRows = [](auto fn, VnImage<VnBW8>& in, Bw8* d) {
    for (int y = 0; y < d->GetHeight(); ++y)
      fn(in.GetImagePtr(1, y), in.GetImagePtr(1, y + 1), in.GetImagePtr(1, y + 2), d->GetImagePtr(0, y), d->GetWidth());
  };
  for (Extremum e : {Extremum::Min, Extremum::Max})
    for (Shape s : {Shape::Square, Shape::Row, Shape::Column, Shape::Cross})
      ExpectVariantsMatchPlain<VnBW8>(morphology::BiLevelRowVariants(e, s), make, threeRows);
  ExpectVariantsMatchPlain<VnBW8>(morphology::MajorityRowVariants(), make, threeRows);
}

struct Operation {
  const char* name;
  std::function<void(Bw8*, Bw8*, unsigned, unsigned)> bilevel, gray;
  std::function<void(Bw1*, Bw1*, unsigned, unsigned)> packed;
};

#define VNIMG_BOX(Name)                                                                              \
  Operation{#Name "Box", [](Bw8* s, Bw8* d, unsigned x, unsigned y) { ImgBiLevel##Name##Box(s, d, x, y); }, \
            [](Bw8* s, Bw8* d, unsigned x, unsigned y) { Img##Name##Box(s, d, x, y); },                \
            [](Bw1* s, Bw1* d, unsigned x, unsigned y) { Img##Name##Box(s, d, x, y); }},              \
      Operation {                                                                                      \
    #Name "Disk", [](Bw8* s, Bw8* d, unsigned r, unsigned) { ImgBiLevel##Name##Disk(s, d, r); },     \
        [](Bw8* s, Bw8* d, unsigned r, unsigned) { Img##Name##Disk(s, d, r); },                       \
        [](Bw1* s, Bw1* d, unsigned r, unsigned) { Img##Name##Disk(s, d, r); }                        \
  }

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> ops = {
      VNIMG_BOX(Erode), VNIMG_BOX(Dilate), VNIMG_BOX(Open), VNIMG_BOX(Close), VNIMG_BOX(WhiteTopHat),
      VNIMG_BOX(BlackTopHat), VNIMG_BOX(MorphoGradient),
      Operation{"Median", [](Bw8* s, Bw8* d, unsigned, unsigned) { ImgBiLevelMedian(s, d ? d : s); },
                [](Bw8* s, Bw8* d, unsigned, unsigned) { ImgMedian(s, d ? d : s); },
                [](Bw1* s, Bw1* d, unsigned, unsigned) { ImgMedian(s, d ? d : s); }}};
  return ops;
}
#undef VNIMG_BOX

// Widths across several words, every bit offset, random pixels of either kind.
std::vector<Placement> Placements(Rng& rng, int count) {
  std::vector<Placement> out;
  for (int i = 0; i < count; ++i) {
    const int width = i % 5 == 4 ? 130 + static_cast<int>(rng() % 200) : 1 + static_cast<int>(rng() % 70);
    const int height = 1 + static_cast<int>(rng() % 24), orgX = i % 8 + 8 * static_cast<int>(rng() % 3);
    out.push_back({width, height, orgX, 1, orgX + width + static_cast<int>(rng() % 20), height + 2});
  }
  return out;
}

// Mostly small, sometimes past the literal passes, the ROI, or absurd.
unsigned HalfSize(Rng& rng) {
  const unsigned r = static_cast<unsigned>(rng() % 16);
  return r == 15 ? 0x7fffffffu : r >= 12 ? 9 + static_cast<unsigned>(rng() % 40) : r % 5;
}

// Bit image with the pixels of a 0/255 one.
void CopyBits(const Bw8& from, Bw1& to) {
  for (int y = 0; y < from.GetHeight(); ++y)
    for (int x = 0; x < from.GetWidth(); ++x) to.SetPixel(VnBW1(from.GetPixel(x, y)), x, y);
}
::testing::AssertionResult SameAsBits(const Bw1& bits, const Bw8& bytes) {
  for (int y = 0; y < bytes.GetHeight(); ++y)
    for (int x = 0; x < bytes.GetWidth(); ++x)
      if ((bits.GetPixel(x, y).m_bw1Value != 0) != (bytes.GetPixel(x, y) != 0))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ")";
  return ::testing::AssertionSuccess();
}

// The gray operation gives the expected pixels; the bi-level one must match at every level, and
// the packed one on the same pixels (the placements cover every bit offset).
TEST(BinaryMorphologyHarness, BiLevelEqualsGrayAndPackedEqualsBiLevel) {
  Rng rng(7);
  for (const Placement& p : Placements(rng, 64))
    for (const Operation& op : Operations()) {
      const unsigned hx = HalfSize(rng), hy = rng() % 4 ? HalfSize(rng) : kVnSameHalfSize;
      GuardedRoi<VnBW8> src(p, rng), expected(p, rng);
      const unsigned density = 1 + static_cast<unsigned>(rng() % 7);  // eighths set
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) src.roi()->SetPixel(rng() % 8 < density ? 255 : 0, x, y);
      src.Remember();
      op.gray(src.roi(), expected.roi(), hx, hy);
      SCOPED_TRACE(::testing::Message() << op.name << " " << hx << "," << hy << " size " << p.width << "x" << p.height
                                        << " at bit " << p.orgX % 8);
      for (simd::Level level : Levels()) {
        LevelSetting setting(level);
        SCOPED_TRACE(simd::LevelName(level));
        GuardedRoi<VnBW8> dst(p, rng), inPlace(p, rng);
        inPlace.StartLike(src);
        op.bilevel(src.roi(), dst.roi(), hx, hy);
        ASSERT_TRUE(VnGetError() == 0 && SamePixels(*dst.roi(), *expected.roi()) && dst.OutsideUnchanged() && src.Unchanged());
        op.bilevel(inPlace.roi(), nullptr, hx, hy);
        ASSERT_TRUE(SamePixels(*inPlace.roi(), *expected.roi()) && inPlace.OutsideUnchanged());
      }
      for (simd::Level level : Levels()) {
        LevelSetting setting(level);
        SCOPED_TRACE(simd::LevelName(level));
        GuardedRoi<VnBW1> bits(p, rng), dst(p, rng), inPlace(p, rng);
        CopyBits(*src.roi(), *bits.roi());
        bits.Remember();
        inPlace.StartLike(bits);
        op.packed(bits.roi(), dst.roi(), hx, hy);
        ASSERT_TRUE(VnGetError() == 0 && SameAsBits(*dst.roi(), *expected.roi()) && dst.OutsideUnchanged() && bits.Unchanged());
        op.packed(inPlace.roi(), nullptr, hx, hy);
        ASSERT_TRUE(SameAsBits(*inPlace.roi(), *expected.roi()) && inPlace.OutsideUnchanged());
      }
    }
}

// What the differential tests cannot see: the bitwise rule on other values.
TEST(BinaryMorphologyCases, HandTable) {
  VnImage<VnBW8> row = Make<VnBW8>(3, 1, [](int x, int) { return std::array{0x0F, 0xF0, 0xFF}[x]; });
  VnImage<VnBW8> out(3, 1);
  ImgBiLevelErodeBox(&row, &out, 1, 0);
  EXPECT_TRUE(SamePixels(out, Make<VnBW8>(3, 1, [](int x, int) { return std::array{0x00, 0x00, 0xF0}[x]; })));
  ImgBiLevelDilateBox(&row, &out, 1, 0);
  EXPECT_TRUE(SamePixels(out, Make<VnBW8>(3, 1, [](int x, int) { return std::array{0xFF, 0xFF, 0xFF}[x]; })));
}

}  // namespace
}  // namespace vnimg::test
