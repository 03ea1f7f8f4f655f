// Whether the passes may start a thread team in this process.
//
// GNU libgomp keeps its thread pool across fork() without its threads: a
// child forked after the parent ran a parallel pass waits forever at the
// first barrier of its own first pass. LLVM's libomp re-initialises itself
// in the child; libgomp does not, so the module does it for every runtime:
// a child forked after the module's first pass runs every pass on the
// calling thread. The parent keeps its full team.
#ifndef Q_VEIL_KIT_FORK_GUARD_H
#define Q_VEIL_KIT_FORK_GUARD_H

namespace qveil {

// False in a process forked (directly or not) after the module first ran a
// pass here. The first pass registers a fork handler, once per process and
// without a lock, so a fork may land at any moment of any call on another
// thread; after that the check is two atomic loads.
bool ThreadTeamAllowed();

}  // namespace qveil

#endif  // Q_VEIL_KIT_FORK_GUARD_H
