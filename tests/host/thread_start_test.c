/* thread_start_test: a host whose calls meet an address-space limit. Each
 * child of a process that has never run a pass sets a limit a little above
 * the memory it already uses, at steps across the window where the work
 * memory fits but the threads of a first team may not, and makes its first
 * calls. Each call must fill correctly or return nothing with every byte
 * unchanged, and the child must go on: an OpenMP runtime that fails to
 * start a thread ends the process.
 *   LUA_CPATH='BUILD/?.so' OMP_NUM_THREADS=2 thread_start_test
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "module_calls.h"

enum { kSide = 512, kPixels = kSide * kSide };
/* Above the work memory (8 bytes a pixel) and two default thread stacks. */
static const size_t kStep = 256u << 10, kSweep = 24u << 20;

/* Transparent but for a frame, with colour for the average to use. */
static void Draw(uint32_t *pixels) {
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int edge = x < 8 || y < 8 || x >= kSide - 8 || y >= kSide - 8;
      pixels[y * kSide + x] = (edge ? 255u : (uint32_t)(x ^ y) % 60u) << 24 | (uint32_t)x << 8 | 9u;
    }
  }
}

static uint64_t Hash(const uint32_t *pixels) {
  uint64_t h = 14695981039346656037ull;
  for (int i = 0; i < kPixels; ++i) h = (h ^ pixels[i]) * 1099511628211ull;
  return h;
}

static const double kFill[] = {200, 100, 50, 0, 0, 128, 0, 1};
static const double kAverage[] = {4};

/* What a child saw: the results of the fill and the average, and the
 * buffer's hash after each. */
struct Outcome {
  int filled, averaged;
  uint64_t after_fill, after_average;
};

static long VirtualBytes(void) {
  FILE *status = fopen("/proc/self/status", "r");
  char line[256];
  long kib = -1;
  while (status != NULL && fgets(line, sizeof line, status) != NULL) {
    if (sscanf(line, "VmSize: %ld kB", &kib) == 1) break;
  }
  if (status != NULL) fclose(status);
  return kib * 1024;
}

static void Child(lua_State *L, uint32_t *pixels, size_t headroom, int into) {
  struct Outcome seen;
  /* Lua's own stack and call records grow now, not under the limit. */
  lua_checkstack(L, 40);
  Call(L, "AlphaDataSet", 0, kAverage, 1);
  const long used = VirtualBytes();
  const struct rlimit limit = {(rlim_t)used + headroom, (rlim_t)used + headroom};
  if (used < 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
  seen.filled = Call(L, "AlphaFillColor", kSide, kFill, 8);
  seen.after_fill = Hash(pixels);
  seen.averaged = Call(L, "AlphaDataSet", kSide, kAverage, 1);
  seen.after_average = Hash(pixels);
  _exit(write(into, &seen, sizeof seen) == (ssize_t)sizeof seen ? 0 : 3);
}

int main(void) {
  uint32_t *pixels = NULL;
  lua_State *L = LoadModule(kPixels, &pixels);
  if (L == NULL) return 1;
  Draw(pixels);

  struct Outcome seen[kSweep / kStep];
  int count = 0;
  for (size_t headroom = 0; headroom < kSweep; headroom += kStep, ++count) {
    int channel[2];
    if (pipe(channel) != 0) return 1;
    fflush(NULL);
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) Child(L, pixels, headroom, channel[1]);
    close(channel[1]);
    const ssize_t got = read(channel[0], &seen[count], sizeof seen[count]);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != (ssize_t)sizeof seen[count] || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      fprintf(stderr, "thread_start_test: the process ended (status %d) at %zu KiB of headroom\n",
              status, headroom >> 10);
      return 1;
    }
  }

  /* What each outcome must give, from this process (forking no more). */
  const uint64_t drawn = Hash(pixels);
  Call(L, "AlphaDataSet", kSide, kAverage, 1);
  const uint64_t averaged = Hash(pixels);
  Draw(pixels);
  if (Call(L, "AlphaFillColor", kSide, kFill, 8) != 1) return 1;
  const uint64_t filled = Hash(pixels);
  Call(L, "AlphaDataSet", kSide, kAverage, 1);
  const uint64_t filled_averaged = Hash(pixels);

  int refused = 0;
  for (int i = 0; i < count; ++i) {
    const struct Outcome *s = &seen[i];
    const int fill_ok = s->filled == 1 ? s->after_fill == filled && s->after_average == filled_averaged
                                       : s->filled == 0 && s->after_fill == drawn && s->after_average == averaged;
    if (!fill_ok || s->averaged != 1) {
      fprintf(stderr, "thread_start_test: wrong bytes or results at %zu KiB of headroom\n",
              (size_t)i * (kStep >> 10));
      return 1;
    }
    refused += s->filled == 0;
  }
  /* Both ends of the window were reached, or the sweep proved nothing. */
  if (refused == 0 || refused == count) {
    fprintf(stderr, "thread_start_test: %d of %d limits refused the work memory\n", refused, count);
    return 1;
  }
  printf("thread_start_test: %d limits: %d refused the work memory, %d filled; none ended the process\n",
         count, refused, count - refused);
  lua_close(L);
  return 0;
}
