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

/// From this many jobs on the fingerprints are read on two threads. Warm, on one folder of
/// look-alikes, a run took as long either way at 1,000 files (21 ms), and with two threads
/// 33 ms against 38 at 2,000 and 0.18 s against 0.31 for the stage at 40,000. Fewer files do
/// not repay the thread's start and what a second thread adds to every call on a descriptor (the
/// kernel then counts references to the open file: system time 111 ms against 107 at 10,000).
constexpr std::size_t kJobsForTwoThreads = 2000;

/// Stores the fingerprint of each of `count` jobs, as ContentFingerprint gives it, reading the
/// files in the order of their numbers; `jobAt` gives job i when it is wanted (a few jobs ahead
/// of the one being read, whose files are opened early so the system can fetch their pages
/// meanwhile), and `afterEach` is called once per job, in order, on the calling thread, once its
/// fingerprint is stored. From kJobsForTwoThreads jobs on two threads read them, each its own runs
/// of jobs: then `jobAt` is called from both at once, and each job's slots are written by one of
/// them. A file of size 0 is not opened: it gets the digest of no bytes, as opening it would give.
/// The digests of four files are computed side by side: a third of the time of one at a time.
/// False, with the stage stopped, when a file could not be opened for want of a descriptor even
/// with no other file open.
bool FingerprintFiles(std::size_t count, const std::function<FingerprintJob(std::size_t)>& jobAt,
                      const std::function<void()>& afterEach);
