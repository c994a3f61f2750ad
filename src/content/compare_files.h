// The byte-for-byte comparison that is the final word on duplicates.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/path_text.h"
#include "platform/readable_file.h"
#include "platform/text_output.h"

/// The first file of a series of comparisons with other files. The first comparison opens it; it
/// then stays open until ReleaseReference, with the bytes read so far of its first 1 MiB, so the
/// comparisons after the first neither open it nor read those bytes again.
struct ComparisonReference {
  const PathChar* path = nullptr;
  ReadableFile file;
  bool opened = false;
  /// Which use of the one buffer that keeps a reference's bytes is this reference's, 0 for none:
  /// the bytes are only good while no other reference has used the buffer since.
  std::uint64_t keptFill = 0;
  std::size_t keptLength = 0;  ///< bytes kept from the start; fewer than asked: the file's end
};

/// Compares the reference's bytes, as stored, with those of the file at `candidate`, opening
/// the reference first unless an earlier comparison has. Returns 1 when both opened and hold the
/// same bytes, 0 when both opened and differ (or either could not be read to its end), -1 when
/// only the reference failed to open, -2 when only the candidate did, -3 when neither opened.
/// Prints "\t***ERROR: Failed to open file: <path>" on `console` for each file that failed,
/// reference before candidate.
int CompareWithReference(ComparisonReference& reference, const PathChar* candidate,
                         TextOutput& console);

/// Closes the reference if a comparison opened it. It may then be compared again, from a new open.
void ReleaseReference(ComparisonReference& reference);

/// One comparison of `first` with `second`: the same results and lines as CompareWithReference,
/// and nothing stays open.
int CompareFiles(const PathChar* first, const PathChar* second, TextOutput& console);
