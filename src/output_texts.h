// Every text the program prints or writes. These are output that scripts read, byte for byte:
// the spelling ("Elimating", "discared"), the tabs, the blank lines, "FindFirstFile" on every
// platform and the word "bytes" after a size that already names its unit all stay exactly as
// they are. Formats are printf formats; a path goes in through "%" PATH_ARG.
#pragma once

#include "platform/path_text.h"

/// The report's name, in the working directory.
#define REPORT_FILE_NAME "duplicates.txt"

// The stages, in the order they print.
constexpr char kRootsHeading[] = "Will search for duplicate files in:\n";
constexpr char kRootLine[] = "\t%" PATH_ARG "\n";
constexpr char kWalkHeading[] = "\nCompiling list of all files...\n";
constexpr char kWalkProgressLine[] = "\tFound %d files so far...\n";
constexpr char kWalkTotalsLine[] = "\tFound %d files in %d directories\n";
constexpr char kPruneHeading[] = "\nElimating all files with no possible identical pair...\n";
constexpr char kPruneTotalLine[] = "\t%d potential duplicates remain\n";
constexpr char kHashHeading[] = "\nCalculating file hashes...\n";
constexpr char kHashProgressLine[] = "\tCalculated %d hashes so far (%d%%)...\n";
constexpr char kHashDoneLine[] = "\tDone calculating file hashes\n";
constexpr char kGroupingHeading[] = "\nLooking for duplicate files...\n";
constexpr char kGroupingProgressLine[] =
    "\tFound %d00 duplicate files and discared %d files so far (%d%%)...\n";
constexpr char kSummaryLine[] = "\tFound %d duplicate files wasting a total of %s bytes\n";

// Failures that the run reports and survives: a folder that cannot be listed (named by its
// listing: the folder, a separator and "*"), a listing that ends early, a file that cannot be
// opened for a comparison.
constexpr char kListingFailedLine[] = "FindFirstFile failed: %" PATH_ARG " (%d)\n";
constexpr char kListingEndedLine[] = "FindNextFile failed (%d)\n";
constexpr char kOpenFailedLine[] = "\t***ERROR: Failed to open file: %" PATH_ARG "\n";

// The report: the empty files, then one block per group.
constexpr char kEmptyFilesHeading[] = "Empty Files:\n";
constexpr char kGroupHeading[] = "File Size: %s\n";
constexpr char kReportPathLine[] = "%" PATH_ARG "\n";
constexpr char kBlockEnd[] = "\n";

// The size text of a group's heading and of the summary.
constexpr char kSizeInBytes[] = "%lld bytes";
constexpr char kSizeInKilobytes[] = "%.2f KB";
constexpr char kSizeInMegabytes[] = "%.2f MB";
constexpr char kSizeInGigabytes[] = "%.2f GB";

// Standard error: the one line of a run that ends without a whole report, naming the working
// folder and the reason.
constexpr char kReportFailedLine[] =
    "dupscan: cannot write the report " REPORT_FILE_NAME " in %" PATH_ARG ": %s\n";
constexpr char kReportFailedInNamelessFolderLine[] =
    "dupscan: cannot write the report " REPORT_FILE_NAME
    " in a working folder that has no name: %s\n";
constexpr char kOutOfMemoryLine[] = "dupscan: out of memory\n";
/// No file could be opened even with no other file of the run open: no result could be trusted.
constexpr char kNoDescriptorLine[] =
    "dupscan: no file descriptor is left to open files with, even with no other file open "
    "(see ulimit -n)\n";
constexpr char kUnexpectedFailureLine[] = "dupscan: %s\n";
constexpr char kUnknownFailureLine[] = "dupscan: unexpected failure\n";
