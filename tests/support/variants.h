// Differential testing of vector variants: each variant the CPU can run is compared with the
// plain loop over random ROIs placed at odd offsets in larger parents.
#pragma once

#include <vector>

#include "foundation/simd.h"
#include "support/images.h"

namespace vnimg::test {

// The vector variants of a table the running CPU can execute, with their levels.
template <class Fn>
std::vector<std::pair<simd::Level, Fn>> VectorVariants(const simd::Variants<Fn>& variants) {
  std::vector<std::pair<simd::Level, Fn>> found;
  for (simd::Level level : simd::kAllLevels) {
    if (level == simd::Level::Plain || level > simd::CpuLevel()) continue;
    if (Fn fn = variants.At(level)) found.emplace_back(level, fn);
  }
  return found;
}

// For each random placement: make(placement, rng) builds the inputs; run(fn, inputs, dst)
// applies one variant into a destination ROI. Two destinations start with the same random
// bytes; the plain loop writes one and each vector variant the other, and the whole parents
// must end equal (so no variant writes outside the ROI), with nothing outside the ROI changed.
template <class T, class Fn, class Make, class Run>
void ExpectVariantsMatchPlain(const simd::Variants<Fn>& variants, Make make, Run run, int placements = 120,
                              unsigned seed = 1) {
  Rng rng(seed);
  const auto vectorVariants = VectorVariants(variants);
  for (const Placement& p : RandomPlacements(rng, placements)) {
    auto inputs = make(p, rng);
    GuardedRoi<T> expected(p, rng);
    run(variants.plain, inputs, expected.roi());
    ASSERT_TRUE(expected.OutsideUnchanged()) << "plain loop";
    for (const auto& [level, fn] : vectorVariants) {
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << ": width " << p.width << " height " << p.height
                                        << " at " << p.orgX << "," << p.orgY);
      GuardedRoi<T> actual(p, rng);
      actual.StartLike(expected);
      run(fn, inputs, actual.roi());
      ASSERT_TRUE(actual.SameBytesAs(expected));
    }
  }
}

}  // namespace vnimg::test
