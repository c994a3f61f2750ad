// The characters of every catalogued path, kept back to back in large blocks, each with the
// number of the folder whose listing gave it and, where the listing told it, the file's identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file_identity.h"
#include "platform/path_text.h"

/// A path kept here costs its characters, a terminator and four bytes for its folder's number:
/// no allocation of its own, no allocator header, no rounding, no spare capacity. The number
/// sits before the path rather than in each record: a record field would cost eight bytes twice
/// over (padding, in the walk's list and in the size classes), and the catalogue is the largest
/// thing the program holds. The file's identity, when known, costs eight bytes more there (its
/// index), and eight more only for a file on another volume than its folder. Paths stay until the
/// store is destroyed.
struct PathStore {
  std::vector<std::unique_ptr<PathChar[]>> blocks;
  PathChar* free = nullptr;  ///< the unused rest of the newest block
  std::size_t freeLength = 0;
};

/// What the walk saw of a kept path's file besides its name.
struct KeptFacts {
  std::uint32_t folder = 0;  ///< below 2^29
  bool fileMetBefore = false;
  FileIdentity file;               ///< not known: none is kept
  std::uint64_t folderVolume = 0;  ///< the volume of the folder that listed the file
};

/// Copies `length` characters of `text` and a terminator into the store, with `folder` (below
/// 2^29) and whether `fileMetBefore`; returns the copy of the text.
const PathChar* KeepPath(PathStore& store, std::uint32_t folder, const PathChar* text,
                         std::size_t length, bool fileMetBefore = false);

/// The same, with what `facts` tell.
const PathChar* KeepPath(PathStore& store, const KeptFacts& facts, const PathChar* text,
                         std::size_t length);

/// The folder number kept with a path that KeepPath returned (and only such a path).
std::uint32_t KeptFolder(const PathChar* keptPath);

/// Whether the path was kept as a name of a file that the walk had met under another name (a
/// hard link) before it.
bool KeptFileMetBefore(const PathChar* keptPath);

/// The identity of the file the walk listed under a kept path, `folderVolume` being that of its
/// folder, as given to KeepPath; not known when none was kept.
FileIdentity KeptFileIdentity(const PathChar* keptPath, std::uint64_t folderVolume);
