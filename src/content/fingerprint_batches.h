// Fingerprints in batches, where the system opens and reads many files in one call (see
// platform/file_batch.h): a batch's opens go in one call and its reads in another.
#pragma once

#include <cstddef>
#include <functional>

#include "content/content_fingerprint.h"
#include "content/fingerprint_parts.h"

/// The files of one batch: a cold batch's reads reach the disk side by side, and the stage waits
/// for its slowest. Many-small, cold, 9 runs each: the stage took 1.37 to 2.67 s (median 1.68) in
/// batches of 64, 1.57 to 2.72 (median 2.45) in batches of 32; /usr/share the same at either
/// (medians 1.42 and 1.23 s, means 1.27 and 1.32, on a disk shared with other work). Warm, the
/// calls per file are the same. The batch's bytes (a block per file) are touched only as read.
constexpr std::size_t kFingerprintBatch = 64;

/// Fingerprints jobs 0 to `count` - 1 as FingerprintFiles does, a batch at a time, `readOnce`
/// holding the files of several names across batches. Returns the number of the first job not
/// done: `count`, or the first of a batch whose opens found no descriptor for a file, whose files
/// are all closed again (FingerprintFiles then goes on one file at a time from there).
std::size_t FingerprintInBatches(std::size_t count,
                                 const std::function<FingerprintJob(std::size_t)>& jobAt,
                                 const std::function<void()>& afterEach, FilesReadOnce& readOnce);
