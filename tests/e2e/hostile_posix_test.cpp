// The program on trees built to break it: special files, hostile names, a huge and a too-deep
// directory, permissions that apply, and a report that cannot be written whole. Every case checks
// the whole console output and the report, under a time limit: a hang is a failure, not a pass.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <set>
#include <thread>

#include "support/deep_chain_posix.h"
#include "support/e2e_support.h"
#include "support/nonregular_files_posix.h"

namespace {

TEST(HostileTree, FifosSocketsAndLinksAreSkippedUnopenedAndNothingHangs) {
  TempTree tree;
  const std::string content = "duplicate content";
  tree.WriteFile("r/a", content);
  tree.WriteFile("r/b", content);
  tree.WriteFile("r/sub/c", "unique");
  const std::filesystem::path root = tree / "r";
  ASSERT_EQ(mkfifo((root / "fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((root / "fifo-too").c_str(), 0600), 0);  // two, so they would pair up
  ASSERT_TRUE(MakeSocketNode(root / "sock"));
  std::filesystem::create_symlink(root / "a", root / "link-to-file");
  std::filesystem::create_directory_symlink(root / "sub", root / "link-to-directory");
  std::filesystem::create_directory_symlink(".", root / "sub/link-to-own-folder");
  std::filesystem::create_directory_symlink("..", root / "sub/link-to-own-parent");
  std::filesystem::create_symlink(root / "nowhere", root / "dangling");
  std::filesystem::create_symlink(root / "fifo", root / "link-to-fifo");
  std::filesystem::create_symlink("/dev/zero", root / "link-to-dev-zero");
  OpenWatch watch(root);
  ASSERT_TRUE(watch.Watching()) << std::strerror(errno);

  const ProgramResult result = RunOn(tree, root);

  EXPECT_FALSE(result.timedOut) << "the run hung";
  ExpectedRun expected = Counts({root.string()}, 3, 2, 2, 2, "17 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            GroupBlock("17 bytes", {(root / "a").string(), (root / "b").string()}));
  EXPECT_EQ(watch.OpenedAmong({"fifo", "fifo-too", "sock", "link-to-file", "link-to-fifo",
                               "link-to-dev-zero", "dangling"}),
            std::set<std::string>());
}

TEST(HostileTree, CharacterDevicesAreSkippedUnopened) {
  TempTree tree;
  tree.WriteFile("r/a", "twin");
  tree.WriteFile("r/b", "twin");
  const std::filesystem::path root = tree / "r";
  if (const int error = MakeZeroDevice(root / "zero")) {
    GTEST_SKIP() << "cannot make a device node here (root with CAP_MKNOD can): "
                 << std::strerror(error);
  }
  ASSERT_EQ(MakeZeroDevice(root / "zero-too"), 0);
  OpenWatch watch(root);
  ASSERT_TRUE(watch.Watching()) << std::strerror(errno);

  const ProgramResult result = RunOn(tree, root);

  EXPECT_FALSE(result.timedOut) << "the run hung";
  ExpectedRun expected = Counts({root.string()}, 2, 1, 2, 2, "4 bytes");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            GroupBlock("4 bytes", {(root / "a").string(), (root / "b").string()}));
  EXPECT_EQ(watch.OpenedAmong({"zero", "zero-too"}), std::set<std::string>());
}

TEST(HostileTree, HostileNamesAreWalkedAndPrintedByteExact) {
  TempTree tree;
  // A root whose own name holds a line feed and printf conversions: printed, never interpreted.
  const std::filesystem::path root = tree / "root\nwith %s%n and %d";
  const std::string content = PatternBytes(600, 4);
  const std::vector<std::string> names = {
      "line\nfeed",          "100%",    "%s%n%x%%", "not utf-8 \xff\xfe\xc3\x28",
      std::string(255, 'n'), ".hidden", "-rf",      "--help",
      "sub \xe9/-"};
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(tree.WriteFile(root / name, content).string());
  }
  tree.WriteFile(root / "empty\nfirst", "");
  tree.WriteFile(root / "empty %n second", "");
  std::vector<PathString> walkOrder;
  ListDepthFirst(root, NativeText(root), walkOrder);
  std::vector<std::string> empties;
  for (const PathString& path : walkOrder) {
    if (path.find("/empty") != std::string::npos) {
      empties.push_back(path);
    }
  }

  const ProgramResult result = RunOn(tree, root);

  // Eight extra copies of 600 bytes are wasted.
  ExpectedRun expected = Counts({root.string()}, 11, 2, 11, 9, "4.69 KB");
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
            EmptyFilesBlock(empties) + GroupBlock("600 bytes", paths));
}

// CTest labels: long
TEST(HostileTree, HundredThousandEntriesInOneDirectory) {
  TempTree tree;
  const std::filesystem::path root = tree.MakeDirectory("r");
  // 20,000 where runs cost more (the sanitizers, qemu-i386: 14 to 17 s a run of 100,000, where the
  // native build takes 5): still some twenty reads of the listing, and ten progress lines.
  const int entries = RunsSlowly() ? 20000 : 100000;
  const int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  for (int i = 0; i < entries - 2; ++i) {
    WriteFileAt(folder, "e" + std::to_string(i), "");
  }
  WriteFileAt(folder, "a", "twin");
  WriteFileAt(folder, "b", "twin");
  close(folder);
  std::vector<PathString> walkOrder;
  ListDepthFirst(root, NativeText(root), walkOrder);
  std::vector<std::string> empties;
  for (const PathString& path : walkOrder) {
    if (path != (root / "a").string() && path != (root / "b").string()) {
      empties.push_back(path);
    }
  }

  const ProgramResult result = RunOn(tree, root);

  EXPECT_FALSE(result.timedOut) << "the run hung";
  ExpectedRun expected = Counts({root.string()}, entries, 1, entries, 2, "4 bytes");
  for (int found = 2000; found <= entries; found += 2000) {
    expected.walkLines += WalkProgressLine(found);
  }
  for (int hashed = 1000; hashed <= entries; hashed += 1000) {
    expected.hashLines += HashProgressLine(hashed, hashed * 100 / entries);
  }
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
  const std::string report = ReadWholeFile(tree / "duplicates.txt");
  const std::string expectedReport =
      EmptyFilesBlock(empties) +
      GroupBlock("4 bytes", {(root / "a").string(), (root / "b").string()});
  EXPECT_TRUE(report == expectedReport)
      << "the report differs from the expected one (" << report.size() << " bytes, expected "
      << expectedReport.size() << "); it begins\n"
      << report.substr(0, 300);
}

// A folder below the root is listed through its path, a file is opened through its path, and
// either fails with ENAMETOOLONG once that text and its terminator exceed PATH_MAX.
bool SystemTakes(std::size_t length) { return length + 1 <= PATH_MAX; }

// The walk names the first folder it cannot list, then goes on with that folder's siblings and
// with the rest of the tree. Whether a file at the deepest listable level can still be opened
// depends on the parity of the root's length, so the chain hangs below two roots whose lengths
// differ by one.
TEST(HostileTree, TreeDeeperThanThePathLimitIsReportedWhereItCannotBeListed) {
  TempTree tree;
  for (const std::string name : {"r", "rr"}) {
    const std::filesystem::path root = tree.MakeDirectory(name);
    const std::size_t rootLength = root.string().size();
    // Level k is the folder root + k times "/d".
    int firstUnlisted = 1;
    while (SystemTakes(rootLength + 2 * static_cast<std::size_t>(firstUnlisted))) {
      ++firstUnlisted;
    }
    const int deepest = firstUnlisted - 1;
    ASSERT_GE(deepest, 2) << "the temporary folder's path is too long for this test";
    const bool edgeOpens = SystemTakes(rootLength + 2 * static_cast<std::size_t>(deepest) + 2);
    const std::string content = "deep twins";
    MakeDeepChain(root, firstUnlisted + 2, [&](int level, int folder) {
      if (level == deepest - 1) {
        WriteFileAt(folder, "a", content);
        WriteFileAt(folder, "b", content);
      } else if (level == deepest) {
        WriteFileAt(folder, "e", content);  // listed, but read only if its path fits
      } else if (level > deepest) {
        WriteFileAt(folder, "lost", content);  // would join the group if the walk reached it
      }
    });

    const ProgramResult result = RunOn(tree, root);
    RemoveDeepChain(root);

    SCOPED_TRACE("root of " + std::to_string(rootLength) + " characters");
    std::string level = root.string();
    for (int depth = 1; depth < deepest; ++depth) {
      level += "/d";
    }
    std::vector<std::string> group = {level + "/a", level + "/b"};
    if (edgeOpens) {
      group.push_back(level + "/d/e");
    }
    const int duplicates = static_cast<int>(group.size());
    EXPECT_FALSE(result.timedOut) << "the run hung";
    ExpectedRun expected = Counts({root.string()}, 3, 1 + firstUnlisted, 3, duplicates,
                                  std::to_string((duplicates - 1) * 10) + " bytes");
    expected.walkLines = ListingFailedLine(level + "/d/d", ENAMETOOLONG);
    EXPECT_EQ(result.output, ExpectedConsole(expected));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"),
              GroupBlock(std::to_string(content.size()) + " bytes", group));
  }
}

// Runs the program as nobody, so that permissions apply to it as they would to any user.
class HostileTreeUnprivileged : public testing::Test {
 protected:
  void SetUp() override {
    if (!CanRunUnprivileged()) {
      GTEST_SKIP() << "needs root to run the program as nobody, so that permissions apply";
    }
    chmod(tree_.root().c_str(), 0777);  // nobody writes the report here
  }
  TempTree tree_;
};

TEST_F(HostileTreeUnprivileged, UnlistableFoldersAndUnreadableFilesAreReportedAndSkipped) {
  const std::filesystem::path root = tree_ / "r";
  tree_.WriteFile("r/a", "open");
  tree_.WriteFile("r/b", "open");
  tree_.WriteFile("r/locked-one", "locked!");
  tree_.WriteFile("r/locked-two", "locked!");
  tree_.WriteFile("r/closed/twin", "open");        // would join a and b if it could be listed
  tree_.WriteFile("r/unsearchable/twin", "open");  // its name can be read, its size cannot
  chmod((root / "locked-one").c_str(), 0);
  chmod((root / "locked-two").c_str(), 0);
  chmod((root / "closed").c_str(), 0);
  chmod((root / "unsearchable").c_str(), 0444);

  std::string walkLines;
  std::vector<std::filesystem::path> locked;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name == "closed" || name == "unsearchable") {
      walkLines += ListingFailedLine(entry.path().string(), EACCES);
    } else if (name.rfind("locked", 0) == 0) {
      locked.push_back(entry.path());
    }
  }
  ASSERT_EQ(locked.size(), 2u);

  ProgramOptions asNobody;
  asNobody.unprivileged = true;
  const ProgramResult result = RunOn(tree_, root, asNobody);

  EXPECT_FALSE(result.timedOut) << "the run hung";
  ExpectedRun expected = Counts({root.string()}, 4, 3, 4, 2, "4 bytes");
  expected.walkLines = walkLines;
  // Neither locked file opens for its fingerprint, so both carry the zero fingerprint and are
  // compared: the later one is the reference, named first.
  expected.groupingLines = OpenFailedLine(locked[1].string()) + OpenFailedLine(locked[0].string());
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(tree_ / "duplicates.txt"),
            GroupBlock("4 bytes", {(root / "a").string(), (root / "b").string()}));
}

