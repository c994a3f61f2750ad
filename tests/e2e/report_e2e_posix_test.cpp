// The report where POSIX can arrange what a shared folder or a shell does to it: permissions
// that apply (as the unprivileged user), names another user planted, standard descriptors
// closed or a console that goes away, and a run interrupted while the report is written.
#include <linux/fs.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

#include "support/e2e_support.h"
#include "support/file_system_posix.h"
#include "support/nonregular_files_posix.h"

namespace {

constexpr char kReportName[] = "duplicates.txt";
// A refusal comes before the walk: within seconds even on a busy machine or under an emulator,
// where a FIFO opened for the report once blocked the run for ever.
constexpr double kRefusalSeconds = 5.0;

std::string ReportFailure(const TempTree& tree, const std::string& reason) {
  return ReportFailedLine(WorkingFolderAsShown(tree.root()), reason);
}

const std::set<std::string> kReportAndTree = {kReportName, "r"};

mode_t PermissionBits(const std::filesystem::path& path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return status.st_mode & 07777;
}

class UnwritableReport : public testing::Test {
 protected:
  void SetUp() override {
    if (!CanRunUnprivileged()) {
      GTEST_SKIP() << "needs root to run the program as nobody, so that permissions apply";
    }
    tree_.WriteFile("r/a", "same");
    tree_.WriteFile("r/b", "same");
    chmod(tree_.root().c_str(), 0755);
    chmod((tree_ / "r").c_str(), 0755);
  }
  ProgramResult RunAsNobody() {
    ProgramOptions options;
    options.unprivileged = true;
    return RunOn(tree_, tree_ / "r", options);
  }
  TempTree tree_;
};

TEST_F(UnwritableReport, ReadOnlyWorkingDirectoryFailsBeforeTheWalk) {
  const ProgramResult result = RunAsNobody();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.errors, ReportFailure(tree_, "Permission denied"));
}

TEST_F(UnwritableReport, ExistingReadOnlyReportIsKeptAsItWas) {
  tree_.WriteFile(kReportName, "the earlier report");
  chmod((tree_ / kReportName).c_str(), 0444);
  chmod(tree_.root().c_str(), 0777);
  const ProgramResult result = RunAsNobody();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(ReadWholeFile(tree_ / kReportName), "the earlier report");
  // Root, who may write anything, keeps it too: it has no write bit at all.
  EXPECT_EQ(RunOn(tree_, tree_ / "r").exitCode, 1);
  EXPECT_EQ(ReadWholeFile(tree_ / kReportName), "the earlier report");
}

// In a shared folder with the sticky bit, as /tmp has, another user's report may be written
// through but not replaced: the run is refused before the walk, not after it.
TEST_F(UnwritableReport, AnotherUsersReportInAStickyFolderIsKeptAsItWas) {
  tree_.WriteFile(kReportName, "root's report");
  chmod((tree_ / kReportName).c_str(), 0666);
  chmod(tree_.root().c_str(), 01777);
  const ProgramResult result = RunAsNobody();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.errors, ReportFailure(tree_, "Operation not permitted"));
  EXPECT_EQ(ReadWholeFile(tree_ / kReportName), "root's report");
}

// Something that is no regular file, planted where the report goes by another user of a shared
// folder. `elsewhere` is a folder of its own for what a link points to.
struct PlantedName {
  const char* label;
  int (*plant)(const std::filesystem::path& report, const std::filesystem::path& elsewhere);
  const char* reason;
};

