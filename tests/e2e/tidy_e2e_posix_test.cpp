// dupscan-tidy end to end, what only Linux can show: a holding folder on another file system.
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"

TEST(TidyEndToEnd, AMoveToAnotherFileSystemIsRefused) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "mounting a tmpfs for the holding folder needs root";
  }
  TempTree tree;
  SetAge(tree.WriteFile("home/a.bin", PatternBytes(3000, 31)), 30);
  tree.WriteFile("home/copy/a.bin", PatternBytes(3000, 31));
  const std::filesystem::path holding = tree.MakeDirectory("holding");
  if (mount("tidy-test", holding.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "no tmpfs could be mounted here (a container without the right)";
  }
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult moved =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                              Text("holding"), Text("--within"), Text("home")});
  umount(holding.c_str());
  EXPECT_EQ(moved.exitCode, 1);
  EXPECT_NE(moved.output.find(TidySkippedLine("home/copy/a.bin", kTidyOtherVolume)),
            std::string::npos)
      << moved.output;
  EXPECT_EQ(ReadWholeFile(tree / "home/copy/a.bin"), PatternBytes(3000, 31));
}
