// dupscan-tidy end to end on Linux: who may reach or change the files it acts on and the folders
// it puts them in, beyond what the files' own owners and permissions said before.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/file_system_posix.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"

namespace {

constexpr uid_t kNobody = 65534;

mode_t ModeOf(const std::filesystem::path& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 07777;
}

// A pair in home: the kept file and a copy in home/copy, and the report of them.
void PairInHome(const TempTree& tree, std::uint32_t pattern) {
  SetAge(tree.WriteFile("home/keep/a.bin", PatternBytes(3000, pattern)), 30);
  tree.WriteFile("home/copy/a.bin", PatternBytes(3000, pattern));
  tree.MakeDirectory("holding");
  WriteReport(tree.root(), {Text("home")});
}

ProgramResult MoveWithin(const TempTree& tree, const char* within) {
  return RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                                 Text("holding"), Text("--within"), Text(within)});
}

}  // namespace

// A file only its 0700 folder kept from other users stays so once moved: the holding folder's
// new folders are the user's alone (they were 0755 under umask 022).
TEST(TidyTrust, HoldingFoldersMadeAreOpenToTheUserAlone) {
  TempTree tree;
  PairInHome(tree, 61);
  ASSERT_EQ(chmod((tree / "home/copy").c_str(), 0700), 0);
  const ProgramResult moved = MoveWithin(tree, "home");
  EXPECT_EQ(moved.exitCode, 0) << moved.output;
  ASSERT_TRUE(std::filesystem::exists(tree / "holding/home/copy/a.bin")) << moved.output;
  EXPECT_EQ(ModeOf(tree / "holding/home"), 0700u);
  EXPECT_EQ(ModeOf(tree / "holding/home/copy"), 0700u);
}

// A holding folder's folder made beforehand that others may write, or (as root) that another
// user owns, is never moved into: they could rename the copy away, out of undo's reach.
TEST(TidyTrust, HoldingFoldersOthersCouldChangeAreRefused) {
  for (const bool otherOwner : {false, true}) {
    if (otherOwner && geteuid() != 0) {
      GTEST_SKIP() << "giving a folder to another user needs root";
    }
    TempTree tree;
    PairInHome(tree, 62);
    const std::filesystem::path planted = tree.MakeDirectory("holding/home");
    ASSERT_EQ(chmod(planted.c_str(), otherOwner ? 0700 : 0777), 0);
    ASSERT_TRUE(!otherOwner || chown(planted.c_str(), kNobody, static_cast<gid_t>(-1)) == 0);
    const ProgramResult moved = MoveWithin(tree, "home");
    EXPECT_EQ(moved.exitCode, 1) << otherOwner;
    EXPECT_NE(moved.output.find(TidySkippedLine("home/copy/a.bin", kTidyHoldingFolderNotOwn)),
              std::string::npos)
        << moved.output;
    EXPECT_TRUE(std::filesystem::exists(tree / "home/copy/a.bin")) << otherOwner;
  }
}

// A removal leaves the bytes only in the kept file: never where a folder lets more users replace
// it than the copy's did (open to all, or, as root, another user's).
TEST(TidyTrust, RemoveLeavesNoBytesWhereMoreUsersMayReplaceThem) {
  for (const bool otherOwner : {false, true}) {
    if (otherOwner && geteuid() != 0) {
      GTEST_SKIP() << "giving a folder to another user needs root";
    }
    TempTree tree;
    PairInHome(tree, 63);
    const std::filesystem::path keptFolder = tree / "home/keep";
    ASSERT_EQ(chmod(keptFolder.c_str(), otherOwner ? 0755 : 0777), 0);
    ASSERT_TRUE(!otherOwner || chown(keptFolder.c_str(), kNobody, static_cast<gid_t>(-1)) == 0);
    const ProgramResult removed =
        RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home/copy")});
    EXPECT_EQ(removed.exitCode, 1) << otherOwner;
    EXPECT_NE(removed.output.find(TidySkippedLine("home/copy/a.bin", kTidyKeptMoreWritable)),
              std::string::npos)
        << removed.output;
    EXPECT_TRUE(std::filesystem::exists(tree / "home/copy/a.bin")) << otherOwner;
  }
}

