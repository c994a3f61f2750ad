// The cheap content fingerprint that decides which files are worth comparing in full.
#pragma once

#include <cstdint>
#include <functional>

#include "content/content_digest.h"
#include "content/fingerprint.h"
#include "content/md5.h"
#include "platform/path_text.h"

/// The MD5 digest of the whole file when `size` (as catalogued) is below 512 bytes, else of its
/// first 256 bytes followed by its last 256. ZeroFingerprint, silently, when the file cannot be
/// opened. Digests the bytes as stored, and only the bytes actually read.
Fingerprint ContentFingerprint(const PathChar* path, std::int64_t size);

/// One file to fingerprint, and where its fingerprint goes.
struct FingerprintJob {
  const PathChar* path = nullptr;
  std::int64_t size = 0;  ///< as catalogued
  Fingerprint* result = nullptr;
  /// When given, and the file is no longer than a digest's first block and still of `size`
  /// bytes, the file is read once, whole, for both: the digest of its content (DigestBytes) and
  /// the stamp of its state as opened go here. Left as it was (kNoWholeDigest) otherwise.
  WholeDigest* wholeDigest = nullptr;
  /// The walk met the file under another name before this one: once that name is read, a status
  /// call of this one that finds the file as read gives its fingerprint without an open.
  bool fileMetBefore = false;
};

/// How FingerprintFiles reads the files: in batches, each batch's opens in one system call and
/// its reads in another where the system takes many requests in one call (see
/// platform/file_batch.h), else one file at a time, with a window of files opened ahead once the
/// cache is found cold. Tests choose each way; kBatches then opens and reads the files of a batch
/// one after another where the system has no such call.
enum class FingerprintWay { kChosen, kBatches, kOneByOne };

/// Stores the fingerprint of each of `count` jobs, as ContentFingerprint gives it, reading the
/// files in the order of their numbers; `jobAt` gives job i when it is wanted (a batch, or a few
/// jobs ahead of the one being read, whose files are opened early so the system can fetch their
/// pages meanwhile), and `afterEach` is called once per job, in order, once its fingerprint is
/// stored. A file of size 0 is not opened: it gets the digest of no bytes, as opening it would
/// give. The digests of four files are computed side by side: a third of the time of one at a time.
/// False, with the stage stopped, when a file could not be opened for want of a descriptor even
/// with no other file open. `jobAt` may be asked for a job twice: the batches hand the files of a
/// batch that found no descriptor to the window, which asks for them again.
bool FingerprintFiles(std::size_t count, const std::function<FingerprintJob(std::size_t)>& jobAt,
                      const std::function<void()>& afterEach,
                      FingerprintWay way = FingerprintWay::kChosen);
