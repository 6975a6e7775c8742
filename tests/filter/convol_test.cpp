// Kernel convolution: a per-pixel evaluation of every path from its formulas over random kernels
// and images at every vector level; the row kernels' vector variants against the plain loops;
// VnC24 as three VnBW8 runs; hand-worked rules; the folder's failure table.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

#include "filter/convol_kernels.h"
#include "filter/filter_frame.h"
#include "support/levels.h"
#include "support/pixels.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

using Strings = std::vector<std::string>;
using I64 = std::int64_t;

struct Case {
  int sx, sy;
  std::vector<float> cells;
  float gain;
  unsigned offset;
  short rectifier;
  unsigned outside;
  bool symmetric;
};

template <class T> constexpr I64 kMax = sizeof(T) == 1 ? 255 : 65535;

// The effective coefficients of the full kernel: cell x gain / S, or x gain when |S| is not above
// 0.00001 A; the symmetric form mirrors its quadrant and weights S and A by the cells it covers.
std::vector<double> Effective(const Case& c) {
  const int n = c.sx, half = n / 2;
  auto cell = [&](int x, int y) {
    if (!c.symmetric) return double{c.cells[y * c.sx + x]};
    const int a = x <= half ? x : n - 1 - x, b = y <= half ? y : n - 1 - y;
    return double{c.cells[std::min(a, b) * n + std::max(a, b)]};
  };
  double s = 0, a = 0;
  for (int y = 0; y < c.sy; ++y)
    for (int x = 0; x < c.sx; ++x)
      if (!c.symmetric) s += cell(x, y), a += std::fabs(cell(x, y));
  for (int j = 0; c.symmetric && j <= half; ++j)
    for (int i = j; i <= half; ++i) {
      const int w = (i == j ? 1 : 2) * (i == half ? 1 : 2) * (j == half ? 1 : 2);
      s += w * cell(i, j), a += w * std::fabs(cell(i, j));
    }
  const double g = a * 0.00001 < std::fabs(s) ? c.gain / s : c.gain;
  std::vector<double> e;
  for (int y = 0; y < c.sy; ++y)
    for (int x = 0; x < c.sx; ++x) e.push_back(cell(x, y) * g);
  return e;
}

I64 Trunc(double v, double lo, double hi) { return std::isnan(v) ? 0 : I64(std::trunc(std::clamp(v, lo, hi))); }

// Output (x, y) by the path the kernel takes, from the formulas.
template <class T>
I64 Expected(const VnROI<T>& src, const Case& c, const std::vector<double>& e, int x, int y) {
  const int w = src.GetWidth(), h = src.GetHeight();
  const bool square = c.sx == c.sy && (c.sx == 3 || c.sx == 5 || c.sx == 7);
  if (!c.symmetric && (c.rectifier == 0 || !square)) {  // double sum, outside value beyond the ROI
    double s = 0;
    for (int j = 0; j < c.sy; ++j)
      for (int i = 0; i < c.sx; ++i) {
        const int px = x - c.sx / 2 + i, py = y - c.sy / 2 + j;
        s += e[j * c.sx + i] * (px < 0 || py < 0 || px >= w || py >= h ? double(c.outside) : double(src.GetPixel(px, py)));
      }
    I64 v = Trunc(s, -0x1p40, 0x1p40);
    v = c.rectifier == 1 ? (v <= 0 ? -v : 0) : c.rectifier == 2 ? std::max<I64>(v, 0) : c.rectifier == 3 ? std::abs(v) : v;
    return std::clamp<I64>(v + c.offset, 0, kMax<T>);
  }
  const bool eightBit = !c.symmetric && c.sx == 3 && c.rectifier == 2;
  const double sign = !eightBit && c.rectifier == 1 ? -1 : 1;
  I64 sum = 0;  // replicated edges
  for (int j = 0; j < c.sy; ++j)
    for (int i = 0; i < c.sx; ++i) {
      const I64 q = eightBit ? Trunc(e[j * c.sx + i] * 256, -32768, 32767) : Trunc(sign * e[j * c.sx + i] * 32768, -0x7FFFFFFF, 0x7FFFFFFF);
      sum += q * src.GetPixel(std::clamp(x - c.sx / 2 + i, 0, w - 1), std::clamp(y - c.sy / 2 + j, 0, h - 1));
    }
  I64 v = eightBit ? (sum >> 8) + c.offset : (sum + I64(sign) * c.offset * 32768) >> 15;
  if (!eightBit && c.rectifier == 3) v = std::abs(v);
  return std::clamp<I64>(v, 0, kMax<T>);
}

