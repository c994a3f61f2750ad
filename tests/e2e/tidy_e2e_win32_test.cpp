// dupscan-tidy end to end, what only Windows shows: names that Win32 would change before opening
// them, and links that wine opens as what they lead to.
#include <gtest/gtest.h>

#include <fstream>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"
#include "support/windows_support.h"

namespace {

void ExpectLine(const ProgramResult& result, const std::string& line) {
  EXPECT_NE(result.output.find(line), std::string::npos) << line << "in:\n" << result.output;
}

// Compared whole, and shown by name alone: the bytes are patterns nobody reads.
void ExpectHolds(const std::filesystem::path& path, const std::string& bytes) {
  EXPECT_TRUE(std::filesystem::exists(Verbatim(path)) && ReadWholeFile(Verbatim(path)) == bytes)
      << PrintedText(path);
}

// Writes `bytes` to `path`, made through the "\\?\" form so that any name is kept as it is.
void WriteExactly(const std::filesystem::path& path, const std::string& bytes, int daysAgo) {
  std::filesystem::create_directories(Verbatim(path).parent_path());
  std::ofstream(Verbatim(path), std::ios::binary) << bytes;
  SetAge(Verbatim(path), daysAgo);
}

}  // namespace

// Folders that Win32 would read as another folder ("sub." as "sub", "sp " as "sp") or as a
// device ("con", "aux", "nul.d"): each line is read as the names dupscan listed, so every group
// is found, and the file that --exclude protects in "sub" is never taken for the one in "sub.".
TEST(TidyWindows, EveryLineIsReadAsTheNamesListed) {
  TempTree tree;
  const std::vector<std::wstring> folders = {L"sub.", L"sp ", L"con", L"aux", L"nul.d"};
  for (std::size_t index = 0; index < folders.size(); ++index) {
    const std::string bytes = PatternBytes(600 + index, static_cast<std::uint32_t>(index));
    WriteExactly(tree / L"t" / folders[index] / L"f", bytes, 1);
    WriteExactly(tree / L"t\\keep" / folders[index], bytes, 30);
  }
  WriteExactly(tree / L"t\\sub\\f", PatternBytes(600, 0), 1);
  WriteReport(tree.root(), {Text("t")});

  const ProgramResult applied = RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("t"),
                                                        Text("--exclude"), Text("t\\sub\\*")});
  EXPECT_EQ(applied.exitCode, 0) << applied.output;
  for (const std::wstring& folder : folders) {
    ExpectLine(applied, TidyDoneLine("removed", "t\\" + Utf8Text(folder) + "\\f"));
    EXPECT_FALSE(std::filesystem::exists(Verbatim(tree / L"t" / folder / L"f")));
  }
  ExpectHolds(tree / "t\\sub\\f", PatternBytes(600, 0));
  for (const std::wstring& folder : folders) {  // one by one: "con" and "sub." need the "\\?\" form
    std::filesystem::remove(Verbatim(tree / L"t\\keep" / folder));
    std::filesystem::remove(Verbatim(tree / L"t" / folder));
  }
}

// CTest makes the links beside the test programs for a build tested under wine, which cannot make
// Linux links (tests/CMakeLists.txt): within\folder leads to outside, within\file to outside\file.
TEST(TidyWindows, NothingIsActedOnThroughALinuxLink) {
  const std::filesystem::path folder = ProgramPath().parent_path() / "tidy-links";
  if (!std::filesystem::exists(folder / "within")) {
    GTEST_SKIP() << "no Linux links at " << PrintedText(folder)
                 << ": CTest makes them only for a build tested under wine";
  }
  const std::string bytes = PatternBytes(900, 71);
  const std::string other = PatternBytes(800, 72);
  for (const auto& [path, content] : {std::pair{"outside\\file", bytes},
                                      {"within\\copy", bytes},
                                      {"outside\\x", other},
                                      {"within\\y", other}}) {
    WriteExactly(folder / path, content, path[0] == 'w' ? 30 : 1);
  }
  std::ofstream(folder / "duplicates.txt", std::ios::binary)
      << ReportBytes(GroupBlock("900 bytes", {"within\\copy", "within\\file"}) +
                     GroupBlock("800 bytes", {"within\\folder\\x", "within\\y"}));

  const ProgramResult plan = RunTidyIn(folder, {Text("plan")});
  ExpectLine(plan, TidyUnresolvedLine(3, "within\\file", kTidyIsLink));
  ExpectLine(plan, TidyUnresolvedLine(6, "within\\folder\\x", kTidyThroughLink));
  RunTidyIn(folder, {Text("apply"), Text("--within"), Text("within")});
  ExpectHolds(folder / "outside\\file", bytes);
  ExpectHolds(folder / "outside\\x", other);
  for (const char* path : {"outside\\file", "within\\copy", "outside\\x", "within\\y"}) {
    std::filesystem::remove(folder / path);
  }
}

