// What a user is told after `veil fill`. The module only says "filled" or
// returns nothing; which of its reasons held is worked out here from the
// image and the request, by the rules the module follows. veil always passes
// the image's own width and height, so the rules for sizes that do not fit
// the buffer never come into it.
#ifndef VEIL_FILL_OUTCOME_H
#define VEIL_FILL_OUTCOME_H

#include <cstdint>
#include <string>

#include "image.h"
#include "lua_host.h"

namespace veil {

struct Seed {
  std::int64_t x;
  std::int64_t y;
};

// The seed pixel: the offset from the centre pixel (width / 2, height / 2).
Seed SeedOf(const ImageView& image, const FillRequest& request);

enum class FillPrediction {
  kFills,           // the seed pixel is open: the module fills, memory allowing
  kSeedOutside,     // the seed is not in the image
  kSeedOnBoundary,  // the seed pixel's alpha (stretched in opaque mode) is not
                    // below the threshold
};

// What the module does with `request` on `image`. When it fills nothing
// where this says kFills, it could not get its work memory.
FillPrediction PredictFill(const ImageView& image, const FillRequest& request);

// Why nothing was filled, as one sentence, for kSeedOutside and
// kSeedOnBoundary.
std::string ExplainNothingFilled(const ImageView& image,
                                 const FillRequest& request);

}  // namespace veil

#endif  // VEIL_FILL_OUTCOME_H
