#include "tidy/report/report_reader.h"

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/run_program.h"

namespace {

std::vector<std::string> PathsOf(const Report& report, const ReportBlock& block) {
  std::vector<std::string> paths;
  for (std::size_t index = block.first; index < block.first + block.count; ++index) {
    paths.push_back(Narrow(report.paths.copy(index)));
  }
  return paths;
}

}  // namespace

TEST(ReportReader, BlocksAsDupscanWritesThem) {
  Report report;
  ParseReport(ReportBytes(EmptyFilesBlock({"e1", "e2"}) + GroupBlock("1.50 KB", {"a", "b"}) +
                          GroupBlock("3 bytes", {"c", "d", "f"})),
              &report);
  EXPECT_EQ(PathsOf(report, report.emptyFiles), (std::vector<std::string>{"e1", "e2"}));
  ASSERT_EQ(report.groups.size(), 2u);
  EXPECT_EQ(report.groups[0].sizeText, "1.50 KB");
  EXPECT_EQ(report.groups[0].line, 5);
  EXPECT_EQ(PathsOf(report, report.groups[1]), (std::vector<std::string>{"c", "d", "f"}));
  for (const ReportBlock& group : report.groups) {
    EXPECT_EQ(group.problem, BlockProblem::kNone);
  }
}

// A name with line feeds can end a block early and add lines where a heading belongs, begin a
// block of one, or leave the last block without its end: none of them is a group to act on.
TEST(ReportReader, LinesANameWithLineFeedsMakesAreNeverAGroup) {
  Report report;
  ParseReport(ReportBytes(GroupBlock("5 bytes", {"x/a", "x/b"}) + "x/planted\n" +
                          GroupBlock("6 bytes", {"y/only"}) + GroupBlock("7 bytes", {"z/1"})) +
                  "z/2",
              &report);
  ASSERT_EQ(report.groups.size(), 3u);
  EXPECT_EQ(report.groups[0].problem, BlockProblem::kLinesAfterBlock);
  EXPECT_EQ(PathsOf(report, report.groups[0]),
            (std::vector<std::string>{"x/a", "x/b", "x/planted"}));
  EXPECT_EQ(report.groups[1].problem, BlockProblem::kTooFewPaths);
  EXPECT_EQ(report.groups[2].problem, BlockProblem::kUnfinished);
}

// The Windows builds end the report's lines in CR LF: every build reads them as dupscan wrote
// them (the Linux build found no empty line there, so no group ended).
TEST(ReportReader, CrLfReportsAsTheWindowsBuildsWriteThem) {
  Report report;
  std::string lines = GroupBlock("3 bytes", {"a", "b"}) + GroupBlock("4 bytes", {"c", "d"});
  for (size_t end = lines.find('\n'); end != std::string::npos; end = lines.find('\n', end + 2)) {
    lines.insert(end, "\r");
  }
  ParseReport(lines, &report);
  ASSERT_EQ(report.groups.size(), 2u);
  EXPECT_EQ(report.groups[0].sizeText, "3 bytes");
  EXPECT_EQ(PathsOf(report, report.groups[0]), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(PathsOf(report, report.groups[1]), (std::vector<std::string>{"c", "d"}));
  for (const ReportBlock& group : report.groups) {
    EXPECT_EQ(group.problem, BlockProblem::kNone);
  }
}
