// POSIX only: O_TMPFILE, and linkat through the descriptor or its /proc link.
#include "platform/unnamed_file_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameFile(const struct stat& left, const struct stat& right) {
  return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

void CloseKeepingError(int descriptor) {
  const int errorCode = errno;
  close(descriptor);
  errno = errorCode;
}

}  // namespace

std::string ProcessLink(int descriptor) { return "/proc/self/fd/" + std::to_string(descriptor); }

bool PathNamesDescriptor(const std::string& path, int descriptor) {
  struct stat named;
  struct stat open;
  return stat(path.c_str(), &named) == 0 && fstat(descriptor, &open) == 0 && SameFile(named, open);
}

int OpenUnnamed(const char* folder, mode_t mode) {
  const int descriptor = open(folder, O_TMPFILE | O_WRONLY | O_NOCTTY | O_CLOEXEC, mode);
  if (descriptor < 0) {
    return -1;
  }
  errno = 0;
  if (!PathNamesDescriptor(ProcessLink(descriptor), descriptor)) {
    // No /proc (errno says why), or one that names another file: a named temporary serves.
    errno = errno != 0 ? errno : ESTALE;
    CloseKeepingError(descriptor);
    return -1;
  }
  return descriptor;
}

int NameThroughLink(int descriptor, const std::string& link, const char* name) {
  if (!PathNamesDescriptor(link, descriptor)) {
    return ESTALE;
  }
  if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) != 0) {
    return errno;
  }
  // Made just now and exclusively, so the name is ours to remove if the link changed meanwhile.
  if (!PathNamesDescriptor(name, descriptor)) {
    unlink(name);
    return ESTALE;
  }
  return 0;
}

int NameUnnamed(int descriptor, const char* name) {
  // The descriptor itself cannot name another file. Without the capability the system answers
  // ENOENT; before AT_EMPTY_PATH (Linux 2.6.39), EINVAL.
  if (linkat(descriptor, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0) {
    return 0;
  }
  if (errno != ENOENT && errno != EINVAL && errno != EPERM) {
    return errno;
  }
  return NameThroughLink(descriptor, ProcessLink(descriptor), name);
}
