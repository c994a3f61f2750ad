// The process environment as the search reads it.
#pragma once

#include "platform/path_text.h"

/// Replaces every %NAME% whose NAME is set with its value. An unset name and an unpaired % stay
/// as written. The result is cut to kPathCapacity - 1 characters.
PathString ExpandEnvironment(const PathString& text);