int PlantLinkToAPrivateFile(const std::filesystem::path& report,
                            const std::filesystem::path& elsewhere) {
  const std::filesystem::path target = elsewhere / "private";
  std::ofstream(target) << "root's own file\n";
  chmod(target.c_str(), 0600);
  return symlink(target.c_str(), report.c_str()) == 0 ? 0 : errno;
}
int PlantDanglingLink(const std::filesystem::path& report, const std::filesystem::path& elsewhere) {
  return symlink((elsewhere / "made-through-the-link").c_str(), report.c_str()) == 0 ? 0 : errno;
}
int PlantLinkToDevFull(const std::filesystem::path& report, const std::filesystem::path&) {
  return symlink("/dev/full", report.c_str()) == 0 ? 0 : errno;
}
int PlantFifo(const std::filesystem::path& report, const std::filesystem::path&) {
  return mkfifo(report.c_str(), 0666) == 0 ? 0 : errno;
}
int PlantSocket(const std::filesystem::path& report, const std::filesystem::path&) {
  return MakeSocketNode(report) ? 0 : EINVAL;
}
int PlantDevice(const std::filesystem::path& report, const std::filesystem::path&) {
  return MakeZeroDevice(report);
}
int PlantFolder(const std::filesystem::path& report, const std::filesystem::path&) {
  return mkdir(report.c_str(), 0777) == 0 ? 0 : errno;
}

const PlantedName kPlantedNames[] = {
    {"LinkToAPrivateFile", PlantLinkToAPrivateFile, "Too many levels of symbolic links"},
    {"DanglingLink", PlantDanglingLink, "Too many levels of symbolic links"},
    {"LinkToDevFull", PlantLinkToDevFull, "Too many levels of symbolic links"},
    {"Fifo", PlantFifo, "Operation not supported"},
    {"Socket", PlantSocket, "Operation not supported"},
    {"Device", PlantDevice, "Operation not supported"},
    {"Folder", PlantFolder, "Is a directory"},
};

// Every entry of a folder as type, permission bits and, for a file, content.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    struct stat status {};
    lstat(entry.path().c_str(), &status);
    std::string description = std::to_string(status.st_mode) + " " + std::to_string(status.st_ino);
    if (S_ISREG(status.st_mode)) {
      description += " " + ReadWholeFile(entry.path());
    }
    entries[entry.path().filename().string()] = description;
  }
  return entries;
}

void PrintTo(const PlantedName& name, std::ostream* out) { *out << name.label; }

class PlantedReportName : public testing::TestWithParam<PlantedName> {};

// The run as root, which once wrote through the link into any file it names, blocked on the
// FIFO after the whole walk, and wrote into the device. Each is refused before the walk, at
// once, without being opened, and stays as it was.
TEST_P(PlantedReportName, IsRefusedBeforeTheWalkAndNeverOpened) {
  TempTree tree;
  TempTree elsewhere;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  if (const int error = GetParam().plant(tree / kReportName, elsewhere.root())) {
    GTEST_SKIP() << "cannot make it here: " << std::strerror(error);
  }
  const auto beforeHere = Snapshot(tree.root());
  const auto beforeElsewhere = Snapshot(elsewhere.root());
  OpenWatch watchHere(tree.root());
  OpenWatch watchElsewhere(elsewhere.root());
  ASSERT_TRUE(watchHere.Watching() && watchElsewhere.Watching()) << std::strerror(errno);

  const ProgramResult result = RunOn(tree, tree / "r");

  EXPECT_FALSE(result.timedOut) << "the run hung";
  EXPECT_LT(result.seconds, kRefusalSeconds);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.errors, ReportFailure(tree, GetParam().reason));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(watchHere.OpenedAmong({kReportName}), std::set<std::string>());
  EXPECT_EQ(watchElsewhere.OpenedAmong({"private"}), std::set<std::string>());
  EXPECT_EQ(Snapshot(tree.root()), beforeHere);
  EXPECT_EQ(Snapshot(elsewhere.root()), beforeElsewhere);
}

INSTANTIATE_TEST_SUITE_P(ReportEndToEndPosix, PlantedReportName, testing::ValuesIn(kPlantedNames),
                         [](const testing::TestParamInfo<PlantedName>& planted) {
                           return std::string(planted.param.label);
                         });

// The line says where the report could not be written, on one line whatever the folder's name.
TEST(ReportEndToEndPosix, TheFailureLineNamesTheWorkingFolderOnOneLine) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  const std::filesystem::path folder = tree.MakeDirectory("line\nfeed");
  std::filesystem::create_directory(folder / kReportName);
  const ProgramResult result = RunIn(folder, {NativeText(tree / "r")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.errors,
            ReportFailedLine(WorkingFolderAsShown(tree.root()) + "/line?feed", "Is a directory"));
}

