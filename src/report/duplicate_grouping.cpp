#include "report/duplicate_grouping.h"

#include <algorithm>

#include "report/report_writer.h"

namespace {

constexpr std::int32_t kProgressStep = 100;
constexpr std::int64_t kPercent = 100;

// A path can be recorded twice only when roots overlap. Knowing a class has no repeat spares
// the identity checks in the scan of every ordinary class.
bool HasRepeatedPath(const std::vector<const FileRecord*>& records) {
  std::vector<const PathString*> paths;
  paths.reserve(records.size());
  for (const FileRecord* record : records) {
    paths.push_back(&record->path);
  }
  std::sort(paths.begin(), paths.end(),
            [](const PathString* left, const PathString* right) { return *left < *right; });
  return std::adjacent_find(paths.begin(), paths.end(),
                            [](const PathString* left, const PathString* right) {
                              return *left == *right;
                            }) != paths.end();
}

bool InGroup(const std::vector<const PathString*>& group, const PathString& path) {
  return std::any_of(group.begin(), group.end(),
                     [&path](const PathString* member) { return *member == path; });
}

void PrintProgress(GroupingRun& run, std::int32_t hundreds) {
  GroupingTotals& totals = run.totals;
  const std::int64_t shown =
      static_cast<std::int64_t>(hundreds) * kProgressStep + totals.DiscardedCount;
  const std::int64_t percent = run.FileCount > 0 ? shown * kPercent / run.FileCount : 0;
  PrintText(*run.console, "\tFound %d00 duplicate files and discared %d files so far (%d%%)...\n",
            hundreds, totals.DiscardedCount, static_cast<int>(percent));
}

void CountAndWriteGroup(std::int64_t size, std::vector<const PathString*>& group,
                        GroupingRun& run) {
  GroupingTotals& totals = run.totals;
  const std::int32_t count = static_cast<std::int32_t>(group.size());
  totals.DuplicateCount += count;
  const std::int32_t hundreds = totals.DuplicateCount / kProgressStep;
  if (hundreds > totals.ReportedHundreds) {
    PrintProgress(run, hundreds);
    totals.ReportedHundreds = hundreds;
  }
  // std::basic_string compares code units as unsigned values: bytes on POSIX, UTF-16 on Windows.
  std::sort(group.begin(), group.end(),
            [](const PathString* left, const PathString* right) { return *left < *right; });
  WriteGroup(*run.report, size, group);
  totals.WastedBytes += static_cast<std::int64_t>(count - 1) * size;
}

}  // namespace

void GroupSizeClass(std::int64_t size, const std::vector<FileRecord>& records, GroupingRun& run) {
  std::vector<const FileRecord*> working;
  working.reserve(records.size());
  for (const FileRecord& record : records) {
    working.push_back(&record);
  }
  const bool checkIdentity = HasRepeatedPath(working);
  std::vector<const PathString*> group;
  while (working.size() >= 2) {
    const FileRecord* reference = working.back();
    working.pop_back();
    group.push_back(&reference->path);
    std::size_t position = 0;
    bool stop = false;
    while (!stop && position < working.size()) {
      const FileRecord* candidate = working[position];
      if (candidate->fingerprint.first != reference->fingerprint.first ||
          candidate->fingerprint.second != reference->fingerprint.second) {
        ++position;
        continue;
      }
      // The same file reached twice is no copy of itself: it leaves uncompared and uncounted.
      if (checkIdentity && InGroup(group, candidate->path)) {
        working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
        continue;
      }
      switch (run.compare(reference->path.c_str(), candidate->path.c_str(), *run.console)) {
        case 1:
          group.push_back(&candidate->path);
          working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
          break;
        case 0:
          ++position;
          break;
        case -2:
          working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
          break;
        case -3:
          working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
          stop = true;
          break;
        default:  // -1: the reference itself cannot be read
          stop = true;
          break;
      }
    }
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
