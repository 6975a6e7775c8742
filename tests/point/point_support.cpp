#include "point/point_support.h"

#include <algorithm>
#include <limits>

namespace vnimg::test {

template <class T>
VnImage<T> EdgeImage(int width, int height, Rng& rng, const VnImage<T>* like) {
  constexpr std::int64_t kMax = std::numeric_limits<T>::max();
  const std::int64_t palette[] = {0, 1, 2, kMax / 2, kMax / 2 + 1, kMax - 1, kMax};
  std::uniform_int_distribution<int> pick(0, 15);
  std::uniform_int_distribution<std::int64_t> any(0, kMax);
  VnImage<T> image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int choice = pick(rng);
      T value;
      if (choice < 7) value = static_cast<T>(palette[choice]);
      else if (choice < 9 && like) value = like->GetPixel(x, y);
      else value = static_cast<T>(any(rng));
      image.SetPixel(value, x, y);
    }
  return image;
}
template VnImage<VnBW8> EdgeImage(int, int, Rng&, const VnImage<VnBW8>*);
template VnImage<VnBW16> EdgeImage(int, int, Rng&, const VnImage<VnBW16>*);

std::int64_t ExpectedRule(int op, std::int64_t a, std::int64_t b, std::int64_t d, std::int64_t max) {
  const std::int64_t truth = max;
  const int bits = max == 255 ? 8 : 16;
  switch (op) {
    case 2: return std::min(a + b, max);
    case 3: return std::max(a - b, std::int64_t{0});
    case 4: return std::min(a * b, max);
    case 5: return b == 0 ? max : a / b;
    case 6: return b == 0 ? 0 : a % b;
    case 7: return (a << (b % 32)) % (max + 1);
    case 8: return a >> (b % 32);
    case 9: return (a + b) / 2;
    case 10: return (a + (max - b)) / 2;
    case 11: return (a * b) / (max + 1);
    case 12: return b == 0 ? max : std::min(a * (max + 1) / b, max);
    case 13: return a & b;
    case 14: return a | b;
    case 15: return a ^ b;
    case 16: return a && b ? truth : 0;
    case 17: return a || b ? truth : 0;
    case 18: return (a == 0) != (b == 0) ? truth : 0;
    case 19: return std::min(a, b);
    case 20: return std::max(a, b);
    case 21: return a == 0 ? b : d;
    case 22: return a != 0 ? b : d;
    case 23: return a == b ? truth : 0;
    case 24: return a != b ? truth : 0;
    case 25: return a >= b ? truth : 0;
    case 26: return a <= b ? truth : 0;
    case 27: return a > b ? truth : 0;
    case 28: return a < b ? truth : 0;
    case 33: return a > b ? a - b : b - a;
    default: ADD_FAILURE() << "no rule for " << op << " (" << bits << " bits)"; return -1;
  }
}

bool HasRule(int op) { return (op >= 2 && op <= 28) || op == 33; }

}  // namespace vnimg::test
