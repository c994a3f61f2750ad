#include "grouping/duplicate_grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "catalogue/path_store.h"
#include "content/compare_files.h"
#include "content/content_fingerprint.h"
#include "report/format_size.h"
#include "support/expected_texts.h"
#include "support/temp_tree.h"

namespace {

// The records' paths live here, as the catalogue's live in its store.
PathStore paths;

const PathChar* Kept(const PathString& path, std::uint32_t folder = 0) {
  return KeepPath(paths, folder, path.data(), path.size());
}

// A file system in a map: a path's content is a letter; a missing path fails to open.
std::map<PathString, std::string> fakeContent;
std::vector<std::string> comparisons;
std::string referenceChangesAt;  // "reference~candidate": the reference changes there, once
std::string contentAfterChange;  // the reference's content after it, if its bytes change
std::vector<std::string> digestReads;

CompareResult FakeCompare(ComparisonReference& reference, const PathChar* second, const PathChar*,
                          FileState*) {
  const PathChar* first = reference.path;
  comparisons.push_back(Narrow(first) + "~" + Narrow(second));
  if (comparisons.back() == referenceChangesAt) {
    referenceChangesAt.clear();
    if (!contentAfterChange.empty()) {
      fakeContent[first] = contentAfterChange;
    }
    return CompareResult::kFirstChanged;
  }
  const bool firstOpens = fakeContent.count(first) != 0;
  const bool secondOpens = fakeContent.count(second) != 0;
  if (firstOpens && secondOpens) {
    return fakeContent[first] == fakeContent[second] ? CompareResult::kSame
                                                     : CompareResult::kDifferent;
  }
  if (firstOpens) {
    return CompareResult::kSecondFailed;
  }
  return secondOpens ? CompareResult::kFirstFailed : CompareResult::kBothFailed;
}

// A digest that knows the fake contents: one block, the content letter.
bool FakeDigest(const PathChar* path, ContentDigest& digest) {
  digestReads.push_back(Narrow(path));
  const auto found = fakeContent.find(path);
  if (found == fakeContent.end()) {
    digest.failed = true;
    return false;
  }
  digest.state.size = 1;
  digest.lastBlock = static_cast<std::uint64_t>(found->second[0]);
  digest.blocks = 1;
  digest.digestedBytes = 1;
  digest.complete = true;
  return true;
}

class Grouping : public testing::Test {
 protected:
  void SetUp() override {
    fakeContent.clear();
    comparisons.clear();
    referenceChangesAt.clear();
    contentAfterChange.clear();
    digestReads.clear();
    report_.stream = std::tmpfile();
    console_.stream = std::tmpfile();
    run_.report = &report_;
    run_.console = &console_;
    run_.fileCount = 1000;
    run_.compare = FakeCompare;
  }
  void TearDown() override {
    std::fclose(report_.stream);
    std::fclose(console_.stream);
  }

  // Records with the given names; a name's first letter is its content, and equal contents get
  // equal fingerprints unless `lookAlike` makes every fingerprint the same.
  std::vector<FileRecord> Records(const std::vector<std::string>& names, bool lookAlike = false,
                                  const std::set<std::string>& unopenable = {}) {
    std::vector<FileRecord> records;
    for (const std::string& name : names) {
      const std::string content = name.substr(0, 1);
      if (unopenable.count(name) == 0) {
        fakeContent[Text(name)] = content;
      }
      Fingerprint fingerprint{lookAlike ? 1u : static_cast<std::uint64_t>(content[0]), 2};
      if (unopenable.count(name) != 0) {
        fingerprint = lookAlike ? Fingerprint{1, 2} : ZeroFingerprint;
      }
      records.push_back(FileRecord{Kept(Text(name)), fingerprint});
    }
    return records;
  }

  void Group(std::int64_t size, const std::vector<FileRecord>& records,
             const WholeDigest* wholeDigests = nullptr) {
    GroupSizeClass(SizeClassView{size, records.data(), records.size(), wholeDigests}, run_);
  }
  std::string Report() { return StreamContent(report_.stream); }
  std::string Console() { return StreamContent(console_.stream); }

