// The core stand-ins: error state, images and ROIs, the legacy vector, settings and memory.
#include <gtest/gtest.h>

#include <climits>
#include <numbers>
#include <set>
#include <thread>

#include "foundation/simd.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

TEST(ErrorState, SetTraceClearAndPerThread) {
  EXPECT_EQ(VnSetError(1403), 1403);
  EXPECT_EQ(VnTraceError("Worker"), 1403);
  VnSetError(1400);  // a new code keeps the names already traced
  EXPECT_EQ(VnTraceError("ImgOp (BW8)"), 1400);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Worker", "ImgOp (BW8)"}));
  EXPECT_EQ(VnGetErrorTraceName(2), nullptr);
  for (unsigned i = 0; i < VN_MAX_TRACE; ++i) VnTraceError("later");
  EXPECT_EQ(VnGetErrorTraceCount(), VN_MAX_TRACE);
  EXPECT_STREQ(VnGetErrorTraceName(0), "Worker");
  int otherCode = -1;
  unsigned otherCount = 99;
  std::thread([&] { otherCode = VnGetError(), otherCount = VnGetErrorTraceCount(), VnSetError(1303); }).join();
  EXPECT_EQ(otherCode + otherCount, 0u);
  EXPECT_EQ(VnGetError(), 1400);
  EXPECT_EQ(VnOk(), 0);
  EXPECT_EQ(VnGetError() + VnGetErrorTraceCount(), 0u);
}

TEST(ErrorText, EveryCodeHasItsOwnText) {
  const int codes[] = {106,  1003, 1007, 1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016, 1024, 1050, 1051,
                       1102, 1103, 1104, 1105, 1106, 1301, 1303, 1400, 1402, 1403, 1405, 1411, 1413, 1414,
                       1419, 1420, 1421, 1423, 1500, 1601, 1602, 1603, 1604, 1605, 1606, 1607, 1608, 1609,
                       1611, 1613, 1700, 1701, 1702, 1703, 1704, 2200, 2600, 32767};
  std::set<std::string> seen;
  for (int code : codes) {
    EXPECT_NE(std::string(VnGetErrorText(code)), VnGetErrorText(-12345)) << code;
    seen.insert(VnGetErrorText(code));
  }
  EXPECT_GE(seen.size(), std::size(codes) - 3);  // the contour codes share one text
}

TEST(Image, RowsAreAlignedPaddedZeroedAndDeep) {
  for (int width : {1, 63, 64, 65, 1000}) {
    VnImage<VnC24> image(width, 3);
    EXPECT_EQ(image.GetRowPitch() % 64, 0);
    EXPECT_GE(image.GetRowPitch(), width * 3);
    EXPECT_LT(image.GetRowPitch(), width * 3 + 64);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.GetImagePtr(0, 2)) % 64, 0u);
    EXPECT_EQ(image.GetSkip(), image.GetRowPitch() - 3 * width);
    EXPECT_EQ(image.GetPixel(width - 1, 2), (VnC24{0, 0, 0}));
  }
  VnImage<VnBW16> image(5, 4);
  image.SetPixel(65535, 4, 3);
  VnImage<VnBW16> copy = image;
  copy.SetPixel(7, 4, 3);
  EXPECT_EQ(image.GetPixel(4, 3) - copy.GetPixel(4, 3), 65528);
  VnImage<VnBW16> moved = std::move(copy);
  EXPECT_EQ(moved.GetPixel(4, 3), 7);
  EXPECT_TRUE(copy.Void());
}

TEST(Image, BadSizesSetTheirCodeAndKeepTheImage) {
  const struct {
    int width, height, code;
  } cases[] = {{-1, 4, VN_ERR_NEGATIVE_SIZE}, {4, -1, VN_ERR_NEGATIVE_SIZE}, {INT_MAX, INT_MAX, VN_ERR_OUT_OF_MEMORY},
               {INT_MAX, 1, VN_ERR_OUT_OF_MEMORY}, {1 << 20, 1 << 30, VN_ERR_OUT_OF_MEMORY}};
  for (const auto& c : cases) {
    VnImage<VnC24> image(2, 2);
    image.SetPixel(VnC24{1, 2, 3}, 1, 1);
    VnOk();
    image.SetSize(c.width, c.height);
    EXPECT_EQ(VnGetError(), c.code) << c.width << " x " << c.height;
    EXPECT_EQ(image.GetPixel(1, 1), (VnC24{1, 2, 3}));
  }
  VnImage<VnBW8> empty(0, 5);
  EXPECT_TRUE(empty.Void());
  EXPECT_FALSE(empty.CheckValidity());
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
}

