// POSIX directory listing: folders opened without following links, listed with getdents64, their
// entries sized and told apart with fstatat relative to the open folder.
#include "platform/directory.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/file_state_posix.h"

namespace {

// As much as readdir asks for at a time: a folder of a few hundred names comes in one call.
constexpr std::size_t kListingBytes = 32 * 1024;

}  // namespace

// The descriptor is read with getdents64 itself: fdopendir asked the folder's status and its
// flags again (fstat and two fcntl) for every folder, 3 of the 10 calls each folder cost.
struct DirectoryListing {
  int descriptor = -1;
  FileIdentity identity;
  std::uint64_t generation = 0;
  std::unique_ptr<char[]> records{new char[kListingBytes]};
  std::size_t filled = 0;  ///< bytes the last getdents64 gave
  std::size_t next = 0;    ///< where the next record begins
  bool others = false;     ///< links, FIFOs, sockets and devices delivered too
};

namespace {

bool IsDotName(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Describes an entry from its own status, never a link's target: only folders and regular files
// are delivered (the others only when asked for), and a folder comes with the identity that
// entering it must find again.
bool Describe(int folder, const char* name, bool others, DirectoryEntry* entry) {
  struct stat status;
  if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return false;  // gone since it was listed: nothing to record
  }
  if (S_ISDIR(status.st_mode)) {
    entry->kind = EntryKind::kDirectory;
    entry->size = 0;
    entry->identity = IdentityOf(status);
    entry->severalNames = false;
    return true;
  }
  if (S_ISREG(status.st_mode)) {
    entry->kind = EntryKind::kFile;
    entry->size = status.st_size;
    entry->identity = IdentityOf(status);
    entry->severalNames = status.st_nlink > 1;
    return true;
  }
  entry->kind = EntryKind::kOther;
  entry->size = 0;
  entry->identity = FileIdentity();
  return others;
}

// ext4, XFS and Btrfs give each inode a generation when it is made and keep it for its life
// (across writes, renames and remounts, tried on loop images of each), and a folder made with the
// inode number of one deleted gets another. ext4 takes the first free number, so a folder
// deleted during the walk lends its number to the next folder made, which was taken for it
// listed again. Elsewhere (overlayfs, tmpfs, NFS) the call fails and 0 keeps the old rule.
std::uint64_t GenerationOf(int descriptor) {
  // A long, as the request is declared, though the file systems above store an int: either way
  // the bytes written are the same for every open of one folder.
  long generation = 0;
  return ioctl(descriptor, FS_IOC_GETVERSION, &generation) == 0
             ? static_cast<std::uint64_t>(generation)
             : 0;
}

DirectoryListing* Fail(int* errorCode, int descriptor) {
  *errorCode = errno;
  if (descriptor >= 0) {
    close(descriptor);
  }
  return nullptr;
}

// Whether the folder open as `descriptor`, whose status is `self`, is the folder its parent
// listed as `listed` (null for a root). A folder swapped for another since fails as gone.
bool IsFolderListed(const struct stat& self, const FileIdentity* listed, int* errorCode) {
  if (listed != nullptr && listed->known && !SameFile(IdentityOf(self), *listed)) {
    *errorCode = ENOENT;
    return false;
  }
  return true;
}

// Lists the folder open as `descriptor`, which the listing then owns, if it is the folder
// `listed` (null for a root).
DirectoryListing* ListOpenFolder(int descriptor, const FileIdentity* listed, int* errorCode) {
  // A folder that may be read but not searched gives its names but not their sizes, so every
  // file in it would be left out without a word. Looking up "." needs that same search
  // permission: such a folder is refused here, once, as one that cannot be listed. Its status
  // is the folder's own ("." never leads across a mount), so it also says whether the folder is
  // the one listed: an fstat besides was one call more per folder, 4,886 on many-small.
  struct stat self;
  if (fstatat(descriptor, ".", &self, 0) != 0) {
    // A folder swapped for another fails as gone, as it always did, searchable or not.
    const int lookupError = errno;
    if (fstat(descriptor, &self) == 0 && !IsFolderListed(self, listed, errorCode)) {
      close(descriptor);
      return nullptr;
    }
    errno = lookupError;
    return Fail(errorCode, descriptor);
  }
  if (!IsFolderListed(self, listed, errorCode)) {
    close(descriptor);
    return nullptr;
  }
  DirectoryListing* listing = new DirectoryListing;
  listing->descriptor = descriptor;
  listing->identity = IdentityOf(self);
  listing->generation = GenerationOf(descriptor);
  return listing;
}

}  // namespace

