// POSIX (Linux) changes to folders: renameat2 without replacing or as an exchange, linkat,
// unlinkat after a look at the entry, and FIDEDUPERANGE for reflinks.
#include "platform/entry_actions.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "platform/file_state_posix.h"

namespace {

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

// Larger ranges are refused or cut short by some file systems (Btrfs shares at most 16 MiB a
// call); the loop takes what each call did.
constexpr std::int64_t kShareRange = 16 * 1024 * 1024;

// The copy opened to be written, which sharing blocks with it needs unless the process owns it
// (or is the administrator): then the descriptor the comparison read will do. -1: use that one.
int OpenToShare(const HeldFolder& folder, const PathString& name, const ReadableFile& target,
                ActionOutcome* outcome) {
  const int descriptor = openat(Folder(folder), name.c_str(),
                                O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    return -1;
  }
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      !SameFile(FileStateOf(status).identity, target.state.identity)) {
    close(descriptor);
    *outcome = Outcome(ActionResult::kNotExpected);
    return -1;
  }
  return descriptor;
}

ActionOutcome ShareRange(int source, int target, std::int64_t offset, std::int64_t length,
                         std::int64_t* shared) {
  // The request is followed by one target's record, as the system's header lays it out.
  alignas(file_dedupe_range) unsigned char
      request[sizeof(file_dedupe_range) + sizeof(file_dedupe_range_info)] = {};
  auto* range = reinterpret_cast<file_dedupe_range*>(request);
  file_dedupe_range_info& info = range->info[0];
  range->src_offset = static_cast<std::uint64_t>(offset);
  range->src_length = static_cast<std::uint64_t>(length);
  range->dest_count = 1;
  info.dest_fd = target;
  info.dest_offset = static_cast<std::uint64_t>(offset);
  if (ioctl(source, FIDEDUPERANGE, range) != 0) {
    return IsUnsupported(errno) ? Outcome(ActionResult::kUnsupported, errno) : Failure(errno);
  }
  if (info.status < 0) {
    const int errorCode = -info.status;
    return IsUnsupported(errorCode) ? Outcome(ActionResult::kUnsupported, errorCode)
                                    : Failure(errorCode);
  }
  if (info.status == FILE_DEDUPE_RANGE_DIFFERS) {
    return Outcome(ActionResult::kNotExpected);
  }
  if (info.bytes_deduped == 0) {
    return Outcome(ActionResult::kFailed, EIO);  // no progress: never loop for ever
  }
  *shared = static_cast<std::int64_t>(info.bytes_deduped);
  return Outcome(ActionResult::kDone);
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

ActionOutcome ShareBlocks(const ReadableFile& source, const HeldFolder& folder,
                          const PathString& name, const ReadableFile& target) {
  ActionOutcome outcome = Outcome(ActionResult::kDone);
  const int opened = OpenToShare(folder, name, target, &outcome);
  if (outcome.result != ActionResult::kDone) {
    return outcome;
  }
  const int descriptor = opened >= 0 ? opened : static_cast<int>(target.handle);
  const std::int64_t size = target.state.size;
  for (std::int64_t offset = 0; offset < size && outcome.result == ActionResult::kDone;) {
    std::int64_t shared = 0;
    outcome = ShareRange(static_cast<int>(source.handle), descriptor, offset,
                         std::min(size - offset, kShareRange), &shared);
    offset += shared;
  }
  // Shared blocks after a power cut, or the old ones: equal bytes either way, but "done" is said
  // only of what is on the disk.
  if (outcome.result == ActionResult::kDone && fsync(descriptor) != 0) {
    outcome = Failure(errno);
  }
  if (opened >= 0) {
    close(opened);
  }
  return outcome;
}

void SyncFolder(const HeldFolder& folder) { fsync(Folder(folder)); }
