// Pictures for the demo: the sample image the demo edits, and the labelled
// side-by-side sheet of its results.
#ifndef DEMO_ART_DEMO_ART_H
#define DEMO_ART_DEMO_ART_H

#include <string>
#include <utility>
#include <vector>

#include "image.h"

namespace veil {

// A 240 x 160 image on a transparent background, every edge anti-aliased:
// a ring whose inside holds a faint shadow (the area the demo fills, seeded
// at offset -36,0 from the centre), a soft round glow and a half-transparent
// rounded bar.
Image DrawSampleImage();

// The seed offset of the ring's inside, for `veil fill --at`.
constexpr int kSampleRingOffsetX = -36;
constexpr int kSampleRingOffsetY = 0;

// Lays out labelled images in a grid of `columns`, each shown over a
// checkerboard so that transparency is visible. The result is opaque.
Image DrawSheet(const std::vector<std::pair<std::string, Image>>& panels,
                int columns);

}  // namespace veil

#endif  // DEMO_ART_DEMO_ART_H
