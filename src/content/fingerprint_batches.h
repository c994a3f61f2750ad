// Fingerprints in batches, where the system opens and reads many files in one call (see
// platform/file_batch.h): a batch's opens go in one call and its reads in another.
#pragma once

#include <cstddef>
#include <functional>

#include "content/content_fingerprint.h"
#include "content/fingerprint_parts.h"

/// The files of one batch.
constexpr std::size_t kFingerprintBatch = 32;

/// Fingerprints jobs 0 to `count` - 1 as FingerprintFiles does, a batch at a time, `readOnce`
/// holding the files of several names across batches. Returns the number of the first job not
/// done: `count`, or the first of a batch whose opens found no descriptor for a file, whose files
/// are all closed again (FingerprintFiles then goes on one file at a time from there).
std::size_t FingerprintInBatches(std::size_t count,
                                 const std::function<FingerprintJob(std::size_t)>& jobAt,
                                 const std::function<void()>& afterEach, FilesReadOnce& readOnce);
