// dupscan-tidy end to end, what only Linux can show: a holding folder on another file system, a
// folder renamed away while its descriptor is held, sparse files, files of other users and a
// journal another user could write.
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
  if (mount("tidy-test", holding.c_str(), "tmpfs", 0, "size=1m,mode=0700") != 0) {
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

// A holding folder others may write (not the folders a move makes in it, which are the user's
// alone) would let them rename those folders, copies and all, out of undo's reach.
TEST(TidyEndToEnd, AHoldingFolderOthersMayChangeIsRefused) {
  TempTree tree;
  SetAge(tree.WriteFile("home/a.bin", PatternBytes(3000, 32)), 30);
  tree.WriteFile("home/copy/a.bin", PatternBytes(3000, 32));
  ASSERT_EQ(chmod(tree.MakeDirectory("holding").c_str(), 0777), 0);
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult moved =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                              Text("holding"), Text("--within"), Text("home")});
  EXPECT_EQ(moved.exitCode, 2);
  EXPECT_EQ(moved.errors, TidyFolderOptionLine("--holding", "holding", kTidyHoldingNotOwn));
  EXPECT_TRUE(std::filesystem::exists(tree / "home/copy/a.bin"));
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

// The --within folder moved away once the checks passed, and the copy's folder put back at its
// path under a new folder of that name: the path still leads to the folder held, without a link,
// but that folder is no longer under the --within folder.
TEST(TidyEndToEnd, ACopysFolderPutBackAtItsPathOutsideWithinIsNotFollowed) {
  for (const char* action : {"remove", "link"}) {
    TempTree tree;
    SetAge(tree.WriteFile("home/keep/a.bin", PatternBytes(3000, 33)), 30);
    tree.WriteFile("home/w/sub/a.bin", PatternBytes(3000, 33));
    tree.MakeDirectory("new");
    WriteReport(tree.root(), {Text("home")});
    const ProgramResult applied = RunTidyRenamingAt(
        tree.root(), 1,
        {{tree / "home/w", tree / "old"},
         {tree / "new", tree / "home/w"},
         {tree / "old/sub", tree / "home/w/sub"}},
        {Text("apply"), Text("--action"), Text(action), Text("--within"), Text("home/w")});
    EXPECT_EQ(applied.exitCode, 1) << action << "\n" << applied.output;
    EXPECT_NE(applied.output.find(TidySkippedLine("home/w/sub/a.bin", kTidyFolderMoved)),
              std::string::npos)
        << action << "\n"
        << applied.output;
    EXPECT_EQ(NamesIn(tree / "home/w/sub"), std::set<std::string>{"a.bin"}) << action;
    EXPECT_FALSE(SameInode(tree / "home/w/sub/a.bin", tree / "home/keep/a.bin")) << action;
  }
}

// Run from a folder inside --within, its paths relative: that working folder moved out of
// --within once the checks passed. The paths still lead to the copy, now outside --within.
TEST(TidyEndToEnd, ACopyInAWorkingFolderMovedOutOfWithinIsNotActedOn) {
  TempTree tree;
  SetAge(tree.WriteFile("w/here/keep/a.bin", PatternBytes(3000, 34)), 30);
  tree.WriteFile("w/here/sub/a.bin", PatternBytes(3000, 34));
  WriteReport(tree / "w/here", {Text(".")});
  const ProgramResult applied =
      RunTidyRenamingAt(tree / "w/here", 1, tree / "w/here", tree / "outside",
                        {Text("apply"), Text("--within"), Text("..")});
  EXPECT_EQ(applied.exitCode, 1) << applied.output;
  EXPECT_NE(applied.output.find(TidySkippedLine("./sub/a.bin", kTidyFolderMoved)),
            std::string::npos)
      << applied.output;
  EXPECT_EQ(NamesIn(tree / "outside/sub"), std::set<std::string>{"a.bin"});
}

