// Running a test at every vector level: Plain is the vector variants off (VnSetMMX(0)); the
// other levels cap the variants (simd::SetLevelCap) so that each one the CPU has is used.
#pragma once

#include <vector>

#include "foundation/simd.h"
#include "support/images.h"

namespace vnimg::test {

// Plain and every vector level the CPU runs.
inline std::vector<simd::Level> Levels() {
  std::vector<simd::Level> levels;
  for (simd::Level level : simd::kAllLevels)
    if (level <= simd::CpuLevel()) levels.push_back(level);
  return levels;
}
// Selects a level for its lifetime, then goes back to the default (all variants on).
struct LevelSetting {
  explicit LevelSetting(simd::Level level) { VnSetMMX(level != simd::Level::Plain), simd::SetLevelCap(level); }
  ~LevelSetting() { VnSetMMX(1), simd::SetLevelCap(simd::Level::Avx512); }
};

}  // namespace vnimg::test
