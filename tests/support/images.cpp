#include "support/images.h"

namespace vnimg::test {

std::vector<Placement> RandomPlacements(Rng& rng, int count) {
  std::vector<Placement> placements;
  std::uniform_int_distribution<int> margin(0, 9);
  std::uniform_int_distribution<int> height(1, 7);
  std::uniform_int_distribution<int> large(500, 2100);
  for (int i = 0; i < count; ++i) {
    Placement p;
    p.width = i % 8 == 7 ? large(rng) : 1 + i % 100;
    p.height = height(rng);
    p.orgX = margin(rng);
    p.orgY = margin(rng) % 3;
    p.parentWidth = p.orgX + p.width + margin(rng);
    p.parentHeight = p.orgY + p.height + margin(rng) % 3;
    placements.push_back(p);
  }
  return placements;
}

std::vector<std::string> Trace() {
  std::vector<std::string> names;
  for (unsigned i = 0; i < VnGetErrorTraceCount(); ++i) names.emplace_back(VnGetErrorTraceName(i));
  return names;
}

}  // namespace vnimg::test

// Absurd sizes are part of the tests: under AddressSanitizer a failed allocation must come
// back as null (and so as an error code), as it does in a normal build.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
