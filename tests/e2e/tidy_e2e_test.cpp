// dupscan-tidy end to end: a home folder with copies, hard links, look-alikes, a forged line-feed
// group (where names may hold one), and files that change between the report and the apply.
#include <chrono>

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"

namespace {

// A relative path as the program prints it: with the system's separators.
std::string Shown(const std::string& path) { return PrintedText(path); }

void ExpectLines(const ProgramResult& result, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    EXPECT_NE(result.output.find(line), std::string::npos) << line << "in:\n" << result.output;
  }
}

// Bytes that differ only between the first and last 256: dupscan's fingerprints
// cannot tell them apart, its comparison can.
std::string LookAlike(const std::string& bytes) {
  std::string other = bytes;
  other[bytes.size() / 2] = static_cast<char>(other[bytes.size() / 2] ^ 0x55);
  return other;
}

// The home folder, made under `tree`, with every file's age set so "oldest" keeps the originals.
void MakeHome(const TempTree& tree) {
  const std::string beach = PatternBytes(5000, 1);
  const std::string city = PatternBytes(3000, 2);
  const std::string song = PatternBytes(4096, 4);
  const std::vector<AgedFile> files = {
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
      {"secret.txt", PatternBytes(1200, 10), 500},
  };
  WriteAgedFiles(tree.root(), files);
  if (NamesHoldLineFeeds()) {
    // Its second line names a file outside the search, of the same size, other bytes.
    tree.WriteFile("home/Downloads/evil-copy", PatternBytes(1200, 9));
    tree.WriteFile("home/Downloads/evil\nsecret.txt", PatternBytes(1200, 9));
  }
  std::filesystem::create_hard_link(tree / "home/Documents/report.pdf",
                                    tree / "home/Documents/report-link.pdf");
}

// What happens between the report and the apply: a copy rewritten in place (same size), a copy
// swapped for a symbolic link, a kept file deleted, a copy that may not be removed. Returns the
// reason given for the link's line.
std::string ChangeAfterReport(const TempTree& tree, bool* unprivileged) {
  std::string notes = ReadWholeFile(tree / "home/Downloads/notes.txt");
  notes[700] = static_cast<char>(notes[700] ^ 1);
  tree.WriteFile("home/Downloads/notes.txt", notes);
  const std::string linkWhy = SwapForLink(tree / "home/Downloads/tax.pdf",
                                          std::filesystem::path("..") / "Documents" / "tax.pdf");
  std::filesystem::remove(tree / "home/Pictures/cat.png");
  *unprivileged = MakeUnremovable(tree.root(), tree / "home/Shared/readonly/paper.txt");
  return linkWhy;
}

// The index in "files" that export's group line gives as "keep", and the path at that index.
std::string ExportedKeep(const std::string& groupLine) {
  const std::size_t keep = groupLine.find("\"keep\":");
  std::size_t path = groupLine.find("\"path\":");
  for (long long index = std::stoll(groupLine.substr(keep + 7)); index > 0; --index) {
    path = groupLine.find("\"path\":", path + 1);
  }
  return path == std::string::npos ? "" : groupLine.substr(path, groupLine.find(',', path) - path);
}

// A file of the odd name and a copy of it named `copy`, and dupscan's report of them.
OddName WriteOddPair(const TempTree& tree, const char* copy) {
  const OddName odd = OddExportName();
  tree.WriteFile(odd.path, PatternBytes(600, 51));
  tree.WriteFile(std::string("odd/") + copy, PatternBytes(600, 51));
  WriteReport(tree.root(), {Text("odd")});
  return odd;
}

}  // namespace

