// The seed fill as it was before the bit rows: the same run traversal on a
// mask of one 32-bit integer a pixel (kUnmarked, kMarked, kBoundary),
// prepared by a pass of its own from the stretched alpha. It marks the same
// region as MarkFillRegion; kept here only as the reference its speed is
// measured against.
#ifndef Q_VEIL_KIT_BENCH_RUN_FILL_H
#define Q_VEIL_KIT_BENCH_RUN_FILL_H

#include <cstdint>

#include "parallel/for_each_pixel.h"
#include "pixel_buffer.h"

namespace qveil::bench {

constexpr std::int32_t kUnmarked = 0;  // open and not reached (yet)
constexpr std::int32_t kMarked = 1;    // in the fill region
constexpr std::int32_t kBoundary = 2;  // weight at or above the threshold

// mask[i] = kUnmarked where pixel i is open (its alpha below the open-alpha
// limit), kBoundary elsewhere: what the old alpha plane and boundary passes
// left.
inline void RunFillMask(const Pixel* pixels, std::int32_t openAlphas, std::int32_t* mask,
                        std::int32_t count) {
  ForEachPixel(count, [=](std::int32_t i) {
    mask[i] = static_cast<std::int32_t>(AlphaOf(pixels[i])) < openAlphas ? kUnmarked : kBoundary;
  });
}

namespace run_fill_detail {

// The row above or below a run, looked at pixel by pixel as the run grows.
struct NeighbourRow {
  std::int32_t* mask;   // the row's fill mask entries
  std::int32_t y;
  bool previousOpen;    // the pixel looked at before was open and unmarked
};

// Pushes (and marks) x when it starts a stretch of open, unmarked pixels:
// one push per stretch, whose pop grows the rest of it as its own run.
inline void LookAt(NeighbourRow& row, std::int32_t x, std::int32_t* xStack,
                   std::int32_t* yStack, std::int32_t& top) {
  const bool open = row.mask[x] == kUnmarked;
  // Open now and not before, as one comparison: `open && !previousOpen`
  // compiles to two branches, and on noise both are coin tosses.
  if (open > row.previousOpen) {
    ++top;
    xStack[top] = x;
    yStack[top] = row.y;
    row.mask[x] = kMarked;
  }
  row.previousOpen = open;
}

// Grows the run of the popped pixel (x, y) right, then left, through open
// unmarked pixels, marking them, and looks at the rows above (kUp) and
// below (kDown) at each pixel of the run as it goes. One loop per direction
// and no second pass over the run: on broken-up regions, where runs are one
// or two pixels long, every loop exit is a branch the processor may miss.
template <bool kUp, bool kDown>
std::int32_t GrowRun(std::int32_t* row, std::int32_t width, std::int32_t x,
                     std::int32_t y, std::int32_t* xStack, std::int32_t* yStack,
                     std::int32_t top) {
  NeighbourRow up{row - width, y - 1, false};
  NeighbourRow down{row + width, y + 1, false};
  const auto lookAround = [&](std::int32_t at) {
    if (kUp) LookAt(up, at, xStack, yStack, top);
    if (kDown) LookAt(down, at, xStack, yStack, top);
  };
  lookAround(x);
  const NeighbourRow upAtX = up;
  const NeighbourRow downAtX = down;
  for (std::int32_t right = x + 1; right < width && row[right] == kUnmarked; ++right) {
    row[right] = kMarked;
    lookAround(right);
  }
  up = upAtX;  // walking left, the pixel looked at before is x's
  down = downAtX;
  for (std::int32_t left = x - 1; left >= 0 && row[left] == kUnmarked; --left) {
    row[left] = kMarked;
    lookAround(left);
  }
  return top;
}

}  // namespace run_fill_detail

// fillMask holds kUnmarked for open pixels and kBoundary for the others
// (RunFillMask), and the seed must be open.
//
// A pop takes one pixel and grows its run, the open unmarked pixels left
// and right of it in its row, marking them; over the run it pushes the
// first pixel of each stretch of open unmarked pixels in the rows above and
// below. Every marked pixel has its four neighbours examined: those in its
// row by the run's growth, the others by the looks above and below.
//
// Why the stacks (width * height + 1 slots, slot 0 unused) cannot
// overflow: a pixel is pushed only while it is unmarked and is marked in
// the same step, and marks are never taken back, so there are at most
// width * height pushes in all and the top slot never passes
// width * height. (A run marks pixels without pushing them, which only
// leaves fewer to push.)
void RunFill(std::int32_t* fillMask, std::int32_t* xStack,
                        std::int32_t* yStack, std::int32_t width,
                        std::int32_t height, std::int32_t seedX,
                        std::int32_t seedY) {
  std::int32_t top = 1;  // slot 0 is never used: top counts pending pixels
  xStack[top] = seedX;
  yStack[top] = seedY;
  fillMask[seedY * width + seedX] = kMarked;

  while (top > 0) {
    const std::int32_t x = xStack[top];
    const std::int32_t y = yStack[top];
    --top;
    std::int32_t* row = fillMask + y * width;
    // The first and last rows are rare: deciding here keeps the bounds
    // tests out of the run's loops.
    const bool up = y > 0;
    const bool down = y + 1 < height;
    if (up && down) {
      top = run_fill_detail::GrowRun<true, true>(row, width, x, y, xStack, yStack, top);
    } else if (up) {
      top = run_fill_detail::GrowRun<true, false>(row, width, x, y, xStack, yStack, top);
    } else if (down) {
      top = run_fill_detail::GrowRun<false, true>(row, width, x, y, xStack, yStack, top);
    } else {
      top = run_fill_detail::GrowRun<false, false>(row, width, x, y, xStack, yStack, top);
    }
  }
}

}  // namespace qveil::bench

#endif  // Q_VEIL_KIT_BENCH_RUN_FILL_H
