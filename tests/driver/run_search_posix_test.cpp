// Whole runs in this process over files that change between the walk, the fingerprint and the
// comparison. A hook before every open for reading changes a chosen file on its Nth open, so the
// change lands exactly between two stages with no timing involved.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "driver/run_search.h"
#include "support/e2e_support.h"
#include "support/open_hook.h"

namespace {

// Each file is opened once for its fingerprint; the first comparison it takes part in is its
// second open.
constexpr int kFingerprintOpen = 1;
constexpr int kComparisonOpen = 2;
constexpr std::size_t kContentSize = 1000;  // above 512: fingerprinted by head and tail

using Change = void (*)(const std::filesystem::path& file);

struct PlannedChange {
  std::filesystem::path target;
  int onOpen = 0;
  Change change = nullptr;
  int opensSeen = 0;
  bool countEveryOpen = false;  ///< `onOpen` counts the opens of every file, not the target's
};

void ChangeOnPlannedOpen(PlannedChange& planned, const PathChar* path) {
  if (planned.change != nullptr && (planned.countEveryOpen || planned.target == path) &&
      ++planned.opensSeen == planned.onOpen) {
    planned.change(planned.target);
  }
}

void Delete(const std::filesystem::path& file) { std::filesystem::remove(file); }
void Shrink(const std::filesystem::path& file) {
  std::filesystem::resize_file(file, kContentSize / 2);
}
void Grow(const std::filesystem::path& file) {
  std::ofstream(file, std::ios::binary | std::ios::app) << "grown";
}
void RewriteSameSize(const std::filesystem::path& file) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << PatternBytes(kContentSize, 99);
}
void ReplaceByFifo(const std::filesystem::path& file) {
  std::filesystem::remove(file);
  mkfifo(file.c_str(), 0600);
}
void ReplaceByLinkToDevZero(const std::filesystem::path& file) {
  std::filesystem::remove(file);
  std::filesystem::create_symlink("/dev/zero", file);
}
void ReplaceByDirectory(const std::filesystem::path& file) {
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
}

struct RunResult {
  int exitCode = -1;
  std::string console;
  std::string report;
};

class ChangingFiles : public testing::Test {
 protected:
  void SetUp() override {
    savedDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(tree_.root());
  }
  void TearDown() override { std::filesystem::current_path(savedDirectory_); }

  // Runs the search on `root` from the tree's folder, with `change` planned for `target`.
  RunResult Run(const std::filesystem::path& root, const std::filesystem::path& target, int onOpen,
                Change change) {
    planned_ = PlannedChange{target, onOpen, change, 0, planned_.countEveryOpen};
    std::string program = "dupscan";
    std::string rootText = root.string();
    PathChar* arguments[] = {program.data(), rootText.data(), nullptr};
    TextOutput console;
    console.stream = std::tmpfile();
    RunResult result;
    result.exitCode = RunSearch(2, arguments, console, settings_);
    result.console = StreamContent(console.stream);
    std::fclose(console.stream);
    result.report = ReadWholeFile(tree_ / "duplicates.txt");
    EXPECT_EQ(planned_.opensSeen >= onOpen, true)
        << "the planned change never happened: " << target << " was opened " << planned_.opensSeen
        << " times";
    return result;
  }

  // The files below `directory` in the order the walk records them.
  std::vector<std::filesystem::path> WalkOrder(const std::filesystem::path& directory) {
    std::vector<PathString> files;
    ListDepthFirst(directory, NativeText(directory), files);
    return std::vector<std::filesystem::path>(files.begin(), files.end());
  }

  TempTree tree_;
  std::filesystem::path savedDirectory_;
  SearchSettings settings_;
  PlannedChange planned_;
  const OpenHook hook_{[this](const PathChar* path) { ChangeOnPlannedOpen(planned_, path); }};
};

std::string GroupBlockOf(const std::string& sizeText,
                         const std::vector<std::filesystem::path>& paths) {
  std::vector<std::string> printed;
  for (const auto& path : paths) {
    printed.push_back(PrintedText(path));
  }
  return GroupBlock(sizeText, printed);
}

std::string OpenFailureLine(const std::filesystem::path& path) {
  return OpenFailedLine(PrintedText(path));
}

struct ChangeCase {
  const char* name;
  Change change;
  bool refusedAtOpen;  ///< the changed path no longer opens as a regular file
};

const ChangeCase kChanges[] = {
    {"deleted", Delete, true},
    {"shrunk", Shrink, false},
    {"grown", Grow, false},
    {"rewritten with other bytes", RewriteSameSize, false},
    {"replaced by a FIFO", ReplaceByFifo, true},
    {"replaced by a link to /dev/zero", ReplaceByLinkToDevZero, true},
    {"replaced by a directory", ReplaceByDirectory, true},
};