// Folders swapped for links to a folder outside the root, again and again while the program
// runs: the walk must never enter a link. The outside folder holds the only other copy of a file
// in the root, so a walk that followed a link would report the pair.
// CTest labels: slow
TEST(HostileTree, FoldersSwappedForLinksWhileTheWalkRunsAreNeverEntered) {
  TempTree tree;
  const std::string secret = PatternBytes(100, 77);
  tree.WriteFile("outside/secret", secret);
  tree.WriteFile("r/keep", secret);
  constexpr int kPairs = 10;
  std::vector<std::pair<std::string, std::string>> pairs;  // a folder and a link beside it
  for (int pair = 0; pair < kPairs; ++pair) {
    const std::string folder = (tree / ("r/d" + std::to_string(pair))).string();
    const std::string link = (tree / ("r/link" + std::to_string(pair))).string();
    tree.WriteFile(folder + "/inner", "inner");
    std::filesystem::create_directory_symlink(tree / "outside", link);
    pairs.emplace_back(folder, link);
  }
  std::atomic<bool> swapping{true};
  std::thread swapper([&]() {
    for (std::size_t turn = 0; swapping; ++turn) {
      const auto& [folder, link] = pairs[turn % pairs.size()];
      renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
    }
  });
  int entered = 0;
  constexpr int kRuns = 200;
  for (int run = 0; run < kRuns; ++run) {
    const ProgramResult result = RunOn(tree, tree / "r");
    EXPECT_FALSE(result.timedOut);
    if (ReadWholeFile(tree / "duplicates.txt").find("secret") != std::string::npos) {
      ++entered;
    }
  }
  swapping = false;
  swapper.join();
  EXPECT_EQ(entered, 0) << "a link was followed in " << entered << " of " << kRuns << " runs";
}

