// dupscan-tidy run in the test's own process on a report the test writes: what a stage decided
// shows in the console, without a run of the program for each case.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/path_text.h"

/// A group block of the report for `files`, which the test made: the first file's size as
/// dupscan writes it, then the paths as ReportPath spells them.
std::string ReportGroup(const std::vector<std::filesystem::path>& files);

/// The path as ReportGroup writes it and dupscan-tidy prints it: with the system's separators.
std::string ReportPath(const std::filesystem::path& path);

/// Writes `blocks` as the report `report`, then runs the command line `arguments` (without the
/// program's name; --report is added) on it. Returns the console's text; the exit status in
/// `status`.
std::string RunTidyOnReport(const std::filesystem::path& report, const std::string& blocks,
                            const std::vector<PathString>& arguments, int* status = nullptr);
