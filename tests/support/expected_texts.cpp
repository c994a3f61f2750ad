#include "support/expected_texts.h"

#include <algorithm>

PathString Text(const std::string& text) {
  PathString units;
  for (const char byte : text) {
    units.push_back(static_cast<PathChar>(static_cast<unsigned char>(byte)));
  }
  return units;
}

std::string Narrow(const PathString& text) {
  std::string bytes;
  for (const PathChar unit : text) {
    bytes.push_back(static_cast<char>(unit));
  }
  return bytes;
}

std::string ListingFailedLine(const std::string& folder, int code) {
  return ListingFailedStart() + folder + static_cast<char>(kPathSeparator) + "* (" +
         std::to_string(code) + ")\n";
}

std::string OpenFailedLine(const std::string& path) {
  return "\t***ERROR: Failed to open file: " + path + "\n";
}

std::string WalkProgressLine(int files) {
  return "\tFound " + std::to_string(files) + " files so far...\n";
}

std::string HashProgressLine(int hashes, int percent) {
  return "\tCalculated " + std::to_string(hashes) + " hashes so far (" + std::to_string(percent) +
         "%)...\n";
}

std::string GroupingProgressLine(int hundreds, int discarded, int percent) {
  return "\tFound " + std::to_string(hundreds) + "00 duplicate files and discared " +
         std::to_string(discarded) + " files so far (" + std::to_string(percent) + "%)...\n";
}

std::string GroupHeading(const std::string& sizeText) { return "File Size: " + sizeText + "\n"; }

std::string GroupBlockInOrder(const std::string& sizeText, const std::vector<std::string>& paths) {
  std::string block = GroupHeading(sizeText);
  for (const std::string& path : paths) {
    block += path + "\n";
  }
  return block + "\n";
}

std::string GroupBlock(const std::string& sizeText, std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  return GroupBlockInOrder(sizeText, paths);
}

std::string EmptyFilesBlock(const std::vector<std::string>& paths) {
  std::string block = "Empty Files:\n";
  for (const std::string& path : paths) {
    block += path + "\n";
  }
  return block + "\n";
}

std::string ReportFailedLine(const std::string& folder, const std::string& reason) {
  return "dupscan: cannot write the report duplicates.txt in " + folder + ": " + reason + "\n";
}

std::string ReportFailedInNamelessFolderLine(const std::string& reason) {
  return "dupscan: cannot write the report duplicates.txt in a working folder that has no name: " +
         reason + "\n";
}

std::string OutOfMemoryLine() { return "dupscan: out of memory\n"; }

std::string NoDescriptorLine() {
  return "dupscan: no file descriptor is left to open files with, even with no other file open "
         "(see ulimit -n)\n";
}

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

namespace {

constexpr char kGroupingHeading[] = "\nLooking for duplicate files...\n";
// The walk's totals, the grouping's progress and the summary all begin so; the summary last.
constexpr char kFound[] = "\tFound ";

}  // namespace

std::string ExpectedConsoleBeforeSummary(const ExpectedRun& run) {
  std::string text = "Will search for duplicate files in:\n";
  for (const std::string& root : run.roots) {
    text += "\t" + root + "\n";
  }
  text += "\nCompiling list of all files...\n" + run.walkLines;
  text += WalkTotalsStart(run.files) + std::to_string(run.directories) + " directories\n";
  text += "\nElimating all files with no possible identical pair...\n";
  text += "\t" + std::to_string(run.potential) + " potential duplicates remain\n";
  text += "\nCalculating file hashes...\n" + run.hashLines + "\tDone calculating file hashes\n";
  return text + kGroupingHeading + run.groupingLines;
}

std::string ExpectedConsole(const ExpectedRun& run) {
  return ExpectedConsoleBeforeSummary(run) + SummaryLine(run.duplicates, run.wasted);
}

std::string SummaryLine(int duplicates, const std::string& wasted) {
  return kFound + std::to_string(duplicates) + " duplicate files wasting a total of " + wasted +
         " bytes\n";
}

std::string WalkTotalsStart(int files) { return kFound + std::to_string(files) + " files in "; }

std::string ListingFailedStart() { return "FindFirstFile failed: "; }

std::size_t GroupingLinesStart(const std::string& console) {
  const std::size_t heading = console.find(kGroupingHeading);
  return heading == std::string::npos ? heading : heading + sizeof kGroupingHeading - 1;
}

std::size_t SummaryStart(const std::string& console) { return console.rfind(kFound); }
