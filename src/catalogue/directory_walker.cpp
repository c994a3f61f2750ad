#include "catalogue/directory_walker.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "output_texts.h"
#include "platform/directory.h"

namespace {

constexpr std::int32_t kFileProgressInterval = 2000;
// A search pattern adds a separator and "*" to the directory path; the terminator takes one more.
constexpr std::size_t kPatternExtra = 3;

struct ListedEntry {
  std::size_t nameOffset;
  std::size_t nameLength;
  EntryKind kind;
  std::int64_t size;
};

// A directory whose listing was read whole and closed before any of its subdirectories is
// entered: a deep tree then holds no open handles and no call frames, only these records.
struct PendingDirectory {
  PathString path;
  PathString names;  // every entry's name, back to back, so an entry costs no allocation
  std::vector<ListedEntry> entries;
  std::size_t next = 0;
  int endCode = kListingEnd;
};

bool IsDotName(const PathChar* name, std::size_t length) {
  return (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.');
}

// Counts the directory and, when it can be listed, pushes its entries for the walk.
void EnterDirectory(const PathString& path, std::vector<PendingDirectory>& pending,
                    FileCatalogue& catalogue, TextOutput& console) {
  ++catalogue.DirectoryCount;
  int errorCode = 0;
  DirectoryListing* listing = nullptr;
  if (path.size() + kPatternExtra > kPathCapacity) {
    errorCode =
        kPathTooLongCode;  // a root whose pattern would not fit: refused as the system would
  } else {
    listing = OpenListing(path, &errorCode);
  }
  if (listing == nullptr) {
    PrintText(console, kListingFailedLine, SearchPattern(path).c_str(), errorCode);
    return;
  }
  PendingDirectory directory;
  directory.path = path;
  DirectoryEntry entry;
  while (NextEntry(listing, &entry, &errorCode)) {
    if (IsDotName(entry.name, entry.nameLength)) {
      continue;
    }
    directory.entries.push_back(
        ListedEntry{directory.names.size(), entry.nameLength, entry.kind, entry.size});
    directory.names.append(entry.name, entry.nameLength);
  }
  directory.endCode = errorCode;
  CloseListing(listing);
  pending.push_back(std::move(directory));
}

bool FitsCapacity(const PathString& child, EntryKind kind) {
  const std::size_t needed = child.size() + (kind == EntryKind::kDirectory ? kPatternExtra : 1);
  return needed <= kPathCapacity;
}

}  // namespace

void ScanDirectory(const PathString& root, FileCatalogue& catalogue, TextOutput& console) {
  std::vector<PendingDirectory> pending;
  EnterDirectory(root, pending, catalogue, console);
  PathString child;
  while (!pending.empty()) {
    PendingDirectory& directory = pending.back();
    if (directory.next == directory.entries.size()) {
      if (directory.endCode != kListingEnd) {
        PrintText(console, kListingEndedLine, directory.endCode);
      }
      pending.pop_back();
      continue;
    }
    const ListedEntry entry = directory.entries[directory.next++];
    child.assign(directory.path);
    child.push_back(kPathSeparator);
    child.append(directory.names, entry.nameOffset, entry.nameLength);
    if (!FitsCapacity(child, entry.kind)) {
      const PathString name = directory.names.substr(entry.nameOffset, entry.nameLength);
      PrintText(console, "Path too long, skipped %" PATH_ARG " in %" PATH_ARG "\n", name.c_str(),
                directory.path.c_str());
      continue;
    }
    if (entry.kind == EntryKind::kDirectory) {
      EnterDirectory(child, pending, catalogue, console);  // `directory` may move: not used again
      continue;
    }
    AddFileRecord(catalogue, entry.size, child);
    ++catalogue.FileCount;
    if (catalogue.FileCount % kFileProgressInterval == 0) {
      PrintText(console, kWalkProgressLine, catalogue.FileCount);
    }
  }
}
