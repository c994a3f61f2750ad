// The cheap content fingerprint that decides which files are worth comparing in full.
#pragma once

#include <cstdint>

#include "content/fingerprint.h"
#include "content/md5.h"
#include "platform/path_text.h"

/// The MD5 digest of the whole file when `size` (as catalogued) is below 512 bytes, else of its
/// first 256 bytes followed by its last 256. ZeroFingerprint, silently, when the file cannot be
/// opened. Digests the bytes as stored, and only the bytes actually read.
Fingerprint ContentFingerprint(const PathChar* path, std::int64_t size);

/// The fingerprints of `count` files (1 to kMd5Lanes), each exactly ContentFingerprint of its
/// path and size, with the digests computed side by side: a third of the time of digesting one
/// at a time.
void ContentFingerprints(const PathChar* const paths[], const std::int64_t sizes[], int count,
                         Fingerprint fingerprints[]);
