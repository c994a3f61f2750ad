#include "content/content_digest.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

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

bool Extend(const std::filesystem::path& file, ContentDigest& digest) {
  return ExtendContentDigest(NativeText(file).c_str(), digest);
}

// Grouping parts look-alikes by the first block whose digests differ: each block's digest is of
// the bytes it covers, files of one size have their blocks at equal offsets, and the blocks cover
// the file to its end.
TEST(ContentDigest, FilesOfOneSizePartAtTheBlockHoldingTheirFirstDifference) {
  TempTree tree;
  const std::size_t size = 100000;
  const std::string bytes = PatternBytes(size, 2);
  const auto original = tree.WriteFile("original", bytes);
  for (const std::size_t difference :
       {std::size_t{0}, kFirstDigestBlock - 1, kFirstDigestBlock, size / 2, size - 1}) {
    std::string changed = bytes;
    changed[difference] ^= 1;
    const auto other = tree.WriteFile("changed", changed);
    ContentDigest first;
    ContentDigest second;
    while (!first.complete) {
      const std::int64_t start = first.digestedBytes;
      ASSERT_TRUE(Extend(original, first));
      ASSERT_TRUE(Extend(other, second));
      ASSERT_GT(first.digestedBytes, start);
      ASSERT_EQ(second.digestedBytes, first.digestedBytes);
      const auto length = static_cast<std::size_t>(first.digestedBytes - start);
      EXPECT_EQ(first.lastBlock, DigestBytes(bytes.data() + start, length)) << start;
      const bool holdsDifference = static_cast<std::int64_t>(difference) >= start &&
                                   static_cast<std::int64_t>(difference) < first.digestedBytes;
      EXPECT_EQ(first.lastBlock != second.lastBlock, holdsDifference)
          << "difference at " << difference << ", block at " << start;
    }
    EXPECT_TRUE(second.complete);
    EXPECT_EQ(first.digestedBytes, static_cast<std::int64_t>(size));
    EXPECT_EQ(first.state.size, static_cast<std::int64_t>(size));
  }
}

TEST(ContentDigest, AnEmptyFileIsCompleteWithoutBlocks) {
  TempTree tree;
  ContentDigest digest;
  EXPECT_TRUE(Extend(tree.WriteFile("empty", ""), digest));
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
