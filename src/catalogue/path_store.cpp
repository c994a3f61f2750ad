#include "catalogue/path_store.h"

#include <algorithm>
#include <cstring>

namespace {
// 64 Ki characters: one allocation per several hundred everyday paths, and at most an eighth of
// a block (a path too long for the rest of it) left unused at its end.
constexpr std::size_t kBlockLength = 64 * 1024;
constexpr std::size_t kOwnBlockLength = kBlockLength / 8;
// The folder number's room before each path, in characters.
constexpr std::size_t kFolderUnits = sizeof(std::uint32_t) / sizeof(PathChar);
// The top bit of the folder word says whether the file was met before: a flag of its own would
// cost every path four bytes more, and no walk lists 2^31 folders (their records alone would
// take 64 GiB).
constexpr std::uint32_t kMetBeforeBit = std::uint32_t{1} << 31;

std::uint32_t FolderWord(const PathChar* keptPath) {
  std::uint32_t word;
  std::memcpy(&word, keptPath - kFolderUnits, sizeof word);
  return word;
}
}  // namespace

const PathChar* KeepPath(PathStore& store, std::uint32_t folder, const PathChar* text,
                         std::size_t length, bool fileMetBefore) {
  const std::size_t needed = kFolderUnits + length + 1;
  PathChar* copy;
  if (needed > kOwnBlockLength) {
    // A long path gets a block of its own, so the current block's rest stays in use.
    store.blocks.emplace_back(new PathChar[needed]);
    copy = store.blocks.back().get();
  } else {
    if (needed > store.freeLength) {
      store.blocks.emplace_back(new PathChar[kBlockLength]);
      store.free = store.blocks.back().get();
      store.freeLength = kBlockLength;
    }
    copy = store.free;
    store.free += needed;
    store.freeLength -= needed;
  }
  const std::uint32_t word = fileMetBefore ? folder | kMetBeforeBit : folder;
  std::memcpy(copy, &word, sizeof word);
  PathChar* path = copy + kFolderUnits;
  std::copy(text, text + length, path);
  path[length] = 0;
  return path;
}

std::uint32_t KeptFolder(const PathChar* keptPath) { return FolderWord(keptPath) & ~kMetBeforeBit; }

bool KeptFileMetBefore(const PathChar* keptPath) {
  return (FolderWord(keptPath) & kMetBeforeBit) != 0;
}
