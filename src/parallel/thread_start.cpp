#include "parallel/thread_start.h"

#include <omp.h>
#include <pthread.h>
#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

namespace qveil {

namespace {

// The size of the team whose threads the calling thread's runtime already
// started: each thread that opens a parallel region has a team of its own.
// A thread alone needs no other.
thread_local int teamReadyFor = 1;

void* EndAtOnce(void*) { return nullptr; }

// Room for the runtime's own allocations when it starts a team: its thread
// and team records, and the threads' thread-local blocks. LLVM's libomp
// needs a few hundred KiB for a small team; GNU libgomp less.
constexpr std::size_t kRuntimeRoom = std::size_t{2} << 20;

// A stack size as the runtimes read OMP_STACKSIZE, GOMP_STACKSIZE and
// KMP_STACKSIZE: a number with an optional unit, B, K, M or G (`unit` when
// none); 0 when unset or unreadable. Sizes past size_t saturate.
std::size_t StackSizeSetting(const char* name, std::size_t unit) {
  const char* text = std::getenv(name);
  if (text == nullptr) return 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text) return 0;
  while (*end == ' ' || *end == '\t') ++end;
  switch (*end) {
    case 'b': case 'B': unit = 1; break;
    case 'k': case 'K': unit = std::size_t{1} << 10; break;
    case 'm': case 'M': unit = std::size_t{1} << 20; break;
    case 'g': case 'G': unit = std::size_t{1} << 30; break;
    default: break;
  }
  if (value > SIZE_MAX / unit) return SIZE_MAX;
  return static_cast<std::size_t>(value) * unit;
}

// The stack each test thread gets: the largest the runtime may ask for its
// workers. That is the C library's default unless a setting says more, and
// LLVM's libomp adds up to a few hundred bytes a thread (its stack offset),
// which the margin covers: a stack the runtime finds cached must be at least
// as large as the one it asks for. 0 keeps the library's default where it
// does not tell its size (winpthreads).
std::size_t TestStackSize(std::size_t defaultSize) {
  constexpr std::size_t kKiB = 1024, kMargin = 64 * kKiB;
  std::size_t size = defaultSize;
  for (const std::size_t setting :
       {StackSizeSetting("OMP_STACKSIZE", kKiB), StackSizeSetting("GOMP_STACKSIZE", kKiB),
        StackSizeSetting("KMP_STACKSIZE", 1)}) {
    if (setting > size) size = setting;
  }
  if (size == 0) return 0;
  return size > SIZE_MAX - kMargin ? SIZE_MAX : size + kMargin;
}

// Whether `bytes` of address space are free now: with the test threads'
// stacks still held, this is room for what the runtime allocates for its
// threads and team besides their stacks (LLVM's libomp ends the process
// when that fails too). Where a limit counts committed memory rather than
// address space (Windows), a reservation proves nothing: the threads alone
// are tested.
bool AddressSpaceFree(std::size_t bytes) {
#ifdef _WIN32
  (void)bytes;
  return true;
#else
  void* room = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (room == MAP_FAILED) return false;
  munmap(room, bytes);
  return true;
#endif
}

// Starts `count` threads, each ending at once, and joins them; false when
// one of them could not start, or the runtime would lack room beside them.
// They all exist at one moment, as the runtime's will.
bool StartThreads(int count) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  std::size_t stack = 0;
  pthread_attr_getstacksize(&attributes, &stack);
  stack = TestStackSize(stack);
  bool started = stack == 0 || pthread_attr_setstacksize(&attributes, stack) == 0;
  auto* threads = static_cast<pthread_t*>(std::malloc(sizeof(pthread_t) * count));
  int running = 0;
  if (threads == nullptr) started = false;
  while (started && running < count) {
    started = pthread_create(&threads[running], &attributes, EndAtOnce, nullptr) == 0;
    if (started) ++running;
  }
  started = started && AddressSpaceFree(kRuntimeRoom);
  for (int i = 0; i < running; ++i) pthread_join(threads[i], nullptr);
  std::free(threads);
  pthread_attr_destroy(&attributes);
  return started;
}

}  // namespace

bool TeamThreadsStartable() {
  const int team = omp_get_max_threads();
  if (team <= teamReadyFor) return true;
  if (!StartThreads(team - 1)) return false;
  teamReadyFor = team;
  return true;
}

void SetUpThreadRuntime() { omp_get_max_threads(); }

}  // namespace qveil
