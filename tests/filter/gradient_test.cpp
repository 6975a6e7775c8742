// Gradients and local deviation: every operation at every vector level against its per-pixel
// formula (a brute-force window for the deviation), the deviation rows' vector variants at the
// edges of exactness, hand-worked table entries, and the failures of these operations.
#include <gtest/gtest.h>

#include <functional>

#include "filter/local_stats_kernels.h"
#include "foundation/frame.h"
#include "support/levels.h"
#include "support/pixels.h"
#include "support/uint128.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using I64 = std::int64_t;
using U128 = Uint128;  // exact also on 32-bit targets

template <class T> constexpr I64 kMax = sizeof(T) == 1 ? 255 : 65535;

template <class T>
I64 At(const VnROI<T>& roi, int x, int y) {
  return roi.GetPixel(std::clamp(x, 0, roi.GetWidth() - 1), std::clamp(y, 0, roi.GetHeight() - 1));
}
template <class T> I64 Gx(const VnROI<T>& r, int x, int y) { return At(r, x - 1, y) - At(r, x + 1, y); }
template <class T> I64 Gy(const VnROI<T>& r, int x, int y) { return At(r, x, y - 1) - At(r, x, y + 1); }

// floor(sqrt(v) / n), the largest d with (d n)^2 <= v; a deviation is below 65536.
I64 RootOver(U128 v, U128 n) {
  I64 low = 0, high = 65536;
  while (high - low > 1) {
    const I64 mid = (low + high) / 2;
    const U128 dn = U128(static_cast<std::uint64_t>(mid)) * n;
    (dn * dn <= v ? low : high) = mid;
  }
  return low;
}

// floor(sqrt(n Q - S^2) / n) over the window, each position read with clamped coordinates.
template <class T>
I64 BruteDeviation(const VnROI<T>& src, int x, int y, int hx, int hy) {
  U128 s = 0, q = 0, n = 0;
  for (int j = -hy; j <= hy; ++j)
    for (int i = -hx; i <= hx; ++i) {
      const U128 p = static_cast<std::uint64_t>(At(src, x + i, y + j));
      s += p, q += p * p, n += 1;
    }
  return std::min<I64>(kMax<T>, RootOver(n * q - s * s, n));
}

template <class T>
VnImage<T> Copy(const VnROI<T>& roi) {
  return Make<T>(roi.GetWidth(), roi.GetHeight(), [&](int x, int y) { return roi.GetPixel(x, y); });
}

template <class T> class LocalDeviation : public ::testing::Test {};
using GrayTypes = ::testing::Types<VnBW8, VnBW16>;
TYPED_TEST_SUITE(LocalDeviation, GrayTypes);

// Random half-sizes, often beyond the ROI; low-contrast images too (exact squares are frequent);
// in place, into a ROI overlapping the source one row lower, or a separate destination.
TYPED_TEST(LocalDeviation, MatchesTheBruteForceWindow) {
  using T = TypeParam;
  Rng rng(31);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    int n = 0;
    for (Placement p : RandomPlacements(rng, 60)) {
      const int mode = ++n % 3, big = n % 4 == 0 && p.width < 40;
      const int hx = std::uniform_int_distribution<int>(0, big ? 60 : 4)(rng), hy = std::uniform_int_distribution<int>(0, big ? 12 : 3)(rng);
      p.parentHeight += mode == 1;
      GuardedRoi<T> src(p, rng), dst(p, rng);
      if (n % 5 == 0) frame::ForEachRow(*src.roi(), [&](T* row, int w) { for (int x = 0; x < w; ++x) row[x] &= 3; }), src.Remember();
      const VnImage<T> original = Copy(*src.roi());
      VnROI<T> lower(&src.parent(), p.orgX, p.orgY + 1, p.width, p.height);
      VnROI<T>* out = mode == 0 ? src.roi() : mode == 1 ? &lower : dst.roi();
      ImgLocalDeviation(src.roi(), out, unsigned(hx), unsigned(hy));
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " halves " << hx << "," << hy << " width " << p.width << " mode " << mode);
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(SamePixels<T>(*out, Make<T>(p.width, p.height, [&](int x, int y) { return BruteDeviation(original, x, y, hx, hy); })));
      ASSERT_TRUE(mode != 2 || (dst.OutsideUnchanged() && src.Unchanged()));
    }
  }
}

