// The fill's internal steps, where Lua cannot see them: the threshold rule
// and the forms derived from it, the open bits, and the seed fill's region and stack
// use on the bit rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "fill/fill_bits.h"
#include "fill/fill_steps.h"
#include "fill/mark_fill_region.h"
#include "fill/open_bits.h"
#include "parallel/for_each_span.h"

namespace qveil {
namespace {

std::int32_t Stretched(std::int32_t alpha, std::int32_t threshold) {
  return TestedAlpha(static_cast<std::uint32_t>(alpha), threshold, true);
}

TEST(TestedAlpha, StretchMapsTheThresholdToFullOpacity) {
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
  for (std::int32_t threshold = 1; threshold <= 254; ++threshold) {
    EXPECT_EQ(Stretched(255, threshold), 255) << "threshold " << threshold;
  }
}

// The forms the passes use agree with the rule for every alpha and every
// threshold, in both modes: the open-alpha limit picks exactly the alphas
// whose tested alpha is below the threshold (the rule never falling as the
// alpha grows is what makes it a limit), and the blend's multiply gives the
// tested alpha itself wherever a pixel can be filled at all.
TEST(ThresholdRule, TheLimitAndTheWeightFactorAgreeWithTheRule) {
  for (bool soft : {false, true}) {
    for (std::int32_t threshold = -2; threshold <= 300; ++threshold) {
      const FillRequest request{0, 0, 0, 0, 0, threshold, soft, 1.0};
      const bool stretch = StretchesAlpha(request);
      const std::int32_t limit = OpenAlphaLimit(request);
      const std::uint32_t factor = WeightFactor(request);
      for (std::uint32_t a = 0; a < kAlphaValues; ++a) {
        const std::int32_t tested = TestedAlpha(a, threshold, stretch);
        ASSERT_EQ(static_cast<std::int32_t>(a) < limit, tested < threshold)
            << "alpha " << a << ", threshold " << threshold << ", soft " << soft;
        if (threshold <= 0) continue;  // no pixel is open: nothing is blended
        ASSERT_EQ(WeightOf(a, factor), static_cast<std::uint32_t>(tested))
            << "alpha " << a << ", threshold " << threshold << ", soft " << soft;
      }
    }
  }
  // Opaque mode at 128: raw alpha 0..64 is open, 65 (stretched to 129) is not.
  EXPECT_EQ(OpenAlphaLimit(FillRequest{0, 0, 0, 0, 0, 128, false, 1.0}), 65);
}

Pixel WithAlpha(std::uint32_t alpha, std::uint32_t i) {
  return MakePixel(alpha, i & 0xFF, i * 7 & 0xFF, i * 13 & 0xFF);
}

TEST(MarkOpenPixels, SetsTheOpenBitsLineByLineAndClearsTheMarks) {
  // By rows, widths around the word size, so rows end inside a word, on a
  // word's end and just past it; by columns, narrow images whose last block
  // of 64 rows is whole, nearly empty or partly filled. Every limit at the
  // ends and between.
  const std::int32_t sizes[][3] = {{1, 3, 0},   {5, 3, 0},    {63, 3, 0},  {64, 3, 0},
                                   {65, 3, 0},  {130, 3, 0},  {1, 200, 1}, {2, 129, 1},
                                   {5, 128, 1}, {31, 150, 1}};
  for (const auto& [width, height, byColumns] : sizes) {
    const std::int32_t wordsPerLine = WordsPerLine(byColumns ? height : width);
    const std::int32_t lines = byColumns ? width : height;
    const std::int32_t words = wordsPerLine * lines;
    std::vector<Pixel> pixels;
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(width * height); ++i) {
      pixels.push_back(WithAlpha(i * 37 % 256 < 128 ? i * 37 % 256 : (i / 7 % 2) * 255, i));
    }
    const std::vector<Pixel> before = pixels;
    for (std::int32_t limit : {0, 1, 65, 128, 255, 256}) {
      std::vector<std::uint64_t> open(static_cast<std::size_t>(words), ~0ull);
      std::vector<std::uint64_t> marked(static_cast<std::size_t>(words), ~0ull);
      const FillBits bits{wordsPerLine, lines, open.data(), marked.data(), byColumns != 0};
      MarkOpenPixels(pixels.data(), limit, bits, width, height);
      for (std::int32_t line = 0; line < lines; ++line) {
        for (std::int32_t along = 0; along < wordsPerLine * 64; ++along) {
          const std::size_t word = static_cast<std::size_t>(line * wordsPerLine + along / 64);
          const bool isOpen = open[word] >> (along % 64) & 1;
          const std::int32_t x = byColumns ? line : along;
          const std::int32_t y = byColumns ? along : line;
          const bool expected =
              x < width && y < height &&
              AlphaOf(pixels[static_cast<std::size_t>(y * width + x)]) <
                  static_cast<std::uint32_t>(limit);
          ASSERT_EQ(isOpen, expected) << width << " x " << height << ", limit " << limit
                                      << ", (" << x << ", " << y << ")";
        }
      }
      EXPECT_EQ(marked, std::vector<std::uint64_t>(static_cast<std::size_t>(words), 0));
    }
    EXPECT_EQ(pixels, before);
  }
}

// A block of rows of a narrow image, its bits in the buffer's order turned
// into column order and back: every bit in its place, nothing past the
// block's end, for noise and for the all-set and all-clear shortcuts.
TEST(ColumnBits, ReorderABlockBothWaysBitForBit) {
  std::uint64_t state = 5;
  for (std::int32_t width : {2, 3, 7, 16, 31}) {
    for (std::int32_t rows : {1, 5, 63, 64}) {
      const std::int32_t count = width * rows;
      for (int kind = 0; kind < 3; ++kind) {  // noise, all set, all clear
        std::uint64_t words[kPixelsPerWord] = {};
        for (std::int32_t k = 0; k < count; ++k) {
          state = state * 6364136223846793005u + 1442695040888963407u;
          const bool set = kind == 0 ? (state >> 40 & 1) != 0 : kind == 1;
          words[k / 64] |= std::uint64_t{set} << (k % 64);
        }
        std::uint64_t columns[kPixelsPerWord];
        LinesFromPixelOrder(words, width, rows, columns);
        for (std::int32_t x = 0; x < width; ++x) {
          for (std::int32_t r = 0; r < 64; ++r) {
            const std::int32_t k = r * width + x;
            const bool expected = r < rows && (words[k / 64] >> (k % 64) & 1) != 0;
            ASSERT_EQ((columns[x] >> r & 1) != 0, expected)
                << width << " x " << rows << ", kind " << kind << ", (" << x << ", " << r << ")";
          }
        }
        std::uint64_t back[kPixelsPerWord];
        PixelOrderFromLines(columns, width, rows, back);
        for (std::int32_t j = 0; j < WordsPerLine(count); ++j) {
          ASSERT_EQ(back[j], words[j]) << width << " x " << rows << ", kind " << kind;
        }
      }
    }
  }
}

#ifdef Q_VEIL_KIT_AVX2_COPY
TEST(MarkOpenPixels, TheAvx2FormGivesThePlainFormsBits) {
  if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 here";
  std::vector<Pixel> pixels(64 * 256);
  std::uint32_t state = 99;
  for (Pixel& p : pixels) p = state = state * 1664525u + 1013904223u;
  for (std::uint32_t k = 0; k < 256; ++k) pixels[k] = k << 24;  // every alpha
  for (std::int32_t limit = 0; limit <= 256; ++limit) {
    for (std::size_t word = 0; word < pixels.size(); word += 64) {
      ASSERT_EQ(OpenBitsAvx2(pixels.data() + word, static_cast<std::uint32_t>(limit)),
                OpenBits(pixels.data() + word, 64, static_cast<std::uint32_t>(limit)))
          << "limit " << limit << ", word " << word / 64;
    }
  }
}
#endif

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

// The state of each pixel after a fill, as the bits tell it.
constexpr std::int32_t kOpen = 0, kMarked = 1, kBoundary = 2;

struct FillResult {
  std::vector<std::int32_t> mask;  // kOpen (not reached), kMarked or kBoundary
  std::int32_t pops = 0;
  std::int32_t maxTop = 0;
};

// Runs the fill on the shape's open bits (alpha below 100) with stacks of
// exactly width * height + 1 slots followed by guard slots, and checks that
// nothing but slots 1 .. width * height is ever written (the stacks'
// bound, whatever the shape), that the open bits stay as they were and that
// only open pixels get marked, no bit past a row's end among them.
FillResult Fill(const Shape& s) {
  const std::size_t count = s.plane.size();
  constexpr std::int32_t kUnwritten = -7;
  constexpr std::size_t kGuard = 64;
  std::vector<Pixel> pixels;
  for (std::int32_t alpha : s.plane) pixels.push_back(MakePixel(static_cast<std::uint32_t>(alpha), 1, 2, 3));
  const std::int32_t wordsPerRow = WordsPerLine(s.width);
  const std::size_t words = static_cast<std::size_t>(wordsPerRow * s.height);
  std::vector<std::uint64_t> open(words), marked(words);
  const FillBits bits{wordsPerRow, s.height, open.data(), marked.data()};
  MarkOpenPixels(pixels.data(), 100, bits, s.width, s.height);
  const std::vector<std::uint64_t> openBefore = open;
  const auto bit = [&](const std::vector<std::uint64_t>& row, std::int32_t x, std::int32_t y) {
    return (row[static_cast<std::size_t>(y * wordsPerRow + x / 64)] >> (x % 64) & 1) != 0;
  };

  FillResult result;
  std::vector<std::int32_t> xs(count + 1 + kGuard, kUnwritten);
  std::vector<std::int32_t> ys(count + 1 + kGuard, kUnwritten);
  MarkFillRegionWith(bits, xs.data(), ys.data(), s.seedX, s.seedY,
                     [&](std::int32_t x, std::int32_t y, std::int32_t top) {
                       ++result.pops;
                       if (top > result.maxTop) result.maxTop = top;
                       // Every popped pixel is inside, open and marked.
                       ASSERT_TRUE(x >= 0 && x < s.width && y >= 0 && y < s.height);
                       EXPECT_TRUE(bit(open, x, y) && bit(marked, x, y));
                     });
  EXPECT_EQ(xs[0], kUnwritten) << s.name << ": slot 0 must stay unused";
  EXPECT_EQ(ys[0], kUnwritten) << s.name;
  for (std::size_t k = count + 1; k < xs.size(); ++k) {
    EXPECT_EQ(xs[k], kUnwritten) << s.name << ": written past the last slot";
    EXPECT_EQ(ys[k], kUnwritten) << s.name << ": written past the last slot";
  }
  EXPECT_LE(result.maxTop, static_cast<std::int32_t>(count)) << s.name;
  EXPECT_EQ(open, openBefore) << s.name;
  for (std::size_t k = 0; k < words; ++k) {
    EXPECT_EQ(marked[k] & ~open[k], 0u) << s.name << ": a pixel marked that is not open";
  }
  for (std::int32_t y = 0; y < s.height; ++y) {
    for (std::int32_t x = 0; x < s.width; ++x) {
      result.mask.push_back(bit(marked, x, y) ? kMarked : bit(open, x, y) ? kOpen : kBoundary);
    }
  }
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
  // Single rows and columns, one word and several.
  shapes.push_back(FromRows("1 x N", {std::string(37, '.')}, 11, 0));
  shapes.push_back(FromRows("N x 1", std::vector<std::string>(37, "."), 0, 29));
  shapes.push_back(FromRows("long 1 x N", {std::string(200, '.')}, 130, 0));
  shapes.push_back(FromRows("long N x 1", std::vector<std::string>(200, "."), 0, 100));
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
  // Sizes around the word: rows that end inside one, on one's end and
  // just past it, and rows of several words.
  for (std::int32_t size : {16, 33, 64, 65, 130}) {
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
  // pixels end marked (1), boundary (2) or open and not reached (0), and
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