// Three identical files; one of them changes. Whatever the change and whenever it comes, the run
// ends, the other two are the only group, and a file that no longer opens is reported only when a
// comparison needed it.
TEST_F(ChangingFiles, AChangedFileLeavesOnlyTheTrueDuplicatesInTheReport) {
  const std::string content = PatternBytes(kContentSize, 1);
  for (const char* name : {"one", "two", "three"}) {
    tree_.WriteFile(std::string("r/") + name, content);
  }
  const std::filesystem::path root = tree_ / "r";
  const std::vector<std::filesystem::path> order = WalkOrder(root);
  ASSERT_EQ(order.size(), 3u);
  // The last file recorded is the first reference; the first one is the first candidate it meets.
  const struct {
    const char* name;
    std::filesystem::path path;
  } roles[] = {{"the reference", order[2]}, {"a candidate", order[0]}};

  for (const ChangeCase& changeCase : kChanges) {
    for (const auto& role : roles) {
      for (const int stage : {kFingerprintOpen, kComparisonOpen}) {
        SCOPED_TRACE(std::string(role.name) + " " + changeCase.name + " before its " +
                     (stage == kFingerprintOpen ? "fingerprint" : "comparison"));
        const RunResult result = Run(root, role.path, stage, changeCase.change);

        std::vector<std::filesystem::path> unchanged;
        for (const auto& path : order) {
          if (path != role.path) {
            unchanged.push_back(path);
          }
        }
        ExpectedRun expected;
        expected.roots = {PrintedText(root)};
        expected.files = 3;
        expected.directories = 1;
        expected.potential = 3;
        expected.duplicates = 2;
        expected.wasted = "1000 bytes";
        if (stage == kComparisonOpen && changeCase.refusedAtOpen) {
          expected.groupingLines = OpenFailureLine(role.path);
        }
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.console, ExpectedConsole(expected));
        EXPECT_EQ(result.report, GroupBlockOf("1000 bytes", unchanged));

        std::filesystem::remove_all(role.path);
        tree_.WriteFile(role.path.lexically_relative(tree_.root()), content);
      }
    }
  }
}

// The fingerprint of a small file reads only the size the walk saw, so a file that grew since
// still matches its old copy; the comparison sees the new size and keeps them apart.
TEST_F(ChangingFiles, SmallFileGrownAfterTheWalkMatchesByFingerprintButIsNoDuplicate) {
  tree_.WriteFile("r/a", "same hundred bytes");
  tree_.WriteFile("r/b", "same hundred bytes");
  const std::filesystem::path root = tree_ / "r";
  const RunResult result = Run(root, tree_ / "r/b", kFingerprintOpen, Grow);
  ExpectedRun expected;
  expected.roots = {PrintedText(root)};
  expected.files = 2;
  expected.directories = 1;
  expected.potential = 2;
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.console, ExpectedConsole(expected));
  EXPECT_EQ(result.report, "");
}

// The folder of `file` renamed aside and a link to the folder "outside" beside the root put in its
// place, as someone who may write the tree could do between two stages.
void SwapFolderForLinkOutside(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  std::filesystem::rename(folder, folder.string() + ".real");
  std::filesystem::create_directory_symlink(folder.parent_path().parent_path() / "outside", folder);
}

// r/b/x holds other bytes than r/a/x (the same size, head and tail), and "outside" a copy of
// r/a/x. Once r/b is a link to "outside", the path r/b/x leads to that copy: read through it,
// r/b/x was reported as a copy of r/a/x, bytes it never held, and whoever may write the tree
// could learn whether a file they may not read holds what they guess.
TEST_F(ChangingFiles, AFolderSwappedForALinkAfterTheWalkIsNeverReadThrough) {
  const std::string content = PatternBytes(kContentSize, 1);
  std::string other = content;
  other[kContentSize / 2] = static_cast<char>(other[kContentSize / 2] ^ 1);
  tree_.WriteFile("r/a/x", content);
  tree_.WriteFile("r/b/x", other);
  tree_.WriteFile("outside/x", content);
  const std::filesystem::path root = tree_ / "r";
  const std::filesystem::path swapped = tree_ / "r/b/x";
  for (const int stage : {kFingerprintOpen, kComparisonOpen}) {
    SCOPED_TRACE(stage == kFingerprintOpen ? "before the fingerprint" : "before the comparison");
    const RunResult result = Run(root, swapped, stage, SwapFolderForLinkOutside);
    ExpectedRun expected;
    expected.roots = {PrintedText(root)};
    expected.files = 2;
    expected.directories = 3;
    expected.potential = 2;
    if (stage == kComparisonOpen) {
      expected.groupingLines = OpenFailureLine(swapped);
    }
    EXPECT_EQ(result.console, ExpectedConsole(expected));
    EXPECT_EQ(result.report, "");
    std::filesystem::remove(tree_ / "r/b");
    std::filesystem::rename(tree_ / "r/b.real", tree_ / "r/b");
  }
}

