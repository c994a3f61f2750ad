// The ring never hands a request to a kernel worker, which would be a second thread of dupscan:
// a read of a file that cannot be read without waiting (sysfs knows no such read) is given back
// for the caller to make, and the process keeps its one thread.
#include "platform/request_ring_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::size_t ThreadsOfThisProcess() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}

TEST(RequestRingPosix, AReadThatMustWaitIsGivenBackAndNoWorkerStarts) {
  const char* const path = "/sys/kernel/mm/transparent_hugepage/enabled";
  const int descriptor = open(path, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0 || !OpenRequestRing()) {
    if (descriptor >= 0) {
      close(descriptor);
    }
    GTEST_SKIP() << "no ring, or no " << path << " here";
  }
  char buffer[64];
  AddReadRequest(0, descriptor, buffer, sizeof buffer, 0);
  int result = 0;
  RunRequests(&result, 1);
  close(descriptor);
  CloseRequestRing();

  EXPECT_TRUE(result == -EAGAIN || result == -EOPNOTSUPP || result == kRequestNotRun)
      << "result " << result;
  EXPECT_EQ(ThreadsOfThisProcess(), 1u);
}

}  // namespace
