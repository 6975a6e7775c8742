// An unsigned 128-bit integer for exact sums: the compiler's own where it has one, else
// (32-bit targets) a small class with the same wrap-around arithmetic and the same correctly
// rounded conversions, so that results do not depend on the target.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace vnimg {

#if defined(__SIZEOF_INT128__)
__extension__ using Uint128 = unsigned __int128;
#else
class Uint128 {
 public:
  constexpr Uint128(std::uint64_t low = 0) : m_low(low) {}

  friend constexpr Uint128 operator+(Uint128 a, Uint128 b) {
    Uint128 r(a.m_low + b.m_low);
    r.m_high = a.m_high + b.m_high + (r.m_low < a.m_low);
    return r;
  }
  friend constexpr Uint128 operator-(Uint128 a, Uint128 b) {
    Uint128 r(a.m_low - b.m_low);
    r.m_high = a.m_high - b.m_high - (a.m_low < b.m_low);
    return r;
  }
  friend constexpr Uint128 operator*(Uint128 a, Uint128 b) {
    Uint128 r = Product(a.m_low, b.m_low);
    r.m_high += a.m_high * b.m_low + a.m_low * b.m_high;
    return r;
  }
  constexpr Uint128& operator+=(Uint128 b) { return *this = *this + b; }
  constexpr Uint128& operator*=(Uint128 b) { return *this = *this * b; }
  friend constexpr bool operator<=(Uint128 a, Uint128 b) {
    return a.m_high != b.m_high ? a.m_high < b.m_high : a.m_low <= b.m_low;
  }

  // Rounded to nearest as the built-in conversions: the top 64 bits, with a sticky bit for
  // the rest, round as the whole number does.
  explicit operator double() const { return Rounded<double>(); }
  explicit operator float() const { return Rounded<float>(); }

 private:
  template <class F>
  F Rounded() const {
    if (m_high == 0) return static_cast<F>(m_low);
    const int below = 64 - std::countl_zero(m_high);
    const std::uint64_t top = below == 64 ? m_high : m_high << (64 - below) | m_low >> below;
    const bool sticky = below == 64 ? m_low != 0 : (m_low << (64 - below)) != 0;
    return std::ldexp(static_cast<F>(top | sticky), below);
  }
  static constexpr Uint128 Product(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32, bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const std::uint64_t low = aLow * bLow, middle1 = aHigh * bLow, middle2 = aLow * bHigh;
    const std::uint64_t carry = ((low >> 32) + (middle1 & 0xFFFFFFFFu) + (middle2 & 0xFFFFFFFFu)) >> 32;
    Uint128 r(a * b);
    r.m_high = aHigh * bHigh + (middle1 >> 32) + (middle2 >> 32) + carry;
    return r;
  }

  std::uint64_t m_low = 0;
  std::uint64_t m_high = 0;
};
#endif

}  // namespace vnimg
