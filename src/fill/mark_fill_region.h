// The run fill over the bit rows behind MarkFillRegion, with a hook that
// sees every pop, so tests can follow the stack pop by pop. The hook is a
// template parameter: MarkFillRegion passes one that does nothing and costs
// nothing. The fill goes along the lines of the bits (fill_bits.h) and calls
// them rows, x along them and y across: for bits kept by columns,
// MarkFillRegion gives it the image turned on its diagonal, x and y swapped
// (LinePointOf), whose 4-connected regions are those of the image turned
// the same way.
#ifndef Q_VEIL_KIT_MARK_FILL_REGION_H
#define Q_VEIL_KIT_MARK_FILL_REGION_H

#include <cstdint>

#include "fill/fill_bits.h"

namespace qveil {

namespace fill_detail {

// The two coordinate stacks and their top; the last pushed pixel is kept
// at hand as well, since it is the next one popped: the fill goes on with
// it without reading back what it has just written.
struct Stack {
  std::int32_t* xs;
  std::int32_t* ys;
  std::int32_t top;
  std::int32_t lastX, lastY;
  void Push(std::int32_t x, std::int32_t y) {
    ++top;
    xs[top] = x;
    ys[top] = y;
    lastX = x;
    lastY = y;
  }
};

// One row of both bit arrays.
struct BitRow {
  const std::uint64_t* open;
  std::uint64_t* marked;
  std::uint64_t Free(std::int32_t w) const { return open[w] & ~marked[w]; }
};

// The first pixel of the run through x: x and the open unmarked pixels
// left of it, up to the first that is not. x itself is marked.
inline std::int32_t RunStart(const BitRow& row, std::int32_t x) {
  std::int32_t w = WordOf(x);
  const std::uint64_t below = (std::uint64_t{1} << BitOf(x)) - 1;
  std::uint64_t stops = ~row.Free(w) & below;
  while (stops == 0) {
    if (w == 0) return 0;
    --w;
    stops = ~row.Free(w);
  }
  return w * kPixelsPerWord + HighestBit(stops) + 1;
}

// The last pixel of the run through x, the same way to the right. The bits
// past a row's end are not open, so a run stops at the end of the row.
inline std::int32_t RunEnd(const BitRow& row, std::int32_t x, std::int32_t wordsPerRow) {
  std::int32_t w = WordOf(x);
  const std::int32_t bit = BitOf(x);
  std::uint64_t stops = ~(row.Free(w) | std::uint64_t{1} << bit) & BitsFrom(bit);
  while (stops == 0) {
    ++w;
    if (w == wordsPerRow) return w * kPixelsPerWord - 1;  // a row of whole words
    stops = ~row.Free(w);
  }
  return w * kPixelsPerWord + LowestBit(stops) - 1;
}

// Sets the marked bits of pixels first .. last of a row.
inline void MarkRun(const BitRow& row, std::int32_t first, std::int32_t last) {
  const std::int32_t firstWord = WordOf(first);
  const std::int32_t lastWord = WordOf(last);
  const std::uint64_t head = BitsFrom(BitOf(first));
  const std::uint64_t tail = BitsUpTo(BitOf(last));
  if (firstWord == lastWord) {
    row.marked[firstWord] |= head & tail;
    return;
  }
  row.marked[firstWord] |= head;
  for (std::int32_t w = firstWord + 1; w < lastWord; ++w) row.marked[w] = ~std::uint64_t{0};
  row.marked[lastWord] |= tail;
}

// Over pixels first .. last of the row above or below a run, pushes (and
// marks) the first pixel of each stretch of open unmarked pixels: one push
// per stretch, whose pop grows the rest of it as its own run. A stretch's
// first pixel is a free one whose left neighbour, within the run's span, is
// not free: c & ~(c << 1), with the bit carried over from the word before.
inline void PushStretchStarts(const BitRow& row, std::int32_t y, std::int32_t first,
                              std::int32_t last, Stack& stack) {
  const std::int32_t firstWord = WordOf(first);
  const std::int32_t lastWord = WordOf(last);
  std::uint64_t carry = 0;
  for (std::int32_t w = firstWord; w <= lastWord; ++w) {
    std::uint64_t span = ~std::uint64_t{0};
    if (w == firstWord) span &= BitsFrom(BitOf(first));
    if (w == lastWord) span &= BitsUpTo(BitOf(last));
    const std::uint64_t free = row.Free(w) & span;
    std::uint64_t starts = free & ~(free << 1 | carry);
    carry = free >> 63;
    if (starts == 0) continue;
    row.marked[w] |= starts;
    for (; starts != 0; starts &= starts - 1) {
      stack.Push(w * kPixelsPerWord + LowestBit(starts), y);
    }
  }
}

// The pushes of PushStretchStarts when the run lies in word w alone: `run`
// holds its bits.
inline void PushStretchStartsInWord(const BitRow& row, std::int32_t y, std::int32_t w,
                                    std::uint64_t run, Stack& stack) {
  const std::uint64_t free = row.Free(w) & run;
  std::uint64_t starts = free & ~(free << 1);
  if (starts == 0) return;
  row.marked[w] |= starts;
  for (; starts != 0; starts &= starts - 1) {
    stack.Push(w * kPixelsPerWord + LowestBit(starts), y);
  }
}

// The pushes of PushStretchStartsInWord for a run of one pixel, x: pixel
// (x, y) of `row`, if it is free.
inline void PushIfFree(const BitRow& row, std::int32_t x, std::int32_t y, Stack& stack) {
  const std::int32_t w = WordOf(x);
  const std::uint64_t bit = std::uint64_t{1} << BitOf(x);
  if ((row.Free(w) & bit) == 0) return;
  row.marked[w] |= bit;
  stack.Push(x, y);
}

// Bits 1 .. 62: a pixel whose two neighbours in its row lie in its word.
constexpr std::uint64_t kInnerBits = ~std::uint64_t{0} >> 1 & ~std::uint64_t{1};

// The bits of the run through x when it lies in x's word alone: stopped on
// each side within the word or by the row's end. 0 when it may go on into
// a neighbouring word. Most runs on broken-up pictures, and all in a
// one-word row, are such: one word read, no loop.
inline std::uint64_t RunInWord(const BitRow& row, std::int32_t x, std::int32_t wordsPerRow) {
  const std::int32_t w = WordOf(x);
  const std::uint64_t bit = std::uint64_t{1} << BitOf(x);
  const std::uint64_t stops = ~(row.Free(w) | bit);
  const std::uint64_t stopsBelow = stops & (bit - 1);
  const std::uint64_t stopsAbove = stops & ~(bit - 1);
  if ((stopsBelow == 0 && w != 0) || (stopsAbove == 0 && w + 1 != wordsPerRow)) return 0;
  // HighestBit(stopsBelow) < BitOf(x) <= 63: the shift is below 64.
  const std::uint64_t fromStart =
      stopsBelow == 0 ? ~std::uint64_t{0} : BitsFrom(HighestBit(stopsBelow) + 1);
  const std::uint64_t toEnd = stopsAbove == 0 ? ~std::uint64_t{0}
                                              : (stopsAbove & (~stopsAbove + 1)) - 1;
  return fromStart & toEnd;
}

}  // namespace fill_detail

// onPop(x, y, top) runs for each popped pixel; top is the slot it came from.
// The open bits are set for the open pixels, no marked bit is set yet
// (MarkOpenPixels), and the seed must be open.
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
template <typename OnPop>
void MarkFillRegionWith(const FillBits& bits, std::int32_t* xStack, std::int32_t* yStack,
                        std::int32_t seedX, std::int32_t seedY, OnPop onPop) {
  const std::int32_t wordsPerRow = bits.wordsPerLine;
  const std::int32_t height = bits.lines;
  const auto rowOf = [&](std::int32_t y) {
    const std::int64_t start = static_cast<std::int64_t>(y) * wordsPerRow;
    return fill_detail::BitRow{bits.open + start, bits.marked + start};
  };
  // Slot 0 is never used: top counts pending pixels.
  fill_detail::Stack stack{xStack, yStack, 0, seedX, seedY};
  stack.Push(seedX, seedY);
  rowOf(seedY).marked[WordOf(seedX)] |= std::uint64_t{1} << BitOf(seedX);

  std::int32_t x = seedX;  // the pixel in the top slot
  std::int32_t y = seedY;
  while (stack.top > 0) {
    onPop(x, y, stack.top);
    const std::int32_t below = --stack.top;
    const fill_detail::BitRow row = rowOf(y);
    // The rows above and below, formed only where they exist.
    const auto up = [&] {
      return fill_detail::BitRow{row.open - wordsPerRow, row.marked - wordsPerRow};
    };
    const auto down = [&] {
      return fill_detail::BitRow{row.open + wordsPerRow, row.marked + wordsPerRow};
    };
    const std::int32_t w = WordOf(x);
    const std::uint64_t bit = std::uint64_t{1} << BitOf(x);
    if ((bit & fill_detail::kInnerBits) != 0 && (row.Free(w) & (bit << 1 | bit >> 1)) == 0) {
      // A run of the popped pixel alone, as in a corridor one pixel wide,
      // and already marked (a pixel is marked when it is pushed): only the
      // pixels above and below are left to look at.
      if (y > 0) fill_detail::PushIfFree(up(), x, y - 1, stack);
      if (y + 1 < height) fill_detail::PushIfFree(down(), x, y + 1, stack);
    } else if (const std::uint64_t run = fill_detail::RunInWord(row, x, wordsPerRow); run != 0) {
      row.marked[w] |= run;
      if (y > 0) fill_detail::PushStretchStartsInWord(up(), y - 1, w, run, stack);
      if (y + 1 < height) fill_detail::PushStretchStartsInWord(down(), y + 1, w, run, stack);
    } else {
      const std::int32_t first = fill_detail::RunStart(row, x);
      const std::int32_t last = fill_detail::RunEnd(row, x, wordsPerRow);
      fill_detail::MarkRun(row, first, last);
      if (y > 0) fill_detail::PushStretchStarts(up(), y - 1, first, last, stack);
      if (y + 1 < height) fill_detail::PushStretchStarts(down(), y + 1, first, last, stack);
    }
    if (stack.top > below) {
      x = stack.lastX;
      y = stack.lastY;
    } else if (stack.top > 0) {
      x = xStack[stack.top];
      y = yStack[stack.top];
    }
  }
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_MARK_FILL_REGION_H
