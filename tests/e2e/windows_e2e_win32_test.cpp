// The Windows programs as a user meets them: CR LF line ends, system error codes, %NAME%
// references and wildcards in arguments, paths past MAX_PATH, names no code page holds, names that
// Win32 would change before opening them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "support/e2e_support.h"
#include "support/windows_support.h"

namespace {

constexpr int kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND

// The roots the console lists, in its order.
std::vector<std::string> ListedRoots(const std::string& output) {
  std::vector<std::string> roots;
  std::size_t line = output.find('\n') + 1;
  while (line < output.size() && output[line] == '\t') {
    const std::size_t end = output.find('\n', line);
    roots.push_back(output.substr(line + 1, end - line - 1));
    line = end + 1;
  }
  return roots;
}

TEST(WindowsEndToEnd, TreeWithDuplicatesEmptyFilesAndAMissingRootInCrLfLines) {
  TempTree tree;
  const std::string content = PatternBytes(700, 21);
  tree.WriteFile("t/a", content);
  tree.WriteFile("t/sub/b", content);
  tree.WriteFile("t/sub/c", PatternBytes(700, 22));
  tree.WriteFile("t/e1", "");
  tree.WriteFile("t/sub/e2", "");
  const ProgramResult result =
      RunIn(tree.root(), {NativeText(tree / "missing"), NativeText(tree / "t")});

  ExpectedRun expected =
      Counts({PrintedText(tree / "missing"), PrintedText(tree / "t")}, 5, 3, 5, 2, "700 bytes");
  expected.walkLines = ListingFailedLine(PrintedText(tree / "missing"), kPathNotFound);
  EXPECT_EQ(result.outputBytes, ReportBytes(ExpectedConsole(expected)));
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.exitCode, 0);

  std::vector<PathString> walkOrder;
  ListDepthFirst(tree / "t", NativeText(tree / "t"), walkOrder);
  std::vector<std::string> empties;
  for (const PathString& path : walkOrder) {
    if (path.find(L"\\e") != PathString::npos) {
      empties.push_back(PrintedText(path));
    }
  }
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(EmptyFilesBlock(empties) +
                        GroupBlockInOrder("700 bytes", {PrintedText(tree / "t/a"),
                                                        PrintedText(tree / "t/sub/b")})));
}

