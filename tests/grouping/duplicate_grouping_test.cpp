// The grouping's rules, on a file system faked in a map: which files are compared, in what order,
// what is reported, printed and counted.
#include "grouping/duplicate_grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "catalogue/path_store.h"
#include "content/compare_files.h"
#include "content/content_fingerprint.h"
#include "support/expected_texts.h"
#include "support/temp_tree.h"

namespace {

// A file system in a map: a path's content is a letter; a missing path fails to open.
struct FakeFiles {
  std::map<PathString, std::string> content;
  std::vector<std::string> comparisons;
  std::string referenceChangesAt;  // "reference~candidate": the reference changes there, once
  std::string contentAfterChange;  // the reference's content after it, if its bytes change
  std::vector<std::string> digestReads;
};

CompareResult FakeCompare(FakeFiles& files, ComparisonReference& reference,
                          const PathChar* second) {
  const PathChar* first = reference.path;
  files.comparisons.push_back(Narrow(first) + "~" + Narrow(second));
  if (files.comparisons.back() == files.referenceChangesAt) {
    files.referenceChangesAt.clear();
    if (!files.contentAfterChange.empty()) {
      files.content[first] = files.contentAfterChange;
    }
    return CompareResult::kFirstChanged;
  }
  const bool firstOpens = files.content.count(first) != 0;
  const bool secondOpens = files.content.count(second) != 0;
  if (firstOpens && secondOpens) {
    return files.content[first] == files.content[second] ? CompareResult::kSame
                                                         : CompareResult::kDifferent;
  }
  if (firstOpens) {
    return CompareResult::kSecondFailed;
  }
  return secondOpens ? CompareResult::kFirstFailed : CompareResult::kBothFailed;
}

// A digest that knows the fake contents: one block, the content letter.
bool FakeDigest(FakeFiles& files, const PathChar* path, ContentDigest& digest) {
  files.digestReads.push_back(Narrow(path));
  const auto found = files.content.find(path);
  if (found == files.content.end()) {
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

class Grouping : public testing::Test {
 protected:
  void SetUp() override {
    report_.stream = std::tmpfile();
    console_.stream = std::tmpfile();
    run_.reportStream = &report_;
    run_.console = &console_;
    run_.fileCount = 1000;
    run_.compare = [this](ComparisonReference& reference, const PathChar* candidate,
                          const PathChar*,
                          FileState*) { return FakeCompare(files_, reference, candidate); };
  }
  void TearDown() override {
    std::fclose(report_.stream);
    std::fclose(console_.stream);
  }

  void UseFakeDigest() {
    run_.digest = [this](const PathChar* path, ContentDigest& digest) {
      return FakeDigest(files_, path, digest);
    };
  }

  // The records' paths live here, as the catalogue's live in its store.
  const PathChar* Kept(const PathString& path, std::uint32_t folder = 0) {
    return KeepPath(paths_, folder, path.data(), path.size());
  }

  // Records with the given names; a name's first letter is its content, and equal contents get
  // equal fingerprints unless `lookAlike` makes every fingerprint the same.
  std::vector<FileRecord> Records(const std::vector<std::string>& names, bool lookAlike = false,
                                  const std::set<std::string>& unopenable = {}) {
    std::vector<FileRecord> records;
    for (const std::string& name : names) {
      const std::string content = name.substr(0, 1);
      if (unopenable.count(name) == 0) {
        files_.content[Text(name)] = content;
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

  // A record of `name` in one of the folders of TwoSpellingsOfOneFolder; its content is its
  // name's last letter.
  FileRecord InFolder(std::uint32_t folder, const std::string& name, std::uint64_t fingerprint) {
    const std::string roots[] = {"r", Path(".", "r"), "s"};
    const std::string path = Path(roots[folder], name);
    files_.content[Text(path)] = name.substr(name.size() - 1);
    return FileRecord{Kept(Text(path), folder), Fingerprint{fingerprint, 2}};
  }

  PathStore paths_;
  FakeFiles files_;
  TextOutput report_;
  TextOutput console_;
  GroupingRun run_;
};

TEST_F(Grouping, LastRecordIsTheFirstReferenceAndTheOddOneIsLeftOver) {
  Group(10, Records({"A", "B", "A2"}, true));  // A and A2 equal, B differs, all look alike
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"A", "A2"}));
  EXPECT_EQ(files_.comparisons, (std::vector<std::string>{"A2~A", "A2~B"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.DiscardedCount, 1);
  EXPECT_EQ(run_.totals.WastedBytes, 10);
}

TEST_F(Grouping, ADifferentLastRecordIsDiscardedBeforeTheGroupIsFound) {
  Group(10, Records({"A", "A2", "B"}, true));
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"A", "A2"}));
  EXPECT_EQ(files_.comparisons, (std::vector<std::string>{"B~A", "B~A2", "A2~A"}));
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
  EXPECT_EQ(files_.comparisons.size(), 2u);
  EXPECT_EQ(run_.totals.DuplicateCount, 3);
  EXPECT_EQ(run_.totals.WastedBytes, 200);
}

TEST_F(Grouping, LookAlikesWithDifferentContentAreBothDiscarded) {
  Group(600, Records({"p", "q"}, true));
  EXPECT_EQ(Report(), "");
  EXPECT_EQ(files_.comparisons.size(), 1u);
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, DifferentFingerprintsOpenNothing) {
  Group(600, Records({"p", "q"}));
  EXPECT_TRUE(files_.comparisons.empty());
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, UnreadableReferenceIsDiscardedAndItsCandidateWaits) {
  // -1: the scan stops, the reference is discarded, the candidate is the left-over.
  Group(7, Records({"c", "r"}, true, {"r"}));
  EXPECT_EQ(files_.comparisons, std::vector<std::string>{"r~c"});
  EXPECT_EQ(Console(), OpenFailedLine("r"));
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
  EXPECT_EQ(run_.totals.DuplicateCount, 0);
}

TEST_F(Grouping, UnreadableCandidateLeavesUncounted) {
  // -2: the candidate leaves, the scan goes on and finds the equal.
  Group(7, Records({"a1", "bad", "a2"}, true, {"bad"}));
  EXPECT_EQ(files_.comparisons, (std::vector<std::string>{"a2~a1", "a2~bad"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("7 bytes", {"a1", "a2"}));
  EXPECT_EQ(Console(), OpenFailedLine("bad"));
  Group(7, Records({"x1", "bad2", "x2"}, true, {"bad2"}));
  EXPECT_EQ(files_.comparisons.back(), "x2~bad2");
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
}

TEST_F(Grouping, BothUnreadableStopsTheScanAndDropsTheCandidate) {
  // -3: the candidate leaves uncounted, the reference is discarded; the other file is left over.
  Group(7, Records({"u1", "ok", "u2"}, true, {"u1", "u2"}));
  EXPECT_EQ(files_.comparisons, std::vector<std::string>{"u2~u1"});
  EXPECT_EQ(Console(), OpenFailedLine("u2") + OpenFailedLine("u1"));
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
  EXPECT_EQ(Report(), "");
}

TEST_F(Grouping, AReferenceThatChangesUnderItsScanIsComparedAfresh) {
  // Ar equalled A1, then changed: A1 matched bytes Ar may no longer hold. Its status alone
  // changed here, so the fresh scan finds both equals again.
  files_.referenceChangesAt = "Ar~A2";
  Group(8, Records({"A1", "A2", "Ar"}));
  EXPECT_EQ(files_.comparisons, (std::vector<std::string>{"Ar~A1", "Ar~A2", "Ar~A1", "Ar~A2"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("8 bytes", {"A1", "A2", "Ar"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 3);
}

TEST_F(Grouping, EqualsOfAReferenceRewrittenAfterLookAlikesPartedMeetTheNextReference) {
  // a3 equalled a1, b1 parted the look-alikes by digest while a1 was out of the list, then a3
  // was rewritten: a1 goes back and must still meet a2.
  UseFakeDigest();
  files_.referenceChangesAt = "a3~a2";
  files_.contentAfterChange = "z";
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

TEST_F(Grouping, AFileReachedTwiceIsNeverItsOwnDuplicate) {
  const WalkPlaces places = TwoSpellingsOfOneFolder();
  run_.places = &places;
  // a and its copy ya, and both again through the second spelling.
  Group(9, {InFolder(0, "a", 1), InFolder(0, "ya", 1), InFolder(1, "a", 1), InFolder(1, "ya", 1)});
  EXPECT_EQ(Report(), GroupBlock("9 bytes", {Path(Path(".", "r"), "ya"), Path("r", "a")}));
  EXPECT_EQ(files_.comparisons,
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
  UseFakeDigest();
  Group(10, Records({"b1", "c1", "a1", "x", "a2"}, true, {"x"}));
  EXPECT_EQ(files_.comparisons, (std::vector<std::string>{"a2~b1", "a2~a1", "a2~x"}));
  EXPECT_EQ(Report(), GroupBlockInOrder("10 bytes", {"a1", "a2"}));
  EXPECT_EQ(Console(), OpenFailedLine("x"));
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
}

TEST_F(Grouping, DigestsTakenWithTheFingerprintsAreNotReadAgain) {
  // The files above, with all but x read whole by the fingerprint stage.
  UseFakeDigest();
  const std::vector<WholeDigest> wholeDigests{{'b'}, {'c'}, {'a'}, {kNoWholeDigest}, {'a'}};
  Group(10, Records({"b1", "c1", "a1", "x", "a2"}, true, {"x"}), wholeDigests.data());
  EXPECT_EQ(files_.digestReads, std::vector<std::string>{"x"});
  EXPECT_EQ(files_.comparisons, (std::vector<std::string>{"a2~b1", "a2~a1", "a2~x"}));
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

}  // namespace