// Windows whose n Q - S^2 passes 2^64 (16 bits) or 2^52 (the double form's bound), on two-level
// and random images.
TYPED_TEST(LocalDeviation, WideWindowsStayExact) {
  using T = TypeParam;
  Rng rng(37);
  const int halves[][2] = {{300, 300}, {32767, 2}, {1000, 200}, {3, 32767}};
  auto weight = [](int c, int at, int half, int size) {  // the window positions that clamp to c
    const I64 from = c == 0 ? at - half : std::max<I64>(at - half, c), to = c == size - 1 ? at + half : std::min<I64>(at + half, c);
    return U128(static_cast<std::uint64_t>(std::max<I64>(0, to - from + 1)));
  };
  for (const auto& h : halves)
    for (int kind = 0; kind < 2; ++kind) {
      const auto src = Make<T>(3, 2, [&](int x, int y) { return kind ? I64(rng() % (kMax<T> + 1)) : (x + y) % 2 * kMax<T>; });
      VnImage<T> dst(3, 2);
      ImgLocalDeviation(&src, &dst, unsigned(h[0]), unsigned(h[1]));
      ASSERT_EQ(VnGetError(), 0);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {  // by column and row weights: the window is too large to walk
          U128 s = 0, q = 0;
          for (int k = 0; k < 6; ++k) {
            const U128 w = weight(k % 3, x, h[0], 3) * weight(k / 3, y, h[1], 2), p = U128(src.GetPixel(k % 3, k / 3));
            s += w * p, q += w * p * p;
          }
          const U128 n = U128(2 * std::uint64_t(h[0]) + 1) * U128(2 * std::uint64_t(h[1]) + 1);
          EXPECT_EQ(dst.GetPixel(x, y), RootOver(n * q - s * s, n)) << h[0] << "," << h[1] << " at " << x << "," << y;
        }
    }
}

// The double-precision rows straight, against exact integers: sums whose n Q - S^2 is a perfect
// square of a multiple of n, or one off it.
TYPED_TEST(LocalDeviation, VectorRowsAreExact) {
  using T = TypeParam;
  struct Job { double n; std::vector<std::uint64_t> s, q; };
  auto make = [](const Placement& p, Rng& rng) {
    Job job{double(1 + rng() % std::min<std::uint64_t>(0x3FFFFFF / kMax<T>, 1u << (rng() % 26))), {}, {}};
    const auto n = std::uint64_t(job.n);
    for (int x = 0; x < p.width + 8; ++x) {
      const std::uint64_t s = rng() % (n * kMax<T> + 1), d = rng() % (kMax<T> / 2 + 1), target = d * n * d * n + rng() % 3 - (d > 0);
      const std::uint64_t q = (target + s * s + n - 1) / n;  // n q - s^2 is target, or just above
      job.s.push_back(s), job.q.push_back(q);
    }
    return job;
  };
  ExpectVariantsMatchPlain<T>(filter::DeviationRowVariants<T>(), make, [](filter::DeviationRowFn<T> fn, const Job& job, VnROI<T>* dst) {
    frame::ForEachRow(*dst, [&](T* d, int width) {
      fn(job.s.data(), job.q.data(), job.n, d, width);
      for (int x = 0; x < width; ++x) {
        const U128 n = U128(static_cast<std::uint64_t>(job.n)), v = n * job.q[x] - U128(job.s[x]) * job.s[x];
        ASSERT_EQ(I64(d[x]), RootOver(v, n)) << "n " << job.n << " s " << job.s[x] << " q " << job.q[x];
      }
    });
  }, 150);
}

