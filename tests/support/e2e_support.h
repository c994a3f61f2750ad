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

/// Runs the program on these roots with the working directory `where`, and the other options
/// as given.
ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots,
                    ProgramOptions options = ProgramOptions());

/// Runs the program on one root, in the tree's own folder.
ProgramResult RunOn(const TempTree& tree, const std::filesystem::path& root,
                    const ProgramOptions& options = ProgramOptions());

/// The separator as the program prints it.
std::string Separator();
