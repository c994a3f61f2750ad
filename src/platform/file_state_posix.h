// POSIX only: what a stat structure says of a file, in the platform's portable terms.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/file_identity.h"
#include "platform/readable_file.h"

inline FileIdentity IdentityOf(const struct stat& status) {
  FileIdentity identity;
  identity.volume = static_cast<std::uint64_t>(status.st_dev);
  identity.index = static_cast<std::uint64_t>(status.st_ino);
  identity.known = true;
  return identity;
}

// The identity of what `descriptor` has open; false when the system would not say.
inline bool IdentityOfOpen(int descriptor, FileIdentity* identity) {
  struct stat status;
  if (fstat(descriptor, &status) != 0) {
    return false;
  }
  *identity = IdentityOf(status);
  return true;
}

// FileState's times, and the file clock's, in POSIX's own units.
inline constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

inline std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

// st_blocks counts 512-byte units on Linux and the BSDs, whatever the file system's block.
inline constexpr std::int64_t kStatBlockSize = 512;

inline FileState FileStateOf(const struct stat& status) {
  FileState state;
  state.size = status.st_size;
  state.modified = Nanoseconds(status.st_mtim);
  state.changed = Nanoseconds(status.st_ctim);
  state.identity = IdentityOf(status);
  state.links = static_cast<std::uint64_t>(status.st_nlink);
  state.allocated = static_cast<std::int64_t>(status.st_blocks) * kStatBlockSize;
  state.owner = status.st_uid;
  return state;
}

// How a file is opened for reading. O_NONBLOCK: a FIFO put in a file's place must not block the
// open; TakeRegularFile refuses it just after.
inline constexpr int kReadOpenFlags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;

// The file an open for reading gave, taken only when it is a regular file: anything else is closed
// and refused. Called right after the open, while errno still says why one failed.
inline OpenResult TakeRegularFile(int descriptor, ReadableFile* file) {
  if (descriptor < 0) {
    return errno == EMFILE || errno == ENFILE ? OpenResult::kNoDescriptor : OpenResult::kFailed;
  }
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return OpenResult::kFailed;
  }
  file->handle = descriptor;
  file->state = FileStateOf(status);
  return OpenResult::kOpened;
}
