#include <cstdint>

#include "fill/fill_bits.h"
#include "fill/fill_steps.h"
#include "fill/open_bits.h"

namespace qveil {

void MarkOpenPixels(const Pixel* pixels, std::int32_t openAlphas, const FillBits& bits,
                    std::int32_t width, std::int32_t height) {
  const auto limit = static_cast<std::uint32_t>(openAlphas);
  std::uint64_t* open = bits.open;
  std::uint64_t* marked = bits.marked;
  ForEachWordGroup(bits, width, height, [=](const auto& group, auto code) {
    std::uint64_t words[kPixelsPerWord];
    const Pixel* p = pixels + group.first;
    for (std::int32_t j = 0; j < group.Words(); ++j) {
      words[j] = OpenBits(p + j * kPixelsPerWord, group.PixelsOfWord(j), limit, code);
    }
    group.Store(words, open);
    group.Clear(marked);
  });
}

}  // namespace qveil
