// What --min-size and --exclude leave out of the report's groups, as the summary counts them, and
// groups that are never a group to act on.
#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/run_program.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_in_process.h"
#include "tidy/exit_status.h"

namespace {

// A group of copies of `bytes` at `paths` under `tree`, as the report lists it.
std::string Copies(const TempTree& tree, const std::vector<std::string>& paths,
                   const std::string& bytes) {
  std::vector<std::filesystem::path> files;
  for (const std::string& path : paths) {
    files.push_back(tree.WriteFile(path, bytes));
  }
  return ReportGroup(files);
}

}  // namespace

// Groups of files smaller than the size are left out, and a group of exactly that size is not;
// K is 1024. A size the option cannot hold is refused, not wrapped round to a small one.
TEST(GroupFilters, MinSizeLeavesOutOnlySmallerFilesInKibibytes) {
  TempTree tree;
  const std::string report = Copies(tree, {"a/1", "b/1"}, PatternBytes(1023, 1)) +
                             Copies(tree, {"a/2", "b/2"}, PatternBytes(1024, 2)) +
                             Copies(tree, {"a/3", "b/3"}, PatternBytes(1025, 3));
  const std::string summary =
      RunTidyOnReport(tree / "duplicates.txt", report, {Text("--min-size"), Text("1K")});
  EXPECT_NE(summary.find(TidyVerifiedLine(2, 0, 1)), std::string::npos) << summary;
  for (const char* refused : {"99999999999999999999", "9000000000G", "1KB", "K"}) {
    int status = 0;
    RunTidyOnReport(tree / "duplicates.txt", report, {Text("--min-size"), Text(refused)}, &status);
    EXPECT_EQ(status, kExitTrouble) << refused;
  }
}

// A pattern is held against the whole path as the report spells it, not its name alone, and
// to its last character; a group that keeps fewer than two files is left out.
TEST(GroupFilters, ExcludeMatchesWholePathsAndLeavesOutGroupsOfOne) {
  TempTree tree;
  const std::string report = Copies(tree, {"x/1.tmp", "w/1.tmp", "z/1.dat"}, PatternBytes(100, 1)) +
                             Copies(tree, {"x/2.dat", "w/2.tmp.dat"}, PatternBytes(200, 2)) +
                             Copies(tree, {"x/3.dat", "y/3.dat"}, PatternBytes(300, 3));
  const PathString inY = Text("*") + kPathSeparator + Text("y") + kPathSeparator + Text("*");
  const std::string summary = RunTidyOnReport(
      tree / "duplicates.txt", report, {Text("--exclude"), Text("*.tmp"), Text("--exclude"), inY});
  EXPECT_NE(summary.find(TidyVerifiedLine(1, 0, 2)), std::string::npos) << summary;
}

// dupscan lists empty files apart: a group of them is made by hand, and removing one (a .gitkeep,
// an __init__.py) would free nothing. It is unresolved, with its reason.
TEST(GroupFilters, AGroupOfEmptyFilesIsNeverActedOn) {
  TempTree tree;
  const std::string report = Copies(tree, {"a/.gitkeep", "b/.gitkeep"}, "");
  const std::string summary = RunTidyOnReport(tree / "duplicates.txt", report, {});
  EXPECT_NE(summary.find(TidyVerifiedLine(0, 1, 0)), std::string::npos) << summary;
  EXPECT_NE(summary.find(TidyUnresolvedLine(2, ReportPath(tree / "a/.gitkeep"), kTidyEmptyGroup)),
            std::string::npos)
      << summary;
}

// The folders are held each from the one above it, down a deep chain: a folder whose text only
// begins with another's ("bc" after "b") is not below it, and a chain deeper than the folders held
// at once (256) goes on from the top again. Each copy is found where its line says, none twice.
// The chain is 260 folders, past that and past MAX_PATH, no deeper. Under wine it is 130, past
// MAX_PATH still: there each name the system keeps for a handle costs wine's server calls of the
// folder's depth, so the check's time grows with the cube of the depth (at 260 it was a third of
// the processor time of the Windows suite, 27 s); going on from the top is the same code natively.
// CTest labels: long
TEST(GroupCheck, FoldersDownADeepChainAreEachTheOneTheirTextNames) {
  TempTree tree;
  std::vector<std::string> paths = {"b/f", "bc/f"};
  std::string folder = "d";
  const int chainDepth = RunningUnderWine() ? 130 : 260;
  for (int depth = 0; depth < chainDepth; ++depth, folder += "/d") {
    paths.push_back(folder + "/f");
  }
  const std::string report = Copies(tree, paths, "copied\n");
  const std::string summary = RunTidyOnReport(tree / "duplicates.txt", report, {});
  EXPECT_NE(summary.find(TidyVerifiedLine(1, 0, 0)), std::string::npos) << summary;
}
