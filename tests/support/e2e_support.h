// Running the program on trees a test made, and what it is expected to print.
#pragma once

#include <string>
#include <vector>

#include "support/expected_texts.h"
#include "support/run_program.h"
#include "support/temp_tree.h"
#include "support/walk_support.h"

/// The paths, as printed, of the files below `root` whose names contain `marker`, in walk order.
std::vector<std::string> PathsInWalkOrder(const std::filesystem::path& root,
                                          const std::string& marker);

/// Runs the program on these roots with the working directory `where`.
ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots);

/// The separator as the program prints it.
std::string Separator();
