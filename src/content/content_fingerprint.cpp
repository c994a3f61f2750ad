#include "content/content_fingerprint.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "content/content_digest.h"
#include "content/md5.h"
#include "content/read_ahead.h"
#include "platform/readable_file.h"

namespace {
constexpr std::int64_t kWholeFileLimit = 512;
constexpr std::size_t kSampleLength = 256;

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
bool ReadWholeAndDigest(const ReadableFile& file, const FingerprintJob& job, unsigned char* whole,
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
  job.wholeDigest->digest = DigestBytes(whole, size);
  job.wholeDigest->stateStamp = StateStamp(file.state);
  return true;
}

// The sample, as ReadSampleFrom gives it, and the whole file's digest where the job asks for it
// and the file is small enough. `whole` holds kFirstDigestBlock bytes.
void ReadSample(const ReadableFile& file, const FingerprintJob& job, unsigned char* whole,
                unsigned char* sample, std::size_t* length) {
  const bool digestWhole = job.wholeDigest != nullptr && job.size > 0 &&
                           job.size <= static_cast<std::int64_t>(kFirstDigestBlock) &&
                           file.state.size == job.size;
  if (!digestWhole || !ReadWholeAndDigest(file, job, whole, sample, length)) {
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

// A file of several names (hard links) as the open of its first name found it, and what reading
// it gave: its other names take these without a read while their opens find it unchanged. Only
// what that test needs: on 20,000 files of four names each, the whole FileState cost 0.8 MB more.
struct ReadOnce {
  std::int64_t size = 0;  ///< when read, and as catalogued: the fingerprint depends on both
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  Fingerprint fingerprint;
  WholeDigest wholeDigest;
  std::uint32_t namesLeft = 0;  ///< names not yet met; at 0 the entry goes
};

using FilesReadOnce = std::unordered_map<FileIdentity, ReadOnce, FileIdentityHash>;

// The jobs of the files in the window, in the same order.
struct FingerprintWindow {
  ReadAheadWindow files;
  std::deque<FingerprintJob> jobs;
  std::size_t nextJob = 0;
  /// Only files of more than one name, each until its last name is met: a tree without hard
  /// links keeps nothing here.
  FilesReadOnce readOnce;
};

// The fingerprint (and whole digest) of a file of several names already read under another
// name, when the open at this name's turn finds it as that read did. False: read it.
bool TakeReadOnce(FilesReadOnce& readOnce, const FileState& now, const FingerprintJob& job) {
  const auto found = readOnce.find(now.identity);
  if (found == readOnce.end()) {
    return false;
  }
  ReadOnce& known = found->second;
  if (known.size != now.size || known.modified != now.modified || known.changed != now.changed ||
      known.size != job.size) {
    readOnce.erase(found);  // written since: read afresh, and kept as it is now
    return false;
  }
  *job.result = known.fingerprint;
  if (job.wholeDigest != nullptr) {
    *job.wholeDigest = known.wholeDigest;
  }
  if (--known.namesLeft == 0) {
    readOnce.erase(found);
  }
  return true;
}

// A later name of a file of several names, taken by a status call alone (no open) when it finds
// the file as its first name's read did. On the snapshot tree (20,000 files under four names
// each) an open and a status call of each of the 60,000 later names became one status call.
bool TakeByStatus(FingerprintWindow& window, AheadFile& ahead, const FingerprintJob& job) {
  if (!job.fileMetBefore || window.readOnce.empty() || ahead.state != AheadState::kWaiting) {
    return false;
  }
  FileState now;
  if (!StateAtPath(job.path, &now) || !TakeReadOnce(window.readOnce, now, job)) {
    return false;
  }
  ahead.state = AheadState::kDone;
  return true;
}

// Keeps what a file of several names gave, for its other names, if it is as the walk saw it.
void KeepReadOnce(FilesReadOnce& readOnce, const FileState& state, const FingerprintJob& job) {
  if (state.links < 2 || !state.identity.known || state.size != job.size) {
    return;
  }
  ReadOnce& known = readOnce[state.identity];
  known.size = state.size;
  known.modified = state.modified;
  known.changed = state.changed;
  known.fingerprint = *job.result;
  known.wholeDigest = job.wholeDigest != nullptr ? *job.wholeDigest : WholeDigest{};
  known.namesLeft = static_cast<std::uint32_t>(state.links - 1);
}

// Takes jobs until the window reaches kReadAheadFiles past the current batch, and opens ahead.
void FillWindow(FingerprintWindow& window, std::size_t count,
                const std::function<FingerprintJob(std::size_t)>& jobAt) {
  while (window.jobs.size() < kReadAheadFiles + kMd5Lanes && window.nextJob < count) {
    window.jobs.push_back(jobAt(window.nextJob++));
    // A file of size 0 is not opened: its fingerprint is never used, as the empty files leave
    // the catalogue before grouping. A tree of 100,000 entries spent 99,998 opens on them.
    AddToWindow(window.files, window.jobs.back().path, window.jobs.back().size);
  }
  OpenAhead(window.files);
}

// Stores the fingerprints of the first `batch` files of the window, digested side by side, and
// drops them from it.
void DigestBatch(FingerprintWindow& window, std::size_t batch) {
  unsigned char samples[kMd5Lanes][kWholeFileLimit];
  unsigned char whole[kFirstDigestBlock];
  const unsigned char* read[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  std::size_t jobs[kMd5Lanes];
  FileState states[kMd5Lanes];
  int lanes = 0;
  for (std::size_t index = 0; index < batch; ++index) {
    AheadFile& ahead = window.files.files[index];
    const FingerprintJob& job = window.jobs[index];
    if (job.size == 0) {
      *job.result = EmptyMessageDigest();
    } else if (TakeByStatus(window, ahead, job)) {
      continue;
    } else if (!OpenAtTurn(window.files, ahead)) {
      *job.result = ZeroFingerprint;  // cannot be opened, silently
    } else if (TakeReadOnce(window.readOnce, ahead.file.state, job)) {
      CloseAtTurn(window.files, ahead);
    } else {
      ReadSample(ahead.file, job, whole, samples[lanes], &lengths[lanes]);
      CloseAtTurn(window.files, ahead);
      read[lanes] = samples[lanes];
      jobs[lanes] = index;
      states[lanes] = ahead.file.state;
      ++lanes;
    }
  }
  if (lanes > 0) {
    static_assert(kWholeFileLimit <= static_cast<std::int64_t>(kMd5SeveralLimit),
                  "a sample must fit Md5Several");
    Fingerprint digests[kMd5Lanes];
    Md5Several(read, lengths, lanes, digests);
    for (int lane = 0; lane < lanes; ++lane) {
      const FingerprintJob& job = window.jobs[jobs[lane]];
      *job.result = digests[lane];
      KeepReadOnce(window.readOnce, states[lane], job);
    }
  }
  DropRead(window.files, batch);
  window.jobs.erase(window.jobs.begin(), window.jobs.begin() + static_cast<std::ptrdiff_t>(batch));
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

bool FingerprintFiles(std::size_t count, const std::function<FingerprintJob(std::size_t)>& jobAt,
                      const std::function<void()>& afterEach) {
  FingerprintWindow window;
  window.files.probeLength = static_cast<std::int64_t>(kSampleLength);
  window.files.advise = AdviseSample;
  for (std::size_t first = 0; first < count && !window.files.outOfDescriptors; first += kMd5Lanes) {
    FillWindow(window, count, jobAt);
    const std::size_t batch = std::min(count - first, static_cast<std::size_t>(kMd5Lanes));
    DigestBatch(window, batch);
    for (std::size_t index = 0; index < batch; ++index) {
      afterEach();
    }
  }
  CloseRead(window.files);
  return !window.files.outOfDescriptors;
}
