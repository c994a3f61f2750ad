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

}  // namespace
