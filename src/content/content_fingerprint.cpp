#include "content/content_fingerprint.h"

#include <algorithm>

#include "content/md5.h"
#include "platform/readable_file.h"

namespace {
constexpr std::int64_t kWholeFileLimit = 512;
constexpr std::size_t kSampleLength = 256;

// Reads what the fingerprint digests into `sample` (kWholeFileLimit bytes): the whole file
// below the limit, else its head followed by its tail. False, silently, when the file cannot be
// opened.
bool ReadSample(const PathChar* path, std::int64_t size, unsigned char* sample,
                std::size_t* length) {
  ReadableFile file;
  if (OpenForReading(path, &file) != OpenResult::kOpened) {
    return false;
  }
  if (size < kWholeFileLimit) {
    // Only as many bytes as the walk saw, even if the file has grown since; none for a size
    // below zero, which the walk never produces.
    const std::size_t wanted = size > 0 ? static_cast<std::size_t>(size) : 0;
    *length = ReadAt(file, 0, sample, wanted);
  } else {
    const std::size_t head = ReadAt(file, 0, sample, kSampleLength);
    // The tail is the last 256 bytes of the file as it is now. A file that shrank below that
    // has nothing after its head left to give.
    const std::int64_t sampleLength = static_cast<std::int64_t>(kSampleLength);
    const std::int64_t tailOffset = file.state.size >= sampleLength
                                        ? file.state.size - sampleLength
                                        : static_cast<std::int64_t>(head);
    *length = head + ReadAt(file, tailOffset, sample + head, kSampleLength);
  }
  CloseFile(&file);
  return true;
}

Fingerprint EmptyMessageDigest() {
  Md5Context context;
  Md5Init(context);
  return Md5Finish(context);
}

}  // namespace

Fingerprint ContentFingerprint(const PathChar* path, std::int64_t size) {
  unsigned char sample[kWholeFileLimit];
  std::size_t length = 0;
  if (!ReadSample(path, size, sample, &length)) {
    return ZeroFingerprint;
  }
  Md5Context context;
  Md5Init(context);
  Md5Append(context, sample, static_cast<std::int32_t>(length));
  return Md5Finish(context);
}

void ContentFingerprints(const PathChar* const paths[], const std::int64_t sizes[], int count,
                         Fingerprint fingerprints[]) {
  static_assert(kWholeFileLimit <= static_cast<std::int64_t>(kMd5SeveralLimit),
                "a sample must fit Md5Several");
  unsigned char samples[kMd5Lanes][kWholeFileLimit];
  const unsigned char* read[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  int lanes[kMd5Lanes];
  int readCount = 0;
  for (int file = 0; file < count; ++file) {
    fingerprints[file] = ZeroFingerprint;
    if (ReadSample(paths[file], sizes[file], samples[readCount], &lengths[readCount])) {
      read[readCount] = samples[readCount];
      lanes[readCount] = file;
      ++readCount;
    }
  }
  if (readCount == 0) {
    return;
  }
  Fingerprint digests[kMd5Lanes];
  Md5Several(read, lengths, readCount, digests);
  for (int lane = 0; lane < readCount; ++lane) {
    fingerprints[lanes[lane]] = digests[lane];
  }
}

void FingerprintFiles(std::size_t count, const std::function<FingerprintJob(std::size_t)>& jobAt,
                      const std::function<void()>& afterEach) {
  for (std::size_t first = 0; first < count; first += kMd5Lanes) {
    const std::size_t end = std::min(count, first + kMd5Lanes);
    const PathChar* paths[kMd5Lanes];
    std::int64_t sizes[kMd5Lanes];
    Fingerprint* results[kMd5Lanes];
    int lanes = 0;
    for (std::size_t index = first; index < end; ++index) {
      const FingerprintJob job = jobAt(index);
      // A file of size 0 is not opened: its fingerprint is never used, as the empty files leave
      // the catalogue before grouping. A tree of 100,000 entries spent 99,998 opens on them.
      if (job.size == 0) {
        *job.result = EmptyMessageDigest();
        continue;
      }
      paths[lanes] = job.path;
      sizes[lanes] = job.size;
      results[lanes] = job.result;
      ++lanes;
    }
    Fingerprint fingerprints[kMd5Lanes];
    if (lanes > 0) {
      ContentFingerprints(paths, sizes, lanes, fingerprints);
    }
    for (int lane = 0; lane < lanes; ++lane) {
      *results[lane] = fingerprints[lane];
    }
    for (std::size_t index = first; index < end; ++index) {
      afterEach();
    }
  }
}
