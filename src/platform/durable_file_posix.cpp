// POSIX durable appends: O_APPEND writes, each followed by fdatasync.
#include "platform/durable_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr mode_t kNewFileMode = 0666;
}

int OpenDurable(const PathChar* name, DurableFile* file) {
  // O_NONBLOCK: a FIFO of that name must not block the open; it is refused just below.
  const int descriptor =
      open(name, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
           kNewFileMode);
  if (descriptor < 0) {
    return errno;
  }
  struct stat status;
  int errorCode = 0;
  if (fstat(descriptor, &status) != 0) {
    errorCode = errno;
  } else if (!S_ISREG(status.st_mode)) {
    errorCode = EINVAL;
  }
  if (errorCode != 0) {
    close(descriptor);
    return errorCode;
  }
  file->handle = descriptor;
  return 0;
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
