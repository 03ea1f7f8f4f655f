// The faster paths against the plain formulas or tables they replace: the
// stretch's lookup table, the vectorised opaque blend on whole and partly
// marked blocks, the soft blend's table, the average source's multiply, and
// work arrays large enough to be offered huge pages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "alpha_pairs_image.h"
#include "alpha_set/alpha_set.h"

#include "fill/fill_steps.h"
#include "fill/work_arrays.h"

namespace qveil {
namespace {

TEST(StretchAlphaPlane, MatchesTheDivisionForEveryAlphaAndThreshold) {
  std::vector<std::int32_t> plane(256);
  for (std::int32_t threshold = 1; threshold <= 254; ++threshold) {
    for (std::int32_t a = 0; a < 256; ++a) plane[static_cast<std::size_t>(a)] = a;
    StretchAlphaPlane(plane.data(), threshold, 16, 16);
    for (std::uint32_t a = 0; a < 256; ++a) {
      const std::uint32_t quotient = a * 255u / static_cast<std::uint32_t>(threshold);
      ASSERT_EQ(plane[a], static_cast<std::int32_t>(quotient > 255u ? 255u : quotient))
          << "alpha " << a << ", threshold " << threshold;
    }
  }
}

TEST(BlendOpaque, MatchesTheFormulaForEveryWeightAndChannelValue) {
  // Pixel a * 256 + c: weight a, every colour byte c. Fill colours at the
  // ends of the range and between. The mask marks whole blocks, leaves
  // some blocks empty and marks others in part, in patterns that repeat
  // with no block's period, so that every way through the pass runs.
  const std::int32_t fills[][3] = {{0, 0, 0}, {255, 255, 255}, {200, 100, 50}, {1, 254, 128}};
  std::vector<std::int32_t> plane(65536), mask(65536);
  for (std::int32_t i = 0; i < 65536; ++i) {
    plane[static_cast<std::size_t>(i)] = i >> 8;
    const std::int32_t block = i / 16;
    const bool marked = block % 3 == 0 || (block % 3 == 1 && (i * 7) % 5 < 2);
    mask[static_cast<std::size_t>(i)] = marked ? kMarked : (i % 2 ? kBoundary : kUnmarked);
  }
  for (const auto& fill : fills) {
    std::vector<Pixel> pixels(65536);
    for (std::uint32_t i = 0; i < 65536; ++i) pixels[i] = 0x5A000000u | (i & 0xFF) * 0x010101u;
    const std::vector<Pixel> before = pixels;
    BlendOpaque(pixels.data(), mask.data(), plane.data(), fill[0], fill[1], fill[2], 256, 256);
    for (std::uint32_t i = 0; i < 65536; ++i) {
      if (mask[i] != kMarked) {
        ASSERT_EQ(pixels[i], before[i]) << "unmarked pixel " << i << " changed";
        continue;
      }
      const std::uint32_t a = i >> 8, c = i & 0xFF;
      const auto mix = [&](std::int32_t f) {
        return (a * c + (255 - a) * static_cast<std::uint32_t>(f)) / 255;
      };
      ASSERT_EQ(pixels[i], MakePixel(255, mix(fill[0]), mix(fill[1]), mix(fill[2])))
          << "a " << a << ", c " << c << ", fill " << fill[0] << "," << fill[1] << ","
          << fill[2];
    }
  }
}

TEST(BlendSoft, TheTableGivesTheBytesOfThePerPixelFormula) {
  // Every pixel marked but every fifth (whose value must stay); arguments
  // in and out of range.
  const AlphaPairsImage image;
  constexpr std::int32_t kWidth = AlphaPairsImage::kWidth;
  constexpr std::int32_t kHeight = AlphaPairsImage::kHeight;
  const std::vector<std::int32_t>& plane = image.plane;
  const std::vector<Pixel>& original = image.pixels;
  std::vector<std::int32_t> mask(AlphaPairsImage::kCount);
  for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = i % 5 == 4 ? kUnmarked : kMarked;
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
    BlendSoft(direct.data(), mask.data(), plane.data(), k.red, k.green, k.blue,
              k.threshold, k.strength, kWidth, kHeight, nullptr);
    BlendSoft(table.data(), mask.data(), plane.data(), k.red, k.green, k.blue,
              k.threshold, k.strength, kWidth, kHeight, scratch.data());
    for (std::size_t i = 0; i < direct.size(); ++i) {
      if (mask[i] != kMarked) {
        ASSERT_EQ(direct[i], original[i]) << "unmarked pixel " << i << " changed";
      }
      ASSERT_EQ(table[i], direct[i]) << "pixel " << i << ", fill " << k.red << ","
                                     << k.green << "," << k.blue << ", threshold "
                                     << k.threshold << ", strength " << k.strength;
    }
  }
}

TEST(ConvertToAlpha, TheAverageIsTheThirdsTableForEveryColour) {
  std::int32_t thirds[kThirdsTableSize];
  BuildThirdsTable(thirds);
  for (std::int32_t s = 0; s < kThirdsTableSize; ++s) ASSERT_EQ(thirds[s], s / 3) << s;
  // Every one of the 2^24 colours once, under an alpha that must go.
  std::vector<Pixel> pixels(1u << 24);
  for (std::uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x9C000000u | i;
  ConvertToAlpha(pixels.data(), static_cast<std::int32_t>(pixels.size()), kSourceAverage);
  for (std::uint32_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t sum = (i >> 16) + (i >> 8 & 0xFF) + (i & 0xFF);
    ASSERT_EQ(pixels[i], static_cast<std::uint32_t>(thirds[sum]) << 24) << "colour " << i;
  }
}

// 2^21 pixels: the stacks (one slot more) are just large enough for the
// huge-page path, the planes just too small, so both allocation paths run.
// Every array must be writable to its last slot and apart from the others.
TEST(FillWorkArrays, LargeArraysAreWholeAndSeparate) {
  for (std::int32_t count : {1 << 21, (1 << 21) - 1, 5 << 20}) {
    FillWorkArrays work;
    ASSERT_TRUE(AcquireFillWorkArrays(count, &work)) << count;
    std::int32_t* arrays[] = {work.xStack, work.yStack, work.alphaPlane, work.fillMask};
    const std::int32_t last[] = {count, count, count - 1, count - 1};
    for (int k = 0; k < 4; ++k) {
      arrays[k][0] = k;
      arrays[k][last[k]] = 10 + k;
    }
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(arrays[k][0], k) << count;
      EXPECT_EQ(arrays[k][last[k]], 10 + k) << count;
    }
    ReleaseFillWorkArrays(&work);
  }
}

}  // namespace
}  // namespace qveil
