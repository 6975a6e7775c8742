#include "scene.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace vnimg::tool {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;

using Shape = std::function<bool(double x, double y)>;

Shape Disc(double cx, double cy, double r) {
  return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape RoundedBox(double x0, double y0, double x1, double y1, double r) {
  return [=](double x, double y) {
    const double dx = std::max({x0 + r - x, 0.0, x - (x1 - r)});
    const double dy = std::max({y0 + r - y, 0.0, y - (y1 - r)});
    return x >= x0 && x <= x1 && y >= y0 && y <= y1 && dx * dx + dy * dy <= r * r;
  };
}

// A stroke of the given width from (ax, ay) to (bx, by).
Shape Line(double ax, double ay, double bx, double by, double width) {
  return [=](double x, double y) {
    const double vx = bx - ax, vy = by - ay;
    const double t = std::clamp(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    const double dx = x - (ax + t * vx), dy = y - (ay + t * vy);
    return dx * dx + dy * dy <= width * width / 4;
  };
}

// A regular hexagon with flat top and bottom.
Shape Hexagon(double cx, double cy, double r) {
  return [=](double x, double y) {
    const double dx = std::abs(x - cx), dy = std::abs(y - cy);
    const double h = r * std::numbers::sqrt3 / 2;
    return dy <= h && std::numbers::sqrt3 * dx + dy <= std::numbers::sqrt3 * r;
  };
}

struct Part {
  std::vector<Shape> body;
  std::vector<Shape> holes;
  std::vector<Shape> marks;
};

bool AnyContains(const std::vector<Shape>& shapes, double x, double y) {
  return std::any_of(shapes.begin(), shapes.end(), [&](const Shape& s) { return s(x, y); });
}

std::vector<Part> Parts() {
  std::vector<Part> parts;

  Part plate{{RoundedBox(30, 30, 210, 150, 12)},
             {Disc(52, 52, 9), Disc(188, 52, 9), Disc(52, 128, 9), Disc(188, 128, 9), Disc(120, 88, 24)},
             {Line(150, 55, 178, 95, 1.6)}};
  for (int k = 0; k < 5; ++k) plate.marks.push_back(RoundedBox(76 + 18 * k, 134, 86 + 18 * k, 141, 1));
  parts.push_back(plate);

  Part flange{{Disc(345, 115, 80)}, {Disc(345, 115, 28)}, {}};
  for (int k = 0; k < 6; ++k) {
    const double a = k * std::numbers::pi / 3;
    flange.holes.push_back(Disc(345 + 55 * std::cos(a), 115 + 55 * std::sin(a), 8));
  }
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) flange.marks.push_back(Disc(337 + 8 * i, 176 + 7 * j, 2.4));
  parts.push_back(flange);

  parts.push_back({{RoundedBox(30, 185, 92, 295, 8), RoundedBox(30, 243, 232, 295, 8)},
                   {Disc(61, 214, 10), RoundedBox(112, 261, 204, 279, 9)},
                   {Line(40, 252, 100, 250, 1.4), Disc(216, 256, 2.5)}});
  parts.push_back({{Disc(300, 258, 36)}, {Disc(300, 258, 15)}, {Line(276, 236, 285, 245, 1.2)}});
  parts.push_back({{Hexagon(415, 258, 34)}, {Disc(415, 258, 14)}, {}});
  return parts;
}

// Reflectances: machined metal with fine turning marks, engraved marks, holes that show the
// shadow under the part, a table with a faint grain.
double Reflectance(const std::vector<Part>& parts, double x, double y) {
  for (const Part& part : parts) {
    if (!AnyContains(part.body, x, y)) continue;
    if (AnyContains(part.holes, x, y)) return 0.10;
    if (AnyContains(part.marks, x, y)) return 0.38;
    return 0.84 + 0.03 * std::sin(0.7 * y + 2.0 * std::sin(0.03 * x));
  }
  return 0.27 + 0.02 * std::sin(0.045 * x + 0.8 * std::sin(0.021 * y));
}

// One lamp above the top right corner.
double Illumination(double x, double y) {
  const double dx = x - 0.85 * kWidth, dy = y - 0.1 * kHeight, sigma = 0.5 * kWidth;
  return 0.3 + 0.7 * std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
}

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  double Uniform() {  // in (0, 1]
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return (static_cast<double>(z >> 11) + 1) / 9007199254740992.0;
  }
  double Gaussian() { return std::sqrt(-2 * std::log(Uniform())) * std::cos(2 * std::numbers::pi * Uniform()); }

 private:
  std::uint64_t m_state;
};

}  // namespace

VnImage<VnBW8> MakeInspectionScene(std::uint64_t seed) {
  constexpr int kSamples = 4;  // per axis, for anti-aliased edges
  constexpr double kNoise = 4.5;
  const std::vector<Part> parts = Parts();
  Random random(seed);
  VnImage<VnBW8> scene(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      double reflectance = 0;
      for (int j = 0; j < kSamples; ++j)
        for (int i = 0; i < kSamples; ++i)
          reflectance += Reflectance(parts, x + (i + 0.5) / kSamples, y + (j + 0.5) / kSamples);
      reflectance /= kSamples * kSamples;
      const double level = 255 * Illumination(x + 0.5, y + 0.5) * reflectance + kNoise * random.Gaussian();
      scene.SetPixel(static_cast<VnBW8>(std::clamp(std::lround(level), 0L, 255L)), x, y);
    }
  return scene;
}

}  // namespace vnimg::tool
