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
  /// The candidate the scan will compare next, if it knows one: a comparison opens it early and
  /// asks the system for its first block, so that block is on its way while the current pair is
  /// read, and the next comparison takes that open.
  const PathChar* nextPath = nullptr;
  ReadableFile next;                         ///< the early open, of `nextOpenedPath`
  const PathChar* nextOpenedPath = nullptr;  ///< null: none is open
};

/// Compares the bytes of the reference with those of the file at `candidate`, opening the
/// reference first unless an earlier comparison has. When the process may open no more files,
/// the reference is released and the two files are read one open at a time. Opens the file at
/// `nextPath` early, when a descriptor is free; it fails silently there and again, with its
/// result, at its own turn.
CompareResult CompareWithReference(ComparisonReference& reference, const PathChar* candidate);

/// Closes the reference if a comparison opened it, and the next candidate if one was opened early.
/// It may then be compared again, from a new open.
void ReleaseReference(ComparisonReference& reference);

/// One comparison of `first` with `second`, with nothing left open.
CompareResult CompareFiles(const PathChar* first, const PathChar* second);
