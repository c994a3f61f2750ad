// Reports that cannot be written, where POSIX can arrange it: permissions that apply (as the
// unprivileged user) and a disk that is always full.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/e2e_support.h"

namespace {

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
    options.workingDirectory = tree_.root();
    options.unprivileged = true;
    return RunProgram({(tree_ / "r").string()}, options);
  }
  TempTree tree_;
};

TEST_F(UnwritableReport, ReadOnlyWorkingDirectoryFailsBeforeTheWalk) {
  const ProgramResult result = RunAsNobody();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.errors, "dupscan: cannot write the report duplicates.txt: Permission denied\n");
}

TEST_F(UnwritableReport, ExistingReadOnlyReportIsKeptAsItWas) {
  tree_.WriteFile("duplicates.txt", "the earlier report");
  chmod((tree_ / "duplicates.txt").c_str(), 0444);
  chmod(tree_.root().c_str(), 0777);
  const ProgramResult result = RunAsNobody();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(ReadWholeFile(tree_ / "duplicates.txt"), "the earlier report");
}

TEST(ReportEndToEndPosix, AFullDiskIsAFailureWithoutASummary) {
  TempTree tree;
  tree.WriteFile("r/a", "same");
  tree.WriteFile("r/b", "same");
  std::filesystem::create_symlink("/dev/full", tree / "duplicates.txt");
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "r")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.errors,
            "dupscan: cannot write the report duplicates.txt: No space left on device\n");
  EXPECT_NE(result.output.find("\nLooking for duplicate files...\n"), std::string::npos);
  EXPECT_EQ(result.output.find("wasting a total"), std::string::npos) << result.output;
}

}  // namespace
