// dupscan-tidy end to end, what only Linux can show: a holding folder on another file system, a
// folder renamed away while its descriptor is held, sparse files.
#include <sys/mount.h>
#include <sys/stat.h>
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

// The copy's folder renamed out of --within once the checks passed (at the first step): the
// folder held still reaches the copy there, but nothing outside --within is acted on.
TEST(TidyEndToEnd, ACopysFolderRenamedOutOfWithinIsNotFollowed) {
  for (const char* action : {"remove", "link", "move"}) {
    TempTree tree;
    SetAge(tree.WriteFile("home/keep/a.bin", PatternBytes(3000, 32)), 30);
    tree.WriteFile("home/w/a.bin", PatternBytes(3000, 32));
    tree.MakeDirectory("outside");
    tree.MakeDirectory("holding");
    WriteReport(tree.root(), {Text("home")});
    const ProgramResult applied =
        RunTidyRenamingAt(tree.root(), 1, tree / "home/w", tree / "outside/w",
                          {Text("apply"), Text("--action"), Text(action), Text("--holding"),
                           Text("holding"), Text("--within"), Text("home")});
    EXPECT_EQ(applied.exitCode, 1) << action << "\n" << applied.output;
    EXPECT_NE(applied.output.find(TidySkippedLine("home/w/a.bin", kTidyFolderMoved)),
              std::string::npos)
        << action << "\n"
        << applied.output;
    EXPECT_EQ(NamesIn(tree / "outside/w"), std::set<std::string>{"a.bin"}) << action;
    EXPECT_FALSE(SameInode(tree / "outside/w/a.bin", tree / "home/keep/a.bin")) << action;
  }
}

TEST(TidyEndToEnd, SparseFilesFreeWhatTheDiskGetsBack) {
  TempTree tree;
  constexpr std::uintmax_t kSize = 16 * 1024 * 1024;
  for (const char* name : {"vm/disk.img", "backup/disk-copy.img"}) {
    std::filesystem::resize_file(tree.WriteFile(name, "boot"), kSize);  // a hole after a block
  }
  SetAge(tree / "vm/disk.img", 30);
  struct stat status;
  ASSERT_EQ(stat((tree / "backup/disk-copy.img").c_str(), &status), 0);
  if (status.st_blocks * 512 != 4096) {
    GTEST_SKIP() << "the file system gave the sparse file " << status.st_blocks * 512
                 << " bytes, not one block of 4096";
  }
  WriteReport(tree.root(), {Text("vm"), Text("backup")});
  const ProgramResult summary = RunTidyIn(tree.root(), {});
  EXPECT_EQ(summary.exitCode, 0) << summary.errors;
  EXPECT_NE(summary.output.find(TidyFreeableSparseLine("4.00 KB", 4096, 1, "16.00 MB", kSize)),
            std::string::npos)
      << summary.output;
  EXPECT_NE(summary.output.find(TidySparseGroupLine("4.00 KB", 2, "16.00 MB", "vm/disk.img")),
            std::string::npos)
      << summary.output;
}
