#include <gtest/gtest.h>

#include <cstdint>
#include <numbers>
#include <thread>

#include "foundation/simd.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

TEST(Settings, AngleUnitConvertsBothWays) {
  EXPECT_EQ(VnGetAngleUnit(), VN_ANGLE_RADIANS);
  EXPECT_DOUBLE_EQ(VnToRadians(1.25), 1.25);
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  EXPECT_DOUBLE_EQ(VnToRadians(180.0), std::numbers::pi);
  EXPECT_DOUBLE_EQ(VnFromRadians(std::numbers::pi / 2), 90.0);
  VnSetAngleUnit(static_cast<VN_ANGLE_UNIT>(7));  // ignored
  EXPECT_EQ(VnGetAngleUnit(), VN_ANGLE_DEGREES);
  VnSetAngleUnit(VN_ANGLE_RADIANS);
}

TEST(Settings, MmxOffSelectsThePlainLoops) {
  const int saved = VnGetMMX();
  VnSetMMX(0);
  EXPECT_EQ(simd::ActiveLevel(), simd::Level::Plain);
  VnSetMMX(5);
  EXPECT_EQ(VnGetMMX(), 1);
  EXPECT_EQ(simd::ActiveLevel(), simd::CpuLevel());
  simd::SetLevelCap(simd::Level::Sse2);
  EXPECT_LE(simd::ActiveLevel(), simd::Level::Sse2);
  simd::SetLevelCap(simd::Level::Avx512);
  VnSetMMX(saved);
#if VNIMG_X86
  EXPECT_GE(simd::CpuLevel(), simd::Level::Sse2);
  EXPECT_EQ(saved, 1) << "on by default on x86-64";
#endif
}

TEST(Settings, PickFallsBackToTheBestLowerVariant) {
  using Fn = int (*)();
  const simd::Variants<Fn> table{.plain = [] { return 0; }, .sse2 = [] { return 1; }};
  EXPECT_EQ(table.Pick(simd::Level::Avx512)(), 1);
  EXPECT_EQ(table.Pick(simd::Level::Plain)(), 0);
}

TEST(Settings, OverlayColourIsPerThread) {
  VnGetTLSPtr()->m_c24OverlayColor = VnC24{1, 2, 3};
  VnC24 seen{9, 9, 9};
  std::thread other([&] { seen = VnGetTLSPtr()->m_c24OverlayColor; });
  other.join();
  EXPECT_EQ(seen, (VnC24{0, 0, 0}));
  EXPECT_EQ(VnGetTLSPtr()->m_c24OverlayColor, (VnC24{1, 2, 3}));
}

TEST(Settings, MallocIsAlignedAndRefusesAbsurdSizes) {
  void* p = Quandor_Malloc(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
  Quandor_Free(p);
  EXPECT_EQ(Quandor_Malloc(0), nullptr);
  EXPECT_EQ(Quandor_Malloc(SIZE_MAX - 10), nullptr);
  Quandor_Free(nullptr);
}

}  // namespace
}  // namespace vnimg::test
