// The whole run: roots, walk, pruning, fingerprints, report, grouping and summary.
#pragma once

#include <cstdint>

#include "platform/path_text.h"
#include "platform/text_output.h"

/// What a test may change in a run; the program always runs with the defaults.
struct SearchSettings {
  /// No content digest is taken or used, and every pair of equal fingerprints is compared byte
  /// for byte: the plain scan whose results the digests must give.
  bool plainGrouping = false;
};

/// Searches the roots in `arguments[1..count-1]`, or the four default folders of the user's
/// profile when there are none, and writes duplicates.txt in the working directory. Returns 0
/// when the report is whole, 1 (with one line on standard error) when it cannot be written.
std::int32_t RunSearch(std::int32_t count, PathChar** arguments, TextOutput& console,
                       const SearchSettings& settings = SearchSettings());
