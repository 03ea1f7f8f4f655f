// What a user is told after `veil fill`. The module only says "filled" or
// returns nothing; the reasons for nothing are worked out here from the image
// and the request, by the same rules the module follows.
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
Seed SeedOf(const Image& image, const FillRequest& request);

// Why a fill the module refused did nothing, as one sentence.
std::string ExplainNothingFilled(const Image& image, const FillRequest& request);

}  // namespace veil

#endif  // VEIL_FILL_OUTCOME_H
