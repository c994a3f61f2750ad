// POSIX: the coarse real-time clock Linux stamps files from, and a sleep on the monotonic one.
#include "platform/file_clock.h"

#include <errno.h>
#include <time.h>

#include <algorithm>

#include "platform/file_state_posix.h"

namespace {

// A write time without a fraction of a second comes from a file system that keeps whole seconds
// (ext4 made with 128-byte inodes, ext3, HFS+) or even seconds (FAT).
constexpr std::int64_t kWholeSecondStamp = 2 * kNanosecondsPerSecond;
// The coarsest of the others: exFAT keeps hundredths of a second; UDF microseconds; ext4, XFS,
// Btrfs and tmpfs nanoseconds.
constexpr std::int64_t kFractionStamp = 10 * 1000 * 1000;

#ifdef CLOCK_REALTIME_COARSE
// The kernel stamps a write from this clock, which moves once per timer tick (or, since Linux
// 6.13, from a finer one, never behind it). Reading the same clock makes a write made after a
// reading stamp at least the reading less the file system's granularity; the fine clock runs up
// to a tick ahead and would need the tick added.
constexpr clockid_t kFileClock = CLOCK_REALTIME_COARSE;
#else
constexpr clockid_t kFileClock = CLOCK_REALTIME;
#endif

}  // namespace

std::int64_t FileClockNow() {
  timespec now;
  clock_gettime(kFileClock, &now);
  return Nanoseconds(now);
}

std::int64_t StampGranularity(std::int64_t modified) {
  return modified % kNanosecondsPerSecond == 0 ? kWholeSecondStamp : kFractionStamp;
}

std::int64_t FileClockSecond() { return kNanosecondsPerSecond; }

std::int64_t FileClockTick() {
  timespec tick;
  return clock_getres(kFileClock, &tick) == 0 ? Nanoseconds(tick) : kNanosecondsPerSecond / 100;
}

void SleepFor(std::int64_t duration) {
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  const std::int64_t end = Nanoseconds(until) + std::max<std::int64_t>(duration, 0);
  until.tv_sec = static_cast<time_t>(end / kNanosecondsPerSecond);
  until.tv_nsec = static_cast<long>(end % kNanosecondsPerSecond);
  // An absolute end: a signal that cuts the sleep short only starts it again toward the same end.
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

std::string UnixNanosecondsText(std::int64_t fileTime) { return std::to_string(fileTime); }