TEST(Roi, ValidityChecksEveryLevel) {
  VnImage<VnBW8> image(10, 10);
  const struct {
    int x, y, w, h, code;
  } cases[] = {{0, 0, 10, 10, 0}, {10, 10, 0, 0, 0}, {1, 0, 10, 10, VN_ERR_ROI_OUTSIDE_PARENT}, {0, 1, 10, 10, VN_ERR_ROI_OUTSIDE_PARENT},
               {-1, 0, 2, 2, VN_ERR_ROI_OUTSIDE_PARENT}, {0, -1, 2, 2, VN_ERR_ROI_OUTSIDE_PARENT}, {0, 0, -2, 2, VN_ERR_NEGATIVE_SIZE},
               {0, 0, 2, -2, VN_ERR_NEGATIVE_SIZE}, {INT_MAX, 0, INT_MAX, 1, VN_ERR_ROI_OUTSIDE_PARENT}};
  for (const auto& c : cases) {
    VnROI<VnBW8> roi(&image, c.x, c.y, c.w, c.h), child(&roi, 0, 0, 0, 0);
    VnOk();
    EXPECT_EQ(roi.CheckValidity(), c.code == 0);
    EXPECT_EQ(VnGetError(), c.code) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    EXPECT_EQ(child.CheckValidity(), c.code == 0);  // a valid ROI inside a bad one is bad too
  }
  VnROI<VnBW8> orphan;
  EXPECT_FALSE(orphan.CheckValidity());
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
}

TEST(Roi, FollowsTheParentChain) {
  VnImage<VnBW16> image(40, 30);
  VnROI<VnBW16> outer(&image, 5, 6, 20, 15), inner(&outer, 3, 2, 4, 4), copy = inner;
  EXPECT_EQ(inner.GetTotalOrgX() * 100 + inner.GetTotalOrgY(), 808);
  EXPECT_EQ(inner.GetTotalHeight(), 30);
  EXPECT_EQ(copy.GetImagePtr(1, 1), image.GetImagePtr(9, 9));
  EXPECT_EQ(inner.GetSkip(), image.GetRowPitch() - 8);
  inner.SetPixel(1234, 2, 3);
  EXPECT_EQ(image.GetPixel(10, 11), 1234);
  image.SetSize(100, 100);
  EXPECT_EQ(inner.GetImagePtr(0, 0), image.GetImagePtr(8, 8));
  image.SetSize(10, 10);
  EXPECT_FALSE(inner.CheckValidity());
  EXPECT_EQ(VnGetError(), VN_ERR_ROI_OUTSIDE_PARENT);
}

TEST(BitRoi, BitsAreMostSignificantFirstAtAnyOffset) {
  VnImage<VnBW1> image(37, 2);
  VnROI<VnBW1> roi(&image, 11, 1, 20, 1);
  EXPECT_EQ(roi.GetBitOffset(0, 0) * 10 + roi.GetBitOffset(5, 0), 30);
  EXPECT_EQ(roi.GetImagePtr(5, 0), image.GetImagePtr(16, 1));
  roi.SetPixel(VnBW1(1), 0, 0);
  roi.SetPixel(VnBW1(1), 19, 0);  // pixel 30 of the row: bit 6 of byte 3
  EXPECT_EQ(*image.GetImagePtr(8, 1) * 1000 + *image.GetImagePtr(24, 1), 0x10 * 1000 + 0x02);
  roi.SetPixel(VnBW1(0), 0, 0);
  EXPECT_EQ(*image.GetImagePtr(8, 1), 0);
  EXPECT_EQ(roi.GetSkip(), image.GetRowPitch() - 3);  // 11..30 touch bytes 1 to 3
}

TEST(MaskRuns, AreKeptAsOffsets) {
  VnImage<VnBW8> image(10, 10);
  VnROI<VnBW8> roi(&image, 2, 2, 6, 6);
  const auto pitch = static_cast<std::uint32_t>(image.GetRowPitch());
  const VnRun runs[] = {{0, 3, 0, 0}, {pitch + 1, pitch + 5, 1, 1}};
  roi.SetMaskRuns(runs, 2);
  ASSERT_EQ(roi.GetMaskRunCount(), 2u);
  EXPECT_EQ(roi.GetImagePtr(0, 0) + roi.GetMaskRuns()[1].m_un32Start, roi.GetImagePtr(1, 1));
  roi.ClearMaskRuns();
  EXPECT_EQ(roi.GetMaskRuns(), nullptr);
}

