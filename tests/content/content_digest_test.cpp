#include "content/content_digest.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

// A file digested to its end, with each block's digest as it was read.
struct WholeDigest {
  ContentDigest digest;
  std::vector<std::uint64_t> blocks;
};

WholeDigest DigestWhole(const std::filesystem::path& file) {
  WholeDigest whole;
  while (!whole.digest.complete && ExtendContentDigest(NativeText(file).c_str(), whole.digest)) {
    if (whole.digest.blocks > whole.blocks.size()) {
      whole.blocks.push_back(whole.digest.lastBlock);
    }
  }
  return whole;
}

TEST(DigestBytes, AnyChangedBitOrLengthChangesTheDigest) {
  const std::string bytes = PatternBytes(1000, 4);
  const std::uint64_t original = DigestBytes(bytes.data(), bytes.size());
  EXPECT_EQ(DigestBytes(bytes.data(), bytes.size()), original);
  // In the first stripe, on stripe and word edges, in the words after the stripes, in the last
  // partial word.
  for (const std::size_t position : {0u, 7u, 31u, 32u, 500u, 991u, 992u, 995u, 999u}) {
    for (const int bit : {0, 7}) {
      std::string changed = bytes;
      changed[position] = static_cast<char>(changed[position] ^ (1 << bit));
      EXPECT_NE(DigestBytes(changed.data(), changed.size()), original) << position << " " << bit;
    }
  }
  const std::string zeros(64, '\0');
  EXPECT_NE(DigestBytes(zeros.data(), 0), DigestBytes(zeros.data(), 1));
  EXPECT_NE(DigestBytes(zeros.data(), 7), DigestBytes(zeros.data(), 8));
  EXPECT_NE(DigestBytes(zeros.data(), 32), DigestBytes(zeros.data(), 64));
}

TEST(ContentDigest, BlocksDoubleFromOnePageAndTheLastIsShort) {
  TempTree tree;
  const std::size_t kibibyte = 1024;
  const std::size_t size = (4 + 8 + 16) * kibibyte + 5;
  const std::string bytes = PatternBytes(size, 2);
  const WholeDigest whole = DigestWhole(tree.WriteFile("f", bytes));
  ASSERT_FALSE(whole.digest.failed);
  EXPECT_EQ(whole.digest.state.size, static_cast<std::int64_t>(size));
  EXPECT_EQ(whole.digest.digestedBytes, static_cast<std::int64_t>(size));
  const std::vector<std::uint64_t> expected = {
      DigestBytes(bytes.data(), 4 * kibibyte),
      DigestBytes(bytes.data() + 4 * kibibyte, 8 * kibibyte),
      DigestBytes(bytes.data() + 12 * kibibyte, 16 * kibibyte),
      DigestBytes(bytes.data() + 28 * kibibyte, 5),
  };
  EXPECT_EQ(whole.blocks, expected);
}

TEST(ContentDigest, BlocksStopGrowingAtFourMebibytes) {
  TempTree tree;
  // 4 KiB doubling to 4 MiB covers 8188 KiB in eleven blocks; two more of 4 MiB end the file.
  const std::size_t doubled = 8188 * 1024;
  const std::size_t largest = 4 * 1024 * 1024;
  const std::string bytes = PatternBytes(doubled + 2 * largest, 3);
  const WholeDigest whole = DigestWhole(tree.WriteFile("f", bytes));
  ASSERT_EQ(whole.blocks.size(), 13u);
  EXPECT_EQ(whole.blocks[10], DigestBytes(bytes.data() + doubled - largest, largest));
  EXPECT_EQ(whole.blocks[11], DigestBytes(bytes.data() + doubled, largest));
  EXPECT_EQ(whole.blocks[12], DigestBytes(bytes.data() + doubled + largest, largest));
}

TEST(ContentDigest, OneDifferentByteChangesOnlyItsBlock) {
  TempTree tree;
  std::string bytes = PatternBytes(20000, 5);  // blocks of 4, 8 and the last 7.5 KiB
  const WholeDigest original = DigestWhole(tree.WriteFile("a", bytes));
  bytes[19999] ^= 1;
  const WholeDigest changed = DigestWhole(tree.WriteFile("b", bytes));
  ASSERT_EQ(original.blocks.size(), 3u);
  ASSERT_EQ(changed.blocks.size(), 3u);
  EXPECT_EQ(original.blocks[0], changed.blocks[0]);
  EXPECT_EQ(original.blocks[1], changed.blocks[1]);
  EXPECT_NE(original.blocks[2], changed.blocks[2]);
}

TEST(ContentDigest, AnEmptyFileIsCompleteWithoutBlocks) {
  TempTree tree;
  const ContentDigest digest = DigestWhole(tree.WriteFile("empty", "")).digest;
  EXPECT_FALSE(digest.failed);
  EXPECT_TRUE(digest.complete);
  EXPECT_EQ(digest.blocks, 0u);
}

TEST(ContentDigest, FilesThatCannotBeReadFailForGood) {
  TempTree tree;
  for (const std::filesystem::path& unreadable : {tree / "missing", tree.MakeDirectory("dir")}) {
    ContentDigest digest;
    EXPECT_FALSE(ExtendContentDigest(NativeText(unreadable).c_str(), digest));
    EXPECT_TRUE(digest.failed);
    EXPECT_EQ(digest.blocks, 0u);
  }
  // Failed once, failed for good, even when the file is back.
  ContentDigest digest;
  EXPECT_FALSE(ExtendContentDigest(NativeText(tree / "late").c_str(), digest));
  tree.WriteFile("late", "now here");
  EXPECT_FALSE(ExtendContentDigest(NativeText(tree / "late").c_str(), digest));
}

TEST(ContentDigest, AFileThatChangesBetweenBlocksFails) {
  TempTree tree;
  const std::string bytes = PatternBytes(200000, 6);
  const auto file = tree.WriteFile("f", bytes);
  ContentDigest digest;
  ASSERT_TRUE(ExtendContentDigest(NativeText(file).c_str(), digest));
  EXPECT_EQ(digest.blocks, 1u);
  tree.WriteFile("f", bytes + "more");
  EXPECT_FALSE(ExtendContentDigest(NativeText(file).c_str(), digest));
  EXPECT_TRUE(digest.failed);
}

}  // namespace
