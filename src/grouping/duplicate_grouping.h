// Splitting one size class into groups of identical files.
#pragma once

#include <cstdint>
#include <functional>

#include "catalogue/file_record.h"
#include "catalogue/size_catalogue.h"
#include "catalogue/walk_places.h"
#include "content/compare_files.h"
#include "grouping/digest_parts.h"
#include "grouping/working_list.h"
#include "platform/text_output.h"

/// The totals of the grouping stage, carried from one size class to the next.
struct GroupingTotals {
  std::int32_t DuplicateCount = 0;    ///< paths written in groups
  std::int32_t DiscardedCount = 0;    ///< references without an equal, and each class's left-over
  std::int32_t ReportedHundreds = 0;  ///< the hundreds of DuplicateCount the last line showed
  std::int64_t WastedBytes = 0;       ///< (n - 1) x size for every group of n paths
};

/// Same contract as CompareWithReference; tests put a fake in its place, which keeps its state in
/// what it captures.
using CompareFunction =
    std::function<CompareResult(ComparisonReference& reference, const PathChar* candidate,
                                const PathChar* next, FileState* candidateState)>;

struct GroupingRun {
  TextOutput* reportStream = nullptr;  ///< the report's text, written group by group
  TextOutput* console = nullptr;
  std::int32_t fileCount = 0;  ///< FileCount: the denominator of the progress percentage
  CompareFunction compare = nullptr;
  /// Null: every pair with equal fingerprints is compared byte for byte.
  DigestFunction digest = nullptr;
  /// Whether a whole digest taken with the fingerprints still stands for its file. Null: taken
  /// as still standing (tests whose records name no files).
  WholeDigestCheck wholeDigestHolds = nullptr;
  /// Where the records were found, for the paths as printed and for files reached twice. Null:
  /// paths print as stored, and no file was reached twice.
  const WalkPlaces* places = nullptr;
  GroupingTotals totals;
  /// A comparison could open no file even with nothing else open: the stage stopped there.
  bool outOfDescriptors = false;
  WorkingList working;  ///< one class at a time; kept so its storage serves every class
};

/// Takes references from the end of a working copy of the class's records and scans the rest, in
/// order, for files with an equal fingerprint, confirmed by `compare`. Writes every group of two
/// or more, sorted, to the report, and updates the totals and the progress line. A file reached
/// twice never joins a group holding itself. Once two files of one fingerprint have shown
/// different content, `digest` parts the rest of them, and `compare` is called only for pairs
/// whose digests match or could not be computed: every result, console line and report line
/// stays what comparing every pair would give, as long as the files do not change meanwhile.
void GroupSizeClass(const SizeClassView& sizeClass, GroupingRun& run);