TEST(LegacyVector, TypesReallocateAndBadShapes) {
  const struct {
    int type, groups, length, size, dataType, expectGroups, expectLength;
  } cases[] = {{1, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3}, {2, 0, 0, VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 256},
               {2, 1, 640, VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 640}, {3, 0, 0, VN_DATA_SIZE_8, VN_DATA_UNSIGNED, 1, 256},
               {4, 10, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 10, 3}, {5, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3},
               {6, 0, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 1}, {7, 5, 0, VN_DATA_SIZE_32, VN_DATA_FLOAT, 5, 1}};
  for (const auto& c : cases) {
    VnVector v;
    ASSERT_EQ(v.SetType(c.type, c.groups, c.length), 0);
    const int bytes = c.expectGroups * c.expectLength * (c.size == VN_DATA_SIZE_8 ? 1 : 4);
    EXPECT_EQ(std::vector<int>({v.GetVectType(), v.GetDataSize(), v.GetDataType(), v.GetNbGroup(), v.GetGroupLength(),
                                int(v.GetAllocatedSize()), v.GetNbMaxGroup()}),
              std::vector<int>({c.type, c.size, c.dataType, c.expectGroups, c.expectLength, bytes, c.expectGroups}));
    const auto* data = static_cast<const unsigned char*>(v.GetDataPtr());
    EXPECT_EQ(std::count(data, data + bytes, 0), bytes);
  }
  VnVector v;
  ASSERT_EQ(v.SetStructure(VN_DATA_SIZE_32, 4, 2, VN_DATA_SIGNED), 0);
  static_cast<int*>(v.GetDataPtr())[7] = -9;
  ASSERT_EQ(v.Reallocate(64), 0);
  const VnVector copy = v;
  static_cast<int*>(v.GetDataPtr())[8] = 5;
  EXPECT_EQ(static_cast<int*>(copy.GetDataPtr())[7] * 10 + static_cast<int*>(copy.GetDataPtr())[8], -90);
  EXPECT_EQ(copy.GetNbMaxGroup() * 10 + copy.GetNbGroup(), 84);
  v.SetNbGroup(100);
  EXPECT_EQ(v.GetNbGroup(), 8);
  EXPECT_EQ(v.Reallocate(8) + v.GetAllocatedSize(), 64u);  // never shrinks
  EXPECT_EQ(v.SetType(99, 1, 1), VN_ERR_PARAM_1);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, 1 << 20, 1 << 20, VN_DATA_SIGNED), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, -1, 1, VN_DATA_SIGNED), VN_ERR_PARAM_2);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, 1, -1, VN_DATA_SIGNED), VN_ERR_PARAM_3);
  EXPECT_EQ(v.GetAllocatedSize(), 64u);
}

TEST(Settings, AngleUnitMmxAndVariantChoice) {
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  EXPECT_DOUBLE_EQ(VnToRadians(180.0), std::numbers::pi);
  EXPECT_DOUBLE_EQ(VnFromRadians(std::numbers::pi / 2), 90.0);
  VnSetAngleUnit(static_cast<VN_ANGLE_UNIT>(7));  // ignored
  EXPECT_EQ(VnGetAngleUnit(), VN_ANGLE_DEGREES);
  VnSetAngleUnit(VN_ANGLE_RADIANS);
  EXPECT_DOUBLE_EQ(VnToRadians(1.25) + VnFromRadians(1.25), 2.5);
  EXPECT_EQ(VnGetMMX(), VNIMG_X86 ? 1 : 0);  // on by default where vector variants exist
  VnSetMMX(0);
  EXPECT_EQ(simd::ActiveLevel(), simd::Level::Plain);
  VnSetMMX(5);
  EXPECT_EQ(VnGetMMX(), 1);
  EXPECT_EQ(simd::ActiveLevel(), simd::CpuLevel());
  simd::SetLevelCap(simd::Level::Sse2);
  EXPECT_EQ(simd::ActiveLevel(), std::min(simd::Level::Sse2, simd::CpuLevel()));
  simd::SetLevelCap(simd::Level::Avx512);
  using Fn = int (*)();
  const simd::Variants<Fn> table{.plain = [] { return 0; }, .sse2 = [] { return 1; }};
  EXPECT_EQ(table.Pick(simd::Level::Avx512)() * 10 + table.Pick(simd::Level::Plain)(), 10);
}

TEST(Memory, AlignedAndRefusesAbsurdSizes) {
  void* p = Quandor_Malloc(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
  Quandor_Free(p);
  EXPECT_EQ(Quandor_Malloc(0), nullptr);
  EXPECT_EQ(Quandor_Malloc(SIZE_MAX - 10), nullptr);
}

}  // namespace
}  // namespace vnimg::test
