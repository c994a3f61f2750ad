// dupscan-tidy end to end on Linux: a home folder with copies, hard links,
// look-alikes, a forged line-feed group, and files that change between the
// report and the apply.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// Bytes that differ only between the first and last 256: dupscan's fingerprints
// cannot tell them apart, its comparison can.
std::string LookAlike(const std::string& bytes) {
  std::string other = bytes;
  other[bytes.size() / 2] = static_cast<char>(other[bytes.size() / 2] ^ 0x55);
  return other;
}

// The home folder, made under `tree`, with every file's age set so "oldest"
// keeps the originals.
void MakeHome(const TempTree& tree) {
  const std::string beach = PatternBytes(5000, 1);
  const std::string city = PatternBytes(3000, 2);
  const std::string song = PatternBytes(4096, 4);
  const struct {
    const char* path;
    std::string bytes;
    int age;
  } files[] = {
      {"home/Pictures/2022/beach.jpg", beach, 900},
      {"home/Pictures/2022/city.jpg", city, 900},
      {"home/Backup/2022/beach.jpg", beach, 100},
      {"home/Backup/2022/city.jpg", city, 100},
      {"home/Downloads/beach (1).jpg", beach, 10},
      {"home/Documents/report.pdf", PatternBytes(2000, 3), 500},
      {"home/Music/song.mp3", song, 500},
      {"home/Music/song-lookalike.mp3", LookAlike(song), 400},
      {"home/Documents/notes.txt", PatternBytes(1500, 5), 500},
      {"home/Downloads/notes.txt", PatternBytes(1500, 5), 10},
      {"home/Documents/tax.pdf", PatternBytes(2500, 6), 500},
      {"home/Downloads/tax.pdf", PatternBytes(2500, 6), 10},
      {"home/Pictures/cat.png", PatternBytes(1800, 7), 500},
      {"home/Downloads/cat.png", PatternBytes(1800, 7), 10},
      {"home/Documents/paper.txt", PatternBytes(2200, 8), 500},
      {"home/Shared/readonly/paper.txt", PatternBytes(2200, 8), 10},
      {"home/Downloads/evil-copy", PatternBytes(1200, 9), 10},
      // Its second line names a file outside the search, of the same size,
      // other bytes.
      {"home/Downloads/evil\nsecret.txt", PatternBytes(1200, 9), 10},
      {"secret.txt", PatternBytes(1200, 10), 500},
  };
  for (const auto& file : files) {
    SetAge(tree.WriteFile(file.path, file.bytes), file.age);
  }
  std::filesystem::create_hard_link(tree / "home/Documents/report.pdf",
                                    tree / "home/Documents/report-link.pdf");
}

// What happens between the report and the apply: a copy rewritten in place
// (same size), a copy swapped for a symbolic link, a kept file deleted, a
// folder made read-only.
void ChangeAfterReport(const TempTree& tree) {
  std::string notes = ReadWholeFile(tree / "home/Downloads/notes.txt");
  notes[700] = static_cast<char>(notes[700] ^ 1);
  tree.WriteFile("home/Downloads/notes.txt", notes);
  std::filesystem::remove(tree / "home/Downloads/tax.pdf");
  std::filesystem::create_symlink("../Documents/tax.pdf", tree / "home/Downloads/tax.pdf");
  std::filesystem::remove(tree / "home/Pictures/cat.png");
  chmod((tree / "home/Shared/readonly").c_str(), 0555);
}

// Root ignores a folder's permissions: the tree goes to nobody, who then runs
// dupscan-tidy.
void GiveTreeToNobody(const TempTree& tree) {
  lchown(tree.root().c_str(), kNobody, kNoGroup);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
    lchown(entry.path().c_str(), kNobody, kNoGroup);
  }
}

}  // namespace

