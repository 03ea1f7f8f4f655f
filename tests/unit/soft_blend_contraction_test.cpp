// BlendSoft built the way another build might build it: this test's copy of
// blend_soft.cpp is compiled with -ffp-contract=fast for a processor with
// fused multiply-add (tests/CMakeLists.txt), where a compiler free to fuse
// would round a * b + c once instead of twice. Its bytes must still be those
// of the formula done operation by operation, which this file (built with
// the project's own flags, for any x86-64) works out on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "alpha_pairs_image.h"
#include "fill/fill_steps.h"
#include "marked_bits.h"

namespace qveil {
namespace {

std::uint32_t StoredByte(double value) {
  if (!(value > 0.0)) return 0;
  return value >= 255.0 ? 255u : static_cast<std::uint32_t>(value);
}

// One step per statement, each result a named double: nothing here is a
// multiply feeding an add within one expression.
Pixel Formula(Pixel p, std::int32_t a, const std::int32_t fill[3], std::int32_t t,
              double k) {
  const double ad = a, td = t;
  const double first = 255.0 - ad;
  const double product = (255.0 - td) * ad;
  const double fourth = product / td;
  const double difference = first - fourth;
  const double h = difference * k;
  if (!(h > 0.0)) return p;
  const double total = ad + h;
  std::uint32_t bytes[3];
  for (int channel = 0; channel < 3; ++channel) {
    const std::uint32_t c = p >> (16 - 8 * channel) & 0xFF;
    const double weighted = static_cast<double>(static_cast<std::int32_t>(c) * a);
    const double filled = fill[channel] * h;
    const double sum = weighted + filled;
    bytes[channel] = StoredByte(sum / total);
  }
  return MakePixel(StoredByte(total), bytes[0], bytes[1], bytes[2]);
}

TEST(BlendSoft, GivesTheSameBytesWhenBuiltToFuseMultiplyAdds) {
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) {
    GTEST_SKIP() << "this processor cannot run the copy built with fused multiply-add";
  }
  // Every (a, c) pair, in an image just large enough for the blend's table,
  // and again in one small enough for the per-pixel path.
  const AlphaPairsImage image;
  constexpr std::int32_t kWidth = AlphaPairsImage::kWidth;
  constexpr std::int32_t kHeight = AlphaPairsImage::kHeight;
  constexpr std::int32_t kCount = AlphaPairsImage::kCount;
  const std::vector<Pixel>& original = image.pixels;
  const MarkedBits marked(kWidth, kHeight, [](std::int32_t) { return true; });
  std::vector<std::int32_t> scratch(kCount + 1);
  std::int64_t checked = 0;
  for (std::int32_t t : {37, 128, 200, 251, 255}) {
    for (double k : {0.1, 0.3, 0.7, 0.77, 0.9, 1.0 / 3.0}) {
      const std::int32_t fill[3] = {200, 100 + t % 50, 3 * t % 256};
      for (std::int32_t height : {kHeight, 16}) {
        std::vector<Pixel> pixels(original.begin(), original.begin() + kWidth * height);
        const FillRequest request{fill[0], fill[1], fill[2], 0, 0, t, true, k};
        BlendSoft(pixels.data(), marked.bits, request, kWidth, height, scratch.data());
        for (std::size_t i = 0; i < pixels.size(); ++i) {
          const auto a = static_cast<std::int32_t>(AlphaOf(original[i]));
          const Pixel expected = Formula(original[i], a, fill, t, k);
          ASSERT_EQ(pixels[i], expected) << "a " << a << ", pixel " << std::hex
                                         << original[i] << std::dec << ", threshold " << t
                                         << ", strength " << k << ", height " << height;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace qveil
