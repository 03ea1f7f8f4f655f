// The one shape of every per-pixel loop: an OpenMP parallel loop with static
// scheduling, so each thread of the runtime's default team works through one
// contiguous block of indices. The body is a template parameter (a lambda
// inlines; a std::function would cost a call per pixel). The loop ends with
// the implicit barrier, so a pass's writes are complete when it returns.
// In a process forked after the module's first pass, and when the runtime
// could not start the team's threads, the same loop runs on the calling
// thread alone (fork_guard.h and thread_start.h say why).
#ifndef Q_VEIL_KIT_FOR_EACH_PIXEL_H
#define Q_VEIL_KIT_FOR_EACH_PIXEL_H

#include <cstdint>

#include "parallel/fork_guard.h"
#include "parallel/thread_start.h"

namespace qveil {

// Runs body(i) once for every i in 0 .. count - 1; nothing for count <= 0.
template <typename Body>
inline void ForEachPixel(std::int32_t count, Body body) {
  if (count <= 0) return;  // no team to start for an empty pass
  if (!ThreadTeamAllowed() || !TeamThreadsStartable()) {
    for (std::int32_t i = 0; i < count; ++i) body(i);
    return;
  }
#pragma omp parallel for schedule(static)
  for (std::int32_t i = 0; i < count; ++i) {
    body(i);
  }
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_FOR_EACH_PIXEL_H
