// ImgOper and ImgCopy on bit images: the byte rules bit by bit, at every bit offset, with the
// bits outside the ROI kept.
#include "point/point_support.h"

namespace vnimg::test {
namespace {

using Op = ARITH_LOGIC_OPERATIONS;

int Bit(const VnROI<VnBW1>& roi, int x, int y) { return static_cast<int>(roi.GetPixel(x, y)); }

int ExpectedBit(int op, int a, int b, int d) {
  switch (op) {
    case BitwiseAND: return a & b;
    case BitwiseOR: return a | b;
    case BitwiseXOR: return a ^ b;
    case SetZero: return a ? d : b;
    case SetNonZero: return a ? b : d;
    default: return !a || b;  // LesserOrEqual
  }
}

Placement AtBitOffset(const Placement& p, int offset) {
  Placement bits = p;
  bits.orgX = offset + 8 * (p.orgX % 2);
  bits.parentWidth = bits.orgX + p.width + 9;
  return bits;
}

TEST(BW1Oper, ThreeOperandRulesAtEveryOffset) {
  Rng rng(21);
  for (int op : {13, 14, 15, 21, 22, 26}) {
    for (const Placement& p : RandomPlacements(rng, 24)) {
      const int offset = p.width % 8;
      SCOPED_TRACE(::testing::Message() << "value " << op << " width " << p.width << " offset " << offset);
      GuardedRoi<VnBW1> a(AtBitOffset(p, (offset + 3) % 8), rng), b(AtBitOffset(p, 0), rng);
      GuardedRoi<VnBW1> dst(AtBitOffset(p, offset), rng);
      VnImage<VnBW1> before(p.width, p.height);
      ImgCopy(dst.roi(), &before);
      ImgOper(static_cast<Op>(op), a.roi(), b.roi(), dst.roi());
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(dst.OutsideUnchanged());
      ASSERT_TRUE(a.Unchanged());
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          ASSERT_EQ(Bit(*dst.roi(), x, y),
                    ExpectedBit(op, Bit(*a.roi(), x, y), Bit(*b.roi(), x, y), Bit(before, x, y)));
    }
  }
}

TEST(BW1Oper, CopyAndInvertKeepTheBitsOutside) {
  Rng rng(22);
  for (const Placement& p : RandomPlacements(rng, 40)) {
    for (int op : {Copy, Invert}) {
      GuardedRoi<VnBW1> src(AtBitOffset(p, 5), rng), dst(AtBitOffset(p, p.width % 8), rng);
      ImgOper(static_cast<Op>(op), src.roi(), dst.roi());
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(dst.OutsideUnchanged());
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) ASSERT_EQ(Bit(*dst.roi(), x, y), Bit(*src.roi(), x, y) ^ (op == Invert));
    }
  }
}

TEST(BW1Oper, MisalignedFillKeepsTheBitsOutside) {
  Rng rng(23);
  GuardedRoi<VnBW1> dst({11, 2, 3, 0, 24, 2}, rng);
  ImgOper(Copy, VnBW1(1), dst.roi());
  EXPECT_TRUE(dst.OutsideUnchanged());
  for (int x = 0; x < 11; ++x) EXPECT_EQ(Bit(*dst.roi(), x, 1), 1);
  ImgCopy(VnBW1(0), dst.roi());
  EXPECT_TRUE(dst.OutsideUnchanged());
  EXPECT_EQ(Bit(*dst.roi(), 10, 0), 0);
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

int ThrownCode(const std::function<void()>& call) {
  try {
    call();
  } catch (const Korvane::Quandor::Exception& e) {
    return e.code;
  }
  return 0;
}

TEST(BW1Oper, AlignedFormsThrow) {
  VnImage<VnBW1> a(10, 2), b(10, 2), small(9, 2);
  EXPECT_EQ(ThrownCode([&] { ImgOperAligned(Add, &a, &b, &b); }), VN_ERR_UNSUPPORTED_OPERATION);
  EXPECT_EQ(ThrownCode([&] { ImgOperAligned(Invert, VnBW1(1), &b); }), VN_ERR_UNSUPPORTED_OPERATION);
  EXPECT_EQ(ThrownCode([&] { ImgOperAligned(Copy, &a, &small); }), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(ThrownCode([&] { ImgOperAligned(BitwiseOR, &a, &small, &b); }), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(ThrownCode([&] { ImgCopyAligned(&a, &small); }), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(ThrownCode([&] { ImgCopyAligned(nullptr, &small); }), VN_ERR_NULL_ROI);
  EXPECT_EQ(ThrownCode([&] { ImgOperAligned(BitwiseOR, &a, &b, &b); }), 0);
}

TEST(BW1Oper, UnalignedFormsReportThroughTheErrorState) {
  Rng rng(24);
  VnImage<VnBW1> a(10, 2), small(9, 2);
  GuardedRoi<VnBW1> dst({9, 2, 3, 0, 16, 2}, rng);
  ImgOper(BitwiseAND, &a, &small, dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgOper (BW1)"});
  EXPECT_TRUE(dst.Unchanged());
  ImgOper(BitwiseAND, static_cast<const VnROI<VnBW1>*>(nullptr), &small, dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  ImgCopy(static_cast<const VnROI<VnBW1>*>(nullptr), dst.roi());
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgCopy (BW1)"});
  ImgCopy(&a, dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{"ImgCopy(BW1)"});
  EXPECT_TRUE(dst.Unchanged());
  ImgCopy(&small, dst.roi());
  EXPECT_EQ(VnGetError(), 0);
  EXPECT_TRUE(dst.OutsideUnchanged());
}

}  // namespace
}  // namespace vnimg::test
