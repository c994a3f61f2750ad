#include "support/one_pair.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "support/e2e_support.h"

namespace {

// The report's lines without their ends, CR LF or LF.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void MakeOnePair(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "beach.jpg", std::ios::binary) << kPairContent;
  std::ofstream(folder / "beach-copy.jpg", std::ios::binary) << kPairContent;
  std::ofstream(folder / "lone.jpg", std::ios::binary) << std::string(kPairContent.size(), 'x');
}

void ExpectOnlyThePair(const ProgramResult& result, const std::string& report,
                       const std::string& where) {
  // Six records: a spelling whose root could not be listed still let the other find the pair.
  EXPECT_NE(result.output.find(WalkTotalsStart(6)), std::string::npos) << where << "\n"
                                                                       << result.output;
  EXPECT_EQ(result.output.find(ListingFailedStart()), std::string::npos) << where << "\n"
                                                                         << result.output;
  const std::vector<std::string> lines = Lines(report);
  ASSERT_EQ(lines.size(), 4u) << where << "\n" << report;
  EXPECT_EQ(lines[0] + "\n", GroupHeading(std::to_string(kPairContent.size()) + " bytes")) << where;
  for (const std::string name : {"beach-copy.jpg", "beach.jpg"}) {
    const std::string end = Separator() + name;
    EXPECT_TRUE(EndsWith(lines[1], end) || EndsWith(lines[2], end)) << where << "\n" << report;
  }
  EXPECT_NE(result.output.find(SummaryLine(2, std::to_string(kPairContent.size()) + " bytes")),
            std::string::npos)
      << where << "\n"
      << result.output;
  EXPECT_EQ(result.exitCode, 0) << where;
}
