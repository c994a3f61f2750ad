// Digests of a file's whole content, block by block, computed only as far as they are needed.
// They tell look-alike files apart (equal size and fingerprint, different content) with one read
// of each file, where a byte comparison of every pair reads each file once per pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/path_text.h"

struct ContentDigest {
  std::vector<std::uint64_t> blocks;  ///< one digest per block read so far, in file order
  std::int64_t size = -1;             ///< the file's size when its first block was read
  std::int64_t digestedBytes = 0;     ///< the offset of the next block
  bool complete = false;              ///< every block of the file is digested
  bool failed = false;                ///< could not be opened or read, or changed: no verdict
};

/// Digests the next block of the file at `path` into `digest`; each block is twice as long as
/// the one before it, up to a limit, so files of one size have their blocks at equal offsets.
/// Returns false, with `failed` set, when the file cannot be opened or fully read, or its size
/// is no longer the one it had at its first block; a failed digest is never extended again.
bool ExtendContentDigest(const PathChar* path, ContentDigest& digest);

/// A 64-bit digest of `count` bytes. Not cryptographic: equal digests prove nothing, different
/// digests prove different bytes.
std::uint64_t DigestBytes(const void* bytes, std::size_t count);
