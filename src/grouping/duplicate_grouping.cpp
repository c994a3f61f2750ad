#include "grouping/duplicate_grouping.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "output_texts.h"
#include "report/report_writer.h"

namespace {

constexpr std::int32_t kProgressStep = 100;
// A reference found changed under its scan is scanned afresh from its first candidate, this many
// times in all at most: a file that never stops changing must not hold up the run.
constexpr int kReferenceScans = 3;
constexpr std::int64_t kPercent = 100;

// One reference and the equals found for it so far.
struct DuplicateGroup {
  std::vector<std::uint32_t> members;
  /// The directory entries of the members, kept only when some folder was listed twice.
  std::unordered_set<EntryKey, EntryKeyHash> entries;
  /// The members (the reference aside) by identity, as their comparisons found them.
  std::unordered_map<FileIdentity, FileState, FileIdentityHash> files;
};

// An equal that is a member already, reached under another name than its only one (a file mounted
// twice): the comparison with the reference could not tell, as the two were different files.
bool IsMemberAgain(DuplicateGroup& group, const FileState& candidate, CompareResult result) {
  if (result != CompareResult::kSame) {
    return false;
  }
  const auto member = group.files.emplace(candidate.identity, candidate);
  return !member.second && IsOneEntryTwice(member.first->second, candidate);
}

PathString Shown(const GroupingRun& run, const FileRecord& record) {
  return run.places != nullptr ? ShownPath(*run.places, record) : PathString(record.path);
}

void AddMember(const GroupingRun& run, DuplicateGroup& group, std::uint32_t record) {
  group.members.push_back(record);
  if (run.places != nullptr && run.places->foldersRepeat) {
    group.entries.insert(EntryOf(*run.places, run.working.records[record]));
  }
}

// The same directory entry reached twice is no copy of itself.
bool IsMemberReachedAgain(const GroupingRun& run, const DuplicateGroup& group,
                          std::uint32_t record) {
  return run.places != nullptr && run.places->foldersRepeat &&
         group.entries.count(EntryOf(*run.places, run.working.records[record])) != 0;
}

void PrintOpenFailure(GroupingRun& run, std::uint32_t record) {
  PrintText(*run.console, kOpenFailedLine, Shown(run, run.working.records[record]).c_str());
}

// What the scan does with a candidate after its comparison with the reference. Returns false when
// the scan stops.
bool ActOnComparison(GroupingRun& run, DuplicateGroup& group, std::uint32_t reference,
                     std::uint32_t candidate, CompareResult result) {
  switch (result) {
    case CompareResult::kSame:
      AddMember(run, group, candidate);
      RemoveRecord(run.working, candidate);
      return true;
    case CompareResult::kDifferent:
      return true;
    case CompareResult::kSecondFailed:
      PrintOpenFailure(run, candidate);
      RemoveRecord(run.working, candidate);  // counted nowhere
      return true;
    case CompareResult::kBothFailed:
      PrintOpenFailure(run, reference);
      PrintOpenFailure(run, candidate);
      RemoveRecord(run.working, candidate);  // counted nowhere
      return false;
    case CompareResult::kFirstFailed:
      PrintOpenFailure(run, reference);
      return false;  // the reference cannot be read: its candidates wait for the next one
    case CompareResult::kOneFile:
      RemoveRecord(run.working, candidate);  // one file reached twice: uncompared, uncounted
      return true;
    case CompareResult::kFirstChanged:
      return false;  // the scan starts again (ScanCandidates)
    case CompareResult::kNoDescriptor:
      run.outOfDescriptors = true;
      return false;
  }
  return false;
}

// The path of the candidate the cursor gives next, or null: the comparison of the one before it
// opens it early, so its first block is read meanwhile.
const PathChar* PeekNextPath(const WorkingList& working, const CandidateCursor& cursor) {
  CandidateCursor peek = cursor;
  const std::uint32_t next = NextCandidate(working, peek);
  return next == kNoRecord ? nullptr : working.records[next].path;
}

// The group of `reference` before any equal is found: the reference alone.
void StartGroup(const GroupingRun& run, DuplicateGroup& group, std::uint32_t reference) {
  group.members.clear();
  group.entries.clear();
  group.files.clear();
  AddMember(run, group, reference);
}

// Compares the reference with its candidates in working-list order, gathering its equals. False
// when the reference changed under the scan.
bool ScanOnce(GroupingRun& run, std::uint32_t reference, DuplicateGroup& group) {
  WorkingList& working = run.working;
  bool changed = false;
  ComparisonReference held(working.records[reference].path);
  CandidateCursor cursor = CandidatesOf(working, reference, 0);
  for (std::uint32_t candidate; (candidate = NextCandidate(working, cursor)) != kNoRecord;) {
    if (IsMemberReachedAgain(run, group, candidate)) {
      RemoveRecord(working, candidate);  // leaves uncompared and uncounted
      continue;
    }
    FileState state;
    CompareResult result =
        run.compare(held, working.records[candidate].path, PeekNextPath(working, cursor), &state);
    if (IsMemberAgain(group, state, result)) {
      result = CompareResult::kOneFile;
    }
    if (!ActOnComparison(run, group, reference, candidate, result)) {
      changed = result == CompareResult::kFirstChanged;
      break;
    }
    if (result == CompareResult::kDifferent && run.digest != nullptr &&
        !IsDigested(working, reference)) {
      // Look-alikes: from here on their digests spare the comparisons that could only differ.
      FinishScan(working, cursor);
      ReleaseReference(held);
      PartByDigest(working, reference, run.digest, run.wholeDigestHolds);
      cursor = CandidatesOf(working, reference, candidate + 1);
    }
  }
  FinishScan(working, cursor);
  ReleaseReference(held);
  return !changed;
}

// A reference that changed under its scan (rewritten, replaced, deleted, or only touched) made
// its equals so far match bytes it may no longer hold. They go back to the list, where every
// later reference meets them, and the reference is compared afresh: a change of its status alone
// then changes no result, one of its bytes groups it by its new bytes, and one that deleted it
// gets its failure line. A reference that keeps changing is left out.
void ScanCandidates(GroupingRun& run, std::uint32_t reference, DuplicateGroup& group) {
  for (int scan = 1; !ScanOnce(run, reference, group) && !run.outOfDescriptors; ++scan) {
    for (std::size_t member = 1; member < group.members.size(); ++member) {
      ReturnRecord(run.working, group.members[member]);
    }
    StartGroup(run, group, reference);
    if (scan == kReferenceScans) {
      return;
    }
  }
}

void PrintProgress(GroupingRun& run, std::int32_t hundreds) {
  const GroupingTotals& totals = run.totals;
  const std::int64_t shown =
      static_cast<std::int64_t>(hundreds) * kProgressStep + totals.DiscardedCount;
  const std::int64_t percent = run.fileCount > 0 ? shown * kPercent / run.fileCount : 0;
  PrintText(*run.console, kGroupingProgressLine, hundreds, totals.DiscardedCount,
            static_cast<int>(percent));
}

// Counts the reference as discarded when it found no equal; else counts and writes its group.
void CloseGroup(GroupingRun& run, std::int64_t size, const DuplicateGroup& group) {
  GroupingTotals& totals = run.totals;
  const std::int32_t count = static_cast<std::int32_t>(group.members.size());
  if (count == 1) {
    ++totals.DiscardedCount;
    return;
  }
  totals.DuplicateCount += count;
  const std::int32_t hundreds = totals.DuplicateCount / kProgressStep;
  if (hundreds > totals.ReportedHundreds) {
    PrintProgress(run, hundreds);
    totals.ReportedHundreds = hundreds;
  }
  // Sorted as printed, by code units taken as unsigned: bytes on POSIX, UTF-16 units on Windows.
  std::vector<PathString> paths;
  for (const std::uint32_t member : group.members) {
    paths.push_back(Shown(run, run.working.records[member]));
  }
  std::sort(paths.begin(), paths.end());
  WriteGroup(*run.reportStream, size, paths);
  totals.WastedBytes += static_cast<std::int64_t>(count - 1) * size;
}

}  // namespace

void GroupSizeClass(const SizeClassView& sizeClass, GroupingRun& run) {
  const std::int64_t size = sizeClass.size;
  WorkingList& working = run.working;
  StartWorkingList(working, sizeClass);
  DuplicateGroup group;
  while (working.remaining >= 2 && !run.outOfDescriptors) {
    const std::uint32_t reference = TakeLast(working);
    StartGroup(run, group, reference);
    ScanCandidates(run, reference, group);
    CloseGroup(run, size, group);
  }
  if (working.remaining == 1 && !run.outOfDescriptors) {
    ++run.totals.DiscardedCount;  // the left-over is never a reference
  }
}
