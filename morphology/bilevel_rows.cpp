#include "morphology/bilevel_rows.h"

#include "foundation/frame.h"
#include "morphology/bilevel_kernels.h"

namespace vnimg::morphology {
namespace {

using Byte = std::uint8_t;

template <class Op>
void SquareRowPlain(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = SquarePixel<Op>(up, mid, down, i);
}
template <class Op>
void RowRowPlain(const Byte*, const Byte* mid, const Byte*, Byte* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = RowPixel<Op>(mid, i);
}
template <class Op>
void ColumnRowPlain(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = ColumnPixel<Op>(up, mid, down, i);
}
template <class Op>
void CrossRowPlain(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = CrossPixel<Op>(up, mid, down, i);
}
void MajorityRowPlain(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = MajorityPixel(up, mid, down, i);
}

struct Tables {
  simd::Variants<BiLevelRowFn> neighbour[2][4];
  simd::Variants<BiLevelRowFn> majority;
};

template <class Op>
void SetPlain(Tables& t, int e) {
  t.neighbour[e][0].plain = &SquareRowPlain<Op>;
  t.neighbour[e][1].plain = &RowRowPlain<Op>;
  t.neighbour[e][2].plain = &ColumnRowPlain<Op>;
  t.neighbour[e][3].plain = &CrossRowPlain<Op>;
}

#if VNIMG_X86
void SetLevel(Tables& t, BiLevelKernels k, BiLevelRowFn simd::Variants<BiLevelRowFn>::*level) {
  for (int e = 0; e < 2; ++e)
    for (int s = 0; s < 4; ++s) t.neighbour[e][s].*level = k.neighbour[e][s];
  t.majority.*level = k.majority;
}
#endif

const Tables& AllTables() {
  static const Tables tables = [] {
    Tables t;
    SetPlain<AndOp>(t, 0);
    SetPlain<OrOp>(t, 1);
    t.majority.plain = &MajorityRowPlain;
#if VNIMG_X86
    SetLevel(t, BiLevelKernelsSse2(), &simd::Variants<BiLevelRowFn>::sse2);
    SetLevel(t, BiLevelKernelsAvx2(), &simd::Variants<BiLevelRowFn>::avx2);
    SetLevel(t, BiLevelKernelsAvx512(), &simd::Variants<BiLevelRowFn>::avx512);
#endif
    return t;
  }();
  return tables;
}

}  // namespace

const simd::Variants<BiLevelRowFn>& BiLevelRowVariants(Extremum e, Shape shape) {
  return AllTables().neighbour[static_cast<int>(e)][static_cast<int>(shape)];
}
const simd::Variants<BiLevelRowFn>& MajorityRowVariants() { return AllTables().majority; }

bool IsBinary(const VnROI<Byte>& src) {
  bool binary = true;
  frame::ForEachRow(src, [&](const Byte* row, int width) {
    Byte gray = 0;  // nonzero once a value other than 0 and 255 is seen: a row's test vectorises
    for (int x = 0; x < width; ++x) gray |= static_cast<Byte>(row[x] != 0 && row[x] != 255);
    binary = binary && !gray;
  });
  return binary;
}

}  // namespace vnimg::morphology
