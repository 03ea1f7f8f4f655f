#include "bench_images.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "fill/fill_steps.h"
#include "fill/work_arrays.h"

namespace qveil::bench {

namespace {

// Deterministic, so every run measures the same pictures.
struct Random {
  std::uint64_t state;
  std::uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 32);
  }
};

Pixel Open(Random& random) {
  return MakePixel(random.Next() % 64, random.Next() & 0xFF, random.Next() & 0xFF,
                   random.Next() & 0xFF);
}

Pixel Wall(Random& random) {
  return MakePixel(128 + random.Next() % 128, random.Next() & 0xFF,
                   random.Next() & 0xFF, random.Next() & 0xFF);
}

// Binary-tree maze: cells at odd coordinates, each opened towards its upper
// or its left neighbour at random, so every cell is reachable and every
// corridor is one pixel wide.
void DrawMaze(Image& image, Random& random) {
  const std::int32_t n = image.size;
  for (auto& p : image.pixels) p = Wall(random);
  for (std::int32_t y = 1; y < n - 1; y += 2) {
    for (std::int32_t x = 1; x < n - 1; x += 2) {
      image.pixels[static_cast<std::size_t>(y) * n + x] = Open(random);
      const bool canUp = y > 1;
      const bool canLeft = x > 1;
      if (!canUp && !canLeft) continue;
      const bool up = canUp && (!canLeft || (random.Next() & 1));
      const std::size_t between = up ? static_cast<std::size_t>(y - 1) * n + x
                                     : static_cast<std::size_t>(y) * n + x - 1;
      image.pixels[between] = Open(random);
    }
  }
  // The centre of an even size is at even coordinates: seed one step down
  // and right, on a cell.
  image.offsetX = 1;
  image.offsetY = 1;
}

// Square rings of wall around the centre, two pixels apart, each with one
// gap, the gaps going round the compass: one corridor, one pixel wide, that
// winds from the centre to the edge, in long runs along the rows and runs of
// one pixel up the columns.
void DrawSpiral(Image& image, Random& random) {
  const std::int32_t n = image.size;
  const std::int32_t c = n / 2;
  for (auto& p : image.pixels) p = Open(random);
  const auto at = [&](std::int32_t x, std::int32_t y) -> Pixel& {
    return image.pixels[static_cast<std::size_t>(y) * n + x];
  };
  for (std::int32_t d = 1; d < c; d += 2) {
    for (std::int32_t k = c - d; k <= c + d; ++k) {
      at(k, c - d) = at(k, c + d) = at(c - d, k) = at(c + d, k) = Wall(random);
    }
    switch ((d / 2) % 4) {
      case 0: at(c, c - d) = Open(random); break;
      case 1: at(c + d, c) = Open(random); break;
      case 2: at(c, c + d) = Open(random); break;
      default: at(c - d, c) = Open(random); break;
    }
  }
}

// Open where x + y is even, and elsewhere at random, half the time: runs of
// one to a few pixels, all joined through their corners' neighbours.
void DrawChecker(Image& image, Random& random) {
  const std::int32_t n = image.size;
  for (std::int32_t y = 0; y < n; ++y) {
    for (std::int32_t x = 0; x < n; ++x) {
      const bool open = (x + y) % 2 == 0 || (random.Next() & 1);
      image.pixels[static_cast<std::size_t>(y) * n + x] = open ? Open(random) : Wall(random);
    }
  }
}

std::int64_t CountRegion(const Image& image) {
  const std::int32_t n = image.size;
  FillWorkArrays work;
  if (!AcquireFillWorkArrays(n, n, &work)) return -1;
  MarkOpenPixels(image.pixels.data(), OpenAlphaLimit(BenchRequest()), work.bits, n, n);
  MarkFillRegion(work.bits, work.xStack, work.yStack, image.SeedX(), image.SeedY());
  std::int64_t marked = 0;
  for (std::int64_t k = 0; k < WordsOfImage(n, n); ++k) {
    marked += __builtin_popcountll(work.bits.marked[k]);
  }
  ReleaseFillWorkArrays(&work);
  return marked;
}

void DrawNoise(Image& image, Random& random, std::uint32_t wallPercent) {
  for (auto& p : image.pixels) p = random.Next() % 100 < wallPercent ? Wall(random) : Open(random);
  image.pixels[static_cast<std::size_t>(image.SeedY()) * image.size + image.SeedX()] = 0;
}

std::unique_ptr<Image> MakeImage(Picture picture, std::int32_t size) {
  auto image = std::make_unique<Image>();
  image->size = size;
  image->pixels.resize(static_cast<std::size_t>(size) * size);
  image->offsetX = 0;
  image->offsetY = 0;
  Random random{0x5eed0000u + static_cast<std::uint64_t>(size)};
  switch (picture) {
    case Picture::kTransparent:
      for (auto& p : image->pixels) p = 0;
      break;
    case Picture::kNoise:
      DrawNoise(*image, random, 40);
      break;
    case Picture::kSparseNoise:
      DrawNoise(*image, random, 20);
      break;
    case Picture::kDenseNoise:
      DrawNoise(*image, random, 30);
      break;
    case Picture::kMaze:
      DrawMaze(*image, random);
      break;
    case Picture::kSpiral:
      DrawSpiral(*image, random);
      break;
    case Picture::kChecker:
      DrawChecker(*image, random);
      break;
  }
  image->regionPixels = CountRegion(*image);
  return image;
}

}  // namespace

const Image& GetImage(Picture picture, std::int32_t size) {
  static std::map<std::pair<Picture, std::int32_t>, std::unique_ptr<Image>> cache;
  auto& slot = cache[{picture, size}];
  if (!slot) slot = MakeImage(picture, size);
  return *slot;
}

const char* PictureName(Picture picture) {
  switch (picture) {
    case Picture::kTransparent:
      return "transparent";
    case Picture::kNoise:
      return "noise";
    case Picture::kSparseNoise:
      return "noise20";
    case Picture::kDenseNoise:
      return "noise30";
    case Picture::kMaze:
      return "maze";
    case Picture::kSpiral:
      return "spiral";
    case Picture::kChecker:
      return "checker";
  }
  return "?";
}

}  // namespace qveil::bench
