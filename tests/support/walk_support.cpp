#include "support/walk_support.h"

std::vector<PathString> WalkResult::PathsOfSize(std::int64_t size) const {
  std::vector<PathString> paths;
  for (const FoundFile& file : catalogue.found) {
    if (file.size == size) {
      paths.push_back(ShownPath(catalogue.places, FileRecord{file.path, ZeroFingerprint}));
    }
  }
  return paths;
}

WalkResult Walk(const std::vector<PathString>& roots) {
  WalkResult result;
  TextOutput console;
  console.stream = std::tmpfile();
  for (const PathString& root : roots) {
    ScanDirectory(root, result.catalogue, console);
  }
  result.console = StreamContent(console.stream);
  std::fclose(console.stream);
  return result;
}

void ListDepthFirst(const std::filesystem::path& directory, const PathString& shownAs,
                    std::vector<PathString>& files) {
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    const PathString child = shownAs + kPathSeparator + entry.path().filename().native();
    if (entry.is_symlink()) {
      continue;
    }
    if (entry.is_directory()) {
      ListDepthFirst(entry.path(), child, files);
    } else if (entry.is_regular_file()) {
      files.push_back(child);
    }
  }
}
