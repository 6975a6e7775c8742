#include "foundation/simd.h"

#include <atomic>

#include "vnimg/platform/core.h"

namespace vnimg::simd {
namespace {

Level DetectCpuLevel() {
#if VNIMG_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512vbmi"))
    return Level::Avx512;
  if (__builtin_cpu_supports("avx2")) return Level::Avx2;
  return Level::Sse2;  // the x86-64 baseline, and required of 32-bit builds (-msse2)
#else
  return Level::Plain;
#endif
}

std::atomic<int> g_cap{static_cast<int>(Level::Avx512)};

}  // namespace

const char* LevelName(Level level) {
  switch (level) {
    case Level::Sse2: return "sse2";
    case Level::Avx2: return "avx2";
    case Level::Avx512: return "avx512";
    case Level::Plain: break;
  }
  return "plain";
}

Level CpuLevel() {
  static const Level level = DetectCpuLevel();
  return level;
}

Level ActiveLevel() {
  if (!VnGetMMX()) return Level::Plain;
  const int cap = g_cap.load(std::memory_order_relaxed);
  const int cpu = static_cast<int>(CpuLevel());
  return static_cast<Level>(cpu < cap ? cpu : cap);
}

void SetLevelCap(Level cap) { g_cap.store(static_cast<int>(cap), std::memory_order_relaxed); }

Level GetLevelCap() { return static_cast<Level>(g_cap.load(std::memory_order_relaxed)); }

}  // namespace vnimg::simd
