// One catalogued file.
#pragma once

#include "content/fingerprint.h"
#include "platform/path_text.h"

struct FileRecord {
  /// Zero-terminated, exactly as the walk built it: root, then each name after one separator.
  /// The characters belong to the catalogue's PathStore (or, in tests, to the caller).
  const PathChar* path = nullptr;
  Fingerprint fingerprint = ZeroFingerprint;
};
