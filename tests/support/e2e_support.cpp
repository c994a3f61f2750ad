#include "support/e2e_support.h"

ExpectedRun Counts(const std::vector<std::string>& roots, int files, int directories, int potential,
                   int duplicates, const std::string& wasted) {
  ExpectedRun run;
  run.roots = roots;
  run.files = files;
  run.directories = directories;
  run.potential = potential;
  run.duplicates = duplicates;
  run.wasted = wasted;
  return run;
}

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

std::string ExpectedConsole(const ExpectedRun& run) {
  std::string text = "Will search for duplicate files in:\n";
  for (const std::string& root : run.roots) {
    text += "\t" + root + "\n";
  }
  text += "\nCompiling list of all files...\n" + run.walkLines;
  text += "\tFound " + std::to_string(run.files) + " files in " + std::to_string(run.directories) +
          " directories\n";
  text += "\nElimating all files with no possible identical pair...\n";
  text += "\t" + std::to_string(run.potential) + " potential duplicates remain\n";
  text += "\nCalculating file hashes...\n" + run.hashLines + "\tDone calculating file hashes\n";
  text += "\nLooking for duplicate files...\n" + run.groupingLines;
  text += "\tFound " + std::to_string(run.duplicates) + " duplicate files wasting a total of " +
          run.wasted + " bytes\n";
  return text;
}

ProgramResult RunIn(const std::filesystem::path& where, const std::vector<PathString>& roots) {
  ProgramOptions options;
  options.workingDirectory = where;
  return RunProgram(roots, options);
}

std::string Separator() { return std::string(1, static_cast<char>(kPathSeparator)); }
