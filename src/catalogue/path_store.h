// The characters of every catalogued path, kept back to back in large blocks, each with the
// number of the folder whose listing gave it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/path_text.h"

/// A path kept here costs its characters, a terminator and four bytes for its folder's number:
/// no allocation of its own, no allocator header, no rounding, no spare capacity. The number
/// sits before the path rather than in each record: a record field would cost eight bytes twice
/// over (padding, in the walk's list and in the size classes), and the catalogue is the largest
/// thing the program holds. Paths stay until the store is destroyed.
struct PathStore {
  std::vector<std::unique_ptr<PathChar[]>> blocks;
  PathChar* free = nullptr;  ///< the unused rest of the newest block
  std::size_t freeLength = 0;
};

/// Copies `length` characters of `text` and a terminator into the store, with `folder` (below
/// 2^31) and whether `fileMetBefore`; returns the copy of the text.
const PathChar* KeepPath(PathStore& store, std::uint32_t folder, const PathChar* text,
                         std::size_t length, bool fileMetBefore = false);

/// The folder number kept with a path that KeepPath returned (and only such a path).
std::uint32_t KeptFolder(const PathChar* keptPath);

/// Whether the path was kept as a name of a file that the walk had met under another name (a
/// hard link) before it.
bool KeptFileMetBefore(const PathChar* keptPath);