TEST(TidyEndToEnd, HomeFolderSummaryAndPlanHoldEveryLineAgainstTheDisk) {
  TempTree tree;
  MakeHome(tree);
  WriteReport(tree.root(), {Text("home")});
  const std::string report = ReadWholeFile(tree / "duplicates.txt");
  ChangeAfterReport(tree);

  const ProgramResult summary = RunTidyIn(tree.root(), {});
  EXPECT_EQ(summary.exitCode, 0) << summary.errors;
  for (const std::string& line :
       {TidyCountsLine(8, 18, "duplicates.txt"), TidyVerifiedLine(5, 3, 0),
        TidyFreeableLine(16700, 5), TidyCopyFolderLine("home/Backup/", "home/Pictures/", 2, 8000),
        TidyUnresolvedLine(LineNumber(report, "home/Downloads/evil"), "home/Downloads/evil",
                           kTidyNamesNoFile),
        TidyUnresolvedLine(LineNumber(report, "home/Downloads/tax.pdf"), "home/Downloads/tax.pdf",
                           kTidyIsLink),
        TidyUnresolvedLine(LineNumber(report, "home/Pictures/cat.png"), "home/Pictures/cat.png",
                           kTidyNamesNoFile),
        TidyGroupLine(10000, 3, 5000, "home/Pictures/2022/beach.jpg"),
        TidyGroupLine(0, 2, 2000, "home/Documents/report.pdf")}) {
    EXPECT_NE(summary.output.find(line), std::string::npos) << line << "in:\n" << summary.output;
  }

  tree.MakeDirectory("hold");
  const ProgramResult plan = RunTidyIn(tree.root(), {Text("plan"), Text("--within"), Text("home")});
  const ProgramResult moves =
      RunTidyIn(tree.root(), {Text("plan"), Text("--within"), Text("home/Downloads"),
                              Text("--action"), Text("move"), Text("--holding"), Text("hold")});
  for (const std::string& line :
       {TidyKeepLine("home/Pictures/2022/beach.jpg"),
        TidyActLine("remove", "home/Downloads/beach (1).jpg"),
        TidyLeaveLine("home/Documents/report-link.pdf", kTidySameFileAsKept)}) {
    EXPECT_NE(plan.output.find(line), std::string::npos) << line << "in:\n" << plan.output;
  }
  for (const std::string& line :
       {TidyMoveLine("home/Downloads/beach (1).jpg", "hold/Downloads/beach (1).jpg"),
        TidyLeaveLine("home/Backup/2022/beach.jpg", kTidyOutsideWithin)}) {
    EXPECT_NE(moves.output.find(line), std::string::npos) << line << "in:\n" << moves.output;
  }

  const ProgramResult check = RunTidyIn(tree.root(), {Text("check")});
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.output, TidyCheckLine(8, "duplicates.txt"));
  const ProgramResult help = RunTidyIn(tree.root(), {Text("--help")});
  EXPECT_EQ(help.output.substr(0, TidyUsageStart().size()), TidyUsageStart());
  EXPECT_EQ(RunTidyIn(tree.root(), {Text("--nonsense")}).exitCode, 2);
}

TEST(TidyEndToEnd, HomeFolderEveryPlannedRemovalDoneOrSkippedWithItsLine) {
  TempTree tree;
  MakeHome(tree);
  WriteReport(tree.root(), {Text("home")});
  ChangeAfterReport(tree);
  const bool asNobody = CanRunUnprivileged();
  if (asNobody) {
    GiveTreeToNobody(tree);
  }
  const std::set<std::string> before = Contents(tree / "home");

  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")}, asNobody);
  EXPECT_EQ(applied.exitCode, 1) << applied.errors;
  for (const std::string& line :
       {TidyDoneLine("removed", "home/Downloads/beach (1).jpg"),
        TidyDoneLine("removed", "home/Backup/2022/beach.jpg"),
        TidyDoneLine("removed", "home/Backup/2022/city.jpg"),
        TidySkippedLine("home/Downloads/notes.txt", kTidyDiffers),
        TidySkippedLine("home/Shared/readonly/paper.txt",
                        std::string(kTidySystemRefused) + ": Permission denied"),
        TidyApplyTotals(3, 2, 13000)}) {
    EXPECT_NE(applied.output.find(line), std::string::npos) << line << "in:\n" << applied.output;
  }
  ExpectNothingLost(before, Contents(tree / "home"));
  EXPECT_EQ(ReadWholeFile(tree / "secret.txt"), PatternBytes(1200, 10));
  EXPECT_TRUE(std::filesystem::exists(tree / "home/Downloads/cat.png"));
  EXPECT_TRUE(std::filesystem::exists(tree / "home/Documents/report-link.pdf"));
  EXPECT_TRUE(std::filesystem::is_symlink(tree / "home/Downloads/tax.pdf"));
  EXPECT_TRUE(std::filesystem::exists(tree / "home/Music/song-lookalike.mp3"));
  EXPECT_FALSE(std::filesystem::exists(tree / "home/Backup/2022/city.jpg"));
  EXPECT_NE(ReadWholeFile(tree / TidyJournalName()).find("\"outcome\":\"done\""),
            std::string::npos);
}

