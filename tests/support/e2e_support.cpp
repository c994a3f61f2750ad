#include "support/e2e_support.h"

std::vector<std::string> PathsInWalkOrder(const std::filesystem::path& root,
                                          const std::string& marker) {
  std::vector<PathString> walkOrder;
  ListDepthFirst(root, NativeText(root), walkOrder);
  std::vector<std::string> paths;
  for (const PathString& path : walkOrder) {
    const std::string printed = PrintedText(path);
    if (printed.find(marker, PrintedText(root).size()) != std::string::npos) {
      paths.push_back(printed);
    }
  }
  return paths;
}

bool RunsSlowly() {
#if defined(DUPSCAN_SANITIZED_BUILD)
  return true;
#else
  return RunningUnderWine() || RunningUnderEmulator();
#endif
}

ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots,
                    ProgramOptions options) {
  options.workingDirectory = where;
  return RunProgram(roots, options);
}

ProgramResult RunOn(const TempTree& tree, const std::filesystem::path& root,
                    const ProgramOptions& options) {
  return RunIn(tree.root(), {NativeText(root)}, options);
}

std::string Separator() { return std::string(1, static_cast<char>(kPathSeparator)); }
