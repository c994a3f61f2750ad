// --exclude patterns: '*' any run of characters (separators included), '?' any one; letters
// match as the system matches names, in any case on Windows.
#pragma once

#include <cstddef>

#include "platform/path_text.h"

/// True when the whole of `text` (of `length` characters) matches `pattern`.
bool GlobMatches(const PathString& pattern, const PathChar* text, std::size_t length);
