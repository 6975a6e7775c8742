// The vector form of the bi-level row kernels, written once over an ISA's registers; included
// only by the ISA files, each defining its traits type V (R, kBytes, Load, Store, And, Or,
// One: 1 in every non-zero byte, Add, AtLeastFive: 0xFF where a count byte is 5 or more).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "morphology/bilevel_kernels.h"
#include "morphology/bilevel_rows.h"

namespace vnimg::morphology {
namespace {

using Byte = std::uint8_t;

template <class V, class Op>
typename V::R Of(typename V::R a, typename V::R b) {
  if constexpr (std::is_same_v<Op, AndOp>) return V::And(a, b);
  else return V::Or(a, b);
}
template <class V, class Op>
typename V::R At3(const Byte* p, int i) {
  return Of<V, Op>(Of<V, Op>(V::Load(p + i - 1), V::Load(p + i)), V::Load(p + i + 1));
}

template <class V, class Op>
void SquareRow(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  int i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes)
    V::Store(out + i, Of<V, Op>(Of<V, Op>(At3<V, Op>(up, i), At3<V, Op>(mid, i)), At3<V, Op>(down, i)));
  for (; i < n; ++i) out[i] = SquarePixel<Op>(up, mid, down, i);
}
template <class V, class Op>
void RowRow(const Byte*, const Byte* mid, const Byte*, Byte* out, int n) {
  int i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes) V::Store(out + i, At3<V, Op>(mid, i));
  for (; i < n; ++i) out[i] = RowPixel<Op>(mid, i);
}
template <class V, class Op>
void ColumnRow(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  int i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes)
    V::Store(out + i, Of<V, Op>(Of<V, Op>(V::Load(up + i), V::Load(mid + i)), V::Load(down + i)));
  for (; i < n; ++i) out[i] = ColumnPixel<Op>(up, mid, down, i);
}
template <class V, class Op>
void CrossRow(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  int i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes)
    V::Store(out + i, Of<V, Op>(At3<V, Op>(mid, i), Of<V, Op>(V::Load(up + i), V::Load(down + i))));
  for (; i < n; ++i) out[i] = CrossPixel<Op>(up, mid, down, i);
}
template <class V>
void MajorityRow(const Byte* up, const Byte* mid, const Byte* down, Byte* out, int n) {
  int i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes) {
    auto count = V::Add(V::Add(V::One(V::Load(up + i - 1)), V::One(V::Load(up + i))), V::One(V::Load(up + i + 1)));
    for (const Byte* row : {mid, down})
      for (int d = -1; d <= 1; ++d) count = V::Add(count, V::One(V::Load(row + i + d)));
    V::Store(out + i, V::AtLeastFive(count));
  }
  for (; i < n; ++i) out[i] = MajorityPixel(up, mid, down, i);
}

template <class V, class Op>
void SetOp(BiLevelKernels& k, int e) {
  k.neighbour[e][0] = &SquareRow<V, Op>;
  k.neighbour[e][1] = &RowRow<V, Op>;
  k.neighbour[e][2] = &ColumnRow<V, Op>;
  k.neighbour[e][3] = &CrossRow<V, Op>;
}

template <class V>
BiLevelKernels BiLevelKernelsOf() {
  BiLevelKernels k;
  SetOp<V, AndOp>(k, 0);
  SetOp<V, OrOp>(k, 1);
  k.majority = &MajorityRow<V>;
  return k;
}

}  // namespace
}  // namespace vnimg::morphology
