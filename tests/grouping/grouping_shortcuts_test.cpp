// The grouping's shortcuts (fingerprint index, digests, the reference held open) against the scan
// written as plainly as it can be, on real files: they must print and count what it does.
#include "grouping/duplicate_grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "catalogue/path_store.h"
#include "content/compare_files.h"
#include "content/content_fingerprint.h"
#include "report/format_size.h"
#include "support/expected_texts.h"
#include "support/temp_tree.h"

namespace {

// The records' paths live in `paths`, as the catalogue's live in its store.
const PathChar* Kept(PathStore& paths, const PathString& path, std::uint32_t folder = 0) {
  return KeepPath(paths, folder, path.data(), path.size());
}

// The scan written as plainly as it can be: the working list a vector, every record with the
// reference's fingerprint compared in turn, both files opened for each comparison. The program's
// scan must print and count exactly what this one does.
struct PlainOutcome {
  std::string report;
  std::string console;
  GroupingTotals totals;
  int comparisons = 0;
};

void PlainCloseGroup(std::int64_t size, std::vector<PathString> group, PlainOutcome& outcome) {
  if (group.size() == 1) {
    ++outcome.totals.DiscardedCount;
    return;
  }
  outcome.totals.DuplicateCount += static_cast<std::int32_t>(group.size());
  const std::int32_t hundreds = outcome.totals.DuplicateCount / 100;
  if (hundreds > outcome.totals.ReportedHundreds) {
    outcome.console += GroupingProgressLine(
        hundreds, outcome.totals.DiscardedCount,
        static_cast<int>((hundreds * 100 + outcome.totals.DiscardedCount) * 100 / 1000));
    outcome.totals.ReportedHundreds = hundreds;
  }
  std::vector<std::string> printed;
  for (const PathString& path : group) {
    printed.push_back(Utf8Text(path));
  }
  outcome.report += GroupBlock(FormatSize(size), printed);
  outcome.totals.WastedBytes += static_cast<std::int64_t>(group.size() - 1) * size;
}

PlainOutcome PlainScan(std::int64_t size, std::vector<FileRecord> working,
                       const WalkPlaces& places) {
  PlainOutcome outcome;
  while (working.size() >= 2) {
    const FileRecord reference = working.back();
    working.pop_back();
    std::vector<PathString> group = {reference.path};
    std::vector<EntryKey> entries = {EntryOf(places, reference)};
    for (std::size_t position = 0; position < working.size();) {
      const FileRecord& candidate = working[position];
      if (candidate.fingerprint != reference.fingerprint) {
        ++position;
        continue;
      }
      const EntryKey entry = EntryOf(places, candidate);
      if (std::find(entries.begin(), entries.end(), entry) != entries.end()) {
        working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
        continue;
      }
      ++outcome.comparisons;
      const CompareResult result = CompareFiles(reference.path, candidate.path);
      const bool referenceFailed =
          result == CompareResult::kFirstFailed || result == CompareResult::kBothFailed;
      const bool candidateFailed =
          result == CompareResult::kSecondFailed || result == CompareResult::kBothFailed;
      if (referenceFailed) {
        outcome.console += OpenFailedLine(Utf8Text(reference.path));
      }
      if (candidateFailed) {
        outcome.console += OpenFailedLine(Utf8Text(candidate.path));
      }
      if (result == CompareResult::kSame) {
        group.push_back(candidate.path);
        entries.push_back(entry);
      }
      if (result == CompareResult::kSame || result == CompareResult::kOneFile || candidateFailed) {
        working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
      } else {
        ++position;
      }
      if (referenceFailed) {
        break;
      }
    }
    PlainCloseGroup(size, group, outcome);
  }
  if (working.size() == 1) {
    ++outcome.totals.DiscardedCount;
  }
  return outcome;
}

PlainOutcome ProgramScan(std::int64_t size, const std::vector<FileRecord>& records,
                         const WalkPlaces& places) {
  TextOutput report;
  TextOutput console;
  report.stream = std::tmpfile();
  console.stream = std::tmpfile();
  GroupingRun run;
  run.reportStream = &report;
  run.console = &console;
  run.fileCount = 1000;
  int compareCalls = 0;
  run.compare = [&compareCalls](ComparisonReference& reference, const PathChar* candidate,
                                const PathChar* next, FileState* candidateState) {
    ++compareCalls;
    return CompareWithReference(reference, candidate, next, candidateState);
  };
  run.digest = ExtendContentDigest;
  run.places = &places;
  GroupSizeClass(SizeClassView{size, records.data(), records.size(), nullptr}, run);
  PlainOutcome outcome{StreamContent(report.stream), StreamContent(console.stream), run.totals,
                       compareCalls};
  std::fclose(report.stream);
  std::fclose(console.stream);
  return outcome;
}

void ExpectSameOutcome(const PlainOutcome& plain, const PlainOutcome& program,
                       const std::string& where) {
  EXPECT_EQ(program.report, plain.report) << where;
  EXPECT_EQ(program.console, plain.console) << where;
  EXPECT_EQ(program.totals.DuplicateCount, plain.totals.DuplicateCount) << where;
  EXPECT_EQ(program.totals.DiscardedCount, plain.totals.DiscardedCount) << where;
  EXPECT_EQ(program.totals.ReportedHundreds, plain.totals.ReportedHundreds) << where;
  EXPECT_EQ(program.totals.WastedBytes, plain.totals.WastedBytes) << where;
}

// Folder 0 is the tree's folder; folder 1 is the same folder listed again.
WalkPlaces OneFolderListedTwice() {
  WalkPlaces places;
  places.roots = {SearchRoot{PathString(), PathString()}};
  const FileIdentity folder{1, 1, true};
  places.folders = {ListedFolder{folder, 0}, ListedFolder{folder, 0}};
  places.foldersRepeat = true;
  return places;
}

// One size class of look-alikes: every file has the same first and last 256 bytes. Their
// middles differ just after the head, halfway or just before the tail; some have copies. Then
// the files that changed since they were fingerprinted: gone, a folder now, longer, shorter,
// a new head; and files that could not be fingerprinted (zero fingerprint), readable or not now.
std::vector<FileRecord> LookAlikeClass(const TempTree& tree, PathStore& paths,
                                       const std::string& folder, std::size_t size) {
  const std::string head = PatternBytes(256, 11);
  const std::string tail = PatternBytes(256, 12);
  const std::string middle = PatternBytes(size - 512, 13);
  const auto write = [&](const std::string& name, const std::string& content) {
    return NativeText(tree.WriteFile(folder + "/" + name, content));
  };
  std::vector<std::pair<PathString, bool>> files;  // path, carries the look-alike fingerprint
  const PathString plain = write("plain", head + middle + tail);
  files.emplace_back(plain, true);
  for (int variant = 0; variant < 12; ++variant) {
    std::string changed = middle;
    const std::size_t positions[] = {0, changed.size() / 2, changed.size() - 1};
    changed[positions[variant % 3]] =
        static_cast<char>(changed[positions[variant % 3]] + 1 + variant);
    const std::string name = "variant" + std::to_string(variant);
    files.emplace_back(write(name, head + changed + tail), true);
    if (variant % 4 == 1) {
      files.emplace_back(write(name + "-copy", head + changed + tail), true);
    }
    if (variant == 5) {
      files.emplace_back(write(name + "-copy2", head + changed + tail), true);
    }
  }
  files.emplace_back(write("plain-copy", head + middle + tail), true);
  files.emplace_back(NativeText(tree / folder / "gone"), true);
  files.emplace_back(NativeText(tree.MakeDirectory(folder + "/now-a-folder")), true);
  files.emplace_back(write("longer", head + middle + tail + "x"), true);
  files.emplace_back(write("shorter", head + middle.substr(1) + tail), true);
  files.emplace_back(write("new-head", PatternBytes(256, 14) + middle + tail), true);
  files.emplace_back(NativeText(tree / folder / "never-there"), false);
  files.emplace_back(NativeText(tree / folder / "never-there-either"), false);
  files.emplace_back(write("was-unreadable", head + middle + tail), false);
  files.emplace_back(write("was-unreadable-too", head + middle + tail), false);

  const Fingerprint lookAlike = ContentFingerprint(plain.c_str(), static_cast<std::int64_t>(size));
  std::vector<FileRecord> records;
  for (const auto& [path, fingerprinted] : files) {
    records.push_back(FileRecord{Kept(paths, path), fingerprinted ? lookAlike : ZeroFingerprint});
  }
  return records;
}

// CTest labels: slow-emulated
TEST(GroupingShortcuts, PrintExactlyWhatThePlainScanPrints) {
  TempTree tree;
  PathStore paths;
  const WalkPlaces places = OneFolderListedTwice();
  // Two digest blocks, and eight (4 KiB doubling to 512 KiB, and a short last one).
  const std::size_t sizes[] = {5000, 600000};
  int plainComparisons = 0;
  int programComparisons = 0;
  for (const std::size_t size : sizes) {
    const std::vector<FileRecord> records =
        LookAlikeClass(tree, paths, "size" + std::to_string(size), size);
    std::mt19937 generator(static_cast<std::uint32_t>(size));
    for (int order = 0; order < 25; ++order) {
      std::vector<FileRecord> shuffled = records;
      std::shuffle(shuffled.begin(), shuffled.end(), generator);
      if (order % 3 == 1) {
        // A file reached twice: its entry listed again, under the same text.
        const FileRecord& again = shuffled[static_cast<std::size_t>(order) % shuffled.size()];
        shuffled.push_back(FileRecord{Kept(paths, again.path, 1), again.fingerprint});
      }
      const std::int64_t classSize = static_cast<std::int64_t>(size);
      const PlainOutcome plain = PlainScan(classSize, shuffled, places);
      const PlainOutcome program = ProgramScan(classSize, shuffled, places);
      ExpectSameOutcome(plain, program, std::to_string(size) + " order " + std::to_string(order));
      plainComparisons += plain.comparisons;
      programComparisons += program.comparisons;
    }
  }
  // The comparisons left are those of copies and of files without a digest.
  EXPECT_LT(programComparisons * 2, plainComparisons);
}

// CTest labels: long
TEST(GroupingShortcuts, ManyLookAlikesCostOneComparisonPlusTheCopies) {
  TempTree tree;
  PathStore paths;
  const WalkPlaces places = OneFolderListedTwice();
  const std::size_t size = 70000;  // five digest blocks
  const std::string head = PatternBytes(256, 21);
  const std::string tail = PatternBytes(256, 22);
  // 27 look-alikes, three with a copy: the plain scan compares each pair, 351 comparisons of
  // 70 KB. Each opens two files, which under wine costs most when the suite's other tests share
  // its server: at 40 files (780 comparisons) the test took 2.5 s alone and 15 s in the suite.
  const int lookAlikes = 27;
  std::vector<FileRecord> records;
  for (int index = 0; index < lookAlikes; ++index) {
    std::string middle = PatternBytes(size - 512, 23);
    // Half differ just after the head, half only in the last block.
    const std::size_t position =
        index % 2 == 0 ? 0 : middle.size() - 1 - static_cast<std::size_t>(index);
    middle[position] = static_cast<char>(index);
    const std::string content = head + middle + tail;
    records.push_back(
        {Kept(paths, NativeText(tree.WriteFile("f" + std::to_string(index), content))), {}});
    if (index % 13 == 0) {
      records.push_back(
          {Kept(paths, NativeText(tree.WriteFile("c" + std::to_string(index), content))), {}});
    }
  }
  const Fingerprint lookAlike = ContentFingerprint(records[0].path, size);
  for (FileRecord& record : records) {
    record.fingerprint = lookAlike;
  }
  const PlainOutcome plain = PlainScan(size, records, places);
  const PlainOutcome program = ProgramScan(size, records, places);
  ExpectSameOutcome(plain, program, "70000");
  EXPECT_EQ(plain.totals.DuplicateCount, 6);
  EXPECT_GT(plain.comparisons, lookAlikes * (lookAlikes - 1) / 2 - 10);
  // The first comparison that differs, then one for each of the three copies.
  EXPECT_EQ(program.comparisons, 4);
}

}  // namespace
