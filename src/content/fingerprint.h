// The 16-byte content fingerprint carried by every catalogued file.
#pragma once

#include <cstdint>

/// An MD5 digest held as two words: digest bytes 0-7 in `first` and 8-15 in `second`, each read
/// little-endian. Compared for equality only.
struct Fingerprint {
  std::uint64_t first = 0;
  std::uint64_t second = 0;
};

inline bool operator==(const Fingerprint& left, const Fingerprint& right) {
  return left.first == right.first && left.second == right.second;
}
inline bool operator!=(const Fingerprint& left, const Fingerprint& right) {
  return !(left == right);
}

/// The fingerprint of a file not yet digested, or of one that could not be opened.
constexpr Fingerprint ZeroFingerprint{0, 0};
