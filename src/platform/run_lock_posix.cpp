// POSIX: flock on the working folder, an advisory lock the kernel lets go with the last
// descriptor, so a run killed at any point leaves none behind.
#include "platform/run_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

RunLock::~RunLock() {
  if (handle >= 0) {
    close(static_cast<int>(handle));
  }
}

LockResult LockJournalFolder(RunLock* lock, int* errorCode) {
  const int descriptor = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) {
    *errorCode = errno;
    return LockResult::kFailed;
  }
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    *errorCode = errno;
    close(descriptor);
    if (*errorCode == EWOULDBLOCK) {
      return LockResult::kHeldElsewhere;
    }
    const bool unsupported = *errorCode == ENOLCK || *errorCode == EOPNOTSUPP ||
                             *errorCode == EBADF || *errorCode == EINVAL;
    return unsupported ? LockResult::kUnsupported : LockResult::kFailed;
  }
  lock->handle = descriptor;
  return LockResult::kLocked;
}
