// Binary morphology: the bi-level row kernels' vector variants against their plain loops; every
// bi-level operation against the gray-level one on 0/255 images at every level; every packed
// operation against the bi-level one on the same pixels, at each bit offset 0 to 7, into a
// separate destination and in place.
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

TEST(BinaryMorphologyRows, VectorKernelsMatchPlain) {
  const auto make = [](const Placement& p, Rng& rng) {
    VnImage<VnBW8> image(p.width + 2, p.height + 2);
    return FillRandomBytes(image, rng), image;
  };
  const auto threeRows = [](auto fn, VnImage<VnBW8>& in, Bw8* d) {
    for (int y = 0; y < d->GetHeight(); ++y)
      fn(in.GetImagePtr(1, y), in.GetImagePtr(1, y + 1), in.GetImagePtr(1, y + 2), d->GetImagePtr(0, y), d->GetWidth());
  };
  for (Extremum e : {Extremum::Min, Extremum::Max})
    for (Shape s : {Shape::Square, Shape::Row, Shape::Column, Shape::Cross})
      ExpectVariantsMatchPlain<VnBW8>(morphology::BiLevelRowVariants(e, s), make, threeRows);
  // Sparse bytes, so that counts near 5 occur.
  const auto sparse = [](const Placement& p, Rng& rng) {
    VnImage<VnBW8> image(p.width + 2, p.height + 2);
    for (int y = 0; y < p.height + 2; ++y)
      for (int x = 0; x < p.width + 2; ++x) image.SetPixel(rng() % 2 ? static_cast<VnBW8>(rng()) : 0, x, y);
    return image;
  };
  ExpectVariantsMatchPlain<VnBW8>(morphology::MajorityRowVariants(), sparse, threeRows);
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
    Placement p;
    p.width = i % 5 == 4 ? 130 + static_cast<int>(rng() % 200) : 1 + static_cast<int>(rng() % 70);
    p.height = 1 + static_cast<int>(rng() % 24);
    p.orgX = i % 8 + 8 * static_cast<int>(rng() % 3);
    p.orgY = static_cast<int>(rng() % 3);
    p.parentWidth = p.orgX + p.width + static_cast<int>(rng() % 20), p.parentHeight = p.orgY + p.height + 1;
    out.push_back(p);
  }
  return out;
}

// Mostly small, sometimes past the literal passes, the ROI, or absurd.
unsigned HalfSize(Rng& rng) {
  const unsigned r = static_cast<unsigned>(rng() % 16);
  return r == 15 ? 0x7fffffffu : r >= 12 ? 9 + static_cast<unsigned>(rng() % 40) : r % 5;
}

void Binarise(Bw8& roi, Rng& rng, unsigned density) {
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) roi.SetPixel(rng() % 8 < density ? 255 : 0, x, y);
}

TEST(BinaryMorphologyHarness, BiLevelEqualsGrayOnBinaryImages) {
  Rng rng(7);
  for (const Placement& p : Placements(rng, 40))
    for (const Operation& op : Operations()) {
      const unsigned hx = HalfSize(rng), hy = rng() % 4 ? HalfSize(rng) : kVnSameHalfSize;
      GuardedRoi<VnBW8> src(p, rng);
      Binarise(*src.roi(), rng, 1 + static_cast<unsigned>(rng() % 7));
      src.Remember();
      GuardedRoi<VnBW8> expected(p, rng);
      op.gray(src.roi(), expected.roi(), hx, hy);
      for (simd::Level level : Levels()) {
        LevelSetting setting(level);
        SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " " << op.name << " " << hx << "," << hy << " size "
                                          << p.width << "x" << p.height);
        GuardedRoi<VnBW8> dst(p, rng), inPlace(p, rng);
        inPlace.StartLike(src);
        op.bilevel(src.roi(), dst.roi(), hx, hy);
        ASSERT_TRUE(VnGetError() == 0 && SamePixels(*dst.roi(), *expected.roi()) && dst.OutsideUnchanged() && src.Unchanged());
        op.bilevel(inPlace.roi(), nullptr, hx, hy);
        ASSERT_TRUE(SamePixels(*inPlace.roi(), *expected.roi()) && inPlace.OutsideUnchanged());
      }
    }
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