// Two groups and two empty files: every section of the report, and a console with every stage.
void WriteSmallTree(const TempTree& tree) {
  tree.WriteFile("r/a", PatternBytes(700, 1));
  tree.WriteFile("r/sub/b", PatternBytes(700, 1));
  tree.WriteFile("r/c", "twin");
  tree.WriteFile("r/d", "twin");
  tree.WriteFile("r/e1", "");
  tree.WriteFile("r/sub/e2", "");
}

TEST(ReportEndToEndPosix, TheNewReportKeepsTheEarlierOnesPermissionBits) {
  TempTree tree;
  WriteSmallTree(tree);
  const std::filesystem::path report = tree / kReportName;
  tree.WriteFile(kReportName, "the earlier report");
  // Group write: bits a usual umask takes from a new file.
  chmod(report.c_str(), 0620);
  const ProgramResult replacing = RunOn(tree, tree / "r");
  const std::string replaced = ReadWholeFile(report);
  EXPECT_EQ(replacing.exitCode, 0);
  EXPECT_NE(replaced, "the earlier report");
  EXPECT_EQ(PermissionBits(report), 0620u);
  EXPECT_EQ(NamesIn(tree.root()), kReportAndTree);

  std::filesystem::remove(report);
  const mode_t mask = umask(0);
  umask(mask);
  const ProgramResult creating = RunOn(tree, tree / "r");
  EXPECT_EQ(creating.exitCode, 0);
  EXPECT_EQ(PermissionBits(report), 0666u & ~mask);
  EXPECT_EQ(ReadWholeFile(report), replaced);

  // Another user's report, planted open to all in a shared folder, passes on nothing: the run's
  // report gets what any new file gets.
  if (CanRunUnprivileged() && (mask & 0022) != 0) {
    chown(report.c_str(), 65534, 65534);
    chmod(report.c_str(), 0666);
    EXPECT_EQ(RunOn(tree, tree / "r").exitCode, 0);
    EXPECT_EQ(PermissionBits(report), 0666u & ~mask);
  }
}

// In a chroot or a container whose /proc holds planted links, each descriptor's link naming
// another user's 0600 file, a run as root once linked that file in beside the report, left it there
// and wrote no report. The temporary is named only through what is provably itself.
TEST(ReportEndToEndPosix, APlantedProcNeverNamesTheTemporary) {
  TempTree tree;
  WriteSmallTree(tree);
  ASSERT_EQ(RunOn(tree, tree / "r").exitCode, 0);
  const std::string report = ReadWholeFile(tree / kReportName);
  tree.WriteFile(kReportName, "the earlier report");
  const std::filesystem::path foreign = tree.WriteFile("plant/secret", "another user's");
  chmod(foreign.c_str(), 0600);
  const std::filesystem::path links = tree / "plant/fd";
  std::filesystem::create_directories(links);
  for (int descriptor = 0; descriptor < 64; ++descriptor) {
    std::filesystem::create_symlink(foreign, links / std::to_string(descriptor));
  }
  ProgramOptions options;
  options.descriptorLinksInPlace = links;
  const ProgramResult result = RunOn(tree, tree / "r", options);
  if (result.exitCode == 120) {
    GTEST_SKIP() << "cannot mount a folder over /proc/self/fd here: needs root";
  }
  EXPECT_EQ(result.exitCode, 0) << result.errors;
  EXPECT_EQ(ReadWholeFile(tree / kReportName), report);
  EXPECT_EQ(std::filesystem::hard_link_count(foreign), 1u);
  EXPECT_FALSE(NameAppears(tree.root(), PATH_TEXT("duplicates.txt.")));
}

constexpr gid_t kGroupOfOthers = 4321;  // a group nobody running the tests belongs to
constexpr uid_t kNobody = 65534;
constexpr unsigned kReader = 4321;  // a user the earlier report's ACL lets read it

gid_t GroupOf(const std::filesystem::path& path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return status.st_gid;
}

