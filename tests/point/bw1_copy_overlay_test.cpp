// Bit-image ImgOper, ImgCopy of every pixel type and ImgOverlay: random placements against a
// plain statement of each rule, guard bytes (and bits) around every destination.
#include <functional>

#include "point/point_support.h"

namespace vnimg::test {
namespace {

int Bit(const VnROI<VnBW1>& roi, int x, int y) { return static_cast<int>(roi.GetPixel(x, y)); }

Placement AtBit(const Placement& p, int offset) {
  Placement bits = p;
  bits.orgX = offset + 8 * (p.orgX % 2);
  bits.parentWidth = bits.orgX + p.width + 9;
  return bits;
}

int ExpectedBit(int op, int a, int b, int d) {
  switch (op) {
    case -1: return 1;  case Copy: return a;  case Invert: return !a;  case BitwiseAND: return a & b;  case BitwiseOR: return a | b;
    case BitwiseXOR: return a ^ b;  case SetZero: return a ? d : b;  case SetNonZero: return a ? b : d;
    default: return !a || b;  // LesserOrEqual
  }
}

TEST(BW1Oper, EveryValueAtEveryOffsetKeepsTheBitsOutside) {
  Rng rng(21);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    for (int op : {-1, 0, 1, 13, 14, 15, 21, 22, 26})  // -1: fill with 1
      for (Placement p : RandomPlacements(rng, 16)) {
        if (p.width % 3 == 0 && p.width < 20) p.width = 8 * (p.width / 3);  // rows that end on a byte
        SCOPED_TRACE(::testing::Message() << "value " << op << " width " << p.width << " " << simd::LevelName(level));
        GuardedRoi<VnBW1> a(AtBit(p, (p.width + 3) % 8), rng), b(AtBit(p, 0), rng), dst(AtBit(p, p.width % 8), rng);
        std::vector<int> before;
        for (int y = 0; y < p.height; ++y)
          for (int x = 0; x < p.width; ++x) before.push_back(Bit(*dst.roi(), x, y));
        if (op == -1) ImgCopy(VnBW1(1), dst.roi());
        else if (op <= 1) ImgOper(static_cast<Op>(op), a.roi(), dst.roi());
        else ImgOper(static_cast<Op>(op), a.roi(), b.roi(), dst.roi());
        ASSERT_EQ(VnGetError(), 0);
        ASSERT_TRUE(dst.OutsideUnchanged() && a.Unchanged());
        for (int y = 0; y < p.height; ++y)
          for (int x = 0; x < p.width; ++x)
            ASSERT_EQ(Bit(*dst.roi(), x, y), ExpectedBit(op, Bit(*a.roi(), x, y), Bit(*b.roi(), x, y), before[y * p.width + x]));
      }
  }
}

// The aligned fill writes whole bytes: the last byte's bits beyond the ROI take the value.
TEST(BW1Oper, AlignedFillWritesWholeBytes) {
  VnImage<VnBW1> parent(16, 1);
  VnROI<VnBW1> roi(&parent, 0, 0, 10, 1);
  ImgOperAligned(Copy, VnBW1(1), &roi);
  EXPECT_EQ(*parent.GetImagePtr(8, 0), 0xFF);
  ImgCopyAligned(VnBW1(0), &roi);
  EXPECT_EQ(*parent.GetImagePtr(8, 0), 0x00);
}

template <class T>
void CheckCopy(T value) {
  Rng rng(31);
  for (const Placement& p : RandomPlacements(rng, 9)) {
    GuardedRoi<T> src(p, rng), dst(p, rng);
    for (bool fill : {false, true}) {
      fill ? ImgCopy(value, dst.roi()) : ImgCopy(src.roi(), dst.roi());
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(dst.OutsideUnchanged());
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) ASSERT_TRUE(dst.roi()->GetPixel(x, y) == (fill ? value : src.roi()->GetPixel(x, y)));
    }
  }
}

TEST(ImgCopy, EveryPixelType) {
  CheckCopy<VnBW8>(7), CheckCopy<VnBW16>(700), CheckCopy<VnBW32>(70000);
  CheckCopy<VnC15>({0x1234}), CheckCopy<VnC16>({0x4321}), CheckCopy<VnC24>({1, 2, 3});
}

unsigned short Word(VnC24 c, int greenBits) {
  return static_cast<unsigned short>(((c.c2 >> 3) << (5 + greenBits)) | ((c.c1 >> (8 - greenBits)) << 5) | (c.c0 >> 3));
}
VnC24 As(VnC24 c, VnC24) { return c; }
VnC16 As(VnC24 c, VnC16) { return {Word(c, 6)}; }
VnC15 As(VnC24 c, VnC15) { return {Word(c, 5)}; }

