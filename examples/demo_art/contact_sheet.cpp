// The demo's side-by-side sheet: each panel a caption above its image, the
// image composited over a light checkerboard so transparency shows.
#include <algorithm>

#include "bitmap_font.h"
#include "demo_art.h"

namespace veil {
namespace {

constexpr int kMargin = 12;
constexpr int kTextScale = 2;
constexpr int kCaptionHeight = kGlyphHeight * kTextScale + 8;
constexpr int kCheckerSize = 8;
constexpr qveil::Pixel kPaper = 0xFFF6F6F4u;
constexpr qveil::Pixel kInk = 0xFF202428u;

// The checkerboard's grey at (x, y) of a panel.
std::uint32_t CheckerGrey(int x, int y) {
  return ((x / kCheckerSize + y / kCheckerSize) % 2 == 0) ? 0xFF : 0xD8;
}

// Straight-alpha `pixel` over an opaque grey, rounded to the nearest byte.
qveil::Pixel OverGrey(qveil::Pixel pixel, std::uint32_t grey) {
  const std::uint32_t a = qveil::AlphaOf(pixel);
  const auto mix = [a, grey](std::uint32_t c) {
    return (c * a + grey * (255 - a) + 127) / 255;
  };
  return qveil::MakePixel(255, mix(qveil::ChannelOf(pixel, qveil::kRedShift)),
                          mix(qveil::ChannelOf(pixel, qveil::kGreenShift)),
                          mix(qveil::ChannelOf(pixel, qveil::kBlueShift)));
}

}  // namespace

Image DrawSheet(const std::vector<std::pair<std::string, Image>>& panels,
                int columns) {
  int cell_width = 0;
  int cell_height = 0;
  for (const auto& panel : panels) {
    cell_width = std::max(cell_width, panel.second.width);
    cell_height = std::max(cell_height, panel.second.height);
  }
  columns = std::max(1, std::min(columns, static_cast<int>(panels.size())));
  const int rows = (static_cast<int>(panels.size()) + columns - 1) / columns;
  const int slot_height = kCaptionHeight + cell_height;

  Image sheet;
  sheet.width = kMargin + columns * (cell_width + kMargin);
  sheet.height = kMargin + rows * (slot_height + kMargin);
  sheet.pixels.assign(static_cast<std::size_t>(sheet.width) * sheet.height, kPaper);

  for (std::size_t i = 0; i < panels.size(); ++i) {
    const int left = kMargin + static_cast<int>(i) % columns * (cell_width + kMargin);
    const int top = kMargin + static_cast<int>(i) / columns * (slot_height + kMargin);
    DrawText(&sheet, left, top, kTextScale, panels[i].first, kInk);
    const Image& image = panels[i].second;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        sheet.pixels[static_cast<std::size_t>(top + kCaptionHeight + y) * sheet.width +
                     left + x] =
            OverGrey(image.pixels[static_cast<std::size_t>(y) * image.width + x],
                     CheckerGrey(x, y));
      }
    }
  }
  return sheet;
}

}  // namespace veil
