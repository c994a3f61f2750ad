#include "report/duplicate_grouping.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/temp_tree.h"

namespace {

PathString Text(const std::string& text) { return PathString(text.begin(), text.end()); }
std::string Narrow(const PathString& text) { return std::string(text.begin(), text.end()); }

// A file system in a map: a path's content is a letter; a missing path fails to open.
std::map<PathString, std::string> fakeContent;
std::vector<std::string> comparisons;

int FakeCompare(const PathChar* first, const PathChar* second, TextOutput&) {
  comparisons.push_back(Narrow(first) + "~" + Narrow(second));
  const bool firstOpens = fakeContent.count(first) != 0;
  const bool secondOpens = fakeContent.count(second) != 0;
  if (firstOpens && secondOpens) {
    return fakeContent[first] == fakeContent[second] ? 1 : 0;
  }
  return firstOpens ? -2 : (secondOpens ? -1 : -3);
}

class Grouping : public testing::Test {
 protected:
  void SetUp() override {
    fakeContent.clear();
    comparisons.clear();
    report_.stream = std::tmpfile();
    console_.stream = std::tmpfile();
    run_.report = &report_;
    run_.console = &console_;
    run_.FileCount = 1000;
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
      records.push_back(FileRecord{Text(name), fingerprint});
    }
    return records;
  }

  void Group(std::int64_t size, const std::vector<FileRecord>& records) {
    GroupSizeClass(size, records, run_);
  }
  std::string Report() { return StreamContent(report_.stream); }
  std::string Console() { return StreamContent(console_.stream); }

  TextOutput report_;
  TextOutput console_;
  GroupingRun run_;
};

TEST_F(Grouping, LastRecordIsTheFirstReferenceAndTheOddOneIsLeftOver) {
  Group(10, Records({"A", "B", "A2"}, true));  // A and A2 equal, B differs, all look alike
  EXPECT_EQ(Report(), "File Size: 10 bytes\nA\nA2\n\n");
  EXPECT_EQ(comparisons, (std::vector<std::string>{"A2~A", "A2~B"}));
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.DiscardedCount, 1);
  EXPECT_EQ(run_.totals.WastedBytes, 10);
}

TEST_F(Grouping, ADifferentLastRecordIsDiscardedBeforeTheGroupIsFound) {
  Group(10, Records({"A", "A2", "B"}, true));
  EXPECT_EQ(Report(), "File Size: 10 bytes\nA\nA2\n\n");
  EXPECT_EQ(comparisons, (std::vector<std::string>{"B~A", "B~A2", "A2~A"}));
  EXPECT_EQ(run_.totals.DiscardedCount, 1);
}

TEST_F(Grouping, GroupsOfOneSizeAreWrittenInTheOrderTheirReferencesAreTaken) {
  Group(1536, Records({"A1", "B1", "A2", "B2"}));
  EXPECT_EQ(Report(), "File Size: 1.50 KB\nB1\nB2\n\nFile Size: 1.50 KB\nA1\nA2\n\n");
  EXPECT_EQ(run_.totals.DuplicateCount, 4);
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
  EXPECT_EQ(run_.totals.WastedBytes, 3072);
}

TEST_F(Grouping, PathsSortByCodeUnitWithUpperCaseFirst) {
  Group(5, Records({"a/x", "a/Y", "aB", "a/Z"}, true));  // all content 'a'
  EXPECT_EQ(Report(), "File Size: 5 bytes\na/Y\na/Z\na/x\naB\n\n");
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
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
  EXPECT_EQ(run_.totals.DuplicateCount, 0);
}

TEST_F(Grouping, UnreadableCandidateLeavesUncounted) {
  // -2: the candidate leaves, the scan goes on and finds the equal.
  Group(7, Records({"a1", "bad", "a2"}, true, {"bad"}));
  EXPECT_EQ(comparisons, (std::vector<std::string>{"a2~a1", "a2~bad"}));
  EXPECT_EQ(Report(), "File Size: 7 bytes\na1\na2\n\n");
  Group(7, Records({"x1", "bad2", "x2"}, true, {"bad2"}));
  EXPECT_EQ(comparisons.back(), "x2~bad2");
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
}

TEST_F(Grouping, BothUnreadableStopsTheScanAndDropsTheCandidate) {
  // -3: the candidate leaves uncounted, the reference is discarded; the other file is left over.
  Group(7, Records({"u1", "ok", "u2"}, true, {"u1", "u2"}));
  EXPECT_EQ(comparisons, std::vector<std::string>{"u2~u1"});
  EXPECT_EQ(run_.totals.DiscardedCount, 2);
  EXPECT_EQ(Report(), "");
}

TEST_F(Grouping, ProgressLineWhenAGroupReachesANewHundred) {
  run_.totals.DuplicateCount = 98;
  Group(3, Records({"a1", "a2"}));
  EXPECT_EQ(Console(), "\tFound 100 duplicate files and discared 0 files so far (10%)...\n");
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
  EXPECT_EQ(Console(), "\tFound 300 duplicate files and discared 5 files so far (30%)...\n");
  Group(4, Records({"m1", "m2", "m3", "m4"}));
  Group(5, Records({"n1", "n2"}));  // 350 + 4 + 2: still below 400
  EXPECT_EQ(Console(), "\tFound 300 duplicate files and discared 5 files so far (30%)...\n");
  run_.totals.DuplicateCount = 398;
  Group(6, Records({"o1", "o2"}));
  EXPECT_EQ(Console(),
            "\tFound 300 duplicate files and discared 5 files so far (30%)...\n"
            "\tFound 400 duplicate files and discared 5 files so far (40%)...\n");
}

TEST_F(Grouping, PercentageStaysRightInHugeRuns) {
  run_.FileCount = 50000000;
  run_.totals.DuplicateCount = 29999998;
  Group(3, Records({"a1", "a2"}));
  EXPECT_EQ(Console(), "\tFound 30000000 duplicate files and discared 0 files so far (60%)...\n");
}

TEST_F(Grouping, AFileReachedTwiceIsNeverItsOwnDuplicate) {
  // The same root given twice: a, b, a, b with a and b identical.
  Group(9, Records({"a", "a-copy", "a", "a-copy"}));
  EXPECT_EQ(Report(), "File Size: 9 bytes\na\na-copy\n\n");
  EXPECT_EQ(comparisons, std::vector<std::string>{"a-copy~a"});
  EXPECT_EQ(run_.totals.DuplicateCount, 2);
  EXPECT_EQ(run_.totals.WastedBytes, 9);
  EXPECT_EQ(run_.totals.DiscardedCount, 0);
}

TEST_F(Grouping, AFileReachedTwiceWithoutACopyIsNotReported) {
  Group(9, Records({"solo", "other", "solo"}, true));
  EXPECT_EQ(Report(), "");
  EXPECT_EQ(run_.totals.DuplicateCount, 0);
}

}  // namespace
