// POSIX directory listing: opendir/readdir, entries sized with fstatat relative to the listing.
#include "platform/directory.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

const int kPathTooLongCode = ENAMETOOLONG;

struct DirectoryListing {
  DIR* stream = nullptr;
};

namespace {

// Classifies an entry from its own lstat-like status: only directories and regular files count.
bool ClassifyByStatus(DIR* stream, const char* name, DirectoryEntry* entry) {
  struct stat status;
  if (fstatat(dirfd(stream), name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return false;  // gone since it was listed: nothing to record
  }
  if (S_ISDIR(status.st_mode)) {
    entry->kind = EntryKind::kDirectory;
    entry->size = 0;
    return true;
  }
  if (S_ISREG(status.st_mode)) {
    entry->kind = EntryKind::kFile;
    entry->size = status.st_size;
    return true;
  }
  return false;
}

}  // namespace

DirectoryListing* OpenListing(const PathString& directory, int* errorCode) {
  // Opened as "directory/" so that a root naming a file fails as "not a directory", and an empty
  // root names the file system's root, just as its search pattern "/*" says.
  PathString openPath = directory;
  openPath.push_back(kPathSeparator);
  DIR* stream = opendir(openPath.c_str());
  if (stream == nullptr) {
    *errorCode = errno;
    return nullptr;
  }
  // A directory that may be read but not searched gives its names but not their sizes, so every
  // file in it would be left out without a word (and each subdirectory fail on its own). Looking
  // up "." needs that same search permission: such a directory is refused here, once, as one
  // that cannot be listed.
  struct stat self;
  if (fstatat(dirfd(stream), ".", &self, 0) != 0) {
    *errorCode = errno;
    closedir(stream);
    return nullptr;
  }
  DirectoryListing* listing = new DirectoryListing;
  listing->stream = stream;
  return listing;
}

bool NextEntry(DirectoryListing* listing, DirectoryEntry* entry, int* errorCode) {
  for (;;) {
    errno = 0;
    const dirent* found = readdir(listing->stream);
    if (found == nullptr) {
      *errorCode = errno == 0 ? kListingEnd : errno;
      return false;
    }
    entry->name = found->d_name;
    entry->nameLength = std::strlen(found->d_name);
    // d_type spares a stat for directories; links, FIFOs, sockets and devices are never delivered.
    switch (found->d_type) {
      case DT_DIR:
        entry->kind = EntryKind::kDirectory;
        entry->size = 0;
        return true;
      case DT_REG:
      case DT_UNKNOWN:
        if (ClassifyByStatus(listing->stream, found->d_name, entry)) {
          return true;
        }
        break;
      default:
        break;
    }
  }
}

void CloseListing(DirectoryListing* listing) {
  closedir(listing->stream);
  delete listing;
}
