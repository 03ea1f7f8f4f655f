#include <cstdint>

#include "parallel/for_each_pixel.h"
#include "fill/blend_marked.h"
#include "fill/fill_steps.h"

namespace qveil {

namespace {

// Truncation toward zero into 0..255; NaN stores 0. A plain cast of NaN or
// of a value beyond the integer range would be undefined.
inline std::uint32_t TruncateToByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<std::uint32_t>(value);
}

// Everything of the soft blend that depends on the pixel's alpha alone,
// worked out once per call for each of the 256 alpha values.
struct SoftWeights {
  double total[kAlphaValues];              // P = a + H
  double fillTimesH[3][kAlphaValues];      // red, green, blue, each times H
  std::uint32_t alpha[kAlphaValues];       // the new alpha byte, trunc(P)
  std::uint32_t applies[kAlphaValues];     // all ones where H > 0; 0 where
                                           // the pixel keeps its value
};

// The result must not depend on how the compiler is asked to contract
// floating-point operations: fused into one multiply-add, c + x * y rounds
// once instead of twice, and a quotient just below a whole number can then
// truncate differently. So the per-pixel step multiplies nothing in
// floating point (fill * H is looked up, c * a is an integer product): it
// has nothing to fuse. The products in the 256 weights are each stored
// through a volatile before anything is added to them, which no compiler
// can fuse across, whatever -ffp-contract or #pragma it is given.
double Rounded(double product) {
  volatile double stored = product;
  return stored;
}

void WorkOutWeights(std::int32_t threshold, double strength, const double fill[3],
                    SoftWeights* weights) {
  const double t = threshold;
  for (std::int32_t a = 0; a < kAlphaValues; ++a) {
    const double ad = a;
    // In this order, each step rounded: 255 - a; 255 - t; that times a;
    // that over t; the first minus the last; that times the strength.
    const double opacity = Rounded((255.0 - ad - (255.0 - t) * ad / t) * strength);
    const double total = ad + opacity;
    weights->total[a] = total;
    for (int channel = 0; channel < 3; ++channel) {
      weights->fillTimesH[channel][a] = Rounded(fill[channel] * opacity);
    }
    weights->alpha[a] = TruncateToByte(total);
    weights->applies[a] = opacity > 0.0 ? ~0u : 0u;
  }
}

// One colour byte of a marked pixel: trunc((c * a + fill * H) / P), with
// c * a an integer product and fill * H and P from the weights. Both the
// per-pixel blend and the table below go through here, so they agree to
// the bit.
inline std::uint32_t MixChannel(const SoftWeights& weights, int channel,
                                std::uint32_t c, std::uint32_t a) {
  const double weighted = static_cast<double>(static_cast<std::int32_t>(c * a));
  return TruncateToByte((weighted + weights.fillTimesH[channel][a]) / weights.total[a]);
}

// A marked pixel whose H is not above 0 keeps its value.
struct BlendSoftPixel {
  static constexpr bool kVectorises = false;

  const SoftWeights* weights;

  bool ChangesTransparent() const { return weights->applies[0] != 0; }

  Pixel operator()(Pixel p) const {
    const std::uint32_t a = AlphaOf(p);
    if (!weights->applies[a]) return p;
    return MakePixel(weights->alpha[a], MixChannel(*weights, 0, ChannelOf(p, kRedShift), a),
                     MixChannel(*weights, 1, ChannelOf(p, kGreenShift), a),
                     MixChannel(*weights, 2, ChannelOf(p, kBlueShift), a));
  }
};

// On a large image three divisions per pixel cost several times what the
// rest of the call does. A colour byte depends only on the pair (a, c), so
// the 65536 pairs are worked out once, red, green and blue packed as
// 0x00RRGGBB in entry a * 256 + c of a table in the scratch array, and each
// pixel looks its three bytes up.
constexpr std::int32_t kTableEntries = kAlphaValues * 256;
// From here the table's 65536 entries cost at most a quarter of the
// divisions they save.
constexpr std::int32_t kTableMinPixels = 4 * kTableEntries;

void BuildMixTable(const SoftWeights& weights, std::int32_t* table) {
  const SoftWeights* w = &weights;
  ForEachPixel(kTableEntries, [=](std::int32_t i) {
    const std::uint32_t a = static_cast<std::uint32_t>(i) >> 8;
    const std::uint32_t c = static_cast<std::uint32_t>(i) & 0xFFu;
    table[i] = static_cast<std::int32_t>(MakePixel(0, MixChannel(*w, 0, c, a),
                                                   MixChannel(*w, 1, c, a),
                                                   MixChannel(*w, 2, c, a)));
  });
}

// A pixel with alpha 0 gives its colour no weight: it becomes the same pixel
// whatever its colour, worked out once. On a blank canvas, the common case,
// that is every pixel.
struct BlendSoftFromTable {
  static constexpr bool kVectorises = false;  // lookups at computed places

  const SoftWeights* weights;
  const std::int32_t* table;
  Pixel transparentBecomes;

  bool ChangesTransparent() const { return weights->applies[0] != 0; }

  Pixel operator()(Pixel p) const {
    const auto a = static_cast<std::int32_t>(AlphaOf(p));
    if (a == 0) return weights->applies[0] ? transparentBecomes : p;
    const auto byteOf = [&](unsigned shift) {
      const std::int32_t c = static_cast<std::int32_t>(ChannelOf(p, shift));
      return ChannelOf(static_cast<std::uint32_t>(table[a << 8 | c]), shift);
    };
    const Pixel blended = MakePixel(weights->alpha[a], byteOf(kRedShift),
                                    byteOf(kGreenShift), byteOf(kBlueShift));
    const std::uint32_t applies = weights->applies[a];
    return (blended & applies) | (p & ~applies);
  }
};

}  // namespace

void BlendSoft(Pixel* pixels, const FillBits& bits, const FillRequest& request,
               std::int32_t width, std::int32_t height, std::int32_t* scratch) {
  const std::int32_t count = CountPixels(width, height);
  const double fill[3] = {static_cast<double>(request.red), static_cast<double>(request.green),
                          static_cast<double>(request.blue)};
  SoftWeights weights;
  WorkOutWeights(request.threshold, request.strength, fill, &weights);
  if (scratch != nullptr && count >= kTableMinPixels) {
    BuildMixTable(weights, scratch);
    const Pixel transparentBecomes =
        static_cast<std::uint32_t>(scratch[0]) | weights.alpha[0] << kAlphaShift;
    BlendMarked(pixels, bits, width, height,
                BlendSoftFromTable{&weights, scratch, transparentBecomes});
  } else {
    BlendMarked(pixels, bits, width, height, BlendSoftPixel{&weights});
  }
}

}  // namespace qveil
