// A reference compared with its candidates one by one, held open between them: what tells a copy
// (the bytes, same_content.h) from a file reached twice, a reference that changed, a candidate that
// failed to open.
#pragma once

#include <memory>

#include "content/fresh_write_wait.h"
#include "content/same_content.h"
#include "platform/path_text.h"
#include "platform/readable_file.h"

/// What a comparison found. 1 to -3 are the results the program always had; 2 and -4 tell what
/// the others would have hidden: a file reached twice, and a reference that changed under its scan.
enum class CompareResult {
  /// No file could be opened, even with no other file of the comparison open: the run can
  /// compare nothing, and no result of it could be trusted.
  kNoDescriptor = -5,
  kFirstChanged = -4,  ///< the reference is no longer the file its earlier comparisons read
  kBothFailed = -3,    ///< neither file opened
  kSecondFailed = -2,  ///< only the second file (the candidate) failed to open
  kFirstFailed = -1,   ///< only the first file (the reference) failed to open
  kDifferent = 0,      ///< both opened; their bytes differ, could not be read to the end, or
                       ///< changed while they were read
  kSame = 1,           ///< both opened and hold the same bytes, unchanged while read
  kOneFile = 2,        ///< both opened, and they are one file (one inode with one name): no copy
};

/// What a comparison keeps of its reference between two calls: the open file, the state its
/// first comparison found, the next candidate opened early. The comparison's own.
struct ReferenceHold;

/// The first file of a series of comparisons with other files. The first comparison opens it; it
/// then stays open until ReleaseReference, so the comparisons after the first need not open it
/// again. Every comparison reads its bytes afresh: bytes kept from an earlier comparison would be
/// stale if the file were rewritten in between.
struct ComparisonReference {
  explicit ComparisonReference(const PathChar* referencePath);
  ~ComparisonReference();  ///< releases it
  ComparisonReference(const ComparisonReference&) = delete;
  ComparisonReference& operator=(const ComparisonReference&) = delete;

  const PathChar* const path;
  const std::unique_ptr<ReferenceHold> hold;
};

/// Compares the bytes of the reference with those of the file at `candidate`, opening the
/// reference first unless an earlier comparison has; a reference held from an earlier comparison
/// must still be that file, unchanged. When the process may open no more files, the reference is
/// released and the two files are read one open at a time. `next`, when given, is the candidate
/// the scan will compare next: it is opened early, when a descriptor is free, and its first block
/// asked for, so the block is on its way while this pair is read; it fails silently there and
/// again, with its result, at its own turn. `candidateState`, when given, receives the
/// candidate's state when it opened: two members of a group must not be one file either.
CompareResult CompareWithReference(ComparisonReference& reference, const PathChar* candidate,
                                   const PathChar* next = nullptr,
                                   FileState* candidateState = nullptr);

/// Closes the reference if a comparison opened it, and the next candidate if one was opened early.
/// The reference may then be compared again, from a new open, which must find it as the first
/// comparison did.
void ReleaseReference(ComparisonReference& reference);

/// Whether two paths opened as `first` and `second` are one directory entry reached twice: one
/// file with a single name (a file bind-mounted in two places, a folder listed under two paths).
/// Such a pair is never a copy of itself. Two names of one file (hard links) are two entries, and
/// copies.
bool IsOneEntryTwice(const FileState& first, const FileState& second);

/// One comparison of `first` with `second`, with nothing left open.
CompareResult CompareFiles(const PathChar* first, const PathChar* second);

/// The run's wait for fresh write times, which every comparison of the process shares: the
/// process is one run. A test puts a new one in its place to start a run afresh.
FreshWriteWait& RunWriteWait();
