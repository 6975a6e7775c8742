// Bit-image ImgOper, ImgCopy of every pixel type and ImgOverlay: random placements against a
// plain statement of each rule, guard bytes (and bits) around every destination.
#include <functional>
#include <thread>

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
    case Copy: return a;
    case Invert: return !a;
    case BitwiseAND: return a & b;
    case BitwiseOR: return a | b;
    case BitwiseXOR: return a ^ b;
    case SetZero: return a ? d : b;
    case SetNonZero: return a ? b : d;
    default: return !a || b;  // LesserOrEqual
  }
}

TEST(BW1Oper, EveryValueAtEveryOffsetKeepsTheBitsOutside) {
  Rng rng(21);
  for (int mmx : {0, 1}) {
    MmxSetting setting(mmx);
    for (int op : {0, 1, 13, 14, 15, 21, 22, 26})
      for (const Placement& p : RandomPlacements(rng, 16)) {
        SCOPED_TRACE(::testing::Message() << "value " << op << " width " << p.width << " mmx " << mmx);
        GuardedRoi<VnBW1> a(AtBit(p, (p.width + 3) % 8), rng), b(AtBit(p, 0), rng), dst(AtBit(p, p.width % 8), rng);
        std::vector<int> before;
        for (int y = 0; y < p.height; ++y)
          for (int x = 0; x < p.width; ++x) before.push_back(Bit(*dst.roi(), x, y));
        if (op <= 1) ImgOper(static_cast<Op>(op), a.roi(), dst.roi());
        else ImgOper(static_cast<Op>(op), a.roi(), b.roi(), dst.roi());
        ASSERT_EQ(VnGetError(), 0);
        ASSERT_TRUE(dst.OutsideUnchanged());
        ASSERT_TRUE(a.Unchanged());
        for (int y = 0; y < p.height; ++y)
          for (int x = 0; x < p.width; ++x)
            ASSERT_EQ(Bit(*dst.roi(), x, y), ExpectedBit(op, Bit(*a.roi(), x, y), Bit(*b.roi(), x, y), before[y * p.width + x]));
      }
  }
}

// The aligned fill writes whole bytes, the unaligned one keeps the bits outside its ROI.
TEST(BW1Oper, Fills) {
  Rng rng(23);
  GuardedRoi<VnBW1> dst({11, 2, 3, 0, 24, 2}, rng);
  ImgOper(Copy, VnBW1(1), dst.roi());
  EXPECT_TRUE(dst.OutsideUnchanged());
  for (int x = 0; x < 11; ++x) EXPECT_EQ(Bit(*dst.roi(), x, 1), 1);
  ImgCopy(VnBW1(0), dst.roi());
  EXPECT_TRUE(dst.OutsideUnchanged());
  for (int x = 0; x < 11; ++x) EXPECT_EQ(Bit(*dst.roi(), x, 0), 0);
  VnImage<VnBW1> parent(16, 1);
  VnROI<VnBW1> roi(&parent, 0, 0, 10, 1);
  ImgOperAligned(Copy, VnBW1(1), &roi);
  EXPECT_EQ(*parent.GetImagePtr(8, 0), 0xFF);
  ImgCopyAligned(VnBW1(0), &roi);
  EXPECT_EQ(*parent.GetImagePtr(8, 0), 0x00);
}

TEST(BW1Oper, AlignedFormsThrowUnalignedFormsTrace) {
  VnImage<VnBW1> a(10, 2), b(10, 2), small(9, 2);
  const VnROI<VnBW1>* none = nullptr;
  const struct {
    std::function<void()> call;
    int code;
  } thrown[] = {
      {[&] { ImgOperAligned(Add, &a, &b, &b); }, VN_ERR_UNSUPPORTED_OPERATION},
      {[&] { ImgOperAligned(Invert, VnBW1(1), &b); }, VN_ERR_UNSUPPORTED_OPERATION},
      {[&] { ImgOperAligned(Copy, &a, &small); }, VN_ERR_SIZE_MISMATCH},
      {[&] { ImgOperAligned(BitwiseOR, &a, &small, &b); }, VN_ERR_SIZE_MISMATCH},
      {[&] { ImgCopyAligned(&a, &small); }, VN_ERR_SIZE_MISMATCH},
      {[&] { ImgCopyAligned(nullptr, &small); }, VN_ERR_NULL_ROI},
      {[&] { ImgOperAligned(BitwiseOR, &a, &b, &b); }, 0},
  };
  for (const auto& t : thrown) {
    int code = 0;
    try {
      t.call();
    } catch (const Korvane::Quandor::Exception& e) {
      code = e.code;
    }
    EXPECT_EQ(code, t.code);
  }
  const struct {
    std::function<void(VnROI<VnBW1>*)> call;
    int code;
    const char* trace;
  } traced[] = {
      {[&](auto* d) { ImgOper(BitwiseAND, &a, &small, d); }, VN_ERR_SIZE_MISMATCH, "ImgOper (BW1)"},
      {[&](auto* d) { ImgOper(BitwiseAND, none, &small, d); }, VN_ERR_NULL_ROI, "ImgOper (BW1)"},
      {[&](auto* d) { ImgCopy(none, d); }, VN_ERR_NULL_ROI, "ImgCopy (BW1)"},
      {[&](auto* d) { ImgCopy(&a, d); }, VN_ERR_SIZE_MISMATCH, "ImgCopy(BW1)"},
      {[&](auto*) { ImgCopy(VnBW1(1), nullptr); }, VN_ERR_NULL_ROI, "ImgCopy (BW1)"},
  };
  Rng rng(24);
  for (const auto& t : traced) {
    SCOPED_TRACE(t.trace);
    GuardedRoi<VnBW1> dst({9, 2, 3, 0, 16, 2}, rng);
    t.call(dst.roi());
    EXPECT_EQ(VnGetError(), t.code);
    EXPECT_EQ(Trace(), std::vector<std::string>{t.trace});
    EXPECT_TRUE(dst.Unchanged());
  }
}

