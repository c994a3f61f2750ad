#include "driver/run_search.h"

#include <type_traits>
#include <unordered_set>
#include <vector>

#include "catalogue/directory_walker.h"
#include "catalogue/size_catalogue.h"
#include "content/compare_files.h"
#include "content/content_digest.h"
#include "content/content_fingerprint.h"
#include "grouping/duplicate_grouping.h"
#include "output_texts.h"
#include "platform/directory.h"
#include "platform/environment.h"
#include "platform/readable_file.h"
#include "platform/report_file.h"
#include "report/format_size.h"
#include "report/report_writer.h"

namespace {

// The roots of the search, in the order given: each walked in turn, and printed as typed.
using SearchRoots = std::vector<PathString>;

const PathChar* const DefaultRoots[] = {
    PATH_TEXT(PROFILE_FOLDER "Pictures"),
    PATH_TEXT(PROFILE_FOLDER "Desktop"),
    PATH_TEXT(PROFILE_FOLDER "Documents"),
    PATH_TEXT(PROFILE_FOLDER "Downloads"),
};

constexpr std::int32_t kHashProgressInterval = 1000;
constexpr std::int64_t kPercent = 100;
constexpr unsigned kFirstPrintable = 0x20;
constexpr unsigned kDelete = 0x7f;

// The folder as the system names it, on the failure's one line: a line feed or another control
// character in a name is shown as '?'.
PathString OnOneLine(PathString text) {
  for (PathChar& unit : text) {
    const auto code = static_cast<std::make_unsigned_t<PathChar>>(unit);
    if (code < kFirstPrintable || code == kDelete) {
      unit = '?';
    }
  }
  return text;
}

void PrintReportFailure(int errorCode) {
  const PathString folder = WorkingFolderName();
  if (folder.empty()) {
    PrintFailure(kReportFailedInNamelessFolderLine, ErrorText(errorCode).c_str());
  } else {
    PrintFailure(kReportFailedLine, OnOneLine(folder).c_str(), ErrorText(errorCode).c_str());
  }
}

// Every root is expanded and listed before the first one is walked.
SearchRoots ListRoots(std::int32_t count, PathChar** arguments, TextOutput& console) {
  SearchRoots roots;
  if (count < 2) {
    for (const PathChar* root : DefaultRoots) {
      roots.push_back(ExpandEnvironment(root));
    }
  } else {
    for (std::int32_t index = 1; index < count; ++index) {
      roots.push_back(ExpandEnvironment(arguments[index]));
    }
  }
  PrintText(console, kRootsHeading);
  for (const PathString& root : roots) {
    PrintText(console, kRootLine, root.c_str());
  }
  return roots;
}

// The file the walk listed under a path it kept: every path the run opens after the walk is one
// of the catalogue's.
FileIdentity ListedFile(const void* context, const PathChar* path) {
  const WalkPlaces& places = *static_cast<const WalkPlaces*>(context);
  return KeptFileIdentity(path, places.folders[KeptFolder(path)].identity.volume);
}

// While it lives, a file is read only if it is the one the walk listed under its path: a folder
// on the path swapped for a link since would have another file read, even one the user may not
// read, and reported as a copy under the listed name.
class ListedFilesOnly {
 public:
  explicit ListedFilesOnly(const WalkPlaces& places) { SetListedFileLookup(ListedFile, &places); }
  ~ListedFilesOnly() { SetListedFileLookup(nullptr, nullptr); }
  ListedFilesOnly(const ListedFilesOnly&) = delete;
  ListedFilesOnly& operator=(const ListedFilesOnly&) = delete;
};

// False when the walk stopped for want of a file descriptor.
bool WalkRoots(const SearchRoots& roots, FileCatalogue& catalogue, TextOutput& console) {
  PrintText(console, kWalkHeading);
  catalogue.places.workingFolder = WorkingFolderIdentity();
  for (const PathString& root : roots) {
    if (!ScanDirectory(root, catalogue, console)) {
      return false;
    }
  }
  NoteRepeatedFolders(catalogue.places);
  PrintText(console, kWalkTotalsLine, catalogue.counters.FileCount,
            catalogue.counters.DirectoryCount);
  return true;
}

void DropUniqueSizes(FileCatalogue& catalogue, TextOutput& console) {
  PrintText(console, kPruneHeading);
  PruneUniqueSizes(catalogue);
  PrintText(console, kPruneTotalLine, catalogue.counters.FileCount);
}

// False when the stage stopped for want of a file descriptor.
bool FingerprintAll(FileCatalogue& catalogue, TextOutput& console, const SearchSettings& settings) {
  PrintText(console, kHashHeading);
  const std::vector<FileRecord*> records = RecordsByFolder(catalogue);
  SizeCatalogue& sizes = catalogue.sizes;
  // Only files of up to a digest's first block are read whole.
  MakeRoomForWholeDigests(
      sizes, settings.plainGrouping ? 0 : static_cast<std::int64_t>(kFirstDigestBlock));
  const auto jobAt = [&](std::size_t index) {
    FileRecord& record = *records[index];
    return FingerprintJob{record.path, ClassOf(sizes, record).size, &record.fingerprint,
                          WholeDigestSlot(sizes, record), KeptFileMetBefore(record.path)};
  };
  std::int32_t HashCount = 0;
  const bool done = FingerprintFiles(records.size(), jobAt, [&]() {
    ++HashCount;
    if (HashCount % kHashProgressInterval == 0) {
      const std::int64_t percent = HashCount * kPercent / catalogue.counters.FileCount;
      PrintText(console, kHashProgressLine, HashCount, static_cast<int>(percent));
    }
  });
  if (done) {
    PrintText(console, kHashDoneLine);
  }
  return done;
}

// An empty file reached twice (a root given twice, one root inside another) is one file: it is
// listed once, where the walk first met it. The section is there only for two or more files, so
// a lone empty file reached twice gives none, as if it had been reached once.
void WriteEmptyFileList(FileCatalogue& catalogue, TextOutput& reportStream) {
  const std::vector<FileRecord> emptyFiles = TakeEmptyFiles(catalogue);
  std::unordered_set<EntryKey, EntryKeyHash> listed;
  std::vector<PathString> paths;
  for (const FileRecord& record : emptyFiles) {
    if (catalogue.places.foldersRepeat &&
        !listed.insert(EntryOf(catalogue.places, record)).second) {
      continue;
    }
    paths.push_back(ShownPath(catalogue.places, record));
  }
  if (paths.size() >= 2) {
    WriteEmptyFiles(reportStream, paths);
  }
}

// Sets `outOfDescriptors` when the stage stopped for want of a file descriptor.
GroupingTotals GroupAll(const FileCatalogue& catalogue, TextOutput& reportStream,
                        TextOutput& console, const SearchSettings& settings,
                        bool* outOfDescriptors) {
  GroupingRun run;
  run.reportStream = &reportStream;
  run.console = &console;
  run.fileCount = catalogue.counters.FileCount;
  run.compare = CompareWithReference;
  if (!settings.plainGrouping) {
    run.digest = ExtendContentDigest;
  }
  run.wholeDigestHolds = WholeDigestHolds;
  run.places = &catalogue.places;
  for (const SizeClass& sizeClass : catalogue.sizes.classes) {
    GroupSizeClass(ViewOf(catalogue.sizes, sizeClass), run);
    if (run.outOfDescriptors) {
      break;
    }
  }
  *outOfDescriptors = run.outOfDescriptors;
  return run.totals;
}

}  // namespace