TEST(TidyEndToEnd, HomeFolderSummaryAndPlanHoldEveryLineAgainstTheDisk) {
  TempTree tree;
  MakeHome(tree);
  WriteReport(tree.root(), {Text("home")});
  const std::string report = ReadWholeFile(tree / "duplicates.txt");
  bool unprivileged = false;
  const std::string linkWhy = ChangeAfterReport(tree, &unprivileged);
  const int forged = NamesHoldLineFeeds() ? 1 : 0;

  const bool foreseen = PlanForeseesUnremovable();  // the read-only paper.txt frees nothing
  const ProgramResult summary = RunTidyIn(tree.root(), {});
  EXPECT_EQ(summary.exitCode, 0) << summary.errors;
  ExpectLines(
      summary,
      {TidyCountsLine(7 + forged, 15 + 3 * forged, "duplicates.txt"),
       TidyVerifiedLine(5, 2 + forged, 0),
       foreseen ? TidyFreeableLine("14.16 KB", 14500, 4) : TidyFreeableLine("16.31 KB", 16700, 5),
       TidyCopyFolderLine(Shown("home/Backup/"), Shown("home/Pictures/"), 2, "7.81 KB", 8000),
       TidyUnresolvedLine(LineNumber(report, Shown("home/Downloads/tax.pdf")),
                          Shown("home/Downloads/tax.pdf"), linkWhy),
       TidyUnresolvedLine(LineNumber(report, Shown("home/Pictures/cat.png")),
                          Shown("home/Pictures/cat.png"), kTidyNamesNoFile),
       TidyGroupLine("9.77 KB", 3, "4.88 KB", Shown("home/Pictures/2022/beach.jpg")),
       TidyFreeNothingLine(foreseen ? 2 : 1)});
  if (forged != 0) {
    ExpectLines(summary, {TidyUnresolvedLine(LineNumber(report, "home/Downloads/evil"),
                                             "home/Downloads/evil", kTidyReadTwoWays)});
  }

  tree.MakeDirectory("hold");
  const ProgramResult plan =
      RunTidyIn(tree.root(), {Text("plan"), Text("--all"), Text("--within"), Text("home")});
  ExpectLines(plan, {TidyKeepLine(Shown("home/Pictures/2022/beach.jpg")),
                     TidyActLine("remove", Shown("home/Downloads/beach (1).jpg")),
                     TidyLeaveLine(Shown("home/Documents/report-link.pdf"), kTidySameFileAsKept)});
  const ProgramResult moves =
      RunTidyIn(tree.root(), {Text("plan"), Text("--within"), Text("home/Downloads"),
                              Text("--action"), Text("move"), Text("--holding"), Text("hold")});
  ExpectLines(moves, {TidyMoveLine(Shown("home/Downloads/beach (1).jpg"),
                                   Shown("hold/Downloads/beach (1).jpg")),
                      TidyPlanHiddenLine()});
  // Without --all, only what changes.
  EXPECT_EQ(moves.output.find(Shown("home/Backup/2022/beach.jpg")), std::string::npos)
      << moves.output;

  const ProgramResult check = RunTidyIn(tree.root(), {Text("check")});
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.output, TidyCheckLine(7 + forged, "duplicates.txt"));
  const ProgramResult help = RunTidyIn(tree.root(), {Text("--help")});
  EXPECT_EQ(help.output.substr(0, TidyUsageStart().size()), TidyUsageStart());
  const ProgramResult version = RunTidyIn(tree.root(), {Text("--version")});
  EXPECT_EQ(version.output.substr(0, TidyVersionStart().size()), TidyVersionStart());
  EXPECT_EQ(RunTidyIn(tree.root(), {Text("--nonsense")}).exitCode, 2);
  EXPECT_EQ(RunTidyIn(tree.root(), {Text("--min-size"), Text("1k")}).errors, TidyBadSizeLine("1k"));
}

