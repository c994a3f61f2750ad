#include "content/content_digest.h"

#include <memory>

#include "platform/readable_file.h"

// Compiled in from the header alone, as static functions of this file: the Windows builds take
// the same code, and the programs link no library for it.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

// Doubling from the first block reads a file that differs late in a number of blocks (each an
// open and a read) that grows only with the log of its size.
constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;

// One buffer for the whole run: a fresh one per block would cost a mapping of new memory. Left
// uninitialised, so only the part that blocks have used costs memory.
unsigned char* BlockBuffer() {
  static const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kLargestBlock]);
  return buffer.get();
}

std::size_t BlockLength(std::size_t blockNumber) {
  std::size_t length = kFirstDigestBlock;
  for (std::size_t doubling = 0; doubling < blockNumber && length < kLargestBlock; ++doubling) {
    length *= 2;
  }
  return length;
}

bool Fail(ContentDigest& digest) {
  digest.failed = true;
  return false;
}

}  // namespace

std::uint64_t DigestBytes(const void* bytes, std::size_t count) {
  return XXH3_64bits(bytes, count);
}

std::uint64_t StateStamp(const FileState& state) {
  const std::uint64_t fields[] = {static_cast<std::uint64_t>(state.size),
                                  static_cast<std::uint64_t>(state.modified),
                                  static_cast<std::uint64_t>(state.changed),
                                  state.identity.volume,
                                  state.identity.index,
                                  state.identity.known ? 1u : 0u};
  return DigestBytes(fields, sizeof fields);
}

bool WholeDigestHolds(const PathChar* path, std::uint64_t stateStamp) {
  FileState now;
  return StateAtPath(path, &now) && StateStamp(now) == stateStamp;
}

bool ExtendContentDigest(const PathChar* path, ContentDigest& digest) {
  if (digest.failed) {
    return false;
  }
  if (digest.complete) {
    return true;
  }
  ReadableFile file;
  if (OpenForReading(path, &file) != OpenResult::kOpened) {
    return Fail(digest);
  }
  if (digest.blocks == 0) {
    digest.state = file.state;
  } else if (!SameFileState(file.state, digest.state)) {
    CloseFile(&file);
    return Fail(digest);  // written or replaced since the earlier blocks: they prove nothing now
  }
  const std::int64_t left = digest.state.size - digest.digestedBytes;
  const std::size_t length = BlockLength(digest.blocks);
  const std::size_t wanted =
      left < static_cast<std::int64_t>(length) ? static_cast<std::size_t>(left) : length;
  unsigned char* buffer = BlockBuffer();
  bool readError = false;
  const std::size_t got =
      wanted > 0 ? ReadAt(file, digest.digestedBytes, buffer, wanted, &readError) : 0;
  CloseFile(&file);
  if (readError || got != wanted) {
    return Fail(digest);  // shrank or broke while being read: only a byte comparison may judge
  }
  if (wanted > 0) {
    digest.lastBlock = DigestBytes(buffer, got);
    digest.digestedBytes += static_cast<std::int64_t>(got);
    ++digest.blocks;
  }
  digest.complete = digest.digestedBytes == digest.state.size;
  return true;
}
