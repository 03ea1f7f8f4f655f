// Lua numbers are doubles; the operations take 32-bit integers. A plain
// static_cast of NaN, an infinity or an out-of-range double is undefined in
// C++, so every conversion goes through the saturating helper here.
#ifndef Q_VEIL_KIT_NUMBER_CONVERSION_H
#define Q_VEIL_KIT_NUMBER_CONVERSION_H

#include <cstdint>

namespace qveil {

// Truncates toward zero (2.9 -> 2, -2.9 -> -2). NaN gives 0; values beyond
// the 32-bit range, infinities included, saturate to INT32_MIN / INT32_MAX.
constexpr std::int32_t TruncateToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_NUMBER_CONVERSION_H