// Once the copy was removed (its journal line, the third step), its folder moved away and an
// empty folder put in its place: that folder was not emptied by this run, and stays.
TEST(TidyEndToEnd, AFolderPutInPlaceOfOneEmptiedStays) {
  TempTree tree;
  SetAge(tree.WriteFile("home/keep/a.bin", PatternBytes(3000, 35)), 30);
  tree.WriteFile("home/w/sub/a.bin", PatternBytes(3000, 35));
  tree.MakeDirectory("spare");
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult applied = RunTidyRenamingAt(
      tree.root(), 3,
      {{tree / "home/w/sub", tree / "home/w/moved"}, {tree / "spare", tree / "home/w/sub"}},
      {Text("apply"), Text("--within"), Text("home/w")});
  EXPECT_EQ(applied.exitCode, 0) << applied.output;
  EXPECT_TRUE(std::filesystem::is_directory(tree / "home/w/sub")) << applied.output;
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

namespace {

constexpr uid_t kOtherUser = 65534;

void MakeFile(const TempTree& tree, const char* path, mode_t mode, uid_t owner, int days) {
  const std::filesystem::path file = tree.WriteFile(path, PatternBytes(3000, 33));
  ASSERT_EQ(chmod(file.c_str(), mode), 0);
  ASSERT_EQ(chown(file.c_str(), owner, static_cast<gid_t>(-1)), 0);
  SetAge(file, days);
}

}  // namespace

// A kept file its user may not read is there as the check found it: apply says it cannot be
// opened, not that it changed or is gone. Root reads anything, so root runs it as nobody.
TEST(TidyEndToEnd, AKeptFileThatCannotBeReadIsSaidToBeSo) {
  const bool asNobody = geteuid() == 0;
  if (asNobody && !CanRunUnprivileged()) {
    GTEST_SKIP() << "root reads every file, and cannot run the program as nobody here";
  }
  TempTree tree;
  const std::filesystem::path kept = tree.WriteFile("home/keep/a.bin", PatternBytes(3000, 35));
  SetAge(kept, 30);
  tree.WriteFile("home/copy/a.bin", PatternBytes(3000, 35));
  WriteReport(tree.root(), {Text("home")});
  ASSERT_EQ(chmod(kept.c_str(), 0), 0);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
    ASSERT_TRUE(!asNobody || lchown(entry.path().c_str(), kOtherUser, static_cast<gid_t>(-1)) == 0);
  }
  ASSERT_TRUE(!asNobody || lchown(tree.root().c_str(), kOtherUser, static_cast<gid_t>(-1)) == 0);
  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")}, asNobody);
  EXPECT_EQ(applied.exitCode, 1) << applied.errors;
  EXPECT_NE(applied.output.find(TidySkippedLine("home/copy/a.bin", kTidyKeptUnopenable)),
            std::string::npos)
      << applied.output;
}

// Run as root: a user's private file never becomes a link to another's world-writable one, and a
// removal never leaves a user's bytes only in a file another user owns or may write.
TEST(TidyEndToEnd, FilesOfOtherOwnersOrAccessAreNeverJoined) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "giving a file to another user needs root";
  }
  for (const char* action : {"link", "remove"}) {
    TempTree tree;
    MakeFile(tree, "home/keep/a.bin", 0666, 0, 30);
    MakeFile(tree, "home/other/a.bin", 0600, kOtherUser, 10);
    MakeFile(tree, "home/mine/a.bin", 0600, 0, 10);
    WriteReport(tree.root(), {Text("home")});
    const ProgramResult planned =
        RunTidyIn(tree.root(), {Text("plan"), Text("--all"), Text("--action"), Text(action)});
    EXPECT_NE(planned.output.find(TidyLeaveLine("home/other/a.bin", kTidyOtherOwner)),
              std::string::npos)
        << action << "\n"
        << planned.output;
    const ProgramResult applied =
        RunTidyIn(tree.root(),
                  {Text("apply"), Text("--action"), Text(action), Text("--within"), Text("home")});
    EXPECT_NE(applied.output.find(TidySkippedLine("home/other/a.bin", kTidyOtherOwner)),
              std::string::npos)
        << action << "\n"
        << applied.output;
    EXPECT_FALSE(SameInode(tree / "home/other/a.bin", tree / "home/keep/a.bin")) << action;
    // Nor may a removal leave the private copy's bytes only in a file anyone may write.
    const bool linking = std::string(action) == "link";
    EXPECT_NE(applied.output.find(TidySkippedLine(
                  "home/mine/a.bin", linking ? kTidyOtherAccess : kTidyKeptMoreWritable)),
              std::string::npos)
        << action << "\n"
        << applied.output;
    EXPECT_TRUE(std::filesystem::exists(tree / "home/mine/a.bin")) << action;
  }
}