// With five descriptors the report and the three standard streams leave one: a comparison that
// held one file open and could not open the other found nothing.
TEST(HostileTree, FiveOpenFilesAreEnoughToFindEveryGroupAndFourAreNoResult) {
  TempTree tree;
  const std::filesystem::path root = tree / "r";
  for (int group = 0; group < 4; ++group) {
    const std::string content =
        PatternBytes(static_cast<std::size_t>(1000 + group), static_cast<std::uint32_t>(group));
    for (int copy = 0; copy <= group % 3 + 1; ++copy) {
      tree.WriteFile(root / ("g" + std::to_string(group) + "-" + std::to_string(copy)), content);
    }
  }
  const std::string large = PatternBytes(600000, 9);  // three comparison blocks
  tree.WriteFile(root / "large-1", large);
  tree.WriteFile(root / "large-2", large);
  const ProgramResult unlimited = RunOn(tree, root);
  const std::string report = ReadWholeFile(tree / "duplicates.txt");
  ASSERT_NE(report.find("large-2"), std::string::npos) << report;

  ProgramOptions options;
  options.openFileLimit = 5;
  const ProgramResult limited = RunOn(tree, root, options);

  EXPECT_EQ(limited.output, unlimited.output);
  EXPECT_EQ(limited.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), report);

  // With four, the report leaves none: every comparison would fail, and a run that said "Found 0
  // duplicate files" would replace the good report with an empty one.
  options.openFileLimit = 4;
  const ProgramResult starved = RunOn(tree, root, options);
  EXPECT_EQ(starved.exitCode, 1);
  EXPECT_EQ(starved.errors, NoDescriptorLine());
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), report);
  EXPECT_FALSE(NameAppears(tree.root(), PATH_TEXT("duplicates.txt.")));
}

