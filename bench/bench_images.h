// The pictures the fill benchmarks run on, each size made once and
// kept for the whole run. The seed, as an offset from the centre, always
// lands on an open pixel (raw alpha 0..63, open at threshold 128 in both
// modes).
#ifndef Q_VEIL_KIT_BENCH_IMAGES_H
#define Q_VEIL_KIT_BENCH_IMAGES_H

#include <cstdint>
#include <vector>

#include "fill/fill_rules.h"
#include "pixel_buffer.h"

namespace qveil::bench {

enum class Picture {
  kTransparent,  // alpha 0 everywhere: the region is the whole image
  kNoise,        // ~40% walls (alpha 128..255), the rest open (alpha 0..63)
  kSparseNoise,  // the same with ~20% walls: one region, runs of a few pixels
  kDenseNoise,   // ~30% walls
  kMaze,         // one-pixel corridors between one-pixel walls, all connected
  kSpiral,       // one corridor winding out from the centre
  kChecker,      // open on a checkerboard's even squares, the odd ones at random
};

// The three of them that the whole calls and the peer run on as well.
constexpr Picture kCallPictures[] = {Picture::kTransparent, Picture::kNoise,
                                     Picture::kMaze};
// Every picture, for the seed fill against its reference form.
constexpr Picture kFillPictures[] = {Picture::kTransparent, Picture::kNoise,
                                     Picture::kSparseNoise, Picture::kDenseNoise,
                                     Picture::kMaze, Picture::kSpiral,
                                     Picture::kChecker};

constexpr std::int32_t kThreshold = 128;

// The fill the benchmarks ask for, opaque (soft for the soft blend's).
inline FillRequest BenchRequest(bool soft = false) {
  return FillRequest{200, 100, 50, 0, 0, kThreshold, soft, 0.75};
}

struct Image {
  std::int32_t size;  // width = height
  std::vector<Pixel> pixels;
  std::int32_t offsetX;  // seed offset from the centre pixel
  std::int32_t offsetY;
  std::int64_t regionPixels;  // pixels a fill from the seed marks
  std::int32_t SeedX() const { return size / 2 + offsetX; }
  std::int32_t SeedY() const { return size / 2 + offsetY; }
};

const Image& GetImage(Picture picture, std::int32_t size);

const char* PictureName(Picture picture);

}  // namespace qveil::bench

#endif  // Q_VEIL_KIT_BENCH_IMAGES_H