std::unique_ptr<VnKernel> MakeKernel(const Case& c) {
  auto k = std::make_unique<VnKernel>(short(c.sx), short(c.sy), c.gain, c.offset, c.rectifier, c.outside);
  std::copy(c.cells.begin(), c.cells.end(), k->GetDataPtr());
  return k;
}

// Sizes square and not, negative and zero-sum kernels (both normalised and not), smoothing
// kernels (which 16-bit vector forms take), rectifiers 0 to 3 and beyond, offsets.
Case RandomCase(Rng& rng, bool symmetric, int kind = -1) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  static constexpr int kSizes[][2] = {{3, 3}, {5, 5}, {7, 7}, {3, 3}, {4, 4}, {3, 5}, {1, 1}, {2, 6}, {9, 1}};
  const int* size = kSizes[symmetric ? pick(0, 2) : pick(0, 8)];
  Case c{size[0], size[1], {}, std::array{1.0f, 1.0f, 0.4f, 3.0f, -1.5f}[pick(0, 4)], std::array{0u, 0u, 7u, 300u, 70000u}[pick(0, 4)],
         short(std::array{0, 1, 2, 3, 2, 3, 5, -1}[pick(0, 7)]), std::array{0u, 255u, 40000u}[pick(0, 2)], symmetric};
  if (kind < 0) kind = pick(0, 3);  // smoothing, integers, zero sum, eighths times a power of two
  for (int n = 0; n < c.sx * c.sy; ++n)
    c.cells.push_back(kind == 0 ? float(pick(0, 9)) : kind == 1 ? float(pick(-4, 8)) : kind == 2 ? std::uniform_real_distribution<float>(-3, 3)(rng) : pick(-40, 40) / 8.0f);
  if (kind == 0 && pick(0, 1)) c.offset = 0, c.gain = 1;
  if (symmetric && c.rectifier == 0) c.rectifier = 3;
  if (kind == 2) c.cells[c.sx * c.sy / 2] = 0, c.cells[c.sx * c.sy / 2] = -std::accumulate(c.cells.begin(), c.cells.end(), 0.0f);
  const float sum = std::accumulate(c.cells.begin(), c.cells.end(), 0.0f);
  if (kind == 3) c.gain = std::ldexp(pick(0, 1) && sum != 0 ? sum : 1.0f, pick(-8, 14));  // effective coefficients m / 2^k
  return c;
}

template <class T> class Convol : public ::testing::Test {};
using GrayTypes = ::testing::Types<VnBW8, VnBW16>;
TYPED_TEST_SUITE(Convol, GrayTypes);

