#include "content/content_fingerprint.h"

#include <algorithm>
#include <deque>

#include "content/content_digest.h"
#include "content/fingerprint_batches.h"
#include "content/fingerprint_parts.h"
#include "content/md5.h"
#include "content/read_ahead.h"
#include "platform/file_batch.h"
#include "platform/readable_file.h"

namespace {

// The jobs of the files in the window, in the same order.
struct FingerprintWindow {
  ReadAheadWindow files;
  std::deque<FingerprintJob> jobs;
  std::size_t nextJob = 0;
  /// Only files of more than one name, each until its last name is met: a tree without hard
  /// links keeps nothing here.
  FilesReadOnce readOnce;
};

// A later name of a file of several names, at its turn, before any open of it.
bool TakeWaitingByStatus(FingerprintWindow& window, AheadFile& ahead, const FingerprintJob& job) {
  if (ahead.state != AheadState::kWaiting || !TakeByStatus(window.readOnce, job)) {
    return false;
  }
  ahead.state = AheadState::kDone;
  return true;
}

// The sample, as ReadSampleFrom gives it, and the whole file's digest where the job asks for it
// and the file is small enough. `whole` holds kFirstDigestBlock bytes.
void ReadSample(const ReadableFile& file, const FingerprintJob& job, unsigned char* whole,
                unsigned char* sample, std::size_t* length) {
  const std::size_t size = static_cast<std::size_t>(job.size);
  bool readError = false;
  if (ReadsWhole(job, file.state) && ReadAt(file, 0, whole, size, &readError) == size &&
      !readError) {
    TakeWholeFile(job, file.state, whole, sample, length);
  } else {
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
  const FingerprintJob* jobs[kMd5Lanes];
  FileState states[kMd5Lanes];
  int lanes = 0;
  for (std::size_t index = 0; index < batch; ++index) {
    AheadFile& ahead = window.files.files[index];
    const FingerprintJob& job = window.jobs[index];
    if (job.size == 0) {
      *job.result = EmptyMessageDigest();
    } else if (TakeWaitingByStatus(window, ahead, job)) {
      continue;
    } else if (!OpenAtTurn(window.files, ahead)) {
      *job.result = ZeroFingerprint;  // cannot be opened, silently
    } else if (TakeReadOnce(window.readOnce, ahead.file.state, job)) {
      CloseAtTurn(window.files, ahead);
    } else {
      ReadSample(ahead.file, job, whole, samples[lanes], &lengths[lanes]);
      CloseAtTurn(window.files, ahead);
      read[lanes] = samples[lanes];
      jobs[lanes] = &job;
      states[lanes] = ahead.file.state;
      ++lanes;
    }
  }
  if (lanes > 0) {
    DigestSamples(read, lengths, jobs, states, lanes, window.readOnce);
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
  Md5Context context;
  Md5Init(context);
  Md5Append(context, sample, static_cast<std::int32_t>(length));
  return Md5Finish(context);
}

bool FingerprintFiles(std::size_t count, const std::function<FingerprintJob(std::size_t)>& jobAt,
                      const std::function<void()>& afterEach, FingerprintWay way) {
  FingerprintWindow window;
  window.files.probeLength = static_cast<std::int64_t>(kSampleLength);
  window.files.advise = AdviseSample;
  const bool together = way != FingerprintWay::kOneByOne && StartBatches();
  if (together || way == FingerprintWay::kBatches) {
    window.nextJob = FingerprintInBatches(count, jobAt, afterEach, window.readOnce);
    EndBatches();  // its descriptor is wanted for files when they are short
  }
  for (std::size_t first = window.nextJob; first < count && !window.files.outOfDescriptors;
       first += kMd5Lanes) {
    FillWindow(window, count, jobAt);
    const std::size_t batch = std::min(count - first, static_cast<std::size_t>(kMd5Lanes));
    DigestBatch(window, batch);
    for (std::size_t index = 0; index < batch; ++index) {
      afterEach();
    }
  }
  CloseRead(window.files);
  EndBatches();  // a folder held for the files read one by one goes too: the report is made next
  return !window.files.outOfDescriptors;
}
