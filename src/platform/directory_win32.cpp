// Windows directory listing: FindFirstFileExW/FindNextFileW for the entries, a handle on the
// folder for its identity; only this file sees WIN32_FIND_DATAW.
#include "platform/directory.h"

#include <windows.h>

#include "platform/attribute_handle_win32.h"
#include "platform/file_state_win32.h"
#include "platform/system_path_win32.h"

struct DirectoryListing {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW record;
  bool firstPending = false;  // FindFirstFileExW's entry, not yet delivered
  FileIdentity identity;
  bool others = false;  // links delivered too
};

namespace {

bool IsDotName(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

void Describe(const WIN32_FIND_DATAW& record, DirectoryEntry* entry) {
  entry->name = record.cFileName;
  entry->nameLength = wcslen(record.cFileName);
  entry->identity = FileIdentity();  // a listing carries no file index
  entry->severalNames = false;
  if ((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    entry->kind = EntryKind::kDirectory;
    entry->size = 0;
  } else {
    entry->kind = EntryKind::kFile;
    entry->size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(record.nFileSizeHigh) << 32) | record.nFileSizeLow);
  }
}

// The identity of the folder at `folder`, from a handle opened only to ask for it. A folder met
// in a listing is opened as itself, not as what a link in its place points to, and refused if it
// has become a link. A root, the one folder whose link is followed, is opened with a separator
// after it: the root of a drive is "\\?\Y:" without one, and that names the volume, not its
// root folder. Under wine that open was refused ("Z:\" could not be walked) or answered with
// another object's identity, so beside the folder a mapped drive stands for, every file directly
// in its root was its own copy. Returns 0, or the system's code.
DWORD IdentifyFolder(const PathString& folder, bool followLink, FileIdentity* identity) {
  const HANDLE handle =
      OpenForAttributes(followLink ? folder + kPathSeparator : folder, followLink);
  if (handle == INVALID_HANDLE_VALUE) {
    return GetLastError();
  }
  BY_HANDLE_FILE_INFORMATION information;
  FILE_ATTRIBUTE_TAG_INFO tag;
  DWORD result = 0;
  if (!followLink && GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
      IsLinkTag(tag.FileAttributes, tag.ReparseTag)) {
    result = ERROR_CANT_RESOLVE_FILENAME;
  } else if (GetFileInformationByHandle(handle, &information)) {
    *identity = IdentityOf(information);
  }
  CloseHandle(handle);
  return result;
}

DirectoryListing* OpenListing(const PathString& folder, bool followLink, int* errorCode) {
  DirectoryListing* listing = new DirectoryListing;
  // FindExInfoBasic skips the short 8.3 name nobody reads, and the large fetch asks for many
  // entries per call: both make a listing cheaper, neither changes what it delivers.
  listing->handle =
      FindFirstFileExW(SystemPath(ListingName(folder)).c_str(), FindExInfoBasic, &listing->record,
                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  DWORD reason = listing->handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (reason == 0) {
    reason = IdentifyFolder(folder, followLink, &listing->identity);
    if (reason != 0) {
      FindClose(listing->handle);
    }
  }
  if (reason != 0) {
    *errorCode = static_cast<int>(reason);
    delete listing;
    return nullptr;
  }
  listing->firstPending = true;
  return listing;
}

bool IsSeparator(wchar_t character) { return character == L'\\' || character == L'/'; }

PathString WithoutTrailingSeparators(PathString path) {
  while (path.size() > 1 && path.back() == kPathSeparator) {
    path.pop_back();
  }
  return path;
}

}  // namespace

DirectoryListing* OpenRootListing(const PathString& root, int* errorCode) {
  return OpenListing(root, true, errorCode);
}

DirectoryListing* OpenFolderListing(const PathString& folder, const FileIdentity&, int* errorCode) {
  return OpenListing(folder, false, errorCode);
}

FileIdentity ListedFolderIdentity(const DirectoryListing* listing) { return listing->identity; }

// None: NTFS's file index holds a sequence number that grows each time its record is used again,
// so a folder made in place of one deleted during the walk already has another identity.
std::uint64_t ListedFolderGeneration(const DirectoryListing*) { return 0; }

bool NextEntry(DirectoryListing* listing, DirectoryEntry* entry, int* errorCode) {
  for (;;) {
    if (listing->firstPending) {
      listing->firstPending = false;
    } else if (!FindNextFileW(listing->handle, &listing->record)) {
      const DWORD reason = GetLastError();
      *errorCode = reason == ERROR_NO_MORE_FILES ? 0 : static_cast<int>(reason);
      return false;
    }
    const WIN32_FIND_DATAW& record = listing->record;
    if (IsDotName(record.cFileName)) {
      continue;
    }
    Describe(record, entry);
    if (IsLinkTag(record.dwFileAttributes, record.dwReserved0)) {
      if (!listing->others) {
        continue;
      }
      entry->kind = EntryKind::kOther;
    }
    return true;
  }
}

void ListOtherEntries(DirectoryListing* listing) { listing->others = true; }

void CloseListing(DirectoryListing* listing) {
  FindClose(listing->handle);
  delete listing;
}

FileIdentity WorkingFolderIdentity() {
  FileIdentity identity;
  IdentifyFolder(WithoutTrailingSeparators(VerbatimPath(L".")), true, &identity);
  return identity;
}

int LoopErrorCode() { return ERROR_CANT_RESOLVE_FILENAME; }

bool IsNoDescriptorCode(int errorCode) { return errorCode == ERROR_TOO_MANY_OPEN_FILES; }

PathString ListingName(const PathString& folder) { return folder + kPathSeparator + L'*'; }

PathString SystemRootPath(const PathString& typed) {
  // The folder that the root and a separator name, as the listing of "root\*" always meant:
  // "C:" is the root of drive C, "C:t" is t in C's current folder, "" the current drive's root,
  // "t." is t (Win32 drops a trailing dot from a name that a separator follows; a folder named
  // "t." is reached as a name a listing gives). A root that ends in a separator has one already:
  // "\" and another would start a UNC path.
  const bool ended = !typed.empty() && IsSeparator(typed.back());
  return WithoutTrailingSeparators(VerbatimPath(ended ? typed : typed + L'\\'));
}

PathString ShownRootPath(const PathString& typed) {
  // "\" and a separator would print "\\sub\r2", a network share, and a "\\?\" path takes a
  // doubled separator literally: both would name another file than the one read.
  if (typed.size() == 1 && IsSeparator(typed[0])) {
    return PathString();
  }
  if (typed.compare(0, 4, L"\\\\?\\") == 0) {
    return WithoutTrailingSeparators(typed);
  }
  return typed;
}