TEST(WindowsEndToEnd, ProfileReferenceInAnArgumentIsExpandedByTheProgram) {
  TempTree tree;
  tree.WriteFile("home/Pictures/p", "12");
  tree.WriteFile("home/Pictures/q", "12");
  ProgramOptions options;
  options.workingDirectory = tree.root();
  options.environment = {{"USERPROFILE", PrintedText(tree / "home")}};
  // CreateProcessW and the runtime leave % alone, as cmd.exe does inside quotes.
  const ProgramResult result = RunProgram({L"%USERPROFILE%\\Pictures"}, options);

  ExpectedRun expected = Counts({PrintedText(tree / "home/Pictures")}, 2, 1, 2, 2, "2 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
}

TEST(WindowsEndToEnd, WildcardArgumentIsExpandedByTheRuntime) {
  TempTree tree;
  tree.WriteFile("dir/sub1/x", "same");
  tree.WriteFile("dir/sub2/y", "same");
  tree.WriteFile("dir/other/z", "same");
  const ProgramResult result = RunIn(tree.root(), {L"dir\\sub*"});

  const std::vector<std::string> listed = ListedRoots(result.output);
  std::vector<std::string> sorted = listed;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_EQ(sorted, (std::vector<std::string>{"dir\\sub1", "dir\\sub2"})) << result.output;
  // The roots stand in the order the runtime found them.
  ExpectedRun expected = Counts(listed, 2, 2, 2, 2, "4 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(GroupBlockInOrder("4 bytes", {"dir\\sub1\\x", "dir\\sub2\\y"})));
}

// The root of a drive typed as "\" or "/" prints "\sub\r1": root, separator and names are the
// path read, where "\\sub\r1" would name a network share. A "\\?\" root ending in its separator
// prints without it, since that form takes a doubled separator literally.
TEST(WindowsEndToEnd, PathsBelowADriveRootNameTheFilesRead) {
  TempTree tree;
  tree.WriteFile("drive/sub/r1", "same");
  tree.WriteFile("drive/sub/r2", "same");
  const MappedDrive drive(tree / "drive");
  if (!drive.Unavailable().empty()) {
    GTEST_SKIP() << drive.Unavailable();
  }
  const PathString verbatim = L"\\\\?\\" + drive.Root().native();
  std::vector<PathString> roots = {L"\\", verbatim};
  if (!RunningUnderWine()) {
    roots.push_back(L"/");  // wine takes "/" for the Linux root, drive Z
  }
  for (const PathString& root : roots) {
    const ProgramResult result = RunIn(drive.Root(), {root});
    EXPECT_EQ(result.output, ExpectedConsole(Counts({Utf8Text(root)}, 2, 2, 2, 2, "4 bytes")));
    const std::string shown = root == verbatim ? Utf8Text(verbatim.substr(0, 6)) : "";
    EXPECT_EQ(ReadWholeFile(tree / "drive/duplicates.txt"),
              ReportBytes(GroupBlock("4 bytes", {shown + "\\sub\\r1", shown + "\\sub\\r2"})))
        << Utf8Text(root);
  }
}

// Six folders of 60 characters: every file's path is far past MAX_PATH (260).
constexpr int kLongLevels = 6;
constexpr std::size_t kLongNameLength = 60;

std::filesystem::path LongTree(const TempTree& tree) {
  std::filesystem::path relative = "long";
  for (int level = 0; level < kLongLevels; ++level) {
    relative /= std::string(kLongNameLength, static_cast<char>('a' + level));
  }
  // Made through "\\?\" so that a system without the long-path opt-in makes it too.
  const std::filesystem::path deepest = Verbatim(tree / relative);
  std::filesystem::create_directories(deepest);
  for (const char* name : {"f1", "f2"}) {
    std::ofstream(deepest / name, std::ios::binary) << "long";
  }
  return relative;
}

TEST(WindowsEndToEnd, VerbatimRootPassesUnchangedAndItsLongChildrenAreRead) {
  TempTree tree;
  const std::filesystem::path relative = LongTree(tree);
  const std::filesystem::path root = Verbatim(tree / "long");
  const ProgramResult result = RunIn(tree.root(), {root.native()});

  ExpectedRun expected = Counts({PrintedText(root)}, 2, kLongLevels + 1, 2, 2, "4 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  const std::string deepest = PrintedText(Verbatim(tree / relative));
  ASSERT_GT(deepest.size(), 400u);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(GroupBlockInOrder("4 bytes", {deepest + "\\f1", deepest + "\\f2"})));
}

TEST(WindowsEndToEnd, OrdinaryRootReachesChildrenPastMaxPath) {
  TempTree tree;
  const std::filesystem::path relative = LongTree(tree);
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "long")});

  ExpectedRun expected = Counts({PrintedText(tree / "long")}, 2, kLongLevels + 1, 2, 2, "4 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  const std::string deepest = PrintedText(tree / relative);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(GroupBlockInOrder("4 bytes", {deepest + "\\f1", deepest + "\\f2"})));
}

