// The fill's internal steps, where Lua cannot see them: the stretch table,
// the alpha plane, and the seed fill's region and stack use.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
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

TEST(ExtractAlphaPlane, CopiesAlphaAndKeepsThePixels) {
  const std::vector<Pixel> original = {0x00FFFFFF, 0x80C86432, 0xFF000000,
                                       0x01020304, 0x7F7F7F7F, 0xFEFEFEFE};
  std::vector<Pixel> pixels = original;
  std::vector<std::int32_t> plane(6, -1);
  ExtractAlphaPlane(pixels.data(), plane.data(), 3, 2);
  EXPECT_EQ(plane, (std::vector<std::int32_t>{0, 0x80, 0xFF, 1, 0x7F, 0xFE}));
  EXPECT_EQ(pixels, original);
}

// A picture for the fill: '#' a boundary, '.' open, one string per row.
struct Shape {
  const char* name;
  std::int32_t width, height, seedX, seedY;
  std::vector<std::int32_t> plane;  // 0 open, 200 boundary; threshold 100
};

Shape FromRows(const char* name, const std::vector<std::string>& rows,
               std::int32_t seedX, std::int32_t seedY) {
  Shape shape{name, static_cast<std::int32_t>(rows[0].size()),
              static_cast<std::int32_t>(rows.size()), seedX, seedY, {}};
  for (const std::string& row : rows) {
    for (char c : row) shape.plane.push_back(c == '#' ? 200 : 0);
  }
  return shape;
}

// The region by the plain definition: breadth-first over 4-neighbours.
std::vector<std::int32_t> ReferenceRegion(const Shape& s) {
  std::vector<std::int32_t> region(s.plane.size(), 0);
  std::deque<std::pair<std::int32_t, std::int32_t>> queue{{s.seedX, s.seedY}};
  region[static_cast<std::size_t>(s.seedY * s.width + s.seedX)] = 1;
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop_front();
    const std::pair<std::int32_t, std::int32_t> next[] = {
        {x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& [nx, ny] : next) {
      if (nx < 0 || nx >= s.width || ny < 0 || ny >= s.height) continue;
      const std::size_t i = static_cast<std::size_t>(ny * s.width + nx);
      if (region[i] || s.plane[i] >= 100) continue;
      region[i] = 1;
      queue.emplace_back(nx, ny);
    }
  }
  return region;
}

struct FillResult {
  std::vector<std::int32_t> mask;
  std::int32_t pops = 0;
  std::int32_t maxTop = 0;
};

// Runs the fill with stacks of exactly width * height + 1 slots followed by
// guard slots, and checks that nothing but slots 1 .. width * height is
// ever written: the stacks' bound, whatever the shape.
FillResult Fill(const Shape& s) {
  const std::size_t count = s.plane.size();
  constexpr std::int32_t kUnwritten = -7;
  constexpr std::size_t kGuard = 64;
  FillResult result;
  result.mask.assign(count, 9);  // MarkBoundaries must overwrite every entry
  std::vector<std::int32_t> xs(count + 1 + kGuard, kUnwritten);
  std::vector<std::int32_t> ys(count + 1 + kGuard, kUnwritten);
  MarkBoundaries(s.plane.data(), result.mask.data(), 100, s.width, s.height);
  MarkFillRegionWith(result.mask.data(), xs.data(), ys.data(), s.width, s.height,
                     s.seedX, s.seedY,
                     [&](std::int32_t x, std::int32_t y, std::int32_t top) {
                       ++result.pops;
                       if (top > result.maxTop) result.maxTop = top;
                       // Every popped pixel is open, inside, and marked.
                       EXPECT_TRUE(x >= 0 && x < s.width && y >= 0 && y < s.height);
                       EXPECT_EQ(result.mask[static_cast<std::size_t>(y * s.width + x)],
                                 kMarked);
                     });
  EXPECT_EQ(xs[0], kUnwritten) << s.name << ": slot 0 must stay unused";
  EXPECT_EQ(ys[0], kUnwritten) << s.name;
  for (std::size_t k = count + 1; k < xs.size(); ++k) {
    EXPECT_EQ(xs[k], kUnwritten) << s.name << ": written past the last slot";
    EXPECT_EQ(ys[k], kUnwritten) << s.name << ": written past the last slot";
  }
  EXPECT_LE(result.maxTop, static_cast<std::int32_t>(count)) << s.name;
  return result;
}

// The region as 1 on the marked pixels, 0 elsewhere.
std::vector<std::int32_t> Marked(const std::vector<std::int32_t>& mask) {
  std::vector<std::int32_t> marked;
  for (std::int32_t m : mask) marked.push_back(m == kMarked ? 1 : 0);
  return marked;
}

