// Files opened and read several at a time. Where the system takes many requests in one call
// (io_uring on Linux), a batch of files costs a few system calls, where each file cost three or
// four of its own: the open, its status, the read, a share of a batched close.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/path_text.h"
#include "platform/readable_file.h"

/// True when OpenTogether and ReadTogether take a batch in a few system calls from now until
/// EndBatches, which may hold a descriptor meanwhile; false where they open and read one file
/// after another (Windows; a Linux kernel without io_uring, or one that refuses it, or no
/// descriptor to spare), and a caller does better with a read-ahead of its own.
bool StartBatches();

/// Gives back what StartBatches took, and any descriptor held meanwhile for the files read (the
/// folder of the last ones); OpenTogether and ReadTogether then take one file at a time.
void EndBatches();

struct BatchOpen {
  const PathChar* path = nullptr;
  ReadableFile file;
  OpenResult result = OpenResult::kFailed;
};

/// Opens each of `count` files as OpenForReading would; the hook runs for each, in order, before
/// the first open.
void OpenTogether(BatchOpen* opens, std::size_t count);

struct BatchRead {
  const ReadableFile* file = nullptr;
  std::int64_t offset = 0;
  void* buffer = nullptr;
  std::size_t count = 0;  ///< below 2 GiB
  std::size_t got = 0;
  bool readError = false;
};

/// Reads each of `count` ranges as ReadAt would, setting `got` and `readError`.
void ReadTogether(BatchRead* reads, std::size_t count);
