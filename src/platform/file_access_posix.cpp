// POSIX: the owner, group and mode from fstat, the access list from its extended attribute.
#include "platform/file_access.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr mode_t kAccessBits = 07777;
constexpr char kAccessListAttribute[] = "system.posix_acl_access";

// The access list's bytes; none where the file has none or the file system keeps none.
bool AccessList(int descriptor, std::string* list) {
  for (;;) {
    const ssize_t size = fgetxattr(descriptor, kAccessListAttribute, nullptr, 0);
    if (size < 0) {
      return errno == ENODATA || errno == ENOTSUP;
    }
    list->assign(static_cast<std::size_t>(size), '\0');
    const ssize_t read = fgetxattr(descriptor, kAccessListAttribute, &(*list)[0], list->size());
    if (read >= 0) {
      list->resize(static_cast<std::size_t>(read));
      return true;
    }
    if (errno != ERANGE) {  // ERANGE: the list grew between the two calls
      return false;
    }
  }
}

}  // namespace

bool AccessOf(const ReadableFile& file, FileAccess* access) {
  const int descriptor = static_cast<int>(file.handle);
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !AccessList(descriptor, &access->accessList)) {
    return false;
  }
  access->owner = status.st_uid;
  access->group = status.st_gid;
  access->mode = status.st_mode & kAccessBits;
  access->known = true;
  return true;
}

bool OnlyOwnerMayChange(const HeldFolder& folder) {
  struct stat status;
  if (fstat(static_cast<int>(folder.handle), &status) != 0) {
    return false;
  }
  const bool owned = status.st_uid == geteuid() || status.st_uid == 0;
  return owned && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}
