#include "catalogue/directory_walker.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "output_texts.h"
#include "platform/directory.h"
#include "platform/report_file.h"

namespace {

constexpr std::int32_t kFileProgressInterval = 2000;

struct ListedEntry {
  std::size_t nameOffset;
  std::size_t nameLength;
  EntryKind kind;
  bool severalNames;
  std::int64_t size;
  FileIdentity identity;
};

// A folder whose listing was read whole and closed before any of its subfolders is entered: a
// deep tree then holds no open handles and no call frames, only these records. The records on
// the stack are the path from the root to the folder being walked.
struct PendingFolder {
  PathString path;  // as the system takes it
  FileIdentity identity;
  std::uint32_t number = 0;  // in the catalogue's listed folders
  PathString names;          // every entry's name, back to back, so an entry costs no allocation
  std::vector<ListedEntry> entries;
  std::size_t next = 0;
  int endCode = 0;
};

// The walk of one root: where it started and what it still has to list.
struct Walk {
  std::uint32_t root = 0;
  std::vector<PendingFolder> pending;
  FileCatalogue& catalogue;
  TextOutput& console;
  bool outOfDescriptors = false;
};

bool IsOnPathFromRoot(const Walk& walk, const FileIdentity& identity) {
  for (const PendingFolder& ancestor : walk.pending) {
    if (SameFile(ancestor.identity, identity)) {
      return true;
    }
  }
  return false;
}

void PrintListingFailure(const Walk& walk, const PathString& path, int errorCode) {
  const SearchRoot& root = walk.catalogue.places.roots[walk.root];
  PrintText(walk.console, kListingFailedLine, ListingName(ShownPath(root, path)).c_str(),
            errorCode);
}

// The report in the working folder is the run's own output, about to be replaced: listed with
// its copies, it made a saved copy of the earlier report look like a spare one.
bool IsTheReport(const Walk& walk, const PendingFolder& folder, const DirectoryEntry& entry) {
  return entry.kind == EntryKind::kFile &&
         SameFile(folder.identity, walk.catalogue.places.workingFolder) &&
         IsReportFile(PATH_TEXT(REPORT_FILE_NAME), folder.path, entry.name, entry.nameLength);
}

void ReadListing(const Walk& walk, DirectoryListing* listing, PendingFolder& folder) {
  DirectoryEntry entry;
  while (NextEntry(listing, &entry, &folder.endCode)) {
    if (IsTheReport(walk, folder, entry)) {
      continue;
    }
    folder.entries.push_back(ListedEntry{folder.names.size(), entry.nameLength, entry.kind,
                                         entry.severalNames, entry.size, entry.identity});
    folder.names.append(entry.name, entry.nameLength);
  }
}

// Counts the folder and, when it can be listed, pushes its entries for the walk. `listed` is the
// identity its parent's listing saw; a root has none.
void EnterFolder(Walk& walk, const PathString& path, const FileIdentity* listed) {
  FileCatalogue& catalogue = walk.catalogue;
  ++catalogue.counters.DirectoryCount;
  int errorCode = 0;
  DirectoryListing* listing = listed == nullptr ? OpenRootListing(path, &errorCode)
                                                : OpenFolderListing(path, *listed, &errorCode);
  if (listing != nullptr && IsOnPathFromRoot(walk, ListedFolderIdentity(listing))) {
    // A bind mount or junction back into its own tree would be walked again and again until the
    // path limit: three files gave 160 duplicates.
    CloseListing(listing);
    listing = nullptr;
    errorCode = LoopErrorCode();
  }
  if (listing == nullptr && IsNoDescriptorCode(errorCode)) {
    walk.outOfDescriptors = true;
    return;
  }
  if (listing == nullptr) {
    PrintListingFailure(walk, path, errorCode);
    return;
  }
  PendingFolder folder;
  folder.path = path;
  folder.identity = ListedFolderIdentity(listing);
  folder.number = AddListedFolder(
      catalogue.places, ListedFolder{folder.identity, walk.root, ListedFolderGeneration(listing)});
  ReadListing(walk, listing, folder);
  CloseListing(listing);
  walk.pending.push_back(std::move(folder));
}

void RecordFile(Walk& walk, const PathString& path, const ListedEntry& entry,
                std::uint32_t folder) {
  FileCatalogue& catalogue = walk.catalogue;
  AddFileRecord(catalogue, entry.size, path, folder, entry.identity, entry.severalNames);
  if (catalogue.counters.FileCount % kFileProgressInterval == 0) {
    PrintText(walk.console, kWalkProgressLine, catalogue.counters.FileCount);
  }
}

}  // namespace

bool ScanDirectory(const PathString& root, FileCatalogue& catalogue, TextOutput& console) {
  Walk walk{AddSearchRoot(catalogue.places, root), {}, catalogue, console};
  EnterFolder(walk, catalogue.places.roots[walk.root].system, nullptr);
  PathString child;
  while (!walk.pending.empty() && !walk.outOfDescriptors) {
    PendingFolder& folder = walk.pending.back();
    if (folder.next == folder.entries.size()) {
      if (folder.endCode != 0) {
        PrintText(console, kListingEndedLine, folder.endCode);
      }
      walk.pending.pop_back();
      continue;
    }
    const ListedEntry entry = folder.entries[folder.next++];
    child.assign(folder.path);
    child.push_back(kPathSeparator);
    child.append(folder.names, entry.nameOffset, entry.nameLength);
    if (entry.kind == EntryKind::kDirectory) {
      EnterFolder(walk, child, &entry.identity);  // `folder` may move: not used again
    } else {
      RecordFile(walk, child, entry, folder.number);
    }
  }
  return !walk.outOfDescriptors;
}