// Windows matches names in any case, and so does --exclude.
TEST(TidyWindows, ExcludeMatchesInAnyCase) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"t/keep/a.bin", PatternBytes(700, 91), 30},
                               {"t/Copy/A.bin", PatternBytes(700, 91), 1}});
  WriteReport(tree.root(), {Text("t")});
  const ProgramResult applied = RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("t"),
                                                        Text("--exclude"), Text("T\\COPY\\*")});
  EXPECT_EQ(applied.exitCode, 0) << applied.output;
  EXPECT_TRUE(std::filesystem::exists(tree / "t/Copy/A.bin")) << applied.output;
}

// A line may name a folder by its 8.3 name; --exclude still leaves out what it names by its own.
TEST(TidyWindows, ExcludeMatchesTheLongNameOfAn83Name) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"t/keep/a.bin", PatternBytes(700, 92), 30},
                               {"t/Holiday Copies/a.bin", PatternBytes(700, 92), 1}});
  const std::wstring alias = ShortPath(tree / "t/Holiday Copies").filename().native();
  if (alias == L"Holiday Copies") {
    GTEST_SKIP() << "the volume keeps no 8.3 names";
  }
  std::ofstream(tree / "duplicates.txt", std::ios::binary) << ReportBytes(
      GroupBlock("700 bytes", {"t\\keep\\a.bin", "t\\" + Utf8Text(alias) + "\\a.bin"}));
  RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("t"), Text("--exclude"),
                          Text("t\\Holiday Copies\\*")});
  EXPECT_TRUE(std::filesystem::exists(tree / "t/Holiday Copies/a.bin"));
}

// A read-only copy says "keep me", and Windows will not remove it: link leaves it as it is, with
// the reason, rather than set it aside hidden and call it linked.
TEST(TidyWindows, AReadOnlyCopyIsSkippedAndLeftWhole) {
  TempTree tree;
  const std::vector<std::filesystem::path> files = WriteAgedFiles(
      tree.root(),
      {{"t/keep/a.bin", PatternBytes(700, 95), 30}, {"t/copy/a.bin", PatternBytes(700, 95), 1}});
  WriteReport(tree.root(), {Text("t")});
  AddFileAttribute(files[1], FileAttribute::ReadOnly);
  const ProgramResult linked = RunTidyIn(
      tree.root(), {Text("apply"), Text("--action"), Text("link"), Text("--within"), Text("t")});
  EXPECT_EQ(linked.exitCode, 1);
  ExpectLine(linked, TidySkippedLine("t\\copy\\a.bin", kTidyReadOnly));
  EXPECT_EQ(NamesIn(tree / "t/copy"), std::set<std::string>{"a.bin"});
  EXPECT_FALSE(SameInode(files[0], files[1]));
  ClearFileAttributes(files[1]);
}

// A private copy never becomes a link to a file everyone may write, nor is it removed for one; nor
// is a copy removed while the kept file lies in a folder where everyone may replace it. Copies
// alike in all of it still are linked or removed.
TEST(TidyWindows, FilesWhoseAccessDiffersAreNeverJoined) {
  for (const std::string action : {"link", "remove"}) {
    TempTree tree;
    const std::vector<std::filesystem::path> files =
        WriteAgedFiles(tree.root(), {{"t/keep/a.bin", PatternBytes(700, 81), 30},
                                     {"t/mine/a.bin", PatternBytes(700, 81), 1},
                                     {"t/open/b.bin", PatternBytes(700, 82), 30},
                                     {"t/mine/b.bin", PatternBytes(700, 82), 1}});
    ASSERT_TRUE(SetAccessList(files[0], Openness::kEveryone));
    ASSERT_TRUE(SetAccessList(files[1], Openness::kOwnerAlone));
    ASSERT_TRUE(SetAccessList(tree / "t/open", Openness::kEveryone));
    WriteReport(tree.root(), {Text("t")});
    const bool linking = action == "link";
    const char* why = linking ? kTidyOtherAccess : kTidyKeptMoreWritable;
    // The plan foresees the skip, so it counts no bytes apply will not free.
    const ProgramResult planned = RunTidyIn(
        tree.root(),
        {Text("plan"), Text("--all"), Text("--action"), Text(action), Text("--within"), Text("t")});
    ExpectLine(planned, TidyLeaveLine("t\\mine\\a.bin", why));
    const ProgramResult applied = RunTidyIn(
        tree.root(), {Text("apply"), Text("--action"), Text(action), Text("--within"), Text("t")});
    EXPECT_EQ(applied.exitCode, 1) << applied.output;
    ExpectLine(applied, TidySkippedLine("t\\mine\\a.bin", why));
    EXPECT_TRUE(std::filesystem::exists(files[1]) && !SameInode(files[0], files[1])) << action;
    ExpectLine(applied, linking ? TidyDoneLine("linked", "t\\mine\\b.bin")
                                : TidySkippedLine("t\\mine\\b.bin", kTidyKeptMoreWritable));
  }
}

