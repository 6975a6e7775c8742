// Every vector variant of every statistics row kernel against its plain loop.
#include <gtest/gtest.h>

#include <vector>

#include "statistics/stat_kernels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using namespace vnimg::statistics;
using Result = std::vector<std::uint64_t>;

template <class Fn, class Call>
void ExpectSameAsPlain(const simd::Variants<Fn>& variants, Call call) {
  const Result expected = call(variants.plain);
  for (const auto& [level, fn] : VectorVariants(variants)) ASSERT_EQ(call(fn), expected) << simd::LevelName(level);
}

struct Span {
  std::size_t offset, n;
};

// Every length to 200 at odd offsets, long ones, and spans past every narrow counter's flush
// (byte counters after 255 vectors, 32-bit lanes after 16384 or 32768), which the all-maximum
// buffers would make wrap.
std::vector<Span> Spans(Rng& rng) {
  std::vector<Span> spans;
  for (std::size_t n = 0; n <= 200; ++n) spans.push_back({rng() % 64, n});
  for (std::size_t n : {1001u, 4097u, 16321u, 20000u, 300001u, 1100003u}) spans.push_back({rng() % 64, n});
  return spans;
}

template <class T>
void ExpectKernelsMatch(const std::vector<T>& a, const std::vector<T>& b, const std::vector<Span>& spans, Rng& rng) {
  const bool bytes = sizeof(T) == 1;
  const unsigned top = bytes ? 256 : 65536;
  for (const Span& s : spans) {
    SCOPED_TRACE(::testing::Message() << "offset " << s.offset << " length " << s.n);
    const T* p = a.data() + s.offset;
    const T* q = b.data() + s.offset;
    const unsigned low = rng() % 4 == 0 ? 0 : rng() % (top + 1), high = rng() % 4 == 0 ? top : rng() % (top + 1);
    const unsigned startMin = rng() % top, startMax = rng() % top;
    const auto extremes = [&](auto fn) {
      Extremes e{startMin, startMax};
      const std::uint64_t sum = fn(p, s.n, e);
      return Result{sum, e.min, e.max};
    };
    // Up to 16 rows a pitch of n + 3 pixels apart, as far as the buffer holds them.
    const std::size_t rows = std::min<std::size_t>(1 + rng() % 16, (a.size() - s.offset - s.n) / (s.n + 3) + 1);
    const auto columns = [&](auto fn) {
      std::vector<std::uint32_t> sums(s.n + 20, 0xFFFFFF00u);  // wraps, and guards past the end
      fn(p, std::ptrdiff_t((s.n + 3) * sizeof(T)), rows, sums.data(), s.n);
      return Result(sums.begin(), sums.end());
    };
    const auto sum = [&](auto fn) { return Result{fn(p, s.n)}; };
    const auto squares = [&](auto fn) { const SumSquares r = fn(p, s.n); return Result{r.sum, r.squares}; };
    const auto below = [&](auto fn) { const BelowCounts c = fn(p, s.n, low, high); return Result{c.low, c.high}; };
    const auto differ = [&](auto fn) { return Result{fn(p, q, s.n)}; };
    if constexpr (sizeof(T) == 1) {
      ExpectSameAsPlain(Sum8Variants(), sum), ExpectSameAsPlain(SumSquares8Variants(), squares);
      ExpectSameAsPlain(MinMaxSum8Variants(), extremes), ExpectSameAsPlain(CountBelow8Variants(), below);
      ExpectSameAsPlain(Differ8Variants(), differ), ExpectSameAsPlain(DifferBitsVariants(), differ);
      ExpectSameAsPlain(AddColumns8Variants(), columns);
    } else {
      ExpectSameAsPlain(Sum16Variants(), sum), ExpectSameAsPlain(SumSquares16Variants(), squares);
      ExpectSameAsPlain(MinMaxSum16Variants(), extremes), ExpectSameAsPlain(CountBelow16Variants(), below);
      ExpectSameAsPlain(Differ16Variants(), differ), ExpectSameAsPlain(AddColumns16Variants(), columns);
    }
  }
}

// Random pixels against a copy with one pixel in eight changed, then all-maximum pixels
// against themselves (every pair equal, every count and sum at its largest).
template <class T>
void ExpectKernelsMatchOnRandomAndFullBuffers(unsigned seed) {
  Rng rng(seed);
  const std::vector<Span> spans = Spans(rng);
  std::vector<T> random(1100003 + 64), changed;
  for (T& v : random) v = static_cast<T>(rng());
  changed = random;
  for (std::size_t i = 0; i < changed.size(); i += 1 + rng() % 15) changed[i] = static_cast<T>(changed[i] ^ (1u << rng() % (8 * sizeof(T))));
  ExpectKernelsMatch(random, changed, spans, rng);
  const std::vector<T> full(random.size(), static_cast<T>(~T{0}));
  ExpectKernelsMatch(full, full, {spans.end() - 4, spans.end()}, rng);
}

TEST(StatisticsKernels, VectorVariantsMatchThePlainLoops) {
  ExpectKernelsMatchOnRandomAndFullBuffers<std::uint8_t>(1);
  ExpectKernelsMatchOnRandomAndFullBuffers<std::uint16_t>(2);
}

}  // namespace
}  // namespace vnimg::test
