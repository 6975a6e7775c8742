#include "vnimg/platform/core.h"

#include <atomic>
#include <new>
#include <numbers>

#include "foundation/simd.h"

namespace {

std::atomic<int>& MmxSetting() {
  static std::atomic<int> setting{vnimg::simd::CpuLevel() > vnimg::simd::Level::Plain ? 1 : 0};
  return setting;
}

std::atomic<int> g_angleUnit{VN_ANGLE_RADIANS};

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

constexpr std::size_t kAlignment = 64;

}  // namespace

int VnGetMMX() { return MmxSetting().load(std::memory_order_relaxed); }

void VnSetMMX(int enabled) { MmxSetting().store(enabled ? 1 : 0, std::memory_order_relaxed); }

void VnSetAngleUnit(VN_ANGLE_UNIT unit) {
  if (unit == VN_ANGLE_RADIANS || unit == VN_ANGLE_DEGREES) g_angleUnit.store(unit, std::memory_order_relaxed);
}

VN_ANGLE_UNIT VnGetAngleUnit() { return static_cast<VN_ANGLE_UNIT>(g_angleUnit.load(std::memory_order_relaxed)); }

double VnToRadians(double angle) {
  return VnGetAngleUnit() == VN_ANGLE_DEGREES ? angle / kDegreesPerRadian : angle;
}

double VnFromRadians(double radians) {
  return VnGetAngleUnit() == VN_ANGLE_DEGREES ? radians * kDegreesPerRadian : radians;
}

ToviTLSStruct* VnGetTLSPtr() {
  thread_local ToviTLSStruct tls;
  return &tls;
}

void* Quandor_Malloc(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  const std::size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
  if (rounded < bytes) return nullptr;
  // Aligned operator new rather than std::aligned_alloc, which the Windows C runtime lacks.
  return ::operator new(rounded, std::align_val_t{kAlignment}, std::nothrow);
}

void Quandor_Free(void* p) { ::operator delete(p, std::align_val_t{kAlignment}); }
