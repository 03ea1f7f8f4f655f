#include "reference.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>

namespace qveil::fuzz {

namespace {

const Arg* ArgAt(const FuzzCase& c, int position) {  // Lua position, 2 and up
  const std::size_t k = static_cast<std::size_t>(position - 2);
  return k < c.args.size() ? &c.args[k] : nullptr;
}

// A full userdata is refused when its block holds fewer pixels than the
// sizes describe (sizes that describe no pixel leave nothing to check).
bool UsableBuffer(const FuzzCase& c) {
  if (c.buffer == BufferKind::kLight) return true;
  if (c.buffer != BufferKind::kFull) return false;
  const std::int64_t w = IntegerOf(ArgAt(c, 2));
  const std::int64_t h = IntegerOf(ArgAt(c, 3));
  const bool describesPixels = w > 0 && h > 0 && w * h <= 2147483647;
  return !describesPixels || static_cast<std::size_t>(w * h) <= c.pixels.size();
}

std::uint32_t Byte(std::uint32_t pixel, int n) { return pixel >> (8 * n) & 0xFF; }

// Stored results outside 0..255 are clamped; NaN stores 0.
std::uint32_t ClampToByte(double value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  return t < 0 ? 0 : t > 255 ? 255 : static_cast<std::uint32_t>(t);
}

std::uint32_t ClampToByte(std::int64_t value) {
  return value < 0 ? 0 : value > 255 ? 255 : static_cast<std::uint32_t>(value);
}

std::int64_t FloorDiv255(std::int64_t v) { return v >= 0 ? v / 255 : -((-v + 254) / 255); }

}  // namespace

int ReferenceAlphaDataSet(const FuzzCase& c, std::vector<std::uint32_t>& pixels) {
  if (!UsableBuffer(c)) return 0;
  const std::int64_t w = IntegerOf(ArgAt(c, 2));
  const std::int64_t h = IntegerOf(ArgAt(c, 3));
  const std::int32_t source = IntegerOf(ArgAt(c, 4));
  if (w < 0 || h < 0 || w * h > 2147483647) return 1;  // converts nothing
  for (std::int64_t i = 0; i < w * h; ++i) {
    const std::uint32_t p = pixels[static_cast<std::size_t>(i)];
    std::uint32_t v;
    if (source == 1) {
      v = Byte(p, 2);
    } else if (source == 2) {
      v = Byte(p, 1);
    } else if (source == 3) {
      v = Byte(p, 0);
    } else if (source == 4) {
      v = (Byte(p, 0) + Byte(p, 1) + Byte(p, 2)) / 3;
    } else {
      v = Byte(p, 3);
    }
    pixels[static_cast<std::size_t>(i)] = v << 24;
  }
  return 1;
}

int ReferenceAlphaFillColor(const FuzzCase& c, std::vector<std::uint32_t>& pixels) {
  if (!UsableBuffer(c)) return 0;
  const std::int64_t w = IntegerOf(ArgAt(c, 2));
  const std::int64_t h = IntegerOf(ArgAt(c, 3));
  const std::int64_t fill[3] = {IntegerOf(ArgAt(c, 6)), IntegerOf(ArgAt(c, 5)),
                                IntegerOf(ArgAt(c, 4))};  // blue, green, red
  const std::int64_t offsetX = IntegerOf(ArgAt(c, 7));
  const std::int64_t offsetY = IntegerOf(ArgAt(c, 8));
  const std::int64_t t = IntegerOf(ArgAt(c, 9));
  const bool soft = TruthOf(ArgAt(c, 10));
  const double k = NumberOf(ArgAt(c, 11));
  if (w <= 0 || h <= 0 || w * h > 2147483647) return 0;
  const std::int64_t sx = offsetX + w / 2;
  const std::int64_t sy = offsetY + h / 2;
  if (sx < 0 || sx >= w || sy < 0 || sy >= h) return 0;

  const std::size_t n = static_cast<std::size_t>(w * h);
  std::vector<std::int64_t> alpha(n);
  for (std::size_t i = 0; i < n; ++i) {
    alpha[i] = Byte(pixels[i], 3);
    if (!soft && t > 0 && t < 255) alpha[i] = std::min<std::int64_t>(255, alpha[i] * 255 / t);
  }
  const auto at = [w](std::int64_t x, std::int64_t y) { return static_cast<std::size_t>(y * w + x); };
  if (alpha[at(sx, sy)] >= t) return 0;

  std::vector<bool> region(n, false);
  std::deque<std::pair<std::int64_t, std::int64_t>> queue{{sx, sy}};
  region[at(sx, sy)] = true;
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop_front();
    const std::pair<std::int64_t, std::int64_t> next[] = {
        {x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& [nx, ny] : next) {
      if (nx < 0 || nx >= w || ny < 0 || ny >= h) continue;
      if (region[at(nx, ny)] || alpha[at(nx, ny)] >= t) continue;
      region[at(nx, ny)] = true;
      queue.emplace_back(nx, ny);
    }
  }

  for (std::size_t i = 0; i < n; ++i) {
    if (!region[i]) continue;
    const std::int64_t a = alpha[i];
    const std::uint32_t p = pixels[i];
    std::uint32_t out[4];
    if (!soft) {
      for (int ch = 0; ch < 3; ++ch) {
        out[ch] = ClampToByte(FloorDiv255(a * Byte(p, ch) + (255 - a) * fill[ch]));
      }
      out[3] = 255;
    } else {
      const double ad = static_cast<double>(a);
      const double td = static_cast<double>(t);
      const double first = 255.0 - ad;
      const double second = 255.0 - td;
      const double third = second * ad;
      const double fourth = third / td;
      const double H = (first - fourth) * k;
      if (!(H > 0)) continue;
      const double P = ad + H;
      for (int ch = 0; ch < 3; ++ch) {
        const double weighted = static_cast<double>(static_cast<std::int64_t>(Byte(p, ch)) * a);
        const double filled = static_cast<double>(fill[ch]) * H;
        out[ch] = ClampToByte((weighted + filled) / P);
      }
      out[3] = ClampToByte(P);
    }
    pixels[i] = out[3] << 24 | out[2] << 16 | out[1] << 8 | out[0];
  }
  return 1;
}

}  // namespace qveil::fuzz