// A 0640 report of group adm once came back as group root, and one of a group its owner was not
// in as readable by all of the owner's own group: a new report is read by nobody who could not
// read the earlier one.
TEST(ReportEndToEndPosix, TheNewReportKeepsTheEarlierOnesGroupOrDropsTheGroupsBits) {
  if (!CanRunUnprivileged()) {
    GTEST_SKIP() << "needs root to give a report a group of others, and to run as nobody";
  }
  TempTree tree;
  WriteSmallTree(tree);
  const std::filesystem::path report = tree.WriteFile(kReportName, "the earlier report");
  chown(report.c_str(), 0, kGroupOfOthers);
  chmod(report.c_str(), 0640);
  EXPECT_EQ(RunOn(tree, tree / "r").exitCode, 0);
  EXPECT_EQ(GroupOf(report), kGroupOfOthers);
  EXPECT_EQ(PermissionBits(report), 0640u);

  // nobody may not give a file a group nobody is not in: the group's bits go instead.
  chown(report.c_str(), kNobody, kGroupOfOthers);
  chmod(report.c_str(), 0640);
  chmod(tree.root().c_str(), 0777);
  ProgramOptions asNobody;
  asNobody.unprivileged = true;
  EXPECT_EQ(RunOn(tree, tree / "r", asNobody).exitCode, 0);
  EXPECT_NE(ReadWholeFile(report), "the earlier report");
  EXPECT_EQ(PermissionBits(report), 0600u);
}

// The earlier report's ACL goes over to the new one; the folder's default ACL, which the earlier
// report did not have, does not come in.
TEST(ReportEndToEndPosix, TheNewReportKeepsTheEarlierOnesAclAndNoOther) {
  TempTree tree;
  WriteSmallTree(tree);
  const std::filesystem::path report = tree.WriteFile(kReportName, "the earlier report");
  const std::string acl = AclLettingRead(kReader);
  if (const int error = SetAcl(report, acl)) {
    GTEST_SKIP() << "the file system here keeps no ACL: " << std::strerror(error);
  }
  EXPECT_EQ(RunOn(tree, tree / "r").exitCode, 0);
  EXPECT_EQ(AccessAclOf(report), acl);
  EXPECT_EQ(PermissionBits(report), 0640u);

  std::filesystem::remove(report);
  tree.WriteFile(kReportName, "the earlier report");
  chmod(report.c_str(), 0640);
  ASSERT_EQ(SetAcl(tree.root(), acl, true), 0);
  EXPECT_EQ(RunOn(tree, tree / "r").exitCode, 0);
  EXPECT_EQ(AccessAclOf(report), "");
  EXPECT_EQ(PermissionBits(report), 0640u);
}

// glibc's buffer for standard output: one page on a pipe; BUFSIZ when the descriptor was closed
// at the first write. The buffer is written whenever it fills.
constexpr std::size_t kPipeBuffer = 4096;
constexpr std::size_t kClosedOutputBuffer = 8192;

// A console whose buffer fills, and so is written, half-way through the grouping, while the
// report is open: 300 pairs of files, whose grouping prints six progress lines, and a missing
// root that pads the console before the grouping (its name listed, then its listing failure: four
// bytes for every "x/").
class ConsoleWrittenWhileTheReportIsOpen : public testing::Test {
 protected:
  void SetUp() override {
    constexpr int kPairs = 300;
    for (int pair = 1; pair <= kPairs; ++pair) {
      const std::string content =
          PatternBytes(static_cast<std::size_t>(pair), static_cast<std::uint32_t>(pair));
      tree_.WriteFile("r/" + std::to_string(pair) + "a", content);
      tree_.WriteFile("r/" + std::to_string(pair) + "b", content);
    }
  }

  ProgramResult Run(std::size_t padding, const ProgramOptions& options = ProgramOptions()) {
    std::string missing = "missing/";
    for (std::size_t unit = 0; unit < padding; ++unit) {
      missing += "x/";
    }
    ProgramOptions inTree = options;
    inTree.workingDirectory = tree_.root();
    return RunProgram({NativeText(tree_ / missing), NativeText(tree_ / "r")}, inTree);
  }

