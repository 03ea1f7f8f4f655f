/* fork_test: a host that uses the module, forks, and uses it again in the
 * child, three times. Every child must finish within a time limit and give
 * the parent's bytes. With GNU libgomp, a child forked after the parent ran
 * a parallel pass used to wait forever in its first pass.
 * Before that, the race: a fork while another thread makes the process's
 * first calls, at moments spread over those calls; every child's own calls
 * must finish in time (a child once inherited a half-done one-time setup).
 *   LUA_CPATH='BUILD/?.so' fork_test
 */
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "module_calls.h"

enum { kSide = 64, kPixels = kSide * kSide, kForks = 3, kLimitSeconds = 10 };
/* AddressSanitizer's allocator (GCC 12's) does not survive a fork while
 * another thread allocates: the child's next allocation waits forever on a
 * lock that thread held. Under it, the race is left out. */
#if defined(__SANITIZE_ADDRESS__)
enum { kRaceTrials = 0 };
#else
enum { kRaceTrials = 150 };
#endif
enum { kRaceStepMicroseconds = 3, kRaceLimitSeconds = 5 };

/* A ring of opaque pixels over a transparent gradient, so that the fill
 * has both open space and boundaries, and the average has colour to use. */
static void Draw(uint32_t *pixels) {
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int dx = x - kSide / 2, dy = y - kSide / 2, d2 = dx * dx + dy * dy;
      const uint32_t alpha = d2 >= 20 * 20 && d2 < 24 * 24 ? 255u : (uint32_t)(x + y) % 40u;
      pixels[y * kSide + x] = alpha << 24 | (uint32_t)(x * 4) << 16 | (uint32_t)(y * 4) << 8 | 77u;
    }
  }
}

/* Draws the buffer, fills inside the ring, then converts to alpha; false
 * unless both calls returned the buffer. */
static int Edit(lua_State *L, uint32_t *pixels) {
  static const double fill[] = {200, 100, 50, 0, 0, 128};
  static const double average[] = {4};
  Draw(pixels);
  return Call(L, "AlphaFillColor", kSide, fill, 6) == 1 &&
         Call(L, "AlphaDataSet", kSide, average, 1) == 1;
}

/* Reads exactly `size` bytes from `fd` unless `deadline_ms` passes first. */
static int ReadAll(int fd, void *into, size_t size, int deadline_ms) {
  size_t got = 0;
  while (got < size) {
    struct pollfd wait_for = {fd, POLLIN, 0};
    if (poll(&wait_for, 1, deadline_ms) <= 0) return 0;
    const ssize_t n = read(fd, (char *)into + got, size - got);
    if (n <= 0) return 0;
    got += (size_t)n;
  }
  return 1;
}

static int Fail(const char *what, int round) {
  fprintf(stderr, "fork_test: round %d: %s\n", round, what);
  return 1;
}

/* The racing thread: the process's first calls, on a state of its own that
 * holds the module's functions (a second require would dlopen again). */
static void *FirstCalls(void *module_state) {
  lua_State *from = module_state, *L = luaL_newstate();
  lua_newtable(L);
  static const char *const names[] = {"AlphaFillColor", "AlphaDataSet"};
  for (int i = 0; i < 2; ++i) {
    lua_getfield(from, 1, names[i]);
    lua_pushcfunction(L, lua_tocfunction(from, -1));
    lua_pop(from, 1);
    lua_setfield(L, 1, names[i]);
  }
  uint32_t *pixels = lua_newuserdata(L, sizeof(uint32_t) * kPixels);
  Edit(L, pixels);
  lua_close(L);
  return NULL;
}

static void Spin(long microseconds) {
  struct timespec start, now;
  clock_gettime(CLOCK_MONOTONIC, &start);
  do {
    clock_gettime(CLOCK_MONOTONIC, &now);
  } while ((now.tv_sec - start.tv_sec) * 1000000L + (now.tv_nsec - start.tv_nsec) / 1000 <
           microseconds);
}

/* One trial, in a process that has not called the module yet: forks
 * `delay` microseconds after another thread starts the first calls. The
 * child's alarm ends it if it hangs. Returns the exit status to give. */
static int RaceTrial(long delay) {
  uint32_t *pixels = NULL;
  lua_State *L = LoadModule(kPixels, &pixels);
  pthread_t thread;
  if (L == NULL || pthread_create(&thread, NULL, FirstCalls, L) != 0) return 2;
  Spin(delay);
  const pid_t child = fork();
  if (child == 0) {
    alarm(kRaceLimitSeconds);
    _exit(Edit(L, pixels) ? 0 : 2);
  }
  pthread_join(thread, NULL);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return 2;
  if (WIFSIGNALED(status)) return 3; /* hung until its alarm */
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 2;
}

static int RunRaceTrials(void) {
  for (int trial = 0; trial < kRaceTrials; ++trial) {
    fflush(NULL);
    const pid_t process = fork();
    if (process < 0) return Fail("fork failed", trial);
    if (process == 0) {
      alarm(2 * kRaceLimitSeconds);
      _exit(RaceTrial((long)trial * kRaceStepMicroseconds));
    }
    int status = 0;
    waitpid(process, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
      return Fail("a child forked during another thread's first call hung", trial);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      return Fail("a race trial's calls did not return the buffer", trial);
    }
  }
  return 0;
}

int main(void) {
  /* First, while this process has never called the module. */
  if (RunRaceTrials() != 0) return 1;
  uint32_t *pixels = NULL;
  lua_State *L = LoadModule(kPixels, &pixels);
  if (L == NULL) return 1;
  static uint32_t expected[kPixels], from_child[kPixels];

  /* The parent's own calls start its thread team before the first fork. */
  if (!Edit(L, pixels)) return Fail("the parent's calls did not return the buffer", 0);
  memcpy(expected, pixels, sizeof expected);

  for (int round = 1; round <= kForks; ++round) {
    int channel[2];
    if (pipe(channel) != 0) return Fail("no pipe", round);
    fflush(NULL);
    const pid_t child = fork();
    if (child < 0) return Fail("fork failed", round);
    if (child == 0) {
      alarm(kLimitSeconds); /* a hung child ends, even if the parent is gone */
      close(channel[0]);
      const int ok = Edit(L, pixels);
      const ssize_t written = write(channel[1], pixels, sizeof(uint32_t) * kPixels);
      _exit(ok && written == (ssize_t)(sizeof(uint32_t) * kPixels) ? 0 : 2);
    }
    close(channel[1]);
    const int arrived = ReadAll(channel[0], from_child, sizeof from_child, kLimitSeconds * 1000);
    close(channel[0]);
    if (!arrived) kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (!arrived) return Fail("the child's calls did not finish in time (hung?)", round);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      return Fail("the child's calls did not return the buffer", round);
    }
    if (memcmp(from_child, expected, sizeof expected) != 0) {
      return Fail("the child's bytes differ from the parent's", round);
    }
    /* The parent goes on with its own team between forks. */
    if (!Edit(L, pixels) || memcmp(pixels, expected, sizeof expected) != 0) {
      return Fail("the parent's bytes changed after a fork", round);
    }
  }
  printf("fork_test: %d race trials finished; %d forked children gave the parent's bytes\n",
         kRaceTrials, kForks);
  lua_close(L);
  return 0;
}
