// The report's bytes, and a report that cannot be written.
#include <gtest/gtest.h>

#include "support/e2e_support.h"

namespace {

ExpectedRun OneRoot(const std::string& root, int files, int potential) {
  return Counts({root}, files, 1, potential);
}

TEST(ReportEndToEnd, NoDuplicatesLeavesAnEmptyReport) {
  TempTree tree;
  tree.WriteFile("r/one", "1");
  tree.WriteFile("r/two", "22");
  tree.WriteFile("duplicates.txt", "stale text from an earlier run");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});
  EXPECT_EQ(result.output, ExpectedConsole(OneRoot(PrintedText(tree / "r"), 2, 0)));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "");
  // The new report took the earlier one's place by a rename: nothing is left beside it.
  EXPECT_EQ(NamesIn(tree.root()), (std::set<std::string>{"duplicates.txt", "r"}));
}

TEST(ReportEndToEnd, EmptyRootStillCreatesTheReport) {
  TempTree tree;
  tree.MakeDirectory("r");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});
  EXPECT_EQ(result.output, ExpectedConsole(OneRoot(PrintedText(tree / "r"), 0, 0)));
  EXPECT_TRUE(std::filesystem::exists(tree / "duplicates.txt"));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(ReportEndToEnd, OneEmptyFileHasNoEmptyFilesSection) {
  TempTree tree;
  tree.WriteFile("r/empty", "");
  tree.WriteFile("r/other", "x");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});
  EXPECT_EQ(result.output, ExpectedConsole(OneRoot(PrintedText(tree / "r"), 2, 0)));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "");
}

TEST(ReportEndToEnd, TwoEmptyFilesAndAGroupOfTwo) {
  TempTree tree;
  const std::string content = PatternBytes(1536, 11);
  tree.WriteFile("r/z-empty", "");
  tree.WriteFile("r/B", content);
  tree.WriteFile("r/a", content);
  tree.WriteFile("r/y-empty", "");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});

  EXPECT_EQ(result.output,
            ExpectedConsole(Counts({PrintedText(tree / "r")}, 4, 1, 4, 2, "1.50 KB")));
  const std::vector<std::string> empties = PathsInWalkOrder(tree / "r", "-empty");
  // Upper case sorts before lower case.
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(EmptyFilesBlock(empties) +
                        GroupBlockInOrder("1.50 KB",
                                          {PrintedText(tree / "r/B"), PrintedText(tree / "r/a")})));
}

TEST(ReportEndToEnd, CrLfCopyAndControlZVariantAreNotDuplicates) {
  TempTree tree;
  tree.WriteFile("r/crlf", "one\r\ntwo\r\n");
  tree.WriteFile("r/lf", "one\ntwo\n\n\n");
  tree.WriteFile("r/z1", std::string("ab\x1a"
                                     "cd"));
  tree.WriteFile("r/z2", std::string("ab\x1a"
                                     "ce"));
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});
  EXPECT_EQ(result.output, ExpectedConsole(OneRoot(PrintedText(tree / "r"), 4, 4)));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "");
}

TEST(ReportEndToEnd, ADirectoryNamedLikeTheReportFailsAtOnce) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  tree.MakeDirectory("duplicates.txt");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_NE(result.errors.find("duplicates.txt"), std::string::npos) << result.errors;
  EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
}

// The report in the working folder is about to be replaced: listed beside a saved copy of itself,
// it made the only saved copy look like a spare one.
TEST(ReportEndToEnd, TheEarlierReportIsNoFileOfTheSearch) {
  TempTree tree;
  tree.WriteFile("duplicates.txt", "the earlier report\n");
  tree.WriteFile("saved-report.txt", "the earlier report\n");
  tree.WriteFile("a", "same");
  tree.WriteFile("b", "same");
  const ProgramResult result = RunIn(tree.root(), {Text(".")});
  EXPECT_EQ(result.output, ExpectedConsole(Counts({"."}, 3, 1, 2, 2, "4 bytes")));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(GroupBlock("4 bytes", {"." + Separator() + "a", "." + Separator() + "b"})));
}

}  // namespace
