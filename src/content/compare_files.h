// The byte-for-byte comparison that is the final word on duplicates.
#pragma once

#include "platform/path_text.h"
#include "platform/readable_file.h"

/// What a comparison found; the values are the ones the console's history knows.
enum class CompareResult {
  kBothFailed = -3,    ///< neither file opened
  kSecondFailed = -2,  ///< only the second file (the candidate) failed to open
  kFirstFailed = -1,   ///< only the first file (the reference) failed to open
  kDifferent = 0,      ///< both opened; their bytes differ, or could not be read to the end
  kSame = 1,           ///< both opened and hold the same bytes
};

/// The first file of a series of comparisons with other files. The first comparison opens it; it
/// then stays open until ReleaseReference, so the comparisons after the first need not open it
/// again. Every comparison reads its bytes afresh: bytes kept from an earlier comparison would be
/// stale if the file were rewritten in between.
struct ComparisonReference {
  const PathChar* path = nullptr;
  ReadableFile file;
  bool opened = false;
};

/// Compares the bytes of the reference with those of the file at `candidate`, opening the
/// reference first unless an earlier comparison has. When the process may open no more files,
/// the reference is released and the two files are read one open at a time.
CompareResult CompareWithReference(ComparisonReference& reference, const PathChar* candidate);

/// Closes the reference if a comparison opened it. It may then be compared again, from a new open.
void ReleaseReference(ComparisonReference& reference);

/// One comparison of `first` with `second`, with nothing left open.
CompareResult CompareFiles(const PathChar* first, const PathChar* second);
