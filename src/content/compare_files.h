// The byte-for-byte comparison that is the final word on duplicates.
#pragma once

#include "platform/path_text.h"
#include "platform/text_output.h"

/// Compares two files' bytes as stored. Returns 1 when both opened and hold the same bytes, 0 when
/// both opened and differ (or either could not be read to its end), -1 when only the first failed
/// to open, -2 when only the second did, -3 when neither opened. Prints
/// "\t***ERROR: Failed to open file: <path>" on `console` for each file that failed, first
/// before second.
int CompareFiles(const PathChar* first, const PathChar* second, TextOutput& console);
