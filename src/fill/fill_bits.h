// The fill's bits and their layout, the one place that knows it: the open
// pixels and the marked ones, one bit a pixel, 64 pixels of a line to a
// word. The lines are the image's rows or, for an image under 32 pixels
// wide and taller than wide (KeepsBitsByColumn), its columns: a row of
// fewer than 32 pixels would leave most of its word unused, and a fill down
// a column one pixel wide would go pixel by pixel, each a pop of its own.
// By rows, pixel (x, y) is bit x % 64 of word y * wordsPerLine + x / 64 of
// each array; by columns, bit y % 64 of word x * wordsPerLine + y / 64. A
// line starts a new word, and the bits past the last pixel of a line are 0
// in both arrays. The passes over the pixels see neither layout: they visit
// the bits word by word in the buffer's order (ForEachWordGroup).
#ifndef Q_VEIL_KIT_FILL_BITS_H
#define Q_VEIL_KIT_FILL_BITS_H

#include <cstdint>
#include <initializer_list>

#include "parallel/for_each_span.h"

namespace qveil {

struct FillBits {
  std::int32_t wordsPerLine;
  std::int32_t lines;     // rows, or by columns the columns
  std::uint64_t* open;    // set: the pixel's alpha lets the fill through
  std::uint64_t* marked;  // set: the pixel is in the region (or pending)
  bool byColumns = false;
};

constexpr std::int32_t kPixelsPerWord = 64;

// The word of pixel x (x >= 0) in its line, and its bit in that word:
// shifts, not / and %, which on a signed x would add sign fix-ups to every
// use.
constexpr std::int32_t WordOf(std::int32_t x) { return x >> 6; }
constexpr std::int32_t BitOf(std::int32_t x) { return x & 63; }

constexpr std::int32_t WordsPerLine(std::int32_t length) {
  return length / kPixelsPerWord + (length % kPixelsPerWord != 0);
}

// By columns when the image's rows would fill less than half a word and it
// has more rows than columns. Rows of 32 pixels or more stay rows: their
// words are at least half used, and the passes read them without
// reordering any bit.
constexpr std::int32_t kNarrowWidth = kPixelsPerWord / 2;

constexpr bool KeepsBitsByColumn(std::int32_t width, std::int32_t height) {
  return width < kNarrowWidth && height > width;
}

// The words of each array for a width x height image (both positive).
constexpr std::int64_t WordsOfImage(std::int32_t width, std::int32_t height) {
  return KeepsBitsByColumn(width, height) ? std::int64_t{WordsPerLine(height)} * width
                                          : std::int64_t{WordsPerLine(width)} * height;
}

// The bits of a width x height image on `block`, which holds
// 2 * WordsOfImage(width, height) words: the open bits, then the marked
// ones. A null block gives null arrays.
inline FillBits FillBitsOn(std::uint64_t* block, std::int32_t width, std::int32_t height) {
  const bool byColumns = KeepsBitsByColumn(width, height);
  return FillBits{WordsPerLine(byColumns ? height : width), byColumns ? width : height, block,
                  block == nullptr ? nullptr : block + WordsOfImage(width, height), byColumns};
}

// Pixel (x, y) as the lines see it: `along` its line, in line `line`.
struct LinePoint {
  std::int32_t along, line;
};

inline LinePoint LinePointOf(const FillBits& bits, std::int32_t x, std::int32_t y) {
  return bits.byColumns ? LinePoint{y, x} : LinePoint{x, y};
}

// The lowest and the highest set bit's place; `word` must not be 0. GCC and
// Clang builtins: the build supports no other compiler.
inline std::int32_t LowestBit(std::uint64_t word) { return __builtin_ctzll(word); }
inline std::int32_t HighestBit(std::uint64_t word) { return 63 - __builtin_clzll(word); }

// Bits `from` .. 63 set (0 <= from < 64).
constexpr std::uint64_t BitsFrom(std::int32_t from) { return ~std::uint64_t{0} << from; }

// Bits 0 .. `to` set (0 <= to < 64).
constexpr std::uint64_t BitsUpTo(std::int32_t to) { return ~std::uint64_t{0} >> (63 - to); }

// The bits of `lines` words of one line each, `span` (1..64) bits each,
// come in two orders: by line, bit r of byLine[l], and in the buffer's
// order, bit k of words[j] for pixel 64 * j + k, where (l, r) is pixel
// r * lines + l. So `lines` columns of a block of `span` rows go to the
// block's pixels in the buffer's order; one line is in that order already.
// WordsPerLine(lines * span) words in the buffer's order, no more than
// `lines`; the bits past the last pixel are 0 in either order.
namespace bit_order_detail {

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

}  // namespace bit_order_detail

// By line from the buffer's order. A block all set or all clear, the
// common case (a blank canvas, a solid shape), is a few stores.
inline void LinesFromPixelOrder(const std::uint64_t* words, std::int32_t lines,
                                std::int32_t span, std::uint64_t* byLine) {
  if (lines == 1) {
    byLine[0] = words[0];
    return;
  }
  const std::int32_t count = lines * span;
  for (bool value : {true, false}) {
    if (bit_order_detail::AllBitsAre(words, count, value)) {
      for (std::int32_t l = 0; l < lines; ++l) {
        bit_order_detail::SetAllBits(byLine + l, span, value);
      }
      return;
    }
  }
  // Line l is every lines-th bit from bit l on.
  for (std::int32_t l = 0; l < lines; ++l) {
    std::uint64_t line = 0;
    for (std::int32_t r = 0, k = l; r < span; ++r, k += lines) {
      line |= (words[WordOf(k)] >> BitOf(k) & 1) << r;
    }
    byLine[l] = line;
  }
}

// The other way: the buffer's order from the lines.
inline void PixelOrderFromLines(const std::uint64_t* byLine, std::int32_t lines,
                                std::int32_t span, std::uint64_t* words) {
  if (lines == 1) {
    words[0] = byLine[0];
    return;
  }
  bool allSet = true;  // a block of a blank canvas, wholly marked
  for (std::int32_t l = 0; l < lines && allSet; ++l) {
    allSet = bit_order_detail::AllBitsAre(byLine + l, span, true);
  }
  bit_order_detail::SetAllBits(words, lines * span, allSet);
  if (allSet) return;
  for (std::int32_t l = 0; l < lines; ++l) {
    for (std::uint64_t c = byLine[l]; c != 0; c &= c - 1) {
      const std::int32_t k = LowestBit(c) * lines + l;
      words[WordOf(k)] |= std::uint64_t{1} << BitOf(k);
    }
  }
}

// The words one thread takes at once and the pixels they cover: by rows,
// one word of a row; by columns, a block of up to 64 rows, one word of each
// column, whose pixels are 64 * width consecutive ones of the buffer. A
// group's bits are read and written in the buffer's order: word j for the
// pixels first + 64 * j on (the reorder is done here), so a pass loops over
// them with no layout of its own. No two groups share a word. kOneLine (by
// rows) makes the group one word known as such to the compiler, so the
// pass's loop over words disappears where the rows need none.
template <bool kOneLine>
struct WordGroup {
  std::int64_t first;   // the index of the group's first pixel
  std::int32_t lines;   // 1 by rows, the width by columns
  std::int32_t span;    // the pixels of each line in the group, 1..64
  std::int64_t word;    // the group's word of its first line in an array
  std::int32_t stride;  // from one line's word to the next line's

