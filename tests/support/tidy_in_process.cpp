#include "support/tidy_in_process.h"

#include <cstdio>
#include <fstream>

#include "report/format_size.h"
#include "support/expected_texts.h"
#include "support/run_program.h"
#include "support/temp_tree.h"
#include "tidy/driver/command_line.h"
#include "tidy/driver/run_tidy.h"

std::string ReportPath(const std::filesystem::path& path) {
  return PrintedText(std::filesystem::path(path).make_preferred());
}

std::string ReportGroup(const std::vector<std::filesystem::path>& files) {
  std::vector<std::string> paths;
  for (const std::filesystem::path& file : files) {
    paths.push_back(ReportPath(file));
  }
  return GroupBlockInOrder(
      FormatSize(static_cast<std::int64_t>(std::filesystem::file_size(files.front()))), paths);
}

std::string RunTidyOnReport(const std::filesystem::path& report, const std::string& blocks,
                            const std::vector<PathString>& arguments, int* status) {
  std::ofstream(report, std::ios::binary) << ReportBytes(blocks);
  std::vector<PathString> line{PATH_TEXT("dupscan-tidy"), PATH_TEXT("--report"), report.native()};
  line.insert(line.end(), arguments.begin(), arguments.end());
  std::vector<PathChar*> pointers;
  for (PathString& argument : line) {
    pointers.push_back(&argument[0]);
  }
  TidyOptions options;
  TextOutput console{std::tmpfile(), 0};
  const int exitStatus =
      ParseCommandLine(static_cast<int>(pointers.size()), pointers.data(), &options)
          ? RunTidy(options, console)
          : kExitTrouble;
  if (status != nullptr) {
    *status = exitStatus;
  }
  const std::string text = StreamContent(console.stream);
  std::fclose(console.stream);
  return text;
}