std::int32_t RunSearch(std::int32_t count, PathChar** arguments, TextOutput& console,
                       const SearchSettings& settings) {
  // Fail before the walk, not after an hour of hashing, when the report could not be written.
  const PathChar* const reportName = PATH_TEXT(REPORT_FILE_NAME);
  if (const int errorCode = CheckReportWritable(reportName)) {
    PrintReportFailure(errorCode);
    return 1;
  }
  const SearchRoots roots = ListRoots(count, arguments, console);
  // A stage that could open no file even with no other file open has no result to give: its
  // report would be empty or wrong, and would replace a good one.
  FileCatalogue catalogue;
  if (!WalkRoots(roots, catalogue, console)) {
    PrintFailure(kNoDescriptorLine);
    return 1;
  }
  const ListedFilesOnly listedFilesOnly(catalogue.places);
  DropUniqueSizes(catalogue, console);
  if (!FingerprintAll(catalogue, console, settings)) {
    PrintFailure(kNoDescriptorLine);
    return 1;
  }

  PrintText(console, kGroupingHeading);
  ReportFile report;
  if (const int errorCode = CreateReport(reportName, &report)) {
    PrintReportFailure(errorCode);
    return 1;
  }
  TextOutput& reportStream = report.text;
  WriteEmptyFileList(catalogue, reportStream);
  bool outOfDescriptors = false;
  const GroupingTotals totals =
      GroupAll(catalogue, reportStream, console, settings, &outOfDescriptors);
  if (outOfDescriptors) {
    PrintFailure(kNoDescriptorLine);
    return 1;  // the report's temporary goes with `report`
  }

  // The report takes the earlier one's place only when whole, and before the summary, so a
  // report that is not whole, because a write, the close or the rename failed, is never followed
  // by a summary that reads like success; the earlier report then stays as it was.
  if (const int errorCode = FinishReport(&report)) {
    PrintReportFailure(errorCode);
    return 1;
  }
  PrintText(console, kSummaryLine, totals.DuplicateCount, FormatSize(totals.WastedBytes).c_str());
  return 0;
}