// Debian and Ubuntu make a user's folders and files writable for a group of the user's alone
// (umask 002): that reaches no other user. The journal is written in such a folder, a holding
// folder's folder so made is moved into, and a kept file so made, in a folder so made, takes the
// place of a 0644 copy in a 0755 folder.
TEST(TidyTrust, WriteForAGroupOfTheUserAloneIsTheUsers) {
  if (!FirstGroupIsMineAlone()) {
    GTEST_SKIP() << "the running user's first group holds other users too";
  }
  for (const char* action : {"remove", "move"}) {
    TempTree tree;
    PairInHome(tree, 67);
    if (!AccessAclOf(tree.root()).empty()) {
      GTEST_SKIP() << "the temporary folder gives its new folders an access list";
    }
    for (const char* folder : {"", "home", "home/keep", "holding", "holding/home"}) {
      const std::filesystem::path made = tree.MakeDirectory(folder);
      ASSERT_EQ(chown(made.c_str(), static_cast<uid_t>(-1), getegid()), 0);
      ASSERT_EQ(chmod(made.c_str(), 0775), 0);
    }
    ASSERT_EQ(chmod((tree / "home/copy").c_str(), 0755), 0);
    ASSERT_EQ(chmod((tree / "home/keep/a.bin").c_str(), 0664), 0);
    ASSERT_EQ(chmod((tree / "home/copy/a.bin").c_str(), 0644), 0);
    const ProgramResult applied =
        RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text(action), Text("--holding"),
                                Text("holding"), Text("--within"), Text("home")});
    EXPECT_EQ(applied.exitCode, 0) << action << "\n" << applied.output << applied.errors;
    EXPECT_FALSE(std::filesystem::exists(tree / "home/copy/a.bin")) << action;
  }
}

// While one run holds the folder's journal, another apply or undo there stops before it looks at
// it: two runs numbered their steps alike, and one's outcome closed the other's interrupted step.
TEST(TidyTrust, ASecondRunInOneFolderStopsAtOnce) {
  TempTree tree;
  PairInHome(tree, 64);
  const int folder = open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(flock(folder, LOCK_EX | LOCK_NB), 0);  // as a run of the program holds it
  for (const char* command : {"apply", "undo"}) {
    const ProgramResult run =
        RunTidyIn(tree.root(), {Text(command), Text("--within"), Text("home")});
    EXPECT_EQ(run.exitCode, 2) << command;
    EXPECT_EQ(run.errors, TidyJournalBusyLine()) << command;
  }
  close(folder);
  EXPECT_TRUE(std::filesystem::exists(tree / "home/copy/a.bin"));
  EXPECT_FALSE(std::filesystem::exists(tree / TidyJournalName()));
  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")});
  EXPECT_EQ(applied.exitCode, 0) << applied.errors;
}

// A link makes the copy's name the kept file: where their extended attributes differ (file
// capabilities, here a user's own tag), the name would gain or lose them.
TEST(TidyTrust, FilesWhoseAttributesDifferAreNeverLinked) {
  TempTree tree;
  PairInHome(tree, 65);
  if (setxattr((tree / "home/keep/a.bin").c_str(), "user.tag", "kept", 4, 0) != 0) {
    GTEST_SKIP() << "the temporary folder's file system keeps no users' extended attributes";
  }
  const ProgramResult linked = RunTidyIn(
      tree.root(), {Text("apply"), Text("--action"), Text("link"), Text("--within"), Text("home")});
  EXPECT_EQ(linked.exitCode, 1);
  EXPECT_NE(linked.output.find(TidySkippedLine("home/copy/a.bin", kTidyOtherAttributes)),
            std::string::npos)
      << linked.output;
  EXPECT_FALSE(SameInode(tree / "home/copy/a.bin", tree / "home/keep/a.bin"));
}

