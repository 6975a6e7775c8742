// The per-pixel rule of every ImgOper value, shared by the plain loops and the tails of the
// vector variants.
#pragma once

#include <cstdint>
#include <limits>

#include "vnimg/point.h"

namespace vnimg::point {

// Values with a rule on two operands of one pixel type.
static constexpr bool HasTwoOperandRule(int op) { return (op >= Add && op <= Lesser) || op == Compare; }
// Values whose result depends on the destination's current pixel.
static constexpr bool ReadsDestination(int op) { return op == SetZero || op == SetNonZero; }
// Values of the three-operand bit-image form.
static constexpr bool HasBitRule(int op) {
  return op == BitwiseAND || op == BitwiseOR || op == BitwiseXOR || op == SetZero || op == SetNonZero ||
         op == LesserOrEqual;
}

// Result of `op` on operands a, b for an unsigned pixel type T; d is the destination's
// current pixel, which SetZero and SetNonZero keep. Values outside the table give d.
template <class T>
static inline T OperPixel(int op, T a, T b, T d) {
  using U = std::uint64_t;
  constexpr U kMax = std::numeric_limits<T>::max();
  constexpr int kBits = std::numeric_limits<T>::digits;
  const U x = a, y = b;
  const auto truth = [](bool v) { return static_cast<T>(v ? kMax : 0); };
  switch (op) {
    case Add: return static_cast<T>(x + y > kMax ? kMax : x + y);
    case Subtract: return static_cast<T>(x > y ? x - y : 0);
    case Multiply: return static_cast<T>(x * y > kMax ? kMax : x * y);
    case Divide: return static_cast<T>(y == 0 ? kMax : x / y);
    case Modulo: return static_cast<T>(y == 0 ? 0 : x % y);
    case ShiftLeft: return static_cast<T>((x << (y % 32)) & kMax);
    case ShiftRight: return static_cast<T>(x >> (y % 32));
    case ScaledAdd: return static_cast<T>((x + y) / 2);
    case ScaledSubtract: return static_cast<T>((x + (kMax - y)) / 2);
    case ScaledMultiply: return static_cast<T>((x * y) >> kBits);
    case ScaledDivide: {
      if (y == 0) return static_cast<T>(kMax);
      const U q = (x << kBits) / y;
      return static_cast<T>(q > kMax ? kMax : q);
    }
    case BitwiseAND: return static_cast<T>(x & y);
    case BitwiseOR: return static_cast<T>(x | y);
    case BitwiseXOR: return static_cast<T>(x ^ y);
    case LogicalAND: return truth(x != 0 && y != 0);
    case LogicalOR: return truth(x != 0 || y != 0);
    case LogicalXOR: return truth((x == 0) != (y == 0));
    case Min: return static_cast<T>(x < y ? x : y);
    case Max: return static_cast<T>(x > y ? x : y);
    case SetZero: return x == 0 ? b : d;
    case SetNonZero: return x != 0 ? b : d;
    case Equal: return truth(x == y);
    case NotEqual: return truth(x != y);
    case GreaterOrEqual: return truth(x >= y);
    case LesserOrEqual: return truth(x <= y);
    case Greater: return truth(x > y);
    case Lesser: return truth(x < y);
    case Compare: return static_cast<T>(x > y ? x - y : y - x);
    default: return d;
  }
}

// The bit-image rule of the three-operand values on whole bytes (8 pixels at once).
static inline std::uint8_t OperBits(int op, std::uint8_t a, std::uint8_t b, std::uint8_t d) {
  switch (op) {
    case BitwiseAND: return static_cast<std::uint8_t>(a & b);
    case BitwiseOR: return static_cast<std::uint8_t>(a | b);
    case BitwiseXOR: return static_cast<std::uint8_t>(a ^ b);
    case SetZero: return static_cast<std::uint8_t>((d & a) | (~a & b));
    case SetNonZero: return static_cast<std::uint8_t>((d & ~a) | (a & b));
    case LesserOrEqual: return static_cast<std::uint8_t>(~a | b);
    default: return d;
  }
}

}  // namespace vnimg::point
