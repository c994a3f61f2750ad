#include "catalogue/directory_walker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/expected_texts.h"
#include "support/run_program.h"
#include "support/walk_support.h"

namespace {

TEST(Walker, RecordsInListingOrderWithSubtreesBeforeLaterSiblings) {
  TempTree tree;
  // Every file the same size, so one class holds the whole walk order.
  for (const char* name : {"a", "m/b", "m/n/c", "m/d", "z", ".hidden", "q/.dot/e", "f"}) {
    tree.WriteFile(name, "12345");
  }
  tree.MakeDirectory("empty");
  std::vector<PathString> expected;
  ListDepthFirst(tree.root(), NativeText(tree.root()), expected);

  const WalkResult walk = Walk({NativeText(tree.root())});
  EXPECT_EQ(walk.PathsOfSize(5), expected);
  EXPECT_EQ(walk.catalogue.counters.FileCount, 8);
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 6);  // root, m, m/n, q, q/.dot, empty
  EXPECT_EQ(walk.console, "");
}

TEST(Walker, RecordsEachFileUnderItsSize) {
  TempTree tree;
  tree.WriteFile("one", std::string(1, 'x'));
  tree.WriteFile("empty", "");
  tree.WriteFile("big", std::string(70000, 'y'));
  const WalkResult walk = Walk({NativeText(tree.root())});
  EXPECT_EQ(walk.PathsOfSize(1).size(), 1u);
  EXPECT_EQ(walk.PathsOfSize(0).size(), 1u);
  EXPECT_EQ(walk.PathsOfSize(70000), std::vector<PathString>{NativeText(tree / "big")});
}

TEST(Walker, RootEndingInSeparatorGetsASecondOne) {
  TempTree tree;
  tree.WriteFile("f", "x");
  const PathString root = NativeText(tree.root()) + kPathSeparator;
  const WalkResult walk = Walk({root});
  EXPECT_EQ(walk.PathsOfSize(1), std::vector<PathString>{root + kPathSeparator + Text("f")});
}

TEST(Walker, MissingRootAndFileRootAreReportedAndCountedAndTheWalkGoesOn) {
  TempTree tree;
  const auto file = tree.WriteFile("file", "x");
  tree.WriteFile("dir/g", "y");
  const WalkResult walk =
      Walk({NativeText(tree / "missing"), NativeText(file), NativeText(tree / "dir")});
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 3);
  EXPECT_EQ(walk.catalogue.counters.FileCount, 1);
  const std::string missingLine =
      ListingFailedLine(PrintedText(tree / "missing"), MissingDirectoryCode());
  // The code for a file named as a folder differs between systems: the line up to it.
  const std::string fileLine = ListingFailedLine(PrintedText(file), 0);
  EXPECT_EQ(walk.console.substr(0, missingLine.size()), missingLine) << walk.console;
  EXPECT_EQ(walk.console.substr(missingLine.size(), fileLine.size() - 3),
            fileLine.substr(0, fileLine.size() - 3))
      << walk.console;
  EXPECT_EQ(std::count(walk.console.begin(), walk.console.end(), '\n'), 2) << walk.console;
}

// CTest labels: long
TEST(Walker, ProgressLineEvery2000FilesAcrossRoots) {
  TempTree tree;
  for (int i = 0; i < 1500; ++i) {
    tree.WriteFile("first/" + std::to_string(i), "");
  }
  for (int i = 0; i < 2600; ++i) {
    tree.WriteFile("second/sub/" + std::to_string(i), "");
  }
  const WalkResult walk = Walk({NativeText(tree / "first"), NativeText(tree / "second")});
  EXPECT_EQ(walk.console, WalkProgressLine(2000) + WalkProgressLine(4000));
  EXPECT_EQ(walk.catalogue.counters.FileCount, 4100);
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 3);
}

TEST(Walker, SameRootTwiceRecordsEveryFileTwice) {
  TempTree tree;
  tree.WriteFile("a", "1");
  const PathString root = NativeText(tree.root());
  const WalkResult walk = Walk({root, root});
  const PathString path = NativeText(tree / "a");
  EXPECT_EQ(walk.PathsOfSize(1), (std::vector<PathString>{path, path}));
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 2);
}

}  // namespace
