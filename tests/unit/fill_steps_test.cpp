// The fill's internal steps, where Lua cannot see them: the stretch table,
// the alpha plane, and the seed fill's order of work and stack use.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "fill/fill_steps.h"
#include "fill/mark_fill_region.h"

namespace qveil {
namespace {

std::int32_t Stretched(std::int32_t alpha, std::int32_t threshold) {
  std::int32_t plane[1] = {alpha};
  StretchAlphaPlane(plane, threshold, 1, 1);
  return plane[0];
}

TEST(StretchAlphaPlane, MapsTheThresholdToFullOpacity) {
  const std::pair<std::int32_t, std::int32_t> at128[] = {
      {0, 0},     {1, 1},     {63, 125},  {64, 127},  {65, 129},
      {100, 199}, {127, 253}, {128, 255}, {200, 255}, {255, 255}};
  for (const auto& [alpha, expected] : at128) {
    EXPECT_EQ(Stretched(alpha, 128), expected) << "alpha " << alpha;
  }
  EXPECT_EQ(Stretched(253, 254), 253);
  EXPECT_EQ(Stretched(254, 254), 255);
  EXPECT_EQ(Stretched(156, 200), 198);
  EXPECT_EQ(Stretched(157, 200), 200);
  EXPECT_EQ(Stretched(0, 1), 0);
  EXPECT_EQ(Stretched(1, 1), 255);
}

TEST(StretchAlphaPlane, TurnsAnOpaquePlaneFullyOpaqueForEveryThreshold) {
  for (std::int32_t threshold = 1; threshold <= 254; ++threshold) {
    std::vector<std::int32_t> plane(7, 255);
    StretchAlphaPlane(plane.data(), threshold, 7, 1);
    EXPECT_EQ(plane, std::vector<std::int32_t>(7, 255)) << "threshold " << threshold;
  }
}

TEST(ExtractAlphaPlane, CopiesAlphaClearsTheMaskAndKeepsThePixels) {
  const std::vector<Pixel> original = {0x00FFFFFF, 0x80C86432, 0xFF000000,
                                       0x01020304, 0x7F7F7F7F, 0xFEFEFEFE};
  std::vector<Pixel> pixels = original;
  std::vector<std::int32_t> plane(6, -1), mask(6, 9);
  ExtractAlphaPlane(pixels.data(), plane.data(), mask.data(), 3, 2);
  EXPECT_EQ(plane, (std::vector<std::int32_t>{0, 0x80, 0xFF, 1, 0x7F, 0xFE}));
  EXPECT_EQ(mask, std::vector<std::int32_t>(6, 0));
  EXPECT_EQ(pixels, original);
}

struct Trace {
  std::vector<std::pair<std::int32_t, std::int32_t>> pops;
  std::int32_t maxTop = 0;
};

Trace TraceFill(const std::vector<std::int32_t>& plane, std::int32_t width,
                std::int32_t height, std::int32_t seedX, std::int32_t seedY,
                std::int32_t threshold, std::vector<std::int32_t>* mask,
                std::vector<std::int32_t>* xs) {
  const std::size_t count = plane.size();
  mask->assign(count, 9);  // MarkBoundaries must overwrite every entry
  xs->assign(count + 1, -7);  // -7: never written
  std::vector<std::int32_t> ys(count + 1, -7);
  Trace trace;
  MarkBoundaries(plane.data(), mask->data(), threshold, width, height);
  MarkFillRegionWith(mask->data(), xs->data(), ys.data(), width, height, seedX,
                     seedY, [&](std::int32_t x, std::int32_t y, std::int32_t top) {
                       trace.pops.emplace_back(x, y);
                       if (top > trace.maxTop) trace.maxTop = top;
                     });
  return trace;
}

TEST(MarkFillRegion, PopsAnOpenThreeByThreeInStackOrder) {
  std::vector<std::int32_t> mask, xs;
  const Trace trace = TraceFill(std::vector<std::int32_t>(9, 0), 3, 3, 1, 1, 1,
                                &mask, &xs);
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
      {1, 1}, {1, 2}, {2, 2}, {0, 2}, {1, 0}, {2, 0}, {0, 0}, {2, 1}, {0, 1}};
  EXPECT_EQ(trace.pops, expected);
  EXPECT_EQ(trace.maxTop, 5);
  EXPECT_EQ(mask, std::vector<std::int32_t>(9, 1));
  EXPECT_EQ(xs[0], -7) << "slot 0 must stay unused";
}

TEST(MarkFillRegion, UsesOnlySlotOneForASinglePixel) {
  std::vector<std::int32_t> mask, xs;
  const Trace trace = TraceFill({0}, 1, 1, 0, 0, 10, &mask, &xs);
  EXPECT_EQ(trace.pops.size(), 1u);
  EXPECT_EQ(trace.maxTop, 1);
  EXPECT_EQ(mask, std::vector<std::int32_t>{1});
  EXPECT_EQ(xs, (std::vector<std::int32_t>{-7, 0}));
}

TEST(MarkFillRegion, VisitsEachRegionPixelOnceAndStopsAtBoundaries) {
  // 4 x 3, a boundary column at x = 2: the left part is the region. The
  // mask ends with 1 (marked), 2 (boundary) or 0 (open, not reached).
  const std::vector<std::int32_t> plane = {0, 5, 200, 0,
                                           9, 0, 200, 0,
                                           0, 0, 200, 0};
  std::vector<std::int32_t> mask, xs;
  const Trace trace = TraceFill(plane, 4, 3, 0, 2, 10, &mask, &xs);
  EXPECT_EQ(trace.pops.size(), 6u);
  EXPECT_EQ(mask, (std::vector<std::int32_t>{1, 1, 2, 0,
                                             1, 1, 2, 0,
                                             1, 1, 2, 0}));
  // The threshold comparison is strict: a value equal to it is a boundary.
  const Trace strict = TraceFill(plane, 4, 3, 0, 2, 9, &mask, &xs);
  EXPECT_EQ(mask, (std::vector<std::int32_t>{1, 1, 2, 0,
                                             2, 1, 2, 0,
                                             1, 1, 2, 0}));
  EXPECT_EQ(strict.pops.size(), 5u);
}

}  // namespace
}  // namespace qveil
