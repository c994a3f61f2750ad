// The characters of every catalogued path, kept back to back in large blocks.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/path_text.h"

/// A path kept here costs its characters and a terminator: no allocation of its own, no
/// allocator header, no rounding, no spare capacity. Paths stay until the store is destroyed.
struct PathStore {
  std::vector<std::unique_ptr<PathChar[]>> blocks;
  PathChar* free = nullptr;  ///< the unused rest of the newest block
  std::size_t freeLength = 0;
};

/// Copies `length` characters of `text` and a terminator into the store; returns the copy.
const PathChar* KeepPath(PathStore& store, const PathChar* text, std::size_t length);