TEST(TidyEndToEnd, HomeFolderEveryPlannedRemovalDoneOrSkippedWithItsLine) {
  TempTree tree;
  MakeHome(tree);
  WriteReport(tree.root(), {Text("home")});
  bool unprivileged = false;
  ChangeAfterReport(tree, &unprivileged);
  const std::set<std::string> before = Contents(tree / "home");

  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home")}, unprivileged);
  EXPECT_EQ(applied.exitCode, 1) << applied.errors;
  const std::string refused = UnremovableLineStart(Shown("home/Shared/readonly/paper.txt"));
  ExpectLines(applied, {TidyDoneLine("removed", Shown("home/Downloads/beach (1).jpg")),
                        TidyDoneLine("removed", Shown("home/Backup/2022/beach.jpg")),
                        TidyDoneLine("removed", Shown("home/Backup/2022/city.jpg")),
                        TidySkippedLine(Shown("home/Downloads/notes.txt"), kTidyDiffers), refused,
                        TidyApplyTotals(3, 2, 13000)});
  ExpectNothingLost(before, Contents(tree / "home"));
  EXPECT_EQ(ReadWholeFile(tree / "secret.txt"), PatternBytes(1200, 10));
  for (const char* kept : {"home/Downloads/cat.png", "home/Documents/report-link.pdf",
                           "home/Music/song-lookalike.mp3", "home/Shared/readonly/paper.txt"}) {
    EXPECT_TRUE(std::filesystem::exists(tree / kept)) << kept;
  }
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

  // Reflinks where the file system clones (Btrfs, XFS); elsewhere, and on Windows, the copy is
  // skipped with its line and left as it was.
  const ProgramResult cloned =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("reflink"),
                              Text("--within=home"), Text("--exclude"), Text("*.txt")});
  ExpectLines(cloned, {cloned.exitCode == 0
                           ? TidyDoneLine("reflinked", Shown("home/Downloads/a.jpg"))
                           : TidySkippedLine(Shown("home/Downloads/a.jpg"), kTidyCannotClone)});
  EXPECT_EQ(ReadWholeFile(tree / "home/Downloads/a.jpg"), photo);

  const ProgramResult linked =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("link"), Text("--within=home"),
                              Text("--exclude"), Text("*.txt")});
  EXPECT_EQ(linked.exitCode, 0) << linked.errors;
  ExpectLines(linked, {TidyDoneLine("linked", Shown("home/Downloads/a.jpg"))});
  EXPECT_TRUE(SameInode(tree / "home/Pictures/a.jpg", tree / "home/Downloads/a.jpg"));
  EXPECT_FALSE(NameAppears(tree / "home/Downloads", Text(".dupscan-tidy")));

  const ProgramResult moved =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                              Text("holding"), Text("--within"), Text("home/Downloads")});
  EXPECT_EQ(moved.exitCode, 0) << moved.errors;
  ExpectLines(moved,
              {TidyMovedLine(Shown("home/Downloads/b.txt"), Shown("holding/Downloads/b.txt"))});
  EXPECT_EQ(ReadWholeFile(tree / "holding/Downloads/b.txt"), PatternBytes(900, 22));

  const ProgramResult undone = RunTidyIn(tree.root(), {Text("undo"), Text("--within"), Text("home"),
                                                       Text("--holding"), Text("holding")});
  EXPECT_EQ(undone.exitCode, 0) << undone.errors;
  ExpectLines(undone, {TidyDoneLine(kTidyMovedBackWord, Shown("home/Downloads/b.txt"))});
  EXPECT_EQ(ReadWholeFile(tree / "home/Downloads/b.txt"), PatternBytes(900, 22));
  ExpectNothingLost(before, Contents(tree / "home"));
}

// A copy a move set aside is never the one kept: after a new search of the whole folder it lies
// outside --within (and is the oldest), yet keeping it would lose the photo once the holding
// folder is emptied. Where only set-aside copies are left, the group is left with its reason.
TEST(TidyEndToEnd, ACopyAMoveSetAsideIsNeverTheOneKept) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"home/Photos/p.jpg", PatternBytes(900, 23), 3},
                               {"home/Backup/p.jpg", PatternBytes(900, 23), 300}});
  tree.MakeDirectory("dupes");
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult moved =
      RunTidyIn(tree.root(), {Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                              Text("dupes"), Text("--within"), Text("home/Backup")});
  ASSERT_EQ(moved.exitCode, 0) << moved.output;
  WriteReport(tree.root(), {Text("home"), Text("dupes")});
  RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("home/Photos")});
  EXPECT_EQ(ReadWholeFile(tree / "home/Photos/p.jpg"), PatternBytes(900, 23));

  std::filesystem::remove(tree / "home/Photos/p.jpg");
  tree.WriteFile("dupes/Backup/q.jpg", PatternBytes(900, 23));
  WriteReport(tree.root(), {Text("home"), Text("dupes")});
  const ProgramResult planned =
      RunTidyIn(tree.root(), {Text("plan"), Text("--all"), Text("--within"), Text("dupes")});
  EXPECT_NE(planned.output.find(TidyLeaveLine(Shown("dupes/Backup/q.jpg"), kTidyAllSetAside)),
            std::string::npos)
      << planned.output;
}