DirectoryListing* OpenRootListing(const PathString& root, int* errorCode) {
  // Opened as "root/": a root naming a file fails as "not a directory", a root that is a link to
  // a folder is followed as the user asked, and an empty root names the file system's root, just
  // as its listing's name "/*" says.
  const PathString path = root + kPathSeparator;
  const int descriptor = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) {
    return Fail(errorCode, -1);
  }
  return ListOpenFolder(descriptor, nullptr, errorCode);
}

DirectoryListing* OpenFolderListing(const PathString& folder, const FileIdentity& listed,
                                    int* errorCode) {
  // O_NOFOLLOW: a folder swapped for a link since its parent was listed fails (ENOTDIR) instead
  // of taking the walk wherever the link points. A swap higher up the path, which O_NOFOLLOW
  // cannot see, leads to another folder than the one listed: it fails as gone (ENOENT).
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) {
    return Fail(errorCode, -1);
  }
  return ListOpenFolder(descriptor, &listed, errorCode);
}

FileIdentity ListedFolderIdentity(const DirectoryListing* listing) { return listing->identity; }

std::uint64_t ListedFolderGeneration(const DirectoryListing* listing) {
  return listing->generation;
}

namespace {

// The next record of the listing, reading more when those read are used up; null at the end,
// with the system's code for a failure that ended it early (0 for the normal end).
const dirent64* NextRecord(DirectoryListing* listing, int* errorCode) {
  if (listing->next >= listing->filled) {
    const ssize_t got = getdents64(listing->descriptor, listing->records.get(), kListingBytes);
    if (got <= 0) {
      *errorCode = got < 0 ? errno : 0;
      return nullptr;
    }
    listing->filled = static_cast<std::size_t>(got);
    listing->next = 0;
  }
  const auto* record = reinterpret_cast<const dirent64*>(listing->records.get() + listing->next);
  listing->next += record->d_reclen;
  return record;
}

}  // namespace

bool NextEntry(DirectoryListing* listing, DirectoryEntry* entry, int* errorCode) {
  for (;;) {
    const dirent64* found = NextRecord(listing, errorCode);
    if (found == nullptr) {
      return false;
    }
    if (IsDotName(found->d_name)) {
      continue;
    }
    entry->name = found->d_name;
    entry->nameLength = std::strlen(found->d_name);
    // d_type spares a status for links, FIFOs, sockets and devices, which are never delivered.
    switch (found->d_type) {
      case DT_DIR:
      case DT_REG:
      case DT_UNKNOWN:
        if (Describe(listing->descriptor, found->d_name, listing->others, entry)) {
          return true;
        }
        break;
      default:
        if (listing->others) {
          entry->kind = EntryKind::kOther;
          entry->size = 0;
          entry->identity = FileIdentity();
          return true;
        }
        break;
    }
  }
}

void ListOtherEntries(DirectoryListing* listing) { listing->others = true; }

void CloseListing(DirectoryListing* listing) {
  close(listing->descriptor);
  delete listing;
}

FileIdentity WorkingFolderIdentity() {
  struct stat status;
  return stat(".", &status) == 0 ? IdentityOf(status) : FileIdentity();
}

int LoopErrorCode() { return ELOOP; }

bool IsNoDescriptorCode(int errorCode) { return errorCode == EMFILE || errorCode == ENFILE; }

PathString ListingName(const PathString& folder) { return folder + kPathSeparator + '*'; }

PathString SystemRootPath(const PathString& typed) { return typed; }

PathString ShownRootPath(const PathString& typed) { return typed; }
