// Helpers shared by the walker tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/directory_walker.h"
#include "support/temp_tree.h"

/// A walk into a fresh catalogue with its console captured.
struct WalkResult {
  FileCatalogue catalogue;
  std::string console;
  /// The recorded paths of one size, as printed, in the order recorded.
  std::vector<PathString> PathsOfSize(std::int64_t size) const;
};

WalkResult Walk(const std::vector<PathString>& roots);

/// Every regular file below `directory`, depth first in the order std::filesystem lists them:
/// an independent statement of the walk order.
void ListDepthFirst(const std::filesystem::path& directory, const PathString& shownAs,
                    std::vector<PathString>& files);