// A report from another machine, or read in the wrong folder: not one of its lines names a file
// here. Nothing is silent: summary and apply name each group with its reason, apply counts them,
// and neither calls it a success.
TEST(TidyEndToEnd, AReportOfFilesThatAreNotHereIsNoSuccess) {
  TempTree tree;
  tree.WriteFile("there/a.bin", PatternBytes(3000, 61));
  tree.WriteFile("there/b.bin", PatternBytes(3000, 61));
  WriteReport(tree.root(), {Text("there")});
  std::filesystem::rename(tree / "there", tree / "here");
  const std::string unresolved = TidyUnresolvedLine(2, Shown("there/a.bin"), kTidyNamesNoFile);
  const ProgramResult summary = RunTidyIn(tree.root(), {});
  EXPECT_EQ(summary.exitCode, 1);
  ExpectLines(summary, {unresolved});
  const ProgramResult applied =
      RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("here")});
  EXPECT_EQ(applied.exitCode, 1);
  ExpectLines(applied, {TidyApplyUnresolvedHeading(1) + unresolved, TidyApplyTotals(0, 0, 0)});
}

// Others may write in the working folder, where the journal lies, and scripts pass unset
// variables: neither may make the program act outside the folders the user named.
TEST(TidyEndToEnd, APlantedJournalOrAnEmptyFolderNameActsOnNothing) {
  TempTree tree;
  const std::string secret = PatternBytes(700, 61);
  tree.WriteFile("outside/secret", secret);
  tree.WriteFile("home/a.bin", secret);
  tree.WriteFile("home/b.bin", secret);
  tree.WriteFile("holding/placeholder", "h");
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult empty = RunTidyIn(tree.root(), {Text("apply"), Text("--within"), Text("")});
  EXPECT_EQ(empty.exitCode, 2) << empty.output;

  const std::string identity = IdentityText(tree / "outside/secret");
  const std::size_t colon = identity.find(':');
  const std::string recorded = "\"volume\":" + identity.substr(0, colon) +
                               ",\"index\":" + identity.substr(colon + 1) + ",\"size\":700";
  tree.WriteFile(TidyJournalName(),
                 "{\"step\":1,\"action\":\"move\",\"copy\":\"home/moved\"," + recorded +
                     ",\"to\":\"outside/secret\"}\n{\"step\":2,\"action\":\"remove\",\"copy\":"
                     "\"home/aside\"," +
                     recorded + ",\"aside\":\"../outside/secret\"}\n");
  const ProgramResult undone = RunTidyIn(tree.root(), {Text("undo"), Text("--within"), Text("home"),
                                                       Text("--holding"), Text("holding")});
  EXPECT_EQ(ReadWholeFile(tree / "outside/secret"), secret) << undone.output;
  EXPECT_EQ(ReadWholeFile(tree / "home/b.bin"), secret);
  EXPECT_FALSE(std::filesystem::exists(tree / "home/moved"));
  EXPECT_FALSE(std::filesystem::exists(tree / "home/aside"));
}

TEST(TidyEndToEnd, ExportKeepsEveryCharacterOfEveryName) {
  TempTree tree;
  const OddName odd = WriteOddPair(tree, "copy.bin");
  const std::string identity = IdentityText(tree / odd.path);
  const std::size_t colon = identity.find(':');

  const ProgramResult json = RunTidyIn(tree.root(), {Text("export")});
  EXPECT_EQ(json.exitCode, 0) << json.errors;
  ExpectLines(json, {"{\"path\":\"" + odd.json + "\",\"volume\":" + identity.substr(0, colon) +
                     ",\"index\":" + identity.substr(colon + 1) + ","});
  const ProgramResult records = RunTidyIn(tree.root(), {Text("export"), Text("--format=nul")});
  EXPECT_NE(records.outputBytes.find("1\t600\t" + identity + "\t" + PrintedText(odd.path) + '\0'),
            std::string::npos)
      << records.outputBytes;
}