std::vector<Shape> StressShapes() {
  std::vector<Shape> shapes;
  shapes.push_back(FromRows("open 3 x 3", {"...", "...", "..."}, 1, 1));
  shapes.push_back(FromRows("1 x 1", {"."}, 0, 0));
  shapes.push_back(FromRows("1 x N", {std::string(37, '.')}, 11, 0));
  shapes.push_back(FromRows("N x 1", std::vector<std::string>(37, "."), 0, 29));
  // One-pixel corridors: a serpentine along the rows, and one along the
  // columns, where every run is a single pixel.
  shapes.push_back(FromRows("row corridor", {".........",
                                             "########.",
                                             ".........",
                                             ".########",
                                             "........."}, 0, 0));
  shapes.push_back(FromRows("column corridor", {".#...#...",
                                                ".#.#.#.#.",
                                                ".#.#.#.#.",
                                                ".#.#.#.#.",
                                                "...#...#."}, 0, 0));
  // Combs: one long run with a tooth under every other pixel, from above and
  // from below, so one pop pushes many stretches.
  shapes.push_back(FromRows("comb down", {".................",
                                          ".#.#.#.#.#.#.#.#.",
                                          ".#.#.#.#.#.#.#.#.",
                                          ".#.#.#.#.#.#.#.#."}, 8, 0));
  shapes.push_back(FromRows("comb up", {".#.#.#.#.#.#.#.#.",
                                        ".#.#.#.#.#.#.#.#.",
                                        "................."}, 16, 2));
  shapes.push_back(FromRows("spiral", {"...........",
                                       ".#########.",
                                       ".#.......#.",
                                       ".#.#####.#.",
                                       ".#.#...#.#.",
                                       ".#.#.#.#.#.",
                                       ".#.#.#...#.",
                                       ".#.#.#####.",
                                       ".#.#.......",
                                       ".#.########",
                                       "..........."}, 4, 4));
  shapes.push_back(FromRows("diamond ring", {"..#..", ".#.#.", "#...#", ".#.#.", "..#.."},
                            2, 2));
  // Checkerboard-like noise: open on even squares, the odd ones at random,
  // and plain noise; each from a few seeds.
  std::uint32_t state = 12345;
  const auto coin = [&state](std::uint32_t percent) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % 100 < percent;
  };
  for (std::int32_t size : {16, 33, 64}) {
    std::vector<std::string> checker, noise;
    for (std::int32_t y = 0; y < size; ++y) {
      std::string c, n;
      for (std::int32_t x = 0; x < size; ++x) {
        c += (x + y) % 2 == 0 || coin(50) ? '.' : '#';
        n += coin(40) ? '#' : '.';
      }
      checker.push_back(c);
      noise.push_back(n);
    }
    for (std::int32_t seed : {0, size / 2, size - 2}) {
      noise[static_cast<std::size_t>(seed)][static_cast<std::size_t>(seed)] = '.';
      shapes.push_back(FromRows("checker", checker, seed, seed));
      shapes.push_back(FromRows("noise", noise, seed, seed));
    }
  }
  return shapes;
}

TEST(MarkFillRegion, MarksExactlyTheRegionWithinTheStacksOnStressShapes) {
  for (const Shape& shape : StressShapes()) {
    const FillResult result = Fill(shape);
    EXPECT_EQ(Marked(result.mask), ReferenceRegion(shape))
        << shape.name << " " << shape.width << " x " << shape.height << ", seed ("
        << shape.seedX << ", " << shape.seedY << ")";
  }
}

TEST(MarkFillRegion, TakesAnOpenImageOneRunPerRow) {
  // The whole of an open 3 x 3 is marked in three pops (one per row), with
  // at most two pixels pending; a 1 x 1 image, the smallest, uses
  // slot 1 alone.
  const FillResult open = Fill(FromRows("open 3 x 3", {"...", "...", "..."}, 1, 1));
  EXPECT_EQ(open.mask, std::vector<std::int32_t>(9, kMarked));
  EXPECT_EQ(open.pops, 3);
  EXPECT_EQ(open.maxTop, 2);
  const FillResult single = Fill(FromRows("1 x 1", {"."}, 0, 0));
  EXPECT_EQ(single.mask, std::vector<std::int32_t>{kMarked});
  EXPECT_EQ(single.pops, 1);
  EXPECT_EQ(single.maxTop, 1);
}

TEST(MarkFillRegion, StopsAtBoundariesAndLeavesThemAsTheyAre) {
  // 4 x 3, a boundary column at x = 2: the left part is the region. The
  // mask ends with 1 (marked), 2 (boundary) or 0 (open, not reached), and
  // the threshold comparison is strict: a value equal to it is a boundary.
  Shape shape{"column", 4, 3, 0, 2, {0, 5, 200, 0,
                                     99, 0, 200, 0,
                                     0, 0, 200, 0}};
  EXPECT_EQ(Fill(shape).mask, (std::vector<std::int32_t>{1, 1, 2, 0,
                                                         1, 1, 2, 0,
                                                         1, 1, 2, 0}));
  shape.plane[4] = 100;
  EXPECT_EQ(Fill(shape).mask, (std::vector<std::int32_t>{1, 1, 2, 0,
                                                         2, 1, 2, 0,
                                                         1, 1, 2, 0}));
}

}  // namespace
}  // namespace qveil
