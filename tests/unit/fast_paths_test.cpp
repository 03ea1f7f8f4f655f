// The faster paths against the plain formulas or tables they replace: the
// vectorised opaque blend on whole and partly marked words and blocks, the
// soft blend's table, the average source's multiply, and work arrays large
// enough to be offered huge pages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "alpha_pairs_image.h"
#include "alpha_set/alpha_set.h"

#include "fill/fill_steps.h"
#include "fill/work_arrays.h"
#include "marked_bits.h"

namespace qveil {
namespace {

TEST(BlendOpaque, MatchesTheFormulaForEveryWeightAndChannelValue) {
  // Pixel a * 256 + c: alpha a, every colour byte c, in rows of 250 so that
  // words and blocks straddle rows. Weights as they are (threshold 300) and
  // stretched (200), from the rule (the blend multiplies instead); fill
  // colours at the ends of the range and between. The bits mark whole
  // words, leave some empty and mark others in part, in patterns that
  // repeat with no block's period, so that every way through the pass runs.
  constexpr std::int32_t kWidth = 250, kHeight = 65536 / kWidth + 1;
  constexpr std::int32_t kCount = kWidth * kHeight;
  const std::int32_t fills[][3] = {{0, 0, 0}, {255, 255, 255}, {200, 100, 50}, {1, 254, 128}};
  const MarkedBits marked(kWidth, kHeight, [](std::int32_t i) {
    const std::int32_t block = i / 16;
    return i / 64 % 5 == 0 || block % 3 == 0 || (block % 3 == 1 && (i * 7) % 5 < 2);
  });
  for (std::int32_t threshold : {300, 200}) {
    for (const auto& fill : fills) {
      std::vector<Pixel> pixels(kCount);
      for (std::uint32_t i = 0; i < kCount; ++i) {
        pixels[i] = (i >> 8 & 0xFF) << 24 | (i & 0xFF) * 0x010101u;
      }
      const std::vector<Pixel> before = pixels;
      const FillRequest request{fill[0], fill[1], fill[2], 0, 0, threshold, false, 1.0};
      BlendOpaque(pixels.data(), marked.bits, request, kWidth, kHeight);
      for (std::uint32_t i = 0; i < kCount; ++i) {
        const std::uint32_t x = i % kWidth, y = i / kWidth;
        const std::size_t word = y * static_cast<std::uint32_t>(marked.bits.wordsPerLine) + x / 64;
        if (!(marked.words[word] >> (x % 64) & 1)) {
          ASSERT_EQ(pixels[i], before[i]) << "unmarked pixel " << i << " changed";
          continue;
        }
        const auto a = static_cast<std::uint32_t>(
            TestedAlpha(AlphaOf(before[i]), threshold, StretchesAlpha(request)));
        const std::uint32_t c = i & 0xFF;
        const auto mix = [&](std::int32_t f) {
          return (a * c + (255 - a) * static_cast<std::uint32_t>(f)) / 255;
        };
        ASSERT_EQ(pixels[i], MakePixel(255, mix(fill[0]), mix(fill[1]), mix(fill[2])))
            << "a " << a << ", c " << c << ", fill " << fill[0] << "," << fill[1] << ","
            << fill[2];
      }
    }
  }
}

TEST(BlendSoft, TheTableGivesTheBytesOfThePerPixelFormula) {
  // Every pixel marked but every fifth (whose value must stay); arguments
  // in and out of range.
  const AlphaPairsImage image;
  constexpr std::int32_t kWidth = AlphaPairsImage::kWidth;
  constexpr std::int32_t kHeight = AlphaPairsImage::kHeight;
  const std::vector<Pixel>& original = image.pixels;
  const MarkedBits marked(kWidth, kHeight, [](std::int32_t i) { return i % 5 != 4; });
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    std::int32_t red, green, blue, threshold;
    double strength;
  } cases[] = {{200, 100, 50, 200, 1.0},   {255, 0, 255, 128, 0.75},
               {0, 0, 0, 255, 0.3},        {17, 230, 90, 1, 1.0},
               {-5, 300, 70, 200, 1.2},    {100, 100, 100, 300, 2.5},
               {10, 20, 30, 200, 0.0},     {10, 20, 30, 200, -1.0},
               {10, 20, 30, 200, nan},     {10, 20, 30, 200, inf},
               {10, 20, 30, 200, 5e-324},  {INT32_MAX, INT32_MIN, 9, 77, 0.9}};
  std::vector<std::int32_t> scratch(AlphaPairsImage::kCount + 1);
  for (const auto& k : cases) {
    std::vector<Pixel> direct = original, table = original;
    const FillRequest request{k.red, k.green, k.blue, 0, 0, k.threshold, true, k.strength};
    BlendSoft(direct.data(), marked.bits, request, kWidth, kHeight, nullptr);
    BlendSoft(table.data(), marked.bits, request, kWidth, kHeight, scratch.data());
    for (std::size_t i = 0; i < direct.size(); ++i) {
      if (i % 5 == 4) {
        ASSERT_EQ(direct[i], original[i]) << "unmarked pixel " << i << " changed";
      }
      ASSERT_EQ(table[i], direct[i]) << "pixel " << i << ", fill " << k.red << ","
                                     << k.green << "," << k.blue << ", threshold "
                                     << k.threshold << ", strength " << k.strength;
    }
  }
}

TEST(ConvertToAlpha, TheAverageIsTheSumDividedByThreeForEveryColour) {
  // Every one of the 2^24 colours once, under an alpha that must go.
  std::vector<Pixel> pixels(1u << 24);
  for (std::uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x9C000000u | i;
  ConvertToAlpha(pixels.data(), static_cast<std::int32_t>(pixels.size()), kSourceAverage);
  for (std::uint32_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t sum = (i >> 16) + (i >> 8 & 0xFF) + (i & 0xFF);
    ASSERT_EQ(pixels[i], sum / 3 << 24) << "colour " << i;
  }
}

// 2^21 pixels: the stacks (one slot more) are just large enough for the
// huge-page path, the bits too small, so both allocation paths run. Every
// array must be writable to its last slot and apart from the others.
TEST(FillWorkArrays, LargeArraysAreWholeAndSeparate) {
  const std::int32_t sizes[][2] = {{2048, 1024}, {2047, 1025}, {5, 1 << 20}};
  for (const auto& [width, height] : sizes) {
    FillWorkArrays work;
    ASSERT_TRUE(AcquireFillWorkArrays(width, height, &work)) << width << " x " << height;
    const std::int32_t count = width * height;
    // The narrow one keeps its bits by column: 2^20 rows, 2^14 words a column.
    const bool narrow = width < 64;
    EXPECT_EQ(work.bits.byColumns, narrow);
    EXPECT_EQ(work.bits.wordsPerLine, narrow ? (height + 63) / 64 : (width + 63) / 64);
    const std::int32_t words = work.bits.wordsPerLine * (narrow ? width : height);
    std::int32_t* stacks[] = {work.xStack, work.yStack};
    std::uint64_t* rows[] = {work.bits.open, work.bits.marked};
    for (int k = 0; k < 2; ++k) {
      stacks[k][0] = k;
      stacks[k][count] = 10 + k;
      rows[k][0] = 20u + k;
      rows[k][words - 1] = 30u + k;
    }
    for (int k = 0; k < 2; ++k) {
      EXPECT_EQ(stacks[k][0], k);
      EXPECT_EQ(stacks[k][count], 10 + k);
      EXPECT_EQ(rows[k][0], 20u + k);
      EXPECT_EQ(rows[k][words - 1], 30u + k);
    }
    ReleaseFillWorkArrays(&work);
  }
}

}  // namespace
}  // namespace qveil
