// Names that Win32 takes for devices.
#include <gtest/gtest.h>

#include <fstream>

#include "content/compare_files.h"
#include "content/content_fingerprint.h"
#include "support/digest_text.h"
#include "support/temp_tree.h"
#include "support/windows_support.h"

namespace {

// "C:\dir\nul" names the NUL device, which reads as empty: two different files of one size
// named nul would have compared equal. Such files can only be made through "\\?\".
TEST(CompareFilesWindows, FilesNamedLikeADeviceAreNeverReadAsTheDevice) {
  TempTree tree;
  for (const char* folder : {"one", "two"}) {
    std::filesystem::create_directories(Verbatim(tree / folder));
    std::ofstream(Verbatim(tree / folder / "nul"), std::ios::binary) << folder;
  }
  const PathString first = NativeText(tree / "one" / "nul");
  const PathString second = NativeText(tree / "two" / "nul");
  EXPECT_NE(CompareFiles(first.c_str(), second.c_str()), CompareResult::kSame);
  EXPECT_NE(ContentFingerprint(first.c_str(), 3), DigestOf(""));  // what the device gives
  for (const char* folder : {"one", "two"}) {
    std::filesystem::remove(Verbatim(tree / folder / "nul"));
  }
}

}  // namespace