// Run as root: another user's file is the oldest, outside --within. The file kept is one of root's
// own copies, so the other is removed, and plan and apply agree on it.
TEST(TidyEndToEnd, AGroupOfTwoOwnersKeepsWithinTheOwnerWhoseCopiesCanGo) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "giving a file to another user needs root";
  }
  TempTree tree;
  MakeFile(tree, "a/k.bin", 0644, kOtherUser, 300);
  MakeFile(tree, "b/c1.bin", 0644, 0, 10);
  MakeFile(tree, "b/c2.bin", 0644, 0, 1);
  WriteReport(tree.root(), {Text("a"), Text("b")});
  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("b")});
  EXPECT_EQ(applied.exitCode, 0) << applied.output;
  EXPECT_EQ(NamesIn(tree / "b"), std::set<std::string>{"c1.bin"}) << applied.output;
}

// In a shared folder another user made the journal's name first: it is never written through.
TEST(TidyEndToEnd, AJournalAnotherUserCouldWriteIsRefused) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "giving the journal to another user needs root";
  }
  // 0775: the group is the other user's first group, so they may write there.
  const struct passwd* other = getpwuid(kOtherUser);
  if (other == nullptr) {
    GTEST_SKIP() << "no user " << kOtherUser << " whose first group to give the folder";
  }
  const gid_t othersGroup = other->pw_gid;
  for (const mode_t folderMode : {mode_t{01777}, mode_t{0777}, mode_t{0775}}) {
    TempTree tree;
    SetAge(tree.WriteFile("home/a.bin", PatternBytes(3000, 34)), 30);
    tree.WriteFile("home/copy/a.bin", PatternBytes(3000, 34));
    WriteReport(tree.root(), {Text("home")});
    ASSERT_EQ(chmod(tree.root().c_str(), folderMode), 0);
    ASSERT_EQ(chown(tree.root().c_str(), static_cast<uid_t>(-1), othersGroup), 0);
    const std::filesystem::path journal = tree.WriteFile(TidyJournalName(), "planted\n");
    ASSERT_EQ(chown(journal.c_str(), kOtherUser, static_cast<gid_t>(-1)), 0);
    for (const char* command : {"apply", "undo"}) {
      const ProgramResult run =
          RunTidyIn(tree.root(), {Text(command), Text("--within"), Text("home")});
      EXPECT_EQ(run.exitCode, 2) << command << " " << folderMode << "\n" << run.errors;
    }
    EXPECT_EQ(ReadWholeFile(journal), "planted\n");
    EXPECT_TRUE(std::filesystem::exists(tree / "home/copy/a.bin"));
    if (folderMode != 01777) {
      std::filesystem::remove(journal);  // no journal yet, but anyone could replace the new one
    }
    const ProgramResult applied =
        RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")});
    EXPECT_EQ(applied.errors, TidyJournalNotOwnLine()) << folderMode;
  }
}

// A folder "b<LF>" holding the tree's own path makes a line of the report name a file the search
// never listed, of the group's size, beside a real file "b"; a name that holds an empty line and
// a heading makes a whole block of such lines, its name running on from one line to the next.
// Every line names a real file, yet no group is acted on, and the summary says why.
TEST(TidyEndToEnd, LinesANameWithLineFeedsMakesAreNeverActedOn) {
  TempTree tree;
  const std::string bytes = PatternBytes(3000, 41);
  const std::string outside = tree.WriteFile("outside/victim.bin", bytes).parent_path().string();
  tree.WriteFile("outside/victim2.bin", bytes);
  SetAge(tree.WriteFile("home/keep.bin", bytes), 30);
  tree.WriteFile("home/b", PatternBytes(3000, 42));
  const std::string victim = outside + "/victim.bin";
  tree.WriteFile("home/b\n" + victim, bytes);
  tree.WriteFile("home/c\n\n" + GroupHeading("2.93 KB") + victim + "\n" + outside + "/victim2.bin",
                 bytes);
  WriteReport(tree.root(), {Text("home")});
  ASSERT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            GroupBlockInOrder("2.93 KB", {"home/b", victim, "home/c"}) +
                GroupBlockInOrder("2.93 KB", {victim, outside + "/victim2.bin", "home/keep.bin"}));
  const ProgramResult summary = RunTidyIn(tree.root(), {});
  EXPECT_NE(summary.output.find(TidyUnresolvedLine(2, "home/b", kTidyReadTwoWays)),
            std::string::npos)
      << summary.output;
  EXPECT_NE(summary.output.find(TidyUnresolvedLine(7, victim, kTidyReadTwoWays)), std::string::npos)
      << summary.output;
  RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text(".")});
  for (const char* name : {"outside/victim.bin", "outside/victim2.bin"}) {
    EXPECT_TRUE(ReadWholeFile(tree / name) == bytes) << name << " was acted on";
  }
}