template <class T>
void CheckCopy(T value, const char* copyTrace, const char* fillTrace) {
  Rng rng(31);
  for (const Placement& p : RandomPlacements(rng, 9)) {
    GuardedRoi<T> src(p, rng), dst(p, rng);
    ImgCopy(src.roi(), dst.roi());
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_TRUE(dst.OutsideUnchanged());
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) ASSERT_TRUE(dst.roi()->GetPixel(x, y) == src.roi()->GetPixel(x, y));
    ImgCopy(value, dst.roi());
    ASSERT_TRUE(dst.OutsideUnchanged());
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) ASSERT_TRUE(dst.roi()->GetPixel(x, y) == value);
  }
  GuardedRoi<T> dst({7, 3, 2, 1, 12, 5}, rng);
  VnImage<T> other(8, 3), empty;
  ImgCopy(&other, dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{copyTrace});
  ImgCopy(value, &empty);
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{fillTrace});
  EXPECT_TRUE(dst.Unchanged());
}

TEST(ImgCopy, EveryPixelType) {
  CheckCopy<VnBW8>(7, "ImgCopy ( BW8 Image to Image)", "ImgCopy ( BW8 Const to Image)");
  CheckCopy<VnBW16>(700, "ImgCopy (BW16 Image)", "ImgCopy (BW16 Const)");
  CheckCopy<VnBW32>(70000, "ImgCopy (BW32 Image)", "ImgCopy (BW32 Const)");
  CheckCopy<VnC15>({0x1234}, "ImgCopy ( C15 Image)", "ImgCopy (C15 Const)");
  CheckCopy<VnC16>({0x4321}, "ImgCopy ( C16 Image)", "ImgCopy (C16 Const)");
  CheckCopy<VnC24>({1, 2, 3}, "ImgCopy ( C24 Image)", "ImgCopy (C24 Const)");
}

unsigned short Word(VnC24 c, int greenBits) {
  return static_cast<unsigned short>(((c.c2 >> 3) << (5 + greenBits)) | ((c.c1 >> (8 - greenBits)) << 5) | (c.c0 >> 3));
}
VnC24 As(VnC24 c, VnC24) { return c; }
VnC16 As(VnC24 c, VnC16) { return {Word(c, 6)}; }
VnC15 As(VnC24 c, VnC15) { return {Word(c, 5)}; }

// The overlay is a ROI in a larger random parent, so a read past its last row or column
// would paint the parent's pixels; where it lands off the destination nothing is written.
template <class D>
void CheckOverlay() {
  Rng rng(32);
  for (const Placement& p : RandomPlacements(rng, 24)) {
    const int w = 1 + p.width % 9, h = 1 + p.height % 4;
    GuardedRoi<VnC24> overlay({w, h, 1, 1, w + 3, h + 3}, rng);
    GuardedRoi<D> dst({w + p.orgX, h + p.orgY, 2, 1, w + p.orgX + 4, h + p.orgY + 3}, rng);
    const VnC24 clear = overlay.roi()->GetPixel(0, 0);
    if (w > 1) overlay.roi()->SetPixel(clear, w - 1, h - 1);
    overlay.Remember();
    const int x = static_cast<int>(rng() % 7) - 3, y = static_cast<int>(rng() % 5) - 2;
    VnImage<D> before(dst.roi()->GetWidth(), dst.roi()->GetHeight());
    for (int j = 0; j < before.GetHeight(); ++j)
      for (int i = 0; i < before.GetWidth(); ++i) before.SetPixel(dst.roi()->GetPixel(i, j), i, j);
    ImgOverlay(overlay.roi(), dst.roi(), x, y, clear);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_TRUE(dst.OutsideUnchanged());
    ASSERT_TRUE(overlay.Unchanged());
    for (int j = 0; j < before.GetHeight(); ++j)
      for (int i = 0; i < before.GetWidth(); ++i) {
        const bool inside = i - x >= 0 && i - x < w && j - y >= 0 && j - y < h;
        const VnC24 o = inside ? overlay.roi()->GetPixel(i - x, j - y) : clear;
        ASSERT_TRUE(dst.roi()->GetPixel(i, j) == (o == clear ? before.GetPixel(i, j) : As(o, D{}))) << i << "," << j;
      }
  }
}

