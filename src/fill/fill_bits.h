// The fill's bit rows: the open pixels and the marked ones, one bit a pixel,
// 64 pixels of a row to a word. Pixel (x, y) is bit x % 64 of word
// y * wordsPerRow + x / 64 of each array; a row starts a new word, and the
// bits past the last pixel of a row are 0 in both arrays. A pass that splits
// the words between threads gives each word to one thread only.
#ifndef Q_VEIL_KIT_FILL_BITS_H
#define Q_VEIL_KIT_FILL_BITS_H

#include <cstdint>

namespace qveil {

struct FillBits {
  std::int32_t wordsPerRow;
  std::uint64_t* open;    // set: the pixel's alpha lets the fill through
  std::uint64_t* marked;  // set: the pixel is in the region (or pending)
};

constexpr std::int32_t kPixelsPerWord = 64;

// The word of pixel x (x >= 0) in its row, and its bit in that word: shifts,
// not / and %, which on a signed x would add sign fix-ups to every use.
constexpr std::int32_t WordOf(std::int32_t x) { return x >> 6; }
constexpr std::int32_t BitOf(std::int32_t x) { return x & 63; }

constexpr std::int32_t WordsPerRow(std::int32_t width) {
  return width / kPixelsPerWord + (width % kPixelsPerWord != 0);
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