  TextOutput report_;
  TextOutput console_;
  GroupingRun run_;
};

TEST_F(Grouping, LastRecordIsTheFirstReferenceAndTheOddOneIsLeftOver) {
  Group(10, Records({"A", "B", "A2"}, true));  // A and A2 equal, B differs, all look alike
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"A", "A2"}));
  EXPECT_EQ(comparisons, (std::vector<std::string>{"A2~A", "A2~B"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.DiscardedCount, 1);
  EXPECT_EQ(run_.totals.WastedBytes, 10);
}

TEST_F(Grouping, ADifferentLastRecordIsDiscardedBeforeTheGroupIsFound) {
  Group(10, Records({"A", "A2", "B"}, true));
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"A", "A2"}));
  EXPECT_EQ(comparisons, (std::vector<std::string>{"B~A", "B~A2", "A2~A"}));
  EXPECT_EQ(run_.totals.DiscardedCount, 1);
}

TEST_F(Grouping, GroupsOfOneSizeAreWrittenInTheOrderTheirReferencesAreTaken) {
  Group(1536, Records({"A1", "B1", "A2", "B2"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("1.50 KB", {"B1", "B2"}) +
                          GroupBlockInOrder("1.50 KB", {"A1", "A2"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 4);
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
  EXPECT_EQ(run_.totals.WastedBytes, 3072);
}

TEST_F(Grouping, PathsSortByCodeUnitWithUpperCaseFirst) {
  Group(5, Records({"a/x", "a/Y", "aB", "a/Z"}, true));  // all content 'a'
  EXPECT_EQ(Report(), GroupBlockInOrder("5 bytes", {"a/Y", "a/Z", "a/x", "aB"}));
}

TEST_F(Grouping, PathsSortAsUnsignedUnitsWithPrefixesFirst) {
  // A non-ASCII unit sorts after every ASCII one, and a path before its own extensions.
  Group(5, Records({"a\xE9", "az", "a", "a~", "az/b"}, true));  // all content 'a'
  EXPECT_EQ(Report(),
            GroupBlockInOrder("5 bytes", {"a", "az", "az/b", "a~", PrintedText(Text("a\xE9"))}));
}

TEST_F(Grouping, ThreeIdenticalFilesCostTwoComparisons) {
  Group(100, Records({"x1", "x2", "x3"}));
  EXPECT_EQ(comparisons.size(), 2u);
  EXPECT_EQ(run_.totals.DuplicateCount, 3);
  EXPECT_EQ(run_.totals.WastedBytes, 200);
}

TEST_F(Grouping, LookAlikesWithDifferentContentAreBothDiscarded) {
  Group(600, Records({"p", "q"}, true));
  EXPECT_EQ(Report(), "");
  EXPECT_EQ(comparisons.size(), 1u);
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, DifferentFingerprintsOpenNothing) {
  Group(600, Records({"p", "q"}));
  EXPECT_TRUE(comparisons.empty());
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, UnreadableReferenceIsDiscardedAndItsCandidateWaits) {
  // -1: the scan stops, the reference is discarded, the candidate is the left-over.
  Group(7, Records({"c", "r"}, true, {"r"}));
  EXPECT_EQ(comparisons, std::vector<std::string>{"r~c"});
  EXPECT_EQ(Console(), OpenFailedLine("r"));
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
  EXPECT_EQ(run_.totals.DuplicateCount, 0);
}

TEST_F(Grouping, UnreadableCandidateLeavesUncounted) {
  // -2: the candidate leaves, the scan goes on and finds the equal.
  Group(7, Records({"a1", "bad", "a2"}, true, {"bad"}));
  EXPECT_EQ(comparisons, (std::vector<std::string>{"a2~a1", "a2~bad"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("7 bytes", {"a1", "a2"}));
  EXPECT_EQ(Console(), OpenFailedLine("bad"));
  Group(7, Records({"x1", "bad2", "x2"}, true, {"bad2"}));
  EXPECT_EQ(comparisons.back(), "x2~bad2");
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
}

TEST_F(Grouping, BothUnreadableStopsTheScanAndDropsTheCandidate) {
  // -3: the candidate leaves uncounted, the reference is discarded; the other file is left over.
  Group(7, Records({"u1", "ok", "u2"}, true, {"u1", "u2"}));
  EXPECT_EQ(comparisons, std::vector<std::string>{"u2~u1"});
  EXPECT_EQ(Console(), OpenFailedLine("u2") + OpenFailedLine("u1"));
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
  EXPECT_EQ(Report(), "");
}

TEST_F(Grouping, AReferenceThatChangesUnderItsScanIsComparedAfresh) {
  // Ar equalled A1, then changed: A1 matched bytes Ar may no longer hold. Its status alone
  // changed here, so the fresh scan finds both equals again.
  referenceChangesAt = "Ar~A2";
  Group(8, Records({"A1", "A2", "Ar"}));
  EXPECT_EQ(comparisons, (std::vector<std::string>{"Ar~A1", "Ar~A2", "Ar~A1", "Ar~A2"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("8 bytes", {"A1", "A2", "Ar"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 3);
}

TEST_F(Grouping, EqualsOfAReferenceRewrittenAfterLookAlikesPartedMeetTheNextReference) {
  // a3 equalled a1, b1 parted the look-alikes by digest while a1 was out of the list, then a3
  // was rewritten: a1 goes back and must still meet a2.
  run_.digest = FakeDigest;
  referenceChangesAt = "a3~a2";
  contentAfterChange = "z";
  Group(10, Records({"a1", "b1", "a2", "a3"}, true));
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"a1", "a2"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, ProgressLineWhenAGroupReachesANewHundred) {
  run_.totals.DuplicateCount = 98;
  Group(3, Records({"a1", "a2"}));
  EXPECT_EQ(Console(), GroupingProgressLine(1, 0, 10));
  EXPECT_EQ(run_.totals.ReportedHundreds, 1);
}

TEST_F(Grouping, OneProgressLineForAJumpOverSeveralHundreds) {
  run_.totals.DuplicateCount = 90;
  run_.totals.DiscardedCount = 5;
  std::vector<std::string> names;
  for (int i = 0; i < 260; ++i) {
    names.push_back("k" + std::to_string(i));
  }
  Group(3, Records(names));
  EXPECT_EQ(Console(), GroupingProgressLine(3, 5, 30));
  Group(4, Records({"m1", "m2", "m3", "m4"}));
  Group(5, Records({"n1", "n2"}));  // 350 + 4 + 2: still below 400
  EXPECT_EQ(Console(), GroupingProgressLine(3, 5, 30));
  run_.totals.DuplicateCount = 398;
  Group(6, Records({"o1", "o2"}));
  EXPECT_EQ(Console(), GroupingProgressLine(3, 5, 30) + GroupingProgressLine(4, 5, 40));
}

TEST_F(Grouping, PercentageStaysRightInHugeRuns) {
  run_.fileCount = 50000000;
  run_.totals.DuplicateCount = 29999998;
  Group(3, Records({"a1", "a2"}));
  EXPECT_EQ(Console(), GroupingProgressLine(300000, 0, 60));
}

// "r/a" with the platform's separator.
std::string Path(const std::string& folder, const std::string& name) {
  return folder + static_cast<char>(kPathSeparator) + name;
}

// One folder listed twice under two spellings (a root given as "r" and as "./r"), and a second
// folder of its own: the records of the first two are one set of entries.
WalkPlaces TwoSpellingsOfOneFolder() {
  WalkPlaces places;
  places.roots = {SearchRoot{Text("r"), Text("r")},
                  SearchRoot{Text(Path(".", "r")), Text(Path(".", "r"))},
                  SearchRoot{Text("s"), Text("s")}};
  const FileIdentity shared{7, 70, true};
  places.folders = {ListedFolder{shared, 0}, ListedFolder{shared, 1},
                    ListedFolder{FileIdentity{7, 71, true}, 2}};
  places.foldersRepeat = true;
  return places;
}

// A record of `name` in one of those folders; its content is its name's last letter.
FileRecord InFolder(std::uint32_t folder, const std::string& name, std::uint64_t fingerprint) {
  const std::string roots[] = {"r", Path(".", "r"), "s"};
  const std::string path = Path(roots[folder], name);
  fakeContent[Text(path)] = name.substr(name.size() - 1);
  return FileRecord{Kept(Text(path), folder), Fingerprint{fingerprint, 2}};
}

TEST_F(Grouping, AFileReachedTwiceIsNeverItsOwnDuplicate) {
  const WalkPlaces places = TwoSpellingsOfOneFolder();
  run_.places = &places;
  // a and its copy ya, and both again through the second spelling.
  Group(9, {InFolder(0, "a", 1), InFolder(0, "ya", 1), InFolder(1, "a", 1), InFolder(1, "ya", 1)});
  EXPECT_EQ(Report(), GroupBlock("9 bytes", {Path(Path(".", "r"), "ya"), Path("r", "a")}));
  EXPECT_EQ(comparisons,
            std::vector<std::string>{Path(Path(".", "r"), "ya") + "~" + Path("r", "a")});
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.WastedBytes, 9);
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
}

TEST_F(Grouping, AFileReachedTwiceWithoutACopyIsNotReported) {
  const WalkPlaces places = TwoSpellingsOfOneFolder();
  run_.places = &places;
  Group(9, {InFolder(0, "solo", 1), InFolder(2, "other", 1), InFolder(1, "solo", 1)});
  EXPECT_EQ(Report(), "");
  EXPECT_EQ(run_.totals.DuplicateCount, 0);
}

TEST_F(Grouping, TwoNamesOfOneFileInOneFolderAreCopies) {
  // Hard links are two directory entries: reported like any copies, as the other finders' -H.
  const WalkPlaces places = TwoSpellingsOfOneFolder();
  run_.places = &places;
  Group(9, {InFolder(0, "link-a", 1), InFolder(0, "name-a", 1)});
  EXPECT_EQ(Report(), GroupBlock("9 bytes", {Path("r", "link-a"), Path("r", "name-a")}));
}

TEST_F(Grouping, DigestsSpareTheComparisonsOfLookAlikesOnceOneDiffered) {
  // Without digests: a2~b1, a2~c1, a2~a1, a2~x, c1~b1. With them, the first difference parts the
  // look-alikes; then only equal digests (a1) and a file without one (x) are compared.
  run_.digest = FakeDigest;
  Group(10, Records({"b1", "c1", "a1", "x", "a2"}, true, {"x"}));
  EXPECT_EQ(comparisons, (std::vector<std::string>{"a2~b1", "a2~a1", "a2~x"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"a1", "a2"}));
  EXPECT_EQ(Console(), OpenFailedLine("x"));
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, DigestsTakenWithTheFingerprintsAreNotReadAgain) {
  // The files above, with all but x read whole by the fingerprint stage.
  run_.digest = FakeDigest;
  const std::vector<WholeDigest> wholeDigests{{'b'}, {'c'}, {'a'}, {kNoWholeDigest}, {'a'}};
  Group(10, Records({"b1", "c1", "a1", "x", "a2"}, true, {"x"}), wholeDigests.data());
  EXPECT_EQ(digestReads, std::vector<std::string>{"x"});
  EXPECT_EQ(comparisons, (std::vector<std::string>{"a2~b1", "a2~a1", "a2~x"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"a1", "a2"}));
  EXPECT_EQ(Console(), OpenFailedLine("x"));
}

TEST_F(Grouping, DigestsAreNotReadForClassesWithoutLookAlikes) {
  run_.digest = [](const PathChar*, ContentDigest&) -> bool {
    ADD_FAILURE() << "a digest was read";
    return false;
  };
  Group(10, Records({"a1", "b1", "a2", "b2", "c1"}));
  Group(10, Records({"a1", "a2", "a3"}, true));
  EXPECT_EQ(run_.totals.DuplicateCount, 7);
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
      const int value = static_cast<int>(result);
      if (value == -1 || value == -3) {
        outcome.console += OpenFailedLine(Utf8Text(reference.path));
      }
      if (value == -2 || value == -3) {
        outcome.console += OpenFailedLine(Utf8Text(candidate.path));
      }
      if (value == 1) {
        group.push_back(candidate.path);
        entries.push_back(entry);
      }
      if (value == 1 || value == -2 || value == -3 || value == 2) {
        working.erase(working.begin() + static_cast<std::ptrdiff_t>(position));
      } else {
        ++position;
      }
      if (value == -1 || value == -3) {
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

int compareCalls = 0;

CompareResult CountedCompare(ComparisonReference& reference, const PathChar* candidate,
                             const PathChar* next, FileState* candidateState) {
  ++compareCalls;
  return CompareWithReference(reference, candidate, next, candidateState);
}

PlainOutcome ProgramScan(std::int64_t size, const std::vector<FileRecord>& records,
                         const WalkPlaces& places) {
  TextOutput report;
  TextOutput console;
  report.stream = std::tmpfile();
  console.stream = std::tmpfile();
  GroupingRun run;
  run.report = &report;
  run.console = &console;
  run.fileCount = 1000;
  run.compare = CountedCompare;
  run.digest = ExtendContentDigest;
  run.places = &places;
  compareCalls = 0;
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
std::vector<FileRecord> LookAlikeClass(const TempTree& tree, const std::string& folder,
                                       std::size_t size) {
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
    records.push_back(FileRecord{Kept(path), fingerprinted ? lookAlike : ZeroFingerprint});
  }
  return records;
}

TEST(GroupingShortcuts, PrintExactlyWhatThePlainScanPrints) {
  TempTree tree;
  const WalkPlaces places = OneFolderListedTwice();
  // Two digest blocks, and eight (4 KiB doubling to 512 KiB, and a short last one).
  const std::size_t sizes[] = {5000, 600000};
  int plainComparisons = 0;
  int programComparisons = 0;
  for (const std::size_t size : sizes) {
    const std::vector<FileRecord> records =
        LookAlikeClass(tree, "size" + std::to_string(size), size);
    std::mt19937 generator(static_cast<std::uint32_t>(size));
    for (int order = 0; order < 25; ++order) {
      std::vector<FileRecord> shuffled = records;
      std::shuffle(shuffled.begin(), shuffled.end(), generator);
      if (order % 3 == 1) {
        // A file reached twice: its entry listed again, under the same text.
        const FileRecord& again = shuffled[static_cast<std::size_t>(order) % shuffled.size()];
        shuffled.push_back(FileRecord{Kept(again.path, 1), again.fingerprint});
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

TEST(GroupingShortcuts, ManyLookAlikesCostOneComparisonPlusTheCopies) {
  TempTree tree;
  const WalkPlaces places = OneFolderListedTwice();
  const std::size_t size = 70000;  // five digest blocks
  const std::string head = PatternBytes(256, 21);
  const std::string tail = PatternBytes(256, 22);
  std::vector<FileRecord> records;
  for (int index = 0; index < 40; ++index) {
    std::string middle = PatternBytes(size - 512, 23);
    // Half differ just after the head, half only in the last block.
    const std::size_t position =
        index % 2 == 0 ? 0 : middle.size() - 1 - static_cast<std::size_t>(index);
    middle[position] = static_cast<char>(index);
    const std::string content = head + middle + tail;
    records.push_back({Kept(NativeText(tree.WriteFile("f" + std::to_string(index), content))), {}});
    if (index % 13 == 0) {
      records.push_back(
          {Kept(NativeText(tree.WriteFile("c" + std::to_string(index), content))), {}});
    }
  }
  const Fingerprint lookAlike = ContentFingerprint(records[0].path, size);
  for (FileRecord& record : records) {
    record.fingerprint = lookAlike;
  }
  const PlainOutcome plain = PlainScan(size, records, places);
  const PlainOutcome program = ProgramScan(size, records, places);
  ExpectSameOutcome(plain, program, "70000");
  EXPECT_EQ(plain.totals.DuplicateCount, 8);
  EXPECT_GT(plain.comparisons, 40 * 39 / 2 - 10);
  // The first comparison that differs, then one for each of the four copies.
  EXPECT_EQ(program.comparisons, 5);
}

}  // namespace
