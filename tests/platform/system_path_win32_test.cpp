#include "platform/system_path_win32.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/directory.h"
#include "support/temp_tree.h"
#include "support/windows_support.h"

namespace {

// Three names of 100 characters: past every classic MAX_PATH limit.
const PathString kName(100, L'n');
const PathString kLongTail = kName + L"\\" + kName + L"\\" + kName;

TEST(SystemPath, ShortPathsAreHandedOverUnchanged) {
  for (const PathString& path : {PathString(L"C:\\dir\\file"),
                                 PathString(L"rel/with//odd\\\\separators\\*"), PathString(L"")}) {
    EXPECT_EQ(SystemPath(path), path);
  }
}

TEST(SystemPath, LongPathsBecomeVerbatimFullPaths) {
  EXPECT_EQ(SystemPath(L"C:\\" + kLongTail), L"\\\\?\\C:\\" + kLongTail);
  EXPECT_EQ(SystemPath(L"C:\\" + kLongTail + L"\\*"), L"\\\\?\\C:\\" + kLongTail + L"\\*");
  // The verbatim form takes every character literally, so these must be made plain first.
  EXPECT_EQ(SystemPath(L"C:/" + kName + L"//" + kName + L"/" + kName), L"\\\\?\\C:\\" + kLongTail);
  EXPECT_EQ(SystemPath(L"C:\\" + kName + L"\\.\\" + kName + L"\\x\\..\\" + kName),
            L"\\\\?\\C:\\" + kLongTail);
  EXPECT_EQ(SystemPath(L"\\\\server\\share\\" + kLongTail),
            L"\\\\?\\UNC\\server\\share\\" + kLongTail);
}

TEST(SystemPath, LongRelativePathIsResolvedAgainstTheWorkingDirectory) {
  const PathString here = std::filesystem::current_path().native();
  EXPECT_EQ(SystemPath(kLongTail), L"\\\\?\\" + here + L"\\" + kLongTail);
}

TEST(SystemPath, VerbatimAndDevicePathsPassUnchanged) {
  for (const PathString& path :
       {L"\\\\?\\C:\\" + kLongTail, L"\\\\?\\C:/" + kLongTail, L"\\\\.\\C:\\" + kLongTail}) {
    EXPECT_EQ(SystemPath(path), path);
  }
}

// "\\" alone names the current drive's root; another separator after it would start a UNC path.
TEST(SystemRootPath, ASeparatorAloneIsTheCurrentDrivesRoot) {
  const PathString drive = std::filesystem::current_path().root_name().native();
  EXPECT_EQ(SystemRootPath(L"\\"), L"\\\\?\\" + drive);
  EXPECT_EQ(SystemRootPath(L"/"), L"\\\\?\\" + drive);
}

// A root the user types means what Win32 makes of it: "t." is t, even beside a folder named "t."
// (which only a listing reaches).
TEST(SystemRootPath, ATrailingDotIsDroppedAsWin32DropsIt) {
  TempTree tree;
  std::filesystem::create_directories(Verbatim(tree / "t."));
  tree.MakeDirectory("t");
  EXPECT_EQ(SystemRootPath(NativeText(tree / "t.")), Verbatim(tree / "t").native());
  std::filesystem::remove(Verbatim(tree / "t."));
}

// A path dupscan printed names what its walk listed: only where it starts follows Win32's rules.
TEST(ListedPath, EveryNameIsTakenAsWrittenAndOnlyTheStartIsMadeFull) {
  const PathString here = std::filesystem::current_path().native();
  const PathString drive = std::filesystem::current_path().root_name().native();
  EXPECT_EQ(ListedPath(L"t\\sub.\\con\\nul.d\\sp "),
            L"\\\\?\\" + here + L"\\t\\sub.\\con\\nul.d\\sp ");
  EXPECT_EQ(ListedPath(L"./t/../u\\\\aux"), L"\\\\?\\" + here + L"\\u\\aux");
  EXPECT_EQ(ListedPath(L"\\prn."), L"\\\\?\\" + drive + L"\\prn.");
  EXPECT_EQ(ListedPath(drive + L"\\..\\..\\x "), L"\\\\?\\" + drive + L"\\x ");
  EXPECT_EQ(ListedPath(drive + L"\\"), L"\\\\?\\" + drive + L"\\");
  EXPECT_EQ(ListedPath(L"\\\\server\\share\\com1"), L"\\\\?\\UNC\\server\\share\\com1");
  EXPECT_EQ(ListedPath(L"\\\\?\\C:\\a.\\..\\b"), L"\\\\?\\C:\\a.\\..\\b");
}

}  // namespace
