// One catalogued file.
#pragma once

#include "content/fingerprint.h"
#include "platform/path_text.h"

struct FileRecord {
  /// Zero-terminated, as the system takes it: the root's system path, then each name after one
  /// separator. The characters belong to the catalogue's PathStore, which keeps the number of
  /// the listed folder with them (in tests they may belong to the caller).
  const PathChar* path = nullptr;
  Fingerprint fingerprint = ZeroFingerprint;
};
