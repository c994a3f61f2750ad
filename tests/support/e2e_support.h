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

/// A run's expected counts; the lines default to none.
ExpectedRun Counts(const std::vector<std::string>& roots, int files, int directories, int potential,
                   int duplicates = 0, const std::string& wasted = "0 bytes");

/// The report's lines for the files below `root` whose names contain `marker`, in walk order.
std::string LinesInWalkOrder(const std::filesystem::path& root, const std::string& marker);

/// The whole console output of a run that reaches its summary.
std::string ExpectedConsole(const ExpectedRun& run);

/// Runs the program on these roots with the working directory `where`.
ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots);

/// The separator as the program prints it.
std::string Separator();
