// The name of a report's temporary file, shared by both platforms' report files.
#pragma once

#include <cstdint>

#include "platform/path_text.h"

/// The letters after the report's name and the dot.
constexpr int kTemporarySuffixLength = 6;

/// `name` + "." + six letters or digits drawn from `seed` (the time, the process, the attempt).
/// Not a secret: the exclusive creation makes the file safe. The suffix only has to differ from
/// run to run, so that a name another user made in advance is unlikely and costs one attempt more.
PathString TemporaryName(const PathChar* name, std::uint64_t seed);
