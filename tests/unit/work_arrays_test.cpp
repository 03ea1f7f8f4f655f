#include "fill/work_arrays.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>

namespace qveil {
namespace {

TEST(FillWorkArrays, AreObtainedWritableAndReleased) {
  FillWorkArrays work;
  ASSERT_TRUE(AcquireFillWorkArrays(1000, &work));
  work.xStack[1000] = 1;  // the stacks have one slot more than the pixels
  work.yStack[1000] = 2;
  work.alphaPlane[999] = 3;
  work.fillMask[999] = 4;
  ReleaseFillWorkArrays(&work);
  EXPECT_EQ(work.xStack, nullptr);
  EXPECT_EQ(work.fillMask, nullptr);
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

// With room for about two arrays, the first requests succeed and a later one
// fails: the call must report failure and give back what it did obtain.
TEST(FillWorkArrays, ReleaseWhatWasObtainedWhenALaterRequestFails) {
  if (!kAddressSpaceLimitWorks) GTEST_SKIP() << "address-space limit under ASan";
  const std::int32_t count = 64 << 20;  // 256 MiB an array
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  const long before = VirtualKilobytes();
  ASSERT_GT(before, 0);
  rlimit limited = saved;
  limited.rlim_cur = static_cast<rlim_t>(before + 600 * 1024) * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);

  FillWorkArrays work;
  const bool obtained = AcquireFillWorkArrays(count, &work);
  const long after = VirtualKilobytes();
  ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);

  EXPECT_FALSE(obtained);
  EXPECT_EQ(work.xStack, nullptr);
  EXPECT_EQ(work.yStack, nullptr);
  EXPECT_LT(after - before, 1024) << "address space still held after the failure";
}

}  // namespace
}  // namespace qveil
