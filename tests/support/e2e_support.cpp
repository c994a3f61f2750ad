#include "support/e2e_support.h"

std::string LinesInWalkOrder(const std::filesystem::path& root, const std::string& marker) {
  std::vector<PathString> walkOrder;
  ListDepthFirst(root, NativeText(root), walkOrder);
  std::string lines;
  for (const PathString& path : walkOrder) {
    const std::string printed = PrintedText(path);
    if (printed.find(marker, PrintedText(root).size()) != std::string::npos) {
      lines += printed + "\n";
    }
  }
  return lines;
}

ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots) {
  ProgramOptions options;
  options.workingDirectory = where;
  return RunProgram(roots, options);
}

std::string Separator() { return std::string(1, static_cast<char>(kPathSeparator)); }
