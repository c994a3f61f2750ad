// Which file or folder on which volume: the same through every spelling of a path that reaches it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <tuple>

/// POSIX: the device and inode numbers; Windows: the volume serial number and the file index.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool known = false;  ///< false where the system could not tell
};

/// True when both identities are known and name one file: an unknown identity matches none, not
/// even another unknown one, so a file the system could not identify is never taken for another.
inline bool SameFile(const FileIdentity& left, const FileIdentity& right) {
  return left.known && right.known && left.volume == right.volume && left.index == right.index;
}

/// Equal values, for sorting and hashing; SameFile is the test of one file.
inline bool operator==(const FileIdentity& left, const FileIdentity& right) {
  return left.known == right.known && left.volume == right.volume && left.index == right.index;
}
inline bool operator!=(const FileIdentity& left, const FileIdentity& right) {
  return !(left == right);
}
inline bool operator<(const FileIdentity& left, const FileIdentity& right) {
  return std::tie(left.known, left.volume, left.index) <
         std::tie(right.known, right.volume, right.index);
}

struct FileIdentityHash {
  std::size_t operator()(const FileIdentity& identity) const {
    // The index varies most; the multiplier (2^64 over the golden ratio) spreads it over every bit
    // before the volume is mixed in.
    return std::hash<std::uint64_t>()(identity.index * 0x9E3779B97F4A7C15ull ^ identity.volume);
  }
};
