#include "content/compare_files.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

struct Comparison {
  int result;
  std::string console;
};

Comparison Compare(const std::filesystem::path& first, const std::filesystem::path& second) {
  TextOutput console;
  console.stream = std::tmpfile();
  const int result = CompareFiles(NativeText(first).c_str(), NativeText(second).c_str(), console);
  Comparison comparison{result, StreamContent(console.stream)};
  std::fclose(console.stream);
  return comparison;
}

std::string FailureLine(const std::filesystem::path& path) {
  return "\t***ERROR: Failed to open file: " + PrintedText(path) + "\n";
}

TEST(CompareFiles, EqualFilesOfEverySizeCompareEqual) {
  TempTree tree;
  for (const std::size_t size : {0u, 1u, 4096u, 262144u, 262145u, 1048576u * 3 + 17}) {
    const std::string bytes = PatternBytes(size, 5);
    const Comparison same = Compare(tree.WriteFile("a", bytes), tree.WriteFile("b", bytes));
    EXPECT_EQ(same.result, 1) << size;
    EXPECT_EQ(same.console, "");
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
    EXPECT_EQ(Compare(original, tree.WriteFile("changed", changed)).result, 0) << position;
  }
}

TEST(CompareFiles, APrefixIsNotEqualInEitherOrder) {
  TempTree tree;
  const std::string bytes = PatternBytes(300000, 8);
  const auto whole = tree.WriteFile("whole", bytes);
  const auto prefix = tree.WriteFile("prefix", bytes.substr(0, 262144));
  EXPECT_EQ(Compare(whole, prefix).result, 0);
  EXPECT_EQ(Compare(prefix, whole).result, 0);
  const auto empty = tree.WriteFile("empty", "");
  EXPECT_EQ(Compare(empty, whole).result, 0);
}

TEST(CompareFiles, CrLfAndLfCopiesDiffer) {
  TempTree tree;
  EXPECT_EQ(
      Compare(tree.WriteFile("crlf", "a\r\nb\r\n"), tree.WriteFile("lf", "a\nb\n\n\n")).result, 0);
  EXPECT_EQ(Compare(tree.WriteFile("z1",
                                   "ab\x1a"
                                   "cd"),
                    tree.WriteFile("z2",
                                   "ab\x1a"
                                   "ce"))
                .result,
            0);
}

TEST(CompareFiles, SamePathTwiceIsEqual) {
  TempTree tree;
  const auto file = tree.WriteFile("file", "content");
  EXPECT_EQ(Compare(file, file).result, 1);
}

TEST(CompareFiles, FilesThatFailToOpenAreReportedInOrder) {
  TempTree tree;
  const auto present = tree.WriteFile("present", "x");
  const auto missing = tree / "missing";
  const auto alsoMissing = tree / "also-missing";

  const Comparison firstMissing = Compare(missing, present);
  EXPECT_EQ(firstMissing.result, -1);
  EXPECT_EQ(firstMissing.console, FailureLine(missing));

  const Comparison secondMissing = Compare(present, missing);
  EXPECT_EQ(secondMissing.result, -2);
  EXPECT_EQ(secondMissing.console, FailureLine(missing));

  const Comparison bothMissing = Compare(missing, alsoMissing);
  EXPECT_EQ(bothMissing.result, -3);
  EXPECT_EQ(bothMissing.console, FailureLine(missing) + FailureLine(alsoMissing));

  const Comparison directory = Compare(tree.root(), present);
  EXPECT_EQ(directory.result, -1);
}

// Opens counted through the platform's test seam.
std::vector<std::string> opened;
void CountOpen(const PathChar* path) { opened.push_back(PrintedText(path)); }

struct HeldComparisons {
  std::vector<int> results;
  std::string console;
};

// Compares `reference` with each candidate in turn, holding it across the comparisons.
HeldComparisons CompareHeld(const std::filesystem::path& reference,
                            const std::vector<std::filesystem::path>& candidates) {
  TextOutput console;
  console.stream = std::tmpfile();
  const PathString referencePath = NativeText(reference);
  ComparisonReference held;
  held.path = referencePath.c_str();
  HeldComparisons comparisons;
  for (const std::filesystem::path& candidate : candidates) {
    comparisons.results.push_back(
        CompareWithReference(held, NativeText(candidate).c_str(), console));
  }
  ReleaseReference(held);
  comparisons.console = StreamContent(console.stream);
  std::fclose(console.stream);
  return comparisons;
}

TEST(CompareWithReference, OpensTheReferenceOnceForAllItsCandidates) {
  TempTree tree;
  // Kept whole, kept over several blocks, and kept only for its first 1 MiB.
  for (const std::size_t size :
       {std::size_t{100}, std::size_t{262144 * 2 + 5}, std::size_t{1048576 + 300000}}) {
    const std::string bytes = PatternBytes(size, 9);
    std::string changed = bytes;
    changed[size - 1] ^= 1;
    const auto reference = tree.WriteFile("reference", bytes);
    const std::vector<std::filesystem::path> candidates = {
        tree.WriteFile("equal", bytes), tree.WriteFile("changed", changed), tree / "missing",
        tree.WriteFile("equal-too", bytes)};
    opened.clear();
    SetBeforeOpenHook(CountOpen);
    const HeldComparisons held = CompareHeld(reference, candidates);
    SetBeforeOpenHook(nullptr);
    EXPECT_EQ(held.results, (std::vector<int>{1, 0, -2, 1})) << size;
    EXPECT_EQ(held.console, FailureLine(tree / "missing"));
    std::vector<std::string> expectedOpens = {PrintedText(reference)};
    for (const auto& candidate : candidates) {
      expectedOpens.push_back(PrintedText(candidate));
    }
    EXPECT_EQ(opened, expectedOpens) << size;
  }
}

TEST(CompareWithReference, AReferenceThatFailsToOpenIsTriedAgainAndReportedEachTime) {
  TempTree tree;
  const auto present = tree.WriteFile("present", "x");
  const HeldComparisons held = CompareHeld(tree / "missing", {present, tree / "gone"});
  EXPECT_EQ(held.results, (std::vector<int>{-1, -3}));
  EXPECT_EQ(held.console, FailureLine(tree / "missing") + FailureLine(tree / "missing") +
                              FailureLine(tree / "gone"));
}

TEST(CompareWithReference, KeptContentSurvivesOtherComparisonsInBetween) {
  // The reference's content is kept in the comparison buffer; another comparison reading other
  // files into that buffer must not make the next candidate compare with their bytes.
  TempTree tree;
  const std::string bytes = PatternBytes(5000, 1);
  const std::string other = PatternBytes(5000, 2);
  const auto reference = tree.WriteFile("reference", bytes);
  const auto equal = tree.WriteFile("equal", bytes);
  const auto otherFile = tree.WriteFile("other", other);
  const auto otherCopy = tree.WriteFile("other-copy", other);
  TextOutput console;
  console.stream = std::tmpfile();
  const PathString referencePath = NativeText(reference);
  ComparisonReference held;
  held.path = referencePath.c_str();
  EXPECT_EQ(CompareWithReference(held, NativeText(equal).c_str(), console), 1);
  EXPECT_EQ(Compare(otherFile, otherCopy).result, 1);
  EXPECT_EQ(CompareWithReference(held, NativeText(otherCopy).c_str(), console), 0);
  EXPECT_EQ(CompareWithReference(held, NativeText(equal).c_str(), console), 1);
  ReleaseReference(held);
  std::fclose(console.stream);
}

}  // namespace
