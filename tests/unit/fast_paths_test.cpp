// The fill's faster paths against the plain formulas they replace: the
// stretch's lookup table, the inlined opaque blend, and work arrays large
// enough to be offered huge pages.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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
  // ends of the range and between.
  const std::int32_t fills[][3] = {{0, 0, 0}, {255, 255, 255}, {200, 100, 50}, {1, 254, 128}};
  std::vector<std::int32_t> plane(65536), mask(65536, kMarked);
  for (std::int32_t i = 0; i < 65536; ++i) plane[static_cast<std::size_t>(i)] = i >> 8;
  for (const auto& fill : fills) {
    std::vector<Pixel> pixels(65536);
    for (std::uint32_t i = 0; i < 65536; ++i) pixels[i] = 0x5A000000u | (i & 0xFF) * 0x010101u;
    BlendOpaque(pixels.data(), mask.data(), plane.data(), fill[0], fill[1], fill[2], 256, 256);
    for (std::uint32_t i = 0; i < 65536; ++i) {
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