// Every path at every level against the per-pixel evaluation; sometimes in place, sometimes into
// a ROI overlapping the source one pixel lower.
TYPED_TEST(Convol, EveryPathMatchesItsFormulas) {
  using T = TypeParam;
  Rng rng(13);
  for (simd::Level level : Levels()) {
    LevelSetting setting(level);
    int n = 0;
    for (Placement p : RandomPlacements(rng, 90)) {
      const Case c = RandomCase(rng, ++n % 3 == 0);
      const std::vector<double> e = Effective(c);
      const auto kernel = MakeKernel(c);
      const int mode = n % 5;  // 0 in place, 1 overlapping, else a separate destination
      p.parentHeight += mode == 1;
      GuardedRoi<T> src(p, rng), dst(p, rng);
      VnImage<T> original(p.width, p.height);
      frame::ForEachRow(*src.roi(), original, [&](const T* s, T* d, int w) { std::copy(s, s + w, d); });
      const auto expected = Make<T>(p.width, p.height, [&](int x, int y) { return Expected<T>(original, c, e, x, y); });
      VnROI<T> lower(&src.parent(), p.orgX, p.orgY + 1, p.width, p.height);
      VnROI<T>* out = mode == 0 ? src.roi() : mode == 1 ? &lower : dst.roi();
      c.symmetric ? ImgConvolSymmetricKernel(src.roi(), out, kernel.get()) : ImgConvolKernel(src.roi(), out, kernel.get());
      SCOPED_TRACE(::testing::Message() << simd::LevelName(level) << " " << c.sx << "x" << c.sy << " rectifier " << c.rectifier << " offset " << c.offset << " width " << p.width << " mode " << mode);
      ASSERT_EQ(VnGetError(), 0);
      ASSERT_TRUE(SamePixels<T>(*out, expected));
      ASSERT_TRUE(mode != 2 || (dst.OutsideUnchanged() && src.Unchanged()));
    }
  }
}

// Kernels of eighths times powers of two, whose sums the vector levels take in 32-bit integers
// when they fit: every level against the plain one, which runs the double path.
TYPED_TEST(Convol, IntegerRouteMatchesTheDoublePath) {
  using T = TypeParam;
  Rng rng(29);
  for (const Placement& p : RandomPlacements(rng, 60)) {
    const Case c = RandomCase(rng, false, 3);
    const auto kernel = MakeKernel(c);
    GuardedRoi<T> src(p, rng), expected(p, rng);
    {
      LevelSetting plain(simd::Level::Plain);
      ImgConvolKernel(src.roi(), expected.roi(), kernel.get());
    }
    for (simd::Level level : Levels()) {
      LevelSetting setting(level);
      GuardedRoi<T> actual(p, rng);
      actual.StartLike(expected);
      ImgConvolKernel(src.roi(), actual.roi(), kernel.get());
      ASSERT_TRUE(actual.SameBytesAs(expected)) << simd::LevelName(level) << " " << c.sx << "x" << c.sy << " gain " << c.gain << " rectifier " << c.rectifier;
    }
  }
}

