// Walker cases that need Windows file kinds.
#include <gtest/gtest.h>

#include "catalogue/directory_walker.h"
#include "support/run_program.h"
#include "support/walk_support.h"
#include "support/windows_support.h"

namespace {

TEST(WalkerWindows, FolderLinksAreNotFollowed) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine 8's CreateSymbolicLinkW reports success and makes nothing";
  }
  TempTree tree;
  const auto real = tree.WriteFile("real/f", "content");
  if (!MakeFolderLink(tree / "link", tree / "real")) {
    GTEST_SKIP() << "making a symbolic link needs developer mode or an administrator";
  }
  const WalkResult walk = Walk({NativeText(tree.root())});
  EXPECT_EQ(walk.PathsOfSize(7), std::vector<PathString>{NativeText(real)});
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 2);
  EXPECT_EQ(walk.console, "");
}

}  // namespace
