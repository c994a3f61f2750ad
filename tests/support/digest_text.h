// Fingerprints as the 32 hex digits that md5sum and RFC 1321 print.
#pragma once

#include <cstdio>
#include <string>

#include "content/fingerprint.h"
#include "content/md5.h"

inline std::string HexDigest(const Fingerprint& digest) {
  std::string text;
  char pair[3];
  for (int i = 0; i < 16; ++i) {
    const std::uint64_t word = i < 8 ? digest.first : digest.second;
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>((word >> (8 * (i % 8))) & 0xff));
    text += pair;
  }
  return text;
}

inline Fingerprint DigestOf(const std::string& bytes) {
  Md5Context context;
  Md5Init(context);
  Md5Append(context, bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return Md5Finish(context);
}
