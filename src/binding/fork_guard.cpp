#include "binding/fork_guard.h"

#include <pthread.h>

#include <atomic>

namespace qveil {

namespace {

// The module's only process-wide state. Constant-initialised, so loading
// the library still runs no code; set only by the child's fork handler.
std::atomic<bool> inForkedChild{false};

#ifdef Q_VEIL_KIT_STAYS_MAPPED
void MarkForkedChild() { inForkedChild.store(true, std::memory_order_relaxed); }
#endif

}  // namespace

bool ThreadTeamAllowed() {
#ifdef Q_VEIL_KIT_STAYS_MAPPED
  // Registered on the first pass rather than at load. The handler must stay
  // callable for the life of the process: the library is linked so that it
  // is never unmapped (-z nodelete), which is what this macro says.
  static const bool registered =
      pthread_atfork(nullptr, nullptr, MarkForkedChild) == 0;
  static_cast<void>(registered);
#endif
  return !inForkedChild.load(std::memory_order_relaxed);
}

}  // namespace qveil
