// The clock the file system stamps write times from, and how finely it stamps them: what tells
// whether a write could have left a file's write time as it was.
#pragma once

#include <cstdint>
#include <string>

/// Now, as the system would stamp a file written now, in the units and from the epoch of
/// FileState's times. Cheap enough to read for every comparison. A wall clock: it moves back when
/// the system's time is set back.
std::int64_t FileClockNow();

/// One second in the units of FileClockNow.
std::int64_t FileClockSecond();

/// How far FileClockNow may lag the time it stands for: it moves once per timer tick.
std::int64_t FileClockTick();

/// How far below the clock a write's stamp may lie on the file system of a file whose write time
/// reads `modified`: two writes that far apart may leave one stamp.
std::int64_t StampGranularity(std::int64_t modified);

/// Sleeps for `duration` (in the units of FileClockNow) on a clock that only moves forward, so
/// that setting the system's time never lengthens it; a signal does not cut it short.
void SleepFor(std::int64_t duration);

/// A time in FileState's units as nanoseconds since 1970-01-01 00:00 UTC, in decimal digits ("-"
/// first before 1970): text, so that no time a file system can hold overflows on the way.
std::string UnixNanosecondsText(std::int64_t fileTime);
