#include "parallel/for_each_pixel.h"
#include "parallel/for_each_span.h"

#include <gtest/gtest.h>
#include <omp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <set>
#include <vector>

namespace qveil {
namespace {

std::vector<int> VisitCounts(std::int32_t count, std::int32_t size, bool bySpans) {
  std::vector<int> visits(static_cast<std::size_t>(size), 0);
  int* v = visits.data();
  const auto visit = [v](std::int32_t i) {
#pragma omp atomic
    ++v[i];
  };
  if (bySpans) {
    ForEachSpan(count, [visit](std::int32_t first, std::int32_t spanSize) {
      for (std::int32_t i = first; i < first + spanSize; ++i) visit(i);
    });
  } else {
    ForEachPixel(count, visit);
  }
  return visits;
}

// ForEachSpan too: whole spans, a short last one, a single short one.
TEST(ForEachPixel, VisitsEveryIndexExactlyOnce) {
  for (bool bySpans : {false, true}) {
    for (std::int32_t count : {1, 2, 3, 7, 1000, 4096, 8192, 10007, 65537}) {
      const std::vector<int> visits = VisitCounts(count, count, bySpans);
      for (std::int32_t i = 0; i < count; ++i) {
        ASSERT_EQ(visits[static_cast<std::size_t>(i)], 1)
            << "index " << i << " of " << count << (bySpans ? " by spans" : "");
      }
    }
  }
}

TEST(ForEachPixel, RunsNoBodyForEmptyOrNegativeCounts) {
  for (std::int32_t count : {0, -1, -46341, INT32_MIN}) {
    int calls = 0;
    ForEachPixel(count, [&calls](std::int32_t) {
#pragma omp atomic
      ++calls;
    });
    ForEachSpan(count, [&calls](std::int32_t, std::int32_t) {
#pragma omp atomic
      ++calls;
    });
    EXPECT_EQ(calls, 0) << "count " << count;
  }
}

TEST(ForEachPixel, GivesEachThreadOneContiguousAscendingBlock) {
  const std::int32_t count = 10007;
  std::vector<int> owner(count, -1);
  int* o = owner.data();
  ForEachPixel(count, [o](std::int32_t i) { o[i] = omp_get_thread_num(); });
  // Each thread's indices form one run: the owner changes at most
  // (team size - 1) times along the range, and never back to an earlier one.
  std::vector<bool> finished(static_cast<std::size_t>(omp_get_max_threads()), false);
  for (std::int32_t i = 1; i < count; ++i) {
    ASSERT_GE(o[i], 0);
    if (o[i] != o[i - 1]) {
      finished[static_cast<std::size_t>(o[i - 1])] = true;
      ASSERT_FALSE(finished[static_cast<std::size_t>(o[i])]) << "index " << i;
    }
  }
}

// How many threads took part in one pass.
std::size_t ThreadsInPass() {
  std::vector<int> owner(10007, -1);
  int* o = owner.data();
  ForEachPixel(10007, [o](std::int32_t i) { o[i] = omp_get_thread_num(); });
  return std::set<int>(owner.begin(), owner.end()).size();
}

// libgomp's team does not survive fork(): a child must not wait for it.
TEST(ForEachPixel, RunsOnOneThreadInAForkedChildWhileTheParentKeepsItsTeam) {
  const int defaultTeam = omp_get_max_threads();
  omp_set_num_threads(2);
  ASSERT_EQ(ThreadsInPass(), 2u);  // the team has started before the fork
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(10);  // a hung pass ends the child with SIGALRM
    const std::vector<int> visits = VisitCounts(4099, 4099, false);
    const bool once = std::set<int>(visits.begin(), visits.end()) == std::set<int>{1};
    _exit(once && ThreadsInPass() == 1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << (WIFSIGNALED(status) ? "the child's pass hung" : "the child's pass went wrong");
  EXPECT_EQ(ThreadsInPass(), 2u);
  omp_set_num_threads(defaultTeam);
}

}  // namespace
}  // namespace qveil