// Scalar gradients through random tables and the gradient vectors, every level, in place too.
TEST(Gradient, MatchesTheDataModel) {
  Rng rng(41);
  VnImage<VnBW8> table(512, 512), parent(700, 600);
  VnImage<VnBW16> table16(512, 512);
  FillRandomBytes(table, rng), FillRandomBytes(table16, rng);
  const VnROI<VnBW8> inner(&parent, 90, 40, 512, 512);  // a table inside a larger image
  FillRandomBytes(parent, rng);
  auto cell = [](I64 g) { return std::clamp<I64>((g + 128) >> 8, -256, 255); };
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    int n = 0;
    for (const Placement& p : RandomPlacements(rng, 50)) {
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " width " << p.width);
      const bool inPlace = ++n % 2;
      const VnROI<VnBW8>& lookup = n % 3 ? static_cast<const VnROI<VnBW8>&>(table) : inner;
      GuardedRoi<VnBW8> src(p, rng), dst(p, rng);
      GuardedRoi<VnBW16> src16(p, rng), dst16(p, rng);
      GuardedRoi<VnBW32> vectors(p, rng), randomVectors(p, rng);
      const VnImage<VnBW8> original = Copy(*src.roi());
      const VnImage<VnBW16> original16 = Copy(*src16.roi());
      ImgGradientVector(src.roi(), vectors.roi());
      ASSERT_TRUE(VnGetError() == 0 && vectors.OutsideUnchanged());
      ASSERT_TRUE(SamePixels<VnBW32>(*vectors.roi(), Make<VnBW32>(p.width, p.height, [&](int x, int y) {
        return std::uint16_t(Gx(original, x, y)) | std::uint32_t(std::uint16_t(Gy(original, x, y))) << 16; })));
      ImgGradientScalar(src.roi(), inPlace ? src.roi() : dst.roi(), &lookup);
      ASSERT_TRUE(VnGetError() == 0 && (inPlace || dst.OutsideUnchanged()));
      ASSERT_TRUE(SamePixels<VnBW8>(*(inPlace ? src.roi() : dst.roi()), Make<VnBW8>(p.width, p.height, [&](int x, int y) {
        return lookup.GetPixel(int(256 + Gx(original, x, y)), int(256 + Gy(original, x, y))); })));
      ImgGradientScalar(randomVectors.roi(), dst.roi(), &lookup);
      ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged());
      ASSERT_TRUE(SamePixels<VnBW8>(*dst.roi(), Make<VnBW8>(p.width, p.height, [&](int x, int y) {
        const VnBW32 v = randomVectors.roi()->GetPixel(x, y);
        return lookup.GetPixel(256 + std::clamp<int>(std::int16_t(v), -256, 255), 256 + std::clamp<int>(std::int16_t(v >> 16), -256, 255)); })));
      ImgGradientScalar(src16.roi(), inPlace ? src16.roi() : dst16.roi(), &table16);
      ASSERT_TRUE(VnGetError() == 0 && (inPlace || dst16.OutsideUnchanged()));
      ASSERT_TRUE(SamePixels<VnBW16>(*(inPlace ? src16.roi() : dst16.roi()), Make<VnBW16>(p.width, p.height, [&](int x, int y) {
        return table16.GetPixel(int(256 + cell(Gx(original16, x, y))), int(256 + cell(Gy(original16, x, y)))); })));
    }
  }
}

// Table entries and the 16-bit cells, worked by hand.
TEST(GradientRules, HandWorked) {
  VnImage<VnBW8> modulus, argument, offsetArgument, degrees;
  VnImage<VnBW16> modulus16, argument16;
  ImgModulusImage(&modulus, 1.0f);
  ImgArgumentImage(&argument, 0, 0.0f);
  ImgArgumentImage(&offsetArgument, 250, 0.0f);
  VnSetAngleUnit(VN_ANGLE_DEGREES);
  ImgArgumentImage(&degrees, 0, 180.0f);  // half a turn: codes twice as fast
  VnSetAngleUnit(VN_ANGLE_RADIANS);
  ImgModulusImage(&modulus16, 0.5f);
  ImgArgumentImage(&argument16, 0, 0.0f);
  struct Row { const char* rule; const VnROI<VnBW8>* table8; const VnROI<VnBW16>* table16; int x, y; I64 expected; };
  const Row rows[] = {
      {"3-4-5", &modulus, nullptr, 259, 260, 5},
      {"the corner clamped", &modulus, nullptr, 0, 0, 255},
      {"+x", &argument, nullptr, 257, 256, 0},
      {"+y (down)", &argument, nullptr, 256, 257, 64},
      {"-x", &argument, nullptr, 255, 256, 128},
      {"-y", &argument, nullptr, 256, 255, 192},
      {"(1, 1) rounds 32", &argument, nullptr, 257, 257, 32},
      {"offset wraps: 128 + 250", &offsetArgument, nullptr, 255, 256, 122},
      {"(0, 0) is 0 whatever the offset", &offsetArgument, nullptr, 256, 256, 0},
      {"a period of 180 degrees: +y is half the codes", &degrees, nullptr, 256, 257, 128},
      {"16 bits: 256 x 5 x 0.5", nullptr, &modulus16, 259, 260, 640},
      {"16 bits: -y", nullptr, &argument16, 256, 255, 49152},
  };
  for (const Row& r : rows) EXPECT_EQ(r.table8 ? I64(r.table8->GetPixel(r.x, r.y)) : I64(r.table16->GetPixel(r.x, r.y)), r.expected) << r.rule;
  // 16-bit cells: a table holding its column shows the cell of gx = p(0) - p(2) at pixel 1.
  const auto columns = Make<VnBW16>(512, 512, [](int x, int) { return x; });
  const int cells[][3] = {{127, 0, 256}, {128, 0, 257}, {0, 128, 256}, {0, 129, 255}, {65535, 0, 511}, {0, 65535, 0}, {65407, 0, 511}};
  for (const auto& c : cells) {
    const auto src = Make<VnBW16>(3, 1, [&](int x, int) { return x == 0 ? c[0] : x == 2 ? c[1] : 0; });
    VnImage<VnBW16> dst(3, 1);
    ImgGradientScalar(&src, &dst, &columns);
    EXPECT_EQ(dst.GetPixel(1, 0), c[2]) << c[0] << " - " << c[1];
  }
  const auto checker = Make<VnBW8>(5, 5, [](int x, int y) { return (x + y) % 2 * 255; });
  VnImage<VnBW8> dev(5, 5);
  ImgLocalDeviation(&checker, &dev, 0, 0);
  EXPECT_EQ(dev.GetPixel(2, 2), 0);
  ImgLocalDeviation(&checker, &dev, 1, 1);
  EXPECT_EQ(dev.GetPixel(1, 1), 126);  // four 255 of nine: 255 sqrt(20) / 9
}

