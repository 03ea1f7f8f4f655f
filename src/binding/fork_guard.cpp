#include "binding/fork_guard.h"

#include <sys/types.h>
#include <unistd.h>

#include <atomic>

namespace qveil {

namespace {

// The module's only process-wide state: the process that started the first
// thread team, or 0 before any. Constant-initialised, so loading the library
// still runs no code. A fork copies it, which is the point: a process that
// finds another process's id here was forked after a team existed.
std::atomic<pid_t> teamOwner{0};

}  // namespace

bool ThreadTeamAllowed() {
  const pid_t self = getpid();
  pid_t owner = teamOwner.load(std::memory_order_acquire);
  // The record is made before this process's first team starts: a fork
  // that copies any of that team's runtime state copies the record too.
  if (owner == 0 && teamOwner.compare_exchange_strong(owner, self)) return true;
  return owner == self;
}

}  // namespace qveil
