// POSIX only: the null device, as the entry opens it on a standard descriptor its caller closed.
#include "platform/null_device_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Linux gives its null device these numbers on every system.
constexpr unsigned kNullMajor = 1;
constexpr unsigned kNullMinor = 3;

}  // namespace

int OpenNullDevice(const char* path, int access) {
  // In a chroot or a container someone else prepared, /dev/null may be a link to a file the run
  // writes (the report), a FIFO that would block the open forever, or a file that keeps the text.
  const int descriptor = open(path, access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    return -1;
  }
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISCHR(status.st_mode) ||
      status.st_rdev != makedev(kNullMajor, kNullMinor)) {
    close(descriptor);
    return -1;
  }
  return descriptor;
}
