// Directory enumeration: what a walker may know of a directory listing.
#pragma once

#include <cstdint>

#include "platform/path_text.h"

/// What the listing reports about one entry. Entries that are neither (links, FIFOs, sockets,
/// devices) are never delivered: opening one could hang or never end.
enum class EntryKind { kDirectory, kFile };

struct DirectoryEntry {
  const PathChar* name = nullptr;  ///< valid until the next call on the same listing
  std::size_t nameLength = 0;
  EntryKind kind = EntryKind::kFile;
  std::int64_t size = 0;  ///< bytes, for files
};

/// The normal end of a listing; every other code is the platform's own error number.
constexpr int kListingEnd = -1;

/// The platform's code for a path longer than it accepts.
extern const int kPathTooLongCode;

struct DirectoryListing;

/// Opens the listing of `directory` (a full path without a trailing pattern). Returns nullptr and
/// sets `errorCode` (errno on POSIX, GetLastError on Windows) when it cannot be listed.
DirectoryListing* OpenListing(const PathString& directory, int* errorCode);

/// Fills `entry` with the next entry, "." and ".." included where the platform lists them.
/// Returns false at the end: `errorCode` is kListingEnd for the normal end, else the error.
bool NextEntry(DirectoryListing* listing, DirectoryEntry* entry, int* errorCode);

void CloseListing(DirectoryListing* listing);

/// The pattern that names the listing of `directory` in messages: directory, separator, "*".
inline PathString SearchPattern(const PathString& directory) {
  PathString pattern = directory;
  pattern.push_back(kPathSeparator);
  pattern.push_back(PathChar('*'));
  return pattern;
}