// A run that runs out of memory anywhere says so in one line, exits with 1 and keeps the earlier
// report: limits of address space from the least the program starts under, every 2 MiB for
// 32 MiB. Each file has three names, far apart in the walk, so that what the fingerprints keep of
// a file of several names grows through their stage.
// CTest labels: long
TEST(HostileTree, OutOfMemoryAnywhereIsOneLineAndKeepsTheEarlierReport) {
#if defined(DUPSCAN_SANITIZED_BUILD)
  GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no limit lets it start";
#endif
  if (RunningUnderEmulator()) {
    GTEST_SKIP() << "the emulator's own code buffer takes more address space than any limit here";
  }
  constexpr long long kMiB = 1024 * 1024;
  TempTree tree;
  const std::filesystem::path root = tree / "r";
  for (std::uint32_t file = 0; file < 2400; ++file) {
    const std::string name = "d" + std::to_string(file / 300) + "/f" + std::to_string(file);
    tree.WriteFile(root / "a" / name, PatternBytes(300 + file % 900, file));
  }
  for (const char* names : {"b", "c"}) {
    std::filesystem::copy(root / "a", root / names,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::create_hard_links);
  }
  const ProgramResult unlimited = RunOn(tree, root);
  ASSERT_EQ(unlimited.exitCode, 0) << unlimited.errors;
  const std::string report = ReadWholeFile(tree / "duplicates.txt");

  ProgramOptions options;
  for (options.memoryLimit = kMiB; RunOn(tree, root, options).output.empty();
       options.memoryLimit += kMiB) {
    ASSERT_LT(options.memoryLimit, 64 * kMiB) << "the program never started";
  }
  int outOfMemory = 0;
  for (const long long least = options.memoryLimit; options.memoryLimit < least + 32 * kMiB;
       options.memoryLimit += 2 * kMiB) {
    tree.WriteFile("duplicates.txt", "earlier");
    const ProgramResult result = RunOn(tree, root, options);
    const std::string limit = std::to_string(options.memoryLimit / kMiB) + " MiB";
    if (result.exitCode == 0) {
      EXPECT_EQ(result.output, unlimited.output) << limit;
      EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), report) << limit;
      continue;
    }
    ++outOfMemory;
    EXPECT_EQ(result.exitCode, 1) << limit;
    EXPECT_EQ(result.errors, OutOfMemoryLine()) << limit;
    EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "earlier") << limit;
    EXPECT_FALSE(NameAppears(tree.root(), PATH_TEXT("duplicates.txt."))) << limit;
  }
  EXPECT_GT(outOfMemory, 0) << "no limit ran the program out of memory";
}

