// POSIX content reads: open without blocking or following a final link, pread in place.
#include "platform/readable_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

}  // namespace

OpenResult OpenForReading(const PathChar* path, ReadableFile* file) {
  RunBeforeOpenHook(path);
  // O_NONBLOCK: a FIFO put in a file's place must not block the open; it is refused just below.
  const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    return errno == EMFILE || errno == ENFILE ? OpenResult::kNoDescriptor : OpenResult::kFailed;
  }
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return OpenResult::kFailed;
  }
  file->handle = descriptor;
  file->state.size = status.st_size;
  file->state.modified = Nanoseconds(status.st_mtim);
  file->state.changed = Nanoseconds(status.st_ctim);
  file->state.volume = static_cast<std::uint64_t>(status.st_dev);
  file->state.index = static_cast<std::uint64_t>(status.st_ino);
  return OpenResult::kOpened;
}

std::size_t ReadAt(const ReadableFile& file, std::int64_t offset, void* buffer, std::size_t count,
                   bool* readError) {
  char* target = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::int64_t at = offset + static_cast<std::int64_t>(done);
    const ssize_t got =
        pread(static_cast<int>(file.handle), target + done, count - done, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0 && readError != nullptr) {
      *readError = true;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
    // A short read that reaches the size the file had when it was opened is its end: asking
    // again would cost a second call for every file smaller than the request, only to get 0.
    if (at + got >= file.state.size) {
      break;
    }
  }
  return done;
}

std::size_t ReadAtNotingWait(const ReadableFile& file, std::int64_t offset, void* buffer,
                             std::size_t count, bool* waited) {
  std::size_t got = 0;
#ifdef RWF_NOWAIT
  // RWF_NOWAIT returns only what is cached, and EAGAIN when none of it is: a cached read costs
  // no more system calls than before, and an uncached one one more.
  iovec vector{buffer, count};
  const ssize_t cached =
      preadv2(static_cast<int>(file.handle), &vector, 1, static_cast<off_t>(offset), RWF_NOWAIT);
  got = cached > 0 ? static_cast<std::size_t>(cached) : 0;
  if (got == count || offset + static_cast<std::int64_t>(got) >= file.state.size) {
    return got;
  }
#endif
  *waited = true;
  return got + ReadAt(file, offset + static_cast<std::int64_t>(got),
                      static_cast<char*>(buffer) + got, count - got);
}

void AdviseSequential(const ReadableFile& file) {
  posix_fadvise(static_cast<int>(file.handle), 0, 0, POSIX_FADV_SEQUENTIAL);
}

void AdviseWillNeed(const ReadableFile& file, std::int64_t offset, std::int64_t length) {
  posix_fadvise(static_cast<int>(file.handle), static_cast<off_t>(offset),
                static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

void CloseFile(ReadableFile* file) {
  close(static_cast<int>(file->handle));
  file->handle = -1;
}
