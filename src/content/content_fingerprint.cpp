#include "content/content_fingerprint.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "content/content_digest.h"
#include "content/md5.h"
#include "platform/readable_file.h"

namespace {
constexpr std::int64_t kWholeFileLimit = 512;
constexpr std::size_t kSampleLength = 256;

// How many files past the one being read are open, with the system asked for their pages. With
// a cold cache each read otherwise waits for the disk alone: sampling 99,030 files one after
// another took 9.55 s, and 2.70 s with 16 files asked for ahead. Each costs a descriptor.
constexpr std::size_t kReadAheadFiles = 32;

// Files up to this size are asked for whole, not just where the sample lies: the comparisons
// that follow read them to the end, and a second visit to the disk for the rest of a small file
// costs a wait as long as the first.
constexpr std::int64_t kWholeAdviceLimit = 64 * 1024;

// Every so many samples read one by one, the cache is asked whether it holds the next one's head
// (three calls: mmap, mincore, munmap). Only misses in a row turn the read-ahead on: a warm
// tree here showed a lone miss about once in 100 probes (pages evicted by the other work on the
// machine), and one turned the read-ahead on for the rest of a warm run. A cold tree begins to
// read ahead after its first 96 files.
constexpr std::size_t kProbeInterval = 32;
constexpr int kMissesToReadAhead = 3;

// Reads what the fingerprint digests into `sample` (kWholeFileLimit bytes): the whole file
// below the limit, else its head followed by its tail.
void ReadSampleFrom(const ReadableFile& file, std::int64_t size, unsigned char* sample,
                    std::size_t* length) {
  if (size < kWholeFileLimit) {
    // Only as many bytes as the walk saw, even if the file has grown since; none for a size
    // below zero, which the walk never produces.
    const std::size_t wanted = size > 0 ? static_cast<std::size_t>(size) : 0;
    *length = ReadAt(file, 0, sample, wanted);
    return;
  }
  const std::size_t head = ReadAt(file, 0, sample, kSampleLength);
  // The tail is the last 256 bytes of the file as it is now. A file that shrank below that has
  // nothing after its head left to give.
  const std::int64_t sampleLength = static_cast<std::int64_t>(kSampleLength);
  const std::int64_t tailOffset = file.state.size >= sampleLength ? file.state.size - sampleLength
                                                                  : static_cast<std::int64_t>(head);
  *length = head + ReadAt(file, tailOffset, sample + head, kSampleLength);
}

// A file no longer than a digest's first block, still of its catalogued size, is read whole in
// one read: the sample is cut from those bytes and their digest kept, so a class of look-alikes
// is parted later without a second open of each (40,000 files of 1 KiB: 80,050 opens became
// 40,050). Like the fingerprint, the digest stands for the file as it was read: it only chooses
// which files are compared, never what is equal. False when the read did not give the whole file.
bool ReadWholeFile(const ReadableFile& file, const FingerprintJob& job, unsigned char* whole,
                   unsigned char* sample, std::size_t* length) {
  const std::size_t size = static_cast<std::size_t>(job.size);
  bool readError = false;
  if (ReadAt(file, 0, whole, size, &readError) != size || readError) {
    return false;
  }
  if (job.size < kWholeFileLimit) {
    std::memcpy(sample, whole, size);
    *length = size;
  } else {
    std::memcpy(sample, whole, kSampleLength);
    std::memcpy(sample + kSampleLength, whole + size - kSampleLength, kSampleLength);
    *length = 2 * kSampleLength;
  }
  *job.wholeDigest = DigestBytes(whole, size);
  return true;
}

// The sample, as ReadSampleFrom gives it, and the whole file's digest where the job asks for it
// and the file is small enough. `whole` holds kFirstDigestBlock bytes.
void ReadSample(const ReadableFile& file, const FingerprintJob& job, unsigned char* whole,
                unsigned char* sample, std::size_t* length) {
  const bool digestWhole = job.wholeDigest != nullptr && job.size > 0 &&
                           job.size <= static_cast<std::int64_t>(kFirstDigestBlock) &&
                           file.state.size == job.size;
  if (!digestWhole || !ReadWholeFile(file, job, whole, sample, length)) {
    ReadSampleFrom(file, job.size, sample, length);
  }
}

// Asks for the pages that ReadSampleFrom will read, and for the whole of a small file.
void AdviseSample(const ReadableFile& file, std::int64_t size) {
  const std::int64_t sampleLength = static_cast<std::int64_t>(kSampleLength);
  if (size < kWholeFileLimit) {
    AdviseWillNeed(file, 0, size);
  } else if (file.state.size <= kWholeAdviceLimit) {
    AdviseWillNeed(file, 0, file.state.size);
  } else {
    AdviseWillNeed(file, 0, sampleLength);
    AdviseWillNeed(file, file.state.size - sampleLength, sampleLength);
  }
}

Fingerprint EmptyMessageDigest() {
  Md5Context context;
  Md5Init(context);
  return Md5Finish(context);
}

Fingerprint DigestSample(const unsigned char* sample, std::size_t length) {
  Md5Context context;
  Md5Init(context);
  Md5Append(context, sample, static_cast<std::int32_t>(length));
  return Md5Finish(context);
}

enum class AheadState {
  kWaiting,  ///< to be opened when a descriptor is free, or at its turn
  kOpened,
  kDone,  ///< empty (never opened), failed to open, or read and closed
};

struct AheadFile {
  FingerprintJob job;
  ReadableFile file;
  AheadState state = AheadState::kWaiting;
};

// The jobs from the one being read on, in order. Files are opened ahead, and their pages asked
// for, only once the cache was found without a sample's head: with a warm cache every request
// found its pages there, and files opened 32 turns before their read made the warm run on
// many-small 8% slower (100,000 requests, and opens far from their reads). Only `openLimit` files
// are open at once: it shrinks to what the process could open when an open finds no descriptor
// left, so a run with few descriptors reads one file at a time instead of losing fingerprints.
struct ReadAheadWindow {
  std::deque<AheadFile> files;
  std::size_t nextJob = 0;
  std::size_t openCount = 0;
  std::size_t openLimit = kReadAheadFiles;
  bool readingAhead = false;
  std::size_t samplesRead = 0;
  int missesInARow = 0;
};

// Opens a waiting file. False, with the file still waiting, when no descriptor is left; a file
// that cannot be opened for any other reason is done, with no sample.
bool OpenWaiting(ReadAheadWindow& window, AheadFile& ahead) {
  const OpenResult result = OpenForReading(ahead.job.path, &ahead.file);
  if (result == OpenResult::kNoDescriptor) {
    return false;
  }
  if (result == OpenResult::kFailed) {
    ahead.state = AheadState::kDone;
    return true;
  }
  ahead.state = AheadState::kOpened;
  ++window.openCount;
  return true;
}

void CloseAhead(ReadAheadWindow& window, AheadFile& ahead, AheadState after) {
  CloseFile(&ahead.file);
  --window.openCount;
  ahead.state = after;
}

// Takes jobs until the window reaches kReadAheadFiles past the current batch; once reading ahead,
// opens the waiting ones in order, as far as the limit allows, and asks for their pages.
void FillWindow(ReadAheadWindow& window, std::size_t count,
                const std::function<FingerprintJob(std::size_t)>& jobAt) {
  while (window.files.size() < kReadAheadFiles + kMd5Lanes && window.nextJob < count) {
    AheadFile ahead;
    ahead.job = jobAt(window.nextJob++);
    // A file of size 0 is not opened: its fingerprint is never used, as the empty files leave
    // the catalogue before grouping. A tree of 100,000 entries spent 99,998 opens on them.
    ahead.state = ahead.job.size == 0 ? AheadState::kDone : AheadState::kWaiting;
    window.files.push_back(ahead);
  }
  if (!window.readingAhead) {
    return;
  }
  for (AheadFile& ahead : window.files) {
    if (window.openCount >= window.openLimit) {
      return;
    }
    if (ahead.state != AheadState::kWaiting) {
      continue;
    }
    if (!OpenWaiting(window, ahead)) {
      window.openLimit = window.openCount;
      return;
    }
    if (ahead.state == AheadState::kOpened) {
      AdviseSample(ahead.file, ahead.job.size);
    }
  }
}

// Reads the sample of a file at its turn, opening it now if the window could not. When even that
// open finds no descriptor, the window gives back every one it holds and reads on without them.
bool ReadAtTurn(ReadAheadWindow& window, AheadFile& ahead, unsigned char* whole,
                unsigned char* sample, std::size_t* length) {
  if (ahead.state == AheadState::kWaiting && !OpenWaiting(window, ahead)) {
    for (AheadFile& other : window.files) {
      if (other.state == AheadState::kOpened) {
        CloseAhead(window, other, AheadState::kWaiting);
      }
    }
    window.openLimit = 0;
    if (!OpenWaiting(window, ahead)) {
      ahead.state = AheadState::kDone;  // nothing else is open: no descriptor to be had
    }
  }
  if (ahead.state != AheadState::kOpened) {
    return false;
  }
  if (!window.readingAhead && window.samplesRead % kProbeInterval == 0) {
    const std::int64_t head = std::min<std::int64_t>(ahead.job.size, kSampleLength);
    window.missesInARow = IsInCache(ahead.file, 0, head) ? 0 : window.missesInARow + 1;
    window.readingAhead = window.missesInARow >= kMissesToReadAhead;
  }
  ++window.samplesRead;
  ReadSample(ahead.file, ahead.job, whole, sample, length);
  CloseAhead(window, ahead, AheadState::kDone);
  return true;
}

// Stores the fingerprints of the first `batch` files of the window, digested side by side, and
// drops them from it.
void DigestBatch(ReadAheadWindow& window, std::size_t batch) {
  unsigned char samples[kMd5Lanes][kWholeFileLimit];
  unsigned char whole[kFirstDigestBlock];
  const unsigned char* read[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  Fingerprint* results[kMd5Lanes];
  int lanes = 0;
  for (std::size_t index = 0; index < batch; ++index) {
    AheadFile& ahead = window.files[index];
    if (ahead.job.size == 0) {
      *ahead.job.result = EmptyMessageDigest();
    } else if (ReadAtTurn(window, ahead, whole, samples[lanes], &lengths[lanes])) {
      read[lanes] = samples[lanes];
      results[lanes] = ahead.job.result;
      ++lanes;
    } else {
      *ahead.job.result = ZeroFingerprint;  // cannot be opened, silently
    }
  }
  if (lanes > 0) {
    static_assert(kWholeFileLimit <= static_cast<std::int64_t>(kMd5SeveralLimit),
                  "a sample must fit Md5Several");
    Fingerprint digests[kMd5Lanes];
    Md5Several(read, lengths, lanes, digests);
    for (int lane = 0; lane < lanes; ++lane) {
      *results[lane] = digests[lane];
    }
  }
  window.files.erase(window.files.begin(),
                     window.files.begin() + static_cast<std::ptrdiff_t>(batch));
}

}  // namespace

Fingerprint ContentFingerprint(const PathChar* path, std::int64_t size) {
  ReadableFile file;
  if (OpenForReading(path, &file) != OpenResult::kOpened) {
    return ZeroFingerprint;
  }
  unsigned char sample[kWholeFileLimit];
  std::size_t length = 0;
  ReadSampleFrom(file, size, sample, &length);
  CloseFile(&file);
  return DigestSample(sample, length);
}

void FingerprintFiles(std::size_t count, const std::function<FingerprintJob(std::size_t)>& jobAt,
                      const std::function<void()>& afterEach) {
  ReadAheadWindow window;
  for (std::size_t first = 0; first < count; first += kMd5Lanes) {
    FillWindow(window, count, jobAt);
    const std::size_t batch = std::min(count - first, static_cast<std::size_t>(kMd5Lanes));
    DigestBatch(window, batch);
    for (std::size_t index = 0; index < batch; ++index) {
      afterEach();
    }
  }
}