// The row kernels straight: random lines (noise past their ends too), kernels whose vector form
// exists, split or not, with offsets and rectifiers; the general rows with sums that pass the
// clamp or are not numbers.
TYPED_TEST(Convol, VectorRowsMatchThePlainLoops) {
  using T = TypeParam;
  struct Job { filter::FixedKernel fixed; std::vector<double> c; filter::GeneralKernel general; std::vector<std::vector<T>> lines; std::vector<std::vector<double>> real; };
  auto make = [](const Placement& p, Rng& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto job = std::make_unique<Job>();
    const int size = 3 + 2 * pick(0, 2), rectifier = pick(0, 4), wide = sizeof(T) == 1 ? pick(0, 1) : 0;
    for (int n = 0; n < size * size; ++n) job->c.push_back((wide ? pick(-40, 40) / 32.0 : pick(0, 9) / (9.0 * size * size)));
    job->fixed = size == 3 && rectifier == 2 ? filter::EightBitKernel(job->c.data(), pick(0, 300), int(kMax<T>))
                                             : filter::FifteenBitKernel(job->c.data(), size, short(rectifier), wide ? pick(0, 3) : 0, int(kMax<T>));
    filter::PrepareVectorForm(job->fixed, sizeof(T) == 1 ? 0 : 32768);
    EXPECT_TRUE(job->fixed.narrow);
    job->c[pick(0, size * size - 1)] *= std::array{1.0, 1e30, std::numeric_limits<double>::quiet_NaN()}[pick(0, 2)];
    job->general = {size, size, job->c.data(), rectifier + pick(0, 1), double(pick(0, 2) * 200), int(kMax<T>)};
    for (int j = 0; j < size; ++j) {
      job->lines.emplace_back(p.width + size + filter::kLineSlack);
      job->real.emplace_back(p.width + size + filter::kLineSlack);
      for (T& v : job->lines.back()) v = static_cast<T>(rng());
      for (double& v : job->real.back()) v = pick(0, 65535);
    }
    return job;
  };
  ExpectVariantsMatchPlain<T>(filter::FixedRowVariants<T>(), make, [](filter::FixedRowFn<T> fn, const std::unique_ptr<Job>& job, VnROI<T>* dst) {
    std::vector<const T*> lines;
    for (const auto& line : job->lines) lines.push_back(line.data());
    frame::ForEachRow(*dst, [&](T* d, int width) { fn(lines.data(), job->fixed, d, width); });
  }, 200);
  ExpectVariantsMatchPlain<T>(filter::GeneralRowVariants<T>(), make, [](filter::GeneralRowFn<T> fn, const std::unique_ptr<Job>& job, VnROI<T>* dst) {
    std::vector<const double*> lines;
    for (const auto& line : job->real) lines.push_back(line.data());
    frame::ForEachRow(*dst, [&](T* d, int width) { fn(lines.data(), job->general, d, width); });
  }, 200);
}

// Each component of a colour image convolved as an 8-bit image.
TEST(ConvolColour, IsThreeGrayRuns) {
  Rng rng(17);
  for (bool symmetric : {false, true})
    for (const Placement& p : RandomPlacements(rng, 12)) {
      const Case c = RandomCase(rng, symmetric);
      const auto kernel = MakeKernel(c);
      GuardedRoi<VnC24> src(p, rng), dst(p, rng);
      symmetric ? ImgConvolSymmetricKernel(src.roi(), dst.roi(), kernel.get()) : ImgConvolKernel(src.roi(), dst.roi(), kernel.get());
      ASSERT_TRUE(VnGetError() == 0 && dst.OutsideUnchanged() && src.Unchanged());
      for (int k = 0; k < 3; ++k) {
        auto byte = [k](VnC24 v) { return k == 0 ? v.c0 : k == 1 ? v.c1 : v.c2; };
        const auto in = Make<VnBW8>(p.width, p.height, [&](int x, int y) { return byte(src.roi()->GetPixel(x, y)); });
        VnImage<VnBW8> gray(p.width, p.height);
        symmetric ? ImgConvolSymmetricKernel(&in, &gray, kernel.get()) : ImgConvolKernel(&in, &gray, kernel.get());
        ASSERT_TRUE(SamePixels<VnBW8>(gray, Make<VnBW8>(p.width, p.height, [&](int x, int y) { return byte(dst.roi()->GetPixel(x, y)); })));
      }
    }
}