// What apply refuses for who may read or write the files, the plan foresees with the same reason
// and leaves out of what it counts: a removal whose kept file's folder others may write, a link
// between files of other permissions or other extended attributes. The plan once promised them.
TEST(TidyTrust, ThePlanSaysWhatApplyWillRefuseForWhoMayWrite) {
  const struct {
    const char* action;
    const char* why;
  } cases[] = {{"remove", kTidyKeptMoreWritable},  // the last needs users' attributes
               {"link", kTidyOtherAccess},
               {"link", kTidyOtherAttributes}};
  for (const auto& refused : cases) {
    TempTree tree;
    PairInHome(tree, 68);
    if (refused.why == kTidyKeptMoreWritable) {
      ASSERT_EQ(chmod((tree / "home/keep").c_str(), 0777), 0);
    } else if (refused.why == kTidyOtherAccess) {
      ASSERT_EQ(chmod((tree / "home/copy/a.bin").c_str(), 0600), 0);
    } else if (setxattr((tree / "home/copy/a.bin").c_str(), "user.tag", "copy", 4, 0) != 0) {
      GTEST_SKIP() << "the temporary folder's file system keeps no users' extended attributes";
    }
    const std::vector<PathString> action = {Text("--action"), Text(refused.action),
                                            Text("--within"), Text("home")};
    std::vector<PathString> plan = {Text("plan"), Text("--all")};
    plan.insert(plan.end(), action.begin(), action.end());
    const ProgramResult planned = RunTidyIn(tree.root(), plan);
    EXPECT_NE(planned.output.find(TidyLeaveLine("home/copy/a.bin", refused.why)), std::string::npos)
        << planned.output;
    std::vector<PathString> summary = {Text("summary")};  // its folder line counted them freed
    summary.insert(summary.end(), action.begin(), action.end());
    const ProgramResult summed = RunTidyIn(tree.root(), summary);
    EXPECT_NE(
        summed.output.find(TidyCopyFolderLeftLine("home/copy/", "home/keep/", 1, "0 bytes", 0)),
        std::string::npos)
        << summed.output;
    std::vector<PathString> apply = {Text("apply")};
    apply.insert(apply.end(), action.begin(), action.end());
    const ProgramResult applied = RunTidyIn(tree.root(), apply);
    EXPECT_NE(applied.output.find(TidySkippedLine("home/copy/a.bin", refused.why)),
              std::string::npos)
        << applied.output;
  }
}

// A write through a shared mapping moves no time, so a copy mapped to be written (its descriptor
// long closed) is never removed or replaced: its new bytes could be anywhere in it.
TEST(TidyTrust, ACopyMappedForWritingIsLeft) {
  for (const char* action : {"remove", "link"}) {
    TempTree tree;
    PairInHome(tree, 66);
    const int copy = open((tree / "home/copy/a.bin").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(copy, 0);
    void* mapped = mmap(nullptr, 3000, PROT_READ | PROT_WRITE, MAP_SHARED, copy, 0);
    close(copy);
    ASSERT_NE(mapped, MAP_FAILED);
    const ProgramResult applied =
        RunTidyIn(tree.root(),
                  {Text("apply"), Text("--action"), Text(action), Text("--within"), Text("home")});
    munmap(mapped, 3000);
    EXPECT_EQ(applied.exitCode, 1) << action;
    EXPECT_NE(applied.output.find(TidySkippedLine("home/copy/a.bin", kTidyOpenForWriting)),
              std::string::npos)
        << action << "\n"
        << applied.output;
    EXPECT_FALSE(SameInode(tree / "home/copy/a.bin", tree / "home/keep/a.bin")) << action;
  }
}
