// What a run of the program is expected to print, built from the counts a test knows.
#pragma once

#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_tree.h"
#include "support/walk_support.h"

struct ExpectedRun {
  std::vector<std::string> roots;  ///< as listed
  std::string walkLines;           ///< lines the walk prints (failures, progress)
  int files = 0;
  int directories = 0;
  int potential = 0;
  std::string hashLines;
  std::string groupingLines;  ///< comparison failures, progress
  int duplicates = 0;
  std::string wasted = "0 bytes";
};

/// The whole console output of a run that reaches its summary.
std::string ExpectedConsole(const ExpectedRun& run);

/// Runs the program on these roots with the working directory `where`.
ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots);

/// The separator as the program prints it.
std::string Separator();
