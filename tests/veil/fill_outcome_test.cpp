// veil's reasons for a fill that did nothing are a copy of the module's
// rules. Here the copy meets the module itself: random images and requests,
// seeds on boundaries, at the edges and far outside, each filled by the
// module through veil's own Lua host, and veil's prediction compared with
// what the module did.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "fill_outcome.h"
#include "lua_host.h"

namespace veil {
namespace {

class FillOutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* build = std::getenv("Q_VEIL_KIT_BUILD");
    ASSERT_NE(build, nullptr) << "Q_VEIL_KIT_BUILD is not set";
    std::string error;
    L_ = StartLua(std::string(build) + "/?.so;", &error);
    ASSERT_NE(L_, nullptr) << error;
  }
  void TearDown() override {
    if (L_ != nullptr) lua_close(L_);
  }

  int Pick(std::initializer_list<int> values) {
    std::uniform_int_distribution<std::size_t> index(0, values.size() - 1);
    return values.begin()[index(random_)];
  }
  int Between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
  }
  bool OneIn(int n) { return Between(1, n) == 1; }

  // Alphas at the edges of the threshold tests as well as any.
  int RandomAlpha() {
    if (OneIn(2)) return Pick({0, 255, 63, 64, 65, 127, 128, 129, 199, 200, 254});
    return Between(0, 255);
  }
  // Mostly around the image (the edges and one beyond), sometimes at the
  // ends of the 32-bit range.
  int RandomOffset(int size) {
    if (OneIn(8)) return Pick({INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1});
    return Between(-size / 2 - 2, size - size / 2 + 1);
  }
  // veil's own range is 1 to 255; the rules must hold beyond it too.
  int RandomThreshold() {
    if (OneIn(8)) return Pick({0, -1, 256, 1000, INT32_MIN, INT32_MAX});
    return Between(1, 255);
  }

  lua_State* L_ = nullptr;
  std::mt19937 random_{20261210};
};

TEST_F(FillOutcomeTest, PredictsWhatTheModuleDoes) {
  int seen[3] = {0, 0, 0};
  for (int round = 0; round < 6000; ++round) {
    const int width = Between(1, 9);
    const int height = Between(1, 9);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    qveil::Pixel* pixels = NewImageUserdata(L_, count);
    ASSERT_NE(pixels, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
      pixels[i] = qveil::MakePixel(static_cast<std::uint32_t>(RandomAlpha()),
                                   static_cast<std::uint32_t>(Between(0, 255)),
                                   static_cast<std::uint32_t>(Between(0, 255)),
                                   static_cast<std::uint32_t>(Between(0, 255)));
    }
    FillRequest request;
    request.red = Between(0, 255);
    request.green = Between(0, 255);
    request.blue = Between(0, 255);
    request.offset_x = RandomOffset(width);
    request.offset_y = RandomOffset(height);
    request.threshold = RandomThreshold();
    request.soft = OneIn(2);
    request.strength = Between(0, 4) / 4.0;
    const ImageView image{width, height, pixels};

    const FillPrediction prediction = PredictFill(image, request);
    ++seen[static_cast<int>(prediction)];
    if (prediction != FillPrediction::kFills) {
      EXPECT_FALSE(ExplainNothingFilled(image, request).empty());
    }
    bool filled = false;
    std::string error;
    ASSERT_TRUE(CallAlphaFillColor(L_, image, request, &filled, &error)) << error;
    ASSERT_EQ(filled, prediction == FillPrediction::kFills)
        << "round " << round << ": " << width << " x " << height << ", at "
        << request.offset_x << "," << request.offset_y << ", threshold "
        << request.threshold << (request.soft ? ", soft" : ", opaque");
  }
  // Every outcome came up often enough to mean something.
  EXPECT_GT(seen[static_cast<int>(FillPrediction::kFills)], 500);
  EXPECT_GT(seen[static_cast<int>(FillPrediction::kSeedOutside)], 500);
  EXPECT_GT(seen[static_cast<int>(FillPrediction::kSeedOnBoundary)], 500);
}

}  // namespace
}  // namespace veil