void DeleteBothFilesOfThePair(const std::filesystem::path& file) {
  std::filesystem::remove(file.parent_path() / "file");
  std::filesystem::remove(file.parent_path() / "twin");
}

// Both files of a size gone before their fingerprints: both carry the zero fingerprint, so the
// comparison is tried, and it names the reference and then the candidate.
TEST_F(ChangingFiles, PairGoneBeforeItsFingerprintsIsReportedAtTheComparison) {
  tree_.WriteFile("r/file", "12345");
  tree_.WriteFile("r/twin", "12345");
  const std::filesystem::path root = tree_ / "r";
  const std::vector<std::filesystem::path> order = WalkOrder(root);
  ASSERT_EQ(order.size(), 2u);
  const RunResult result = Run(root, order[0], kFingerprintOpen, DeleteBothFilesOfThePair);
  ExpectedRun expected;
  expected.roots = {PrintedText(root)};
  expected.files = 2;
  expected.directories = 1;
  expected.potential = 2;
  expected.groupingLines = OpenFailureLine(order[1]) + OpenFailureLine(order[0]);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.console, ExpectedConsole(expected));
  EXPECT_EQ(result.report, "");
}

// The differential test of the digests that spare comparisons: whatever changes between two
// stages or at an open of the fingerprint stage (the opens both ways share), a run that parts
// look-alikes by digests prints and reports what comparing every pair prints and reports.
void Touch(const std::filesystem::path& file) {
  std::filesystem::last_write_time(
      file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
}

constexpr std::size_t kSmallLookAlike = 3000;  // read whole with its fingerprint
constexpr std::size_t kLargeLookAlike = 9000;  // digested block by block while grouping
constexpr std::uint32_t kVariants = 3;

// Equal heads and tails, so equal fingerprints; the variants differ in the middle only.
std::string LookAlike(std::size_t size, std::uint32_t variant) {
  std::string bytes = PatternBytes(size, static_cast<std::uint32_t>(size));
  bytes[size / 2 + 700] = static_cast<char>('a' + variant);
  return bytes;
}

struct PlannedFile {
  std::string name;
  std::size_t size;
  std::uint32_t variant;
};

std::vector<PlannedFile> RandomLookAlikes(std::mt19937& random, int count) {
  std::vector<PlannedFile> files;
  for (int file = 0; file < count; ++file) {
    const std::size_t size = random() % 2 == 0 ? kSmallLookAlike : kLargeLookAlike;
    files.push_back(
        {"r/f" + std::to_string(file), size, static_cast<std::uint32_t>(random() % kVariants)});
  }
  return files;
}

void RewriteAsNextVariant(const std::filesystem::path& file) {
  const std::string bytes = ReadWholeFile(file);
  std::uint32_t variant = static_cast<std::uint32_t>(bytes[bytes.size() / 2 + 700] - 'a');
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      << LookAlike(bytes.size(), (variant + 1) % kVariants);
}

// CTest labels: long
TEST_F(ChangingFiles, DigestsChangeNoResultWhenFilesChangeBetweenStages) {
  const struct {
    const char* name;
    Change change;
  } changes[] = {{"deleted", Delete}, {"rewritten", RewriteAsNextVariant}, {"touched", Touch}};
  std::mt19937 random(20261208);
  for (int tree = 0; tree < 2; ++tree) {
    const std::vector<PlannedFile> files = RandomLookAlikes(random, 9);
    const auto makeTree = [&]() {
      std::filesystem::remove_all(tree_ / "r");
      for (const PlannedFile& file : files) {
        tree_.WriteFile(file.name, LookAlike(file.size, file.variant));
      }
    };
    // Every file is opened once for its fingerprint: the first open is before any of them, the
    // open after them is grouping's first.
    const int groupingStarts = static_cast<int>(files.size()) + 1;
    for (const PlannedFile& target : files) {
      for (const auto& change : changes) {
        for (const int open : {1, groupingStarts}) {
          SCOPED_TRACE("tree " + std::to_string(tree) + ", " + target.name + " " + change.name +
                       " at open " + std::to_string(open));
          RunResult results[2];
          for (const bool plain : {true, false}) {
            makeTree();
            settings_.plainGrouping = plain;
            planned_.countEveryOpen = true;
            results[plain ? 0 : 1] = Run(tree_ / "r", tree_ / target.name, open, change.change);
          }
          EXPECT_EQ(results[1].exitCode, results[0].exitCode);
          EXPECT_EQ(results[1].console, results[0].console);
          EXPECT_EQ(results[1].report, results[0].report);
        }
      }
    }
  }
}

}  // namespace
