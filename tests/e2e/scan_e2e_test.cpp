// The built program on small trees: its whole console output, and its report.
#include <gtest/gtest.h>

#include "support/e2e_support.h"

namespace {

std::string FailureLine(const std::filesystem::path& directory, int code) {
  return ListingFailedLine(PrintedText(directory), code);
}

TEST(ScanEndToEnd, SmallTreeWithDuplicatesEmptyAndUniqueFiles) {
  TempTree tree;
  const std::string content = PatternBytes(100, 1);
  tree.WriteFile("scan/a", content);
  tree.WriteFile("scan/sub/b", content);
  tree.WriteFile("scan/c", PatternBytes(50, 2));
  tree.WriteFile("scan/sub/e-empty", "");
  tree.WriteFile("scan/f-empty", "");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "scan")});

  EXPECT_EQ(result.output,
            ExpectedConsole(Counts({PrintedText(tree / "scan")}, 5, 2, 4, 2, "100 bytes")));
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.exitCode, 0);

  const std::vector<std::string> empties = PathsInWalkOrder(tree / "scan", "-empty");
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(EmptyFilesBlock(empties) +
                        GroupBlock("100 bytes", {PrintedText(tree / "scan/a"),
                                                 PrintedText(tree / "scan/sub/b")})));
}

// A lone empty file reached twice once got an "Empty Files:" section of its own, as if it had a
// copy: the section is for two or more files, counted after the second names are dropped.
TEST(ScanEndToEnd, SameRootTwiceReportsEachFileOnce) {
  TempTree tree;
  const std::string content = PatternBytes(10, 3);
  tree.WriteFile("r/a", content);
  tree.WriteFile("r/b", content);
  tree.WriteFile("r/e-empty", "");
  const PathString root = NativeText(tree / "r");
  const ProgramResult result = RunIn(tree.root(), {root, root});

  const std::string shown = PrintedText(tree / "r");
  EXPECT_EQ(result.output, ExpectedConsole(Counts({shown, shown}, 6, 2, 6, 2, "10 bytes")));
  const std::string group =
      GroupBlock("10 bytes", {PrintedText(tree / "r/a"), PrintedText(tree / "r/b")});
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), ReportBytes(group));

  tree.WriteFile("r/f-empty", "");
  EXPECT_EQ(RunIn(tree.root(), {root, root}).exitCode, 0);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(EmptyFilesBlock(PathsInWalkOrder(tree / "r", "-empty")) + group));
}

TEST(ScanEndToEnd, AnArgumentBeginningWithADashIsARoot) {
  TempTree tree;
  tree.WriteFile("-n/x", "same");
  tree.WriteFile("-n/y", "same");
  const ProgramResult result = RunIn(tree.root(), {Text("-n")});
  EXPECT_EQ(result.output, ExpectedConsole(Counts({"-n"}, 2, 1, 2, 2, "4 bytes")));
  EXPECT_EQ(
      ReadWholeFile(tree / "duplicates.txt"),
      ReportBytes(GroupBlock("4 bytes", {"-n" + Separator() + "x", "-n" + Separator() + "y"})));
}

TEST(ScanEndToEnd, NoArgumentSearchesTheFourProfileFolders) {
  TempTree tree;
  tree.WriteFile("home/Pictures/p", "12");
  tree.WriteFile("home/Documents/d", "12");
  ProgramOptions options;
  options.workingDirectory = tree.root();
  options.environment = {{ProfileVariable(), PrintedText(tree / "home")}};
  const ProgramResult result = RunProgram({}, options);

  const std::filesystem::path home = tree / "home";
  std::vector<std::string> roots;
  for (const char* folder : {"Pictures", "Desktop", "Documents", "Downloads"}) {
    roots.push_back(PrintedText(home) + Separator() + folder);
  }
  ExpectedRun expected = Counts(roots, 2, 4, 2, 2, "2 bytes");
  expected.walkLines = FailureLine(home / "Desktop", MissingDirectoryCode()) +
                       FailureLine(home / "Downloads", MissingDirectoryCode());
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(ScanEndToEnd, MissingRootIsReportedAndTheOthersAreWalked) {
  TempTree tree;
  tree.WriteFile("there/only", "1");
  const ProgramResult result =
      RunIn(tree.root(), {NativeText(tree / "missing"), NativeText(tree / "there")});
  ExpectedRun expected =
      Counts({PrintedText(tree / "missing"), PrintedText(tree / "there")}, 1, 2, 0);
  expected.walkLines = FailureLine(tree / "missing", MissingDirectoryCode());
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "");
}

// 2102 files: just past the walk's line at 2000 and the hashes' second one (under wine each file
// costs the run 3 ms), and a count the percentages do not divide, which are rounded down.
// CTest labels: long
TEST(ScanEndToEnd, HashProgressEveryThousandFingerprints) {
  TempTree tree;
  for (int i = 0; i < 2102; ++i) {
    tree.WriteFile("many/" + std::to_string(i), std::to_string(i % 2));  // two contents of one byte
  }
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "many")});
  ExpectedRun expected = Counts({PrintedText(tree / "many")}, 2102, 1, 2102, 2102, "2.05 KB");
  expected.walkLines = WalkProgressLine(2000);
  expected.hashLines = HashProgressLine(1000, 47) + HashProgressLine(2000, 95);
  // Two groups of 1051: the first lifts the count past 1000, the second to 2102 (99.9%).
  expected.groupingLines = GroupingProgressLine(10, 0, 47) + GroupingProgressLine(21, 0, 99);
  EXPECT_EQ(result.output, ExpectedConsole(expected));
}

}  // namespace