TEST(TidyEndToEnd, ASavedPlanIsCarriedOutAsReviewedAndNothingMore) {
  TempTree tree;
  const std::string photo = PatternBytes(700, 61);
  const std::string song = PatternBytes(900, 62);
  const std::filesystem::path odd = std::filesystem::path("home") / OddExportName().path;
  SetAge(tree.WriteFile("home/Pictures/photo.jpg", photo), 300);
  SetAge(tree.WriteFile("home/Music/song.mp3", song), 300);
  SetAge(tree.WriteFile(odd, photo), 10);
  SetAge(tree.WriteFile("home/Downloads/photo.jpg", photo), 10);
  SetAge(tree.WriteFile("home/Downloads/song.mp3", song), 10);
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult saved =
      RunTidyIn(tree.root(), {Text("plan"), Text("--save"), Text("reviewed.plan")});
  EXPECT_EQ(saved.exitCode, 0) << saved.errors;
  ExpectLines(saved, {TidyPlanSavedLine("reviewed.plan", 3, 2)});

  // After the review: a copy rewritten (same size, other bytes), and a new copy nobody reviewed.
  tree.WriteFile("home/Downloads/song.mp3", PatternBytes(900, 63));
  tree.WriteFile("home/Downloads/photo (2).jpg", photo);
  const ProgramResult applied = RunTidyIn(
      tree.root(),
      {Text("apply"), Text("--plan"), Text("reviewed.plan"), Text("--within"), Text("home")});
  EXPECT_EQ(applied.exitCode, 1) << applied.errors;
  ExpectLines(applied, {TidyDoneLine("removed", Shown("home/Downloads/photo.jpg")),
                        TidySkippedLine(Shown("home/Downloads/song.mp3"), kTidyPlanCopyChanged),
                        TidyApplyTotals(2, 1, 1400)});
  EXPECT_FALSE(std::filesystem::exists(tree / odd)) << applied.output;
  EXPECT_TRUE(std::filesystem::exists(tree / "home/Downloads/photo (2).jpg"));
  EXPECT_EQ(ReadWholeFile(tree / "home/Pictures/photo.jpg"), photo);
}

// The browser tests read the page on Linux; this reads what every build writes, wine's too.
TEST(TidyEndToEnd, PageCarriesEveryNameAsDataItsHtmlNeverReads) {
  TempTree tree;
  const OddName odd = WriteOddPair(tree, "copy & co.bin");

  const ProgramResult result = RunTidyIn(tree.root(), {Text("page")});
  EXPECT_EQ(result.exitCode, 0) << result.errors;
  EXPECT_EQ(result.output, TidyPageWrittenLine("duplicates.html", 1, 2, 600));
  const std::string page = ReadWholeFile(tree / "duplicates.html");
  const std::string dataTag = "<script type=\"application/json\" id=\"page-data\">";
  const std::size_t start = page.find(dataTag);
  ASSERT_NE(start, std::string::npos) << page;
  const std::string data =
      page.substr(start + dataTag.size(), page.find("</script>", start) - start - dataTag.size());
  EXPECT_EQ(data.find_first_of("<>&"), std::string::npos) << data;
  EXPECT_NE(data.find('"' + odd.json.substr(odd.json.find('a')) + '"'), std::string::npos) << data;
  EXPECT_NE(data.find("\"copy \\u0026 co.bin\""), std::string::npos) << data;
  EXPECT_NE(page.find("content=\"default-src 'none'; script-src 'sha256-"), std::string::npos);

  const ProgramResult nowhere =
      RunTidyIn(tree.root(), {Text("page"), Text("--output"), Text("gone/page.html")});
  EXPECT_EQ(nowhere.exitCode, 2) << nowhere.output;
}

