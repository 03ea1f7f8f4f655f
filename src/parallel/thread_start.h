// Whether the OpenMP runtime can start the worker threads a pass's team
// needs.
//
// GNU libgomp and LLVM's libomp end the whole process when they fail to
// start a worker thread (no memory left for its stack, a thread limit).
// They start threads at a process's first parallel region, and whenever a
// region asks for more threads than the calling thread's team has. So
// before such a region the module starts that many threads itself, with
// the stack size the runtime gives its own, and lets them end at once: if
// that fails, the pass runs on the calling thread instead, with the same
// bytes. Threads that end leave their stacks in the C library's cache,
// where the runtime's threads find them.
//
// Out of reach: memory or threads that another thread of the process takes
// between the check and the runtime's start, and a host whose own OpenMP
// regions shrink the team (the runtime ends the surplus threads; the next
// start of them is not checked again).
#ifndef Q_VEIL_KIT_THREAD_START_H
#define Q_VEIL_KIT_THREAD_START_H

namespace qveil {

// True when the calling thread's team already has the threads a parallel
// region would ask for (then it costs a thread-local load), or when they
// could be started just now.
bool TeamThreadsStartable();

// Lets the OpenMP runtime set itself up now rather than in the first pass:
// LLVM's libomp does so on first use, and aborts the process when the
// memory for it cannot be had. Called when the module is required, where a
// host has not yet met the limits its calls may meet.
void SetUpThreadRuntime();

}  // namespace qveil

#endif  // Q_VEIL_KIT_THREAD_START_H
