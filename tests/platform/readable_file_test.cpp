#include "platform/readable_file.h"

#include <gtest/gtest.h>

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

}  // namespace
