// One catalogued file.
#pragma once

#include "content/fingerprint.h"
#include "platform/path_text.h"

struct FileRecord {
  PathString path;  ///< exactly as the walk built it: root, then each name after one separator
  Fingerprint fingerprint = ZeroFingerprint;
};
