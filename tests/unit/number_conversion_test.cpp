#include "binding/number_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace qveil {
namespace {

TEST(TruncateToInt32, TruncatesTowardZero) {
  EXPECT_EQ(TruncateToInt32(2.9), 2);
  EXPECT_EQ(TruncateToInt32(-2.9), -2);
  EXPECT_EQ(TruncateToInt32(-0.5), 0);
  EXPECT_EQ(TruncateToInt32(2147483646.9), 2147483646);
  EXPECT_EQ(TruncateToInt32(-2147483647.9), -2147483647);
}

TEST(TruncateToInt32, SaturatesOutOfRangeValues) {
  EXPECT_EQ(TruncateToInt32(2147483648.0), INT32_MAX);   // 2^31
  EXPECT_EQ(TruncateToInt32(-2147483648.0), INT32_MIN);  // -2^31
  EXPECT_EQ(TruncateToInt32(-2147483649.0), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(1e300), INT32_MAX);
  EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::infinity()), INT32_MAX);
  EXPECT_EQ(TruncateToInt32(-std::numeric_limits<double>::infinity()), INT32_MIN);
}

TEST(TruncateToInt32, MapsNaNToZero) {
  EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
  EXPECT_EQ(TruncateToInt32(-std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace qveil
