// The wait before two files are read for a comparison whose result is trusted: a write made to
// either while they are read must move its write time, or the look at the times after the read
// cannot see it. On a file system of whole seconds a write in the second of the file's last write
// moves nothing, and a file toggled with pwrite while compared passed for a copy of a file it
// never equalled in 11 of 60 runs. So a pair written within the file system's granularity waits
// for the clock to pass it (as a version control index treats its "racily clean" entries). That
// wait is bounded: once per run for every such pair, never longer than the granularity and a tick,
// on a clock that only moves forward. Files that kept being written cost 3 s each before (20 on a
// file system of whole seconds: 60 s), and a wall clock set back an hour slept an hour.
//
// Both programs call it: dupscan before each comparison's read, dupscan-tidy before it acts on a
// pair it has just compared.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/readable_file.h"

/// Where the wait reads the time and how it sleeps: FileClockNow and SleepFor unless a test gives
/// others, in the units of FileState's times.
struct WaitClock {
  std::function<std::int64_t()> now;
  std::function<void(std::int64_t duration)> sleepFor;
};

/// The system's clock and sleep.
WaitClock SystemWaitClock();

/// One run's wait: one for all the pairs a run reads, as the bound is for the run.
struct FreshWriteWait {
  WaitClock clock = SystemWaitClock();
  bool spent = false;  ///< the run has waited once; it never waits again
};

/// Call with the states of two files as just opened, before reading them. True when a write to
/// either made from now on moves its write time, at once or after the run's one wait; false when
/// one of them is still too fresh for that after the run has waited (written again meanwhile, or
/// the clock set back): its bytes can be read as they are, but a write while they are read might
/// not show. A file whose write time is ahead of the clock by more than the granularity (set by
/// hand, another machine's clock, a clock set back since) never waits: a write made now moves its
/// time back. Never sleeps longer in all, per `wait`, than the coarser granularity of the two and
/// a tick of the clock.
bool WaitUntilWritesShow(FreshWriteWait& wait, const FileState& first, const FileState& second);