// Rules worked by hand on small images.
TEST(ConvolRules, HandWorked) {
  const auto edge = Make<VnBW8>(4, 1, [](int x, int) { return std::array{200, 200, 50, 50}[x]; });
  const auto dark = Make<VnBW8>(5, 4, [](int, int) { return 10; });
  struct Row { const char* rule; std::unique_ptr<VnKernel> kernel; const VnImage<VnBW8>* src; int x, y, expected; };
  auto kernel = [](int sx, int sy, std::vector<float> cells, float gain, unsigned offset, short rectifier, unsigned outside) {
    return MakeKernel(Case{sx, sy, std::move(cells), gain, offset, rectifier, outside, false});
  };
  const std::vector<float> ones9(9, 1), ones16(16, 1), sobel{-1, 0, 1, -2, 0, 2, -1, 0, 1};
  Row rows[] = {
      {"binomial normalised by its sum 16", kernel(3, 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 1, 0, 2, 0), &dark, 2, 1, 10},
      {"falling edge, positive part", kernel(3, 3, sobel, 1, 0, 2, 0), &edge, 1, 0, 0},
      {"falling edge, magnitude (15 bits)", kernel(3, 3, sobel, 1, 0, 3, 0), &edge, 1, 0, 255},
      {"falling edge, negative part: -(4 x -150)", kernel(3, 3, sobel, 0.25f, 0, 1, 0), &edge, 2, 0, 150},
      {"4x4 ones, outside 255: corner (0,0) sees 12 outside cells", kernel(4, 4, ones16, 1, 0, 0, 255), &dark, 0, 0, (4 * 10 + 12 * 255) / 16},
      {"4x4 ones, outside 255: (4,3) sees 7 outside cells", kernel(4, 4, ones16, 1, 0, 0, 255), &dark, 4, 3, (9 * 10 + 7 * 255) / 16},
      {"3x3 ones, fixed point: edges replicated, outside ignored", kernel(3, 3, ones9, 1, 0, 2, 255), &dark, 0, 0, 9},  // 9 x 28 = 252: 2520 >> 8
      {"general path: the offset after the rectifier", kernel(3, 1, {-1, 0, 1}, 1, 200, 2, 0), &edge, 1, 0, 200},
      {"15-bit path: rectifier on the sum with the offset", kernel(5, 5, std::vector<float>(25, 1), -1, 5, 3, 0), &dark, 3, 2, 5},
      {"rectifier 5 on the general path: unchanged, then the offset", kernel(3, 1, {-1, 0, 1}, 1, 200, 5, 0), &edge, 1, 0, 50},
      {"rectifier 5 on the fixed path: the clamp only", kernel(3, 3, sobel, 1, 0, 5, 0), &edge, 1, 0, 0},
      {"gain scales a normalised kernel", kernel(3, 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 2, 0, 0, 0), &dark, 2, 2, 20},
      {"general path truncates: nine times 10 x 2/9 falls short of 20", kernel(3, 3, ones9, 2, 0, 0, 0), &dark, 2, 2, 19},
      {"sixteenths truncate toward zero: |-150 / 16| is 9", kernel(3, 1, {-1, 0, 1}, 0.0625f, 0, 3, 0), &edge, 1, 0, 9},
      {"450 x 2^23 passes 32 bits: clamped, not wrapped", kernel(3, 1, {1, 1, 1}, 3 * 0x1p23f, 0, 0, 0), &edge, 1, 0, 255},
  };
  for (Row& r : rows) {
    VnImage<VnBW8> dst(r.src->GetWidth(), r.src->GetHeight());
    ImgConvolKernel(r.src, &dst, r.kernel.get());
    EXPECT_EQ(dst.GetPixel(r.x, r.y), r.expected) << r.rule;
  }
  // 16 bits: 8 fractional bits of 1/3 x 3 cells of 65535 is 3 x 85 x 65535 >> 8 = 65279, the shift
  // rounding down; 15 bits of a third, 10922, give 3 x 10922 x 65535 >> 15 = 65531.
  const auto white = Make<VnBW16>(3, 3, [](int, int) { return 65535; });
  VnImage<VnBW16> out(3, 3);
  const auto third = kernel(3, 3, {0, 0, 0, 1, 1, 1, 0, 0, 0}, 1, 0, 2, 0);
  ImgConvolKernel(&white, &out, third.get());
  EXPECT_EQ(out.GetPixel(1, 1), 65279);
  third->SetRectifier(3);
  ImgConvolKernel(&white, &out, third.get());
  EXPECT_EQ(out.GetPixel(1, 1), 65531);
}

