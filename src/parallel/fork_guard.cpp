#include "parallel/fork_guard.h"

#include <pthread.h>

#include <atomic>

namespace qveil {

namespace {

// The module's only process-wide state, constant-initialised so that
// loading the library still runs no code. `inForkedChild` is set only by
// the child's fork handler.
std::atomic<bool> inForkedChild{false};

#ifdef Q_VEIL_KIT_STAYS_MAPPED
// A one-time registration a fork cannot catch half-done: no lock (a
// function-local static's guard, once copied mid-way into a child, kept
// that child waiting forever). One thread claims the registration; until
// it is complete, every pass runs on its calling thread, so no team exists
// that a fork could copy unmarked. A child forked between the claim and
// the end stays on its calling thread for good: slower, never stuck.
std::atomic<bool> registrationClaimed{false};
std::atomic<bool> handlerRegistered{false};

void MarkForkedChild() { inForkedChild.store(true, std::memory_order_relaxed); }

bool HandlerRegistered() {
  if (handlerRegistered.load(std::memory_order_acquire)) return true;
  if (registrationClaimed.exchange(true, std::memory_order_acq_rel)) return false;
  // pthread_atfork and fork() take the same lock inside the C library, so a
  // fork sees the handler either not yet registered or registered.
  if (pthread_atfork(nullptr, nullptr, MarkForkedChild) != 0) return false;
  handlerRegistered.store(true, std::memory_order_release);
  return true;
}
#endif

}  // namespace

bool ThreadTeamAllowed() {
#ifdef Q_VEIL_KIT_STAYS_MAPPED
  // The handler must stay callable for the life of the process: the library
  // is never unmapped (linked with -z nodelete; on macOS the entry pins it),
  // which is what this macro says.
  if (!HandlerRegistered()) return false;
#endif
  return !inForkedChild.load(std::memory_order_relaxed);
}

}  // namespace qveil
