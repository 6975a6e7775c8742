#include <gtest/gtest.h>

#include <cstring>

#include <vnimg.h>

namespace {

TEST(LegacyVector, TypesTakeTheirDefaultLayout) {
  struct Case {
    int type, groups, length;
    int size, dataType, expectGroups, expectLength;
    unsigned bytes;
  } cases[] = {
      {2, 0, 0, VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 256, 1024},
      {2, 1, 640, VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 640, 2560},
      {3, 1, 256, VN_DATA_SIZE_8, VN_DATA_UNSIGNED, 1, 256, 256},
      {4, 10, 0, VN_DATA_SIZE_32, VN_DATA_SIGNED, 10, 3, 120},
      {7, 5, 0, VN_DATA_SIZE_32, VN_DATA_FLOAT, 5, 1, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    VnVector v;
    ASSERT_EQ(v.SetType(c.type, c.groups, c.length), 0);
    EXPECT_EQ(v.GetVectType(), c.type);
    EXPECT_EQ(v.GetDataSize(), c.size);
    EXPECT_EQ(v.GetDataType(), c.dataType);
    EXPECT_EQ(v.GetNbGroup(), c.expectGroups);
    EXPECT_EQ(v.GetGroupLength(), c.expectLength);
    EXPECT_EQ(v.GetAllocatedSize(), c.bytes);
    EXPECT_EQ(v.GetNbMaxGroup(), c.expectGroups);
    const auto* data = static_cast<const unsigned char*>(v.GetDataPtr());
    for (unsigned i = 0; i < c.bytes; ++i) ASSERT_EQ(data[i], 0);
  }
}

TEST(LegacyVector, ReallocateKeepsTheContentAndGrowsTheGroups) {
  VnVector v;
  ASSERT_EQ(v.SetStructure(VN_DATA_SIZE_32, 4, 2, VN_DATA_SIGNED), 0);
  EXPECT_EQ(v.GetVectType(), 0);
  static_cast<int*>(v.GetDataPtr())[7] = -9;
  v.SetUse(7);
  ASSERT_EQ(v.Reallocate(64), 0);
  EXPECT_EQ(static_cast<int*>(v.GetDataPtr())[7], -9);
  EXPECT_EQ(static_cast<int*>(v.GetDataPtr())[8], 0);
  EXPECT_EQ(v.GetNbMaxGroup(), 8);
  EXPECT_EQ(v.GetNbGroup(), 4);
  v.SetNbGroup(100);
  EXPECT_EQ(v.GetNbGroup(), 8);
  EXPECT_EQ(v.Reallocate(8), 0);  // never shrinks
  EXPECT_EQ(v.GetAllocatedSize(), 64u);
  EXPECT_EQ(v.GetUse(), 7);
}

TEST(LegacyVector, BadShapesFailAndKeepTheVector) {
  VnVector v;
  ASSERT_EQ(v.SetType(3, 1, 256), 0);
  VnOk();
  EXPECT_EQ(v.SetType(99, 1, 1), VN_ERR_PARAM_1);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, 1 << 20, 1 << 20, VN_DATA_SIGNED), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(v.SetStructure(VN_DATA_SIZE_32, -1, 1, VN_DATA_SIGNED), VN_ERR_PARAM_2);
  EXPECT_EQ(v.GetVectType(), 3);
  EXPECT_EQ(v.GetAllocatedSize(), 256u);
  VnOk();
}

TEST(LegacyVector, CopiesAreDeep) {
  VnVector a;
  a.SetType(2, 0, 0);
  static_cast<unsigned*>(a.GetDataPtr())[3] = 42;
  VnVector b = a;
  static_cast<unsigned*>(b.GetDataPtr())[3] = 7;
  EXPECT_EQ(static_cast<unsigned*>(a.GetDataPtr())[3], 42u);
  EXPECT_TRUE(a.IsSameVectType(b));
  VnVector empty;
  EXPECT_EQ(empty.GetDataPtr(), nullptr);
  EXPECT_FALSE(empty.IsSameVectType(a));
}

}  // namespace
