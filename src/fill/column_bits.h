// The passes over bits kept by columns (fill_bits.h). Such an image is
// narrower than a word, and its rows go by blocks of 64: block b's bits are
// word b of every column, and its pixels are 64 * width consecutive ones of
// the buffer. Each block is one thread's, so no two threads write one word.
#ifndef Q_VEIL_KIT_COLUMN_BITS_H
#define Q_VEIL_KIT_COLUMN_BITS_H

#include <cstdint>
#include <initializer_list>

#include "fill/fill_bits.h"
#include "fill/for_each_word.h"
#include "pixel_buffer.h"

namespace qveil {

constexpr std::int32_t kRowsPerBlock = kPixelsPerWord;

// Runs body(block, rows, code) for every block of rows of a width x height
// image (width 1 .. 64), `rows` the block's rows (64, or fewer in the last),
// as one parallel pass in spans of about 4096 pixels.
template <typename BlockBody>
void ForEachRowBlock(std::int32_t width, std::int32_t height, BlockBody body) {
  const std::int32_t blocksPerSpan = kWordsPerSpan / width > 0 ? kWordsPerSpan / width : 1;
  ForEachSpanOf(WordsPerLine(height), blocksPerSpan,
                [=](std::int32_t first, std::int32_t size, auto code) {
                  for (std::int32_t block = first; block < first + size; ++block) {
                    const std::int32_t left = height - block * kRowsPerBlock;
                    body(block, left < kRowsPerBlock ? left : kRowsPerBlock, code);
                  }
                });
}

// A block's bits come in two orders: by column, bit r of columns[x] for
// the pixel of row r and column x, and in the buffer's order, bit k of
// words[j] for the block's pixel 64 * j + k. A block of `rows` rows has
// PixelOrderWords(width, rows) words in the buffer's order, no more than
// `width`; the bits past its last pixel are 0 in either order.
constexpr std::int32_t PixelOrderWords(std::int32_t width, std::int32_t rows) {
  return WordsPerLine(width * rows);
}

namespace column_detail {

// Whether all of the first `count` bits of `words` are `value`.
inline bool AllBitsAre(const std::uint64_t* words, std::int32_t count, bool value) {
  const std::uint64_t full = value ? ~std::uint64_t{0} : 0;
  std::int32_t j = 0;
  for (; (j + 1) * kPixelsPerWord <= count; ++j) {
    if (words[j] != full) return false;
  }
  const std::int32_t tail = count - j * kPixelsPerWord;
  return tail == 0 || words[j] == (full & BitsUpTo(tail - 1));
}

// Sets the first `count` bits of `words` (count / 64 words and the part of
// one more) to `value`, the rest of that word to 0.
inline void SetAllBits(std::uint64_t* words, std::int32_t count, bool value) {
  const std::uint64_t full = value ? ~std::uint64_t{0} : 0;
  std::int32_t j = 0;
  for (; (j + 1) * kPixelsPerWord <= count; ++j) words[j] = full;
  const std::int32_t tail = count - j * kPixelsPerWord;
  if (tail != 0) words[j] = full & BitsUpTo(tail - 1);
}

}  // namespace column_detail

// The block's bits by column from its bits in the buffer's order. A block
// all set or all clear, the common case (a blank canvas, a solid shape), is
// a few stores.
inline void ColumnsFromPixelOrder(const std::uint64_t* words, std::int32_t width,
                                  std::int32_t rows, std::uint64_t* columns) {
  if (width == 1) {  // a column one pixel wide is in the buffer's order
    columns[0] = words[0];
    return;
  }
  const std::int32_t count = width * rows;
  for (bool value : {true, false}) {
    if (column_detail::AllBitsAre(words, count, value)) {
      for (std::int32_t x = 0; x < width; ++x) column_detail::SetAllBits(columns + x, rows, value);
      return;
    }
  }
  // Column x is every width-th bit from bit x on.
  for (std::int32_t x = 0; x < width; ++x) {
    std::uint64_t column = 0;
    for (std::int32_t r = 0, k = x; r < rows; ++r, k += width) {
      column |= (words[WordOf(k)] >> BitOf(k) & 1) << r;
    }
    columns[x] = column;
  }
}

// The other way: the block's bits in the buffer's order from its columns.
inline void PixelOrderFromColumns(const std::uint64_t* columns, std::int32_t width,
                                  std::int32_t rows, std::uint64_t* words) {
  if (width == 1) {
    words[0] = columns[0];
    return;
  }
  const std::int32_t count = width * rows;
  bool allSet = true;  // a block of a blank canvas, wholly marked
  for (std::int32_t x = 0; x < width && allSet; ++x) {
    allSet = column_detail::AllBitsAre(columns + x, rows, true);
  }
  column_detail::SetAllBits(words, count, allSet);
  if (allSet) return;
  for (std::int32_t x = 0; x < width; ++x) {
    for (std::uint64_t c = columns[x]; c != 0; c &= c - 1) {
      const std::int32_t k = LowestBit(c) * width + x;
      words[WordOf(k)] |= std::uint64_t{1} << BitOf(k);
    }
  }
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_COLUMN_BITS_H
