// The vector form of every ImgOper rule, written once over an ISA's register operations.
// Included only by the ISA files (oper_rows_sse2.cpp ...): each defines its traits type V in
// an anonymous namespace and includes this header, so every function here is instantiated
// with internal linkage inside that file, compiled with that ISA's flags.
//
// V provides: R (register), kBytes, Load, Store, Zero, Ones, Set8, Set16, And, Or, Xor,
// AndNot (~a & b), UnpackLo8 / UnpackHi8 (interleave with a second register, per 128-bit
// lane), PackUs16 (the inverse of the two unpacks for values up to 255), Srli16<n>, MulLo16,
// MulHi16 (unsigned), and per lane width w = 8, 16: AddSatw, SubSatw (unsigned saturating),
// Subw (wrapping), Avgw (rounding up), Minw, Maxw (unsigned), CmpEqw.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "point/oper_kernels.h"
#include "point/oper_rows.h"

namespace vnimg::point {
namespace {

template <class V, class T>
struct Lanes;

template <class V>
struct Lanes<V, std::uint8_t> {
  using R = typename V::R;
  static R AddSat(R a, R b) { return V::AddSat8(a, b); }
  static R SubSat(R a, R b) { return V::SubSat8(a, b); }
  static R Sub(R a, R b) { return V::Sub8(a, b); }
  static R Avg(R a, R b) { return V::Avg8(a, b); }
  static R Min(R a, R b) { return V::Min8(a, b); }
  static R Max(R a, R b) { return V::Max8(a, b); }
  static R Eq(R a, R b) { return V::CmpEq8(a, b); }
  static R One() { return V::Set8(1); }
  // min(a * b, 255) and (a * b) >> 8 through 16-bit products of each half.
  static R MulSat(R a, R b) {
    const R zero = V::Zero(), max = V::Set16(255);
    const R lo = V::MulLo16(V::UnpackLo8(a, zero), V::UnpackLo8(b, zero));
    const R hi = V::MulLo16(V::UnpackHi8(a, zero), V::UnpackHi8(b, zero));
    return V::PackUs16(V::Min16(lo, max), V::Min16(hi, max));
  }
  static R MulScaled(R a, R b) {
    const R zero = V::Zero();
    const R lo = V::MulLo16(V::UnpackLo8(a, zero), V::UnpackLo8(b, zero));
    const R hi = V::MulLo16(V::UnpackHi8(a, zero), V::UnpackHi8(b, zero));
    return V::PackUs16(V::template Srli16<8>(lo), V::template Srli16<8>(hi));
  }
};

template <class V>
struct Lanes<V, std::uint16_t> {
  using R = typename V::R;
  static R AddSat(R a, R b) { return V::AddSat16(a, b); }
  static R SubSat(R a, R b) { return V::SubSat16(a, b); }
  static R Sub(R a, R b) { return V::Sub16(a, b); }
  static R Avg(R a, R b) { return V::Avg16(a, b); }
  static R Min(R a, R b) { return V::Min16(a, b); }
  static R Max(R a, R b) { return V::Max16(a, b); }
  static R Eq(R a, R b) { return V::CmpEq16(a, b); }
  static R One() { return V::Set16(1); }
  // The low half, or all ones where the high half of the 32-bit product is not 0.
  static R MulSat(R a, R b) {
    const R overflow = V::AndNot(V::CmpEq16(V::MulHi16(a, b), V::Zero()), V::Ones());
    return V::Or(V::MulLo16(a, b), overflow);
  }
  static R MulScaled(R a, R b) { return V::MulHi16(a, b); }
};

// Values with a vector rule; Divide, Modulo and ScaledDivide stay plain.
constexpr bool HasVectorRule(int op) {
  return op == Add || op == Subtract || op == Multiply || (op >= ScaledAdd && op <= ScaledMultiply) ||
         (op >= BitwiseAND && op <= Lesser) || op == Compare;
}

// The rule of `Op` on registers: a, b the operands, d the destination's current pixels.
template <class V, class T, int Op>
typename V::R OperVec(typename V::R a, typename V::R b, typename V::R d) {
  using L = Lanes<V, T>;
  const auto notV = [](typename V::R v) { return V::AndNot(v, V::Ones()); };
  const auto zeroA = [&] { return L::Eq(a, V::Zero()); };
  const auto zeroB = [&] { return L::Eq(b, V::Zero()); };
  // Floor of the mean: the rounding-up mean minus the odd bit of the sum.
  const auto floorMean = [](typename V::R x, typename V::R y) {
    return L::Sub(L::Avg(x, y), V::And(V::Xor(x, y), L::One()));
  };
  if constexpr (Op == Add) return L::AddSat(a, b);
  else if constexpr (Op == Subtract) return L::SubSat(a, b);
  else if constexpr (Op == Multiply) return L::MulSat(a, b);
  else if constexpr (Op == ScaledAdd) return floorMean(a, b);
  else if constexpr (Op == ScaledSubtract) return floorMean(a, notV(b));  // M - b is NOT b
  else if constexpr (Op == ScaledMultiply) return L::MulScaled(a, b);
  else if constexpr (Op == BitwiseAND) return V::And(a, b);
  else if constexpr (Op == BitwiseOR) return V::Or(a, b);
  else if constexpr (Op == BitwiseXOR) return V::Xor(a, b);
  else if constexpr (Op == LogicalAND) return notV(V::Or(zeroA(), zeroB()));
  else if constexpr (Op == LogicalOR) return notV(V::And(zeroA(), zeroB()));
  else if constexpr (Op == LogicalXOR) return V::Xor(zeroA(), zeroB());
  else if constexpr (Op == Min) return L::Min(a, b);
  else if constexpr (Op == Max) return L::Max(a, b);
  else if constexpr (Op == SetZero) return V::Or(V::And(zeroA(), b), V::AndNot(zeroA(), d));
  else if constexpr (Op == SetNonZero) return V::Or(V::AndNot(zeroA(), b), V::And(zeroA(), d));
  else if constexpr (Op == Equal) return L::Eq(a, b);
  else if constexpr (Op == NotEqual) return notV(L::Eq(a, b));
  else if constexpr (Op == GreaterOrEqual) return L::Eq(L::Max(a, b), a);
  else if constexpr (Op == LesserOrEqual) return L::Eq(L::Min(a, b), a);
  else if constexpr (Op == Greater) return notV(L::Eq(L::Min(a, b), a));
  else if constexpr (Op == Lesser) return notV(L::Eq(L::Max(a, b), a));
  else return V::Or(L::SubSat(a, b), L::SubSat(b, a));  // Compare
}

template <class V, class T, int Op>
void OperRow(const T* a, const T* b, T* d, std::size_t n) {
  constexpr std::size_t kLanes = V::kBytes / sizeof(T);
  std::size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    const typename V::R old = ReadsDestination(Op) ? V::Load(d + i) : V::Zero();
    V::Store(d + i, OperVec<V, T, Op>(V::Load(a + i), V::Load(b + i), old));
  }
  for (; i < n; ++i) d[i] = OperPixel<T>(Op, a[i], b[i], d[i]);
}

template <class V, class T, int Op>
constexpr void (*OperRowEntry())(const T*, const T*, T*, std::size_t) {
  if constexpr (HasVectorRule(Op)) return &OperRow<V, T, Op>;
  else return nullptr;
}

// The variant of every value, null where there is no vector rule.
template <class V, class T, int... Ops>
constexpr auto OperRowTable(std::integer_sequence<int, Ops...>) {
  return std::array<void (*)(const T*, const T*, T*, std::size_t), sizeof...(Ops)>{OperRowEntry<V, T, Ops>()...};
}
template <class V, class T>
void (*OperRowFor(int op))(const T*, const T*, T*, std::size_t) {
  static constexpr auto kTable = OperRowTable<V, T>(std::make_integer_sequence<int, kOperCount>{});
  return kTable[static_cast<std::size_t>(op)];
}

// Bit images: the three-operand values on whole bytes.
template <class V, int Op>
typename V::R BitVec(typename V::R a, typename V::R b, typename V::R d) {
  if constexpr (Op == BitwiseAND) return V::And(a, b);
  else if constexpr (Op == BitwiseOR) return V::Or(a, b);
  else if constexpr (Op == BitwiseXOR) return V::Xor(a, b);
  else if constexpr (Op == SetZero) return V::Or(V::And(d, a), V::AndNot(a, b));
  else if constexpr (Op == SetNonZero) return V::Or(V::AndNot(a, d), V::And(a, b));
  else return V::Or(V::AndNot(a, V::Ones()), b);  // LesserOrEqual
}

template <class V, int Op>
void BitRow(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* d, std::size_t n) {
  std::size_t i = 0;
  for (; i + V::kBytes <= n; i += V::kBytes) {
    const typename V::R old = ReadsDestination(Op) ? V::Load(d + i) : V::Zero();
    V::Store(d + i, BitVec<V, Op>(V::Load(a + i), V::Load(b + i), old));
  }
  for (; i < n; ++i) d[i] = OperBits(Op, a[i], b[i], d[i]);
}

template <class V>
ByteRowFn BitRowFor(int op) {
  switch (op) {
    case BitwiseAND: return &BitRow<V, BitwiseAND>;
    case BitwiseOR: return &BitRow<V, BitwiseOR>;
    case BitwiseXOR: return &BitRow<V, BitwiseXOR>;
    case SetZero: return &BitRow<V, SetZero>;
    case SetNonZero: return &BitRow<V, SetNonZero>;
    case LesserOrEqual: return &BitRow<V, LesserOrEqual>;
    default: return nullptr;
  }
}

}  // namespace
}  // namespace vnimg::point
