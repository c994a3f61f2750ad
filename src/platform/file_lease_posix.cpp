// Linux read leases (F_SETLEASE). The kernel tells a holder that its lease is being broken with a
// signal, SIGIO unless told otherwise, whose default would end the program: it is ignored, and
// LeaseUnbroken asks the kernel instead. Other POSIX systems have no leases.
#include <errno.h>
#include <fcntl.h>

#include <csignal>

#include "platform/file_access.h"

#ifdef F_SETLEASE

LeaseResult TakeReadLease(const ReadableFile& file) {
  static const bool quiet = std::signal(SIGIO, SIG_IGN) != SIG_ERR;
  static_cast<void>(quiet);
  if (fcntl(static_cast<int>(file.handle), F_SETLEASE, F_RDLCK) == 0) {
    return LeaseResult::kHeld;
  }
  switch (errno) {
    case EAGAIN:
      return LeaseResult::kWriters;
    case EACCES:
    case EPERM:
      return LeaseResult::kNotOwn;
    default:  // EINVAL: a file system without leases (NFS, some FUSE ones), or leases turned off
      return LeaseResult::kUnsupported;
  }
}

bool LeaseUnbroken(const ReadableFile& file) {
  return fcntl(static_cast<int>(file.handle), F_GETLEASE) == F_RDLCK;
}

#else

LeaseResult TakeReadLease(const ReadableFile& /*file*/) { return LeaseResult::kUnsupported; }

bool LeaseUnbroken(const ReadableFile& /*file*/) { return true; }

#endif