TEST(BinaryMorphologyHarness, PackedEqualsBiLevelAtEveryBitOffset) {
  Rng rng(8);
  for (const Placement& p : Placements(rng, 64))
    for (const Operation& op : Operations()) {
      const unsigned hx = HalfSize(rng), hy = rng() % 4 ? HalfSize(rng) : kVnSameHalfSize;
      VnImage<VnBW8> bytes(p.width, p.height), expected(p.width, p.height);
      Binarise(bytes, rng, 1 + static_cast<unsigned>(rng() % 7));
      op.bilevel(&bytes, &expected, hx, hy);
      SCOPED_TRACE(::testing::Message() << op.name << " " << hx << "," << hy << " size " << p.width << "x" << p.height
                                        << " at bit " << p.orgX % 8);
      GuardedRoi<VnBW1> src(p, rng), dst(p, rng), inPlace(p, rng);
      CopyBits(bytes, *src.roi());
      src.Remember();
      inPlace.StartLike(src);
      op.packed(src.roi(), dst.roi(), hx, hy);
      ASSERT_TRUE(VnGetError() == 0 && SameAsBits(*dst.roi(), expected) && dst.OutsideUnchanged() && src.Unchanged());
      op.packed(inPlace.roi(), nullptr, hx, hy);
      ASSERT_TRUE(SameAsBits(*inPlace.roi(), expected) && inPlace.OutsideUnchanged());
    }
}

// What the differential tests cannot see: the bitwise rule on other values, the shapes.
TEST(BinaryMorphologyCases, HandTable) {
  VnImage<VnBW8> row = Make<VnBW8>(3, 1, [](int x, int) { return std::array{0x0F, 0xF0, 0xFF}[x]; });
  VnImage<VnBW8> out(3, 1);
  ImgBiLevelErodeBox(&row, &out, 1, 0);
  EXPECT_TRUE(SamePixels(out, Make<VnBW8>(3, 1, [](int x, int) { return std::array{0x00, 0x00, 0xF0}[x]; })));
  ImgBiLevelDilateBox(&row, &out, 1, 0);
  EXPECT_TRUE(SamePixels(out, Make<VnBW8>(3, 1, [](int x, int) { return std::array{0xFF, 0xFF, 0xFF}[x]; })));
  // A bright pixel dilated by the disk of radius 2: the 5 x 5 square without its corners.
  VnImage<VnBW8> dot = Make<VnBW8>(7, 7, [](int x, int y) { return x == 3 && y == 3 ? 255 : 0; }), disk(7, 7);
  ImgBiLevelDilateDisk(&dot, &disk, 2);
  EXPECT_TRUE(SamePixels(disk, Make<VnBW8>(7, 7, [](int x, int y) {
    const int dx = std::abs(x - 3), dy = std::abs(y - 3);
    return dx <= 2 && dy <= 2 && dx + dy < 4 ? 255 : 0;
  })));
  // The majority keeps a bright 3 x 3 block's centre row and column only where 5 of 9 are set.
  VnImage<VnBW8> block = Make<VnBW8>(5, 5, [](int x, int y) { return x >= 1 && x <= 3 && y >= 1 && y <= 3 ? 255 : 0; });
  ImgBiLevelMedian(&block, &disk);
  EXPECT_EQ(disk.GetPixel(2, 2), 255);
  EXPECT_EQ(disk.GetPixel(1, 1), 0);
  EXPECT_EQ(disk.GetPixel(2, 1), 255);
}

}  // namespace
}  // namespace vnimg::test