namespace {

constexpr char kNoSharedBlocks[] =
    "the temporary folder's file system shares no blocks (set TMPDIR to one on XFS or Btrfs to "
    "run this)";

// apply --action reflink --within home; false where the file system could share no blocks.
bool ReflinkedWithinHome(const TempTree& tree, ProgramResult* result) {
  *result = RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("reflink"),
                                    Text("--within"), Text("home")});
  return result->output.find(kTidyCannotClone) == std::string::npos;
}

}  // namespace

// A reflinked copy stays its own file: its other names, its permissions, its attributes.
TEST(TidyEndToEnd, AReflinkLeavesTheCopyItsOwnFile) {
  TempTree tree;
  SetAge(tree.WriteFile("home/keep/a.bin", PatternBytes(70000, 35)), 30);
  const std::filesystem::path copy = tree.WriteFile("home/copy/a.bin", PatternBytes(70000, 35));
  ASSERT_EQ(chmod(copy.c_str(), 0640), 0);
  const bool tagged = setxattr(copy.c_str(), "user.tag", "mine", 4, 0) == 0;
  tree.MakeDirectory("elsewhere");
  std::filesystem::create_hard_link(copy, tree / "elsewhere/a.bin");
  WriteReport(tree.root(), {Text("home")});
  ProgramResult applied;
  if (!ReflinkedWithinHome(tree, &applied)) {
    GTEST_SKIP() << kNoSharedBlocks;
  }
  EXPECT_NE(applied.output.find(TidyDoneLine("reflinked", "home/copy/a.bin")), std::string::npos)
      << applied.output;
  EXPECT_TRUE(SameInode(copy, tree / "elsewhere/a.bin"));
  struct stat status;
  ASSERT_EQ(stat(copy.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  char tag[8] = {};
  EXPECT_EQ(getxattr(copy.c_str(), "user.tag", tag, sizeof tag), tagged ? 4 : -1);
  EXPECT_EQ(ReadWholeFile(copy), PatternBytes(70000, 35));
}

// A copy whose blocks are already the kept file's (reflinked by an earlier apply) frees nothing
// when removed, and the totals say so: they counted its whole size, run after run.
TEST(TidyEndToEnd, ACopyAlreadySharingItsBlocksFreesNothing) {
  TempTree tree;
  SetAge(tree.WriteFile("home/keep/a.bin", PatternBytes(70000, 36)), 30);
  tree.WriteFile("home/copy/a.bin", PatternBytes(70000, 36));
  WriteReport(tree.root(), {Text("home")});
  ProgramResult cloned;
  if (!ReflinkedWithinHome(tree, &cloned)) {
    GTEST_SKIP() << kNoSharedBlocks;
  }
  sync();
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult removed =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")});
  EXPECT_NE(removed.output.find(TidyApplyTotals(1, 0, 0)), std::string::npos) << removed.output;
}

// Past a file size limit, as on a full disk, the output stops part-way: no command calls that a
// success (they exited 0 with 142 of 600 records written).
TEST(TidyEndToEnd, OutputCutShortIsAFailure) {
  TempTree tree;
  for (int pair = 1; pair <= 100; ++pair) {
    const std::string name = std::to_string(pair) + std::string(100, 'x');
    const std::string bytes = PatternBytes(static_cast<std::size_t>(pair), 50);
    tree.WriteFile("home/" + name + "/a", bytes);
    tree.WriteFile("home/" + name + "/b", bytes);
  }
  WriteReport(tree.root(), {Text("home")});
  ProgramOptions limited;
  limited.fileSizeLimit = 4096;
  for (const std::vector<PathString>& command : {std::vector<PathString>{},
                                                 {Text("plan"), Text("--within"), Text("home")},
                                                 {Text("export")},
                                                 {Text("export"), Text("--format"), Text("nul")}}) {
    const ProgramResult run = RunTidyWith(tree.root(), command, limited);
    EXPECT_EQ(run.exitCode, 2) << command.size();
    EXPECT_EQ(run.errors, TidyOutputFailedLine("File too large")) << command.size();
  }
}

// Out of file descriptors, the report and the files are said to be what they are: not "no
// regular file", not unopenable, not a folder moved (whatever the limit, the reason is the limit).
TEST(TidyEndToEnd, OutOfDescriptorsIsSaidToBeSo) {
  TempTree tree;
  SetAge(tree.WriteFile("a/x", "q1"), 30);
  tree.WriteFile("b/1/2/3/4/5/6/7/8/x", "q1");
  tree.WriteFile("b/y", "q1");
  WriteReport(tree.root(), {Text("a"), Text("b")});
  bool limitSaid = false;
  for (int limit = 5; limit <= 12; ++limit) {
    ProgramOptions limited;
    limited.openFileLimit = limit;
    const ProgramResult run = RunTidyWith(
        tree.root(), {Text("apply"), Text("--within"), Text("b"), Text("--action"), Text("link")},
        limited);
    const std::string all = run.output + run.errors;
    for (const char* wrong : {kTidyNotRegular, kTidyFolderMoved, kTidyCopyUnopenable}) {
      EXPECT_EQ(all.find(wrong), std::string::npos) << limit << "\n" << all;
    }
    limitSaid = limitSaid || all.find(kTidyNoDescriptors) != std::string::npos;
    std::filesystem::remove(tree / TidyJournalName());
  }
  EXPECT_TRUE(limitSaid);
}

// A name may hold a carriage return and a terminal's escape sequences: shown as they are, the
// file that a plan removes could read as "keep", or the line be wiped. On the console every such
// character is an escape that shows, whatever the command. A name that spells an escape out
// ("\x1b", four characters) and one with a zero-width character read as no other name.
TEST(TidyEndToEnd, NamesOnTheConsoleCannotMoveTheCursorOrFakeALine) {
  TempTree tree;
  const std::string bytes = PatternBytes(2000, 71);
  SetAge(tree.WriteFile("home/a", bytes), 30);
  tree.WriteFile("home/b\r  keep     X\x1b[2K", bytes);
  tree.WriteFile("home/c\xff\xc2\x9b\xe2\x80\xae", bytes);
  tree.WriteFile("home/d\\x1b\xe2\x80\x8b\xe2\x81\xa0\xef\xbb\xbf\xe2\x80\x8d", bytes);
  WriteReport(tree.root(), {Text("home")});
  const std::string forged = "home/b\\r  keep     X\\x1b[2K";
  const std::string odd = "home/c\\xff\\u{009b}\\u{202e}";
  const std::string spelt = "home/d\\\\x1b\\u{200b}\\u{2060}\\u{feff}\\u{200d}";
  const ProgramResult plan = RunTidyIn(tree.root(), {Text("plan"), Text("--within"), Text("home")});
  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")});
  for (const std::string& line : {TidyActLine("remove", forged), TidyActLine("remove", odd),
                                  TidyActLine("remove", spelt), TidyDoneLine("removed", forged),
                                  TidyDoneLine("removed", odd), TidyDoneLine("removed", spelt)}) {
    const std::string& output = line[0] == ' ' ? plan.output : applied.output;
    EXPECT_NE(output.find(line), std::string::npos) << line << "in:\n" << output;
  }
  for (const std::string& output : {plan.output, applied.output}) {
    EXPECT_EQ(output.find_first_of("\r\x1b\xff"), std::string::npos) << output;
    EXPECT_EQ(output.find("\xc2\x9b"), std::string::npos) << output;
    EXPECT_EQ(output.find("\xe2\x80\x8b"), std::string::npos) << output;
  }
}

// The manual says so: a folder an option names through a symbolic link is refused, not taken as
// the folder the link leads to.
TEST(TidyEndToEnd, AWithinFolderThroughALinkIsRefused) {
  TempTree tree;
  SetAge(tree.WriteFile("home/a.bin", PatternBytes(3000, 81)), 30);
  tree.WriteFile("home/copy/a.bin", PatternBytes(3000, 81));
  WriteReport(tree.root(), {Text("home")});
  std::filesystem::create_directory_symlink("home", tree / "link");
  const ProgramResult refused =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("link")});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(refused.errors, TidyFolderOptionLine("--within", "link", kTidyThroughLink));
  EXPECT_TRUE(std::filesystem::exists(tree / "home/copy/a.bin"));
}