TEST(GradientFailures, CodesTracesUntouched) {
  Rng rng(43);
  const Placement p{6, 5, 1, 1, 9, 8};
  GuardedRoi<VnBW8> a(p, rng), b(p, rng);
  GuardedRoi<VnBW16> a16(p, rng), b16(p, rng);
  GuardedRoi<VnBW32> v(p, rng);
  VnImage<VnBW8> table(512, 512), narrow(511, 512);
  VnImage<VnBW16> table16(512, 511);
  VnROI<VnBW8> small(&a.parent(), 0, 0, 5, 5);
  struct Row { std::function<void()> call; int code; std::vector<std::string> trace; };
  const Row rows[] = {
      {[&] { ImgGradientVector(nullptr, v.roi()); }, VN_ERR_NULL_ROI, {"ImgGradientVector"}},
      {[&] { ImgGradientScalar(a.roi(), b.roi(), &narrow); }, VN_ERR_PARAM_3, {"ImgGradientScalar"}},
      {[&] { ImgGradientScalar(v.roi(), b.roi(), nullptr); }, VN_ERR_NULL_ROI, {"ImgGradientScalar"}},
      {[&] { ImgGradientScalar(a16.roi(), b16.roi(), &table16); }, VN_ERR_PARAM_3, {"ImgGradientScalar (BW16)"}},
      {[&] { ImgModulusImage(static_cast<VnImage<VnBW8>*>(nullptr), 1.0f); }, VN_ERR_NULL_ROI, {"ImgModulusImage"}},
      {[&] { ImgArgumentImage(static_cast<VnImage<VnBW16>*>(nullptr), 0, 0.0f); }, VN_ERR_NULL_ROI, {"ImgArgumentImage (BW16)"}},
      {[&] { ImgLocalDeviation(a.roi(), b.roi(), 32768, 0); }, VN_ERR_PARAM_3, {"ImgLocalDeviation"}},
      {[&] { ImgLocalDeviation(a16.roi(), b16.roi(), 0, 0x7fffffff); }, VN_ERR_PARAM_4, {"ImgLocalDeviation (BW16)"}},
      {[&] { ImgLocalDeviation(&small, b.roi(), 1, 1); }, VN_ERR_SIZE_MISMATCH, {"ImgLocalDeviation"}},
      {[&] { ImgLocalAverage(a.roi(), a.roi(), 2, 2); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolUniform", "ImgLocalAverage"}},
      {[&] { ImgLocalAverage(a16.roi(), a16.roi(), 3, 0); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolUniform (BW16)", "ImgLocalAverage (BW16)"}},
  };
  for (const Row& r : rows) {
    r.call();
    EXPECT_TRUE(VnGetError() == r.code && Trace() == r.trace) << r.code << " " << ::testing::PrintToString(Trace());
    EXPECT_TRUE(a.Unchanged() && b.Unchanged() && a16.Unchanged() && b16.Unchanged() && v.Unchanged()) << r.code;
  }
}

}  // namespace
}  // namespace vnimg::test