// Names that Win32 changes before it opens them: it drops a trailing dot or space ("keep.jpg."
// was read as "keep.jpg", and the folder "sub." walked as "sub"), and takes a device's name, with
// any extension, for the device ("aux.txt" is AUX, and "nul" read as empty). Only the "\\?\"
// form makes or reaches such files. Each family has a size of its own, so the report's order is
// known: a pair of copies and, where the fault paired the wrong files, a lone file that differs.
TEST(WindowsEndToEnd, EveryFileReadIsTheFileListed) {
  constexpr std::size_t kFirstSize = 10;
  constexpr std::uint32_t kLoneSeeds = 100;  // seeds of their own: bytes unlike the pair's
  struct Family {
    std::wstring first;
    std::wstring second;
    std::wstring lone;
  };
  std::vector<Family> families = {{L"keep.jpg.", L"backup.jpg", L"keep.jpg"},
                                  {L"sub.\\photo", L"sub-photo", L"sub\\photo"},
                                  {L"note ", L"note-copy", L"note"}};
  for (const wchar_t* device : {L"nul", L"aux.txt", L"con", L"com1", L"lpt1", L"prn.log"}) {
    families.push_back({device, std::wstring(L"copies\\") + device, L""});
  }
  TempTree tree;
  const std::filesystem::path root = Verbatim(tree / "t");
  std::vector<std::wstring> written;
  auto write = [&root, &written](const std::wstring& name, const std::string& bytes) {
    std::filesystem::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << bytes;
    written.push_back(name);
  };
  ExpectedRun expected = Counts({"t"}, 0, 4, 0);
  std::string report;
  std::int64_t wasted = 0;
  for (std::size_t index = 0; index < families.size(); ++index) {
    const Family& family = families[index];
    const std::size_t size = kFirstSize + index;
    const std::uint32_t seed = static_cast<std::uint32_t>(index);
    write(family.first, PatternBytes(size, seed));
    write(family.second, PatternBytes(size, seed));
    expected.files += 2;
    if (!family.lone.empty()) {
      write(family.lone, PatternBytes(size, seed + kLoneSeeds));
      ++expected.files;
    }
    report += GroupBlock(std::to_string(size) + " bytes",
                         {"t\\" + Utf8Text(family.first), "t\\" + Utf8Text(family.second)});
    wasted += static_cast<std::int64_t>(size);
  }
  expected.potential = expected.files;
  expected.duplicates = 2 * static_cast<int>(families.size());
  expected.wasted = std::to_string(wasted) + " bytes";
  const ProgramResult result = RunIn(tree.root(), {L"t"});

  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), ReportBytes(report));
  // One by one: the tree's own removal would reach the devices and the trimmed names, and
  // std::filesystem::remove_all never returned from "sub.".
  for (const std::wstring& name : written) {
    std::filesystem::remove(root / name);
  }
  std::filesystem::remove(root / L"sub.");
}

// Windows matches names ignoring case: a report saved as "Duplicates.txt" is the one the run
// replaces, no file of the search. It was walked and grouped with the user's copy of it.
TEST(WindowsEndToEnd, TheReportIsKnownWhateverTheCaseOfItsName) {
  for (const char* name : {"Duplicates.txt", "DUPLICATES.TXT"}) {
    TempTree tree;
    const std::string earlier = ReportBytes(GroupBlock("4 bytes", {"the earlier report"}));
    tree.WriteFile(name, earlier);
    tree.WriteFile("saved report.txt", earlier);
    tree.WriteFile("r/a", "same");
    tree.WriteFile("r/b", "same");
    const ProgramResult result = RunIn(tree.root(), {L"."});

    EXPECT_EQ(result.output, ExpectedConsole(Counts({"."}, 3, 2, 2, 2, "4 bytes"))) << name;
    EXPECT_EQ(ReadWholeFile(tree / name),
              ReportBytes(GroupBlock("4 bytes", {".\\r\\a", ".\\r\\b"})))
        << name;
  }
}

// CTest runs this suite again under other ANSI code pages (tests/CMakeLists.txt).
TEST(WindowsNames, EveryNameIsWrittenWholeInUtf8WhateverTheCodePage) {
  if (const std::string mismatch = CodePageMismatch(); !mismatch.empty()) {
    GTEST_SKIP() << mismatch;
  }
  SCOPED_TRACE("ANSI code page " + std::to_string(AnsiCodePage()));
  // Pairs that printed as one line of '?' where the code page lacked them (Cyrillic, emoji as
  // surrogate pairs), an "e" with a combining accent beside the precomposed one, which must stay
  // apart too, a plain name, and Han in a folder named in Cyrillic that is also a root.
  const std::vector<PathString> names = {L"\u0430\u0431\u0432.txt",
                                         L"\u0433\u0434\u0435.txt",
                                         L"\U0001F600",
                                         L"\U0001F601",
                                         L"e\u0301",
                                         L"\u00e9",
                                         L"plain",
                                         L"\u0434\\\u65e5\u672c"};
  TempTree tree;
  for (const PathString& name : names) {
    tree.WriteFile(std::filesystem::path(L"r") / name, "same");
  }
  const std::filesystem::path root = tree / L"r\\\u0434";
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r"), NativeText(root)});

  // the file under the second root is met twice
  ExpectedRun expected = Counts({PrintedText(tree / "r"), PrintedText(root)}, 9, 3, 9,
                                static_cast<int>(names.size()), "28 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  std::vector<PathString> paths;
  for (const PathString& name : names) {
    paths.push_back(NativeText(tree / "r") + L"\\" + name);
  }
  std::sort(paths.begin(), paths.end());  // UTF-16 order, as the report's
  std::vector<std::string> lines;
  for (const PathString& path : paths) {
    lines.push_back(PrintedText(path));
  }
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            ReportBytes(GroupBlockInOrder("4 bytes", lines)));
}

