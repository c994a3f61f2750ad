#include "content/fingerprint_parts.h"

#include <cstring>

#include "content/content_digest.h"
#include "content/md5.h"

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
// which files are compared, never what is equal.
bool ReadsWhole(const FingerprintJob& job, const FileState& state) {
  return job.wholeDigest != nullptr && job.size > 0 &&
         job.size <= static_cast<std::int64_t>(kFirstDigestBlock) && state.size == job.size;
}

void TakeWholeFile(const FingerprintJob& job, const FileState& state, const unsigned char* whole,
                   unsigned char* sample, std::size_t* length) {
  const std::size_t size = static_cast<std::size_t>(job.size);
  job.wholeDigest->digest = DigestBytes(whole, size);
  job.wholeDigest->stateStamp = StateStamp(state);
  if (job.size < kWholeFileLimit) {
    std::memmove(sample, whole, size);
    *length = size;
  } else {
    std::memmove(sample, whole, kSampleLength);
    std::memmove(sample + kSampleLength, whole + size - kSampleLength, kSampleLength);
    *length = 2 * kSampleLength;
  }
}

Fingerprint EmptyMessageDigest() {
  Md5Context context;
  Md5Init(context);
  return Md5Finish(context);
}

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

bool TakeByStatus(FilesReadOnce& readOnce, const FingerprintJob& job) {
  FileState now;
  return job.fileMetBefore && !readOnce.empty() && StateAtPath(job.path, &now) &&
         TakeReadOnce(readOnce, now, job);
}

namespace {

// Keeps what a file of several names gave, for its other names, if it is as the walk saw it. A
// second name read before the first one's result was kept (both in one batch) counts as met.
void KeepReadOnce(FilesReadOnce& readOnce, const FileState& state, const FingerprintJob& job) {
  if (state.links < 2 || !state.identity.known || state.size != job.size) {
    return;
  }
  const auto entry = readOnce.try_emplace(state.identity);
  ReadOnce& known = entry.first->second;
  if (!entry.second && known.size == state.size && known.modified == state.modified &&
      known.changed == state.changed) {
    if (--known.namesLeft == 0) {
      readOnce.erase(entry.first);
    }
    return;
  }
  known.size = state.size;
  known.modified = state.modified;
  known.changed = state.changed;
  known.fingerprint = *job.result;
  known.wholeDigest = job.wholeDigest != nullptr ? *job.wholeDigest : WholeDigest{};
  known.namesLeft = static_cast<std::uint32_t>(state.links - 1);
}

}  // namespace

void DigestSamples(const unsigned char* const samples[], const std::size_t lengths[],
                   const FingerprintJob* const jobs[], const FileState states[], int count,
                   FilesReadOnce& readOnce) {
  static_assert(kWholeFileLimit <= static_cast<std::int64_t>(kMd5SeveralLimit),
                "a sample must fit Md5Several");
  Fingerprint digests[kMd5Lanes];
  Md5Several(samples, lengths, count, digests);
  for (int lane = 0; lane < count; ++lane) {
    *jobs[lane]->result = digests[lane];
    KeepReadOnce(readOnce, states[lane], *jobs[lane]);
  }
}