// A disk that fills part-way through the report: the run says the report is not whole, on
// standard error and in its exit status, and prints no summary; the part written is removed and
// the earlier report stays as it was.
TEST(HostileTree, ReportCutShortPartWayIsAFailureWithoutASummary) {
  TempTree tree;
  const std::filesystem::path root = tree / "r";
  constexpr int kPairs = 300;
  for (int pair = 1; pair <= kPairs; ++pair) {
    const std::string content =
        PatternBytes(static_cast<std::size_t>(pair), static_cast<std::uint32_t>(pair));
    const std::string name = std::to_string(pair) + std::string(100, 'x');
    tree.WriteFile(root / (name + "-first"), content);
    tree.WriteFile(root / (name + "-second"), content);
  }
  constexpr long long kLimit = 16 * 1024;  // the whole report is about 75 KB
  tree.WriteFile("duplicates.txt", "the earlier report");

  ProgramOptions limited;
  limited.fileSizeLimit = kLimit;
  const ProgramResult result = RunOn(tree, root, limited);

  ExpectedRun expected = Counts({root.string()}, 2 * kPairs, 1, 2 * kPairs);
  for (int hundreds = 1; hundreds <= 2 * kPairs / 100; ++hundreds) {
    expected.groupingLines +=
        GroupingProgressLine(hundreds, 0, hundreds * 100 * 100 / (2 * kPairs));
  }
  EXPECT_EQ(result.output, ExpectedConsoleBeforeSummary(expected));
  EXPECT_EQ(result.errors, ReportFailedLine(WorkingFolderAsShown(tree.root()), "File too large"));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ReadWholeFile(tree / "duplicates.txt"), "the earlier report");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()),
                          std::filesystem::directory_iterator()),
            2)
      << "a temporary was left beside the report";
}

}  // namespace
