// ForEachSpanOf for the passes over the bit rows: the words of all rows, in
// spans of whole words, each span's loop compiled for any processor and, on
// x86, once more for AVX2 (for_each_span.h). A word is 64 pixels of one
// row and belongs to one span, so no two threads ever write one word.
#ifndef Q_VEIL_KIT_FOR_EACH_WORD_H
#define Q_VEIL_KIT_FOR_EACH_WORD_H

#include <cstdint>

#include "parallel/for_each_span.h"
#include "fill/fill_bits.h"

namespace qveil {

// Words per span: 4096 pixels, as ForEachSpan's spans.
constexpr std::int32_t kWordsPerSpan = 64;

// Runs body(first, size, code) over spans that together cover the words
// 0 .. words - 1 once, as one parallel pass; nothing for words <= 0.
template <typename SpanBody>
void ForEachWordSpan(std::int32_t words, SpanBody body) {
  ForEachSpanOf(words, kWordsPerSpan, body);
}

// Where word k of the bit rows lies in the image: row, first pixel of the
// row it covers, and how many pixels it covers (64, or fewer at a row's end).
struct WordPlace {
  std::int32_t y, x, pixels;
};

inline WordPlace PlaceOfWord(std::int32_t k, std::int32_t wordsPerRow, std::int32_t width) {
  const std::int32_t y = k / wordsPerRow;
  const std::int32_t x = (k - y * wordsPerRow) * kPixelsPerWord;
  const std::int32_t left = width - x;
  return WordPlace{y, x, left < kPixelsPerWord ? left : kPixelsPerWord};
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_FOR_EACH_WORD_H