// What Windows will not let a new report replace, or what is no file, planted where the report
// goes. `make` says whether this system could make it.
struct KeptReportName {
  const char* label;
  bool (*make)(const TempTree& tree);
};

bool WithAttribute(const TempTree& tree, FileAttribute attribute) {
  return AddFileAttribute(tree.WriteFile("duplicates.txt", "the earlier report"), attribute);
}
bool MakeReadOnly(const TempTree& tree) { return WithAttribute(tree, FileAttribute::ReadOnly); }
bool MakeHidden(const TempTree& tree) { return WithAttribute(tree, FileAttribute::Hidden); }
bool MakeSystem(const TempTree& tree) { return WithAttribute(tree, FileAttribute::System); }
bool MakeFolder(const TempTree& tree) {
  tree.MakeDirectory("duplicates.txt");
  return true;
}
bool MakeLink(const TempTree& tree) {
  return MakeFileLink(tree / "duplicates.txt", tree.WriteFile("elsewhere.txt", "another file"));
}

const KeptReportName kKeptReportNames[] = {
    {"ReadOnly", MakeReadOnly}, {"Hidden", MakeHidden}, {"System", MakeSystem},
    {"Folder", MakeFolder},     {"Link", MakeLink},
};

void PrintTo(const KeptReportName& name, std::ostream* out) { *out << name.label; }

class KeptReportNameTest : public testing::TestWithParam<KeptReportName> {};

// Windows writes no read-only, hidden or system file in place, and a link or folder is no
// report: each is refused before the walk, with one line, and stays as it was.
TEST_P(KeptReportNameTest, IsRefusedBeforeTheWalkAndKept) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  if (!GetParam().make(tree)) {
    GTEST_SKIP() << "this system cannot make it (Wine keeps no hidden attribute on a name "
                    "without a leading dot, and makes no links)";
  }
  const std::filesystem::path report = tree / "duplicates.txt";
  const std::uint32_t attributes = FileAttributes(report);
  const std::string content = ReadWholeFile(report);
  const std::set<std::string> names = NamesIn(tree.root());

  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  const std::string failure = ReportFailedLine(WorkingFolderAsShown(tree.root()), "");
  EXPECT_EQ(result.errors.rfind(failure.substr(0, failure.size() - 1), 0), 0u) << result.errors;
  EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
  EXPECT_EQ(FileAttributes(report), attributes);
  EXPECT_EQ(ReadWholeFile(report), content);
  EXPECT_EQ(NamesIn(tree.root()), names);
  ClearFileAttributes(report);  // so the tree can go
}

INSTANTIATE_TEST_SUITE_P(WindowsEndToEnd, KeptReportNameTest, testing::ValuesIn(kKeptReportNames),
                         [](const testing::TestParamInfo<KeptReportName>& kept) {
                           return std::string(kept.param.label);
                         });

// Comparing the pair keeps the run in its grouping for a second or so.
constexpr std::uint64_t kSparseSize = 1ull << 30;

// Ctrl-C while the report is written: the console handler removes the temporary, the system's
// own handler ends the run, and the earlier report stays as it was.
TEST(WindowsEndToEnd, CtrlCWhileTheReportIsWrittenLeavesTheEarlierOne) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  MakeSparseFile(tree / "r/big-1", kSparseSize);
  MakeSparseFile(tree / "r/big-2", kSparseSize);
  const std::string earlier = ReportBytes(GroupBlock("4 bytes", {"the earlier report"}));
  const std::filesystem::path report = tree.WriteFile("duplicates.txt", earlier);
  ProgramOptions options;
  options.workingDirectory = tree.root();
  options.interruptWhileTheReportIsWritten = true;

  const ProgramResult result = RunProgram({NativeText(tree / "r")}, options);

  ASSERT_TRUE(result.interrupted) << "no temporary appeared";
  EXPECT_FALSE(result.timedOut) << "Ctrl-C did not end the run";
  EXPECT_EQ(ReadWholeFile(report), earlier);
  EXPECT_EQ(NamesIn(tree.root()), (std::set<std::string>{"duplicates.txt", "r"}));
}

}  // namespace
