// POSIX (Linux) changes to folders: renameat2 without replacing or as an exchange, linkat,
// unlinkat after a look at the entry, and FICLONE for reflinks.
#include "platform/entry_actions.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_state_posix.h"

namespace {

constexpr mode_t kPermissionBits = 07777;

int Folder(const HeldFolder& folder) { return static_cast<int>(folder.handle); }

ActionOutcome Outcome(ActionResult result, int errorCode = 0) {
  ActionOutcome outcome;
  outcome.result = result;
  outcome.errorCode = errorCode;
  return outcome;
}

ActionOutcome Failure(int errorCode) {
  switch (errorCode) {
    case EEXIST:
    case ENOTEMPTY:
      return Outcome(ActionResult::kExists, errorCode);
    case ENOENT:
      return Outcome(ActionResult::kMissing, errorCode);
    case EXDEV:
      return Outcome(ActionResult::kOtherVolume, errorCode);
    default:
      return Outcome(ActionResult::kFailed, errorCode);
  }
}

bool IsUnsupported(int errorCode) {
  return errorCode == EINVAL || errorCode == ENOSYS || errorCode == EOPNOTSUPP ||
         errorCode == ENOTTY;
}

// Where renameat2 cannot refuse to replace (a file system without RENAME_NOREPLACE), a new hard
// link refuses an existing name by itself; the old name goes once the new one is there.
ActionOutcome RenameByLink(const HeldFolder& from, const PathString& name, const HeldFolder& to,
                           const PathString& newName) {
  if (linkat(Folder(from), name.c_str(), Folder(to), newName.c_str(), 0) != 0) {
    return errno == EPERM ? Outcome(ActionResult::kUnsupported, errno) : Failure(errno);
  }
  if (unlinkat(Folder(from), name.c_str(), 0) != 0) {
    const int errorCode = errno;
    unlinkat(Folder(to), newName.c_str(), 0);
    return Failure(errorCode);
  }
  return Outcome(ActionResult::kDone);
}

// The new file gets what the replaced one had: its permissions, its owner where the process
// may give it, its times. A failure to give the owner is no failure: the file is the user's.
void TakeAttributes(int descriptor, const ReadableFile& like) {
  struct stat status;
  if (fstat(static_cast<int>(like.handle), &status) != 0) {
    return;
  }
  if (fchown(descriptor, status.st_uid, status.st_gid) != 0) {
    errno = 0;
  }
  fchmod(descriptor, status.st_mode & kPermissionBits);
  const timespec times[2] = {status.st_atim, status.st_mtim};
  futimens(descriptor, times);
}

}  // namespace

ActionOutcome RenameWithoutReplacing(const HeldFolder& from, const PathString& name,
                                     const HeldFolder& to, const PathString& newName) {
  if (renameat2(Folder(from), name.c_str(), Folder(to), newName.c_str(), RENAME_NOREPLACE) == 0) {
    return Outcome(ActionResult::kDone);
  }
  if (IsUnsupported(errno)) {
    return RenameByLink(from, name, to, newName);
  }
  return Failure(errno);
}

ActionOutcome ExchangeEntries(const HeldFolder& folder, const PathString& first,
                              const PathString& second) {
  if (renameat2(Folder(folder), first.c_str(), Folder(folder), second.c_str(), RENAME_EXCHANGE) ==
      0) {
    return Outcome(ActionResult::kDone);
  }
  return IsUnsupported(errno) ? Outcome(ActionResult::kUnsupported, errno) : Failure(errno);
}

ActionOutcome RemoveFile(const HeldFolder& folder, const PathString& name,
                         const FileState& expected) {
  struct stat status;
  if (fstatat(Folder(folder), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return Failure(errno);
  }
  const FileState now = FileStateOf(status);
  if (!S_ISREG(status.st_mode) || !SameFile(now.identity, expected.identity)) {
    return Outcome(ActionResult::kNotExpected);
  }
  if (unlinkat(Folder(folder), name.c_str(), 0) != 0) {
    return Failure(errno);
  }
  return Outcome(ActionResult::kDone);
}

ActionOutcome RemoveEmptyFolder(const HeldFolder& parent, const PathString& name) {
  if (unlinkat(Folder(parent), name.c_str(), AT_REMOVEDIR) != 0) {
    return Failure(errno);
  }
  return Outcome(ActionResult::kDone);
}

ActionOutcome MakeHardLink(const HeldFolder& from, const PathString& name, const HeldFolder& to,
                           const PathString& newName) {
  // Without AT_SYMLINK_FOLLOW: a link put in the file's place is linked itself, never followed,
  // and the caller then finds the new name is not the file it meant.
  if (linkat(Folder(from), name.c_str(), Folder(to), newName.c_str(), 0) != 0) {
    return Failure(errno);
  }
  return Outcome(ActionResult::kDone);
}

ActionOutcome MakeClone(const ReadableFile& source, const ReadableFile& like, const HeldFolder& to,
                        const PathString& newName) {
  const int descriptor = openat(Folder(to), newName.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    return Failure(errno);
  }
  ActionOutcome outcome = Outcome(ActionResult::kDone);
  if (ioctl(descriptor, FICLONE, static_cast<int>(source.handle)) != 0) {
    outcome = IsUnsupported(errno) ? Outcome(ActionResult::kUnsupported, errno) : Failure(errno);
  } else {
    TakeAttributes(descriptor, like);
    // On the disk before the new file takes the copy's name: after a power cut that name must
    // hold the bytes, not an empty file.
    if (fsync(descriptor) != 0) {
      outcome = Failure(errno);
    }
  }
  close(descriptor);
  if (outcome.result != ActionResult::kDone) {
    unlinkat(Folder(to), newName.c_str(), 0);
  }
  return outcome;
}

void SyncFolder(const HeldFolder& folder) { fsync(Folder(folder)); }
