// ForEachPixel for loops that gain from wider vectors: the indices go by
// spans, and each span's loop is compiled twice, once for any processor of
// the target and, on x86, once more for AVX2 (256-bit integer vectors, in
// processors since about 2013, which a build for every x86-64 may not
// assume). The processor picks once per pass. Both copies compute the same
// integers and the same rounded doubles, so the results do not depend on
// the choice; the AVX2 copy enables no fused multiply-add.
#ifndef Q_VEIL_KIT_FOR_EACH_SPAN_H
#define Q_VEIL_KIT_FOR_EACH_SPAN_H

#include <cstdint>

#include "parallel/for_each_pixel.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define Q_VEIL_KIT_AVX2_COPY 1
#endif

namespace qveil {

namespace span_detail {

// Indices per span: one processor check and one call per span.
constexpr std::int32_t kSpan = 4096;

template <typename SpanBody>
inline void RunSpan(const SpanBody& body, std::int32_t first, std::int32_t size) {
  body(first, size);
}

#ifdef Q_VEIL_KIT_AVX2_COPY
// The body inlines here and is vectorised for AVX2.
template <typename SpanBody>
__attribute__((target("avx2"))) void RunSpanAvx2(const SpanBody& body,
                                                 std::int32_t first,
                                                 std::int32_t size) {
  body(first, size);
}

inline bool HaveAvx2() { return __builtin_cpu_supports("avx2"); }
#else
inline bool HaveAvx2() { return false; }
#endif

}  // namespace span_detail

// Runs body(first, size) over spans that together cover 0 .. count - 1 once,
// as one parallel pass (ForEachPixel over the spans: each thread gets one
// contiguous block of them); nothing for count <= 0.
template <typename SpanBody>
void ForEachSpan(std::int32_t count, SpanBody body) {
  using span_detail::kSpan;
  if (count <= 0) return;
  const std::int32_t spans = count / kSpan + (count % kSpan != 0);
  // Unused where there is no AVX2 copy (arm64, for one).
  [[maybe_unused]] const bool avx2 = span_detail::HaveAvx2();
  ForEachPixel(spans, [=](std::int32_t span) {
    const std::int32_t first = span * kSpan;
    const std::int32_t size = count - first < kSpan ? count - first : kSpan;
#ifdef Q_VEIL_KIT_AVX2_COPY
    if (avx2) {
      span_detail::RunSpanAvx2(body, first, size);
      return;
    }
#endif
    span_detail::RunSpan(body, first, size);
  });
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_FOR_EACH_SPAN_H
