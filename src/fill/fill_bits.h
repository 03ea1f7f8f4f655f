// The fill's bits: the open pixels and the marked ones, one bit a pixel, 64
// pixels of a line to a word. The lines are the image's rows, or for a
// narrow image its columns (byColumns): a row of fewer than 64 pixels would
// take a word of its own, and a fill down a column one pixel wide would go
// pixel by pixel, each a pop of its own. By rows, pixel (x, y) is bit
// x % 64 of word y * wordsPerLine + x / 64 of each array; by columns, bit
// y % 64 of word x * wordsPerLine + y / 64. A line starts a new word, and the
// bits past the last pixel of a line are 0 in both arrays. A pass that
// splits the words between threads gives each word to one thread only.
#ifndef Q_VEIL_KIT_FILL_BITS_H
#define Q_VEIL_KIT_FILL_BITS_H

#include <cstdint>

namespace qveil {

struct FillBits {
  std::int32_t wordsPerLine;
  std::uint64_t* open;    // set: the pixel's alpha lets the fill through
  std::uint64_t* marked;  // set: the pixel is in the region (or pending)
  bool byColumns = false;  // only for images narrower than kPixelsPerWord
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

// The layout AlphaFillColor gives a width x height image: by columns when
// its rows would fill less than half a word and it has more rows than
// columns. Rows of 32 pixels or more stay rows: their words are at least
// half used, and the passes read them without reordering any bit.
constexpr std::int32_t kNarrowWidth = kPixelsPerWord / 2;

constexpr bool KeepsBitsByColumn(std::int32_t width, std::int32_t height) {
  return width < kNarrowWidth && height > width;
}

// The words of each array for that layout (both sizes positive).
constexpr std::int64_t WordsOfImage(std::int32_t width, std::int32_t height) {
  return KeepsBitsByColumn(width, height)
             ? std::int64_t{WordsPerLine(height)} * width
             : std::int64_t{WordsPerLine(width)} * height;
}

// The lowest and the highest set bit's place; `word` must not be 0. GCC and
// Clang builtins: the build supports no other compiler.
inline std::int32_t LowestBit(std::uint64_t word) { return __builtin_ctzll(word); }
inline std::int32_t HighestBit(std::uint64_t word) { return 63 - __builtin_clzll(word); }

// Bits `from` .. 63 set (0 <= from < 64).
constexpr std::uint64_t BitsFrom(std::int32_t from) { return ~std::uint64_t{0} << from; }

// Bits 0 .. `to` set (0 <= to < 64).
constexpr std::uint64_t BitsUpTo(std::int32_t to) { return ~std::uint64_t{0} >> (63 - to); }

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_BITS_H
