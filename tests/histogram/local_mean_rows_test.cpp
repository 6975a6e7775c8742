// Every vector variant of the local mean threshold's row kernels against the plain loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "foundation/frame.h"
#include "histogram/local_mean_kernels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

namespace kernels = vnimg::local_mean;

struct SlideInputs {
  VnImage<VnBW8> added, removed;
};

SlideInputs RandomRows(const Placement& p, Rng& rng) {
  SlideInputs in{VnImage<VnBW8>(p.width, p.height), VnImage<VnBW8>(p.width, p.height)};
  FillRandomBytes(in.added, rng);
  FillRandomBytes(in.removed, rng);
  return in;
}

// The destination rows are the column sums; random ones also exercise the wrap modulo 2^32.
TEST(LocalMeanRows, SlideColumnsVariantsMatchPlain) {
  ExpectVariantsMatchPlain<VnBW32>(kernels::SlideColumnsVariants(), RandomRows,
                                   [](kernels::SlideColumnsFn fn, const SlideInputs& in, VnROI<VnBW32>* columns) {
                                     const frame::Rows<VnBW8> added(in.added), removed(in.removed);
                                     const frame::Rows<VnBW32> sums(*columns);
                                     for (int y = 0; y < columns->GetHeight(); ++y)
                                       fn(sums.Row(y), added.Row(y), removed.Row(y), columns->GetWidth());
                                   });
}

struct CompareInputs {
  VnImage<VnBW8> src;
  VnImage<VnINT32> sums;
};

// Window areas from the smallest to the largest the 32-bit path takes, around the split of
// the area at 2^15, with offsets up to the largest the area leaves room for (the 32-bit
// path takes no others).
struct AreaCase {
  std::int32_t area;
  std::int32_t bias;
};

std::vector<AreaCase> AreaCases() {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  std::vector<AreaCase> cases;
  for (std::int32_t area : {1, 9, 225, 32767, 32768, 32769, 40401, max / 255}) {
    const std::int32_t room = max - area * 255;
    for (std::int64_t bias : {std::int64_t{0}, std::int64_t{area}, -std::int64_t{area}, -7 * std::int64_t{area},
                              std::int64_t{room}, -std::int64_t{room}})
      if (bias <= room && bias >= -room) cases.push_back({area, static_cast<std::int32_t>(bias)});
  }
  return cases;
}

// Sums mostly within one of the tie pixel x area - bias, so both outcomes and ties occur;
// the rest anywhere a window can sum to.
CompareInputs TiedSums(const Placement& p, Rng& rng, AreaCase c) {
  CompareInputs in{VnImage<VnBW8>(p.width, p.height), VnImage<VnINT32>(p.width, p.height)};
  FillRandomBytes(in.src, rng);
  const std::int64_t top = std::int64_t{c.area} * 255;
  std::uniform_int_distribution<int> near(-1, 1), kind(0, 3);
  std::uniform_int_distribution<std::int64_t> any(0, top);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const std::int64_t tie = std::int64_t{in.src.GetPixel(x, y)} * c.area - c.bias + near(rng);
      in.sums.SetPixel(static_cast<std::int32_t>(kind(rng) == 0 ? any(rng) : std::clamp<std::int64_t>(tie, 0, top)),
                       x, y);
    }
  return in;
}

TEST(LocalMeanRows, CompareRowVariantsMatchPlain) {
  for (const AreaCase& c : AreaCases()) {
    SCOPED_TRACE(::testing::Message() << "area " << c.area << " bias " << c.bias);
    ExpectVariantsMatchPlain<VnBW8>(
        kernels::CompareRowVariants(), [&](const Placement& p, Rng& rng) { return TiedSums(p, rng, c); },
        [&](kernels::CompareRowFn fn, const CompareInputs& in, VnROI<VnBW8>* dst) {
          const frame::Rows<VnBW8> src(in.src), out(*dst);
          const frame::Rows<VnINT32> sums(in.sums);
          for (int y = 0; y < dst->GetHeight(); ++y)
            fn(src.Row(y), out.Row(y), sums.Row(y), dst->GetWidth(), c.area, c.bias);
        },
        30, static_cast<unsigned>(c.area) ^ static_cast<unsigned>(c.bias));
  }
}

// The plain compare itself on hand-picked pixels: below the sum is 0, at or above it 255.
TEST(LocalMeanRows, ComparePlainTiesGoHigh) {
  const VnBW8 s[] = {10, 10, 10, 0, 255};
  const std::int32_t sums[] = {89, 90, 91, 0, 9 * 255};
  VnBW8 d[5] = {};
  kernels::CompareRowPlain(s, d, sums, 5, 9, 0);
  const VnBW8 expected[] = {255, 255, 0, 255, 255};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(d[x], expected[x]) << x;
}

}  // namespace
}  // namespace vnimg::test
