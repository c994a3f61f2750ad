// The built program on small trees: its whole console output, and its report.
#include <gtest/gtest.h>

#include "support/e2e_support.h"

namespace {

PathString Text(const std::string& text) { return PathString(text.begin(), text.end()); }

std::string FailureLine(const std::filesystem::path& directory, int code) {
  return "FindFirstFile failed: " + PrintedText(directory) + Separator() + "* (" +
         std::to_string(code) + ")\n";
}

TEST(ScanEndToEnd, SmallTreeWithDuplicatesEmptyAndUniqueFiles) {
  TempTree tree;
  const std::string content = PatternBytes(100, 1);
  tree.WriteFile("scan/a", content);
  tree.WriteFile("scan/sub/b", content);
  tree.WriteFile("scan/c", PatternBytes(50, 2));
  tree.WriteFile("scan/sub/e", "");
  tree.WriteFile("scan/f", "");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "scan")});

  ExpectedRun expected;
  expected.roots = {PrintedText(tree / "scan")};
  expected.files = 5;
  expected.directories = 2;
  expected.potential = 4;
  expected.duplicates = 2;
  expected.wasted = "100 bytes";
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.exitCode, 0);

  std::vector<PathString> walkOrder;
  ListDepthFirst(tree / "scan", NativeText(tree / "scan"), walkOrder);
  std::string empties;
  for (const PathString& path : walkOrder) {
    if (path.back() == 'e' || path.back() == 'f') {
      empties += PrintedText(path) + "\n";
    }
  }
  EXPECT_EQ(
      ReadWholeFile(tree / "duplicates.txt"),
      ReportBytes("Empty Files:\n" + empties + "\nFile Size: 100 bytes\n" +
                  PrintedText(tree / "scan/a") + "\n" + PrintedText(tree / "scan/sub/b") + "\n\n"));
}

TEST(ScanEndToEnd, SameRootTwiceReportsEachFileOnceInItsGroup) {
  TempTree tree;
  const std::string content = PatternBytes(10, 3);
  tree.WriteFile("r/a", content);
  tree.WriteFile("r/b", content);
  tree.WriteFile("r/e", "");
  const PathString root = NativeText(tree / "r");
  const ProgramResult result = RunIn(tree.root(), {root, root});

  ExpectedRun expected;
  expected.roots = {PrintedText(tree / "r"), PrintedText(tree / "r")};
  expected.files = 6;
  expected.directories = 2;
  expected.potential = 6;
  expected.duplicates = 2;
  expected.wasted = "10 bytes";
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  const std::string empty = PrintedText(tree / "r/e") + "\n";
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes("Empty Files:\n" + empty + empty + "\nFile Size: 10 bytes\n" +
                        PrintedText(tree / "r/a") + "\n" + PrintedText(tree / "r/b") + "\n\n"));
}

TEST(ScanEndToEnd, AnArgumentBeginningWithADashIsARoot) {
  TempTree tree;
  tree.WriteFile("-n/x", "same");
  tree.WriteFile("-n/y", "same");
  const ProgramResult result = RunIn(tree.root(), {Text("-n")});
  ExpectedRun expected;
  expected.roots = {"-n"};
  expected.files = 2;
  expected.directories = 1;
  expected.potential = 2;
  expected.duplicates = 2;
  expected.wasted = "4 bytes";
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes("File Size: 4 bytes\n-n" + Separator() + "x\n-n" + Separator() + "y\n\n"));
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
  ExpectedRun expected;
  for (const char* folder : {"Pictures", "Desktop", "Documents", "Downloads"}) {
    expected.roots.push_back(PrintedText(home) + Separator() + folder);
  }
  expected.walkLines = FailureLine(home / "Desktop", MissingDirectoryCode()) +
                       FailureLine(home / "Downloads", MissingDirectoryCode());
  expected.files = 2;
  expected.directories = 4;
  expected.potential = 2;
  expected.duplicates = 2;
  expected.wasted = "2 bytes";
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(ScanEndToEnd, MissingRootIsReportedAndTheOthersAreWalked) {
  TempTree tree;
  tree.WriteFile("there/only", "1");
  const ProgramResult result =
      RunIn(tree.root(), {NativeText(tree / "missing"), NativeText(tree / "there")});
  ExpectedRun expected;
  expected.roots = {PrintedText(tree / "missing"), PrintedText(tree / "there")};
  expected.walkLines = FailureLine(tree / "missing", MissingDirectoryCode());
  expected.files = 1;
  expected.directories = 2;
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "");
}

TEST(ScanEndToEnd, HashProgressEveryThousandFingerprints) {
  TempTree tree;
  for (int i = 0; i < 2500; ++i) {
    tree.WriteFile("many/" + std::to_string(i), std::to_string(i % 2));  // two sizes of one byte
  }
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "many")});
  EXPECT_NE(
      result.output.find("\tFound 2000 files so far...\n\tFound 2500 files in 1 directories\n"),
      std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("\nCalculating file hashes...\n"
                               "\tCalculated 1000 hashes so far (40%)...\n"
                               "\tCalculated 2000 hashes so far (80%)...\n"
                               "\tDone calculating file hashes\n"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("\tFound 2500 duplicate files wasting a total of 2.44 KB bytes\n"),
            std::string::npos);
}

}  // namespace
