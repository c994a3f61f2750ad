#include "report/duplicate_grouping.h"

#include <algorithm>
#include <string>

#include "output_texts.h"
#include "report/report_writer.h"

namespace {

constexpr std::int32_t kProgressStep = 100;
constexpr std::int64_t kPercent = 100;

// Code units compared as unsigned values, the first difference deciding and a prefix first, as
// char_traits compares them: bytes on POSIX, UTF-16 units on Windows. One pass over the two
// texts, with no measuring of lengths first: sorting the paths of every class measured each
// path again at every comparison.
int ComparePaths(const PathChar* left, const PathChar* right) {
  for (;; ++left, ++right) {
    if (*left != *right) {
      return std::char_traits<PathChar>::lt(*left, *right) ? -1 : 1;
    }
    if (*left == 0) {
      return 0;
    }
  }
}

bool PathLess(const PathChar* left, const PathChar* right) { return ComparePaths(left, right) < 0; }

bool SamePath(const PathChar* left, const PathChar* right) {
  return ComparePaths(left, right) == 0;
}

// A path can be recorded twice only when roots overlap. Knowing a class has no repeat spares
// the identity checks in the scan of every ordinary class.
bool HasRepeatedPath(const FileRecord* records, std::size_t count) {
  std::vector<const PathChar*> paths;
  paths.reserve(count);
  for (const FileRecord* record = records; record != records + count; ++record) {
    paths.push_back(record->path);
  }
  std::sort(paths.begin(), paths.end(), PathLess);
  return std::adjacent_find(paths.begin(), paths.end(), SamePath) != paths.end();
}

bool InGroup(const std::vector<const PathChar*>& group, const PathChar* path) {
  return std::any_of(group.begin(), group.end(),
                     [path](const PathChar* member) { return SamePath(member, path); });
}

void PrintProgress(GroupingRun& run, std::int32_t hundreds) {
  GroupingTotals& totals = run.totals;
  const std::int64_t shown =
      static_cast<std::int64_t>(hundreds) * kProgressStep + totals.DiscardedCount;
  const std::int64_t percent = run.FileCount > 0 ? shown * kPercent / run.FileCount : 0;
  PrintText(*run.console, kGroupingProgressLine, hundreds, totals.DiscardedCount,
            static_cast<int>(percent));
}

void CountAndWriteGroup(std::int64_t size, std::vector<const PathChar*>& group, GroupingRun& run) {
  GroupingTotals& totals = run.totals;
  const std::int32_t count = static_cast<std::int32_t>(group.size());
  totals.DuplicateCount += count;
  const std::int32_t hundreds = totals.DuplicateCount / kProgressStep;
  if (hundreds > totals.ReportedHundreds) {
    PrintProgress(run, hundreds);
    totals.ReportedHundreds = hundreds;
  }
  std::sort(group.begin(), group.end(), PathLess);
  WriteGroup(*run.report, size, group);
  totals.WastedBytes += static_cast<std::int64_t>(count - 1) * size;
}

// Digests the record's file until block `block` exists or the file has no more; false when the
// digest cannot be had.
bool DigestUpTo(DigestFunction digest, const FileRecord& record, ContentDigest& state,
                std::size_t block) {
  while (!state.failed && !state.complete && state.blocks.size() <= block) {
    if (!digest(record.path, state)) {
      return false;
    }
  }
  return !state.failed;
}

// True only when the digests prove the two files different, that is when CompareFiles would
// find both open and return 0 without a line on the console. Digests are extended block by
// block only as far as it takes to find a difference, so look-alikes that differ early cost one
// small read each.
bool ProvenDifferent(DigestFunction digest, const FileRecord& reference,
                     ContentDigest& referenceDigest, const FileRecord& candidate,
                     ContentDigest& candidateDigest) {
  for (std::size_t block = 0;; ++block) {
    if (!DigestUpTo(digest, reference, referenceDigest, block) ||
        !DigestUpTo(digest, candidate, candidateDigest, block)) {
      return false;  // unreadable now: CompareFiles reports it as the scan would have
    }
    if (referenceDigest.size != candidateDigest.size) {
      return true;  // one of them changed since the walk; they cannot end together
    }
    if (block >= referenceDigest.blocks.size()) {
      return false;  // equal digests to the end: only the bytes can confirm
    }
    if (referenceDigest.blocks[block] != candidateDigest.blocks[block]) {
      return true;
    }
  }
}

}  // namespace

void GroupSizeClass(std::int64_t size, const FileRecord* records, std::size_t count,
                    GroupingRun& run) {
  std::vector<const FileRecord*> working;
  working.reserve(count);
  for (const FileRecord* record = records; record != records + count; ++record) {
    working.push_back(record);
  }
  const bool checkIdentity = HasRepeatedPath(records, count);
  std::vector<const PathChar*> group;
  // Filled, one per record, when the class first shows look-alikes: classes of duplicates and
  // of unrelated files never need them, and reading a duplicate for its digest would double
  // what its comparison reads.
  std::vector<ContentDigest> digests;
  const auto digestOf = [&records, &digests](const FileRecord* record) -> ContentDigest& {
    return digests[static_cast<std::size_t>(record - records)];
  };
  while (working.size() >= 2) {
    const FileRecord* reference = working.back();
    working.pop_back();
    group.push_back(reference->path);
    ComparisonReference held;
    held.path = reference->path;
    // The scan keeps the records that stay in place, in order, rather than erasing the others
    // one by one: a class of k copies then costs k moves, not k * k.
    std::size_t kept = 0;
    std::size_t position = 0;
    bool stop = false;
    while (!stop && position < working.size()) {
      const FileRecord* candidate = working[position++];
      if (candidate->fingerprint.first != reference->fingerprint.first ||
          candidate->fingerprint.second != reference->fingerprint.second) {
        working[kept++] = candidate;
        continue;
      }
      // The same file reached twice is no copy of itself: it leaves uncompared and uncounted.
      if (checkIdentity && InGroup(group, candidate->path)) {
        continue;
      }
      if (!digests.empty() && ProvenDifferent(run.digest, *reference, digestOf(reference),
                                              *candidate, digestOf(candidate))) {
        working[kept++] = candidate;  // what a comparison returning 0 does
        continue;
      }
      const int result = run.compare(held, candidate->path, *run.console);
      if (result == 0 && digests.empty() && run.digest != nullptr) {
        digests.resize(count);
      }
      switch (result) {
        case 1:
          group.push_back(candidate->path);
          break;
        case 0:
          working[kept++] = candidate;
          break;
        case -2:
          break;
        case -3:
          stop = true;
          break;
        default:  // -1: the reference itself cannot be read
          working[kept++] = candidate;
          stop = true;
          break;
      }
    }
    ReleaseReference(held);
    // The records the scan left out close up behind the ones it kept; the unscanned rest follows.
    working.erase(working.begin() + static_cast<std::ptrdiff_t>(kept),
                  working.begin() + static_cast<std::ptrdiff_t>(position));
    if (group.size() == 1) {
      ++run.totals.DiscardedCount;
    } else {
      CountAndWriteGroup(size, group, run);
    }
    group.clear();
  }
  if (working.size() == 1) {
    ++run.totals.DiscardedCount;
  }
}
