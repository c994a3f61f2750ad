// The report file's life in this process: an earlier report stays as it was until the new one is
// finished, and nothing is left beside it, whether the new one is finished, fails or is abandoned.
#include "platform/report_file.h"

#include <gtest/gtest.h>

#include "support/run_program.h"
#include "support/temp_tree.h"

namespace {

constexpr char kEarlierReport[] = "the earlier report";
constexpr char kTemporaryPrefix[] = "duplicates.txt.";
constexpr std::size_t kSuffixLength = 6;
constexpr int kWriteFailure = 28;  // any code: the report keeps the first write failure's

const std::set<std::string> kReportAlone = {"duplicates.txt"};

TEST(ReportFile, TheEarlierReportStaysUntilTheNewOneIsFinished) {
  TempTree tree;
  const std::filesystem::path report = tree.WriteFile("duplicates.txt", kEarlierReport);
  ReportFile file;
  ASSERT_EQ(CreateReport(report.c_str(), &file), 0);
  PrintText(file.text, "line %d\n", 4);

  // Beside the report under a name of its own, unless the system made it without a name.
  if (file.temporary.empty()) {
    EXPECT_EQ(NamesIn(tree.root()), kReportAlone);
  } else {
    const std::filesystem::path temporary = file.temporary;
    const std::string name = temporary.filename().string();
    EXPECT_EQ(temporary.parent_path(), tree.root());
    EXPECT_EQ(name.rfind(kTemporaryPrefix, 0), 0u) << name;
    EXPECT_EQ(name.size(), sizeof kTemporaryPrefix - 1 + kSuffixLength) << name;
    EXPECT_EQ(NamesIn(tree.root()), (std::set<std::string>{"duplicates.txt", name}));
  }
  EXPECT_EQ(ReadWholeFile(report), kEarlierReport);

  EXPECT_EQ(FinishReport(&file), 0);
  EXPECT_EQ(ReadWholeFile(report), ReportBytes("line 4\n"));
  EXPECT_EQ(NamesIn(tree.root()), kReportAlone);
}

TEST(ReportFile, AFailedWriteOrAnAbandonedReportLeavesTheEarlierOneAndNoTemporary) {
  TempTree tree;
  const std::filesystem::path report = tree.WriteFile("duplicates.txt", kEarlierReport);
  {
    ReportFile failed;
    ASSERT_EQ(CreateReport(report.c_str(), &failed), 0);
    PrintText(failed.text, "cut short\n");
    failed.text.error = kWriteFailure;  // as PrintText records a failed write
    EXPECT_EQ(FinishReport(&failed), kWriteFailure);
  }
  {
    ReportFile abandoned;
    ASSERT_EQ(CreateReport(report.c_str(), &abandoned), 0);
    PrintText(abandoned.text, "cut short\n");
    AbandonReport(&abandoned);
    AbandonReport(&abandoned);  // a second time, as its destructor does, changes nothing
  }
  {
    ReportFile unfinished;  // a run that ends early, by an exception
    ASSERT_EQ(CreateReport(report.c_str(), &unfinished), 0);
    PrintText(unfinished.text, "cut short\n");
  }
  EXPECT_EQ(ReadWholeFile(report), kEarlierReport);
  EXPECT_EQ(NamesIn(tree.root()), kReportAlone);
}

TEST(CheckReportWritable, MissingReportInAWritableFolderPassesAndNothingIsCreated) {
  TempTree tree;
  EXPECT_EQ(CheckReportWritable((tree / "duplicates.txt").c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_empty(tree.root()));
}

TEST(CheckReportWritable, ExistingReportPassesAndIsLeftAsItWas) {
  TempTree tree;
  const auto report = tree.WriteFile("duplicates.txt", kEarlierReport);
  const auto written = std::filesystem::last_write_time(report);
  EXPECT_EQ(CheckReportWritable(report.c_str()), 0);
  EXPECT_EQ(ReadWholeFile(report), kEarlierReport);
  EXPECT_EQ(std::filesystem::last_write_time(report), written);
  EXPECT_EQ(NamesIn(tree.root()), kReportAlone);
}

}  // namespace