// The failure table of the folder: returned code, trace innermost first, destination untouched.
TEST(FilterFailures, CodesTracesUntouched) {
  Rng rng(19);
  const Placement p{6, 5, 1, 1, 9, 8};
  GuardedRoi<VnBW8> a(p, rng), b(p, rng);
  GuardedRoi<VnBW16> a16(p, rng), b16(p, rng);
  GuardedRoi<VnC24> ac(p, rng), bc(p, rng);
  VnROI<VnBW8> small(&a.parent(), 0, 0, 5, 5);
  VnKernel good(KERNEL_LOWPASS_3), empty, four(4, 4, 1, 0, 2, 0), zero(KERNEL_LOWPASS_1), negative(3, 3, 1, 0, 2, 0);
  zero.SetRectifier(0);
  negative.SetSizeX(-3);
  struct Row { std::function<void()> call; int code; Strings trace; };
  const Row rows[] = {
      {[&] { ImgConvolKernel(static_cast<VnROI<VnBW8>*>(nullptr), b.roi(), &good); }, VN_ERR_NULL_ROI, {"ImgConvolKernel BW8"}},
      {[&] { ImgConvolKernel(a.roi(), nullptr, &good); }, VN_ERR_NULL_ROI, {"ImgConvolKernel BW8"}},
      {[&] { ImgConvolKernel(&small, b.roi(), &good); }, VN_ERR_SIZE_MISMATCH, {"ImgConvolKernel BW8"}},
      {[&] { ImgConvolKernel(a.roi(), b.roi(), nullptr); }, VN_ERR_KERNEL_EMPTY, {"ImgConvolKernel BW8"}},
      {[&] { ImgConvolKernel(a16.roi(), b16.roi(), &empty); }, VN_ERR_KERNEL_EMPTY, {"ImgConvolKernel BW16"}},
      {[&] { ImgConvolKernel(a.roi(), b.roi(), &negative); }, VN_ERR_KERNEL_EMPTY, {"ImgConvolKernel BW8"}},
      {[&] { ImgConvolSymmetricKernel(a.roi(), b.roi(), &zero); }, VN_ERR_KERNEL_NOT_SYMMETRIC, {"ImgConvolSymmetricKernel"}},
      {[&] { ImgConvolSymmetricKernel(a16.roi(), b16.roi(), &four); }, VN_ERR_KERNEL_SIZE, {"ImgConvolSymmetricKernel BW16"}},
      {[&] { ImgConvolSymmetricKernel(a16.roi(), b16.roi(), &empty); }, VN_ERR_KERNEL_EMPTY, {"ImgConvolSymmetricKernel BW16"}},
      {[&] { ImgConvolKernel(ac.roi(), ac.roi(), &good); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolKernel ( C24)"}},
      {[&] { ImgConvolSymmetricKernel(ac.roi(), nullptr, &good); }, VN_ERR_NEED_DISTINCT_DESTINATION, {"ImgConvolSymmetricKernel ( C24)"}},
      {[&] { ImgConvolKernel(ac.roi(), bc.roi(), &empty); }, VN_ERR_KERNEL_EMPTY, {"ImgConvolKernel BW8", "ImgConvolKernel ( C24)"}},
      {[&] { ImgConvolSymmetricKernel(ac.roi(), bc.roi(), &four); }, VN_ERR_KERNEL_SIZE, {"ImgConvolSymmetricKernel", "ImgConvolSymmetricKernel ( C24)"}},
  };
  for (const Row& r : rows) {
    r.call();
    EXPECT_TRUE(VnGetError() == r.code && Trace() == r.trace) << r.code << " " << ::testing::PrintToString(Trace());
    EXPECT_TRUE(a.Unchanged() && b.Unchanged() && a16.Unchanged() && b16.Unchanged() && ac.Unchanged() && bc.Unchanged()) << r.code;
  }
  ImgConvolKernel(a.roi(), b.roi(), &good);
  EXPECT_EQ(VnGetError(), 0);
}

}  // namespace
}  // namespace vnimg::test