TEST(TidyEndToEnd, LinksReplaceCopiesAndMovesComeBackWithUndo) {
  TempTree tree;
  const std::string photo = PatternBytes(70000, 21);
  SetAge(tree.WriteFile("home/Pictures/a.jpg", photo), 300);
  SetAge(tree.WriteFile("home/Downloads/a.jpg", photo), 3);
  SetAge(tree.WriteFile("home/Old/b.txt", PatternBytes(900, 22)), 300);
  SetAge(tree.WriteFile("home/Downloads/b.txt", PatternBytes(900, 22)), 3);
  tree.MakeDirectory("holding");
  WriteReport(tree.root(), {Text("home")});
  const std::set<std::string> before = Contents(tree / "home");

  const ProgramResult linked =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("link"), Text("--within=home"),
                              Text("--exclude"), Text("*.txt")});
  EXPECT_EQ(linked.exitCode, 0) << linked.errors;
  EXPECT_NE(linked.output.find(TidyDoneLine("linked", "home/Downloads/a.jpg")), std::string::npos)
      << linked.output;
  EXPECT_TRUE(SameInode(tree / "home/Pictures/a.jpg", tree / "home/Downloads/a.jpg"));
  EXPECT_FALSE(NameAppears(tree / "home/Downloads", Text(".dupscan-tidy")));

  const ProgramResult moved =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                              Text("holding"), Text("--within"), Text("home/Downloads")});
  EXPECT_EQ(moved.exitCode, 0) << moved.errors;
  EXPECT_NE(moved.output.find(TidyMovedLine("home/Downloads/b.txt", "holding/Downloads/b.txt")),
            std::string::npos)
      << moved.output;
  EXPECT_EQ(ReadWholeFile(tree / "holding/Downloads/b.txt"), PatternBytes(900, 22));

  const ProgramResult undone =
      RunTidyIn(tree.root(), {Text("undo"), Text("--within"), Text("home")});
  EXPECT_EQ(undone.exitCode, 0) << undone.errors;
  EXPECT_NE(undone.output.find(TidyDoneLine("moved back", "home/Downloads/b.txt")),
            std::string::npos)
      << undone.output;
  EXPECT_EQ(ReadWholeFile(tree / "home/Downloads/b.txt"), PatternBytes(900, 22));
  ExpectNothingLost(before, Contents(tree / "home"));
}

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

TEST(TidyEndToEnd, ExportKeepsEveryByteOfEveryName) {
  TempTree tree;
  const std::string odd = "odd/a\"b\\c\t\xff.bin";
  tree.WriteFile(odd, PatternBytes(600, 51));
  tree.WriteFile("odd/copy.bin", PatternBytes(600, 51));
  WriteReport(tree.root(), {Text("odd")});
  struct stat status;
  ASSERT_EQ(lstat((tree / odd).c_str(), &status), 0);
  const std::string identity = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);

  const ProgramResult json = RunTidyIn(tree.root(), {Text("export")});
  EXPECT_EQ(json.exitCode, 0) << json.errors;
  EXPECT_NE(json.output.find("{\"path\":\"odd/a\\\"b\\\\c\\u0009\\udcff.bin\",\"volume\":" +
                             std::to_string(status.st_dev)),
            std::string::npos)
      << json.output;
  const ProgramResult records = RunTidyIn(tree.root(), {Text("export"), Text("--format=nul")});
  EXPECT_NE(records.outputBytes.find(std::string("1\t600\t") + identity + "\t" + odd + '\0'),
            std::string::npos)
      << records.outputBytes;
}