TEST(ImgOverlay, ColourDestinations) {
  CheckOverlay<VnC24>();
  CheckOverlay<VnC16>();
  CheckOverlay<VnC15>();
}

TEST(ImgOverlay, SixteenBitConversions) {
  VnImage<VnC24> overlay(1, 1);
  overlay.SetPixel({0xF8, 0xFC, 0x08}, 0, 0);  // c0 blue, c1 green, c2 red
  VnImage<VnC16> d16(1, 1);
  VnImage<VnC15> d15(1, 1);
  ImgOverlay(&overlay, &d16, 0, 0, VnC24{});
  ImgOverlay(&overlay, &d15, 0, 0, VnC24{});
  EXPECT_EQ(d16.GetPixel(0, 0).m_un16Value, (1 << 11) | (0x3F << 5) | 0x1F);
  EXPECT_EQ(d15.GetPixel(0, 0).m_un16Value, (1 << 10) | (0x1F << 5) | 0x1F);
}

TEST(ImgOverlay, GraySourceTakesTheOverlayWhereItIsOpaque) {
  Rng rng(34);
  for (const Placement& p : RandomPlacements(rng, 16)) {
    const int w = 1 + p.width % 11, h = 1 + p.height % 4, x = static_cast<int>(rng() % 5) - 2, y = static_cast<int>(rng() % 3) - 1;
    GuardedRoi<VnBW8> gray({w, h, 3, 1, w + 5, h + 2}, rng);
    GuardedRoi<VnC24> overlay({w + p.orgX % 2, h, 1, 1, w + 4, h + 3}, rng);
    GuardedRoi<VnC24> dst({1 + p.orgX, 1, 2, 1, w + p.orgX + 5, h + 3}, rng);  // resized to the gray image
    const VnC24 clear = overlay.roi()->GetPixel(0, 0);
    ImgOverlay(gray.roi(), overlay.roi(), dst.roi(), x, y, clear);
    ASSERT_EQ(VnGetError(), 0);
    ASSERT_EQ(dst.roi()->GetWidth(), w);
    ASSERT_EQ(dst.roi()->GetHeight(), h);
    ASSERT_TRUE(dst.OutsideUnchanged());
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        const bool inside = i - x >= 0 && i - x < overlay.roi()->GetWidth() && j - y >= 0 && j - y < h;
        const VnC24 o = inside ? overlay.roi()->GetPixel(i - x, j - y) : clear;
        const VnBW8 g = gray.roi()->GetPixel(i, j);
        ASSERT_TRUE(dst.roi()->GetPixel(i, j) == (o == clear ? VnC24{g, g, g} : o)) << i << "," << j;
      }
  }
}

// The destination takes the gray image's size before the overlay's size is checked; a
// too-small overlay then writes nothing and sets no code.
TEST(ImgOverlay, FailedChecks) {
  Rng rng(33);
  VnImage<VnBW8> gray(5, 4);
  VnImage<VnC24> overlay(5, 4), narrow(4, 4), low(5, 3), empty;
  const char* kGray = "ImgOverlay ( BW8 source, C24 overlay and destination)";
  const struct {
    std::function<void(VnROI<VnC24>*)> call;
    int code, width;
    const char* trace;
  } cases[] = {
      {[&](auto* d) { ImgOverlay(&gray, &narrow, d, 0, 0, VnC24{}); }, 0, 5, kGray},
      {[&](auto* d) { ImgOverlay(&gray, &low, d, 0, 0, VnC24{}); }, 0, 5, kGray},
      {[&](auto* d) { ImgOverlay(&gray, &empty, d, 0, 0, VnC24{}); }, VN_ERR_NULL_ROI, 2, kGray},
      {[&](auto*) { ImgOverlay(&gray, &overlay, static_cast<VnROI<VnC24>*>(nullptr), 0, 0, VnC24{}); }, VN_ERR_NULL_ROI, 2, kGray},
      {[&](auto* d) { ImgOverlay(&overlay, d, 0, 0, VnC24{}); }, 0, 2, "ImgOverlay ( C24 on C24 Image)"},
      {[&](auto* d) { ImgOverlay(&empty, d, 0, 0, VnC24{}); }, VN_ERR_NULL_ROI, 2, "ImgOverlay ( C24 on C24 Image)"},
      {[&](auto*) { ImgOverlay(&overlay, static_cast<VnROI<VnC16>*>(nullptr), 0, 0, VnC24{}); }, VN_ERR_NULL_ROI, 2, "ImgOverlay ( C24 on C16 Image)"},
      {[&](auto*) { VnImage<VnC15> d(2, 2); ImgOverlay(&overlay, &d, 0, 0, VnC24{}); }, 0, 2, "ImgOverlay ( C24 on C15 Image)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    GuardedRoi<VnC24> dst({2, 3, 1, 1, 8, 6}, rng);
    c.call(dst.roi());
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(Trace(), std::vector<std::string>{c.trace});
    EXPECT_EQ(dst.roi()->GetWidth(), c.width);
    EXPECT_TRUE(dst.Unchanged());
  }
  // Resized past its parent, the destination is not written.
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
