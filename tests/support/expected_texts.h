// What the program prints and writes, typed here again apart from the program's own texts, so
// that a changed text fails a test. Builders for the lines that carry paths and numbers.
#pragma once

#include <string>
#include <vector>

#include "platform/path_text.h"

/// Each byte as the code unit of the same value (Latin-1 on Windows), so a test's non-ASCII name
/// is one unit above every ASCII one on both platforms.
PathString Text(const std::string& text);

/// The inverse of Text for units below 256.
std::string Narrow(const PathString& text);

/// "FindFirstFile failed: <folder><separator>* (<code>)".
std::string ListingFailedLine(const std::string& folder, int code);
std::string OpenFailedLine(const std::string& path);
std::string WalkProgressLine(int files);
std::string HashProgressLine(int hashes, int percent);
std::string GroupingProgressLine(int hundreds, int discarded, int percent);

/// "File Size: <size text>" and its line end.
std::string GroupHeading(const std::string& sizeText);

/// "File Size: <size text>", the paths in the order given, an empty line.
std::string GroupBlockInOrder(const std::string& sizeText, const std::vector<std::string>& paths);

/// The same block with the paths in the program's order (code units as unsigned numbers, which
/// std::string's own order is).
std::string GroupBlock(const std::string& sizeText, std::vector<std::string> paths);

/// "Empty Files:", the paths in the order given, an empty line.
std::string EmptyFilesBlock(const std::vector<std::string>& paths);

/// The one line on standard error of a run without a whole report, in the working folder
/// `folder` as the program prints it (see WorkingFolderAsShown).
std::string ReportFailedLine(const std::string& folder, const std::string& reason);

/// The same line when the working folder has no name (it was deleted).
std::string ReportFailedInNamelessFolderLine(const std::string& reason);

/// The one line on standard error of a run that could open no file even with none other open.
std::string NoDescriptorLine();

/// The one line on standard error of a run that ran out of memory.
std::string OutOfMemoryLine();

/// A run's console, from the counts a test knows.
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

/// The whole console output of a run that reaches its summary.
std::string ExpectedConsole(const ExpectedRun& run);

/// The console output of a run that stops before its summary (its report could not be written).
std::string ExpectedConsoleBeforeSummary(const ExpectedRun& run);

/// "\tFound <duplicates> duplicate files wasting a total of <wasted> bytes" and its line end.
std::string SummaryLine(int duplicates, const std::string& wasted);

/// The start of the walk's totals line, up to the number of directories.
std::string WalkTotalsStart(int files);

/// The start of a listing failure line, before its folder.
std::string ListingFailedStart();

/// Where a run's console holds the grouping's lines: from the end of its heading to the start of
/// the summary line. npos for either when the console has no such text.
std::size_t GroupingLinesStart(const std::string& console);
std::size_t SummaryStart(const std::string& console);
