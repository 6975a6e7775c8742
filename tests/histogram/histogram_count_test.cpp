// The counting kernels against a literal count, on both paths of the byte counter.
#include "histogram/histogram_count.h"

#include <algorithm>
#include <array>

#include "support/images.h"

namespace vnimg::test {
namespace {

using histogram::BW8Counter;

// Spans of every length from 0 to 40 and a few long odd ones, at odd offsets of a random buffer;
// constant stretches so that neighbouring pairs repeat.
TEST(BW8Counter, BothPathsCountEveryByteOnce) {
  Rng rng(7);
  std::vector<std::uint8_t> bytes(1 << 16);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  std::fill(bytes.begin() + 1000, bytes.begin() + 1300, std::uint8_t{200});
  for (std::uint64_t announced : {std::uint64_t{0}, BW8Counter::kPairMinPixels}) {
    BW8Counter counter(announced);
    std::array<std::uint32_t, 256> expected{};
    std::size_t at = 1;
    auto add = [&](std::size_t n) {
      counter.Add(bytes.data() + at, n);
      for (std::size_t i = at; i < at + n; ++i) ++expected[bytes[i]];
      at += n + 3;
    };
    for (std::size_t n = 0; n <= 40; ++n) add(n);
    for (std::size_t n : {999u, 1601u, 4097u, 30001u}) add(n);
    std::array<std::uint32_t, 257> counted{};
    counted[256] = 0xC0FFEE;  // a guard past the last bin
    counter.SumInto(counted.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), counted.begin())) << "announced " << announced;
    EXPECT_EQ(counted[256], 0xC0FFEEu);
  }
}

}  // namespace
}  // namespace vnimg::test
