// POSIX durable appends: O_APPEND writes, each followed by fdatasync.
#include "platform/durable_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/held_folder.h"
#include "platform/private_group_posix.h"

namespace {

constexpr mode_t kNewFileMode = 0600;
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// No user but the owner (and the administrator) may write the journal. The program makes it 0600,
// so write for any group, even the user's own, says someone else made it so or made it.
bool OthersMayNotWrite(const struct stat& status) {
  return (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Write for the group alone, where the group is the owner's own (as Debian and Ubuntu make
// folders) and no access list names another user or group: that write reaches no one else.
bool WorkingFolderGroupIsOwners() {
  HeldFolder here;
  int errorCode = 0;
  FileAccess access;
  return HoldFolder(PathString(), &here, &errorCode) == HoldResult::kHeld &&
         FolderAccessOf(here, &access) && OnlyOwnerMayWrite(access);
}

// A file in the working folder is the user's as long as no one else can change its name: the
// folder is the user's or the administrator's, and no one else may write it, unless it is sticky
// (as /tmp is), where others may add names but not rename or remove ours.
bool FolderKeepsNames() {
  struct stat status;
  if (stat(".", &status) != 0) {
    return false;
  }
  const bool owned = status.st_uid == geteuid() || status.st_uid == 0;
  return owned && (OthersMayNotWrite(status) || (status.st_mode & S_ISVTX) != 0 ||
                   WorkingFolderGroupIsOwners());
}

// Another user's file (made in a shared folder before the run), another name of a file, or a
// file others may write: what is appended to it, or read back, is not the program's own.
int OwnFile(const struct stat& status) {
  if (!S_ISREG(status.st_mode)) {
    return EINVAL;
  }
  const bool own = status.st_uid == geteuid() && status.st_nlink == 1 && OthersMayNotWrite(status);
  return own ? 0 : kNotOwnFile;
}

int Checked(int descriptor, DurableFile* file) {
  struct stat status;
  const int errorCode = fstat(descriptor, &status) != 0 ? errno : OwnFile(status);
  if (errorCode != 0) {
    close(descriptor);
    return errorCode;
  }
  file->handle = descriptor;
  return 0;
}

}  // namespace

int OpenDurable(const PathChar* name, DurableFile* file) {
  if (!FolderKeepsNames()) {
    return kNotOwnFile;
  }
  // O_NONBLOCK: a FIFO of that name must not block the open; it is refused by the look after.
  int descriptor = open(name, kAppendFlags | O_CREAT | O_EXCL, kNewFileMode);
  if (descriptor < 0 && errno == EEXIST) {
    descriptor = open(name, kAppendFlags);
  }
  if (descriptor < 0) {
    return errno == ELOOP ? kNotOwnFile : errno;
  }
  return Checked(descriptor, file);
}

int CheckDurable(const PathChar* name) {
  struct stat status;
  if (lstat(name, &status) != 0) {
    return errno;
  }
  if (S_ISLNK(status.st_mode)) {
    return kNotOwnFile;
  }
  return FolderKeepsNames() ? OwnFile(status) : kNotOwnFile;
}

int AppendDurably(DurableFile& file, const std::string& bytes) {
  const int descriptor = static_cast<int>(file.handle);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return written < 0 ? errno : EIO;
    }
    done += static_cast<std::size_t>(written);
  }
  return fdatasync(descriptor) == 0 ? 0 : errno;
}

void CloseDurable(DurableFile* file) {
  if (file->handle >= 0) {
    close(static_cast<int>(file->handle));
    file->handle = -1;
  }
}
