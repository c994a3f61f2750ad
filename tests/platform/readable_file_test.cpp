#include "platform/readable_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace {

// A 32-bit long wraps at 2 GiB, a 32-bit size_t at 4 GiB; a sparse file reaches both at once.
TEST(ReadAt, ReadsAtTwoAndFourGibibytes) {
  TempTree tree;
  const std::int64_t two = std::int64_t{1} << 31;
  const std::int64_t four = std::int64_t{1} << 32;
  const auto path = tree.WriteSparseFile("sparse", four + 1, {{two, 'b'}, {four, 'c'}});
  ReadableFile file;
  ASSERT_EQ(OpenForReading(NativeText(path).c_str(), &file), OpenResult::kOpened);
  EXPECT_EQ(file.state.size, four + 1);
  for (const auto& [offset, expected] : {std::pair{two, 'b'}, std::pair{four, 'c'}}) {
    char byte = 0;
    EXPECT_EQ(ReadAt(file, offset, &byte, 1), 1u) << offset;
    EXPECT_EQ(byte, expected) << offset;
  }
  CloseFile(&file);
}

// Closing a run of handles at once must not reach one inside the run that was not given: here
// the handle the closed "b" left free, taken again by "d".
TEST(CloseFiles, ClosesOnlyTheFilesGiven) {
  TempTree tree;
  ReadableFile files[4];
  for (int index = 0; index < 4; ++index) {
    const std::string name(1, static_cast<char>('a' + index));
    const auto path = NativeText(tree.WriteFile(name, name));
    if (index == 3) {
      CloseFile(&files[1]);
    }
    ASSERT_EQ(OpenForReading(path.c_str(), &files[index]), OpenResult::kOpened) << name;
  }
  std::vector<ReadableFile> given{files[0], files[2]};
  CloseFiles(given);
  EXPECT_TRUE(given.empty());
  char byte = 0;
  EXPECT_EQ(ReadAt(files[3], 0, &byte, 1), 1u);
  EXPECT_EQ(byte, 'd');
  CloseFile(&files[3]);
}

}  // namespace
