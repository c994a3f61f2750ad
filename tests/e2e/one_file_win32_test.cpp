// One file is one file on Windows: every spelling that Win32 gives one folder (case, the 8.3
// name, the "\\?\" and "\\.\" forms, a drive-relative path, a trailing dot, '/' for '\' (in the
// "\\?\" prefix too), another drive letter) lists no file as its own copy, and a folder that is
// its own ancestor is listed once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "support/e2e_support.h"
#include "support/one_pair.h"
#include "support/windows_support.h"

namespace {

constexpr int kLoopCode = 1921;  // ERROR_CANT_RESOLVE_FILENAME: "too many levels of links"

// Every ASCII letter in the other case: "C:\x\t" becomes "c:\X\T".
PathString SwappedCase(const PathString& text) {
  PathString swapped = text;
  for (wchar_t& character : swapped) {
    if (character < 0x80 && std::iswalpha(character)) {
      character = std::iswupper(character) ? std::towlower(character) : std::towupper(character);
    }
  }
  return swapped;
}

// Every '\\' as '/'.
PathString Slashed(PathString text) {
  std::replace(text.begin(), text.end(), L'\\', L'/');
  return text;
}

TEST(OneFileIsOneFile, EveryWindowsSpellingOfOneFolderListsNoFileAsItsOwnCopy) {
  TempTree tree;
  // A long name, so that the volume keeps an 8.3 name for it; the pair lies directly in the
  // folder the roots name, so that a root's own identity decides.
  const std::filesystem::path relative = L"Holiday Photos\\2024 Summer";
  MakeOnePair(tree / relative);
  const PathString full = NativeText(tree / relative);
  const PathString drive = tree.root().root_name().native();
  const MappedDrive mapped(tree / relative);
  std::vector<std::vector<PathString>> spellings = {
      {full, SwappedCase(full)},
      {full, L"\\\\?\\" + full},
      {full, L"\\\\.\\" + full},
      {drive + relative.native(), relative.native()},  // relative to the drive's own folder
      {relative.native() + L".", relative.native()},
      {L"Holiday Photos/2024 Summer", relative.native()},
      {L"//?/" + Slashed(full), full},  // Win32 takes these as it takes "\\.\"
      {L"\\\\?/" + full, full},
  };
  std::string notTried;
  if (const PathString shortPath = ShortPath(tree / relative).native(); shortPath != full) {
    spellings.push_back({shortPath, full});
  } else {
    notTried += "the 8.3 name: the volume keeps none. ";
  }
  if (mapped.Unavailable().empty()) {
    spellings.push_back({mapped.Root().native(), full});
  } else {
    notTried += "another drive letter: " + mapped.Unavailable() + ".";
  }
  for (const std::vector<PathString>& roots : spellings) {
    const ProgramResult result = RunIn(tree.root(), roots);
    ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"),
                      Utf8Text(roots[0]) + " " + Utf8Text(roots[1]));
  }
  if (!notTried.empty()) {
    GTEST_SKIP() << "not tried: " << notTried;
  }
}

// CTest makes this folder beside the test programs before the Windows end-to-end tests
// (tests/CMakeLists.txt): 2024\loop a bind mount of the folder itself, which wine shows as a
// plain folder whose identity is the folder's own, and 2024\link a Linux link to it, which wine
// shows as a reparse point with tag 0 and the walk skips like any link.
TEST(OneFileIsOneFile, AFolderThatIsItsOwnAncestorIsListedOnce) {
  const std::filesystem::path folder = ProgramPath().parent_path() / "folder-loop";
  if (!std::filesystem::is_directory(folder / "2024" / "loop" / "2024")) {
    GTEST_SKIP() << "no bind mount at " << PrintedText(folder / "2024" / "loop")
                 << ": CTest makes it only for a build tested under wine, and only as root";
  }
  MakeOnePair(folder / "2024");
  TempTree here;
  const ProgramResult result = RunIn(here.root(), {NativeText(folder)});

  const std::string root = PrintedText(folder);
  ExpectedRun expected = Counts({root}, 3, 3, 3, 2, std::to_string(kPairContent.size()) + " bytes");
  expected.walkLines = ListingFailedLine(root + "\\2024\\loop", kLoopCode);
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