  /// A normal run whose console fills a buffer of `bufferSize` bytes during the grouping, and
  /// its padding in `*padding`.
  ProgramResult NormalRunFilling(std::size_t bufferSize, std::size_t* padding) {
    const ProgramResult probe = Run(0);
    const std::size_t grouping = GroupingLinesStart(probe.output);
    const std::size_t groupingLength = SummaryStart(probe.output) - grouping;
    *padding = (bufferSize - groupingLength / 2 - grouping) / 4;
    ProgramResult normal = Run(*padding);
    EXPECT_EQ(normal.exitCode, 0);
    EXPECT_LT(GroupingLinesStart(normal.output), bufferSize);
    EXPECT_GT(SummaryStart(normal.output), bufferSize);
    return normal;
  }

  std::string Report() { return ReadWholeFile(tree_ / kReportName); }

  TempTree tree_;
};

// Once the report took descriptor 1 (`>&-`) and the console's text went into it; or descriptor 2
// (`2>&-`), and a failure line was its only content.
TEST_F(ConsoleWrittenWhileTheReportIsOpen, ClosedStandardDescriptorsLeaveTheReportAsANormalRun) {
  std::size_t padding = 0;
  const ProgramResult normal = NormalRunFilling(kClosedOutputBuffer, &padding);
  const std::string normalReport = Report();

  const std::vector<int> closedSets[] = {
      {STDOUT_FILENO}, {STDERR_FILENO}, {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}};
  for (const std::vector<int>& closed : closedSets) {
    SCOPED_TRACE("closed: " + testing::PrintToString(closed));
    std::filesystem::remove(tree_ / kReportName);
    ProgramOptions options;
    options.closedDescriptors = closed;
    const ProgramResult result = Run(padding, options);
    const bool outputClosed =
        std::find(closed.begin(), closed.end(), STDOUT_FILENO) != closed.end();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, outputClosed ? "" : normal.output);
    EXPECT_TRUE(Report() == normalReport) << "the report differs from a normal run's; it begins\n"
                                          << Report().substr(0, 300);
    EXPECT_EQ(NamesIn(tree_.root()), kReportAndTree);
  }
}

// Once SIGPIPE ended the run at the console's first write after its reader left (`| head -1`):
// the earlier report was gone and the new one cut short. Now the console's writes fail and the
// run goes on.
TEST_F(ConsoleWrittenWhileTheReportIsOpen, AConsoleThatGoesAwayLeavesAWholeReportAndSuccess) {
  std::size_t padding = 0;
  NormalRunFilling(kPipeBuffer, &padding);
  const std::string normalReport = Report();

  tree_.WriteFile(kReportName, "the earlier report");
  ProgramOptions options;
  options.outputReaderGone = true;
  const ProgramResult result = Run(padding, options);

  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.errors, "");
  EXPECT_TRUE(Report() == normalReport) << "the report differs from a normal run's; it begins\n"
                                        << Report().substr(0, 300);
  EXPECT_EQ(NamesIn(tree_.root()), kReportAndTree);
}

#if defined(DUPSCAN_SANITIZED_BUILD)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

// Sparse: comparing the pair keeps the run in its grouping for a second or so, at no disk cost.
constexpr std::uintmax_t kSparseSize = 2ull << 30;
const std::string kEarlierGroup = GroupBlock("4 bytes", {"the earlier report"});

// A pair of files, a sparse pair that keeps the run writing its report for a while, and an earlier
// report of mode 0640; returns the report's path.
std::filesystem::path WriteTreeWithALongGrouping(const TempTree& tree) {
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  for (const char* name : {"r/big-1", "r/big-2"}) {
    std::filesystem::resize_file(tree.WriteFile(name, ""), kSparseSize);
  }
  const std::filesystem::path report = tree.WriteFile(kReportName, kEarlierGroup);
  chmod(report.c_str(), 0640);
  return report;
}

