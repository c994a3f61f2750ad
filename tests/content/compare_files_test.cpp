#include "content/compare_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform/file_clock.h"
#include "support/open_hook.h"
#include "support/rewrite_on_open.h"
#include "support/temp_tree.h"

namespace {

CompareResult Compare(const std::filesystem::path& first, const std::filesystem::path& second) {
  return CompareFiles(NativeText(first).c_str(), NativeText(second).c_str());
}

TEST(CompareFiles, EqualFilesOfEverySizeCompareEqual) {
  TempTree tree;
  for (const std::size_t size : {0u, 1u, 4096u, 262144u, 262145u, 1048576u * 3 + 17}) {
    const std::string bytes = PatternBytes(size, 5);
    EXPECT_EQ(Compare(tree.WriteFile("a", bytes), tree.WriteFile("b", bytes)), CompareResult::kSame)
        << size;
  }
}

TEST(CompareFiles, ADifferenceAnywhereIsFound) {
  TempTree tree;
  const std::size_t size = 1048576 * 2 + 100;  // several blocks, the last one short
  const std::string bytes = PatternBytes(size, 6);
  const auto original = tree.WriteFile("original", bytes);
  for (const std::size_t position : {std::size_t{0}, std::size_t{262144}, size / 2, size - 1}) {
    std::string changed = bytes;
    changed[position] ^= 0x40;
    EXPECT_EQ(Compare(original, tree.WriteFile("changed", changed)), CompareResult::kDifferent)
        << position;
  }
}

TEST(CompareFiles, APrefixIsNotEqualInEitherOrder) {
  TempTree tree;
  const std::string bytes = PatternBytes(300000, 8);
  const auto whole = tree.WriteFile("whole", bytes);
  const auto prefix = tree.WriteFile("prefix", bytes.substr(0, 262144));
  EXPECT_EQ(Compare(whole, prefix), CompareResult::kDifferent);
  EXPECT_EQ(Compare(prefix, whole), CompareResult::kDifferent);
  const auto empty = tree.WriteFile("empty", "");
  EXPECT_EQ(Compare(empty, whole), CompareResult::kDifferent);
}

TEST(CompareFiles, CrLfAndLfCopiesDiffer) {
  TempTree tree;
  EXPECT_EQ(Compare(tree.WriteFile("crlf", "a\r\nb\r\n"), tree.WriteFile("lf", "a\nb\n\n\n")),
            CompareResult::kDifferent);
  EXPECT_EQ(Compare(tree.WriteFile("z1", std::string("ab\x1a"
                                                     "cd")),
                    tree.WriteFile("z2", std::string("ab\x1a"
                                                     "ce"))),
            CompareResult::kDifferent);
}

TEST(CompareFiles, OneFileTwiceIsOneFileAndTwoNamesOfItAreCopies) {
  TempTree tree;
  const auto file = tree.WriteFile("file", "content");
  EXPECT_EQ(Compare(file, file), CompareResult::kOneFile);
  std::error_code noLinks;
  std::filesystem::create_hard_link(file, tree / "second-name", noLinks);
  if (!noLinks) {
    EXPECT_EQ(Compare(file, tree / "second-name"), CompareResult::kSame);
  }
}

// Past 4 GiB a 32-bit size_t wraps: the reference's bytes at 4 GiB were once taken from its
// first block on the 32-bit Windows build, so that two equal files compared different. Reads
// 8 GiB of holes: run by the release build and the 32-bit ones, whose offsets it tests.
// CTest labels: large-files
TEST(LargeFiles, EqualFilesPastFourGibibytesCompareEqual) {
  TempTree tree;
  const std::int64_t size = (std::int64_t{1} << 32) + 2 * 1048576;
  // A first byte that is not zero: the first block is unlike the block at 4 GiB.
  const auto plain = tree.WriteSparseFile("plain", size, {{0, 'x'}});
  const auto copy = tree.WriteSparseFile("copy", size, {{0, 'x'}});
  EXPECT_EQ(Compare(plain, copy), CompareResult::kSame);
}

TEST(CompareFiles, FilesThatFailToOpenAreToldApart) {
  TempTree tree;
  const auto present = tree.WriteFile("present", "x");
  EXPECT_EQ(Compare(tree / "missing", present), CompareResult::kFirstFailed);
  EXPECT_EQ(Compare(present, tree / "missing"), CompareResult::kSecondFailed);
  EXPECT_EQ(Compare(tree / "missing", tree / "also-missing"), CompareResult::kBothFailed);
  EXPECT_EQ(Compare(tree.root(), present), CompareResult::kFirstFailed);
}

// Compares `reference` with each candidate in turn, holding it across the comparisons.
std::vector<CompareResult> CompareHeld(const std::filesystem::path& reference,
                                       const std::vector<std::filesystem::path>& candidates) {
  const PathString referencePath = NativeText(reference);
  ComparisonReference held(referencePath.c_str());
  std::vector<CompareResult> results;
  for (const std::filesystem::path& candidate : candidates) {
    results.push_back(CompareWithReference(held, NativeText(candidate).c_str()));
  }
  ReleaseReference(held);
  return results;
}

TEST(CompareWithReference, OpensTheReferenceOnceForAllItsCandidates) {
  TempTree tree;
  for (const std::size_t size : {std::size_t{100}, std::size_t{262144 * 2 + 5}}) {
    const std::string bytes = PatternBytes(size, 9);
    std::string changed = bytes;
    changed[size - 1] ^= 1;
    const auto reference = tree.WriteFile("reference", bytes);
    const std::vector<std::filesystem::path> candidates = {
        tree.WriteFile("equal", bytes), tree.WriteFile("changed", changed), tree / "missing",
        tree.WriteFile("equal-too", bytes)};
    std::vector<std::string> opened;
    const OpenHook hook([&opened](const PathChar* path) { opened.push_back(PrintedText(path)); });
    const std::vector<CompareResult> results = CompareHeld(reference, candidates);
    EXPECT_EQ(results,
              (std::vector<CompareResult>{CompareResult::kSame, CompareResult::kDifferent,
                                          CompareResult::kSecondFailed, CompareResult::kSame}))
        << size;
    std::vector<std::string> expectedOpens = {PrintedText(reference)};
    for (const auto& candidate : candidates) {
      expectedOpens.push_back(PrintedText(candidate));
    }
    EXPECT_EQ(opened, expectedOpens) << size;
  }
}

TEST(CompareWithReference, AReferenceThatFailsToOpenIsTriedAgain) {
  TempTree tree;
  const auto present = tree.WriteFile("present", "x");
  EXPECT_EQ(CompareHeld(tree / "missing", {present, tree / "gone"}),
            (std::vector<CompareResult>{CompareResult::kFirstFailed, CompareResult::kBothFailed}));
}

// A reference rewritten between two of its comparisons is not the file its first comparison
// read: a candidate equal to its new bytes must not join the copies of its old ones.
TEST(CompareWithReference, AReferenceRewrittenBetweenComparisonsIsNoLongerTheReference) {
  TempTree tree;
  const std::string bytes = PatternBytes(5000, 1);
  const std::string rewritten = "NEW!" + bytes.substr(4);
  const auto reference = tree.WriteFile("reference", bytes);
  const auto monday = tree.WriteFile("monday", bytes);
  const auto tuesday = tree.WriteFile("tuesday", rewritten);
  const OpenHook rewriting = RewriteAtOpenOf(tuesday, reference, "NEW!");
  const std::vector<CompareResult> results = CompareHeld(reference, {monday, tuesday});
  EXPECT_EQ(results,
            (std::vector<CompareResult>{CompareResult::kSame, CompareResult::kFirstChanged}));
}

// Other names of a held reference are looked at without an open; the reference rewritten
// between two of them is no longer the file that the first of them was found to be.
TEST(CompareWithReference, AReferenceRewrittenBetweenTwoOfItsNamesIsNoLongerTheReference) {
  TempTree tree;
  const auto reference = tree.WriteFile("reference", PatternBytes(5000, 1));
  std::error_code noLinks;
  std::filesystem::create_hard_link(reference, tree / "second", noLinks);
  std::filesystem::create_hard_link(reference, tree / "third", noLinks);
  if (noLinks) {
    GTEST_SKIP() << "no hard links here: " << noLinks.message();
  }
  const PathString referencePath = NativeText(reference);
  ComparisonReference held(referencePath.c_str());
  EXPECT_EQ(CompareWithReference(held, NativeText(tree / "second").c_str()), CompareResult::kSame);
  RewriteInPlace(reference, "NEW!");
  EXPECT_EQ(CompareWithReference(held, NativeText(tree / "third").c_str()),
            CompareResult::kFirstChanged);
}

// A candidate touched while it is compared (here when the next one is opened early): its status
// changed, not its bytes, so it is still a copy.
TEST(CompareWithReference, ACandidateTouchedWhileComparedIsStillACopy) {
  TempTree tree;
  const std::string bytes = PatternBytes(1000, 3);
  const PathString reference = NativeText(tree.WriteFile("reference", bytes));
  const PathString candidate = NativeText(tree.WriteFile("candidate", bytes));
  const PathString next = NativeText(tree.WriteFile("next", bytes));
  const OpenHook rewriting = RewriteAtOpenOf(next, candidate, "");
  ComparisonReference held(reference.c_str());
  const CompareResult result = CompareWithReference(held, candidate.c_str(), next.c_str());
  ReleaseReference(held);
  EXPECT_EQ(result, CompareResult::kSame);
}

// Pairs written again just before each comparison, as files that keep being written (the
// clock reads the last write's time, so each pair is fresh): the run waits once, never longer than
// the granularity and a tick, and compares the others as they are.
TEST(CompareFiles, FreshPairsOfARunWaitOnce) {
  FileState written;
  std::vector<std::int64_t> sleeps;
  RunWriteWait().clock =
      WaitClock{[&written]() { return written.modified; },
                [&sleeps](std::int64_t duration) { sleeps.push_back(duration); }};
  TempTree tree;
  for (int pair = 0; pair < 20; ++pair) {
    const std::string bytes = PatternBytes(700, static_cast<std::uint32_t>(pair));
    const auto first = tree.WriteFile("a", bytes);
    const auto second = tree.WriteFile("b", bytes);
    ASSERT_TRUE(StateAtPath(NativeText(second).c_str(), &written));
    EXPECT_EQ(Compare(first, second), CompareResult::kSame);
  }
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_LE(sleeps[0], StampGranularity(written.modified) + FileClockTick());
}

}  // namespace