// The overlay is a ROI in a larger random parent, so a read past its last row or column
// would paint the parent's pixels; overlay pixels off the destination are not written. The
// gray form first takes the gray image's size into the destination, then writes every pixel.
template <class D, bool kGray>
void CheckOverlay() {
  Rng rng(32);
  for (const Placement& p : RandomPlacements(rng, 24)) {
    const int w = 1 + p.width % 9, h = 1 + p.height % 4, x = int(rng() % 7) - 3, y = int(rng() % 5) - 2;
    const int ow = kGray ? w + p.orgX % 2 : w, dw = kGray ? w : w + p.orgX, dh = kGray ? h : h + p.orgY;
    GuardedRoi<VnC24> overlay({ow, h, 1, 1, ow + 3, h + 3}, rng);
    GuardedRoi<VnBW8> gray({w, h, 3, 1, w + 5, h + 2}, rng);
    GuardedRoi<D> dst({kGray ? 1 + p.orgX : dw, dh, 2, 1, dw + p.orgX + 4, dh + 3}, rng);
    const VnC24 clear = overlay.roi()->GetPixel(0, 0);
    overlay.roi()->SetPixel(clear, ow - 1, h - 1);
    overlay.Remember();
    std::vector<D> before;
    for (int j = 0; j < dh; ++j)
      for (int i = 0; i < dw && !kGray; ++i) before.push_back(dst.roi()->GetPixel(i, j));
    if constexpr (kGray) ImgOverlay(gray.roi(), overlay.roi(), dst.roi(), x, y, clear);
    else ImgOverlay(overlay.roi(), dst.roi(), x, y, clear);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_EQ(dst.roi()->GetWidth() * 100 + dst.roi()->GetHeight(), dw * 100 + dh);
    ASSERT_TRUE(dst.OutsideUnchanged() && overlay.Unchanged());
    for (int j = 0; j < dh; ++j)
      for (int i = 0; i < dw; ++i) {
        const bool inside = i - x >= 0 && i - x < ow && j - y >= 0 && j - y < h;
        const VnC24 o = inside ? overlay.roi()->GetPixel(i - x, j - y) : clear;
        const VnBW8 g = kGray ? gray.roi()->GetPixel(i, j) : 0;
        const D old = kGray ? As(VnC24{g, g, g}, D{}) : before[j * dw + i];
        ASSERT_TRUE(dst.roi()->GetPixel(i, j) == (o == clear ? old : As(o, D{}))) << i << "," << j;
      }
  }
}

TEST(ImgOverlay, EveryForm) {
  CheckOverlay<VnC24, false>();
  CheckOverlay<VnC16, false>();
  CheckOverlay<VnC15, false>();
  CheckOverlay<VnC24, true>();
  // The conversions on one hand-made colour (c0 blue, c2 red).
  EXPECT_EQ(As(VnC24{0xF8, 0xFC, 0x08}, VnC16{}).m_un16Value, (1 << 11) | (0x3F << 5) | 0x1F);
  EXPECT_EQ(As(VnC24{0xF8, 0xFC, 0x08}, VnC15{}).m_un16Value, (1 << 10) | (0x1F << 5) | 0x1F);
}

// The gray form takes the gray image's size into the destination before it checks the
// overlay's size: a too-small overlay then writes nothing and sets no code. A colour
// destination smaller than the overlay is left alone, without a code.
TEST(ImgOverlay, FailedChecks) {
  Rng rng(33);
  VnImage<VnBW8> gray(5, 4);
  VnImage<VnC24> overlay(5, 4), narrow(4, 4), low(5, 3), empty;
  const char* kGray = "ImgOverlay ( BW8 source, C24 overlay and destination)";
  const struct { std::function<void(VnROI<VnC24>*)> call; int code, width; const char* trace; } cases[] = {
      {[&](auto* d) { ImgOverlay(&gray, &narrow, d, 0, 0, VnC24{}); }, 0, 5, kGray},
      {[&](auto* d) { ImgOverlay(&gray, &low, d, 0, 0, VnC24{}); }, 0, 5, kGray},
      {[&](auto* d) { ImgOverlay(&gray, &empty, d, 0, 0, VnC24{}); }, VN_ERR_NULL_ROI, 2, kGray},
      {[&](auto*) { ImgOverlay(&gray, &overlay, static_cast<VnROI<VnC24>*>(nullptr), 0, 0, VnC24{}); }, VN_ERR_NULL_ROI, 2, kGray},
      {[&](auto* d) { ImgOverlay(&overlay, d, 0, 0, VnC24{}); }, 0, 2, "ImgOverlay ( C24 on C24 Image)"},
      {[&](auto*) { VnImage<VnC15> d(2, 2); ImgOverlay(&overlay, &d, 0, 0, VnC24{}); }, 0, 2, "ImgOverlay ( C24 on C15 Image)"},
  };
  for (const auto& c : cases) {
    GuardedRoi<VnC24> dst({2, 3, 1, 1, 8, 6}, rng);
    c.call(dst.roi());
    EXPECT_EQ(VnGetError(), c.code) << c.trace;
    EXPECT_EQ(Trace(), std::vector<std::string>{c.trace});
    EXPECT_EQ(dst.roi()->GetWidth(), c.width);
    EXPECT_TRUE(dst.Unchanged());
  }
  GuardedRoi<VnC24> dst({2, 2, 2, 2, 5, 5}, rng);  // resized past its parent: not written
  ImgOverlay(&gray, &overlay, dst.roi(), 0, 0, VnC24{});
  EXPECT_EQ(VnGetError(), VN_ERR_ROI_OUTSIDE_PARENT);
  EXPECT_TRUE(dst.Unchanged());
}

}  // namespace
}  // namespace vnimg::test
