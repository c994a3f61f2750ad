// Windows directory listing: FindFirstFileExW/FindNextFileW; only this file sees WIN32_FIND_DATAW.
#include "platform/directory.h"

#include <windows.h>

#include "platform/system_path_win32.h"

const int kPathTooLongCode = ERROR_FILENAME_EXCED_RANGE;

struct DirectoryListing {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW record;
  bool firstPending = false;  // FindFirstFileExW's entry, not yet delivered
};

namespace {

// Symbolic links and junctions to folders carry the directory bit, and following them can
// lead back into the tree (Documents holds "My Music", "My Pictures" and "My Videos", junctions
// that every listing refuses). They are skipped like links on POSIX. Other reparse points stay:
// cloud placeholders (OneDrive's Desktop, Documents and Pictures) and deduplicated files are
// ordinary files to their owner.
bool IsLink(const WIN32_FIND_DATAW& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         IsReparseTagNameSurrogate(record.dwReserved0);
}

void Describe(const WIN32_FIND_DATAW& record, DirectoryEntry* entry) {
  entry->name = record.cFileName;
  entry->nameLength = wcslen(record.cFileName);
  if ((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    entry->kind = EntryKind::kDirectory;
    entry->size = 0;
  } else {
    entry->kind = EntryKind::kFile;
    entry->size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(record.nFileSizeHigh) << 32) | record.nFileSizeLow);
  }
}

}  // namespace

DirectoryListing* OpenListing(const PathString& directory, int* errorCode) {
  DirectoryListing* listing = new DirectoryListing;
  // FindExInfoBasic skips the short 8.3 name nobody reads, and the large fetch asks for many
  // entries per call: both make a listing cheaper, neither changes what it delivers.
  listing->handle =
      FindFirstFileExW(SystemPath(SearchPattern(directory)).c_str(), FindExInfoBasic,
                       &listing->record, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (listing->handle == INVALID_HANDLE_VALUE) {
    *errorCode = static_cast<int>(GetLastError());
    delete listing;
    return nullptr;
  }
  listing->firstPending = true;
  return listing;
}

bool NextEntry(DirectoryListing* listing, DirectoryEntry* entry, int* errorCode) {
  for (;;) {
    if (listing->firstPending) {
      listing->firstPending = false;
    } else if (!FindNextFileW(listing->handle, &listing->record)) {
      const DWORD reason = GetLastError();
      *errorCode = reason == ERROR_NO_MORE_FILES ? kListingEnd : static_cast<int>(reason);
      return false;
    }
    if (!IsLink(listing->record)) {
      Describe(listing->record, entry);
      return true;
    }
  }
}

void CloseListing(DirectoryListing* listing) {
  FindClose(listing->handle);
  delete listing;
}
