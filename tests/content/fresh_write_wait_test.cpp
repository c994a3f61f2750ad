// The wait for fresh write times, on a clock of the test's own: it waits at most once per run,
// never longer than the granularity and a tick, and a clock set back never makes it sleep.
#include "content/fresh_write_wait.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/file_clock.h"

namespace {

const std::int64_t kSecond = FileClockSecond();
// A write time of whole seconds, as a file system of whole seconds stamps it.
const std::int64_t kWholeSecond = std::int64_t{1700000000} * kSecond;
const std::int64_t kHour = 3600 * kSecond;

// A clock that moves when slept on, or when the test moves it; and the sleeps asked of it.
struct TestClock {
  std::int64_t now = kWholeSecond;
  std::int64_t movedBySleep = 0;  ///< what a sleep adds to the clock beyond its length
  std::vector<std::int64_t> sleeps;

  FreshWriteWait Wait() {
    FreshWriteWait wait;
    wait.clock.now = [this]() { return now; };
    wait.clock.sleepFor = [this](std::int64_t duration) {
      sleeps.push_back(duration);
      now += duration + movedBySleep;
    };
    return wait;
  }
  std::int64_t Slept() const {
    return std::accumulate(sleeps.begin(), sleeps.end(), std::int64_t{0});
  }
};

FileState WrittenAt(std::int64_t modified) {
  FileState state;
  state.modified = modified;
  return state;
}

// The most a run may sleep where either file has a time of whole seconds: two seconds (FAT's
// even seconds) and a tick.
std::int64_t WholeSecondBound() { return StampGranularity(kWholeSecond) + FileClockTick(); }

TEST(FreshWriteWait, FilesWrittenLongerAgoThanTheGranularityWaitForNothing) {
  TestClock clock;
  clock.now = kWholeSecond + 3 * kSecond;
  FreshWriteWait wait = clock.Wait();
  EXPECT_TRUE(WaitUntilWritesShow(wait, WrittenAt(kWholeSecond), WrittenAt(kWholeSecond + 1)));
  EXPECT_TRUE(clock.sleeps.empty());
}

// Twenty pairs, each written again in the second before its comparison (files kept being
// written): one wait, for the first, within the bound; the others are read as they are.
TEST(FreshWriteWait, FilesKeptBeingWrittenOnWholeSecondsWaitOnceForTheRun) {
  ASSERT_LE(StampGranularity(kWholeSecond), 2 * kSecond);
  TestClock clock;
  clock.now = kWholeSecond + kSecond / 2;
  FreshWriteWait wait = clock.Wait();
  for (int pair = 0; pair < 20; ++pair) {
    const std::int64_t written = clock.now - clock.now % kSecond;
    const bool trusted = WaitUntilWritesShow(wait, WrittenAt(written), WrittenAt(written));
    EXPECT_EQ(trusted, pair == 0) << pair;
    clock.now += kSecond / 10;  // the comparison's own time
  }
  ASSERT_EQ(clock.sleeps.size(), 1u);
  EXPECT_LE(clock.Slept(), WholeSecondBound());
}

TEST(FreshWriteWait, AClockSetBackNeverMakesItSleep) {
  // Set back an hour before the comparison: the files' times are ahead of the clock.
  TestClock before;
  before.now = kWholeSecond - kHour;
  FreshWriteWait wait = before.Wait();
  EXPECT_TRUE(WaitUntilWritesShow(wait, WrittenAt(kWholeSecond), WrittenAt(kWholeSecond)));
  EXPECT_TRUE(before.sleeps.empty());

  // Set back an hour during the wait: the sleep is as long as it was asked, and none follows.
  TestClock during;
  during.movedBySleep = -kHour;
  wait = during.Wait();
  EXPECT_FALSE(WaitUntilWritesShow(wait, WrittenAt(kWholeSecond), WrittenAt(kWholeSecond)));
  const std::int64_t again = during.now - during.now % kSecond;  // fresh by the clock set back
  EXPECT_FALSE(WaitUntilWritesShow(wait, WrittenAt(again), WrittenAt(again)));
  ASSERT_EQ(during.sleeps.size(), 1u);
  EXPECT_LE(during.Slept(), WholeSecondBound());
}

}  // namespace