// Once an interrupted run left the report empty or cut mid-path, and an empty report is what a
// finished run without duplicates writes. Now the temporary is removed, the earlier report stays,
// and the run ends by the signal, as a shell shows it (130, 143, 129). A named temporary was once
// left behind by every signal but the few once listed (SIGPWR, SIGIO, the real-time ones, SIGBUS).
TEST(ReportEndToEndPosix, AnInterruptionWhileTheReportIsWrittenLeavesTheEarlierOne) {
  TempTree tree;
  const std::filesystem::path report = WriteTreeWithALongGrouping(tree);
  // An empty /proc/self/fd makes the temporary named from the start, as on a file system without
  // files that have no name; where it cannot be mounted, the temporary is what this one makes.
  TempTree noDescriptorLinks;
  ProgramOptions options;
  options.interruptWhileTheReportIsWritten = true;
  options.descriptorLinksInPlace = noDescriptorLinks.root();
  for (const int signalNumber :
       {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGALRM, SIGPWR, SIGIO, SIGRTMIN, SIGRTMAX, SIGBUS}) {
    SCOPED_TRACE(strsignal(signalNumber));
    if (signalNumber == SIGBUS && kUnderAddressSanitizer) {
      continue;  // the sanitizer takes SIGBUS for a fault of its own to report, and exits 1
    }
    if (signalNumber >= SIGRTMIN && RunningUnderEmulator()) {
      continue;  // qemu-i386 keeps real-time signals for itself: the program never sees them
    }
    options.interruption = signalNumber;
    ProgramResult result = RunOn(tree, tree / "r", options);
    if (result.exitCode == 120) {
      options.descriptorLinksInPlace.clear();
      result = RunOn(tree, tree / "r", options);
    }
    EXPECT_TRUE(result.interrupted) << "the report was never open";
    EXPECT_EQ(result.exitCode, 128 + signalNumber);
    EXPECT_EQ(ReadWholeFile(report), kEarlierGroup);
    EXPECT_EQ(PermissionBits(report), 0640u);
    EXPECT_EQ(NamesIn(tree.root()), kReportAndTree);
  }
}

// Once a run killed outright left an empty duplicates.txt.XXXXXX, which the next run over the
// folder listed among its empty files. The temporary now has no name until the report is whole.
TEST(ReportEndToEndPosix, ARunKilledOutrightLeavesNothingBehind) {
  TempTree tree;
  if (!MakesUnnamedFiles(tree.root())) {
    GTEST_SKIP() << "the file system here makes no file without a name (O_TMPFILE)";
  }
  const std::filesystem::path report = WriteTreeWithALongGrouping(tree);
  ProgramOptions options;
  options.interruptWhileTheReportIsWritten = true;
  options.interruption = SIGKILL;
  const ProgramResult result = RunOn(tree, tree / "r", options);
  EXPECT_TRUE(result.interrupted) << "the report was never open";
  EXPECT_EQ(result.exitCode, 128 + SIGKILL);
  EXPECT_EQ(ReadWholeFile(report), kEarlierGroup);
  EXPECT_EQ(NamesIn(tree.root()), kReportAndTree);
}

// Refused before the walk, not after it: a working folder deleted before the run, and a report
// or folder that no rename may change (chattr +a).
TEST(ReportEndToEndPosix, ADeletedWorkingFolderIsRefusedBeforeTheWalk) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  ProgramOptions options;
  options.workingDirectory = tree.MakeDirectory("deleted");
  options.workingDirectoryRemoved = true;
  const ProgramResult result = RunProgram({NativeText(tree / "r")}, options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.errors, ReportFailedInNamelessFolderLine("No such file or directory"));
}

TEST(ReportEndToEndPosix, AnAppendOnlyReportOrFolderIsRefusedBeforeTheWalk) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  const std::filesystem::path report = tree.WriteFile(kReportName, "the earlier report");
  for (const std::filesystem::path& marked : {report, tree.root()}) {
    SCOPED_TRACE(marked);
    if (const int error = ChangeAttributeFlags(marked, FS_APPEND_FL, true)) {
      GTEST_SKIP() << "chattr +a needs root and a file system that keeps it: "
                   << std::strerror(error);
    }
    const ProgramResult result = RunOn(tree, tree / "r");
    ChangeAttributeFlags(marked, FS_APPEND_FL, false);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, ReportFailure(tree, "Operation not permitted"));
    EXPECT_EQ(ReadWholeFile(report), "the earlier report");
    EXPECT_EQ(NamesIn(tree.root()), kReportAndTree);
  }
}

}  // namespace
