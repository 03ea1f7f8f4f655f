#include "fuzz_case.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace qveil::fuzz {

namespace {

constexpr int kMaxSide = 64;
// An image narrower than kNarrow columns may be this many rows tall: the
// fill keeps such an image's bits by column, 64 rows to a word, and only a
// taller one has more than one word to a column.
constexpr int kNarrow = 32;
constexpr int kMaxNarrowHeight = 200;

// Mostly values a caller would pass (small integers around the interesting
// range), and now and then anything a double can hold.
double ConsumeNumber(FuzzedDataProvider& in, int low, int high) {
  static const double kSpecial[] = {
      std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      2147483647.0,
      2147483648.0,
      -2147483648.0,
      -2147483649.0,
      4294967296.0,
      1e300,
      -1e300,
      -0.0,
      0.5,
      254.99999999999997,
      65536.0,
      46341.0,
      std::numeric_limits<double>::denorm_min(),
  };
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 6:
      return in.ConsumeIntegralInRange(low, high) + in.ConsumeProbability<double>();
    case 7:
      return in.ConsumeFloatingPoint<double>();
    case 8:
      return kSpecial[in.ConsumeIntegralInRange<std::size_t>(
          0, sizeof kSpecial / sizeof kSpecial[0] - 1)];
    case 9: {
      const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    default:
      return in.ConsumeIntegralInRange(low, high);
  }
}

Arg ConsumeArg(FuzzedDataProvider& in, int low, int high) {
  const int kind = in.ConsumeIntegralInRange(0, 15);
  switch (kind) {
    case 0:
      return {ArgKind::kNil, 0};
    case 1:
      return {in.ConsumeBool() ? ArgKind::kTrue : ArgKind::kFalse, 0};
    case 2:
      return {ArgKind::kText, 0};
    case 3:
      return {ArgKind::kNumericString,
              static_cast<double>(in.ConsumeIntegralInRange(low, high))};
    default:
      return {ArgKind::kNumber, ConsumeNumber(in, low, high)};
  }
}

Arg ConsumeFlag(FuzzedDataProvider& in) {
  static const ArgKind kKinds[] = {ArgKind::kFalse, ArgKind::kTrue,  ArgKind::kNil,
                                   ArgKind::kNumber, ArgKind::kText, ArgKind::kTable};
  return {kKinds[in.ConsumeIntegralInRange(0, 5)], 0};
}

// A size argument: usually the buffer's own, sometimes a smaller one (the
// call then sees the front of the buffer), sometimes anything at all.
Arg ConsumeSize(FuzzedDataProvider& in, int actual) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return ConsumeArg(in, -3, kMaxSide);
    case 1:
      return {ArgKind::kNumber, static_cast<double>(in.ConsumeIntegralInRange(0, actual))};
    default:
      return {ArgKind::kNumber, static_cast<double>(actual)};
  }
}

}  // namespace

double NumberOf(const Arg* arg) {
  if (arg == nullptr) return 0;
  switch (arg->kind) {
    case ArgKind::kNumber:
    case ArgKind::kNumericString:
      return arg->number;
    default:
      return 0;
  }
}

bool TruthOf(const Arg* arg) {
  return arg != nullptr && arg->kind != ArgKind::kNil && arg->kind != ArgKind::kFalse;
}

std::int32_t IntegerOf(const Arg* arg) {
  const double value = NumberOf(arg);
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(std::trunc(value));
}

FuzzCase DecodeCase(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  FuzzCase c;
  c.fill = in.ConsumeBool();
  static const BufferKind kBuffers[] = {
      BufferKind::kLight, BufferKind::kLight, BufferKind::kLight,  BufferKind::kLight,
      BufferKind::kLight, BufferKind::kLight, BufferKind::kFull,   BufferKind::kFull,
      BufferKind::kMisaligned, BufferKind::kNil, BufferKind::kNumber,
      BufferKind::kString, BufferKind::kTable};
  c.buffer = kBuffers[in.ConsumeIntegralInRange<std::size_t>(0, 12)];
  const int width = in.ConsumeIntegralInRange(0, kMaxSide);
  const int height = in.ConsumeIntegralInRange(0, width < kNarrow ? kMaxNarrowHeight : kMaxSide);

  c.args.push_back(ConsumeSize(in, width));
  c.args.push_back(ConsumeSize(in, height));
  if (c.fill) {
    for (int k = 0; k < 3; ++k) c.args.push_back(ConsumeArg(in, -2, 257));  // colour
    for (int k = 0; k < 2; ++k) c.args.push_back(ConsumeArg(in, -40, 40));  // offsets
    c.args.push_back(ConsumeArg(in, -2, 300));                               // threshold
    c.args.push_back(ConsumeFlag(in));                                       // soft
    Arg strength = ConsumeArg(in, 0, 1);
    if (strength.kind == ArgKind::kNumber && in.ConsumeBool()) {
      strength.number = in.ConsumeProbability<double>();  // the usual 0..1
    }
    c.args.push_back(strength);
  } else {
    c.args.push_back(ConsumeArg(in, -1, 6));  // source
  }
  // Now and then fewer arguments (the rest read as absent) or one too many.
  const int shape = in.ConsumeIntegralInRange(0, 15);
  if (shape == 0) {
    c.args.resize(in.ConsumeIntegralInRange<std::size_t>(0, c.args.size()));
  } else if (shape == 1) {
    c.args.push_back({ArgKind::kNumber, 7});
  }

  // A light buffer smaller than width x height is the caller's fault, which
  // the module cannot detect: sizes that would reach past it are replaced
  // by its own. A full userdata keeps them, since the module refuses it.
  // Sizes the module refuses (negative, or a product beyond 32 bits) are
  // kept.
  const auto at = [&c](std::size_t k) { return k < c.args.size() ? &c.args[k] : nullptr; };
  const std::int64_t w = IntegerOf(at(0));
  const std::int64_t h = IntegerOf(at(1));
  // (Both present here: an absent size reads as 0.)
  if (c.buffer != BufferKind::kFull && w >= 0 && h >= 0 && w * h <= 2147483647 &&
      w * h > std::int64_t{width} * height) {
    c.args[0] = {ArgKind::kNumber, static_cast<double>(width)};
    c.args[1] = {ArgKind::kNumber, static_cast<double>(height)};
  }

  // The pixels: four bytes each, or one byte giving the alpha (and a colour
  // made from it), which makes walls and open areas easy to find.
  const bool packed = in.ConsumeBool();
  c.pixels.resize(static_cast<std::size_t>(width) * height);
  for (auto& pixel : c.pixels) {
    if (packed) {
      const std::uint8_t b = in.ConsumeIntegral<std::uint8_t>();
      const std::uint32_t alpha = (b & 0x80) ? 255u - (b & 0x7Fu) : (b & 0x7Fu);
      pixel = alpha << 24 | (b * 0x9E3779B1u & 0x00FFFFFFu);
    } else {
      pixel = in.ConsumeIntegral<std::uint32_t>();
    }
  }
  return c;
}

}  // namespace qveil::fuzz
