#include "support/tidy_support.h"

#include <chrono>
#include <fstream>

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"

ProgramResult RunTidyIn(const std::filesystem::path& where,
                        const std::vector<PathString>& arguments, bool unprivileged) {
  ProgramOptions options;
  options.unprivileged = unprivileged;
  return RunTidyWith(where, arguments, options);
}

ProgramResult RunTidyWith(const std::filesystem::path& where,
                          const std::vector<PathString>& arguments, ProgramOptions options) {
  options.program = DUPSCAN_TIDY_PROGRAM_NAME;
  options.workingDirectory = where;
  return RunProgram(arguments, options);
}

namespace {

ProgramResult RunStepProgram(const std::filesystem::path& where, const PathString& step,
                             const std::vector<PathString>& arguments) {
  ProgramOptions options;
  options.program = DUPSCAN_STEP_KILL_PROGRAM_NAME;
  options.workingDirectory = where;
  std::vector<PathString> withStep{step};
  withStep.insert(withStep.end(), arguments.begin(), arguments.end());
  return RunProgram(withStep, options);
}

}  // namespace

ProgramResult RunTidyEndingAt(const std::filesystem::path& where, long long stopAt,
                              const std::vector<PathString>& arguments) {
  return RunStepProgram(where, Text(std::to_string(stopAt)), arguments);
}

ProgramResult RunTidyEditingAt(const std::filesystem::path& where, long long step,
                               const std::filesystem::path& file,
                               const std::vector<PathString>& arguments, bool timePutBack) {
  return RunStepProgram(
      where, Text(std::to_string(step) + (timePutBack ? "=" : ":")) + file.native(), arguments);
}

ProgramResult RunTidyRenamingAt(const std::filesystem::path& where, long long step,
                                const std::filesystem::path& from, const std::filesystem::path& to,
                                const std::vector<PathString>& arguments) {
  return RunTidyRenamingAt(where, step, {{from, to}}, arguments);
}

ProgramResult RunTidyRenamingAt(
    const std::filesystem::path& where, long long step,
    const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& renames,
    const std::vector<PathString>& arguments) {
  PathString steps = Text(std::to_string(step));
  for (const auto& rename : renames) {
    steps += Text(">") + rename.first.native() + Text(">") + rename.second.native();
  }
  return RunStepProgram(where, steps, arguments);
}

long long StepsRun(const ProgramResult& run) {
  const std::size_t count = run.errors.find("steps ");
  return count == std::string::npos ? -1 : std::stoll(run.errors.substr(count + 6));
}

void WriteReport(const std::filesystem::path& where, const std::vector<PathString>& roots) {
  ProgramOptions options;
  options.workingDirectory = where;
  const ProgramResult result = RunProgram(roots, options);
  ASSERT_EQ(result.exitCode, 0) << result.errors;
}

std::set<std::string> Contents(const std::filesystem::path& root) {
  std::set<std::string> contents;
  std::error_code ignored;
  for (auto entry = std::filesystem::recursive_directory_iterator(
           root, std::filesystem::directory_options::skip_permission_denied, ignored);
       entry != std::filesystem::recursive_directory_iterator(); entry.increment(ignored)) {
    if (entry->is_regular_file(ignored) && !entry->is_symlink(ignored)) {
      contents.insert(ReadWholeFile(entry->path()));
    }
  }
  return contents;
}

void ExpectNothingLost(const std::set<std::string>& before, const std::set<std::string>& after) {
  for (const std::string& content : before) {
    if (after.count(content) == 0) {
      ADD_FAILURE() << "lost a content of " << content.size() << " bytes beginning \""
                    << content.substr(0, 40) << "\"";
      return;
    }
  }
}

void SetAge(const std::filesystem::path& path, int daysAgo) {
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * daysAgo));
}

std::vector<std::filesystem::path> WriteAgedFiles(const std::filesystem::path& root,
                                                  const std::vector<AgedFile>& files) {
  std::vector<std::filesystem::path> paths;
  for (const AgedFile& file : files) {
    const std::filesystem::path path = root / file.path;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << file.bytes;
    SetAge(path, file.age);
    paths.push_back(path);
  }
  return paths;
}

bool SameInode(const std::filesystem::path& first, const std::filesystem::path& second) {
  std::error_code ignored;
  return std::filesystem::equivalent(first, second, ignored);
}

long long LineNumber(const std::string& text, const std::string& line) {
  long long number = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    ++number;
    std::size_t end = text.find('\n', position);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::string current = text.substr(position, end - position);
    if (!current.empty() && current.back() == '\r') {
      current.pop_back();
    }
    if (current == line) {
      return number;
    }
    position = end + 1;
  }
  return 0;
}
