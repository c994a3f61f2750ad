#include "content/fresh_write_wait.h"

#include <algorithm>

#include "platform/file_clock.h"

namespace {

// The clock time from which a write to a file in `state` is sure to move its write time: its
// write time plus the file system's granularity, as a write's stamp lies at most that far below
// the clock; 0 for a time ahead of the clock, which a write made now moves back.
std::int64_t WritesShowFrom(const FileState& state, std::int64_t now) {
  const std::int64_t granularity = StampGranularity(state.modified);
  return state.modified > now + granularity ? 0 : state.modified + granularity;
}

}  // namespace

WaitClock SystemWaitClock() { return WaitClock{FileClockNow, SleepFor}; }

bool WaitUntilWritesShow(FreshWriteWait& wait, const FileState& first, const FileState& second) {
  const std::int64_t now = wait.clock.now();
  const std::int64_t until = std::max(WritesShowFrom(first, now), WritesShowFrom(second, now));
  if (until <= now) {
    return true;
  }
  if (wait.spent) {
    return false;
  }
  wait.spent = true;
  // The clock moves once per tick, so it may read a tick late once the time has come.
  const std::int64_t tick = FileClockTick();
  const std::int64_t longest =
      std::max(StampGranularity(first.modified), StampGranularity(second.modified)) + tick;
  wait.clock.sleepFor(std::min(until - now + tick, longest));
  return wait.clock.now() >= until;
}
