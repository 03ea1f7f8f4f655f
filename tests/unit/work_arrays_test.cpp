#include "fill/work_arrays.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>

namespace qveil {
namespace {

TEST(FillWorkArrays, AreObtainedWritableAndReleased) {
  FillWorkArrays work;
  ASSERT_TRUE(AcquireFillWorkArrays(100, 10, &work));
  work.xStack[1000] = 1;  // the stacks have one slot more than the pixels
  work.yStack[1000] = 2;
  work.bits.open[19] = 3;  // two words a row
  work.bits.marked[19] = 4;
  ReleaseFillWorkArrays(&work);
  EXPECT_EQ(work.xStack, nullptr);
  EXPECT_EQ(work.bits.marked, nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSpaceLimitWorks = false;  // the shadow memory is huge
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif

long VirtualKilobytes() {
  long kb = -1;
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return kb;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmSize: %ld kB", &kb) == 1) break;
  }
  std::fclose(status);
  return kb;
}

// With room for one stack and a half, the first stack and the bits are
// obtained and the second stack is not: the call must report failure and
// give back what it did obtain.
TEST(FillWorkArrays, ReleaseWhatWasObtainedWhenALaterRequestFails) {
  if (!kAddressSpaceLimitWorks) GTEST_SKIP() << "address-space limit under ASan";
  const std::int32_t side = 8 << 10;  // 256 MiB a stack
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  const long before = VirtualKilobytes();
  ASSERT_GT(before, 0);
  rlimit limited = saved;
  limited.rlim_cur = static_cast<rlim_t>(before + 400 * 1024) * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);

  FillWorkArrays work;
  const bool obtained = AcquireFillWorkArrays(side, side, &work);
  const long after = VirtualKilobytes();
  ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);

  EXPECT_FALSE(obtained);
  EXPECT_EQ(work.xStack, nullptr);
  EXPECT_EQ(work.yStack, nullptr);
  EXPECT_LT(after - before, 1024) << "address space still held after the failure";
}

}  // namespace
}  // namespace qveil
