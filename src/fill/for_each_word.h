// ForEachSpan for the passes over the bit rows: the words of all rows, in
// spans of whole words, each span's loop compiled for any processor and, on
// x86, once more for AVX2 (for_each_span.h). The body learns which copy it
// is in from its third argument, a PortableCode or an Avx2Code, so that it
// can pick overloads written with AVX2 instructions; every such overload
// has a portable twin giving the same bytes. A word is 64 pixels of one
// row and belongs to one span, so no two threads ever write one word.
#ifndef Q_VEIL_KIT_FOR_EACH_WORD_H
#define Q_VEIL_KIT_FOR_EACH_WORD_H

#include <cstdint>

#include "parallel/for_each_span.h"
#include "fill/fill_bits.h"

namespace qveil {

// Words per span: 4096 pixels, as ForEachSpan's spans.
constexpr std::int32_t kWordsPerSpan = 64;

struct PortableCode {};
struct Avx2Code {};

namespace word_detail {

#ifdef Q_VEIL_KIT_AVX2_COPY
template <typename SpanBody>
__attribute__((target("avx2"))) void RunSpanAvx2(const SpanBody& body, std::int32_t first,
                                                 std::int32_t size) {
  body(first, size, Avx2Code{});
}
#endif

}  // namespace word_detail

// Runs body(first, size, code) over spans that together cover the words
// 0 .. words - 1 once, as one parallel pass; nothing for words <= 0.
template <typename SpanBody>
void ForEachWordSpan(std::int32_t words, SpanBody body) {
  if (words <= 0) return;
  const std::int32_t spans = words / kWordsPerSpan + (words % kWordsPerSpan != 0);
  const bool avx2 = span_detail::HaveAvx2();
  ForEachPixel(spans, [=](std::int32_t span) {
    const std::int32_t first = span * kWordsPerSpan;
    const std::int32_t size =
        words - first < kWordsPerSpan ? words - first : kWordsPerSpan;
#ifdef Q_VEIL_KIT_AVX2_COPY
    if (avx2) {
      word_detail::RunSpanAvx2(body, first, size);
      return;
    }
#endif
    body(first, size, PortableCode{});
  });
  static_cast<void>(avx2);  // unused where there is no AVX2 copy
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
