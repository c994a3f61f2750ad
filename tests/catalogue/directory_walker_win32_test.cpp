// Walker cases that need Windows file kinds.
#include <gtest/gtest.h>

#include "catalogue/directory_walker.h"
#include "support/walk_support.h"
#include "support/windows_support.h"

namespace {

// Following a link lists its folder's files a second time, under another path; the profile's
// legacy junctions ("Documents\My Music" and the like) refuse every listing and would only add
// failure lines.
void ExpectLinkNotFollowed(FolderLinkKind kind) {
  TempTree tree;
  const auto real = tree.WriteFile("real/f", "content");
  if (const std::string unavailable = MakeFolderLink(tree / "link", tree / "real", kind);
      !unavailable.empty()) {
    GTEST_SKIP() << unavailable;
  }
  const WalkResult walk = Walk({NativeText(tree.root())});
  EXPECT_EQ(walk.PathsOfSize(7), std::vector<PathString>{NativeText(real)});
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 2);
  EXPECT_EQ(walk.console, "");
}

TEST(WalkerWindows, FolderSymbolicLinksAreNotFollowed) {
  ExpectLinkNotFollowed(FolderLinkKind::kSymbolicLink);
}

TEST(WalkerWindows, JunctionsAreNotFollowed) { ExpectLinkNotFollowed(FolderLinkKind::kJunction); }

}  // namespace