TEST(TidyEndToEnd, KeepRulesGivenLeaveTiesToTheDefaultsAndTwoMovesToOneNameAreFlagged) {
  TempTree tree;
  // Equally new: --keep newest ties, and the default "shortest" then keeps b/f.
  // Both times set alike: under wine a time read back can be finer than one written.
  const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
  std::filesystem::last_write_time(tree.WriteFile("a/longer/f", PatternBytes(300, 71)), when);
  std::filesystem::last_write_time(tree.WriteFile("b/f", PatternBytes(300, 71)), when);
  // Two --within folders of one name: both copies would move to hold/Album/g.
  SetAge(tree.WriteFile("z/g", PatternBytes(400, 72)), 30);
  tree.WriteFile("x/Album/g", PatternBytes(400, 72));
  tree.WriteFile("y/Album/g", PatternBytes(400, 72));
  tree.MakeDirectory("hold");
  WriteReport(tree.root(), {Text("a"), Text("b"), Text("x"), Text("y"), Text("z")});

  const ProgramResult plan = RunTidyIn(
      tree.root(), {Text("plan"), Text("--all"), Text("--keep"), Text("newest"), Text("--action"),
                    Text("move"), Text("--holding"), Text("hold"), Text("--within"),
                    Text("x/Album"), Text("--within"), Text("y/Album")});
  EXPECT_EQ(plan.exitCode, 0) << plan.errors;
  ExpectLines(plan,
              {TidyKeepLine(Shown("b/f")), TidyMoveLine(Shown("x/Album/g"), Shown("hold/Album/g")),
               TidyMoveClashLine(Shown("y/Album/g"), Shown("hold/Album/g"))});
}

// A holding folder that is, holds or lies under the --within folder is refused before anything
// moves (a copy was "moved" onto itself, exit 0); a move refused at its last check (here the
// kept file renamed at its first step) leaves no folder it made in the holding folder.
TEST(TidyEndToEnd, AMoveLeavesWithinAndOneRefusedMakesNoFolders) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"home/keep/a.bin", PatternBytes(900, 81), 30},
                               {"home/w/a.bin", PatternBytes(900, 81), 1}});
  tree.MakeDirectory("home/w/in");
  tree.MakeDirectory("holding");
  WriteReport(tree.root(), {Text("home")});
  const auto moveInto = [](const char* holding) {
    return std::vector<PathString>{Text("apply"),     Text("--action"), Text("move"),
                                   Text("--holding"), Text(holding),    Text("--within"),
                                   Text("home/w")};
  };
  for (const char* holding : {"home/w", "home", ".", "home/w/in"}) {
    const ProgramResult refused = RunTidyIn(tree.root(), moveInto(holding));
    EXPECT_EQ(refused.exitCode, 2) << holding << "\n" << refused.output;
    EXPECT_EQ(refused.errors, TidyFolderOptionLine("--holding", holding, kTidyHoldingMeetsWithin));
  }
  EXPECT_EQ(NamesIn(tree / "home/w"), (std::set<std::string>{"a.bin", "in"}));

  const ProgramResult skipped = RunTidyRenamingAt(tree.root(), 1, tree / "home/keep/a.bin",
                                                  tree / "home/keep/b.bin", moveInto("holding"));
  ExpectLines(skipped, {TidySkippedLine(Shown("home/w/a.bin"), kTidyKeptChanged)});
  EXPECT_EQ(NamesIn(tree / "holding"), std::set<std::string>{});

  // A file where the copy's folder in the holding folder belongs is said to be one.
  std::filesystem::rename(tree / "home/keep/b.bin", tree / "home/keep/a.bin");
  tree.WriteFile("holding/w", "a file");
  ExpectLines(RunTidyIn(tree.root(), moveInto("holding")),
              {TidySkippedLine(Shown("home/w/a.bin"), kTidyHoldingFolderIsFile)});
}