// A user's bytes are never left only in another user's file: the older file is another user's,
// so this user's copy stays, linked to nothing.
TEST(TidyWindows, FilesOfAnotherOwnerAreNeverJoined) {
  for (const std::string action : {"link", "remove"}) {
    TempTree tree;
    const std::vector<std::filesystem::path> files = WriteAgedFiles(
        tree.root(),
        {{"t/other/a.bin", PatternBytes(700, 83), 30}, {"t/mine/a.bin", PatternBytes(700, 83), 1}});
    const std::string notGiven = GiveToAnotherUser(files[0]);
    if (!notGiven.empty()) {
      GTEST_SKIP() << notGiven;
    }
    WriteReport(tree.root(), {Text("t")});
    const ProgramResult planned = RunTidyIn(
        tree.root(),
        {Text("plan"), Text("--all"), Text("--action"), Text(action), Text("--within"), Text("t")});
    ExpectLine(planned, TidyLeaveLine("t\\mine\\a.bin", kTidyOtherOwner));
    const ProgramResult applied = RunTidyIn(
        tree.root(), {Text("apply"), Text("--action"), Text(action), Text("--within"), Text("t")});
    EXPECT_EQ(applied.exitCode, 1) << applied.output;
    ExpectLine(applied, TidySkippedLine("t\\mine\\a.bin", kTidyOtherOwner));
    EXPECT_TRUE(std::filesystem::exists(files[1]) && !SameInode(files[0], files[1])) << action;
  }
}

// The journal is written only where no other user could replace it or have made it: not in a
// folder everyone may change or another user owns, nor through a file another user made.
TEST(TidyWindows, AJournalOthersCouldReplaceIsRefused) {
  for (const std::string made : {"open folder", "folder of another", "journal of another"}) {
    TempTree tree;
    WriteAgedFiles(tree.root(), {{"t/keep/a.bin", PatternBytes(700, 84), 30},
                                 {"t/copy/a.bin", PatternBytes(700, 84), 1}});
    WriteReport(tree.root(), {Text("t")});
    std::string notGiven;
    if (made == "open folder") {
      ASSERT_TRUE(SetAccessList(tree.root(), Openness::kEveryone));
    } else if (made == "folder of another") {
      notGiven = GiveToAnotherUser(tree.root());
    } else {
      notGiven = GiveToAnotherUser(tree.WriteFile(TidyJournalName(), ""));
    }
    if (!notGiven.empty()) {
      GTEST_SKIP() << made << ": " << notGiven;
    }
    const ProgramResult applied =
        RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("t")});
    EXPECT_EQ(applied.exitCode, 2) << made << "\n" << applied.output;
    EXPECT_EQ(applied.errors, TidyJournalNotOwnLine()) << made;
    EXPECT_TRUE(std::filesystem::exists(tree / "t/copy/a.bin")) << made;
  }
}

// A holding folder's folder made beforehand that everyone may change is never moved into: anyone
// could rename the copy away, out of undo's reach.
TEST(TidyWindows, AHoldingFolderOthersCouldChangeIsRefused) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"t/keep/a.bin", PatternBytes(700, 85), 30},
                               {"t/copy/a.bin", PatternBytes(700, 85), 1}});
  WriteReport(tree.root(), {Text("t")});
  ASSERT_TRUE(SetAccessList(tree.MakeDirectory("holding/t"), Openness::kEveryone));
  const ProgramResult moved =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                              Text("holding"), Text("--within"), Text("t")});
  EXPECT_EQ(moved.exitCode, 1) << moved.output;
  ExpectLine(moved, TidySkippedLine("t\\copy\\a.bin", kTidyHoldingFolderNotOwn));
  EXPECT_TRUE(std::filesystem::exists(tree / "t/copy/a.bin"));
}
