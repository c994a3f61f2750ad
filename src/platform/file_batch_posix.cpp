// POSIX: a batch in two calls of the request ring where there is one (the opens, then the reads),
// and a status call per file opened; one file after another where there is none.
#include "platform/file_batch.h"

#include <errno.h>
#include <fcntl.h>

#include <algorithm>

#include "platform/file_state_posix.h"
#include "platform/folder_hold_posix.h"
#include "platform/request_ring_posix.h"

namespace {

// Warm, a batch of 32 files cost two calls of the ring, 32 status calls and a close or two,
// where opening, reading and closing each file alone cost three calls a file and more: a run over
// the 40,000 look-alikes made 125,512 system calls where it made 203,005, over many-small 391,461
// where 571,350, over /usr/share 187,984 where 302,023. Cold, a read that would wait for the disk
// is given back and made here (the ring never waits in a worker thread): many-small cold took 6.0
// to 6.3 s so, 5.6 to 6.1 s with reads that waited in the kernel's workers (two runs each on a
// machine under load).
void OpenPart(BatchOpen* opens, std::size_t count) {
  if (!HasRequestRing()) {
    for (std::size_t index = 0; index < count; ++index) {
      opens[index].result = OpenForReading(opens[index].path, &opens[index].file);
    }
    return;
  }
  for (std::size_t index = 0; index < count; ++index) {
    RunBeforeOpenHook(opens[index].path);
  }
  // Each file by its last name in the folder held for it (folder_hold_posix.h).
  NameInFolder from[kRingRequests];
  for (std::size_t index = 0; index < count; ++index) {
    from[index] = HoldFolderOf(opens[index].path);
    AddOpenRequest(index, from[index].folder, from[index].name, kReadOpenFlags);
  }
  int results[kRingRequests];
  RunRequests(results, count);
  for (std::size_t index = 0; index < count; ++index) {
    BatchOpen& request = opens[index];
    int descriptor = results[index];
    // The ring gives back an open it could not make from the caches alone (and, before Linux
    // 5.12, which knows no such open, every one).
    if (descriptor == kRequestNotRun || descriptor == -EAGAIN || descriptor == -EINVAL) {
      descriptor = openat(from[index].folder, from[index].name, kReadOpenFlags);
    } else if (descriptor < 0) {
      errno = -descriptor;
      descriptor = -1;
    }
    request.result =
        KeepIfListed(request.path, TakeRegularFile(descriptor, &request.file), &request.file);
  }
  CloseFoldersLetGo();
}

// Completes a read as ReadAt would have made it: a short read that ends before the size the file
// had when opened goes on, and a read the ring did not make, or gave back for want of bytes it
// could read without waiting (or of a file that cannot say so), is made here.
void FinishRead(BatchRead& read, int result) {
  if (result == kRequestNotRun || result == -EINTR || result == -EAGAIN || result == -EOPNOTSUPP) {
    read.got = ReadAt(*read.file, read.offset, read.buffer, read.count, &read.readError);
    return;
  }
  if (result < 0) {
    read.got = 0;
    read.readError = true;
    return;
  }
  read.got = static_cast<std::size_t>(result);
  const std::int64_t end = read.offset + result;
  if (result > 0 && read.got < read.count && end < read.file->state.size) {
    read.got += ReadAt(*read.file, end, static_cast<char*>(read.buffer) + read.got,
                       read.count - read.got, &read.readError);
  }
}

void ReadPart(BatchRead* reads, std::size_t count) {
  int results[kRingRequests];
  if (HasRequestRing()) {
    for (std::size_t index = 0; index < count; ++index) {
      const BatchRead& read = reads[index];
      AddReadRequest(index, static_cast<int>(read.file->handle), read.buffer, read.count,
                     read.offset);
    }
    RunRequests(results, count);
  } else {
    std::fill(results, results + count, kRequestNotRun);
  }
  for (std::size_t index = 0; index < count; ++index) {
    FinishRead(reads[index], results[index]);
  }
}

}  // namespace

bool StartBatches() { return OpenRequestRing(); }

void EndBatches() {
  LetHeldFolderGo();
  CloseRequestRing();
}

void OpenTogether(BatchOpen* opens, std::size_t count) {
  for (std::size_t first = 0; first < count; first += kRingRequests) {
    OpenPart(opens + first, std::min(count - first, kRingRequests));
  }
}

void ReadTogether(BatchRead* reads, std::size_t count) {
  for (std::size_t first = 0; first < count; first += kRingRequests) {
    ReadPart(reads + first, std::min(count - first, kRingRequests));
  }
}
