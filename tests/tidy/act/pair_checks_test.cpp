// The checks right before a copy is acted on, run in this process so the clock can be a test's.
#include <gtest/gtest.h>

#include "content/compare_files.h"
#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_in_process.h"
#include "support/tidy_support.h"

// A copy written in the second of its comparison: its bytes are read only once the clock is
// past the file system's granularity, as dupscan reads them, and a clock that stays in that
// second (the run's one wait spent) leaves the copy alone.
TEST(PairChecks, AFreshCopyWaitsAsDupscanWaitsAndIsLeftWhenStillFresh) {
  TempTree tree;
  SetAge(tree.WriteFile("keep/a.bin", PatternBytes(3000, 40)), 30);
  const std::filesystem::path copy = tree.WriteFile("copy/a.bin", PatternBytes(3000, 40));
  FileState written;
  ASSERT_TRUE(StateAtPath(copy.c_str(), &written));
  std::vector<std::int64_t> sleeps;
  RunWriteWait().clock =
      WaitClock{[&written]() { return written.modified; },
                [&sleeps](std::int64_t duration) { sleeps.push_back(duration); }};
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(tree.root());  // the journal goes to the working folder
  const std::string output =
      RunTidyOnReport(tree / "duplicates.txt", ReportGroup({tree / "keep/a.bin", copy}),
                      {Text("apply"), Text("--within"), tree.root().native()});
  std::filesystem::current_path(before);
  EXPECT_EQ(sleeps.size(), 1u);
  EXPECT_NE(output.find(TidySkippedLine(ReportPath(copy), kTidyWrittenJustNow)), std::string::npos)
      << output;
  EXPECT_TRUE(std::filesystem::exists(copy));
}
