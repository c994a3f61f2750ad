// Windows: the system time that file systems stamp writes from, and a sleep that ignores it.
#include "platform/file_clock.h"

#include <windows.h>

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;  // FILETIME counts 100 ns
constexpr std::int64_t kTicksPerMillisecond = 10000;
// A write time without a fraction of a second comes from FAT, which keeps even seconds.
constexpr std::int64_t kWholeSecondStamp = 2 * kTicksPerSecond;
// The others: exFAT keeps hundredths of a second, NTFS 100 ns from the system time, which moves
// once per timer interval (15.6 ms at the longest Windows sets).
constexpr std::int64_t kFractionStamp = 20 * kTicksPerMillisecond;
// 1970-01-01 00:00 UTC in FILETIME's ticks since 1601.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000;

}  // namespace

std::int64_t FileClockNow() {
  // The system time as the last timer interval left it, the time file systems stamp from.
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                   now.dwLowDateTime);
}

std::int64_t StampGranularity(std::int64_t modified) {
  return modified % kTicksPerSecond == 0 ? kWholeSecondStamp : kFractionStamp;
}

std::int64_t FileClockSecond() { return kTicksPerSecond; }

std::int64_t FileClockTick() { return kFractionStamp; }

void SleepFor(std::int64_t duration) {
  // Sleep counts the time elapsed, whatever the system time is set to; one millisecond more, as
  // it may end at the start of the timer interval that reaches the end.
  if (duration > 0) {
    Sleep(static_cast<DWORD>(duration / kTicksPerMillisecond + 1));
  }
}

std::string UnixNanosecondsText(std::int64_t fileTime) {
  // A tick is 100 ns: the ticks since 1970 and two zeros, which no multiplication can overflow.
  const std::int64_t ticks = fileTime - kUnixEpochTicks;
  return ticks == 0 ? std::string("0") : std::to_string(ticks) + "00";
}
