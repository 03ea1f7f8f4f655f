// The demo's sample image. Each shape gives, per pixel, a coverage from its
// signed distance to the edge (one pixel of smooth ramp: anti-aliasing), and
// the shapes are stacked with the straight-alpha "over" operator.
#include <algorithm>
#include <cmath>

#include "demo_art.h"

namespace veil {
namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 160;

struct Colour {
  double red, green, blue, alpha;  // 0 to 1, straight (not premultiplied)
};

// Coverage of a pixel whose centre is `distance` pixels outside an edge
// (negative: inside).
double Coverage(double distance) {
  return std::clamp(0.5 - distance, 0.0, 1.0);
}

double SmoothStep(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// `top` over `bottom`, straight alpha.
Colour Over(const Colour& top, const Colour& bottom) {
  const double below = bottom.alpha * (1.0 - top.alpha);
  const double alpha = top.alpha + below;
  if (alpha <= 0.0) return Colour{0.0, 0.0, 0.0, 0.0};
  return Colour{(top.red * top.alpha + bottom.red * below) / alpha,
                (top.green * top.alpha + bottom.green * below) / alpha,
                (top.blue * top.alpha + bottom.blue * below) / alpha, alpha};
}

// The ring, centred at (ring_x, 80): outer radius 62, inner 46, its colour
// turning from teal to deep blue around the circle.
constexpr double kRingX = kWidth / 2 + kSampleRingOffsetX;
constexpr double kRingY = kHeight / 2 + kSampleRingOffsetY;

Colour Ring(double x, double y) {
  const double r = std::hypot(x - kRingX, y - kRingY);
  const double coverage = Coverage(std::max(r - 62.0, 46.0 - r));
  const double turn = 0.5 + 0.5 * std::sin(std::atan2(y - kRingY, x - kRingX));
  return Colour{0.10 + 0.25 * turn, 0.65 - 0.35 * turn, 0.75 + 0.2 * turn,
                coverage};
}

// A faint shadow inside the ring, clear at the centre, up to alpha 0.35 at
// the ring: opaque and soft fills treat it differently. It ends under the
// ring, so the outside stays clear.
Colour Shadow(double x, double y) {
  const double r = std::hypot(x - kRingX, y - kRingY);
  const double alpha = r < 54.0 ? 0.35 * SmoothStep(14.0, 47.0, r) : 0.0;
  return Colour{0.05, 0.08, 0.20, alpha};
}

// A round orange glow whose alpha falls off like a Gaussian.
Colour Glow(double x, double y) {
  const double d2 = (x - 196.0) * (x - 196.0) + (y - 48.0) * (y - 48.0);
  return Colour{0.98, 0.55, 0.15, std::exp(-d2 / (2.0 * 13.0 * 13.0))};
}

// A green bar with round corners at 80% opacity.
Colour Bar(double x, double y) {
  const double half_w = 30.0, half_h = 18.0, corner = 9.0;
  const double qx = std::abs(x - 196.0) - (half_w - corner);
  const double qy = std::abs(y - 118.0) - (half_h - corner);
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) +
                         std::min(std::max(qx, qy), 0.0) - corner;
  return Colour{0.30, 0.78, 0.35, 0.8 * Coverage(outside)};
}

std::uint32_t ToByte(double value) {
  return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

Image DrawSampleImage() {
  Image image;
  image.width = kWidth;
  image.height = kHeight;
  image.pixels.resize(static_cast<std::size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double cx = x + 0.5;  // pixel centre
      const double cy = y + 0.5;
      Colour c = Shadow(cx, cy);
      c = Over(Ring(cx, cy), c);
      c = Over(Glow(cx, cy), c);
      c = Over(Bar(cx, cy), c);
      const std::uint32_t alpha = ToByte(c.alpha);
      // A fully transparent pixel keeps no colour.
      image.pixels[static_cast<std::size_t>(y) * kWidth + x] =
          alpha == 0 ? 0u
                     : qveil::MakePixel(alpha, ToByte(c.red), ToByte(c.green),
                                        ToByte(c.blue));
    }
  }
  return image;
}

}  // namespace veil
