// The clock the file system stamps write times from, and how finely it stamps them: what tells
// whether a write could have left a file's write time as it was.
#pragma once

#include <cstdint>

/// Now, as the system would stamp a file written now, in the units and from the epoch of
/// FileState's times. Cheap enough to read for every comparison.
std::int64_t FileClockNow();

/// How far below the clock a write's stamp may lie on the file system of a file whose write time
/// reads `modified`: two writes that far apart may leave one stamp.
std::int64_t StampGranularity(std::int64_t modified);

/// Returns once FileClockNow() has reached `time`.
void WaitForFileClock(std::int64_t time);