// A new user's walk on a small home folder: a phone's photos copied whole, a song downloaded
// twice, a snapshot made of hard links, an empty folder of the user's own. Each command's words
// are the ones the user reads; after the apply the folders it emptied are gone and nothing else.
TEST(TidyEndToEnd, ANewUsersWalkFromSummaryToUndoSaysWhatHappens) {
  TempTree tree;
  const std::string beach = PatternBytes(6000, 91);
  const std::string dog = PatternBytes(4000, 92);
  WriteAgedFiles(tree.root(), {{"home/Pictures/2023/beach.jpg", beach, 400},
                               {"home/Pictures/2023/dog.jpg", dog, 400},
                               {"home/Old phone/DCIM/beach.jpg", beach, 30},
                               {"home/Old phone/DCIM/dog.jpg", dog, 30},
                               {"home/Music/song.mp3", PatternBytes(3000, 93), 400},
                               {"home/Downloads/song.mp3", PatternBytes(3000, 93), 5},
                               {"home/Downloads/notes.txt", PatternBytes(100, 94), 5},
                               {"home/Documents/tax.pdf", PatternBytes(2000, 95), 400}});
  std::filesystem::create_directories(tree / "home/Snapshot");
  std::filesystem::create_hard_link(tree / "home/Documents/tax.pdf",
                                    tree / "home/Snapshot/tax.pdf");
  tree.MakeDirectory("home/Empty");
  WriteReport(tree.root(), {Text("home")});

  const ProgramResult summary = RunTidyIn(tree.root(), {});
  ExpectLines(summary,
              {TidyCountsLine(4, 8, "duplicates.txt"), TidyVerifiedLine(4, 0, 0),
               TidyFreeableLine("12.70 KB", 13000, 3), TidyCopyFoldersHeading(3),
               TidyCopyFolderLine(Shown("home/Old phone/DCIM/"), Shown("home/Pictures/2023/"), 2,
                                  "9.77 KB", 10000),
               TidyCopyFolderLinkedLine(Shown("home/Documents/"), Shown("home/Snapshot/"), 1),
               TidyGroupLine("2.93 KB", 2, "2.93 KB", Shown("home/Music/song.mp3"))});

  const ProgramResult plan =
      RunTidyIn(tree.root(), {Text("plan"), Text("--save"), Text("walk.plan")});
  ExpectLines(plan, {TidyActLine("remove", Shown("home/Old phone/DCIM/beach.jpg")),
                     TidyActLine("remove", Shown("home/Downloads/song.mp3")), TidyPlanHiddenLine(),
                     TidyPlanSavedLine("walk.plan", 3, 3)});
  EXPECT_EQ(plan.output.find(Shown("home/Snapshot/tax.pdf")), std::string::npos) << plan.output;

  // Biggest first, each with what it frees; "keep" counts the group's files from 0.
  const ProgramResult exported = RunTidyIn(tree.root(), {Text("export")});
  const std::size_t beachLine = exported.output.find("{\"size\":6000,\"freed\":6000,");
  const std::size_t songLine = exported.output.find("{\"size\":3000,\"freed\":3000,");
  const std::size_t taxLine = exported.output.find("{\"size\":2000,\"freed\":0,");
  EXPECT_LT(beachLine, songLine) << exported.output;
  EXPECT_LT(songLine, taxLine) << exported.output;
  const std::string beachGroup = exported.output.substr(beachLine, songLine - beachLine);
  EXPECT_NE(ExportedKeep(beachGroup).find("Pictures"), std::string::npos) << beachGroup;

  const ProgramResult applied =
      RunTidyIn(tree.root(),
                {Text("apply"), Text("--plan"), Text("walk.plan"), Text("--within"), Text("home")});
  EXPECT_EQ(applied.exitCode, 0) << applied.errors;
  ExpectLines(applied, {TidyDoneLine("removed", Shown("home/Downloads/song.mp3")),
                        TidyEmptiedFolderLine(Shown("home/Old phone/DCIM")),
                        TidyEmptiedFolderLine(Shown("home/Old phone")),
                        TidyApplyTotals(3, 0, 13000), TidyReportOutOfDateLine("duplicates.txt")});
  EXPECT_EQ(NamesIn(tree / "home"), (std::set<std::string>{"Documents", "Downloads", "Empty",
                                                           "Music", "Pictures", "Snapshot"}));

  const ProgramResult undone =
      RunTidyIn(tree.root(), {Text("undo"), Text("--within"), Text("home")});
  EXPECT_EQ(undone.exitCode, 0) << undone.errors;
  EXPECT_EQ(undone.output, TidyCannotUndoLine(3));
}

// A folder named by --within stays when a removal empties it, even under another one.
TEST(TidyEndToEnd, AFolderNamedByWithinStaysWhenARemovalEmptiesIt) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"home/keep/a.bin", PatternBytes(900, 96), 30},
                               {"home/copies/a.bin", PatternBytes(900, 96), 1}});
  WriteReport(tree.root(), {Text("home")});
  const ProgramResult applied = RunTidyIn(
      tree.root(),
      {Text("apply"), Text("--within"), Text("home"), Text("--within"), Text("home/copies")});
  EXPECT_EQ(applied.exitCode, 0) << applied.errors;
  EXPECT_EQ(NamesIn(tree / "home"), (std::set<std::string>{"copies", "keep"})) << applied.output;
}
