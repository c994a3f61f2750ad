#include "content/fingerprint_batches.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "content/content_digest.h"
#include "content/md5.h"
#include "content/read_ahead.h"
#include "platform/file_batch.h"

namespace {

constexpr std::size_t kNoOpen = ~std::size_t{0};

// What is read of a file of the batch.
enum class Plan {
  kNothing,      ///< its fingerprint is stored already, or it could not be opened
  kWhole,        ///< read whole, for its sample and its whole digest
  kSample,       ///< below kWholeFileLimit: its sample is the file
  kHeadAndTail,  ///< its first and last kSampleLength bytes
  kAlone,        ///< shrunk below a sample since the walk: read on its own, at once
};

struct BatchFile {
  FingerprintJob job;
  std::size_t open = kNoOpen;  ///< its place in the batch's opens
  Plan plan = Plan::kNothing;
  std::size_t firstRead = 0;  ///< its first place in the batch's reads
  const unsigned char* sample = nullptr;
  std::size_t sampleLength = 0;
};

// The storage of one batch, made once for the stage. What a batch reads lies back to back in
// `bytes`, left uninitialised, and each sample is cut where its bytes lie: a batch of small files
// touches only as much memory as they hold.
struct Batch {
  BatchFile files[kFingerprintBatch];
  std::size_t count = 0;
  BatchOpen opens[kFingerprintBatch];
  std::size_t openCount = 0;
  BatchRead reads[2 * kFingerprintBatch];
  std::size_t readCount = 0;
  unsigned char bytes[kFingerprintBatch * kFirstDigestBlock];  ///< a file takes at most a block
  std::size_t bytesUsed = 0;
  std::vector<ReadableFile> toClose;
  int missesInARow = 0;  ///< batches whose first file's first page was not in the cache
  bool cold = false;     ///< never turns off again, as the window's read-ahead
};

unsigned char* TakeBytes(Batch& batch, std::size_t count) {
  unsigned char* taken = batch.bytes + batch.bytesUsed;
  batch.bytesUsed += count;
  return taken;
}

// Takes the batch's jobs; stores the fingerprints that need no open, and lists the other files to
// be opened.
void TakeJobs(Batch& batch, std::size_t first, std::size_t count,
              const std::function<FingerprintJob(std::size_t)>& jobAt, FilesReadOnce& readOnce) {
  batch.count = count;
  batch.openCount = 0;
  for (std::size_t index = 0; index < count; ++index) {
    BatchFile& file = batch.files[index];
    file = BatchFile();
    file.job = jobAt(first + index);
    if (file.job.size == 0) {
      *file.job.result = EmptyMessageDigest();
    } else if (!TakeByStatus(readOnce, file.job)) {
      file.open = batch.openCount++;
      batch.opens[file.open] = BatchOpen();
      batch.opens[file.open].path = file.job.path;
    }
  }
}

void AddRead(Batch& batch, const ReadableFile& file, std::int64_t offset, std::size_t count) {
  BatchRead& read = batch.reads[batch.readCount++];
  read = BatchRead();
  read.file = &file;
  read.offset = offset;
  read.buffer = TakeBytes(batch, count);
  read.count = count;
}

// Batches whose first file's head must be missing from the cache, in a row, before the stage asks
// for whole small files: a warm tree shows a lone miss now and then (pages evicted by other work),
// as the window's probes found (read_ahead.cpp).
constexpr int kMissesToAdvise = 3;

// Cold, the rest of a file of up to kWholeAdviceLimit bytes is asked for with the part the batch
// reads, so the disk fetches it in the same visit: the comparisons read such files to the end,
// and fetched later, one at a time, each waited for the disk again. Many-small, cold, 4 runs
// each: the grouping took 0.50 to 1.13 s where it took 0.96 to 1.54. Warm, the first file's
// probe is the one call a batch adds: the advice, 13,500 calls more on many-small, would find
// every page there.
void AskForSmallFiles(Batch& batch) {
  if (!batch.cold && batch.openCount > 0 && batch.opens[0].result == OpenResult::kOpened) {
    const ReadableFile& first = batch.opens[0].file;
    const std::int64_t head = std::min(first.state.size, static_cast<std::int64_t>(kSampleLength));
    batch.missesInARow = IsInCache(first, 0, head) ? 0 : batch.missesInARow + 1;
    batch.cold = batch.missesInARow >= kMissesToAdvise;
  }
  for (std::size_t open = 0; batch.cold && open < batch.openCount; ++open) {
    const ReadableFile& file = batch.opens[open].file;
    if (batch.opens[open].result == OpenResult::kOpened &&
        file.state.size > static_cast<std::int64_t>(kFirstDigestBlock) &&
        file.state.size <= kWholeAdviceLimit) {
      AdviseWillNeed(file, 0, file.state.size);
    }
  }
}

// Chooses what is read of an open file, or stores its fingerprint at once.
void PlanReads(Batch& batch, BatchFile& file, FilesReadOnce& readOnce) {
  const BatchOpen& opened = batch.opens[file.open];
  const FingerprintJob& job = file.job;
  const FileState& state = opened.file.state;
  file.firstRead = batch.readCount;
  if (TakeReadOnce(readOnce, state, job)) {
    file.plan = Plan::kNothing;
  } else if (ReadsWhole(job, state)) {
    file.plan = Plan::kWhole;
    AddRead(batch, opened.file, 0, static_cast<std::size_t>(job.size));
  } else if (job.size < kWholeFileLimit) {
    file.plan = Plan::kSample;
    AddRead(batch, opened.file, 0, static_cast<std::size_t>(job.size));
  } else if (state.size >= static_cast<std::int64_t>(kSampleLength)) {
    file.plan = Plan::kHeadAndTail;
    AddRead(batch, opened.file, 0, kSampleLength);
    AddRead(batch, opened.file, state.size - static_cast<std::int64_t>(kSampleLength),
            kSampleLength);
  } else {
    file.plan = Plan::kAlone;
    unsigned char* sample = TakeBytes(batch, kWholeFileLimit);
    file.sample = sample;
    ReadSampleFrom(opened.file, job.size, sample, &file.sampleLength);
  }
}

// The sample of a file whose reads are done, as ReadSampleFrom and ReadSample give it.
void TakeSample(Batch& batch, BatchFile& file) {
  if (file.plan == Plan::kNothing || file.plan == Plan::kAlone) {
    return;
  }
  const BatchRead& read = batch.reads[file.firstRead];
  unsigned char* bytes = static_cast<unsigned char*>(read.buffer);
  const ReadableFile& opened = batch.opens[file.open].file;
  if (file.plan == Plan::kWhole) {
    file.sample = bytes;  // cut from the whole file where it lies
    if (read.got == read.count && !read.readError) {
      TakeWholeFile(file.job, opened.state, bytes, bytes, &file.sampleLength);
    } else {
      ReadSampleFrom(opened, file.job.size, bytes, &file.sampleLength);
    }
  } else if (file.plan == Plan::kSample) {
    file.sample = bytes;
    file.sampleLength = read.got;
  } else if (file.plan == Plan::kHeadAndTail) {
    const BatchRead& tail = batch.reads[file.firstRead + 1];
    std::memmove(bytes + read.got, tail.buffer, tail.got);  // after a head cut short
    file.sample = bytes;
    file.sampleLength = read.got + tail.got;
  }
}

// Digests the samples read, kMd5Lanes at a time, in the order of the jobs.
void DigestRead(Batch& batch, FilesReadOnce& readOnce) {
  const unsigned char* samples[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  const FingerprintJob* jobs[kMd5Lanes];
  FileState states[kMd5Lanes];
  int lanes = 0;
  for (std::size_t index = 0; index < batch.count; ++index) {
    const BatchFile& file = batch.files[index];
    if (file.plan == Plan::kNothing) {
      continue;
    }
    samples[lanes] = file.sample;
    lengths[lanes] = file.sampleLength;
    jobs[lanes] = &file.job;
    states[lanes] = batch.opens[file.open].file.state;
    if (++lanes == kMd5Lanes) {
      DigestSamples(samples, lengths, jobs, states, lanes, readOnce);
      lanes = 0;
    }
  }
  if (lanes > 0) {
    DigestSamples(samples, lengths, jobs, states, lanes, readOnce);
  }
}

void CloseOpened(Batch& batch) {
  for (std::size_t open = 0; open < batch.openCount; ++open) {
    if (batch.opens[open].result == OpenResult::kOpened) {
      batch.toClose.push_back(batch.opens[open].file);
    }
  }
  CloseFiles(batch.toClose);
}

// Fingerprints one batch. False when a file found no descriptor: the batch's files are closed
// again, and its jobs are left to be done again one file at a time.
bool FingerprintBatch(Batch& batch, FilesReadOnce& readOnce) {
  OpenTogether(batch.opens, batch.openCount);
  AskForSmallFiles(batch);
  batch.readCount = 0;
  batch.bytesUsed = 0;
  for (std::size_t index = 0; index < batch.count; ++index) {
    BatchFile& file = batch.files[index];
    if (file.open == kNoOpen) {
      continue;
    }
    const OpenResult result = batch.opens[file.open].result;
    if (result == OpenResult::kNoDescriptor) {
      CloseOpened(batch);
      return false;
    }
    if (result == OpenResult::kOpened) {
      PlanReads(batch, file, readOnce);
    } else {
      *file.job.result = ZeroFingerprint;  // cannot be opened, silently
    }
  }
  ReadTogether(batch.reads, batch.readCount);
  for (std::size_t index = 0; index < batch.count; ++index) {
    TakeSample(batch, batch.files[index]);
  }
  CloseOpened(batch);
  DigestRead(batch, readOnce);
  return true;
}

}  // namespace

std::size_t FingerprintInBatches(std::size_t count,
                                 const std::function<FingerprintJob(std::size_t)>& jobAt,
                                 const std::function<void()>& afterEach, FilesReadOnce& readOnce) {
  const std::unique_ptr<Batch> batch(new Batch);
  batch->toClose.reserve(kFingerprintBatch);
  for (std::size_t first = 0; first < count; first += kFingerprintBatch) {
    const std::size_t files = std::min(count - first, kFingerprintBatch);
    TakeJobs(*batch, first, files, jobAt, readOnce);
    if (!FingerprintBatch(*batch, readOnce)) {
      return first;
    }
    for (std::size_t index = 0; index < files; ++index) {
      afterEach();
    }
  }
  return count;
}
