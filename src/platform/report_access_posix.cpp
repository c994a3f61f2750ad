// POSIX only: the earlier report's bits, group and access ACL, carried over to the new report.
#include "platform/report_access_posix.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr mode_t kReadWriteBits = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr mode_t kOwnerBits = S_IRUSR | S_IWUSR;
constexpr mode_t kNewFileMode = kReadWriteBits;  // less the umask, as for any new file
// The access ACL as Linux file systems keep it, read and written whole with libc's xattr calls.
constexpr char kAccessAcl[] = "system.posix_acl_access";
constexpr int kAclReads = 3;  // each a size, then the bytes: the ACL may change in between

// The access ACL of `path`, never through a link: empty when it has none or its file system keeps
// none. False when it could not be read.
bool ReadAccessAcl(const PathChar* path, std::string* acl) {
  for (int read = 0; read < kAclReads; ++read) {
    const ssize_t size = lgetxattr(path, kAccessAcl, nullptr, 0);
    if (size < 0) {
      acl->clear();
      return errno == ENODATA || errno == ENOTSUP;
    }
    acl->resize(static_cast<std::size_t>(size));
    const ssize_t got = lgetxattr(path, kAccessAcl, acl->data(), acl->size());
    if (got >= 0) {
      acl->resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) {
      return false;
    }
  }
  return false;
}

bool SameStatus(const struct stat& left, const struct stat& right) {
  return left.st_dev == right.st_dev && left.st_ino == right.st_ino &&
         left.st_ctim.tv_sec == right.st_ctim.tv_sec &&
         left.st_ctim.tv_nsec == right.st_ctim.tv_nsec;
}

// An ACL that the new file would not otherwise have: the folder's default one, inherited at the
// creation, could let in whom the earlier report did not.
void RemoveAccessAcl(int descriptor) { fremovexattr(descriptor, kAccessAcl); }

}  // namespace

ReportAccess EarlierAccess(const PathChar* report) {
  ReportAccess access;
  access.mode = kNewFileMode;
  struct stat before;
  if (lstat(report, &before) != 0 || !S_ISREG(before.st_mode) || before.st_uid != geteuid()) {
    return access;
  }
  access.fromEarlier = true;
  access.mode = before.st_mode & kReadWriteBits;
  access.group = before.st_gid;
  // Read by name, in steps: only when it was one file throughout, unchanged (a new ACL, group or
  // mode moves the change time), is what was read its access; else the owner's bits alone.
  struct stat after;
  if (!ReadAccessAcl(report, &access.acl) || lstat(report, &after) != 0 ||
      !SameStatus(before, after)) {
    access.mode &= kOwnerBits;
    access.acl.clear();
  }
  return access;
}

mode_t CreationMode(const ReportAccess& access) {
  return access.fromEarlier ? (access.mode & kOwnerBits) : kNewFileMode;
}

int TakeEarlierAccess(int descriptor, const ReportAccess& access) {
  if (!access.fromEarlier) {
    return 0;
  }
  mode_t mode = access.mode;
  // The earlier group, where the system allows it (root, or a group the user belongs to); without
  // it, the group's and others' bits would let in people the earlier report did not.
  bool carried = fchown(descriptor, static_cast<uid_t>(-1), access.group) == 0;
  if (carried && !access.acl.empty()) {
    carried = fsetxattr(descriptor, kAccessAcl, access.acl.data(), access.acl.size(), 0) == 0;
  }
  if (!carried || access.acl.empty()) {
    RemoveAccessAcl(descriptor);
  }
  if (!carried) {
    mode &= kOwnerBits;
  }
  // Last, as the umask may have taken bits the earlier report had; with an ACL, the group's bits
  // are its mask, which the earlier mode carried too.
  return fchmod(descriptor, mode) == 0 ? 0 : errno;
}
