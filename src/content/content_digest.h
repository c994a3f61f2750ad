// Digests of a file's whole content, block by block, computed only as far as they are needed.
// They tell look-alike files apart (equal size and fingerprint, different content) with one read
// of each file, where a byte comparison of every pair reads each file once per pair.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/path_text.h"
#include "platform/readable_file.h"

/// The length of a digest's first block. Look-alikes mostly differ soon after their first 256
/// bytes, so it is one page: on a tree of 800 such files it took 23 ms of CPU where first blocks
/// of 16 or 64 KiB took 37. A file no longer than it is digested whole in one read.
constexpr std::size_t kFirstDigestBlock = 4 * 1024;

struct ContentDigest {
  std::uint64_t lastBlock = 0;     ///< the digest of the block read last
  std::size_t blocks = 0;          ///< blocks read so far
  std::int64_t digestedBytes = 0;  ///< the offset of the next block
  FileState state;                 ///< the file as its first block found it (its size included)
  bool complete = false;           ///< every block of the file is digested
  bool failed = false;             ///< could not be opened or read, or changed: no verdict
};

/// Reads and digests the next block of the file at `path` into `digest`, replacing the last
/// one: each block is twice as long as the one before it, up to a limit, so files of one size
/// have their blocks at equal offsets. Returns false, with `failed` set, when the file cannot be
/// opened or fully read, or is no longer the file its first block came from (another size, write
/// time or identity); a failed digest is never extended again.
bool ExtendContentDigest(const PathChar* path, ContentDigest& digest);

/// A whole-content digest that was not taken. A file whose digest is 0 (once in 2^64) is taken as
/// one without a digest: it is read again when its digest is wanted, never misjudged.
constexpr std::uint64_t kNoWholeDigest = 0;

/// The digest of a small file's whole content, taken with its fingerprint, and a stamp of the
/// file's state as it was read: the digest stands for the file only while the state is the same.
struct WholeDigest {
  std::uint64_t digest = kNoWholeDigest;
  std::uint64_t stateStamp = 0;  ///< StateStamp of the file as opened for the digest
};

/// A 64-bit digest of what FileState says of a file's content: size, write and change times,
/// identity. Files whose stamps differ are in different states; equal stamps are taken as one
/// state (a stale digest then only costs a missed shortcut: every equal is still compared).
std::uint64_t StateStamp(const FileState& state);

/// True while the file at `path` is still a regular file in the state `stateStamp` was taken
/// of: a file deleted, replaced, written or touched since gives false, and is read again.
bool WholeDigestHolds(const PathChar* path, std::uint64_t stateStamp);

/// A 64-bit digest of `count` bytes: XXH3 of the xxHash library. Not cryptographic: equal
/// digests prove nothing, different digests prove different bytes.
std::uint64_t DigestBytes(const void* bytes, std::size_t count);
