// Test helpers of the point operations: operands rich in the values where rules change, and
// an independent statement of every ImgOper rule.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "support/levels.h"

namespace vnimg::test {

using Op = ARITH_LOGIC_OPERATIONS;

// Channels of a pixel as integers: one for gray types, three bytes for VnC24.
template <class T>
constexpr int kChannels = std::is_same_v<T, VnC24> ? 3 : 1;
template <class T>
constexpr std::int64_t kMax = std::is_same_v<T, VnBW16> ? 65535 : 255;
template <class T>
std::int64_t Channel(const T& p, int k) {
  if constexpr (kChannels<T> == 3) return reinterpret_cast<const std::uint8_t*>(&p)[k];
  else return static_cast<std::int64_t>(p);
}

// Every channel of the ROI drawn from 0, 1, 2, M/2, M/2 + 1, M - 1, M or any value; about one
// in eight copies the channel of `like` at the same place, so that equal operands occur.
template <class T>
void EdgeFill(VnROI<T>& roi, Rng& rng, const VnROI<T>* like = nullptr) {
  constexpr std::int64_t M = kMax<T>;
  const std::int64_t palette[] = {0, 1, 2, M / 2, M / 2 + 1, M - 1, M};
  for (int y = 0; y < roi.GetHeight(); ++y)
    for (int x = 0; x < roi.GetWidth(); ++x) {
      T pixel = roi.GetPixel(x, y);
      for (int k = 0; k < kChannels<T>; ++k) {
        const unsigned choice = rng() % 16;
        std::int64_t v = choice < 7 ? palette[choice] : static_cast<std::int64_t>(rng() % (M + 1));
        if (choice >= 14 && like) v = Channel(like->GetPixel(x, y), k);
        if constexpr (kChannels<T> == 3) reinterpret_cast<std::uint8_t*>(&pixel)[k] = static_cast<std::uint8_t>(v);
        else pixel = static_cast<T>(v);
      }
      roi.SetPixel(pixel, x, y);
    }
}

// The ImgOper table's result of value op on a, b with maximum M; d is the destination's pixel
// before the call. -1 for values without a rule.
inline std::int64_t ExpectedRule(int op, std::int64_t a, std::int64_t b, std::int64_t d, std::int64_t M) {
  const auto truth = [M](bool v) { return v ? M : 0; };
  switch (op) {
    case 2: return std::min(a + b, M);  case 3: return std::max<std::int64_t>(a - b, 0);  case 4: return std::min(a * b, M);
    case 5: return b == 0 ? M : a / b;  case 6: return b == 0 ? 0 : a % b;  case 7: return (a << (b % 32)) % (M + 1);
    case 8: return a >> (b % 32);  case 9: return (a + b) / 2;  case 10: return (a + (M - b)) / 2;  case 11: return a * b / (M + 1);
    case 12: return b == 0 ? M : std::min(a * (M + 1) / b, M);  case 13: return a & b;  case 14: return a | b;  case 15: return a ^ b;
    case 16: return truth(a && b);  case 17: return truth(a || b);  case 18: return truth((a == 0) != (b == 0));
    case 19: return std::min(a, b);  case 20: return std::max(a, b);  case 21: return a == 0 ? b : d;  case 22: return a != 0 ? b : d;
    case 23: return truth(a == b);  case 24: return truth(a != b);  case 25: return truth(a >= b);  case 26: return truth(a <= b);
    case 27: return truth(a > b);  case 28: return truth(a < b);  case 33: return a > b ? a - b : b - a;
    default: return -1;
  }
}

// The values 2 to 33 with a rule, less `excluded`.
inline std::vector<int> RuleValues(std::initializer_list<int> excluded) {
  std::vector<int> ops;
  for (int op = 2; op <= 33; ++op)
    if (ExpectedRule(op, 0, 0, 0, 255) >= 0 && std::count(excluded.begin(), excluded.end(), op) == 0) ops.push_back(op);
  return ops;
}

}  // namespace vnimg::test
