// Every vector row of the point operations against its plain loop, value by value.
#include "foundation/frame.h"
#include "point/oper_kernels.h"
#include "point/oper_rows.h"
#include "point/point_support.h"
#include "support/variants.h"

namespace vnimg::test {
namespace {

template <class T>
struct Operands {
  VnImage<T> a, b;
};

template <class T, class Fn>
void ExpectRowsMatchPlain(const simd::Variants<Fn>& variants, unsigned seed) {
  ExpectVariantsMatchPlain<T>(
      variants,
      [](const Placement& p, Rng& rng) {
        Operands<T> in{EdgeImage<T>(p.width, p.height, rng), {}};
        in.b = EdgeImage<T>(p.width, p.height, rng, &in.a);
        return in;
      },
      [](Fn fn, const Operands<T>& in, VnROI<T>* dst) {
        frame::ForEachRow(in.a, in.b, *dst, [&](const T* a, const T* b, T* d, int width) {
          fn(a, b, d, static_cast<std::size_t>(width));
        });
      },
      40, seed);
}

TEST(OperVariants, EightBitRowsMatchThePlainLoop) {
  int vectorised = 0;
  for (int op = 0; op < point::kOperCount; ++op) {
    if (!point::ByteRowVariants(op).plain) continue;
    SCOPED_TRACE(op);
    vectorised += !VectorVariants(point::ByteRowVariants(op)).empty();
    ExpectRowsMatchPlain<VnBW8>(point::ByteRowVariants(op), static_cast<unsigned>(op));
  }
  // Everything but divide, modulo, scaled divide and the shifts has vector rows.
  if (VNIMG_X86) {
    EXPECT_EQ(vectorised, 23);
  }
}

TEST(OperVariants, SixteenBitRowsMatchThePlainLoop) {
  for (int op = 0; op < point::kOperCount; ++op) {
    if (!point::WordRowVariants(op).plain) continue;
    SCOPED_TRACE(op);
    ExpectRowsMatchPlain<VnBW16>(point::WordRowVariants(op), static_cast<unsigned>(op));
  }
}

TEST(OperVariants, BitRowsMatchThePlainLoop) {
  for (int op = 0; op < point::kOperCount; ++op) {
    if (!point::BitRowVariants(op).plain) continue;
    SCOPED_TRACE(op);
    EXPECT_TRUE(point::HasBitRule(op));
    ExpectRowsMatchPlain<VnBW8>(point::BitRowVariants(op), static_cast<unsigned>(op));
  }
}

TEST(OperVariants, TableRowsMatchThePlainLoop) {
  ASSERT_TRUE(!VNIMG_X86 || simd::CpuLevel() < simd::Level::Avx2 || !VectorVariants(point::TableRowVariants()).empty());
  for (unsigned seed = 1; seed <= 3; ++seed) {
    Rng rng(seed);
    std::vector<std::uint8_t> table(256);
    for (auto& entry : table) entry = static_cast<std::uint8_t>(rng());
    ExpectVariantsMatchPlain<VnBW8>(
        point::TableRowVariants(),
        [](const Placement& p, Rng& r) {
          VnImage<VnBW8> x(p.width, p.height);
          FillRandomBytes(x, r);
          return x;
        },
        [&](point::TableRowFn fn, const VnImage<VnBW8>& x, VnROI<VnBW8>* dst) {
          frame::ForEachRow(x, *dst, [&](const VnBW8* s, VnBW8* d, int width) {
            fn(table.data(), s, d, static_cast<std::size_t>(width));
          });
        },
        40, seed);
  }
}

}  // namespace
}  // namespace vnimg::test
