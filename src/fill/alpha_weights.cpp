#include <cstdint>

#include "fill/fill_steps.h"

namespace qveil {

void BuildAlphaWeights(std::int32_t threshold, bool stretch,
                       std::int32_t weights[kAlphaValues]) {
  for (std::uint32_t a = 0; a < kAlphaValues; ++a) {
    weights[a] = TestedAlpha(a, threshold, stretch);
  }
}

std::uint32_t WeightFactor(std::int32_t threshold, bool stretch) {
  if (!stretch) return 65536u;
  const std::uint32_t divisor = static_cast<std::uint32_t>(threshold);
  return (255u * 65536u + divisor - 1) / divisor;
}

std::int32_t CountOpenAlphas(const std::int32_t weights[kAlphaValues],
                             std::int32_t threshold) {
  std::int32_t count = 0;
  while (count < kAlphaValues && weights[count] < threshold) ++count;
  return count;
}

}  // namespace qveil
