// ForEachPixel for loops that gain from wider vectors: the indices go by
// spans, and each span's loop is compiled twice, once for any processor of
// the target and, on x86, once more for AVX2 (256-bit integer vectors, in
// processors since about 2013, which a build for every x86-64 may not
// assume). The processor picks once per pass. Both copies compute the same
// integers and the same rounded doubles, so the results do not depend on
// the choice; the AVX2 copy enables no fused multiply-add. A build with
// Q_VEIL_KIT_PORTABLE_ONLY (the CMake option of that name) has the portable
// copy alone, as other processors run it, so that it can be tested and
// measured on x86 too.
#ifndef Q_VEIL_KIT_FOR_EACH_SPAN_H
#define Q_VEIL_KIT_FOR_EACH_SPAN_H

#include <cstdint>

#include "parallel/for_each_pixel.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(Q_VEIL_KIT_PORTABLE_ONLY)
#define Q_VEIL_KIT_AVX2_COPY 1
#endif

namespace qveil {

// Which copy of a span's loop is running, for a body that picks overloads
// written with AVX2 instructions; each such overload has a portable twin
// giving the same bytes.
struct PortableCode {};
struct Avx2Code {};

// Indices per span of ForEachSpan: one processor check and one call per
// span.
constexpr std::int32_t kPixelsPerSpan = 4096;

namespace span_detail {

#ifdef Q_VEIL_KIT_AVX2_COPY
// The body inlines here and is vectorised for AVX2: flatten inlines all it
// calls, whose code would otherwise be compiled for the baseline alone
// wherever the compiler kept it out of line.
template <typename SpanBody>
__attribute__((target("avx2"), flatten)) void RunSpanAvx2(const SpanBody& body, std::int32_t first,
                                                 std::int32_t size) {
  body(first, size, Avx2Code{});
}

inline bool HaveAvx2() { return __builtin_cpu_supports("avx2"); }
#else
inline bool HaveAvx2() { return false; }
#endif

}  // namespace span_detail

// Runs body(first, size, code) over spans of `spanSize` indices that
// together cover 0 .. count - 1 once, as one parallel pass (ForEachPixel
// over the spans: each thread gets one contiguous block of them); `code` is
// a PortableCode or an Avx2Code. Nothing for count <= 0.
template <typename SpanBody>
void ForEachSpanOf(std::int32_t count, std::int32_t spanSize, SpanBody body) {
  if (count <= 0) return;
  const std::int32_t spans = count / spanSize + (count % spanSize != 0);
  // Unused where there is no AVX2 copy (arm64, for one).
  [[maybe_unused]] const bool avx2 = span_detail::HaveAvx2();
  ForEachPixel(spans, [=](std::int32_t span) {
    const std::int32_t first = span * spanSize;
    const std::int32_t size = count - first < spanSize ? count - first : spanSize;
#ifdef Q_VEIL_KIT_AVX2_COPY
    if (avx2) {
      span_detail::RunSpanAvx2(body, first, size);
      return;
    }
#endif
    body(first, size, PortableCode{});
  });
}

// The same for a body(first, size) whose loop needs no overload of its own:
// the compiler vectorises it in each copy.
template <typename SpanBody>
void ForEachSpan(std::int32_t count, SpanBody body) {
  ForEachSpanOf(count, kPixelsPerSpan,
                [body](std::int32_t first, std::int32_t size, auto) { body(first, size); });
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_FOR_EACH_SPAN_H
