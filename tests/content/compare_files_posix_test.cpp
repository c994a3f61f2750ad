// Comparisons on a file system that stamps whole seconds, where a write may leave a file's state
// as it was.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "content/compare_files.h"
#include "content/same_content.h"
#include "support/file_system_posix.h"
#include "support/open_hook.h"
#include "support/temp_tree.h"

namespace {

constexpr std::size_t kRewrittenAt = 100;

// One byte of `rewritten` put back to its look-alike's in place, as an editor saving in place
// would, in the moment between the reference's open and the reading: once, at the first open of
// `trigger`.
OpenHook RewriteWhenOpened(const std::filesystem::path& trigger,
                           const std::filesystem::path& rewritten, char byte) {
  return OpenHook([trigger, rewritten, byte, done = false](const PathChar* path) mutable {
    if (done || trigger != path) {
      return;
    }
    done = true;
    const int descriptor = open(rewritten.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(pwrite(descriptor, &byte, 1, kRewrittenAt), 1);
    close(descriptor);
  });
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A reference found equal to a copy, then rewritten within the second of its last write (its
// write and change times stay as they were) to equal a look-alike: the copy and the look-alike,
// which never held one content, must not both be its equals.
TEST(CompareFilesPosix, AWriteThatLeavesTheTimesAsTheyWereIsNotMissed) {
  const Ext4Image fileSystem("-I 128");
  if (!fileSystem.Unavailable().empty()) {
    GTEST_SKIP() << fileSystem.Unavailable();
  }
  const std::string bytes = PatternBytes(4096, 8);
  std::string lookAlike = bytes;
  lookAlike[kRewrittenAt] ^= 0x20;
  const std::filesystem::path rewritten = fileSystem.root() / "reference";
  WriteBytes(rewritten, bytes);
  WriteBytes(fileSystem.root() / "copy", bytes);
  const std::filesystem::path lookAlikePath = fileSystem.root() / "look-alike";
  WriteBytes(lookAlikePath, lookAlike);
  ComparisonReference reference(rewritten.c_str());
  EXPECT_EQ(CompareWithReference(reference, (fileSystem.root() / "copy").c_str()),
            CompareResult::kSame);
  const OpenHook rewriting = RewriteWhenOpened(lookAlikePath, rewritten, lookAlike[kRewrittenAt]);
  const CompareResult result = CompareWithReference(reference, lookAlikePath.c_str());
  EXPECT_EQ(result, CompareResult::kFirstChanged)
      << "the reference now holds the look-alike's bytes, which its copy never held";
}

}  // namespace

// Two files whose size says 4096 that give 2 bytes each when read (cut short since they were
// opened, as a kernel file whose size is a page is short from the start): their bytes were never
// all read, and are never equal.
TEST(CompareFilesPosix, FilesThatReadShortOfTheirSizeAreNeverEqual) {
  TempTree tree;
  ReadableFile files[2];
  for (int index = 0; index < 2; ++index) {
    const std::filesystem::path path =
        tree.WriteFile(index == 0 ? "a" : "b", std::string(4096, 'q'));
    ASSERT_EQ(OpenForReading(path.c_str(), &files[index]), OpenResult::kOpened);
    std::filesystem::resize_file(path, 2);
  }
  bool readError = false;
  EXPECT_FALSE(SameContent(files[0], files[1], &readError));
  EXPECT_TRUE(readError);
  for (ReadableFile& file : files) {
    CloseFile(&file);
  }
}
