#include "catalogue/path_store.h"

#include <algorithm>
#include <cstring>

namespace {
// 64 Ki characters: one allocation per several hundred everyday paths, and at most an eighth of
// a block (a path too long for the rest of it) left unused at its end.
constexpr std::size_t kBlockLength = 64 * 1024;
constexpr std::size_t kOwnBlockLength = kBlockLength / 8;
// The room before each path, in characters: the folder word just before it, the file's index
// before that when kept, and before that its volume when it is not its folder's.
constexpr std::size_t kFolderUnits = sizeof(std::uint32_t) / sizeof(PathChar);
constexpr std::size_t kNumberUnits = sizeof(std::uint64_t) / sizeof(PathChar);
// The top bits of the folder word say whether the file was met before and what is kept of its
// identity: flags of their own would cost every path four bytes more, and no walk lists 2^29
// folders (their records alone would take 20 GiB).
constexpr std::uint32_t kMetBeforeBit = std::uint32_t{1} << 31;
constexpr std::uint32_t kIndexBit = std::uint32_t{1} << 30;
constexpr std::uint32_t kVolumeBit = std::uint32_t{1} << 29;
constexpr std::uint32_t kFolderMask = kVolumeBit - 1;

std::uint32_t FolderWord(const PathChar* keptPath) {
  std::uint32_t word;
  std::memcpy(&word, keptPath - kFolderUnits, sizeof word);
  return word;
}

// The number kept `units` characters before the path.
std::uint64_t NumberBefore(const PathChar* keptPath, std::size_t units) {
  std::uint64_t number;
  std::memcpy(&number, keptPath - units, sizeof number);
  return number;
}

// Room for `needed` characters, from the newest block or one of its own.
PathChar* Room(PathStore& store, std::size_t needed) {
  if (needed > kOwnBlockLength) {
    // A long path gets a block of its own, so the current block's rest stays in use.
    store.blocks.emplace_back(new PathChar[needed]);
    return store.blocks.back().get();
  }
  if (needed > store.freeLength) {
    store.blocks.emplace_back(new PathChar[kBlockLength]);
    store.free = store.blocks.back().get();
    store.freeLength = kBlockLength;
  }
  PathChar* room = store.free;
  store.free += needed;
  store.freeLength -= needed;
  return room;
}
}  // namespace

const PathChar* KeepPath(PathStore& store, std::uint32_t folder, const PathChar* text,
                         std::size_t length, bool fileMetBefore) {
  KeptFacts facts;
  facts.folder = folder;
  facts.fileMetBefore = fileMetBefore;
  return KeepPath(store, facts, text, length);
}

const PathChar* KeepPath(PathStore& store, const KeptFacts& facts, const PathChar* text,
                         std::size_t length) {
  std::uint32_t word = facts.folder | (facts.fileMetBefore ? kMetBeforeBit : 0);
  std::size_t prefix = kFolderUnits;
  if (facts.file.known) {
    word |= kIndexBit;
    prefix += kNumberUnits;
    if (facts.file.volume != facts.folderVolume) {
      word |= kVolumeBit;
      prefix += kNumberUnits;
    }
  }
  PathChar* copy = Room(store, prefix + length + 1);
  if ((word & kVolumeBit) != 0) {
    std::memcpy(copy, &facts.file.volume, sizeof facts.file.volume);
  }
  PathChar* path = copy + prefix;
  if ((word & kIndexBit) != 0) {
    std::memcpy(path - kFolderUnits - kNumberUnits, &facts.file.index, sizeof facts.file.index);
  }
  std::memcpy(path - kFolderUnits, &word, sizeof word);
  std::copy(text, text + length, path);
  path[length] = 0;
  return path;
}

std::uint32_t KeptFolder(const PathChar* keptPath) { return FolderWord(keptPath) & kFolderMask; }

bool KeptFileMetBefore(const PathChar* keptPath) {
  return (FolderWord(keptPath) & kMetBeforeBit) != 0;
}

FileIdentity KeptFileIdentity(const PathChar* keptPath, std::uint64_t folderVolume) {
  const std::uint32_t word = FolderWord(keptPath);
  FileIdentity identity;
  if ((word & kIndexBit) == 0) {
    return identity;
  }
  identity.known = true;
  identity.index = NumberBefore(keptPath, kFolderUnits + kNumberUnits);
  identity.volume = (word & kVolumeBit) != 0
                        ? NumberBefore(keptPath, kFolderUnits + 2 * kNumberUnits)
                        : folderVolume;
  return identity;
}
