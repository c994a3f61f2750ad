// POSIX held folders: every name of a path opened with openat and O_NOFOLLOW from the folder
// before it, entries looked at with fstatat relative to the held descriptor.
#include "platform/held_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/file_state_posix.h"

namespace {

// A folder made (the holding folder's subfolders) is the user's alone: it stands for folders that
// may have kept their files from other users, whatever the umask would allow.
constexpr mode_t kNewFolderMode = 0700;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// A folder one may search but not list: enough to reach and change the entries inside it.
constexpr int kSearchOnlyFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

HoldResult ResultOf(int errorCode) {
  switch (errorCode) {
    case ELOOP:
      return HoldResult::kThroughLink;
    case ENOTDIR:
      return HoldResult::kNotFolder;
    case ENOENT:
      return HoldResult::kMissing;
    default:
      return HoldResult::kFailed;
  }
}

// Opens the folder `name` below `at`. O_NOFOLLOW with O_DIRECTORY refuses a link with ELOOP
// (ENOTDIR on some systems, which lstat then tells apart), so no link is ever entered.
int OpenBelow(int at, const char* name, int* errorCode) {
  int descriptor = openat(at, name, kFolderFlags);
  if (descriptor < 0 && errno == EACCES) {
    descriptor = openat(at, name, kSearchOnlyFlags);
  }
  if (descriptor < 0) {
    *errorCode = errno;
    struct stat status;
    if (errno == ENOTDIR && fstatat(at, name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
      *errorCode = ELOOP;
    }
  }
  return descriptor;
}

// The folders from "/" down to the working folder, found by stepping up through "..", which is
// never a link. Found once for the checks, which hold each folder at the top of a report from the
// top (3,000 of them in a working folder 24 deep: 0.06 s, where 0.21 s walking up each time), and
// found again when `afresh`.
const std::vector<FileIdentity>& WorkingFolderChain(bool afresh = false) {
  static std::vector<FileIdentity> chain;
  static bool found = false;
  if (found && !afresh) {
    return chain;
  }
  found = true;
  chain.clear();
  int current = open(".", kSearchOnlyFlags);
  FileIdentity identity;
  while (current >= 0 && IdentityOfOpen(current, &identity)) {
    if (!chain.empty() && SameFile(chain.back(), identity)) {
      break;  // "/.." is "/" itself
    }
    chain.push_back(identity);
    const int above = openat(current, "..", kSearchOnlyFlags);
    close(current);
    current = above;
  }
  if (current >= 0) {
    close(current);
  }
  return chain = std::vector<FileIdentity>(chain.rbegin(), chain.rend());
}

// One step of a path from the folder held in `held`: "." stays, ".." goes up, a name goes down.
HoldResult Step(HeldFolder* held, const PathString& name, int* errorCode) {
  if (name.empty() || name == ".") {
    return HoldResult::kHeld;
  }
  const int next = OpenBelow(static_cast<int>(held->handle), name.c_str(), errorCode);
  if (next < 0) {
    return ResultOf(*errorCode);
  }
  close(static_cast<int>(held->handle));
  held->handle = next;
  FileIdentity identity;
  if (!IdentityOfOpen(next, &identity)) {
    *errorCode = errno;
    return HoldResult::kFailed;
  }
  if (name == "..") {
    if (held->chain.size() > 1) {
      held->chain.pop_back();
      held->names.pop_back();
    }
    // The folder above must be the one the path came down through; a folder moved meanwhile
    // would make the chain a lie about where the entries are.
    if (!SameFile(held->chain.back(), identity)) {
      *errorCode = ESTALE;
      return HoldResult::kFailed;
    }
    return HoldResult::kHeld;
  }
  held->chain.push_back(identity);
  held->names.push_back(name);
  return HoldResult::kHeld;
}

}  // namespace

HeldFolder::HeldFolder(HeldFolder&& other) noexcept
    : handle(std::exchange(other.handle, -1)),
      chain(std::move(other.chain)),
      names(std::move(other.names)),
      systemPath(std::move(other.systemPath)),
      systemName(std::move(other.systemName)) {}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept {
  if (this != &other) {
    if (handle >= 0) {
      close(static_cast<int>(handle));
    }
    handle = std::exchange(other.handle, -1);
    chain = std::move(other.chain);
    names = std::move(other.names);
    systemPath = std::move(other.systemPath);
    systemName = std::move(other.systemName);
  }
  return *this;
}

HeldFolder::~HeldFolder() {
  if (handle >= 0) {
    close(static_cast<int>(handle));
  }
}

HoldResult HoldFolder(const PathString& folder, HeldFolder* held, int* errorCode) {
  *errorCode = 0;
  const bool absolute = !folder.empty() && folder[0] == '/';
  HeldFolder start;
  start.handle = open(absolute ? "/" : ".", kSearchOnlyFlags);
  if (start.handle < 0) {
    *errorCode = errno;
    return HoldResult::kFailed;
  }
  FileIdentity top;
  if (absolute && IdentityOfOpen(static_cast<int>(start.handle), &top)) {
    start.chain.push_back(top);
  } else if (!absolute) {
    start.chain = WorkingFolderChain();
  }
  start.names.assign(start.chain.size(), PathString());
  if (start.chain.empty()) {
    *errorCode = errno != 0 ? errno : EIO;
    return HoldResult::kFailed;
  }
  std::size_t position = 0;
  while (position <= folder.size()) {
    std::size_t end = folder.find('/', position);
    if (end == PathString::npos) {
      end = folder.size();
    }
    const HoldResult result = Step(&start, folder.substr(position, end - position), errorCode);
    if (result != HoldResult::kHeld) {
      return result;
    }
    position = end + 1;
  }
  *held = std::move(start);
  return HoldResult::kHeld;
}

HoldResult HoldListedFolder(const PathString& folder, HeldFolder* held, int* errorCode) {
  return HoldFolder(folder, held, errorCode);
}

HoldResult HoldListedFolderAfresh(const PathString& folder, HeldFolder* held, int* errorCode) {
  if (folder.empty() || folder[0] != '/') {
    WorkingFolderChain(true);  // the working folder may have been moved since, the path with it
  }
  return HoldListedFolder(folder, held, errorCode);
}

HoldResult HoldSubfolder(const HeldFolder& parent, const PathString& name, bool create,
                         HeldFolder* held, int* errorCode, bool* made) {
  *errorCode = 0;
  const bool making =
      create && mkdirat(static_cast<int>(parent.handle), name.c_str(), kNewFolderMode) == 0;
  if (create && !making && errno != EEXIST) {
    *errorCode = errno;
    return ResultOf(*errorCode);
  }
  if (made != nullptr) {
    *made = making;
  }
  HeldFolder child;
  child.handle = OpenBelow(static_cast<int>(parent.handle), name.c_str(), errorCode);
  if (child.handle < 0) {
    return ResultOf(*errorCode);
  }
  FileIdentity identity;
  if (!IdentityOfOpen(static_cast<int>(child.handle), &identity)) {
    *errorCode = errno;
    return HoldResult::kFailed;
  }
  child.chain = parent.chain;
  child.chain.push_back(identity);
  child.names = parent.names;
  child.names.push_back(name);
  *held = std::move(child);
  return HoldResult::kHeld;
}

void ReleaseAncestors(HeldFolder* held) {
  held->chain.erase(held->chain.begin(), held->chain.end() - 1);
  held->names.erase(held->names.begin(), held->names.end() - 1);
}

void SplitPath(const PathString& path, PathString* folder, PathString* name) {
  const std::size_t separator = path.rfind('/');
  if (separator == PathString::npos) {
    folder->clear();
    *name = path;
    return;
  }
  // "/c": the folder is "/" itself, which an empty text would not say.
  *folder = path.substr(0, separator == 0 ? 1 : separator);
  *name = path.substr(separator + 1);
}

bool SameEntryName(const PathString& left, const PathString& right) { return left == right; }

bool SameNameCharacter(PathChar left, PathChar right) { return left == right; }

EntryStatus StatEntry(const HeldFolder& folder, const PathString& name) {
  EntryStatus entry;
  struct stat status;
  if (fstatat(static_cast<int>(folder.handle), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    entry.errorCode = errno;
    entry.type = errno == ENOENT || errno == ENOTDIR ? EntryType::kMissing : EntryType::kFailed;
    return entry;
  }
  if (S_ISREG(status.st_mode)) {
    entry.type = EntryType::kFile;
    entry.state = FileStateOf(status);
  } else if (S_ISDIR(status.st_mode)) {
    entry.type = EntryType::kFolder;
  } else if (S_ISLNK(status.st_mode)) {
    entry.type = EntryType::kLink;
  } else {
    entry.type = EntryType::kOther;
  }
  return entry;
}

OpenResult OpenEntry(const HeldFolder& folder, const PathString& name, ReadableFile* file) {
  // What the name holds is looked at before it is opened: opening a device acts on it, and a
  // FIFO's writer sees a reader come and go. An O_PATH descriptor opens nothing; the file is then
  // opened through it, so what is read is the regular file looked at, whatever the name holds by
  // then.
  const int place =
      openat(static_cast<int>(folder.handle), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  struct stat status;
  if (place < 0 || fstat(place, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int openError = place < 0 ? errno : 0;  // a special file is refused, not "no descriptor"
    if (place >= 0) {
      close(place);
    }
    errno = openError;
    return TakeRegularFile(-1, file);
  }
  const std::string through = "/proc/self/fd/" + std::to_string(place);
  int descriptor = open(through.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0 && errno == ENOENT) {
    // No /proc (a bare chroot or container): the name is opened again, FIFOs still refused below
    // and never waited for.
    descriptor = openat(static_cast<int>(folder.handle), name.c_str(),
                        O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  }
  const int openError = errno;
  close(place);
  errno = openError;
  return TakeRegularFile(descriptor, file);
}

bool OpenFileUnchanged(const ReadableFile& file) {
  struct stat status;
  return fstat(static_cast<int>(file.handle), &status) == 0 &&
         SameFileState(FileStateOf(status), file.state);
}
