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
}  // namespace

const PathChar* KeepPath(PathStore& store, std::uint32_t folder, const PathChar* text,
                         std::size_t length) {
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
  std::memcpy(copy, &folder, sizeof folder);
  PathChar* path = copy + kFolderUnits;
  std::copy(text, text + length, path);
  path[length] = 0;
  return path;
}

std::uint32_t KeptFolder(const PathChar* keptPath) {
  std::uint32_t folder;
  std::memcpy(&folder, keptPath - kFolderUnits, sizeof folder);
  return folder;
}