  std::int32_t Pixels() const { return kOneLine ? span : lines * span; }
  std::int32_t Words() const { return kOneLine ? 1 : WordsPerLine(Pixels()); }
  // The pixels word j covers: 64, or fewer in the last word.
  std::int32_t PixelsOfWord(std::int32_t j) const {
    const std::int32_t left = Pixels() - j * kPixelsPerWord;
    return left < kPixelsPerWord ? left : kPixelsPerWord;
  }

  // words[0 .. Words() - 1] = the group's bits of `array`; false, with
  // `words` left as it was, when none of them is set.
  bool Load(const std::uint64_t* array, std::uint64_t* words) const {
    if (kOneLine) {
      words[0] = array[word];
      return words[0] != 0;
    }
    std::uint64_t byLine[kPixelsPerWord];
    std::uint64_t any = 0;
    for (std::int32_t l = 0; l < lines; ++l) {
      byLine[l] = array[word + std::int64_t{l} * stride];
      any |= byLine[l];
    }
    if (any == 0) return false;
    PixelOrderFromLines(byLine, lines, span, words);
    return true;
  }

  void Store(const std::uint64_t* words, std::uint64_t* array) const {
    if (kOneLine) {
      array[word] = words[0];
      return;
    }
    std::uint64_t byLine[kPixelsPerWord];
    LinesFromPixelOrder(words, lines, span, byLine);
    for (std::int32_t l = 0; l < lines; ++l) array[word + std::int64_t{l} * stride] = byLine[l];
  }

  void Clear(std::uint64_t* array) const {
    for (std::int32_t l = 0; l < (kOneLine ? 1 : lines); ++l) {
      array[word + std::int64_t{l} * stride] = 0;
    }
  }
};

// Runs body(group, code) for every word group of a width x height image, as
// one parallel pass in spans of about kPixelsPerSpan pixels (ForEachSpanOf:
// `code` is the copy of the loop that runs): 64 words of rows, or
// 64 / width blocks.
template <typename GroupBody>
void ForEachWordGroup(const FillBits& bits, std::int32_t width, std::int32_t height,
                      GroupBody body) {
  const std::int32_t wordsPerLine = bits.wordsPerLine;
  if (bits.byColumns) {
    const std::int32_t blockPixels = kPixelsPerWord * width;
    const std::int32_t blocksPerSpan =
        kPixelsPerSpan / blockPixels > 0 ? kPixelsPerSpan / blockPixels : 1;
    ForEachSpanOf(wordsPerLine, blocksPerSpan,
                  [=](std::int32_t first, std::int32_t size, auto code) {
                    for (std::int32_t block = first; block < first + size; ++block) {
                      const std::int32_t row = block * kPixelsPerWord;
                      const std::int32_t left = height - row;
                      body(WordGroup<false>{std::int64_t{row} * width, width,
                                            left < kPixelsPerWord ? left : kPixelsPerWord,
                                            block, wordsPerLine},
                           code);
                    }
                  });
    return;
  }
  constexpr std::int32_t kWordsPerSpan = kPixelsPerSpan / kPixelsPerWord;
  ForEachSpanOf(wordsPerLine * height, kWordsPerSpan,
                [=](std::int32_t first, std::int32_t size, auto code) {
                  for (std::int32_t k = first; k < first + size; ++k) {
                    const std::int32_t y = k / wordsPerLine;
                    const std::int32_t x = (k - y * wordsPerLine) * kPixelsPerWord;
                    const std::int32_t left = width - x;
                    body(WordGroup<true>{std::int64_t{y} * width + x, 1,
                                         left < kPixelsPerWord ? left : kPixelsPerWord, k, 0},
                         code);
                  }
                });
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_BITS_H
